#include "support/board_setup.h"

#include <gtest/gtest.h>

#include "board/bitboard.h"
#include "board/movegen.h"
#include "eval/evaluate.h"
#include "eval/material.h"
#include "search/history.h"

void prepareBoardTables() {
  static const bool built = [] {
    buildBoardTables();
    buildMaterialTable();
    buildOrderTables();
    resetHistory();
    return true;
  }();
  (void)built;
}

std::unique_ptr<Position> positionFromFen(const char* fen) {
  prepareBoardTables();
  if (fen) {
    EXPECT_TRUE(parseFen(fen)) << fen;
  } else {
    setUpPosition();
  }
  auto pos = std::make_unique<Position>(gamePosition);
  evaluate(*pos, NO_WINDOW, MATE_SCORE);
  return pos;
}
