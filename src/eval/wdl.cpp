#include "eval/wdl.h"

#include <algorithm>
#include <cmath>

namespace velt {

namespace {

constexpr int PER_MILLE = 1000;
constexpr int MATERIAL_VALUE[KING] = {1, 3, 3, 5, 9};

int perMille(double share) { return static_cast<int>(std::lround(share * PER_MILLE)); }

}  // namespace

int wdlMaterial(const Position& pos) {
  int material = 0;
  for (int colour = WHITE; colour <= BLACK; ++colour) {
    for (int type = PAWN; type < KING; ++type) material += MATERIAL_VALUE[type] * pos.pieceCount[colour][type];
  }
  return std::min(material, WDL_MATERIAL_MAX);
}

WinDrawLoss winDrawLoss(const WdlParameters& parameters, int score) {
  if (score > MATE_BOUND) return {PER_MILLE, 0, 0};
  if (score < -MATE_BOUND) return {0, 0, PER_MILLE};
  if (score == 0) {
    const int each = perMille((1.0 - parameters.drawAtZero) / 2);
    return {each, PER_MILLE - 2 * each, each};
  }
  const auto chance = [&](double gain) { return 1.0 / (1.0 + std::exp((parameters.offset - gain) / parameters.spread)); };
  // Each side's chance is rounded on its own, so that the triple of -score is this
  // one reversed; the draw takes what is left.
  const int win = perMille(chance(score));
  const int loss = perMille(chance(-score));
  return {win, PER_MILLE - win - loss, loss};
}

WinDrawLoss winDrawLoss(int score, int material) {
  return winDrawLoss(wdlTable[std::clamp(material, 0, WDL_MATERIAL_MAX)], score);
}

}  // namespace velt
