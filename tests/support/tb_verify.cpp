#include "support/tb_verify.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "board/fen.h"
#include "board/movegen.h"
#include "board/position.h"
#include "egtb/tb_probe.h"
#include "eval/evaluate.h"
#include "eval/move_step.h"
#include "search/engine_core.h"
#include "shell/game_state.h"
#include "support/board_setup.h"
#include "support/brute_board.h"

namespace velt {

namespace {

std::string fenOf(const TablebasePieceLists& lists, int side, int ep) {
  BruteBoard board;
  std::fill(std::begin(board.cell), std::end(board.cell), EMPTY_CELL);
  for (int colour = 0; colour < 2; ++colour) {
    for (int slot = 0; slot < 16; ++slot) {
      const int square = lists.square[colour][slot];
      if (square < 64) board.cell[square] = pieceCode(colour, slot == TB_KING_SLOT ? KING : slot / 3);
    }
  }
  std::string fen = bruteToFen(board, side);
  if (ep != TB_NO_EP) {
    fen.back() = static_cast<char>('a' + fileOf(ep));
    fen += static_cast<char>('1' + rankOf(ep));
  }
  return fen;
}

// The value for the side to move of the position after a move, backed up one ply.
int backedUp(const Position& child, const TablebaseSet& set, bool& known) {
  TablebaseEntry entry;
  if (!tablebaseEntryOf(child, entry)) {
    known = child.menCount == 2;  // bare kings draw
    return 0;
  }
  const auto& entries = set.entries[entry.classNumber][entry.side];
  known = set.present[entry.classNumber] && entry.index < entries.size() && entries[entry.index] != TB_BYTE_UNKNOWN;
  if (!known) return 0;
  const int stored = entries[entry.index];
  return stored < 0 ? -stored : stored > 0 ? 1 - stored : 0;
}

}  // namespace

VerifyResult verifyTablebase(int classNumber, const TablebaseSet& set) {
  Worker& gamePosition = testEngine().gamePosition;
  gamePosition.bishopPromotions = true;  // bishop promotions too
  VerifyResult result;
  for (int side = 0; side < tablebaseFileSides(classNumber); ++side) {
    const auto& entries = set.entries[classNumber][side];
    for (std::uint32_t index = 0; index < entries.size(); ++index) {
      if (entries[index] == TB_BYTE_UNKNOWN) continue;
      TablebasePieceLists lists;
      int ep;
      tablebasePosition(classNumber, side, index, lists, ep);
      const std::string fen = fenOf(lists, side, ep);
      if (!parseFen(gamePosition, fen.c_str())) {
        if (result.mismatches++ == 0) result.firstMismatch = fen + ": entry holds a value but the FEN is refused";
        continue;
      }
      Worker& pos = gamePosition;
      // The entry's own board; the class's first side may be black in the file's terms
      // only through the colour exchange, which the decoder never produces.
      pos.ply = 0;
      evaluate(pos, NO_WINDOW, MATE_SCORE);
      const bool check = isSquareAttacked(pos, pos.kingSquare[pos.side], pos.xside);
      if (check) generateEvasions(pos, ~Bitboard{0});
      else generateAllMoves(pos);
      int best = -128, legal = 0;
      bool allKnown = true;
      for (int i = pos.listStart[0]; i < pos.listStart[1]; ++i) {
        if (!makeMove(pos, pos.moveList[i].move, -MATE_SCORE, MATE_SCORE)) continue;
        ++legal;
        bool known;
        best = std::max(best, backedUp(pos, set, known));
        allKnown = allKnown && known;
        unmakeMove(pos);
      }
      const int expected = legal ? best : check ? TB_BYTE_MATED : 0;
      ++result.checked;
      if (!allKnown || expected != entries[index]) {
        if (result.mismatches++ == 0) {
          result.firstMismatch = fen + ": stored " + std::to_string(entries[index]) + ", successors give " +
                                 std::to_string(expected) + (allKnown ? "" : " (a successor has no value)");
        }
      }
    }
  }
  gamePosition.bishopPromotions = false;
  return result;
}

void generateWithSuccessors(int classNumber, TablebaseSet& set) {
  if (set.present[classNumber]) return;
  for (int successor : tablebaseSuccessorClasses(classNumber)) generateWithSuccessors(successor, set);
  generateTablebase(classNumber, set);
}

}  // namespace velt
