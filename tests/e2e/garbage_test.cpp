// Garbage between real commands: random and overlong lines, malformed positions,
// move lists, random numbers in every numeric field, and console words, option
// changes and position commands arriving while searches run never hurt; the engine
// keeps answering and playing legally. Run by both builds, so the sanitizers see it.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/protocol_session.h"
#include "support/game_check.h"

namespace velt {

namespace {

template <typename List>
const auto& pick(std::mt19937& random, const List& list) {
  return list[random() % std::size(list)];
}

// Positions with moves for both sides, for the console word "fen" and "setboard".
const char* const fenTexts[] = {
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
};

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
  switch (random() % 4) {
    case 0: {
      std::string line(1 + random() % 60, ' ');
      for (char& c : line) c = static_cast<char>(1 + random() % 255);
      std::replace_if(line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
      return line;
    }
    case 1: {
      std::string line(3000 + random() % 6000, 'x');
      for (char& c : line) c = static_cast<char>('a' + random() % 26);
      return (random() % 2 ? "position fen " : "") + line;
    }
    default:
      return uci ? pick(random, uciBroken) : pick(random, xboardBroken);
  }
}

bool isQuit(const std::string& line) {
  std::string word = line.substr(0, line.find(' '));
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return word == "quit" || word == "uci" || word == "xboard";
}

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
      return pick(random, edges);
  }
}

// A line with random numbers (each "#") in its numeric fields: the option spins (names
// as the engine lists them), the clock and depth words of both protocols, console words.
std::string numberLine(std::mt19937& random, bool uci, const Lines& spinOptions) {
  static const char* const uciForms[] = {"go wtime # btime # winc # binc # movestogo #", "go depth #",
                                         "go movetime #", "go ponder wtime # btime # movestogo #"};
  static const char* const xboardForms[] = {"level # #:# #", "st #", "sd #", "time #", "otim #", "ping #"};
  std::string form;
  switch (random() % 8) {
    case 0:
      if (!spinOptions.empty()) {
        form = "setoption name " + pick(random, spinOptions) + " value #";
        break;
      }
      [[fallthrough]];
    case 1:
      return "fen " + std::string(pick(random, fenTexts));
    case 2:
      return random() % 2 ? "board" : "fen";
    case 3:
      return "perft " + std::string(random() % 2 ? "2" : "99999999999");
    default:
      form = uci ? pick(random, uciForms) : pick(random, xboardForms);
  }
  std::string line;
  for (char c : form) line += c == '#' ? randomNumber(random) : std::string(1, c);
  return line;
}

void sendGarbage(EngineProcess& engine, std::mt19937& random, bool uci, const Lines& spinOptions, int count) {
  for (int i = 0; i < count; ++i) {
    const std::string line = random() % 4 ? garbageLine(random, uci) : numberLine(random, uci, spinOptions);
    if (!isQuit(line)) engine.send(line);
  }
}

// Sends the console words that must be refused or harmless while a search runs ("si"
// and a deep perft would run for long when idle), then a burst of position commands,
// option changes and numbers, all arriving while searches start and stop.
void sendWhileSearching(EngineProcess& engine, std::mt19937& random, bool uci, const Lines& spinOptions) {
  engine.send("fen " + std::string(pick(random, fenTexts)));
  for (const char* word : {"si", "perft 6", "board", "fen", "chk e", "egtb", "uci", "xboard"}) engine.send(word);
  for (int i = 0; i < 40; ++i) {
    const int kind = static_cast<int>(random() % 3);
    if (kind < 2) {
      sendGarbage(engine, random, uci, spinOptions, 1);
    } else {
      engine.send(uci ? (random() % 2 ? "go infinite" : "position startpos moves d2d4 d7d5")
                      : (random() % 2 ? "analyze" : "setboard " + std::string(pick(random, fenTexts))));
    }
  }
}

TEST(Garbage, UciKeepsAnsweringAndPlayingLegally) {
  TempDirectory directory;
  EngineProcess engine{EngineLaunch(directory)};
  engine.send("uci");
  Lines identification;
  ASSERT_TRUE(engine.waitForLine("uciok", 20000, &identification));
  Lines spinOptions;  // the names of the spin options the engine lists
  for (const std::string& line : identification) {
    const std::size_t type = line.find(" type spin");
    if (line.rfind("option name ", 0) == 0 && type != std::string::npos) {
      spinOptions.push_back(line.substr(12, type - 12));
    }
  }
  ASSERT_FALSE(spinOptions.empty());
  std::mt19937 random(12345);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    sendGarbage(engine, random, true, spinOptions, 150);
    // Console words, options and positions while an analysis runs.
    engine.send("stop");
    engine.send("isready");
    ASSERT_TRUE(engine.waitForLine("readyok", 60000));
    engine.send("position startpos");
    engine.send("go infinite");
    sendWhileSearching(engine, random, true, spinOptions);
    // Settle whatever the garbage started, then play a real move.
    engine.send("stop");
    engine.send("setoption name Ponder value false");
    engine.send("isready");
    Lines answers;
    ASSERT_TRUE(engine.waitForLine("readyok", 60000, &answers));
    EXPECT_TRUE(has(answers, "fen: not available while a search runs"));
    EXPECT_TRUE(has(answers, "si: not available while a search runs"));
    EXPECT_TRUE(has(answers, "egtb: not available while a search runs"));
    engine.send("position startpos moves e2e4 c7c5 g1f3");
    engine.send("go depth 3");
    engine.send("isready");
    const auto best = engine.waitForLine("bestmove", 60000);
    ASSERT_TRUE(best.has_value());
    GameCheck game;
    for (const char* move : {"e2e4", "c7c5", "g1f3"}) ASSERT_TRUE(game.play(move));
    EXPECT_TRUE(game.isLegal(best->substr(9, best->find(' ', 9) - 9))) << *best;
    ASSERT_TRUE(engine.waitForLine("readyok", 60000));
  }
  engine.send("quit");
  EXPECT_EQ(engine.waitForExit(60000), 0);
}

TEST(Garbage, XboardKeepsAnsweringAndPlayingLegally) {
  TempDirectory directory;
  EngineProcess engine{EngineLaunch(directory)};
  engine.send("xboard");
  engine.send("protover 2");
  ASSERT_TRUE(engine.waitForLine("feature done=1"));
  // Ends analysis and starts a new game, then waits until the engine has read
  // everything sent before (its pong), so that older output is out of the way.
  const auto startFreshGame = [&engine](const std::string& tag) {
    engine.send("exit");
    engine.send("new");
    engine.send("ping " + tag);
    return engine.waitForLine("pong " + tag, 60000).has_value();
  };
  // xboard has no command that sets the spin options.
  std::mt19937 random(54321);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const std::string tag = std::to_string(round);
    engine.send("force");
    sendGarbage(engine, random, false, {}, 150);
    // Console words and positions while an analysis runs, then while the engine
    // thinks about its own move, which "?" asks for at once.
    ASSERT_TRUE(startFreshGame(tag + "a"));
    engine.send("analyze");
    sendWhileSearching(engine, random, false, {});
    ASSERT_TRUE(startFreshGame(tag + "b"));
    for (const char* command : {"level 0 1 0", "go", "board", "fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
                                "fen", "?"}) {
      engine.send(command);
    }
    Lines answers;
    ASSERT_TRUE(engine.waitForLine("move ", 60000, &answers));
    EXPECT_TRUE(has(answers, "fen: not available while a search runs"));
    ASSERT_TRUE(startFreshGame(tag + "c"));
    engine.send("sd 3");
    engine.send("d2d4");
    const auto reply = engine.waitForLine("move ", 60000);
    ASSERT_TRUE(reply.has_value());
    GameCheck game;
    ASSERT_TRUE(game.play("d2d4"));
    EXPECT_TRUE(game.isLegal(reply->substr(5))) << *reply;
  }
  engine.send("quit");
  EXPECT_EQ(engine.waitForExit(60000), 0);
}

}  // namespace

}  // namespace velt
