#include "support/tb_placements.h"

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "board/types.h"
#include "egtb/tb_index.h"

namespace velt {

namespace {

struct Placement {
  TablebasePieceLists lists;  // by colour
  int side;
  int ep;
};

struct Man {
  int colour, kind;
};

std::vector<Man> menOf(int classNumber) {
  const TablebaseClassInfo& info = tablebaseClass(classNumber);
  std::vector<Man> men;
  for (int s = 0; s < 2; ++s)
    for (int i = 0; i < info.menCount[s]; ++i) men.push_back({s, info.kinds[s][i]});
  return men;
}

bool hasPawns(int classNumber) {
  for (const Man& m : menOf(classNumber))
    if (m.kind == TB_PAWN) return true;
  return false;
}

int transformSquare(int square, int mask, bool diagonal) {
  if (square >= 64) return square;
  square ^= mask;
  return diagonal ? 8 * fileOf(square) + rankOf(square) : square;
}

void sortSlots(TablebasePieceLists& lists) {
  for (auto& row : lists.square)
    for (int kind = 0; kind < 5; ++kind) std::sort(row + 3 * kind, row + 3 * kind + 3);
}

Placement transformed(const Placement& p, int mask, bool diagonal, bool exchange) {
  Placement t = p;
  for (int c = 0; c < 2; ++c)
    for (int slot = 0; slot < 16; ++slot)
      t.lists.square[c][slot] = transformSquare(p.lists.square[exchange ? c ^ 1 : c][slot], mask ^ (exchange ? 56 : 0), diagonal);
  t.ep = p.ep == TB_NO_EP ? TB_NO_EP : transformSquare(p.ep, mask ^ (exchange ? 56 : 0), diagonal);
  t.side = exchange ? p.side ^ 1 : p.side;
  sortSlots(t.lists);
  return t;
}

bool samePlacement(const Placement& a, const Placement& b) {
  if (a.side != b.side || a.ep != b.ep) return false;
  for (int c = 0; c < 2; ++c)
    for (int slot = 0; slot < 16; ++slot)
      if (std::min(a.lists.square[c][slot], 64) != std::min(b.lists.square[c][slot], 64)) return false;
  return true;
}

// The colour-exchanged board is the same entry unless both sides hold the same men
// with pawns ("kpkp"): such a class is always probed exchanged, each side to move in
// its own file.
bool exchangeKeepsEntry(int classNumber) {
  const TablebaseClassInfo& info = tablebaseClass(classNumber);
  return (info.flags & TB_SYMMETRIC) || info.menCount[0] != info.menCount[1] || info.kinds[0][0] != info.kinds[1][0];
}

// Every image of p under the class's symmetries.
std::vector<Placement> orbit(const Placement& p, bool pawns, bool exchanges) {
  std::vector<Placement> images;
  for (int exchange = 0; exchange < (exchanges ? 2 : 1); ++exchange)
    for (int mask : {0, 7, 56, 63})
      for (int diagonal = 0; diagonal < 2; ++diagonal)
        if (!pawns || (diagonal == 0 && (mask & 56) == 0)) images.push_back(transformed(p, mask, diagonal, exchange));
  return images;
}

struct Checker {
  int classNumber;
  bool pawns;
  bool exchanges;
  OrbitCheck result;
  std::vector<std::uint8_t> hit[2];

  void fail(const std::string& what) {
    if (result.failures++ == 0) result.firstFailure = what;
  }

  void check(const Placement& p) {
    ++result.placements;
    TablebaseEntry entry;
    const bool found = locateTablebaseEntry(p.lists, p.side, p.ep, entry);
    for (const Placement& image : orbit(p, pawns, exchanges)) {
      TablebaseEntry other;
      const bool otherFound = locateTablebaseEntry(image.lists, image.side, image.ep, other);
      if (otherFound != found || (found && (other.classNumber != entry.classNumber || other.side != entry.side ||
                                            other.index != entry.index))) {
        fail("an image has another entry");
        return;
      }
    }
    if (!found) return;
    if (entry.classNumber != classNumber || entry.index >= tablebaseClass(classNumber).positionCount[entry.side]) {
      fail("entry out of range");
      return;
    }
    if (!hit[entry.side].empty()) hit[entry.side][entry.index] = 1;
    Placement decoded;
    if (!tablebasePosition(classNumber, entry.side, entry.index, decoded.lists, decoded.ep)) {
      fail("entry does not decode");
      return;
    }
    decoded.side = entry.side;
    sortSlots(decoded.lists);
    for (const Placement& image : orbit(decoded, pawns, true))
      if (samePlacement(image, p)) return;
    fail("decoded placement lies outside the orbit");
  }

  void countDecodable() {
    for (int side = 0; side < 2; ++side) {
      if (hit[side].empty()) continue;
      for (std::uint32_t i = 0; i < hit[side].size(); ++i) {
        result.indicesHit += hit[side][i];
        TablebasePieceLists lists;
        int ep;
        if (tablebasePosition(classNumber, side, i, lists, ep) && tablebaseIndex(classNumber, side, lists, ep, false) == i)
          ++result.indicesDecodable;
      }
    }
  }
};

Placement emptyPlacement(int side) {
  Placement p;
  for (auto& row : p.lists.square)
    for (int& square : row) square = NO_SQUARE;
  p.side = side;
  p.ep = TB_NO_EP;
  return p;
}

bool kingsApart(int a, int b) { return std::abs(fileOf(a) - fileOf(b)) > 1 || std::abs(rankOf(a) - rankOf(b)) > 1; }

// Places the men on squares[] (distinct, pawns on ranks 2-7); false when they do not fit.
bool placeMen(Placement& p, const std::vector<Man>& men, const int* squares) {
  Bitboard used = Bitboard{1} << p.lists.square[0][TB_KING_SLOT] | Bitboard{1} << p.lists.square[1][TB_KING_SLOT];
  for (std::size_t i = 0; i < men.size(); ++i) {
    const int s = squares[i];
    if ((used >> s) & 1) return false;
    if (men[i].kind == TB_PAWN && (s < 8 || s > 55)) return false;
    used |= Bitboard{1} << s;
    int* slot = &p.lists.square[men[i].colour][3 * (men[i].kind - 1)];
    while (*slot != NO_SQUARE) ++slot;
    *slot = s;
  }
  sortSlots(p.lists);
  return true;
}

}  // namespace

OrbitCheck checkClassOrbits(int classNumber, int samples, unsigned seed) {
  Checker checker{classNumber, hasPawns(classNumber), exchangeKeepsEntry(classNumber), {}, {}};
  const std::vector<Man> men = menOf(classNumber);
  if (samples == 0) {
    for (int side = 0; side < 2; ++side) checker.hit[side].assign(tablebaseClass(classNumber).positionCount[side], 0);
    int squares[3] = {0, 0, 0};
    const int combinations = 1 << (6 * men.size());
    for (int white = 0; white < 64; ++white) {
      for (int black = 0; black < 64; ++black) {
        if (!kingsApart(white, black)) continue;
        for (int c = 0; c < combinations; ++c) {
          for (std::size_t i = 0; i < men.size(); ++i) squares[i] = (c >> (6 * i)) & 63;
          for (int side = 0; side < 2; ++side) {
            Placement p = emptyPlacement(side);
            p.lists.square[0][TB_KING_SLOT] = white;
            p.lists.square[1][TB_KING_SLOT] = black;
            if (placeMen(p, men, squares)) checker.check(p);
          }
        }
      }
    }
    checker.countDecodable();
    return checker.result;
  }
  std::mt19937 random(seed);
  while (checker.result.placements < static_cast<std::uint64_t>(samples)) {
    Placement p = emptyPlacement(random() & 1);
    p.lists.square[0][TB_KING_SLOT] = random() & 63;
    p.lists.square[1][TB_KING_SLOT] = random() & 63;
    int squares[3];
    for (int& s : squares) s = random() & 63;
    if (kingsApart(p.lists.square[0][TB_KING_SLOT], p.lists.square[1][TB_KING_SLOT]) && placeMen(p, men, squares))
      checker.check(p);
  }
  return checker.result;
}

OrbitCheck checkEnPassantOrbits(int classNumber, int samples, unsigned seed) {
  Checker checker{classNumber, true, exchangeKeepsEntry(classNumber), {}, {}};
  std::vector<Man> men = menOf(classNumber);
  std::mt19937 random(seed);
  while (checker.result.placements < static_cast<std::uint64_t>(samples)) {
    const int side = random() & 1;
    Placement p = emptyPlacement(side);
    // The victim of the other colour has just moved two squares; a pawn of the side to
    // move stands beside it.
    const int victimFile = random() & 7, capturerFile = victimFile + ((random() & 1) ? 1 : -1);
    if (capturerFile < 0 || capturerFile > 7) continue;
    const int rank = side == WHITE ? 4 : 3, forward = side == WHITE ? 8 : -8;
    const int victim = makeSquare(victimFile, rank), capturer = makeSquare(capturerFile, rank);
    p.ep = victim + forward;
    int squares[3];
    bool victimSet = false, capturerSet = false;
    for (std::size_t i = 0; i < men.size(); ++i) {
      const bool own = men[i].colour == side;
      if (men[i].kind == TB_PAWN && own && !capturerSet) squares[i] = capturer, capturerSet = true;
      else if (men[i].kind == TB_PAWN && !own && !victimSet) squares[i] = victim, victimSet = true;
      else squares[i] = random() & 63;
    }
    p.lists.square[0][TB_KING_SLOT] = random() & 63;
    p.lists.square[1][TB_KING_SLOT] = random() & 63;
    const Bitboard passed = Bitboard{1} << p.ep | Bitboard{1} << (p.ep + forward);
    if (!capturerSet || !victimSet || !kingsApart(p.lists.square[0][TB_KING_SLOT], p.lists.square[1][TB_KING_SLOT]) ||
        !placeMen(p, men, squares))
      continue;
    bool blocked = false;
    for (const auto& row : p.lists.square)
      for (int s : row) blocked = blocked || (s < 64 && ((passed >> s) & 1));
    if (blocked) continue;
    checker.check(p);
    Placement plain = p;
    plain.ep = TB_NO_EP;
    TablebaseEntry withEp, without;
    // (Without en passant the placement may be illegal: the taking pawn gives check.)
    if (!locateTablebaseEntry(p.lists, p.side, p.ep, withEp) ||
        (locateTablebaseEntry(plain.lists, plain.side, plain.ep, without) && withEp.index == without.index))
      checker.fail("en passant shares the normal entry");
  }
  return checker.result;
}

}  // namespace velt
