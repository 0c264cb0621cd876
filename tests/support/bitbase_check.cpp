#include "support/bitbase_check.h"

#include "board/bitbase.h"

namespace velt {

namespace {

void tally(BitbaseComparison& result, bool stored, bool anyLegal, bool drawn) {
  result.storedDraws += stored;
  if (anyLegal) ++(drawn ? result.solverDraws : result.solverWins);
  result.mismatches += stored != (anyLegal && drawn);
}

}  // namespace

BitbaseComparison comparePawnEnding(const EndingSolver& solver) {
  BitbaseComparison result;
  for (int side = 0; side < 2; ++side)
    for (int whiteKing = 0; whiteKing < 64; ++whiteKing)
      for (int blackKing = 0; blackKing < 64; ++blackKing)
        for (int pawn = 0; pawn < 64; ++pawn) {
          std::uint8_t value = ENDING_ILLEGAL;
          if (pawn >= 8 && pawn < 56) value = solver.pawnEnding[pawn][(side * 64 + whiteKing) * 64 + blackKing];
          tally(result, bitbaseDraw(kpkBitbase, kpkIndex(side, whiteKing, blackKing, pawn)), value != ENDING_ILLEGAL,
                value == ENDING_DRAWN);
        }
  return result;
}

BitbaseComparison compareBishopEnding(const EndingSolver& solver, int minRank) {
  BitbaseComparison result;
  for (int rank = minRank; rank <= 6; ++rank)
    for (int file : {0, 7}) {
      int pawn = rank * 8 + file;
      for (int side = 0; side < 2; ++side)
        for (int whiteKing = 0; whiteKing < 64; ++whiteKing)
          for (int blackKing = 0; blackKing < 64; ++blackKing)
            for (int colour = 0; colour < 2; ++colour) {
              bool anyLegal = false, allDrawn = true;
              for (int bishop = 0; bishop < 64; ++bishop) {
                if (((bishop / 8 + bishop % 8) & 1) != colour) continue;
                std::uint8_t value = solver.bishopEnding[pawn][((side * 64 + whiteKing) * 64 + blackKing) * 64 + bishop];
                if (value == ENDING_ILLEGAL) continue;
                anyLegal = true;
                allDrawn &= value == ENDING_DRAWN;
              }
              int index = kbpkIndex(side, whiteKing, blackKing, colour == 0 ? A1 : B1, pawn);
              tally(result, bitbaseDraw(kbpkBitbase, index), anyLegal, allDrawn);
            }
    }
  return result;
}

}  // namespace velt
