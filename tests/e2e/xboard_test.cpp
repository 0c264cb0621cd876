// The xboard protocol as a front end meets it, driven through the engine's pipes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/game_check.h"
#include "support/protocol_session.h"

namespace velt {

namespace {

// The feature lines.
const Lines featureLines = {
    "feature ping=1 setboard=1 san=0 time=1 draw=0",
    "feature sigint=0 sigterm=0 reuse=1 analyze=1",
    "feature myname=\"Velt 4.6\" name=1",
    "feature playother=1 colors=0",
    "feature variants=\"normal,fischerandom\"",
    "feature memory=1 smp=1",
    "feature egt=\"syzygy\"",
    "feature done=1",
};

TEST(Xboard, FeatureLinesAfterTheMemoryReport) {
  TempDirectory directory;
  EngineProcess engine{EngineLaunch(directory)};
  engine.send("xboard");
  engine.send("quit");
  const Lines lines = engine.readAll();
  ASSERT_GE(lines.size(), 3u + 1 + 9 + 7);
  EXPECT_EQ(lines[3], "feature done=0");
  EXPECT_EQ(lines[4], "Memory Usage:");
  EXPECT_EQ(lines[9], "EGTB Status: Not found");
  EXPECT_EQ(Lines(lines.end() - static_cast<long>(featureLines.size()), lines.end()), featureLines);
}

// Commands in force mode, one engine session after another: the lines before the pong.
TEST(Xboard, ForceModeSessions) {
  const std::vector<std::pair<Lines, Lines>> sessions = {
      // Illegal moves change nothing.
      {{"e2e5", "e2e4", "e7e5", "e1e2", "e4e5", "board"},
       {"Illegal move: e2e5", "Illegal move: e4e5", "r n b q k b n r", "p p p p . p p p", ". . . . . . . .",
        ". . . . p . . .", ". . . . P . . .", ". . . . . . . .", "P P P P K P P P", "R N B Q . B N R"}},
      // A user move that ends the game gets its result line (each ending: GameEnd.ResultLines).
      {{"f2f3", "e7e5", "g2g4", "d8h4"}, {"0-1 {Black wins}"}},
      // Chess960 castling from the front end: as text and as the king taking its rook.
      {{"variant crazyhouse", "variant fischerandom", "setboard 1r2k2r/8/8/8/8/8/8/R2K3R w HAhb - 0 1", "force",
        "O-O-O", "e8h8", "fen"},
       {"Error (unsupported variant): crazyhouse", "1r3rk1/8/8/8/8/8/8/2KR3R w - - 0 2"}},
      // At ply 1 "remove" takes back only one ply; "setboard" starts a new game.
      {{"e2e4", "remove", "d2d4", "d7d5", "undo", "setboard 8/8/8/4k3/8/8/4P3/4K3 b - - 5 40", "e5e4", "board"},
       {". . . . . . . .", ". . . . . . . .", ". . . . . . . .", ". . . . . . . .", ". . . . k . . .",
        ". . . . . . . .", ". . . . P . . .", ". . . . K . . ."}},
  };
  for (const auto& [commands, expected] : sessions) {
    XboardEngine xboard;
    xboard.engine.send("new");
    xboard.engine.send("force");
    for (const std::string& command : commands) xboard.engine.send(command);
    EXPECT_EQ(xboard.sync(), expected) << commands[0];
  }
}

TEST(Xboard, EngineMatesAsWhite) {
  XboardEngine xboard;
  xboard.engine.send("setboard 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
  xboard.engine.send("sd 4");
  xboard.engine.send("go");
  EXPECT_EQ(xboard.engineMove(), "Ra8+");  // the record turns it into Ra8# afterwards
  EXPECT_EQ(xboard.engine.readLine(), "1-0 {Computer wins}");
}

// A ping on the engine's turn is answered once the engine has moved.
TEST(Xboard, PingOnTheEnginesTurnFollowsItsMove) {
  XboardEngine xboard;
  xboard.engine.send("new");
  xboard.engine.send("sd 4");
  xboard.engine.send("e2e4");
  const Lines lines = xboard.sync(5);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("move ", 0), 0u) << lines.back();
}

// During an analysis a ping is answered also behind a line that waits for the
// search's end (which an analysis never reaches by itself), and the analysis goes on.
TEST(Xboard, PingDuringAnalysisBehindAWaitingLine) {
  XboardEngine xboard;
  xboard.engine.send("force");
  xboard.engine.send("post");
  xboard.engine.send("analyze");
  xboard.engine.send("hard");
  xboard.sync(6);
  // A thinking line, which starts with the depth, follows.
  std::optional<std::string> line;
  int depth = 0;
  while ((line = xboard.engine.readLine(60000)) && std::sscanf(line->c_str(), "%d", &depth) != 1) {
  }
  EXPECT_TRUE(line.has_value());
  xboard.engine.send("exit");
  xboard.sync(7);
}

// The move of the only "Hint:" line, "" when there is none (a second one fails).
std::string hintOf(const Lines& lines) {
  std::string move;
  for (const std::string& line : lines) {
    if (line.rfind("Hint: ", 0) != 0) continue;
    EXPECT_EQ(move, "") << "a second hint: " << line;
    move = line.substr(6);
  }
  return move;
}

// The words front ends send beyond the classic ones: each case goes to a fresh engine,
// and its output up to the pong of a ping after its commands is checked. A command
// after "go" waits for the engine's move, one after a ping for its pong. "hint" names
// a move of the side to move, from the running search's principal variation or the
// last one's; nothing when no search has looked at the position.
struct XboardWordCase {
  const char* name;
  Lines commands;
  void (*check)(const Lines& output);
};

const XboardWordCase xboardWordCases[] = {
    {"memory sets the table size and cores the threads",
     {"memory 16", "cores 2", "xboard"},
     [](const Lines& output) {
       EXPECT_TRUE(has(output, "    Transposition Table: 16384 KB"));
       EXPECT_TRUE(has(output, "Threads: 2"));
     }},
    {"unusable numbers change nothing",
     {"memory lots", "cores -", "xboard"},
     [](const Lines& output) {
       EXPECT_TRUE(has(output, "Error (bad number): memory lots"));
       EXPECT_TRUE(has(output, "Error (bad number): cores -"));
       EXPECT_TRUE(has(output, "    Transposition Table: 65536 KB"));
       EXPECT_TRUE(has(output, "Threads: 1"));
     }},
    {"no hint before any search", {"new", "hint"}, [](const Lines& output) { EXPECT_EQ(output, Lines{}); }},
    {"a hint for black once the analysis has gone on after e2e4",
     {"new", "analyze", "e2e4", "ping 7", "hint"},
     [](const Lines& output) {
       GameCheck game;
       ASSERT_TRUE(game.play("e2e4"));
       EXPECT_TRUE(game.isLegal(hintOf(output))) << hintOf(output);
     }},
    {"a hint from the last analysis after it ended; the analysis played no move, the game goes on",
     {"new", "post", "analyze", "e2e4", ".", "ping 7", "exit", "hint", "sd 3", "go"},
     [](const Lines& output) {
       GameCheck game;
       ASSERT_TRUE(game.play("e2e4"));
       EXPECT_TRUE(game.isLegal(hintOf(output))) << hintOf(output);
       const auto isMove = [](const std::string& line) { return line.rfind("move ", 0) == 0; };
       ASSERT_EQ(std::count_if(output.begin(), output.end(), isMove), 1);  // the answer to "go" only
       const std::string move = std::find_if(output.begin(), output.end(), isMove)->substr(5);
       EXPECT_TRUE(game.isLegal(move)) << move;
     }},
    {"a hint of the user's expected reply after the engine's move",
     {"new", "sd 5", "go", "hint"},
     [](const Lines& output) {
       GameCheck game;
       for (const std::string& line : output) {
         if (line.rfind("move ", 0) == 0) {
           ASSERT_TRUE(game.play(line.substr(5))) << line;
         }
       }
       EXPECT_TRUE(game.isLegal(hintOf(output))) << hintOf(output);
     }},
};

TEST(Xboard, WordsOfFrontEnds) {
  for (const XboardWordCase& entry : xboardWordCases) {
    SCOPED_TRACE(entry.name);
    XboardEngine xboard;
    Lines output;  // the lines read are appended
    for (const std::string& command : entry.commands) {
      xboard.engine.send(command);
      // The next command waits for the engine's move, or for the pong.
      const std::string awaited = command == "go" ? "move " : command.rfind("ping ", 0) == 0 ? "pong " : "";
      if (awaited.empty()) continue;
      const auto line = xboard.engine.waitForLine(awaited, 60000, &output);
      ASSERT_TRUE(line.has_value()) << command;
      output.push_back(*line);
    }
    const Lines rest = xboard.sync(99);
    output.insert(output.end(), rest.begin(), rest.end());
    entry.check(output);
  }
}

}  // namespace

}  // namespace velt
