#include "eval/pawns.h"

#include <gtest/gtest.h>

#include "search/tt.h"
#include "support/board_setup.h"

namespace {

// Passed and candidate files of a structure, white's in the low byte, black's above.
TEST(PawnStructure, PassedAndCandidateFiles) {
  struct Case {
    const char* fen;
    int passed, candidates;
  };
  const Case cases[] = {
      {"4k3/8/8/8/8/8/8/4K3 w - -", 0, 0},
      {"4k3/8/8/8/3P4/8/8/4K3 w - -", 1 << 3, 0},
      {"4k3/8/3p4/8/3P4/8/8/4K3 w - -", 0, 0},              // blocked
      {"4k3/8/8/2p5/4P3/3P4/8/4K3 w - -", 1 << 4, 0},       // e4 passed, d3 backward
      {"4k3/8/8/3p4/2P5/3P4/8/4K3 w - -", 0, 1 << 2},       // c4 against d5, backed by d3
      {"4k3/8/3p4/2p5/3P4/8/8/4K3 w - -", 0, 1 << (8 + 2)},  // the same for black
      {"4k3/8/8/3p4/2P5/8/8/4K3 w - -", 0, 0},              // no support: no candidate
  };
  for (const Case& c : cases) {
    auto pos = positionFromFen(c.fen);
    PawnEntry entry{};
    evaluatePawns(*pos, entry);
    EXPECT_EQ(entry.passedFiles & 0xFFFF, c.passed) << c.fen;
    EXPECT_EQ(entry.candidateFiles, c.candidates) << c.fen;
  }
}

TEST(PawnHash, ProbeFillsOnceAndResetsSheltersOnReplacement) {
  auto pos = positionFromFen("4k3/pp6/8/8/8/8/5PPP/4K3 w - -");
  clearPawnHash();
  PawnEntry* entry = probePawnHash(*pos);
  EXPECT_EQ(entry->keyLow, static_cast<std::uint32_t>(pos->pawnKey));
  EXPECT_EQ(entry->shelter[WHITE][SHELTER_KINGSIDE], SHELTER_UNKNOWN);
  entry->shelter[WHITE][SHELTER_KINGSIDE] = 1234;
  EXPECT_EQ(probePawnHash(*pos), entry);
  EXPECT_EQ(entry->shelter[WHITE][SHELTER_KINGSIDE], 1234);
  // Another structure taking the slot starts with unknown shelters.
  entry->keyHigh ^= 1;
  EXPECT_EQ(probePawnHash(*pos), entry);
  EXPECT_EQ(entry->shelter[WHITE][SHELTER_KINGSIDE], SHELTER_UNKNOWN);
  // Clearing the transposition table empties the pawn hash with it.
  ttClear();
  EXPECT_EQ(entry->keyLow, 0xFFFFFFFFu);
  EXPECT_EQ(entry->shelter[BLACK][SHELTER_CENTRE], SHELTER_UNKNOWN);
  // Each thread has its own table.
  pos->threadIndex = PAWN_HASH_TABLES - 1;
  EXPECT_NE(probePawnHash(*pos), entry);
}

}  // namespace
