// What the evaluation keeps between calls: the material table, one pawn hash table per
// search thread and the gain tables that all threads learn into. The engine owns one;
// every position it evaluates reaches it through EvalPosition::evalData.
#pragma once

#include <memory>

#include "board/move_gain.h"
#include "eval/material.h"
#include "eval/pawns.h"

namespace velt {

struct EvalData {
  MaterialTable material;
  PawnEntry* pawnTables[PAWN_HASH_TABLES] = {};  // by thread index, allocated on demand
  std::unique_ptr<GainTables> gains = std::make_unique<GainTables>();

  EvalData() = default;
  EvalData(const EvalData&) = delete;
  EvalData& operator=(const EvalData&) = delete;
  ~EvalData() {
    releaseMaterialTable(material);
    releasePawnHash(*this);
  }
};

}  // namespace velt
