#include "eval/evaluate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <utility>

#include "board/bitboard.h"
#include "board/fen.h"
#include "board/movegen.h"
#include "eval/eval_data.h"
#include "eval/material.h"
#include "eval/move_step.h"
#include "eval/pawns.h"
#include "eval/terms.h"
#include "search/engine_core.h"
#include "support/board_setup.h"
#include "support/brute_board.h"

namespace velt {

namespace {

int fullEval(const std::string& fen) {
  auto pos = positionFromFen(fen.c_str());
  return evaluate(*pos, NO_WINDOW, MATE_SCORE);
}

// Seeds for random play: openings, middle games and an ending for every entry flag.
const char* const seeds[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
    "rnbqkb1r/pp3ppp/4pn2/2pp4/3P4/2PBPN2/PP3PPP/RNBQK2R b KQkq c6",
    "8/8/8/4k3/8/8/2BNK3/8 w - -",
    "8/5k2/8/8/2b5/p7/8/1K6 b - -",
    "4k3/8/3b4/1p2p3/1P2P3/3B4/8/4K3 w - -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "4k3/PPP5/8/8/8/8/5ppp/4K3 w - -",
    "4k3/pp3ppp/2n5/8/8/2N5/PP3PPP/4K3 w - -",
    "2kr3r/ppp2ppp/8/8/8/8/PPP2PPP/2KR3R w - -",
    "8/3k4/8/2PP4/8/8/4pp2/7K b - -",
};

// A legal move chosen by `random` among the generated ones, 0 when there is none.
Move randomLegalMove(Worker& pos, unsigned& random) {
  generateAllMoves(pos);
  const int first = pos.listStart[pos.ply], count = pos.listStart[pos.ply + 1] - first;
  if (count == 0) return MOVE_NONE;
  random = random * 1103515245u + 12345u;
  const int start = static_cast<int>((random >> 8) % static_cast<unsigned>(count));
  for (int i = 0; i < count; ++i) {
    const Move move = pos.moveList[first + (start + i) % count].move;
    if (makeMove(pos, move, -MATE_SCORE, MATE_SCORE)) {
      unmakeMove(pos);
      return move;
    }
  }
  return MOVE_NONE;
}

// The middle-game and end-game sums (white's view) of the material and every term
// group, in the driver's order, before the blend.
std::pair<int, int> termSums(const std::string& fen) {
  auto pos = positionFromFen(fen.c_str());
  const std::uint32_t entry = materialEntry(pos->evalData->material, *pos);
  EvalState st;
  initEvalState(*pos, entryFlags(entry), entryPhase(entry), st);
  st.mg[WHITE] = st.eg[WHITE] = (keyBalance(pos->materialKey) * 3200 + entryAdjustment(entry)) * 70 / 32;
  addPawnTerms(*pos, st);
  for (int colour = WHITE; colour <= BLACK; ++colour)
    pos->attackMap[pos->ply][colour] = st.pawnAttacks[colour] | kingAttacks[pos->kingSquare[colour]];
  addPieceTerms(*pos, st);
  addPassedPawnTerms(*pos, st);
  addKingTerms(*pos, st);
  addEndgameTerms(*pos, st);
  return {st.mg[WHITE] - st.mg[BLACK], st.eg[WHITE] - st.eg[BLACK]};
}

// The evaluation is colour-blind: a position and its colour-flipped twin score the
// same, up to the rounding of the two arithmetic shifts; the term sums before the
// blend are exact opposites.
TEST(Evaluate, ColourFlippedPositionsScoreTheSame) {
  unsigned random = 2026;
  int checked = 0;
  for (const char* seed : seeds) {
    auto game = positionFromFen(seed);
    for (int step = 0; step < 160; ++step) {
      char fen[FEN_TEXT_SIZE];
      positionToFen(*game, fen);
      const int score = fullEval(fen);
      const std::string flipped = flipFen(fen);
      const int twin = fullEval(flipped);
      ASSERT_LE(std::abs(score - twin), 2) << fen << " scores " << score << ", " << flipped << " scores " << twin;
      const auto sums = termSums(fen), twinSums = termSums(flipped);
      ASSERT_EQ(sums.first, -twinSums.first) << fen;
      ASSERT_EQ(sums.second, -twinSums.second) << fen;
      ++checked;
      const Move move = game->ply < MAX_PLY - 4 ? randomLegalMove(*game, random) : MOVE_NONE;
      if (move == MOVE_NONE) {
        game = positionFromFen(seed);
      } else {
        makeMove(*game, move, -MATE_SCORE, MATE_SCORE);
      }
    }
  }
  EXPECT_EQ(checked, 160 * static_cast<int>(std::size(seeds)));
}

// Bishop and knight against a bare king: the strong side wants the weak king in a
// corner of the bishop's colour. Each pair keeps both kings the same distance apart and
// moves only the weak king from the wrong corner to the right one; the strong side moves.
TEST(Evaluate, BishopAndKnightDriveTowardTheBishopsCorner) {
  constexpr int CORNER_GAIN = 50;  // the table's corners differ by about 90
  const std::pair<const char*, const char*> cases[] = {
      {"k7/8/8/8/8/8/4B3/K2N4 w - -", "7k/8/8/8/8/8/4B3/K2N4 w - -"},  // white, light bishop: a8 right
      {"7k/8/8/8/8/8/8/K1BN4 w - -", "k7/8/8/8/8/8/8/K1BN4 w - -"},    // white, dark bishop: h8 right
      {"K7/8/8/8/8/8/4b3/k2n4 b - -", "7K/8/8/8/8/8/4b3/k2n4 b - -"},  // black, light bishop: a8 right
      {"k2n4/3b4/8/8/8/8/8/7K b - -", "k2n4/3b4/8/8/8/8/8/K7 b - -"},  // black, light bishop: h1 right
      {"3n3k/4b3/8/8/8/8/8/K7 b - -", "3n3k/4b3/8/8/8/8/8/7K b - -"},  // black, dark bishop: a1 right
  };
  for (const auto& [right, wrong] : cases) EXPECT_GT(fullEval(right) - fullEval(wrong), CORNER_GAIN) << right;
}

// The attack maps a full evaluation leaves are those filled from scratch.
TEST(Evaluate, LeavesFullAttackMaps) {
  for (const char* fen : seeds) {
    auto pos = positionFromFen(fen);
    generateAllMoves(*pos);
    for (int i = pos->listStart[0]; i < pos->listStart[1]; ++i) {
      if (!makeMove(*pos, pos->moveList[i].move, -MATE_SCORE, MATE_SCORE)) continue;
      evaluate(*pos, NO_WINDOW, MATE_SCORE);
      const Bitboard maps[2] = {pos->attackMap[1][WHITE], pos->attackMap[1][BLACK]};
      fillAttackMaps(*pos);
      EXPECT_EQ(maps[WHITE], pos->attackMap[1][WHITE]) << fen;
      EXPECT_EQ(maps[BLACK], pos->attackMap[1][BLACK]) << fen;
      unmakeMove(*pos);
    }
  }
}

// The maps filled from the tables hold every square the men attack on the board; a
// queen attacks along both kinds of line.
TEST(Evaluate, AttackMapsMatchTheBoard) {
  std::mt19937 random(17);
  for (int i = 0; i < 300; ++i) {
    const std::string fen = i % 3 == 0 ? randomFenOf(random, "QqRBnp") : randomFen(random, 2 + i % 24);
    auto pos = positionFromFen(fen.c_str());
    fillAttackMaps(*pos);
    const BruteBoard board = bruteFromPosition(*pos);
    for (int colour = WHITE; colour <= BLACK; ++colour) {
      EXPECT_EQ(pos->attackMap[pos->ply][colour], bruteAttackSet(board, colour)) << fen << " colour " << colour;
    }
  }
}

}  // namespace

}  // namespace velt
