// The material table: one 32-bit entry per combination of up to two knights, bishops,
// rooks and queens and up to eight pawns a side, indexed by the low 24 bits of
// materialKey. Entry: bits 0-15 signed adjustment (1/32 centipawn), bits 16-23
// phase, bits 24-31 flags.
#pragma once

#include <cstdint>

#include "board/position.h"

constexpr int MATERIAL_TABLE_SIZE = 531441;  // 3^12

// Entry flags (top byte).
constexpr std::uint32_t MATERIAL_LOW_WHITE = 0x01;  // white cannot mount a king attack
constexpr std::uint32_t MATERIAL_LOW_BLACK = 0x02;
constexpr std::uint32_t MATERIAL_WRONG_BISHOP = 0x10;  // side ahead: one bishop, pawns
constexpr std::uint32_t MATERIAL_BISHOPS_ONLY = 0x20;  // one bishop each, nothing else
constexpr std::uint32_t MATERIAL_BISHOP_KNIGHT = 0x40;  // bishop and knight against no piece

constexpr std::uint32_t lowMaterialFlag(int colour) { return colour == WHITE ? MATERIAL_LOW_WHITE : MATERIAL_LOW_BLACK; }

extern std::uint32_t* matInfo;

// The engine options the table is built from, in centipawns (0: no change).
struct MaterialSettings {
  int importance = 0;  // weight of the balance itself
  int minorVsPawns = 0;
  int rookVsPawns = 0;
  int rookVsMinor = 0;
  int twoMinorsVsRook = 0;
  int threeMinorsVsQueen = 0;
  int twoRooksVsQueen = 0;
};

// Builds the table from the settings, which the entries of positions outside the
// table also follow; does nothing when it exists. Returns false when memory runs out
// (the table stays absent).
bool buildMaterialTable(const MaterialSettings& settings = {});
void releaseMaterialTable();

// The entry of the position: the table's, or the fallback's when a side has more
// than two men of some piece type.
std::uint32_t materialEntry(const Position& pos);
std::uint32_t computeMaterialEntry(const Position& pos);

inline int entryAdjustment(std::uint32_t entry) { return static_cast<std::int16_t>(entry & 0xFFFF); }
inline int entryPhase(std::uint32_t entry) { return static_cast<int>((entry >> 16) & 0xFF); }
inline std::uint32_t entryFlags(std::uint32_t entry) { return entry >> 24; }
// Signed balance in pawn units carried in the top byte of materialKey.
inline int keyBalance(std::uint32_t materialKey) { return static_cast<std::int8_t>(materialKey >> 24); }

// Base imbalance grid data: explicit 9 x 9 blocks (white pawns x black pawns) in
// 1/32 centipawn for listed piece configurations; unlisted configurations are 0.
struct ImbalanceBlock {
  int pieceIndex;  // wQ + 2bQ + 4wR + 12bR + 36wB + 108bB + 324wN + 972bN
  std::int16_t cells[9][9];
};
extern const ImbalanceBlock imbalanceBlocks[];
extern const int imbalanceBlockCount;
