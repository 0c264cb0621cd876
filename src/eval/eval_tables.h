// Weights and piece-square tables of the evaluation terms, in eval units
// (one pawn of material = 7000). Square tables are white's view, a1 = 0;
// black reads them at square ^ 56.
#pragma once

#include <array>

namespace velt {

using SquareTable = std::array<int, 64>;
using RankTable = std::array<int, 8>;

extern const SquareTable pawnMg, pawnEg;
extern const SquareTable knightMg, knightEg;
extern const SquareTable bishopMg, bishopEg;
extern const SquareTable rookMg;
extern const SquareTable queenMg, queenEg;
extern const SquareTable kingMg;
extern const std::array<SquareTable, 3> kingEg;  // centralising; pawns on files a-c only; on f-h only
extern const SquareTable kbnTable;               // high in the corners of the dark-squared bishop

// By relative rank 0..7 of a pawn.
extern const RankTable candMg, candEg;
extern const RankTable passMg, passEg;
extern const RankTable passFreeOwn, passFree, passSafe;
extern const RankTable passKingE, passKingO;

// Drawish scale by pawn count (0..8) and file span (0..7); a side without pawns reads span 0.
extern const std::array<RankTable, 9> scaleTable;

// Shelter by the relative rank of the nearest own pawn and of the nearest enemy
// pawn on a file; index 0 stands for no pawn on the file.
extern const RankTable shelterOwn, shelterStorm;
constexpr int FULL_SHELTER = 1588;  // replaces an own-pawn sum of 0

extern const std::array<int, 5> attackFactor;  // king-attack factor by attacker count (4 = four and more)

}  // namespace velt
