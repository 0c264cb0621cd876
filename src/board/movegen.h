// Move generation: the staged generators of the search (captures, quiet moves,
// check evasions, quiet moves filtered by gain), the scored root generator and the
// playability test of stored moves. All of them are pseudo-legal: make-move rejects a
// move that leaves the own king attacked.
#pragma once

#include "board/move_gain.h"
#include "board/position.h"

namespace velt {

// Ordering piece-square values by colour, type and square, built by the compiler
// (order_tables.cpp).
struct OrderTables {
  int orderPST[2][6][64];
};
extern const OrderTables orderTables;
inline constexpr const int (&orderPST)[2][6][64] = orderTables.orderPST;

// Appends one move scored for ordering (captures by victim and attacker, killers,
// quiet moves by the ordering table); a pawn move onto the last rank becomes its
// promotions (queen, knight, rook, and bishop when pos.bishopPromotions is set).
void addMove(Position& pos, int from, int to, Move flags);

// Captures onto `targets` (enemy men), en passant, checking pawn captures and
// promotions; `allPromotions` adds the non-checking knight and the rook promotions.
void generateCaptures(Position& pos, Bitboard targets, bool allPromotions);
// Castling, pawn pushes and piece moves onto empty squares; promotions excluded.
void generateQuiets(Position& pos);
// Moves that may get out of check; non-king destinations restricted to `targets`.
void generateEvasions(Position& pos, Bitboard targets);
// Quiet non-checking moves whose smallest gain reaches `threshold`.
void generateQuietsByGain(Position& pos, const GainTables& gains, int threshold);
// Every pseudo-legal move, scored (root use).
void generateAllMoves(Position& pos);
// Whether a stored quiet or castling move (killer, hash move) can be played here.
bool isMovePlayable(const Position& pos, Move move);
// Whether a move word, with its flags, is one the generators would produce here.
bool isMovePseudoLegal(const Position& pos, Move move);

// The castling move word of `colour` on the given wing: the king's move to its
// castling square (its own square when it stands there already).
Move castleMove(const Position& pos, int colour, bool kingSide);
// Whether castling of `colour` on the given wing passes the generators' tests: the
// right is held, its rook stands on its square and every square king or rook passes
// over or lands on is free of other men.
bool castlingAvailable(const Position& pos, int colour, bool kingSide);

}  // namespace velt
