// Retrograde tablebase generation.
//
// Every entry is decoded once: illegal and duplicate numbers are marked broken, mates
// and stalemates are final, moves into smaller classes give each position its best
// outcome outside the class, and the in-class successors are counted. Then the
// positions are settled level by level of plies to mate: a loss makes every
// predecessor a win one ply later; a win takes one from each predecessor's count of
// open successors, and a predecessor with none left (and nothing better outside the
// class) is lost one ply later. What never settles is a draw.
//
// The index is the same for every placement of a position's symmetry orbit, so
// predecessors are generated from the decoded placement alone and counted once per
// distinct index, as the successors are.
#include "egtb/tb_generate.h"

#include <algorithm>
#include <bit>
#include <cstdio>

#include "board/bitboard.h"
#include "egtb/tb_probe.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace velt {

namespace {

constexpr int EMPTY = -1;
constexpr std::int8_t UNSETTLED = -128;   // working value of a position not settled yet
constexpr std::int8_t NO_OUTCOME = -128;  // no move leaves the class
constexpr int MAX_LEVEL = 2 * TB_MAX_DISTANCE + 2;
constexpr int MAX_SUCCESSORS = 128;
constexpr int PROMOTIONS[] = {QUEEN, ROOK, BISHOP, KNIGHT};

struct Board {
  int cell[64];  // type | colour << 3, or EMPTY
  Bitboard occupied, men[2], pieces[2][6];
  int king[2];
  int side;
  int ep;  // square passed by a pawn that just moved two squares, or NO_SQUARE
};

Bitboard bit(int square) { return Bitboard{1} << square; }

void put(Board& b, int square, int colour, int type) {
  b.cell[square] = type | colour << 3;
  b.occupied |= bit(square);
  b.men[colour] |= bit(square);
  b.pieces[colour][type] |= bit(square);
  if (type == KING) b.king[colour] = square;
}

void removeMan(Board& b, int square) {
  const int colour = b.cell[square] >> 3, type = b.cell[square] & 7;
  b.cell[square] = EMPTY;
  b.occupied &= ~bit(square);
  b.men[colour] &= ~bit(square);
  b.pieces[colour][type] &= ~bit(square);
}

void moveMan(Board& b, int from, int to) {
  const int colour = b.cell[from] >> 3, type = b.cell[from] & 7;
  removeMan(b, from);
  put(b, to, colour, type);
}

Bitboard slide(int square, Bitboard occupied, int firstDirection) {
  Bitboard attacks = 0;
  for (int d = firstDirection; d < firstDirection + 4; ++d) {
    const Bitboard line = ray[square][d];
    const Bitboard blockers = line & occupied;
    if (!blockers) {
      attacks |= line;
      continue;
    }
    const int first = (d & 1) ? highestSquare(blockers) : lowestSquare(blockers);
    attacks |= line & ~ray[first][d];
  }
  return attacks;
}

constexpr int ORTHOGONAL = NORTH, DIAGONAL = NORTH_WEST;

Bitboard attacksFrom(int type, int colour, int square, Bitboard occupied) {
  switch (type) {
    case PAWN: return pawnAttackers[colour ^ 1][square];
    case KNIGHT: return knightAttacks[square];
    case BISHOP: return slide(square, occupied, DIAGONAL);
    case ROOK: return slide(square, occupied, ORTHOGONAL);
    case QUEEN: return slide(square, occupied, DIAGONAL) | slide(square, occupied, ORTHOGONAL);
    default: return kingAttacks[square];
  }
}

bool attacked(const Board& b, int square, int by) {
  const auto& p = b.pieces[by];
  return (pawnAttackers[by][square] & p[PAWN]) || (knightAttacks[square] & p[KNIGHT]) ||
         (kingAttacks[square] & p[KING]) ||
         (slide(square, b.occupied, DIAGONAL) & (p[BISHOP] | p[QUEEN])) ||
         (slide(square, b.occupied, ORTHOGONAL) & (p[ROOK] | p[QUEEN]));
}

int forward(int colour) { return colour == WHITE ? 8 : -8; }
int relativeRank(int colour, int square) { return colour == WHITE ? rankOf(square) : 7 - rankOf(square); }

// Whether a pawn of `colour` stands beside `square` on its rank (it could take en passant).
bool pawnBeside(const Board& b, int square, int colour) {
  const Bitboard beside = (fileOf(square) > 0 ? bit(square - 1) : 0) | (fileOf(square) < 7 ? bit(square + 1) : 0);
  return beside & b.pieces[colour][PAWN];
}

Board boardOf(const TablebasePieceLists& lists, int side, int ep) {
  Board b{};
  std::fill(std::begin(b.cell), std::end(b.cell), EMPTY);
  for (int colour = 0; colour < 2; ++colour) {
    put(b, lists.square[colour][TB_KING_SLOT], colour, KING);
    for (int slot = 0; slot < TB_KING_SLOT; ++slot)
      if (lists.square[colour][slot] < 64) put(b, lists.square[colour][slot], colour, slot / 3);
  }
  b.side = side;
  b.ep = ep == TB_NO_EP ? NO_SQUARE : ep;
  return b;
}

bool entryOf(const Board& b, TablebaseEntry& entry) {
  TablebasePieceLists lists;
  for (int colour = 0; colour < 2; ++colour) {
    for (int type = PAWN; type <= QUEEN; ++type) {
      Bitboard men = b.pieces[colour][type];
      for (int i = 0; i < 3; ++i) {
        lists.square[colour][3 * type + i] = men ? lowestSquare(men) : NO_SQUARE;
        men &= men - 1;
      }
    }
    lists.square[colour][TB_KING_SLOT] = b.king[colour];
  }
  return locateTablebaseEntry(lists, b.side, b.ep == NO_SQUARE ? TB_NO_EP : b.ep, entry);
}

// Calls visit(after, leavesClass) for every legal move.
template <class Visit>
void forEachMove(const Board& b, Visit&& visit) {
  const int us = b.side, them = us ^ 1;
  auto finish = [&](Board& after, bool leaves) {
    after.side = them;
    if (!attacked(after, after.king[us], them)) visit(after, leaves);
  };
  for (Bitboard men = b.men[us]; men; men &= men - 1) {
    const int from = lowestSquare(men), type = b.cell[from] & 7;
    if (type == PAWN) {
      const int step = forward(us);
      const bool promotes = relativeRank(us, from) == 6;
      auto pawnTo = [&](int to, bool capture, int taken) {
        for (int promotion : PROMOTIONS) {
          Board after = b;
          after.ep = NO_SQUARE;
          if (taken != NO_SQUARE) removeMan(after, taken);
          moveMan(after, from, to);
          if (promotes) {
            removeMan(after, to);
            put(after, to, us, promotion);
          }
          finish(after, capture || promotes);
          if (!promotes) return;
        }
      };
      const int to = from + step;
      if (b.cell[to] == EMPTY) {
        pawnTo(to, false, NO_SQUARE);
        if (relativeRank(us, from) == 1 && b.cell[to + step] == EMPTY) {
          Board after = b;
          moveMan(after, from, to + step);
          after.ep = pawnBeside(after, to + step, them) ? to : NO_SQUARE;
          finish(after, false);
        }
      }
      for (Bitboard targets = attacksFrom(PAWN, us, from, 0) & b.men[them]; targets; targets &= targets - 1)
        pawnTo(lowestSquare(targets), true, lowestSquare(targets));
      if (b.ep != NO_SQUARE && (attacksFrom(PAWN, us, from, 0) & bit(b.ep))) pawnTo(b.ep, true, b.ep - step);
      continue;
    }
    for (Bitboard targets = attacksFrom(type, us, from, b.occupied) & ~b.men[us]; targets; targets &= targets - 1) {
      const int to = lowestSquare(targets);
      Board after = b;
      after.ep = NO_SQUARE;
      const bool capture = b.cell[to] != EMPTY;
      if (capture) removeMan(after, to);
      moveMan(after, from, to);
      finish(after, capture);
    }
  }
}

// Calls visit(before) for every legal position that reaches b by a move inside the
// class (no capture, no promotion), en-passant variants included.
template <class Visit>
void forEachPredecessor(const Board& b, Visit&& visit) {
  const int them = b.side, mover = them ^ 1;  // `mover` made the last move
  const int back = -forward(mover);
  auto emit = [&](Board& before) {
    before.side = mover;
    before.ep = NO_SQUARE;
    if (attacked(before, before.king[them], mover)) return;
    visit(before);
    // The same placement right after a double step of `them` that `mover` could take.
    for (Bitboard pawns = before.pieces[them][PAWN]; pawns; pawns &= pawns - 1) {
      const int pawn = lowestSquare(pawns), passed = pawn + forward(mover);
      if (relativeRank(them, pawn) != 3 || before.cell[passed] != EMPTY || before.cell[passed + forward(mover)] != EMPTY ||
          !pawnBeside(before, pawn, mover))
        continue;
      Board withEp = before;
      withEp.ep = passed;
      visit(withEp);
    }
  };
  if (b.ep != NO_SQUARE) {
    // Only the double step itself leads here.
    Board before = b;
    moveMan(before, b.ep - back, b.ep + back);
    emit(before);
    return;
  }
  for (Bitboard men = b.men[mover]; men; men &= men - 1) {
    const int to = lowestSquare(men), type = b.cell[to] & 7;
    if (type == PAWN) {
      const int from = to + back;
      if (b.cell[from] != EMPTY || relativeRank(mover, from) < 1) continue;
      Board before = b;
      moveMan(before, to, from);
      emit(before);
      // A double step reaches this placement only when no pawn could take en passant.
      if (relativeRank(mover, to) == 3 && b.cell[from + back] == EMPTY && !pawnBeside(b, to, them)) {
        Board doubled = b;
        moveMan(doubled, to, from + back);
        emit(doubled);
      }
      continue;
    }
    for (Bitboard sources = attacksFrom(type, mover, to, b.occupied) & ~b.occupied; sources; sources &= sources - 1) {
      Board before = b;
      moveMan(before, to, lowestSquare(sources));
      emit(before);
    }
  }
}

// The value for the side to move of a move into a position worth `stored` to the opponent.
int backUp(int stored) {
  if (stored < 0) return -stored;    // they are mated in n: we mate in n + 1
  if (stored > 0) return 1 - stored;  // they mate in n: we are mated in n
  return 0;
}

// Plies to mate of a settled win or loss.
int levelOf(int value) { return value < 0 ? 2 * (value - TB_BYTE_MATED) : 2 * (TB_MAX_DISTANCE + 1 - value) - 1; }

struct Generation {
  int classNumber;
  int sides;
  std::uint32_t count[2];
  std::vector<std::int8_t> value, best;
  std::vector<std::uint8_t> open;  // in-class successors not yet known to win for the opponent
  std::vector<std::uint32_t> levels[MAX_LEVEL + 1];  // positions settled at each level, each once
  std::vector<std::uint32_t> seeds[MAX_LEVEL + 1];   // wins through a capture or promotion, if none faster shows
  const char* fault = nullptr;  // why the index does not hold the class's moves, if it does not

  std::uint32_t idOf(const TablebaseEntry& e) const { return e.index + (e.side ? count[0] : 0); }
  int sideOf(std::uint32_t id) const { return id >= count[0] ? 1 : 0; }
  std::uint32_t indexOf(std::uint32_t id) const { return id >= count[0] ? id - count[0] : id; }
};

// The legal position of an id, or false for a broken number.
bool decodeId(const Generation& g, std::uint32_t id, Board& b) {
  TablebasePieceLists lists;
  int ep;
  const int side = g.sideOf(id);
  const std::uint32_t index = g.indexOf(id);
  if (!tablebasePosition(g.classNumber, side, index, lists, ep)) return false;
  if (tablebaseIndex(g.classNumber, side, lists, ep, false) != index) return false;
  b = boardOf(lists, side, ep);
  if (attacked(b, b.king[side ^ 1], side)) return false;
  if (b.ep != NO_SQUARE) {
    const int step = forward(side ^ 1);  // the pawn that moved two squares
    if (b.cell[b.ep] != EMPTY || b.cell[b.ep - step] != EMPTY) return false;
  }
  return true;
}

std::int8_t lookUp(Generation& g, const TablebaseSet& set, const Board& after) {
  TablebaseEntry entry;
  if (!entryOf(after, entry)) {
    if (after.occupied != (bit(after.king[0]) | bit(after.king[1]))) g.fault = "a successor has no class";
    return 0;  // bare kings
  }
  return set.entries[entry.classNumber][entry.side][entry.index];
}

void settle(Generation& g, std::uint32_t id, int value) {
  g.value[id] = static_cast<std::int8_t>(value);
  g.levels[levelOf(value)].push_back(id);
}

void initialPass(Generation& g, const TablebaseSet& set) {
  const std::uint32_t total = g.count[0] + (g.sides == 2 ? g.count[1] : 0);
  for (std::uint32_t id = 0; id < total; ++id) {
    Board b;
    if (!decodeId(g, id, b)) {
      g.value[id] = TB_BYTE_UNKNOWN;
      continue;
    }
    std::uint32_t successors[MAX_SUCCESSORS];
    int successorCount = 0, moves = 0;
    int best = NO_OUTCOME;
    forEachMove(b, [&](const Board& after, bool leaves) {
      ++moves;
      if (leaves) {
        best = std::max(best, backUp(lookUp(g, set, after)));
        return;
      }
      TablebaseEntry entry;
      if (!entryOf(after, entry) || entry.classNumber != g.classNumber) {
        g.fault = "a move inside the class has no entry";
        return;
      }
      successors[successorCount++] = g.idOf(entry);
    });
    if (g.fault != nullptr) return;
    std::sort(successors, successors + successorCount);
    successorCount = static_cast<int>(std::unique(successors, successors + successorCount) - successors);
    g.open[id] = static_cast<std::uint8_t>(successorCount);
    g.best[id] = static_cast<std::int8_t>(best);
    if (moves == 0) {
      if (attacked(b, b.king[b.side], b.side ^ 1)) settle(g, id, TB_BYTE_MATED);
      else g.value[id] = 0;
    } else if (successorCount == 0) {
      if (best == 0) g.value[id] = 0;
      else settle(g, id, best);
    } else if (best > 0) {
      g.seeds[levelOf(best)].push_back(id);
    }
  }
}

void retrogradePasses(Generation& g, void (*progress)(const char*)) {
  for (int level = 0; level <= MAX_LEVEL; ++level) {
    for (std::uint32_t id : g.seeds[level])
      if (g.value[id] == UNSETTLED) settle(g, id, g.best[id]);
    std::vector<std::uint32_t>().swap(g.seeds[level]);
    std::vector<std::uint32_t>& ids = g.levels[level];
    for (std::size_t i = 0; i < ids.size(); ++i) {
      const std::uint32_t id = ids[i];
      const int value = g.value[id];
      Board b;
      decodeId(g, id, b);
      std::uint32_t predecessors[MAX_SUCCESSORS * 2];
      int count = 0;
      forEachPredecessor(b, [&](const Board& before) {
        TablebaseEntry entry;
        if (entryOf(before, entry) && count < MAX_SUCCESSORS * 2) predecessors[count++] = g.idOf(entry);
      });
      std::sort(predecessors, predecessors + count);
      count = static_cast<int>(std::unique(predecessors, predecessors + count) - predecessors);
      for (int p = 0; p < count; ++p) {
        const std::uint32_t q = predecessors[p];
        if (g.value[q] != UNSETTLED) continue;
        if (value < 0) {
          settle(g, q, -value);
        } else if (--g.open[q] == 0 && g.best[q] < 0) {
          settle(g, q, std::max<int>(1 - value, g.best[q]));
        }
      }
    }
    if (progress && !ids.empty() && level % 10 == 0) {
      char line[80];
      std::snprintf(line, sizeof line, "  %s: %d plies to mate", tablebaseClass(g.classNumber).name, level);
      progress(line);
    }
    std::vector<std::uint32_t>().swap(ids);
  }
}

}  // namespace

int tablebaseFileSides(int classNumber) { return tablebaseClass(classNumber).flags & TB_SYMMETRIC ? 1 : 2; }

std::vector<int> tablebaseSuccessorClasses(int classNumber) {
  initTablebaseIndex();
  const TablebaseClassInfo& info = tablebaseClass(classNumber);
  int counts[10] = {};
  for (int s = 0; s < 2; ++s)
    for (int i = 0; i < info.menCount[s]; ++i) ++counts[5 * s + info.kinds[s][i] - 1];
  std::vector<int> result;
  auto add = [&](const int* changed) {
    const int c = std::abs(tablebaseClassOfCounts(changed));
    if (c != 0 && std::find(result.begin(), result.end(), c) == result.end()) result.push_back(c);
  };
  for (int k = 0; k < 10; ++k) {
    if (counts[k] == 0) continue;
    int changed[10];
    std::copy(counts, counts + 10, changed);
    --changed[k];
    add(changed);
    if (k % 5 == TB_PAWN - 1) {
      for (int promoted = TB_KNIGHT; promoted <= TB_QUEEN; ++promoted) {
        ++changed[k - k % 5 + promoted - 1];
        add(changed);
        --changed[k - k % 5 + promoted - 1];
      }
    }
  }
  return result;
}

GenerationSummary generateTablebase(int classNumber, TablebaseSet& set, void (*progress)(const char*)) {
  initTablebaseIndex();
  Generation g;
  g.classNumber = classNumber;
  g.sides = tablebaseFileSides(classNumber);
  const TablebaseClassInfo& info = tablebaseClass(classNumber);
  g.count[0] = info.positionCount[0];
  g.count[1] = g.sides == 2 ? info.positionCount[1] : 0;
  const std::size_t total = std::size_t{g.count[0]} + g.count[1];
  g.value.assign(total, UNSETTLED);
  g.best.assign(total, NO_OUTCOME);
  g.open.assign(total, 0);
  initialPass(g, set);
  if (g.fault != nullptr) {
    GenerationSummary failed;
    failed.fault = g.fault;
    return failed;
  }
  if (progress) progress("  positions classified");
  retrogradePasses(g, progress);
  for (std::int8_t& v : g.value)
    if (v == UNSETTLED) v = 0;
  for (int side = 0; side < g.sides; ++side) {
    auto first = g.value.begin() + (side ? g.count[0] : 0);
    set.entries[classNumber][side].assign(first, first + g.count[side]);
  }
  set.present[classNumber] = true;
  return summarizeTablebase(classNumber, set);
}

GenerationSummary summarizeTablebase(int classNumber, const TablebaseSet& set) {
  GenerationSummary summary;
  for (int side = 0; side < tablebaseFileSides(classNumber); ++side) {
    int fastest = TB_BYTE_UNKNOWN;
    for (std::int8_t v : set.entries[classNumber][side]) {
      if (v == TB_BYTE_UNKNOWN) {
        ++summary.broken[side];
      } else if (v > 0) {
        ++summary.won[side];
        fastest = std::min<int>(fastest, v);
      } else if (v < 0) {
        ++summary.lost[side];
      } else {
        ++summary.drawn[side];
      }
    }
    summary.longestWin[side] = fastest == TB_BYTE_UNKNOWN ? 0 : TB_MAX_DISTANCE + 1 - fastest;
  }
  return summary;
}

std::string tablebaseFileName(const std::string& directory, int classNumber, int side) {
  return joinPath(directory, std::string(tablebaseClass(classNumber).name) + (side ? ".nbb" : ".nbw"));
}

bool writeTablebaseFiles(const std::string& directory, int classNumber, const TablebaseSet& set) {
  for (int side = 0; side < tablebaseFileSides(classNumber); ++side) {
    const std::string name = tablebaseFileName(directory, classNumber, side);
    const std::string temporary = name + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return false;
    const auto& data = set.entries[classNumber][side];
    const bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    if (std::fclose(file) != 0 || !written || !replaceFile(temporary.c_str(), name.c_str())) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  return true;
}

bool loadTablebaseFiles(const std::string& directory, int classNumber, TablebaseSet& set) {
  initTablebaseIndex();
  std::vector<std::int8_t> loaded[2];
  for (int side = 0; side < tablebaseFileSides(classNumber); ++side) {
    std::FILE* file = std::fopen(tablebaseFileName(directory, classNumber, side).c_str(), "rb");
    if (!file) return false;
    const std::uint32_t count = tablebaseClass(classNumber).positionCount[side];
    loaded[side].resize(count + 1);
    const std::size_t got = std::fread(loaded[side].data(), 1, count + 1, file);
    std::fclose(file);
    if (got != count) return false;
    loaded[side].resize(count);
  }
  for (int side = 0; side < 2; ++side) set.entries[classNumber][side] = std::move(loaded[side]);
  set.present[classNumber] = true;
  return true;
}

}  // namespace velt
