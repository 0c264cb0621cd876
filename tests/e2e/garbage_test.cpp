// Garbage between real commands: random and overlong lines, malformed positions,
// move lists, random numbers in every numeric field, and console words, option
// changes and position commands arriving while searches run never hurt; the engine
// keeps answering and playing legally. Run by both builds, so the sanitizers see it.
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

// Positions with moves for both sides, for the console word "fen".
const char* const fenTexts[] = {
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
};

// A number for a numeric field: small, negative, at the edges of 32 bits, or far
// beyond 64 bits.
std::string randomNumber(std::mt19937& random) {
  static const char* const edges[] = {"0", "-1", "2147483647", "-2147483648", "2147483648", "99999999999",
                                      "-99999999999", "99999999999999999999999999", "4294967296", "+7"};
  switch (random() % 4) {
    case 0:
      return std::to_string(random() % 20);
    case 1:
      return std::to_string(static_cast<int>(random() % 200000) - 100000);
    case 2:
      return std::to_string(random());
    default:
      return edges[random() % (sizeof edges / sizeof *edges)];
  }
}

// Console words that must be refused or harmless while a search runs; "si" and a
// deep perft would run for long when idle, so they are only sent right after a
// search has been started.
const char* const busyConsoleWords[] = {"si", "perft 6", "board", "fen", "chk e", "egtb", "uci", "xboard"};

// A line with random numbers in its numeric fields: the option spins (names as the
// engine lists them), the clock and depth words of both protocols, console words.
std::string numberLine(std::mt19937& random, bool uci, const Lines& spinOptions) {
  const auto n = [&random] { return randomNumber(random); };
  switch (random() % 8) {
    case 0:
      if (!spinOptions.empty()) return "setoption name " + spinOptions[random() % spinOptions.size()] + " value " + n();
      [[fallthrough]];
    case 1:
      return "fen " + std::string(fenTexts[random() % (sizeof fenTexts / sizeof *fenTexts)]);
    case 2:
      return random() % 2 ? "board" : "fen";
    case 3:
      return "perft " + std::string(random() % 2 ? "2" : "99999999999");
    default:
      break;
  }
  if (uci) {
    switch (random() % 4) {
      case 0:
        return "go wtime " + n() + " btime " + n() + " winc " + n() + " binc " + n() + " movestogo " + n();
      case 1:
        return "go depth " + n();
      case 2:
        return "go movetime " + n();
      default:
        return "go ponder wtime " + n() + " btime " + n() + " movestogo " + n();
    }
  }
  switch (random() % 6) {
    case 0:
      return "level " + n() + " " + n() + ":" + n() + " " + n();
    case 1:
      return "st " + n();
    case 2:
      return "sd " + n();
    case 3:
      return "time " + n();
    case 4:
      return "otim " + n();
    default:
      return "ping " + n();
  }
}

// The names of the engine's spin options from its UCI identification lines.
Lines spinOptionNames(const Lines& identification) {
  Lines names;
  for (const std::string& line : identification) {
    const std::size_t type = line.find(" type spin");
    if (line.rfind("option name ", 0) == 0 && type != std::string::npos) names.push_back(line.substr(12, type - 12));
  }
  return names;
}

// Sends the words that must wait for a running search, then a burst of position
// commands, option changes and numbers, all arriving while searches start and stop.
void sendWhileSearching(EngineProcess& engine, std::mt19937& random, bool uci, const Lines& spinOptions) {
  engine.send("fen " + std::string(fenTexts[random() % (sizeof fenTexts / sizeof *fenTexts)]));
  for (const char* word : busyConsoleWords) engine.send(word);
  for (int i = 0; i < 40; ++i) {
    const int kind = static_cast<int>(random() % 3);
    if (kind == 0) {
      engine.send(numberLine(random, uci, spinOptions));
    } else if (kind == 1) {
      const std::string line = garbageLine(random, uci);
      if (!isQuit(line)) engine.send(line);
    } else {
      engine.send(uci ? (random() % 2 ? "go infinite" : "position startpos moves d2d4 d7d5")
                      : (random() % 2 ? "analyze" : "setboard " + std::string(fenTexts[random() % 3])));
    }
  }
}

bool hasLine(const Lines& lines, const std::string& text) {
  for (const std::string& line : lines) {
    if (line == text) return true;
  }
  return false;
}

TEST(Garbage, UciKeepsAnsweringAndPlayingLegally) {
  TempDirectory directory;
  EngineLaunch launch;
  launch.workingDirectory = directory.path();
  EngineProcess engine(launch);
  engine.send("uci");
  Lines identification;
  ASSERT_TRUE(engine.waitForLine("uciok", 20000, &identification));
  const Lines spinOptions = spinOptionNames(identification);
  ASSERT_FALSE(spinOptions.empty());
  std::mt19937 random(12345);
  for (int round = 0; round < 12; ++round) {
    for (int i = 0; i < 150; ++i) {
      const std::string line = random() % 4 ? garbageLine(random, true) : numberLine(random, true, spinOptions);
      if (!isQuit(line)) engine.send(line);
    }
    // Console words, options and positions while an analysis runs.
    engine.send("stop");
    engine.send("isready");
    ASSERT_TRUE(engine.waitForLine("readyok", 60000)) << "round " << round;
    engine.send("position startpos");
    engine.send("go infinite");
    sendWhileSearching(engine, random, true, spinOptions);
    // Settle whatever the garbage started, then play a real move.
    engine.send("stop");
    engine.send("setoption name Ponder value false");
    engine.send("isready");
    Lines answers;
    ASSERT_TRUE(engine.waitForLine("readyok", 60000, &answers)) << "round " << round;
    EXPECT_TRUE(hasLine(answers, "fen: not available while a search runs")) << "round " << round;
    EXPECT_TRUE(hasLine(answers, "si: not available while a search runs")) << "round " << round;
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
  // The spin options' names are those UCI lists; xboard has no command that sets them.
  std::mt19937 random(54321);
  for (int round = 0; round < 12; ++round) {
    engine.send("force");
    for (int i = 0; i < 150; ++i) {
      const std::string line = random() % 4 ? garbageLine(random, false) : numberLine(random, false, {});
      if (!isQuit(line)) engine.send(line);
    }
    // Console words and positions while an analysis runs, then while the engine
    // thinks about its own move.
    engine.send("exit");
    engine.send("new");
    engine.send("ping " + std::to_string(round));
    ASSERT_TRUE(engine.waitForLine("pong " + std::to_string(round), 60000)) << "round " << round;
    engine.send("analyze");
    sendWhileSearching(engine, random, false, {});
    engine.send("exit");
    engine.send("new");
    engine.send("ping busy" + std::to_string(round));
    ASSERT_TRUE(engine.waitForLine("pong busy" + std::to_string(round), 60000)) << "round " << round;
    engine.send("level 0 1 0");
    engine.send("go");
    for (const std::string word : {"board", "fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", "fen"}) engine.send(word);
    engine.send("?");
    Lines answers;
    ASSERT_TRUE(engine.waitForLine("move ", 60000, &answers)) << "round " << round;
    EXPECT_TRUE(hasLine(answers, "fen: not available while a search runs")) << "round " << round;
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
