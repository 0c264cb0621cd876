// Base imbalance blocks: the published cells for a lone bishop against a lone knight
// and its colour-reversed configuration; cells without published values are 0.
#include "eval/material.h"

const ImbalanceBlock imbalanceBlocks[] = {
    // White bishop against black knight.
    {1008,
     {{0, 2766, 1161, 1455, 1749, 2043, 2337, 2631, 2925},
      {-2502, 120, 777, 1071, 1365, 1659, 1953, 2247, 2541},
      {-195, 99, 0, 0, 0, 0, 0, 0, 0},
      {},
      {},
      {},
      {},
      {},
      {}}},
    // White knight against black bishop: the same negated, pawn counts exchanged.
    {432,
     {{0, 2502, 195, 0, 0, 0, 0, 0, 0},
      {-2766, -120, -99, 0, 0, 0, 0, 0, 0},
      {-1161, -777, 0, 0, 0, 0, 0, 0, 0},
      {-1455, -1071, 0, 0, 0, 0, 0, 0, 0},
      {-1749, -1365, 0, 0, 0, 0, 0, 0, 0},
      {-2043, -1659, 0, 0, 0, 0, 0, 0, 0},
      {-2337, -1953, 0, 0, 0, 0, 0, 0, 0},
      {-2631, -2247, 0, 0, 0, 0, 0, 0, 0},
      {-2925, -2541, 0, 0, 0, 0, 0, 0, 0}}},
};

const int imbalanceBlockCount = sizeof(imbalanceBlocks) / sizeof(imbalanceBlocks[0]);
