#include "eval/material.h"

#include <algorithm>
#include <cstdlib>

namespace velt {

namespace {

constexpr int ADJUSTMENT_LIMIT = 32767;  // symmetric, so colour reversal negates exactly
constexpr int GRID_SIZE = 1 << 18;
constexpr int GRID_PAWN_STRIDE = 2916;

// Piece counts of one configuration, by colour and type (pawn .. queen).
struct Counts {
  int n[2][5];
  int minors(int c) const { return n[c][KNIGHT] + n[c][BISHOP]; }
  int majors(int c) const { return n[c][ROOK] + 2 * n[c][QUEEN]; }
  bool hasPieces(int c) const { return minors(c) + majors(c) > 0; }
  int balance() const {
    static constexpr int units[5] = {1, 3, 3, 5, 10};
    int sum = 0;
    for (int type = PAWN; type <= QUEEN; ++type) sum += units[type] * (n[WHITE][type] - n[BLACK][type]);
    return sum;
  }
  int phase() const { return 3 * (minors(WHITE) + minors(BLACK)) + 5 * (majors(WHITE) + majors(BLACK)); }
  // Exactly `knights` knights and `bishops` bishops and no rook or queen.
  bool onlyMinors(int c, int knights, int bishops) const {
    return n[c][KNIGHT] == knights && n[c][BISHOP] == bishops && n[c][ROOK] == 0 && n[c][QUEEN] == 0;
  }
};

int importanceFactorOf(const MaterialSettings& settings) {
  return static_cast<int>((settings.importance + 62.1875) * -3.2);
}

std::uint32_t lowMaterialFlags(const Counts& counts) {
  std::uint32_t flags = 0;
  for (int c = WHITE; c <= BLACK; ++c) {
    if (3 * counts.minors(c) + 5 * counts.majors(c) < 16) flags |= lowMaterialFlag(c);
  }
  return flags;
}

// The adjustment is stored in 16 bits: extreme options (a large importance with
// several queens of balance) saturate instead of wrapping to the other side's favour.
int saturatedAdjustment(int adjustment) {
  return std::clamp(adjustment, -ADJUSTMENT_LIMIT, ADJUSTMENT_LIMIT);
}

std::uint32_t packEntry(int adjustment, int phase, std::uint32_t flags) {
  return static_cast<std::uint16_t>(adjustment) | static_cast<std::uint32_t>(phase & 0xFF) << 16 | flags << 24;
}

// Imbalance term of the table, in centipawns, from the material options.
int optionImbalance(const Counts& counts, const MaterialSettings& settings) {
  const int dMin = counts.minors(WHITE) - counts.minors(BLACK);
  const int dMaj = counts.majors(WHITE) - counts.majors(BLACK);
  const int wQ = counts.n[WHITE][QUEEN], bQ = counts.n[BLACK][QUEEN];
  if (dMin == 0 && dMaj == 0) return (wQ - bQ) * settings.twoRooksVsQueen;
  if (dMin == 0) return dMaj * settings.rookVsPawns;
  if (dMaj == 0) return dMin * settings.minorVsPawns;
  if (dMaj == -1) return dMin == 1 ? -settings.rookVsMinor : dMin >= 2 ? settings.twoMinorsVsRook : 0;
  if (dMaj == 1) return dMin == -1 ? settings.rookVsMinor : dMin <= -2 ? -settings.twoMinorsVsRook : 0;
  if (dMaj == -2 && dMin >= 3 && wQ == 0) return settings.threeMinorsVsQueen;
  if (dMaj == 2 && dMin <= -3 && bQ == 0) return -settings.threeMinorsVsQueen;
  return 0;
}

// Imbalance term of the fallback, fixed values in 1/256 of the phase weight.
int fixedImbalance(const Counts& counts, int balance) {
  const int dMin = counts.minors(WHITE) - counts.minors(BLACK);
  const int dMaj = counts.majors(WHITE) - counts.majors(BLACK);
  const bool whitePawns = counts.n[WHITE][PAWN] > 0, blackPawns = counts.n[BLACK][PAWN] > 0;
  if (dMin == 0) return dMaj != 0 ? 128 * dMaj : 64 * (counts.n[WHITE][QUEEN] - counts.n[BLACK][QUEEN]);
  if (dMaj == 0) {
    if (counts.majors(WHITE) == 0) return 0;
    const bool whiteGains = dMin > 0 && balance > 0 && whitePawns;
    const bool blackGains = dMin < 0 && balance < 0 && blackPawns;
    return whiteGains || blackGains ? 128 * dMin : 0;
  }
  if (dMaj == -1) return dMin == 1 ? (balance < 0 && blackPawns ? -32 : 0) : dMin >= 2 ? 128 : 0;
  if (dMaj == 1) return dMin == -1 ? (balance > 0 && whitePawns ? 32 : 0) : dMin <= -2 ? -128 : 0;
  if (dMaj == -2 && dMin >= 3 && counts.n[WHITE][QUEEN] == 0) return 128;
  if (dMaj == 2 && dMin <= -3 && counts.n[BLACK][QUEEN] == 0) return -128;
  return 0;
}

// Weight of the fallback imbalance by phase; phases beyond the table (promoted
// pieces) take the last weight.
constexpr int phaseWeight[64] = {
    128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128,
    128, 128, 128, 128, 128, 128, 128, 128, 144, 158, 170, 180, 188, 196, 204, 212,
    216, 220, 224, 228, 230, 232, 234, 236, 237, 238, 239, 240, 241, 242, 243, 244,
    245, 246, 247, 248, 249, 250, 251, 252, 253, 254, 255, 256, 257, 258, 259, 260,
};

std::int16_t* buildBaseGrid(const ImbalanceData& data) {
  auto* grid = static_cast<std::int16_t*>(std::calloc(GRID_SIZE, sizeof(std::int16_t)));
  if (!grid) return nullptr;
  // Records first, so that a block listing the same configuration overwrites them.
  for (int i = 0; i < data.recordCount; ++i) {
    const ImbalanceRecord& record = data.records[i];
    for (int wP = 0; wP < 9; ++wP) {
      for (int bP = 0; bP < 9; ++bP) {
        grid[record.pieceIndex + GRID_PAWN_STRIDE * (wP + 9 * bP)] = static_cast<std::int16_t>(recordCell(record, wP, bP));
      }
    }
  }
  for (int i = 0; i < data.blockCount; ++i) {
    const ImbalanceBlock& block = data.blocks[i];
    for (int wP = 0; wP < 9; ++wP) {
      for (int bP = 0; bP < 9; ++bP) grid[block.pieceIndex + GRID_PAWN_STRIDE * (wP + 9 * bP)] = block.cells[wP][bP];
    }
  }
  return grid;
}

// Base value of a configuration; a second queen of one side has no digit of its
// own in the grid index, so those configurations get none.
int baseValue(const std::int16_t* grid, const Counts& c) {
  if (c.n[WHITE][QUEEN] > 1 || c.n[BLACK][QUEEN] > 1) return 0;
  const int piece = c.n[WHITE][QUEEN] + 2 * c.n[BLACK][QUEEN] + 4 * c.n[WHITE][ROOK] + 12 * c.n[BLACK][ROOK] +
                    36 * c.n[WHITE][BISHOP] + 108 * c.n[BLACK][BISHOP] + 324 * c.n[WHITE][KNIGHT] +
                    972 * c.n[BLACK][KNIGHT];
  return grid[piece + GRID_PAWN_STRIDE * (c.n[WHITE][PAWN] + 9 * c.n[BLACK][PAWN])];
}

std::uint32_t tableEntry(const std::int16_t* grid, const Counts& c, const MaterialSettings& settings,
                        int importanceFactor) {
  const int balance = c.balance();
  const int adjustment =
      saturatedAdjustment(32 * optionImbalance(c, settings) + baseValue(grid, c) - importanceFactor * balance);
  const int value = balance * 3200 + adjustment;
  std::uint32_t flags = lowMaterialFlags(c);
  const bool whiteLoneBishop = c.onlyMinors(WHITE, 0, 1), blackLoneBishop = c.onlyMinors(BLACK, 0, 1);
  if ((value >= 1 && whiteLoneBishop) || (value < 0 && blackLoneBishop)) flags |= MATERIAL_WRONG_BISHOP;
  if (whiteLoneBishop && blackLoneBishop) flags |= MATERIAL_BISHOPS_ONLY;
  if ((c.onlyMinors(WHITE, 1, 1) && !c.hasPieces(BLACK)) || (c.onlyMinors(BLACK, 1, 1) && !c.hasPieces(WHITE))) {
    flags |= MATERIAL_BISHOP_KNIGHT;
  }
  return packEntry(adjustment, c.phase(), flags);
}

int tableIndex(const Counts& c) {
  return c.n[WHITE][QUEEN] + 3 * c.n[BLACK][QUEEN] + 9 * c.n[WHITE][ROOK] + 27 * c.n[BLACK][ROOK] +
         81 * c.n[WHITE][BISHOP] + 243 * c.n[BLACK][BISHOP] + 729 * c.n[WHITE][KNIGHT] +
         2187 * c.n[BLACK][KNIGHT] + 6561 * c.n[WHITE][PAWN] + 59049 * c.n[BLACK][PAWN];
}

}  // namespace

bool buildMaterialTable(MaterialTable& table, const MaterialSettings& settings) {
  return buildMaterialTableFrom(table, {imbalanceBlocks, imbalanceBlockCount, imbalanceRecords, imbalanceRecordCount},
                                settings);
}

bool buildMaterialTableFrom(MaterialTable& table, const ImbalanceData& data, const MaterialSettings& settings) {
  if (table.entries) return true;
  table.entries = static_cast<std::uint32_t*>(std::calloc(MATERIAL_TABLE_SIZE, sizeof(std::uint32_t)));
  if (!table.entries) return false;
  std::int16_t* grid = buildBaseGrid(data);
  if (!grid) {
    releaseMaterialTable(table);
    return false;
  }
  table.importanceFactor = importanceFactorOf(settings);
  Counts c{};
  int& wP = c.n[WHITE][PAWN];
  int& bP = c.n[BLACK][PAWN];
  for (wP = 0; wP <= 8; ++wP) {
    for (bP = 0; bP <= 8; ++bP) {
      // The eight piece counts, wN outermost and bQ innermost, as base-3 digits.
      for (int digits = 0; digits < 6561; ++digits) {
        static constexpr int order[8][2] = {{WHITE, KNIGHT}, {BLACK, KNIGHT}, {WHITE, BISHOP}, {BLACK, BISHOP},
                                            {WHITE, ROOK},   {BLACK, ROOK},   {WHITE, QUEEN},  {BLACK, QUEEN}};
        int rest = digits;
        for (int i = 7; i >= 0; --i) {
          c.n[order[i][0]][order[i][1]] = rest % 3;
          rest /= 3;
        }
        // The digits are a bijection onto the index, so each entry is written once.
        table.entries[tableIndex(c)] = tableEntry(grid, c, settings, table.importanceFactor);
      }
    }
  }
  std::free(grid);
  return true;
}

void releaseMaterialTable(MaterialTable& table) {
  std::free(table.entries);
  table.entries = nullptr;
}

std::uint32_t computeMaterialEntry(const MaterialTable& table, const Position& pos) {
  Counts c{};
  for (int colour = WHITE; colour <= BLACK; ++colour) {
    for (int type = PAWN; type <= QUEEN; ++type) c.n[colour][type] = pos.pieceCount[colour][type];
  }
  const int balance = c.balance();
  const int phase = c.phase();
  const int weight = phaseWeight[phase < 64 ? phase : 63];
  const int adjustment =
      saturatedAdjustment(fixedImbalance(c, balance) * weight / 256 * 32 - table.importanceFactor * balance);
  return packEntry(adjustment, phase, lowMaterialFlags(c));
}

std::uint32_t materialEntry(const MaterialTable& table, const Position& pos) {
  for (int colour = WHITE; colour <= BLACK; ++colour) {
    for (int type = KNIGHT; type <= QUEEN; ++type) {
      if (pos.pieceCount[colour][type] > 2) return computeMaterialEntry(table, pos);
    }
  }
  return table.entries[pos.materialKey & 0xFFFFFF];
}

}  // namespace velt
