// Pawn structure: the per-thread pawn hash, the terms that depend on the pawns
// alone, and the passed-pawn terms that also look at pieces and kings.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "eval/evaluate.h"

namespace velt {

struct EvalState;
struct EvalData;

constexpr int PAWN_HASH_TABLES = 16;  // one per search thread
constexpr int PAWN_HASH_ENTRIES = 32768;
constexpr std::uint16_t SHELTER_UNKNOWN = 0xFFFF;

// Shelter words of one colour, by the wing its king stands on.
constexpr int SHELTER_QUEENSIDE = 0, SHELTER_KINGSIDE = 1, SHELTER_CENTRE = 2;

struct PawnEntry {
  std::uint32_t keyLow;  // 0xFFFFFFFF: empty
  std::uint32_t keyHigh;
  std::uint16_t shelter[2][4];   // per colour: queen side, king side, centre, spare
  std::uint16_t passedFiles;     // bit f: white passed pawn on file f; bit 8 + f: black
  std::uint16_t candidateFiles;  // same layout, candidate passed pawns
  std::uint16_t pawnFiles;       // same layout, files holding pawns
  std::int16_t scaleWhite;       // drawish scale applied when white is ahead
  std::int16_t scaleBlack;
  std::int32_t mgPawnScore;  // white minus black
  std::int32_t egPawnScore;
};

// Allocates (and empties) every thread's table; false when memory runs out.
bool allocatePawnHash(EvalData& data);
void releasePawnHash(EvalData& data);
// Empties every allocated table: all keys and shelter words become 0xFF bytes.
void clearPawnHash(EvalData& data);

// The entry of the thread's table for the position's pawn structure, filled on a miss.
PawnEntry* probePawnHash(const EvalPosition& pos);
// Fills every field but the key and the shelter words.
void evaluatePawns(const Position& pos, PawnEntry& entry);
// Adds the passed-pawn and pawn-race terms; reads the attack maps of the ply,
// so it runs after the pieces.
void evaluatePassedPawns(const Position& pos, const PawnEntry& entry, EvalState& st);
// The pawn race against a side without pieces, white's view: +-51200 for a won
// race, +-3200 for the tempo of a first queen with check, 0 otherwise.
int pawnRaceScore(const Position& pos, const PawnEntry& entry);

}  // namespace velt
