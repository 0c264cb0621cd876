#include "support/board_setup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

#include "eval/evaluate.h"
#include "eval/material.h"
#include "eval/pawns.h"
#include "search/engine_core.h"

namespace velt {

EngineCore& testEngine() {
  static const auto engine = [] {
    auto record = std::make_unique<EngineCore>();
    EXPECT_TRUE(buildMaterialTable(record->evalData.material) && allocatePawnHash(record->evalData));
    return record;
  }();
  return *engine;
}

std::unique_ptr<Worker> positionFromFen(const char* fen) {
  Worker& gamePosition = testEngine().gamePosition;
  if (fen) {
    EXPECT_TRUE(parseFen(gamePosition, fen)) << fen;
  } else {
    setUpPosition(gamePosition);
  }
  auto pos = std::make_unique<Worker>(gamePosition);
  evaluate(*pos, NO_WINDOW, MATE_SCORE);
  return pos;
}

std::string flipFen(const std::string& fen) {
  std::istringstream in(fen);
  std::string placement, side = "w", castling = "-", ep = "-";
  in >> placement >> side >> castling >> ep;
  std::vector<std::string> ranks;
  std::stringstream rankStream(placement);
  for (std::string rank; std::getline(rankStream, rank, '/');) ranks.push_back(rank);
  auto swapCase = [](std::string text) {
    for (char& c : text) c = std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c);
    return text;
  };
  std::string flipped;
  for (auto it = ranks.rbegin(); it != ranks.rend(); ++it) {
    if (!flipped.empty()) flipped.push_back('/');
    flipped.append(swapCase(*it));
  }
  // White's rights become black's and back, white's letters first.
  std::string rights = castling == "-" ? castling : swapCase(castling);
  std::stable_partition(rights.begin(), rights.end(), [](char c) { return std::isupper(static_cast<unsigned char>(c)); });
  if (ep != "-") ep[1] = static_cast<char>('1' + ('8' - ep[1]));
  flipped.append(side == "w" ? " b " : " w ").append(rights).append(" ").append(ep);
  return flipped;
}

}  // namespace velt
