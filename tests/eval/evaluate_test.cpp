#include "eval/evaluate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "board/coordinate.h"
#include "board/fen.h"
#include "board/bitboard.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "eval/endgame.h"
#include "eval/material.h"
#include "eval/pawns.h"
#include "eval/terms.h"
#include "support/board_setup.h"
#include "support/eval_setup.h"

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
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ -",
    "2r2rk1/1bqnbppp/pp1ppn2/8/2PNP3/1PN1BP2/P2QB1PP/R4RK1 w - -",
    "r1b1k2r/ppppnppp/2n2q2/2b5/3NP3/2P1B3/PP3PPP/RN1QKB1R w KQkq -",
    "rnbqkb1r/pp3ppp/4pn2/2pp4/3P4/2PBPN2/PP3PPP/RNBQK2R b KQkq c6",
    "8/8/8/4k3/8/8/2BNK3/8 w - -",
    "8/5k2/8/8/2b5/p7/8/1K6 b - -",
    "4k3/8/3b4/1p2p3/1P2P3/3B4/8/4K3 w - -",
    "8/8/8/P3k3/8/8/7p/7K w - -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - -",
    "4k3/PPP5/8/8/8/8/5ppp/4K3 w - -",
    "8/8/3k4/8/2q5/8/4R3/4K3 w - -",
    "4k3/pp3ppp/2n5/8/8/2N5/PP3PPP/4K3 w - -",
    "2kr3r/ppp2ppp/8/8/8/8/PPP2PPP/2KR3R w - -",
    "6k1/6p1/7p/8/8/7P/6P1/1Q4K1 w - -",
    "8/3k4/8/2PP4/8/8/4pp2/7K b - -",
};

// A legal move chosen by `random` among the generated ones, 0 when there is none.
Move randomLegalMove(Position& pos, unsigned& random) {
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
  const std::uint32_t entry = materialEntry(*pos);
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

TEST(Evaluate, WrongBishopDrawIsExactlyZero) {
  EXPECT_EQ(fullEval("8/8/8/k7/p1b5/p7/8/1K6 w - -"), 0);
  EXPECT_EQ(fullEval("8/8/8/k7/p1b5/p7/8/1K6 b - -"), 0);
  EXPECT_LT(fullEval("8/8/8/k7/p2b4/p7/8/1K6 w - -"), -200);
  // Dark-squared counterpart: h-pawns queen on h1, a light square.
  EXPECT_EQ(fullEval("8/8/8/7k/3b3p/8/6K1/8 w - -"), 0);
  EXPECT_LT(fullEval("8/8/8/7k/4b2p/8/6K1/8 w - -"), -200);
}

TEST(Evaluate, BishopAndKnightDriveToTheRightCorner) {
  // Dark-squared bishop: the bare king is worse off in a1 than in a8.
  EXPECT_LT(fullEval("8/8/8/8/8/2K5/8/k1B1N3 b - -"), fullEval("k7/8/2K5/8/8/8/8/2B1N3 b - -"));
  EXPECT_LT(fullEval("k7/8/2K5/8/8/8/8/3BN3 b - -"), fullEval("8/8/8/8/8/2K5/8/k2BN3 b - -"));
}

TEST(Evaluate, OppositeBishopsHalveBothSums) {
  auto pos = positionFromFen("4k3/8/3b4/1p2p3/1P2P3/3B4/8/4K3 w - -");
  EvalState st;
  initEvalState(*pos, MATERIAL_BISHOPS_ONLY, 6, st);
  st.mg[WHITE] = 1001;
  st.mg[BLACK] = 0;
  st.eg[WHITE] = 0;
  st.eg[BLACK] = 3001;
  addEndgameTerms(*pos, st);
  EXPECT_EQ(st.mg[WHITE] - st.mg[BLACK], 500);
  EXPECT_EQ(st.eg[WHITE] - st.eg[BLACK], -1500);
  // Bishops on squares of the same colour (e3 and d6, both dark): unchanged.
  auto same = positionFromFen("4k3/8/3b4/1p2p3/1P2P3/4B3/8/4K3 w - -");
  initEvalState(*same, MATERIAL_BISHOPS_ONLY, 6, st);
  st.mg[WHITE] = 1001;
  addEndgameTerms(*same, st);
  EXPECT_EQ(st.mg[WHITE], 1001);
}

TEST(Evaluate, DrawishScaleAndFinalScaleOfTheWorkedExample) {
  PawnEntry entry{};
  entry.scaleWhite = 208;
  EXPECT_EQ(applyDrawishScale(150, entry) * 29 / 32, 62);
}

TEST(GainTables, UpdateRules) {
  clearGainTables();
  const int index = gainIndex(pieceCode(WHITE, KNIGHT), makeMoveWord(6, 21, 0));
  learnGain(index, 40);  // the largest jumps to an observation within 500; the smallest drifts up
  EXPECT_EQ(gainTable[index], 40);
  EXPECT_EQ(gainMinTable[index], 1);
  learnGain(index, 10);  // below the largest: it drifts down by one
  EXPECT_EQ(gainTable[index], 39);
  EXPECT_EQ(gainMinTable[index], 2);
  learnGain(index, 900);  // beyond 500: the largest only creeps up
  EXPECT_EQ(gainTable[index], 40);
  EXPECT_EQ(gainMinTable[index], 3);
  learnGain(index, -501);  // below -500: the smallest only creeps down
  EXPECT_EQ(gainTable[index], 39);
  EXPECT_EQ(gainMinTable[index], 2);
  learnGain(index, -500);  // within reach: the smallest jumps
  EXPECT_EQ(gainTable[index], 38);
  EXPECT_EQ(gainMinTable[index], -500);
  learnGain(index, 500);
  EXPECT_EQ(gainTable[index], 500);
  EXPECT_EQ(gainMinTable[index], -499);
  clearGainTables();
  EXPECT_EQ(gainTable[index], 0);
  EXPECT_EQ(gainMinTable[index], 0);
}

const char* const samplePositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "4kb2/p7/8/8/8/8/P7/2B1K3 b - -",
};

TEST(Evaluate, LeavesFullAttackMapsAndThePositionalPart) {
  for (const char* fen : samplePositions) {
    auto pos = positionFromFen(fen);
    generateAllMoves(*pos);
    for (int i = pos->listStart[0]; i < pos->listStart[1]; ++i) {
      if (!makeMove(*pos, pos->moveList[i].move, -MATE_SCORE, MATE_SCORE)) continue;
      const int score = evaluate(*pos, NO_WINDOW, MATE_SCORE);
      const Bitboard maps[2] = {pos->attackMap[1][WHITE], pos->attackMap[1][BLACK]};
      fillAttackMaps(*pos);
      EXPECT_EQ(maps[WHITE], pos->attackMap[1][WHITE]) << fen;
      EXPECT_EQ(maps[BLACK], pos->attackMap[1][BLACK]) << fen;
      const int whiteScore = pos->side == WHITE ? score : -score;
      const int materialCp =
          (keyBalance(pos->materialKey) * 3200 + entryAdjustment(materialEntry(*pos))) / 32;
      EXPECT_EQ(pos->plyEval[1], whiteScore - materialCp) << fen;
      EXPECT_EQ(pos->undo[pos->gamePly - 1].evalExtra, 0);
      unmakeMove(*pos);
    }
  }
}

// Three quiet moves from the start, so that the next evaluation sits at ply 4.
std::unique_ptr<Position> deepEnough() {
  auto pos = positionFromFen(nullptr);
  for (Move move : {makeMoveWord(6, 21, 0), makeMoveWord(62, 45, 0), makeMoveWord(1, 18, 0)}) {
    EXPECT_EQ(makeMove(*pos, move, -MATE_SCORE, MATE_SCORE), 1);
  }
  return pos;
}

TEST(Evaluate, GainTablesLearnFromQuietMovesOnly) {
  auto pos = deepEnough();
  clearGainTables();
  const Move quiet = makeMoveWord(57, 42, 0);
  const int index = gainIndex(pieceCode(BLACK, KNIGHT), quiet);
  gainTable[index] = 10000;
  gainMinTable[index] = -10000;
  ASSERT_EQ(makeMove(*pos, quiet, -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(gainTable[index], 9999);
  EXPECT_EQ(gainMinTable[index], -9999);
  unmakeMove(*pos);

  auto capture = positionFromFen("rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -");
  ASSERT_EQ(makeMove(*capture, makeMoveWord(6, 21, 0), -MATE_SCORE, MATE_SCORE), 1);
  const Move take = makeMoveWord(35, 28, FLAG_PAWN_MOVE | FLAG_CAPTURE);
  const int takeIndex = gainIndex(pieceCode(BLACK, PAWN), take);
  gainTable[takeIndex] = 10000;
  ASSERT_EQ(makeMove(*capture, take, -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(gainTable[takeIndex], 10000);
  clearGainTables();
}

Move findMove(Position& pos, const char* text) {
  Move move = MOVE_NONE;
  EXPECT_TRUE(parseMoveText(pos, text, move)) << text;
  return move;
}

// Four knight moves that bring the start position back with ply 4 and white to move.
std::unique_ptr<Position> startAtPlyFour() {
  auto pos = positionFromFen(nullptr);
  for (const char* text : {"g1f3", "g8f6", "f3g1", "f6g8"}) EXPECT_TRUE(makeMove(*pos, findMove(*pos, text), -MATE_SCORE, MATE_SCORE));
  EXPECT_EQ(pos->ply, 4);
  return pos;
}

int lazyCount(const Position& pos) { return pos.undo[pos.gamePly - 1].evalExtra; }

class LazyExitTest : public ::testing::Test {
 protected:
  void SetUp() override { clearGainTables(); }
  void TearDown() override { clearGainTables(); }
};

// Learnt gains far below anything real put black's estimate far above a narrow
// window: the exit is taken at ply 5, never at ply 2 or less, never with alpha -30000.
TEST_F(LazyExitTest, TakenOnlyBeyondPlyTwoAndWithAWindow) {
  auto pos = startAtPlyFour();
  const Move move = findMove(*pos, "b1c3");
  const int index = gainIndex(pieceCode(WHITE, KNIGHT), move);
  gainMinTable[index] = -5000;  // white moved: black, to move, estimates about +5000
  gainTable[index] = -5000;
  ASSERT_TRUE(makeMove(*pos, move, -10, 10));  // black sees (-10, 10)
  EXPECT_EQ(lazyCount(*pos), 1);
  const Bitboard white = pos->attackMap[pos->ply][WHITE], black = pos->attackMap[pos->ply][BLACK];
  const int lazyPositional = pos->plyEval[pos->ply];
  EXPECT_EQ(lazyPositional, pos->plyEval[pos->ply - 1] - 5000);
  // The maps left by the lazy exit are those of a full evaluation.
  evaluate(*pos, NO_WINDOW, MATE_SCORE);
  EXPECT_EQ(lazyCount(*pos), 0);
  EXPECT_EQ(pos->attackMap[pos->ply][WHITE], white);
  EXPECT_EQ(pos->attackMap[pos->ply][BLACK], black);
  unmakeMove(*pos);

  gainMinTable[index] = gainTable[index] = -5000;
  ASSERT_TRUE(makeMove(*pos, move, -MATE_SCORE, MATE_SCORE));  // full window
  EXPECT_EQ(lazyCount(*pos), 0);
  unmakeMove(*pos);

  auto shallow = positionFromFen(nullptr);
  ASSERT_TRUE(makeMove(*shallow, findMove(*shallow, "g1f3"), -MATE_SCORE, MATE_SCORE));
  const Move second = findMove(*shallow, "b8c6");
  gainMinTable[gainIndex(pieceCode(BLACK, KNIGHT), second)] = 5000;
  gainTable[gainIndex(pieceCode(BLACK, KNIGHT), second)] = 5000;
  ASSERT_TRUE(makeMove(*shallow, second, -10, 10));  // ply 2
  EXPECT_EQ(shallow->ply, 2);
  EXPECT_EQ(lazyCount(*shallow), 0);
}

TEST_F(LazyExitTest, LowerEstimateAndAttackMaps) {
  // A capture: the lower estimate above beta exits; its maps match a full evaluation.
  auto pos = positionFromFen("r1bqkbnr/pppp1ppp/2n5/4p3/3PP3/5N2/PPP2PPP/RNBQKB1R b KQkq -");
  for (const char* text : {"g8f6", "f3g1", "f6g8"}) ASSERT_TRUE(makeMove(*pos, findMove(*pos, text), -MATE_SCORE, MATE_SCORE));
  ASSERT_TRUE(makeMove(*pos, findMove(*pos, "g1f3"), -MATE_SCORE, MATE_SCORE));
  const Move take = findMove(*pos, "e5d4");
  const int index = gainIndex(pieceCode(BLACK, PAWN), take);
  gainMinTable[index] = gainTable[index] = -5000;  // black moved: white, to move, estimates +5000
  ASSERT_TRUE(makeMove(*pos, take, -10, 10));
  EXPECT_EQ(lazyCount(*pos), 1);
  const Bitboard white = pos->attackMap[pos->ply][WHITE], black = pos->attackMap[pos->ply][BLACK];
  evaluate(*pos, NO_WINDOW, MATE_SCORE);
  EXPECT_EQ(pos->attackMap[pos->ply][WHITE], white);
  EXPECT_EQ(pos->attackMap[pos->ply][BLACK], black);
}

// A capture widens the margin by 100: an estimate 50 below alpha exits after a
// quiet move but not after a capture.
TEST_F(LazyExitTest, CaptureWidensTheMargin) {
  auto pos = positionFromFen("rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -");
  for (const char* text : {"g1f3", "g8f6", "f3g1", "f6g8"}) ASSERT_TRUE(makeMove(*pos, findMove(*pos, text), -MATE_SCORE, MATE_SCORE));
  for (const char* text : {"b1c3", "e4d5"}) {
    const Move move = findMove(*pos, text);
    // The estimate, black's view, is -(parent positional + gain + material).
    ASSERT_TRUE(makeMove(*pos, move, -MATE_SCORE, MATE_SCORE));
    const int material = -pos->undo[pos->gamePly - 1].evalAfter - pos->plyEval[pos->ply];
    unmakeMove(*pos);
    const int parent = pos->plyEval[pos->ply];
    const int index = gainIndex(pos->board[moveFrom(move)], move);
    const int alpha = 0, beta = 20;  // black's window
    gainMinTable[index] = -(alpha - 50) - parent - material;
    gainTable[index] = gainMinTable[index].load();
    ASSERT_TRUE(makeMove(*pos, move, -beta, -alpha));
    EXPECT_EQ(lazyCount(*pos), (move & FLAG_CAPTURE) ? 0 : 1) << text;
    unmakeMove(*pos);
    clearGainTables();
  }
}

}  // namespace
