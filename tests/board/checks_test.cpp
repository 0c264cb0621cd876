#include "board/checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "board/bitboard.h"
#include "board/movegen.h"
#include "board/see.h"
#include "search/worker.h"
#include "support/brute_board.h"
#include "support/board_setup.h"

namespace velt {

namespace {

std::vector<Move> listed(const Position& pos) {
  std::vector<Move> moves;
  for (int i = pos.listStart[pos.ply]; i < pos.listStart[pos.ply + 1]; ++i) moves.push_back(pos.moveList[i].move);
  return moves;
}

bool contains(const std::vector<Move>& moves, Move move) {
  return std::find(moves.begin(), moves.end(), move) != moves.end();
}

// On random positions both generators list only real checks among the pseudo-legal
// moves, the restricted one each knight move once; which checks they must list is
// shown by the named cases below.
TEST(GenerateChecks, ListOnlyChecks) {
  std::mt19937 rng(7001);
  int checks = 0, handedIn = 0;
  for (int round = 0; round < 300; ++round) {
    std::string fen = randomFen(rng, 8 + static_cast<int>(rng() % 14));
    Worker& pos = setUp(fen);
    BruteBoard b = bruteFromPosition(pos);
    Bitboard extraTargets = pos.colourBB[pos.xside] & (static_cast<Bitboard>(rng()) << 32 | rng());
    // The pseudo-legal moves of the full generator (held against perft's by the
    // make-move walk); two of their captures are handed in.
    pos.listStart[0] = 0;
    generateAllMoves(pos);
    const std::vector<Move> pseudo = listed(pos);
    std::vector<Move> captures;
    for (Move m : pseudo)
      if ((m & FLAG_CAPTURE) && !(m & FLAG_PROMOTION)) captures.push_back(m);
    Move captureA = captures.empty() ? MOVE_NONE : captures[rng() % captures.size()];
    Move captureB = captures.size() < 2 ? MOVE_NONE : captures[rng() % captures.size()];
    auto isCandidate = [&](Move m) {
      return contains(pseudo, m) && (!(m & FLAG_CAPTURE) || ((extraTargets >> moveTo(m)) & 1));
    };
    auto expectChecks = [&](const std::vector<Move>& moves, bool restricted) {
      for (Move m : moves) {
        if (!restricted && (m == captureA || m == captureB)) {
          ++handedIn;
          continue;
        }
        ++checks;
        EXPECT_TRUE(isCandidate(m) && bruteInCheck(bruteAfterMove(b, m), pos.xside))
            << fen << (restricted ? " restricted" : "") << " lists " << moveFrom(m) << "-" << moveTo(m);
        if (restricted && typeOfCode(pos.board[moveFrom(m)]) == KNIGHT) {
          EXPECT_EQ(std::count(moves.begin(), moves.end(), m), 1) << fen;
        }
      }
    };
    generateChecks(pos, extraTargets, captureA, captureB);
    expectChecks(listed(pos), false);
    generateChecksRestricted(pos, extraTargets, static_cast<Bitboard>(rng()) << 32 | rng());
    expectChecks(listed(pos), true);
  }
  EXPECT_GT(checks, 500);
  EXPECT_GT(handedIn, 0);
}

// Named cases of both generators: the moves (from and to squares) listed and left out.
// Targets: the enemy men the caller lets captures aim at; zone: the king's covered
// flight squares, for the restricted generator.
TEST(GenerateChecks, NamedCases) {
  struct Case {
    const char* fen;
    bool restricted, enemyTargets;
    Bitboard zone;
    std::vector<const char*> listed, missing;
  };
  const Case cases[] = {
      // Knight checks pass the exchange test; discovered checks need none.
      {"6k1/8/8/3N4/8/8/8/4K3 w - -", false, false, 0, {"d5e7", "d5f6"}, {}},
      {"6k1/6p1/8/3N4/8/8/8/4K3 w - -", false, false, 0, {"d5e7"}, {"d5f6"}},
      {"8/8/5pk1/8/8/3N4/8/KB6 w - -", false, false, 0,
       {"d3b2", "d3b4", "d3c1", "d3c5", "d3e1", "d3e5", "d3f2", "d3f4"}, {}},
      // A pawn on the rook's file uncovers check only by taking, and only listed targets.
      {"4k3/8/8/3n1b2/4P3/8/8/K3R3 w - -", false, true, 0, {"e4d5", "e4f5"}, {"e4e5"}},
      // Pawn checks: guarded pushes and double steps, none the king can take.
      {"8/8/8/4k3/8/2PP1PP1/8/K7 w - -", false, false, 0, {"d3d4", "f3f4"}, {}},
      {"8/8/8/4k3/8/3P1P2/8/K7 w - -", false, false, 0, {}, {"d3d4", "f3f4"}},
      {"8/8/4k3/3r1n2/2P3P1/8/8/K7 w - -", false, true, 0, {"c4d5", "g4f5"}, {}},
      // Discoveries: a king stepping off the line onto an unguarded square, a bishop
      // leaving a rook's file, a rook leaving a bishop's diagonal.
      {"3rk3/8/8/8/4K3/8/8/4R3 w - -", false, false, 0, {"e4f4", "e4f5"}, {"e4d4", "e4e5", "e4e3"}},
      {"4k3/8/8/8/4B3/8/8/K3R3 w - -", false, false, 0, {"e4d5", "e4b1", "e4h7"}, {}},
      {"8/7k/8/8/4R3/8/8/KB6 w - -", false, false, 0, {"e4a4", "e4e8", "e4e1"}, {}},
      // A guarded double step checks.
      {"8/8/8/3k4/8/5P2/4P3/K7 w - -", false, false, 0, {"e2e4"}, {}},
      // Queen checks along both kinds of line.
      {"7k/8/8/8/8/8/8/K2Q4 w - -", false, false, 0, {"d1d4", "d1h5", "d1d8"}, {}},
      // Restricted: a knight check needs a fork or a boxed king, a push a reason.
      {"6k1/8/8/3N3r/8/8/8/4K3 w - -", true, false, 0, {"d5f6"}, {"d5e7"}},
      {"6k1/8/8/3N3r/8/8/8/4K3 w - -", true, false, kingAttacks[62], {"d5e7"}, {}},
      {"8/8/8/3k1n2/8/4PP2/8/K7 w - -", true, false, 0, {"e3e4"}, {}},
      {"8/8/8/3k4/8/4PP2/8/K7 w - -", true, false, 0, {}, {"e3e4"}},
  };
  for (const Case& c : cases) {
    Worker& pos = setUp(c.fen);
    const Bitboard targets = c.enemyTargets ? pos.colourBB[pos.xside] : 0;
    if (c.restricted) {
      generateChecksRestricted(pos, targets, c.zone);
    } else {
      generateChecks(pos, targets, MOVE_NONE, MOVE_NONE);
    }
    const std::vector<Move> moves = listed(pos);
    for (Move m : moves) {
      if (typeOfCode(pos.board[moveFrom(m)]) == QUEEN) {
        EXPECT_EQ(std::count(moves.begin(), moves.end(), m), 1) << c.fen;
      }
    }
    auto has = [&](const char* text) {
      return std::any_of(moves.begin(), moves.end(),
                         [&](Move m) { return moveFrom(m) == sq(text) && moveTo(m) == sq(text + 2); });
    };
    for (const char* text : c.listed) EXPECT_TRUE(has(text)) << c.fen << " " << text;
    for (const char* text : c.missing) EXPECT_FALSE(has(text)) << c.fen << " " << text;
  }
  // A capture of the blocker handed in is listed once, with its capture flag.
  Worker& pos = setUp("7k/8/2r5/8/3N4/8/8/B3K3 w - -");
  const Move handed = makeMoveWord(sq("d4"), sq("c6"), FLAG_CAPTURE);
  generateChecks(pos, 0, handed, MOVE_NONE);
  const std::vector<Move> moves = listed(pos);
  EXPECT_EQ(std::count(moves.begin(), moves.end(), handed), 1);
  EXPECT_FALSE(contains(moves, makeMoveWord(sq("d4"), sq("c6"), 0)));
}

}  // namespace

}  // namespace velt
