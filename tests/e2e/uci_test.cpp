// The UCI protocol as a front end meets it, driven through the engine's pipes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/game_check.h"
#include "support/protocol_session.h"

namespace velt {

namespace {

const Lines uciAnswer = {
    "id name Velt 4.6",
    "id author Orvane",
    "option name Hash type spin default 64 min 1 max 1024",
    "option name NalimovPath type string default ",
    "option name NalimovCache type spin default 1 min 1 max 128",
    "option name SyzygyPath type string default <empty>",
    "option name SyzygyProbeDepth type spin default 1 min 1 max 100",
    "option name SyzygyProbeLimit type spin default 7 min 0 max 7",
    "option name Syzygy50MoveRule type check default true",
    "option name MaxThreads type spin default 1 min 1 max 16",
    "option name Threads type spin default 1 min 1 max 16",
    "option name MultiPV type spin default 1 min 1 max 5",
    "option name UCI_Opponent type string",
    "option name Ponder type check default false",
    "option name CanResign type check default false",
    "option name OwnBook type check default true",
    "option name UCI_Chess960 type check default false",
    "option name EnableBookLearning type check default false",
    "option name BookPath type string default VeltBook.bin",
    "option name PreserveHash type check default false",
    "option name UCI_ShowWDL type check default false",
    "option name Clear Hash type button",
    "option name SaveAnalysisFile type string default ",
    "option name SaveAnalysisMinDepth type spin default 0 min 0 max 32",
    "option name Delete Analysis File type button",
    "option name PruningLevel type spin default 0 min -1000 max 100",
    "option name DrawContemptScore type spin default 0 min -100 max 100",
    "option name MinEgtbDepth type spin default 3 min 2 max 100",
    "option name MaterialImportance type spin default 0 min -100 max 100",
    "option name Minor_vs_Pawns_Score type spin default 0 min -100 max 100",
    "option name Rook_vs_Pawns_Score type spin default 0 min -100 max 100",
    "option name Rook_vs_Minor_Score type spin default 0 min -30 max 30",
    "option name TwoMinors_vs_Rook_Score type spin default 0 min -100 max 100",
    "option name ThreeMinors_vs_Queen_Score type spin default 0 min -100 max 100",
    "option name TwoRooks_vs_Queen_Score type spin default 0 min -60 max 60",
    "uciok",
};

TEST(Uci, IdentificationAfterBannerAndMemoryReport) {
  TempDirectory directory;
  EngineLaunch launch;
  launch.workingDirectory = directory.path();
  EngineProcess engine(launch);
  engine.send("uci");
  engine.send("quit");
  const Lines lines = engine.readAll();
  const Lines expected = [] {
    Lines head = {"Memory Usage:", "    Transposition Table: 65536 KB", "    Pawn Hash          : 1536 KB",
                  "    Endgame Tablebase  : 0 MB", "", "EGTB Status: Not set yet by UCI", "",
                  "Syzygy: none loaded", "",
                  "Threads: 1", ""};
    head.insert(head.end(), uciAnswer.begin(), uciAnswer.end());
    return head;
  }();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Velt 4.6");
  EXPECT_EQ(Lines(lines.begin() + 3, lines.end()), expected);
  EXPECT_EQ(engine.waitForExit(), 0);
}

// "isready" is answered during the search, also behind a line that waits for its end.
TEST(Uci, InfiniteRunsUntilStop) {
  UciEngine uci;
  uci.engine.send("position startpos");
  uci.engine.send("go infinite");
  uci.engine.send("setoption name MultiPV value 2");
  uci.engine.send("isready");
  Lines before;
  ASSERT_TRUE(uci.engine.waitForLine("readyok", 20000, &before));
  for (const std::string& line : before) EXPECT_NE(line.rfind("bestmove", 0), 0u) << line;
  uci.engine.send("stop");
  GameCheck game;
  EXPECT_TRUE(game.isLegal(uci.bestMove()));
}

// "searchmoves" limits the root to its moves, before or after the other parameters.
TEST(Uci, SearchMovesWhereverTheyStand) {
  UciEngine uci;
  for (const char* go : {"go depth 4 searchmoves a7a6 h7h6", "go searchmoves a7a6 h7h6 depth 4"}) {
    uci.engine.send("position startpos moves e2e4");
    uci.engine.send(go);
    const std::string move = uci.bestMove();
    EXPECT_TRUE(move == "a7a6" || move == "h7h6") << go << ": " << move;
  }
}

// With UCI_Chess960 castling is read and written as the king taking its own rook,
// the king already on its castling square included.
TEST(Uci, Chess960CastlingAsKingTakingRook) {
  UciEngine uci;
  uci.engine.send("setoption name UCI_Chess960 value true");
  uci.engine.send("position fen 1r2k2r/8/8/8/8/8/8/R2K3R w HAhb - 0 1 moves d1a1 e8h8");
  uci.engine.send("fen");
  EXPECT_TRUE(uci.engine.waitForLine("1r3rk1/8/8/8/8/8/8/2KR3R w - - 0 2"));
  const std::string kingOnItsSquare = "position fen r5kr/8/8/8/8/8/8/R5KR w HAha - 0 1";
  uci.engine.send(kingOnItsSquare);
  uci.engine.send("perft 1");
  EXPECT_TRUE(uci.engine.waitForLine("g1h1: 1"));
  uci.engine.send("go depth 3 searchmoves g1h1");
  EXPECT_EQ(uci.bestMove(), "g1h1");
  uci.engine.send(kingOnItsSquare + " moves g1h1 g8h8");
  uci.engine.send("fen");
  EXPECT_TRUE(uci.engine.waitForLine("r4rk1/8/8/8/8/8/8/R4RK1 w - - 0 2"));
}

// A clearly won analysis goes on deepening (in the decided-position search) instead of
// stopping at the hand-over and waiting idle for "stop"; its time and node counts go on
// from those of the search before the hand-over.
TEST(Uci, DecidedAnalysisKeepsDeepening) {
  const char* fen = "5Q2/8/8/3k4/8/8/8/6K1 w - - 0 1";
  UciEngine uci;
  uci.engine.send(std::string("position fen ") + fen);
  uci.engine.send("go infinite");
  Lines lines;
  EXPECT_TRUE(uci.engine.waitForLine("info depth 10 ", 120000, &lines));
  unsigned lastMs = 0;
  unsigned long long lastNodes = 0;
  for (const std::string& line : lines) {
    const std::size_t at = line.find(" time ");
    if (line.rfind("info score", 0) != 0 || at == std::string::npos) continue;
    unsigned timeMs = 0;
    unsigned long long nodes = 0;
    ASSERT_EQ(std::sscanf(line.c_str() + at, " time %u nodes %llu", &timeMs, &nodes), 2) << line;
    EXPECT_GE(timeMs, lastMs) << line;
    EXPECT_GE(nodes, lastNodes) << line;
    lastMs = timeMs;
    lastNodes = nodes;
  }
  uci.engine.send("stop");
  GameCheck game(fen);
  EXPECT_TRUE(game.isLegal(uci.bestMove()));
}

TEST(Uci, StalemateAnswer) {
  UciEngine uci;
  uci.engine.send("position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
  uci.engine.send("isready");
  ASSERT_TRUE(uci.engine.waitForLine("readyok"));
  uci.engine.send("go depth 5");
  EXPECT_EQ(uci.engine.readLine(), "ERROR (no legal moves): think");
  EXPECT_EQ(uci.engine.readLine(), "bestmove 0000");
  EXPECT_EQ(uci.engine.readLine(), "1/2-1/2 {Stalemate}");
}

TEST(Uci, PonderOnAStalemateAnswersAtOnceAndKeepsTheGame) {
  UciEngine uci;
  uci.engine.send("position fen 7k/8/6K1/8/8/8/8/5Q2 w - - 0 1 moves f1f7");
  uci.engine.send("go ponder");
  EXPECT_EQ(uci.engine.waitForLine("bestmove", 5000), "bestmove 0000");
  uci.engine.send("fen");
  EXPECT_EQ(uci.engine.waitForLine("7k/"), "7k/5Q2/6K1/8/8/8/8/8 b - - 1 1");
}

TEST(Uci, MaximumNumberOfMoves) {
  UciEngine uci;
  // 736 plies of knights going back and forth.
  const char* cycle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  std::string position = "position startpos moves";
  for (int ply = 0; ply < 736; ++ply) position += std::string(" ") + cycle[ply % 4];
  uci.engine.send(position);
  uci.engine.send("go depth 2");
  uci.engine.send("isready");
  Lines before;
  ASSERT_TRUE(uci.engine.waitForLine("readyok", 20000, &before));
  int errors = 0;
  for (const std::string& line : before) {
    errors += line == "ERROR (maximum number of moves reached): main";
    EXPECT_NE(line.rfind("bestmove", 0), 0u) << line;
  }
  EXPECT_EQ(errors, 1);
  // One ply less and the engine thinks.
  position.resize(position.size() - 5);
  uci.engine.send(position);
  uci.engine.send("go depth 2");
  GameCheck game;
  for (int ply = 0; ply < 735; ++ply) ASSERT_TRUE(game.play(cycle[ply % 4]));
  EXPECT_TRUE(game.isLegal(uci.bestMove()));
}

TEST(Uci, OptionsAndDebugLog) {
  UciEngine uci;
  uci.engine.send("setoption name Hash value 16");
  uci.engine.send("setoption name Ponder value true");
  uci.engine.send("setoption name CanResign value TRUE");
  uci.engine.send("setoption name Minor_vs_Pawns_Score value 7");
  uci.engine.send("setoption name BookPath value");
  uci.engine.send("setoption name NalimovPath value /tb/a b");
  uci.engine.send("setoption name No Such Option value 3");
  uci.engine.send("setoption name Clear Hash");
  uci.engine.send("setoption");
  uci.engine.send("uci");
  Lines lines;
  ASSERT_TRUE(uci.engine.waitForLine("uciok", 20000, &lines));
  auto has = [&](const std::string& wanted) { return std::find(lines.begin(), lines.end(), wanted) != lines.end(); };
  EXPECT_TRUE(has("    Transposition Table: 16384 KB"));
  EXPECT_TRUE(has("option name Hash type spin default 16 min 1 max 1024"));
  EXPECT_TRUE(has("option name Ponder type check default true"));
  EXPECT_TRUE(has("option name CanResign type check default true"));
  EXPECT_TRUE(has("option name Minor_vs_Pawns_Score type spin default 7 min -100 max 100"));
  EXPECT_TRUE(has("option name BookPath type string default VeltBook.bin"));
  EXPECT_TRUE(has("option name NalimovPath type string default /tb/a"));
  uci.engine.send("debug on");
  uci.engine.send("isready");
  EXPECT_TRUE(uci.engine.waitForLine("readyok"));
  uci.engine.send("debug off");
  uci.engine.send("isready");
  Lines logged;
  ASSERT_TRUE(uci.engine.waitForLine("readyok", 20000, &logged));
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find(") < debug off"), std::string::npos) << logged[0];
}

TEST(Uci, PonderMoveOnlyWithPonderOn) {
  UciEngine uci;
  uci.engine.send("position startpos moves e2e4 e7e5");
  uci.engine.send("go depth 6");
  std::string ponder;
  uci.bestMove(nullptr, &ponder);
  EXPECT_EQ(ponder, "");
  uci.engine.send("setoption name Ponder value true");
  uci.engine.send("position startpos moves e2e4 e7e5");
  uci.engine.send("go depth 6");
  const std::string move = uci.bestMove(nullptr, &ponder);
  GameCheck game;
  for (const char* played : {"e2e4", "e7e5"}) ASSERT_TRUE(game.play(played));
  ASSERT_TRUE(game.play(move));
  EXPECT_TRUE(game.isLegal(ponder)) << ponder;
}

bool isScoreLine(const std::string& line) { return line.rfind("info ", 0) == 0 && line.find(" score ") != std::string::npos; }

// The node count of the last line with a principal variation.
long long lastPvNodes(const Lines& lines) {
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (isScoreLine(*line)) return figure(*line, "nodes");
  }
  return -1;
}

// A ponder miss continues the game: the expected reply goes back, and the search after
// the reply actually played still finds the positions the engine searched before, so
// it reaches its depth in a fraction of the nodes an engine with empty tables needs.
TEST(Uci, PonderMissKeepsTheGameAndItsTables) {
  const std::string opening = "position startpos moves e2e4 e7e5 g1f3";
  // The first search reaches past the depth of the one after the miss, so that the
  // positions of its principal variation are in the table deep enough.
  constexpr const char* depth = "go depth 8";
  UciEngine pondering;
  pondering.engine.send("setoption name Ponder value true");
  pondering.engine.send(opening);
  pondering.engine.send("go depth 11");
  std::string predicted;
  const std::string reply = pondering.bestMove(nullptr, &predicted);
  ASSERT_FALSE(predicted.empty());
  const std::string game = opening + " " + reply;
  pondering.engine.send(game + (predicted == "d2d4" ? " b1c3" : " d2d4"));
  pondering.engine.send("go ponder wtime 60000 btime 60000");
  pondering.engine.send("stop");
  pondering.bestMove();
  pondering.engine.send("fen");
  GameCheck board;
  for (const char* move : {"e2e4", "e7e5", "g1f3"}) ASSERT_TRUE(board.play(move));
  ASSERT_TRUE(board.play(reply));
  const std::string fen = board.fen();
  EXPECT_EQ(pondering.engine.waitForLine(fen.substr(0, fen.find(' '))), fen);

  // The opponent plays the reply the first search predicted after all.
  pondering.engine.send(game + " " + predicted);
  pondering.engine.send(depth);
  Lines afterMiss;
  pondering.bestMove(&afterMiss);
  UciEngine fresh;
  fresh.engine.send(game + " " + predicted);
  fresh.engine.send(depth);
  Lines fromEmptyTables;
  fresh.bestMove(&fromEmptyTables);
  EXPECT_LT(4 * lastPvNodes(afterMiss), lastPvNodes(fromEmptyTables));
}

// The nodes of the line that a node-limited search ends with.
long long finalNodes(const Lines& lines) {
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (line->rfind("info time ", 0) == 0) return figure(*line, "nodes");
  }
  return -1;
}

// The bestmove lines of the output, in order.
Lines bestMoves(const Lines& lines) {
  Lines moves;
  for (const std::string& line : lines) {
    if (line.rfind("bestmove ", 0) == 0) moves.push_back(line);
  }
  return moves;
}

constexpr long long NODE_LIMIT = 20000;
constexpr long long POLL_INTERVAL = 1024;
constexpr const char* MATE_IN_THREE = "position fen k7/8/8/3K4/8/8/8/7R w - - 0 1";

// The words front ends and testing frameworks send beyond the classic ones: each case
// goes to a fresh engine; after a "go" that searches the next command waits for its
// "bestmove". The output up to the "readyok" after the last command is checked.
struct UciWordCase {
  const char* name;
  Lines commands;
  void (*check)(const Lines& output);
  bool searches = true;  // its "go" commands start searches
};

const UciWordCase uciWordCases[] = {
    {"Threads and MaxThreads are one option under two names; Threads is clamped and checked",
     {"setoption name Threads value 99", "uci", "setoption name MaxThreads value 3", "setoption name Threads value x",
      "uci"},
     [](const Lines& output) {
       EXPECT_TRUE(has(output, "Threads: 16"));
       EXPECT_TRUE(has(output, "option name MaxThreads type spin default 16 min 1 max 16"));
       EXPECT_TRUE(has(output, "Illegal value for Threads: x"));
       EXPECT_TRUE(has(output, "option name Threads type spin default 3 min 1 max 16"));
     }},
    {"debug on: a search with helpers ends with the parallel counters, a wait for each thread",
     {"setoption name Threads value 2", "debug on", "position startpos", "go depth 9"},
     [](const Lines& output) {
       const auto line = std::find_if(output.begin(), output.end(), [](const std::string& text) {
         return text.rfind("info string parallel splits ", 0) == 0;
       });
       ASSERT_NE(line, output.end());
       EXPECT_LT(line - output.begin(), std::find(output.begin(), output.end(), bestMoves(output).front()) - output.begin());
       std::istringstream text(*line);
       const Lines words{std::istream_iterator<std::string>(text), std::istream_iterator<std::string>()};
       const auto splits = std::find(words.begin(), words.end(), "splits");
       ASSERT_LT(splits + 1, words.end());
       EXPECT_GT(std::stoll(*(splits + 1)), 0);
       const auto waits = std::find(words.begin(), words.end(), "wait_ms");
       EXPECT_EQ(words.end() - waits, 3);  // the word and one figure for each of the two threads
     }},
    {"go nodes stops within a poll of the limit; a bare go after a new game repeats it exactly",
     {"position startpos", "go nodes 20000", "ucinewgame", "position startpos", "go"},
     [](const Lines& output) {
       const auto second = std::find(output.begin(), output.end(), bestMoves(output).front());
       const Lines first(output.begin(), second + 1), again(second + 1, output.end());
       const long long nodes = finalNodes(first);
       EXPECT_GE(nodes, NODE_LIMIT);
       EXPECT_LE(nodes, NODE_LIMIT + POLL_INTERVAL);
       EXPECT_EQ(finalNodes(again), nodes);
       ASSERT_EQ(bestMoves(output).size(), 2u);
       EXPECT_EQ(bestMoves(output)[0], bestMoves(output)[1]);
       GameCheck game;
       EXPECT_TRUE(game.isLegal(bestMoves(output)[0].substr(9)));
     }},
    {"go nodes with a depth limit: the first reached ends the search",
     {"position startpos moves e2e4", "go depth 4 nodes 100000000"},
     [](const Lines& output) {
       long long deepest = 0;
       for (const std::string& line : output) {
         if (isScoreLine(line)) deepest = std::max(deepest, figure(line, "depth"));
       }
       EXPECT_EQ(deepest, 4);
       EXPECT_LT(finalNodes(output), 100000000);
       EXPECT_EQ(bestMoves(output).size(), 1u);
     }},
    {"go mate stops at the iteration that proves the mate",
     {MATE_IN_THREE, "go mate 3"},
     [](const Lines& output) {
       Lines scores;
       for (const std::string& line : output) {
         if (isScoreLine(line)) scores.push_back(line);
       }
       ASSERT_FALSE(scores.empty());
       EXPECT_NE(scores.back().find("score mate 3 "), std::string::npos) << scores.back();
       const auto proof = std::find_if(scores.begin(), scores.end(),
                                       [](const std::string& line) { return line.find("score mate 3 ") != std::string::npos; });
       EXPECT_EQ(figure(scores.back(), "depth"), figure(*proof, "depth"));  // no further iteration
       ASSERT_EQ(bestMoves(output).size(), 1u);
       EXPECT_TRUE(GameCheck(std::string(MATE_IN_THREE).substr(13)).isLegal(bestMoves(output)[0].substr(9)));
     }},
    {"go mate asking for a shorter mate runs to its other limits",
     {MATE_IN_THREE, "go mate 2 depth 14"},
     [](const Lines& output) {
       long long deepest = 0;
       for (const std::string& line : output) {
         if (isScoreLine(line)) deepest = std::max(deepest, figure(line, "depth"));
       }
       EXPECT_EQ(deepest, 14);
     }},
    {"unusable limits are refused and start no search",
     {"position startpos", "go nodes many", "go mate 0", "go nodes"},
     [](const Lines& output) {
       EXPECT_EQ(output, (Lines{"Illegal value for nodes: many", "Illegal value for mate: 0", "Illegal value for nodes: "}));
     },
     false},
    {"a position line that breaks off is carried out as far as it goes and says where it broke",
     {"position startpos moves e2e4 e2e4 e7e5", "fen", "position startpos moves g1f3 zzz g8f6", "fen",
      "position bogus moves e2e4", "fen", "position startpos d2d4 d7d5", "fen"},
     [](const Lines& output) {
       EXPECT_EQ(output, (Lines{"info string Illegal move: e2e4 (the list ends before it)",
                                "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1",
                                "info string Not a move: zzz (the list ends before it)",
                                "rnbqkbnr/pppppppp/8/8/8/5N2/PPPPPPPP/RNBQKB1R b KQkq - 1 1",
                                "info string Neither startpos nor fen: bogus (the initial position is set up)",
                                "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1",
                                "info string Not \"moves\": d2d4 (skipped)",
                                "info string Illegal move: d7d5 (the list ends before it)",
                                "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"}));
     },
     false},
    {"UCI_ShowWDL adds the result chances to every score",
     {"setoption name UCI_ShowWDL value true", "position startpos moves e2e4", "go depth 6", MATE_IN_THREE,
      "go depth 14", "setoption name UCI_ShowWDL value false", "position startpos", "go depth 4"},
     [](const Lines& output) {
       int shown = 0, bare = 0;
       for (const std::string& line : output) {
         if (!isScoreLine(line)) continue;
         const std::size_t at = line.find(" wdl ");
         if (at == std::string::npos) {
           ++bare;
           continue;
         }
         ++shown;
         int win = -1, draw = -1, loss = -1;
         ASSERT_EQ(std::sscanf(line.c_str() + at, " wdl %d %d %d", &win, &draw, &loss), 3) << line;
         EXPECT_TRUE(win >= 0 && draw >= 0 && loss >= 0) << line;
         EXPECT_EQ(win + draw + loss, 1000) << line;
         // The side ahead is the likelier winner; a mate is a certain win.
         int centipawns = 0;
         if (std::sscanf(line.c_str() + line.find(" score "), " score cp %d", &centipawns) == 1) {
           EXPECT_TRUE(centipawns > 0 ? win >= loss : centipawns < 0 ? win <= loss : win == loss) << line;
         } else {
           EXPECT_EQ(win, 1000) << line;
         }
       }
       EXPECT_GT(shown, 0);
       EXPECT_GT(bare, 0);  // off again for the last search
       EXPECT_EQ(bestMoves(output).size(), 3u);
     }},
};

TEST(Uci, WordsOfFrontEndsAndTestingFrameworks) {
  for (const UciWordCase& entry : uciWordCases) {
    SCOPED_TRACE(entry.name);
    UciEngine uci;
    Lines output;  // the lines read are appended
    for (const std::string& command : entry.commands) {
      uci.engine.send(command);
      if (!entry.searches || (command != "go" && command.rfind("go ", 0) != 0)) continue;
      const auto bestMove = uci.engine.waitForLine("bestmove", 60000, &output);
      ASSERT_TRUE(bestMove.has_value()) << command;
      output.push_back(*bestMove);
    }
    uci.engine.send("isready");
    ASSERT_TRUE(uci.engine.waitForLine("readyok", 60000, &output));
    entry.check(output);
  }
}

}  // namespace

}  // namespace velt
