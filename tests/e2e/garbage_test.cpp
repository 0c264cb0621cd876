// Garbage between real commands: random and overlong lines, malformed positions,
// move lists and numbers never hurt; the engine keeps answering and playing legally.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/game_check.h"

namespace {

using Lines = std::vector<std::string>;

// One line of garbage for the protocol: random bytes, an overlong line, or a command
// with broken arguments. Never a word that ends the session.
std::string garbageLine(std::mt19937& random, bool uci) {
  static const char* const uciBroken[] = {
      "position fen", "position fen rnbqkbnr/pppppppp/8/8 w - -", "position fen 9/9/9/9/9/9/9/9 w",
      "position fen kkkkkkkk/8/8/8/8/8/8/KKKKKKKK w - - 0 1", "position startpos moves e2e5 e7e5",
      "position startpos moves zzzz e2e4", "position startpos moves e1g1 O-O-O 0-0", "position", "position xyz moves",
      "go wtime", "go btime 100 winc", "go movestogo", "go depth", "go movetime", "go nodes", "go mate 3",
      "go searchmoves e2e4", "go ponder", "go wtime -5 btime -7", "go depth -1", "setoption", "setoption name",
      "setoption name Foo value", "setoption name Hash value", "setoption name Hash value x",
      "setoption name MultiPV value 99", "setoption name Ponder", "setoption name UCI_Opponent value GM",
      "setoption value name", "ponderhit", "stop", "debug", "ucinewgame"};
  static const char* const xboardBroken[] = {
      "setboard", "setboard 8/8/8 w", "setboard kkkkkkkk/8/8/8/8/8/8/KKKKKKKK w - -", "level", "level 1",
      "level x y z", "level -4 -1:-5 -3", "st", "st -5", "sd", "sd -9", "time", "otim x", "time -100", "e2e5",
      "e7e8q", "a9a1", "i1a1", "e2", "usermove", "ping", "hint", "?", ".", "bk", "easy", "hard", "post",
      "nopost", "result", "draw", "computer", "name", "protover", "remove", "undo", "force", "playother", "exit"};
  const int kind = static_cast<int>(random() % 4);
  if (kind == 0) {
    std::string line(1 + random() % 60, ' ');
    for (char& c : line) {
      c = static_cast<char>(1 + random() % 255);
      if (c == '\n' || c == '\r') c = ' ';
    }
    return line;
  }
  if (kind == 1) {
    std::string line(3000 + random() % 6000, 'x');
    for (char& c : line) c = static_cast<char>('a' + random() % 26);
    return (random() % 2 ? "position fen " : "") + line;
  }
  if (uci) return uciBroken[random() % (sizeof uciBroken / sizeof *uciBroken)];
  return xboardBroken[random() % (sizeof xboardBroken / sizeof *xboardBroken)];
}

bool isQuit(const std::string& line) {
  std::string word = line.substr(0, line.find(' '));
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return word == "quit" || word == "uci" || word == "xboard";
}

TEST(Garbage, UciKeepsAnsweringAndPlayingLegally) {
  TempDirectory directory;
  EngineLaunch launch;
  launch.workingDirectory = directory.path();
  EngineProcess engine(launch);
  engine.send("uci");
  ASSERT_TRUE(engine.waitForLine("uciok"));
  std::mt19937 random(12345);
  for (int round = 0; round < 12; ++round) {
    for (int i = 0; i < 200; ++i) {
      const std::string line = garbageLine(random, true);
      if (!isQuit(line)) engine.send(line);
    }
    // Settle whatever the garbage started, then play a real move.
    engine.send("stop");
    engine.send("setoption name Ponder value false");
    engine.send("isready");
    ASSERT_TRUE(engine.waitForLine("readyok", 60000)) << "round " << round;
    engine.send("position startpos moves e2e4 c7c5 g1f3");
    engine.send("go depth 3");
    engine.send("isready");
    const auto best = engine.waitForLine("bestmove", 60000);
    ASSERT_TRUE(best.has_value()) << "round " << round;
    GameCheck game;
    for (const char* move : {"e2e4", "c7c5", "g1f3"}) ASSERT_TRUE(game.play(move));
    const std::string move = best->substr(9, best->find(' ', 9) == std::string::npos ? std::string::npos
                                                                                       : best->find(' ', 9) - 9);
    EXPECT_TRUE(game.isLegal(move)) << "round " << round << ": " << *best;
    ASSERT_TRUE(engine.waitForLine("readyok", 60000));
  }
  engine.send("quit");
  EXPECT_EQ(engine.waitForExit(60000), 0);
}

TEST(Garbage, XboardKeepsAnsweringAndPlayingLegally) {
  TempDirectory directory;
  EngineLaunch launch;
  launch.workingDirectory = directory.path();
  EngineProcess engine(launch);
  engine.send("xboard");
  engine.send("protover 2");
  ASSERT_TRUE(engine.waitForLine("feature done=1"));
  std::mt19937 random(54321);
  for (int round = 0; round < 12; ++round) {
    engine.send("force");
    for (int i = 0; i < 200; ++i) {
      const std::string line = garbageLine(random, false);
      if (!isQuit(line)) engine.send(line);
    }
    engine.send("exit");
    engine.send("new");
    engine.send("ping " + std::to_string(round));
    ASSERT_TRUE(engine.waitForLine("pong " + std::to_string(round), 60000)) << "round " << round;
    engine.send("sd 3");
    engine.send("d2d4");
    const auto reply = engine.waitForLine("move ", 60000);
    ASSERT_TRUE(reply.has_value()) << "round " << round;
    GameCheck game;
    ASSERT_TRUE(game.play("d2d4"));
    EXPECT_TRUE(game.isLegal(reply->substr(5))) << "round " << round << ": " << *reply;
  }
  engine.send("quit");
  EXPECT_EQ(engine.waitForExit(60000), 0);
}

}  // namespace
