#include "support/syzygy_positions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <memory>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "eval/move_step.h"
#include "search/engine_core.h"
#include "egtb/tb_generate.h"
#include "egtb/tb_probe.h"
#include "support/board_setup.h"
#include "support/book_files.h"
#include "support/brute_board.h"
#include "support/tb_verify.h"

namespace velt {

std::string randomPlacementFen(const std::string& men, int side, std::mt19937& random) {
  for (;;) {
    BruteBoard board;
    std::fill(std::begin(board.cell), std::end(board.cell), EMPTY_CELL);
    for (const char man : men) {
      const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(man)));
      const bool black = letter != man;
      int square;
      do {
        square = static_cast<int>(random() % 64);
      } while (!isEmptyCell(board.cell[square]) || (letter == 'P' && (square < 8 || square >= 56)));
      board.cell[square] = pieceCode(black ? BLACK : WHITE, pieceFromLetter(letter));
    }
    // Touching kings and the side that just moved in check are refused.
    const std::string fen = bruteToFen(board, side);
    auto scratch = std::make_unique<Worker>(testEngine().gamePosition);
    if (parseFen(*scratch, fen.c_str())) return fen;
  }
}

bool verdictByMoves(Worker& pos, SyzygyWdl& verdict) {
  const bool inCheck = isSquareAttacked(pos, pos.kingSquare[pos.side], pos.xside);
  if (inCheck) {
    generateEvasions(pos, ~Bitboard{0});
  } else {
    generateAllMoves(pos);
  }
  // Bishop promotions come only where the position asks for them; no verdict of the
  // tested materials rests on one.
  SyzygyWdl best = SyzygyWdl::LOSS;
  int legal = 0;
  for (int i = pos.listStart[pos.ply]; i < pos.listStart[pos.ply + 1]; ++i) {
    if (!makeMove(pos, pos.moveList[i].move, -MATE_SCORE, MATE_SCORE)) continue;
    SyzygyWdl child;
    const bool found = probeSyzygyWdl(pos, child);
    unmakeMove(pos);
    if (!found) return false;
    const auto mine = static_cast<SyzygyWdl>(static_cast<int>(SyzygyWdl::WIN) - static_cast<int>(child));
    best = std::max(best, effectiveWdl(mine, false));
    ++legal;
  }
  verdict = legal > 0 ? best : inCheck ? SyzygyWdl::LOSS : SyzygyWdl::DRAW;
  return true;
}

void expectVerdictsAgreeWithOwnTable(const char* ownClass, const std::string& men, int count,
                                     std::mt19937& random) {
  TablebaseSet set;
  generateWithSuccessors(tablebaseClassByName(ownClass), set);
  for (int i = 0; i < count; ++i) {
    const std::string fen = randomPlacementFen(men, i % 2 == 0 ? WHITE : BLACK, random);
    auto pos = positionFromFen(fen.c_str());
    TablebaseEntry entry;
    ASSERT_TRUE(tablebaseEntryOf(*pos, entry)) << fen;
    const int stored = set.entries[entry.classNumber][entry.side][entry.index];
    SyzygyWdl wdl;
    ASSERT_TRUE(probeSyzygyWdl(*pos, wdl)) << fen;
    const SyzygyWdl own = stored > 0 ? SyzygyWdl::WIN : stored < 0 ? SyzygyWdl::LOSS : SyzygyWdl::DRAW;
    EXPECT_EQ(effectiveWdl(wdl, false), own) << fen;
  }
}

std::string damagedTableBytes(const std::string& path) {
  constexpr std::size_t MAGIC_BYTES = 4, HEADER_END = 200;
  std::string bytes = readWholeFile(path);
  EXPECT_GT(bytes.size(), HEADER_END) << path;
  for (std::size_t i = MAGIC_BYTES; i < HEADER_END && i < bytes.size(); ++i) bytes[i] = '\xFF';
  return bytes;
}

}  // namespace velt
