#include "eval/material.h"

#include <gtest/gtest.h>

#include "support/board_setup.h"

namespace {

TEST(MaterialTable, EndgameFlags) {
  struct Case {
    const char* fen;
    std::uint32_t flags;
  };
  constexpr std::uint32_t LOW = MATERIAL_LOW_WHITE | MATERIAL_LOW_BLACK;
  for (const Case& c : {
           Case{"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 0},
           Case{"4k3/8/8/8/8/8/8/4K3 w - -", LOW},
           Case{"4k3/8/8/8/8/8/P7/2B1K3 w - -", LOW | MATERIAL_WRONG_BISHOP},
           Case{"4kb2/p7/8/8/8/8/P7/2B1K3 w - -", LOW | MATERIAL_BISHOPS_ONLY},
           Case{"4k3/8/8/8/8/8/8/1NB1K3 w - -", LOW | MATERIAL_BISHOP_KNIGHT},
           Case{"1nb1k3/8/8/8/8/8/7P/4K3 w - -", LOW | MATERIAL_BISHOP_KNIGHT},
           Case{"r3k3/8/8/8/8/8/8/R2QK2R w - -", MATERIAL_LOW_BLACK},
           // Three knights lie outside the table: the fallback gives no wrong-bishop flag.
           Case{"nnn1k3/8/8/8/8/8/PPPPPPP1/2B1K3 w - -", LOW},
       }) {
    auto pos = positionFromFen(c.fen);
    EXPECT_EQ(entryFlags(materialEntry(*pos)), c.flags) << c.fen;
  }
}

}  // namespace
