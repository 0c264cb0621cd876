#include "eval/pawns.h"

#include <gtest/gtest.h>

#include <string>

#include "eval/eval_data.h"
#include "search/engine_core.h"
#include "support/board_setup.h"

namespace velt {

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
  clearPawnHash(*pos->evalData);
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
  // Clearing the search's tables empties the pawn hash with them.
  clearSearchTables(testEngine());
  EXPECT_EQ(entry->keyLow, 0xFFFFFFFFu);
  EXPECT_EQ(entry->shelter[BLACK][SHELTER_CENTRE], SHELTER_UNKNOWN);
  // Each thread has its own table.
  pos->threadIndex = PAWN_HASH_TABLES - 1;
  EXPECT_NE(probePawnHash(*pos), entry);
}

constexpr int WON = 51200;

int race(const std::string& fen) {
  auto pos = positionFromFen(fen.c_str());
  return pawnRaceScore(*pos, *probePawnHash(*pos));
}

// Each verdict is checked against the colour-flipped twin as well.
TEST(PawnRace, Verdicts) {
  struct Case {
    const char* fen;
    int score;
  };
  const Case cases[] = {
      // The square rule.
      {"8/8/8/P6k/8/8/8/7K w - -", WON},
      {"8/8/8/P2k4/8/8/8/7K w - -", 0},
      {"8/8/8/P3k3/8/8/8/7K w - -", WON},  // one file too far...
      {"8/8/8/P3k3/8/8/8/7K b - -", 0},    // ...unless it is to move
      {"8/8/8/P7/8/1k6/8/7K w - -", WON},  // behind the pawn
      // Escort by the own king.
      {"4k3/1K6/2P5/8/8/8/8/8 w - -", WON},
      // Double step, blockers, the side to move a move ahead.
      {"8/8/7p/4p2k/4P3/8/P7/K7 w - -", WON},
      {"8/8/7p/4p2k/K3P3/P7/8/8 w - -", 0},
      {"8/8/7p/4p2k/4P3/P7/8/K7 b - -", 0},
      {"8/8/8/4p2k/4P2p/P7/8/K7 b - -", -WON},
      // The first queen watches the other queening square unless the diagonal is shut.
      {"8/8/7p/7k/K7/P7/8/8 w - -", WON},
      {"8/8/7p/4p2k/K3P3/P7/8/8 w - -", 0},
      // A catchable pawn of the loser, an equal race won by a queen with check.
      {"7k/8/8/P5K1/7p/8/8/8 w - -", 0},
      {"7k/8/8/P7/7p/6K1/8/8 w - -", WON},
      {"7k/8/8/P3p3/4P2p/8/8/K7 w - -", 3200},
      // Only against a side without pieces.
      {"8/8/8/P6k/8/8/8/n6K w - -", 0},
      {"8/8/8/P6k/8/8/8/N6K w - -", WON},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(race(c.fen), c.score) << c.fen;
    EXPECT_EQ(race(flipFen(c.fen)), -c.score) << flipFen(c.fen);
  }
}

}  // namespace

}  // namespace velt
