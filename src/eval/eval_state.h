// What the term groups of one evaluation share: the per-colour sums and the
// tallies that later terms read (king attacks, threats, the queen record).
#pragma once

#include <cstdint>

#include "board/bitboard.h"
#include "board/position.h"

namespace velt {

struct PawnEntry;

constexpr std::uint32_t ONE_KING_ATTACKER = 0x10000;  // king-attack tally: attackers in the high half
constexpr int NO_QUEEN_RECORD = NO_SQUARE;

struct EvalState {
  int mg[2];  // per colour; white's are added, black's subtracted
  int eg[2];
  std::uint32_t kingAttack[2];  // against that colour's king: attackers << 16 | weight sum
  int threatCount[2];           // threats made by that colour
  int queenRecord[2];           // last queen's square, | its distance to the enemy king << 8 when it
                                // attacks the king's surroundings from afar
  Bitboard pawnAttacks[2];      // squares attacked by that colour's pawns
  Bitboard kingZone[2];         // squares next to that colour's king
  std::uint32_t materialFlags;
  int phase;
  PawnEntry* pawns;  // the pawn-hash entry, null until the pawn terms have run
};

// Sets the tallies, the king zones and the pawn attack sets; the sums start at 0.
void initEvalState(const Position& pos, std::uint32_t materialFlags, int phase, EvalState& st);

// The squares attacked by the pawns of one colour.
Bitboard pawnAttackSet(const Position& pos, int colour);
// ORs the attacks of every knight, bishop, rook and queen into attackMap[ply].
void addPieceAttacks(Position& pos);

}  // namespace velt
