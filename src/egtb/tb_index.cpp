// Class table and index family of the tablebase files. One generic numbering, laid
// out per class and side to move:
//   - the board is reflected so that the king of the side to move (the lead king)
//     stands on files a-d (pawn classes) or in the a1-b1-d1-d4 triangle (pawnless,
//     with the a1-h8 diagonal deciding when the lead king stands on it);
//   - the king pair is numbered (462 pawnless pairs, 1806 with pawns);
//   - the first group of men (the side to move's lowest kind, or the other side's
//     when the side to move has none) is counted from a start table per king pair,
//     over the squares allowed for it; a pair of equal men is numbered together;
//   - every further group is placed on the squares still free (pieces) or on the
//     pawn squares not taken by earlier pawns, in mixed radix.
// Positions with an en-passant capture follow the normal range.
#include "egtb/tb_index.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "board/types.h"

namespace velt {

namespace {

constexpr int PAWNLESS = 0, PAWNED = 1;                 // king-pair families
[[maybe_unused]] constexpr int PAWNLESS_PAIRS = 462;  // checked when the pairs are counted
constexpr int PAWN_PAIRS = 1806;
constexpr std::uint16_t NO_PAIR = 4000;
constexpr std::uint8_t NOT_ALLOWED = 255;
// Kinds of the allowed-square tables: 1..5 are men of the side to move (they may not
// attack the other king), 0 a pawn and 6 a piece of the side not to move.
constexpr int KIND_FREE_PAWN = 0, KIND_FREE_PIECE = 6, TABLE_KINDS = 7;
constexpr int PAWN_SQUARES = 48;
constexpr int FIRST_PAWN_SQUARE = 8, LAST_PAWN_SQUARE = 55;
constexpr int EP_CODES = 14;        // capturing pawn's file and direction
constexpr int EP_PAWN_RANK = 4;     // both pawns, with the side to move's pawns moving up
constexpr int RANK_FLIP = 56, FILE_FLIP = 7;
constexpr int MAX_GROUPS = 3;

struct Group {
  int classSide;
  int kind;
  int count;      // 1, or 2 for two equal men numbered together
  int tableKind;  // first group: allowed-square table
  std::uint32_t radix;  // further groups: numbers per placement
};

struct Layout {
  int groupCount;
  Group groups[MAX_GROUPS];
  bool pawns;
  bool enPassant;  // pawns on both sides
  std::uint32_t normalCount;
  std::uint32_t extraRadix;  // en-passant range: places of the man besides kings and both pawns
  std::uint32_t count;
};

struct IndexTables {
  std::uint16_t pairNumber[2][64][64];
  std::uint8_t pairKings[2][PAWN_PAIRS][2];
  int pairCount[2];
  std::uint8_t allowed[TABLE_KINDS][64][64];
  // Start index per king pair (and the total at the end), for one man and for two equal men.
  std::uint32_t start[2][TABLE_KINDS][2][PAWN_PAIRS + 1];
  TablebaseClassInfo classes[TB_CLASS_COUNT];
  Layout layouts[TB_CLASS_COUNT][2];
  std::int8_t classOfCounts[1 << 20];  // ten counts, two bits each
};
IndexTables tables;
std::once_flag tablesBuilt;

int distance(int a, int b) {
  return std::max(std::abs(fileOf(a) - fileOf(b)), std::abs(rankOf(a) - rankOf(b)));
}
bool onDiagonal(int square) { return rankOf(square) == fileOf(square); }
bool aboveDiagonal(int square) { return rankOf(square) > fileOf(square); }
int diagonalImage(int square) { return 8 * fileOf(square) + rankOf(square); }
int quadrantMask(int square) { return (fileOf(square) >= 4 ? FILE_FLIP : 0) | (rankOf(square) >= 4 ? RANK_FLIP : 0); }
Bitboard bit(int square) { return Bitboard{1} << square; }
Bitboard below(int square) { return bit(square) - 1; }

// Whether a man of table kind `kind` may stand on `square` with the other king on `king`.
bool allowedSquare(int kind, int king, int square) {
  if (square == king) return false;
  const bool pawnRank = rankOf(square) >= 1 && rankOf(square) <= 6;
  const int df = std::abs(fileOf(square) - fileOf(king)), dr = std::abs(rankOf(square) - rankOf(king));
  switch (kind) {
    case KIND_FREE_PAWN: return pawnRank;
    case TB_PAWN: return pawnRank && !(rankOf(square) == rankOf(king) - 1 && df == 1);
    case TB_KNIGHT: return !((df == 1 && dr == 2) || (df == 2 && dr == 1));
    case TB_BISHOP: return !(df == 1 && dr == 1);
    case TB_ROOK: return !(df + dr == 1);
    case TB_QUEEN: return distance(square, king) > 1;
    default: return true;
  }
}

void buildPairs() {
  for (int family = 0; family < 2; ++family) {
    int count = 0;
    for (int lead = 0; lead < 64; ++lead) {
      for (int other = 0; other < 64; ++other) {
        bool valid = distance(lead, other) > 1 && fileOf(lead) <= 3;
        if (family == PAWNLESS)
          valid = valid && rankOf(lead) <= fileOf(lead) && !(onDiagonal(lead) && aboveDiagonal(other));
        tables.pairNumber[family][lead][other] = valid ? count : NO_PAIR;
        if (!valid) continue;
        tables.pairKings[family][count][0] = lead;
        tables.pairKings[family][count][1] = other;
        ++count;
      }
    }
    assert(count == (family == PAWNLESS ? PAWNLESS_PAIRS : PAWN_PAIRS));
    tables.pairCount[family] = count;
  }
}

void buildAllowedAndStarts() {
  for (int kind = 0; kind < TABLE_KINDS; ++kind) {
    for (int king = 0; king < 64; ++king) {
      int number = 0;
      for (int square = 0; square < 64; ++square)
        tables.allowed[kind][king][square] = allowedSquare(kind, king, square) ? number++ : NOT_ALLOWED;
    }
    for (int family = 0; family < 2; ++family) {
      std::uint32_t single = 0, paired = 0;
      for (int pair = 0; pair < tables.pairCount[family]; ++pair) {
        tables.start[family][kind][0][pair] = single;
        tables.start[family][kind][1][pair] = paired;
        const int lead = tables.pairKings[family][pair][0], other = tables.pairKings[family][pair][1];
        std::uint32_t places = 0;
        for (int square = 0; square < 64; ++square)
          places += tables.allowed[kind][other][square] != NOT_ALLOWED && square != lead;
        single += places;
        paired += places * (places - 1) / 2;
      }
      tables.start[family][kind][0][tables.pairCount[family]] = single;
      tables.start[family][kind][1][tables.pairCount[family]] = paired;
    }
  }
}

// Class names in class-number order: "kk", kXk, kXkY, kXYk, then kXYkZ.
void buildClassNames() {
  const char* letters = TB_KIND_LETTERS;
  int number = 0;
  auto add = [&](const char* strong, const char* weak) {
    TablebaseClassInfo& info = tables.classes[number++];
    std::string name = std::string("k") + strong + "k" + weak;
    std::memcpy(info.name, name.c_str(), name.size() + 1);
    for (int s = 0; s < 2; ++s) {
      const char* men = s == 0 ? strong : weak;
      info.menCount[s] = static_cast<int>(std::strlen(men));
      for (int i = 0; i < info.menCount[s]; ++i)
        info.kinds[s][i] = static_cast<int>(std::strchr(letters, men[i]) - letters);
    }
    // Equal pieces on both sides: one file; pawns keep two, as their direction differs.
    info.flags = std::strcmp(strong, weak) == 0 && !std::strchr(strong, letters[TB_PAWN]) ? TB_SYMMETRIC : 0;
  };
  char one[5][2], two[15][3];
  for (int x = 1; x <= 5; ++x) one[x - 1][0] = letters[x], one[x - 1][1] = '\0';
  int pairs = 0;
  for (int x = 1; x <= 5; ++x)
    for (int y = 1; y <= x; ++y) two[pairs][0] = letters[x], two[pairs][1] = letters[y], two[pairs++][2] = '\0';
  add("", "");
  for (auto& x : one) add(x, "");
  for (int x = 0; x < 5; ++x)
    for (int y = 0; y <= x; ++y) add(one[x], one[y]);
  for (auto& xy : two) add(xy, "");
  for (auto& xy : two)
    for (auto& z : one) add(xy, z);
}

void buildLayout(int classNumber, int side) {
  const TablebaseClassInfo& info = tables.classes[classNumber];
  Layout& layout = tables.layouts[classNumber][side];
  layout = Layout{};
  bool pawnSide[2] = {false, false};
  for (int s = 0; s < 2; ++s)
    for (int i = 0; i < info.menCount[s]; ++i) pawnSide[s] = pawnSide[s] || info.kinds[s][i] == TB_PAWN;
  layout.pawns = pawnSide[0] || pawnSide[1];
  layout.enPassant = pawnSide[0] && pawnSide[1];
  const int family = layout.pawns ? PAWNED : PAWNLESS;
  // The side to move's men first, then the other side's, each from the lowest kind up.
  int piecesPlaced = 2, pawnsPlaced = 0;
  std::uint32_t count = 0;
  for (int s : {side, side ^ 1}) {
    for (int i = info.menCount[s] - 1; i >= 0; --i) {
      const int kind = info.kinds[s][i];
      if (i < info.menCount[s] - 1 && info.kinds[s][i + 1] == kind) continue;  // counted with its twin
      Group& group = layout.groups[layout.groupCount];
      group.classSide = s;
      group.kind = kind;
      group.count = (i > 0 && info.kinds[s][i - 1] == kind) ? 2 : 1;
      if (layout.groupCount == 0) {
        group.tableKind = s == side ? kind : (kind == TB_PAWN ? KIND_FREE_PAWN : KIND_FREE_PIECE);
        count = tables.start[family][group.tableKind][group.count - 1][tables.pairCount[family]];
      } else {
        const std::uint32_t places = kind == TB_PAWN ? PAWN_SQUARES - pawnsPlaced : 64 - piecesPlaced;
        group.radix = group.count == 2 ? places * (places - 1) / 2 : places;
        count *= group.radix;
      }
      piecesPlaced += group.count;
      if (kind == TB_PAWN) pawnsPlaced += group.count;
      ++layout.groupCount;
    }
  }
  if (layout.groupCount == 0) count = tables.pairCount[family];
  layout.normalCount = count;
  layout.count = count;
  if (layout.enPassant) {
    const int men = info.menCount[0] + info.menCount[1];
    layout.extraRadix = 1;
    if (men == 3) {
      // The man besides both pawns: a second pawn of one side, or a piece.
      bool extraPawn = info.kinds[0][0] == TB_PAWN && info.kinds[0][1] == TB_PAWN;
      layout.extraRadix = extraPawn ? PAWN_SQUARES - 2 : 64 - 4;
    }
    layout.count += PAWN_PAIRS * EP_CODES * layout.extraRadix;
  }
}

void buildClassLookup() {
  std::memset(tables.classOfCounts, 0, sizeof tables.classOfCounts);
  for (int c = 1; c < TB_CLASS_COUNT; ++c) {
    const TablebaseClassInfo& info = tables.classes[c];
    int counts[2][5] = {};
    for (int s = 0; s < 2; ++s)
      for (int i = 0; i < info.menCount[s]; ++i) ++counts[s][info.kinds[s][i] - 1];
    int key = 0, exchanged = 0;
    for (int k = 0; k < 5; ++k) {
      key |= counts[0][k] << (2 * k) | counts[1][k] << (2 * (k + 5));
      exchanged |= counts[1][k] << (2 * k) | counts[0][k] << (2 * (k + 5));
    }
    tables.classOfCounts[key] = static_cast<std::int8_t>(c);
    if (!(info.flags & TB_SYMMETRIC)) tables.classOfCounts[exchanged] = static_cast<std::int8_t>(-c);
  }
}

void buildAll() {
  buildPairs();
  buildAllowedAndStarts();
  buildClassNames();
  for (int c = 0; c < TB_CLASS_COUNT; ++c) {
    for (int side = 0; side < 2; ++side) {
      buildLayout(c, side);
      tables.classes[c].positionCount[side] = tables.layouts[c][side].count;
    }
  }
  buildClassLookup();
}

// Number of a first-group man on `square` over the allowed squares, the lead king's
// square skipped; -1 when it may not stand there.
int firstGroupNumber(int tableKind, int lead, int other, int square) {
  const std::uint8_t number = tables.allowed[tableKind][other][square];
  if (number == NOT_ALLOWED) return -1;
  return number - (lead < square && tables.allowed[tableKind][other][lead] != NOT_ALLOWED);
}

// The normal-range index of the men in squares[] (group order, equal men ascending).
std::uint32_t numberMen(const Layout& layout, int family, int pair, int lead, int other, const int* squares) {
  if (layout.groupCount == 0) return pair;
  const Group& first = layout.groups[0];
  std::uint32_t index;
  const int a = firstGroupNumber(first.tableKind, lead, other, squares[0]);
  if (a < 0) return TB_NO_INDEX;
  if (first.count == 1) {
    index = tables.start[family][first.tableKind][0][pair] + a;
  } else {
    const int b = firstGroupNumber(first.tableKind, lead, other, squares[1]);
    if (b < 0) return TB_NO_INDEX;
    index = tables.start[family][first.tableKind][1][pair] + b * (b - 1) / 2 + a;
  }
  Bitboard placed = bit(lead) | bit(other), pawnsPlaced = 0;
  int next = 0;
  for (int g = 0; g < layout.groupCount; ++g) {
    const Group& group = layout.groups[g];
    std::uint32_t numbers[2] = {0, 0};
    for (int i = 0; i < group.count; ++i) {
      const int square = squares[next + i];
      if (group.kind == TB_PAWN) {
        if (square < FIRST_PAWN_SQUARE || square > LAST_PAWN_SQUARE) return TB_NO_INDEX;
        numbers[i] = square - FIRST_PAWN_SQUARE - std::popcount(pawnsPlaced & below(square));
      } else {
        numbers[i] = square - std::popcount(placed & below(square));
      }
    }
    if (g > 0) {
      index = index * group.radix +
              (group.count == 2 ? numbers[1] * (numbers[1] - 1) / 2 + numbers[0] : numbers[0]);
    }
    for (int i = 0; i < group.count; ++i) {
      placed |= bit(squares[next + i]);
      if (group.kind == TB_PAWN) pawnsPlaced |= bit(squares[next + i]);
    }
    next += group.count;
  }
  return index;
}

void sortGroupSquares(const Layout& layout, int* squares) {
  int next = 0;
  for (int g = 0; g < layout.groupCount; ++g) {
    if (layout.groups[g].count == 2 && squares[next] > squares[next + 1]) std::swap(squares[next], squares[next + 1]);
    next += layout.groups[g].count;
  }
}

// The en-passant index, or TB_NO_INDEX when no pawn of the side to move can take.
std::uint32_t enPassantIndex(const Layout& layout, int side, int pair, int lead, int other, const int* squares,
                             int epSquare) {
  if (rankOf(epSquare) != EP_PAWN_RANK + 1) return TB_NO_INDEX;
  const int victim = epSquare - 8;
  Bitboard ownPawns = 0, theirPawns = 0;
  int next = 0, extra = NO_SQUARE;
  bool extraPawn = false;
  for (int g = 0; g < layout.groupCount; ++g) {
    for (int i = 0; i < layout.groups[g].count; ++i, ++next) {
      if (layout.groups[g].kind != TB_PAWN) extra = squares[next];
      else if (layout.groups[g].classSide == side) ownPawns |= bit(squares[next]);
      else theirPawns |= bit(squares[next]);
    }
  }
  if (!(theirPawns & bit(victim))) return TB_NO_INDEX;
  int capturer, code;
  if (fileOf(victim) < 7 && (ownPawns & bit(victim + 1))) {
    capturer = victim + 1, code = fileOf(victim);  // towards the a-file
  } else if (fileOf(victim) > 0 && (ownPawns & bit(victim - 1))) {
    capturer = victim - 1, code = 7 + fileOf(capturer);  // towards the h-file
  } else {
    return TB_NO_INDEX;
  }
  const Bitboard rest = (ownPawns | theirPawns) & ~bit(capturer) & ~bit(victim);
  if (rest) extra = std::countr_zero(rest), extraPawn = true;
  std::uint32_t extraNumber = 0;
  if (extra != NO_SQUARE) {
    const Bitboard pawns = bit(capturer) | bit(victim);
    extraNumber = extraPawn ? extra - FIRST_PAWN_SQUARE - std::popcount(pawns & below(extra))
                            : extra - std::popcount((pawns | bit(lead) | bit(other)) & below(extra));
  }
  return layout.normalCount + (static_cast<std::uint32_t>(pair) * EP_CODES + code) * layout.extraRadix +
         extraNumber;
}

// The n-th square (from 0) of `candidates`, or NO_SQUARE.
int nthSquare(Bitboard candidates, std::uint32_t n) {
  if (n >= static_cast<std::uint32_t>(std::popcount(candidates))) return NO_SQUARE;
  for (; n > 0; --n) candidates &= candidates - 1;
  return std::countr_zero(candidates);
}

// Splits a triangular number j(j-1)/2 + i (i < j) into i and j.
void splitPair(std::uint32_t number, std::uint32_t& i, std::uint32_t& j) {
  j = 1;
  while ((j + 1) * j / 2 <= number) ++j;
  i = number - j * (j - 1) / 2;
}

Bitboard firstGroupSquares(int tableKind, int lead, int other) {
  Bitboard squares = 0;
  for (int s = 0; s < 64; ++s)
    if (tables.allowed[tableKind][other][s] != NOT_ALLOWED && s != lead) squares |= bit(s);
  return squares;
}

}  // namespace

void initTablebaseIndex() { std::call_once(tablesBuilt, buildAll); }

const TablebaseClassInfo& tablebaseClass(int classNumber) { return tables.classes[classNumber]; }

int tablebaseClassByName(const char* name) {
  initTablebaseIndex();
  for (int c = 0; c < TB_CLASS_COUNT; ++c)
    if (std::strcmp(tables.classes[c].name, name) == 0) return c;
  return -1;
}

int tablebaseClassOfCounts(const int counts[10]) {
  int key = 0;
  for (int i = 0; i < 10; ++i) {
    if (counts[i] > 3) return 0;
    key |= counts[i] << (2 * i);
  }
  return tables.classOfCounts[key];
}

std::uint32_t tablebaseIndex(int classNumber, int side, const TablebasePieceLists& lists, int epSquare,
                             bool inverted) {
  const Layout& layout = tables.layouts[classNumber][side];
  const int family = layout.pawns ? PAWNED : PAWNLESS;
  const int leadKing = lists.square[side][TB_KING_SLOT], otherKing = lists.square[side ^ 1][TB_KING_SLOT];
  // The frame: reflections chosen by the lead king.
  int mask;
  bool diagonal = false;
  if (layout.pawns) {
    const int flip = (inverted ? RANK_FLIP : 0) ^ (side ? RANK_FLIP : 0);
    mask = flip ^ (fileOf(leadKing ^ flip) >= 4 ? FILE_FLIP : 0);
  } else {
    mask = quadrantMask(leadKing);
    diagonal = aboveDiagonal(leadKing ^ mask) || (onDiagonal(leadKing ^ mask) && aboveDiagonal(otherKing ^ mask));
  }
  auto frame = [&](int square) { return diagonal ? diagonalImage(square ^ mask) : square ^ mask; };
  const int lead = frame(leadKing), other = frame(otherKing);
  const int pair = tables.pairNumber[family][lead][other];
  if (pair == NO_PAIR) return TB_NO_INDEX;
  int squares[MAX_GROUPS * 2];
  int next = 0;
  for (int g = 0; g < layout.groupCount; ++g) {
    const Group& group = layout.groups[g];
    for (int i = 0; i < group.count; ++i)
      squares[next++] = frame(lists.square[group.classSide][3 * (group.kind - 1) + i]);
  }
  sortGroupSquares(layout, squares);
  if (layout.enPassant && epSquare >= 0 && epSquare < 64) {
    const std::uint32_t index = enPassantIndex(layout, side, pair, lead, other, squares, frame(epSquare));
    if (index != TB_NO_INDEX) return index;
  }
  std::uint32_t index = numberMen(layout, family, pair, lead, other, squares);
  // Both kings on the diagonal: the diagonal image has its own number; the smaller serves.
  if (!layout.pawns && onDiagonal(lead) && onDiagonal(other)) {
    for (int i = 0; i < next; ++i) squares[i] = diagonalImage(squares[i]);
    sortGroupSquares(layout, squares);
    index = std::min(index, numberMen(layout, family, pair, lead, other, squares));
  }
  return index;
}

bool tablebasePosition(int classNumber, int side, std::uint32_t index, TablebasePieceLists& lists, int& epSquare) {
  const Layout& layout = tables.layouts[classNumber][side];
  if (index >= layout.count) return false;
  const int family = layout.pawns ? PAWNED : PAWNLESS;
  int squares[MAX_GROUPS * 2];
  int pair;
  epSquare = TB_NO_EP;
  if (index >= layout.normalCount) {
    std::uint32_t rest = index - layout.normalCount;
    const std::uint32_t extraNumber = rest % layout.extraRadix;
    rest /= layout.extraRadix;
    const int code = rest % EP_CODES;
    pair = rest / EP_CODES;
    const int victimFile = code < 7 ? code : code - 6;
    const int capturerFile = code < 7 ? code + 1 : code - 7;
    const int victim = makeSquare(victimFile, EP_PAWN_RANK), capturer = makeSquare(capturerFile, EP_PAWN_RANK);
    const int lead = tables.pairKings[family][pair][0], other = tables.pairKings[family][pair][1];
    epSquare = victim + 8;
    // Give each man its square in group order: one own pawn takes, one of theirs is taken.
    bool capturerPlaced = false, victimPlaced = false;
    int next = 0;
    for (int g = 0; g < layout.groupCount; ++g) {
      const Group& group = layout.groups[g];
      for (int i = 0; i < group.count; ++i, ++next) {
        int square;
        if (group.kind == TB_PAWN && group.classSide == side && !capturerPlaced) {
          square = capturer, capturerPlaced = true;
        } else if (group.kind == TB_PAWN && group.classSide != side && !victimPlaced) {
          square = victim, victimPlaced = true;
        } else if (group.kind == TB_PAWN) {
          square = nthSquare(0x00FFFFFFFFFFFF00ull & ~bit(capturer) & ~bit(victim), extraNumber);
        } else {
          square = nthSquare(~(bit(capturer) | bit(victim) | bit(lead) | bit(other)), extraNumber);
        }
        squares[next] = square;
      }
    }
  } else {
    std::uint32_t rest = index;
    std::uint32_t numbers[MAX_GROUPS][2];
    for (int g = layout.groupCount - 1; g >= 1; --g) {
      const Group& group = layout.groups[g];
      const std::uint32_t number = rest % group.radix;
      rest /= group.radix;
      if (group.count == 2) splitPair(number, numbers[g][0], numbers[g][1]);
      else numbers[g][0] = number;
    }
    if (layout.groupCount == 0) {
      pair = rest;
    } else {
      const Group& first = layout.groups[0];
      const std::uint32_t* starts = tables.start[family][first.tableKind][first.count - 1];
      pair = static_cast<int>(std::upper_bound(starts, starts + tables.pairCount[family] + 1, rest) - starts) - 1;
      const std::uint32_t number = rest - starts[pair];
      if (first.count == 2) splitPair(number, numbers[0][0], numbers[0][1]);
      else numbers[0][0] = number;
    }
    const int lead = tables.pairKings[family][pair][0], other = tables.pairKings[family][pair][1];
    Bitboard placed = bit(lead) | bit(other), pawnsPlaced = 0;
    int next = 0;
    for (int g = 0; g < layout.groupCount; ++g) {
      const Group& group = layout.groups[g];
      const Bitboard candidates = g == 0                  ? firstGroupSquares(group.tableKind, lead, other)
                                  : group.kind == TB_PAWN ? 0x00FFFFFFFFFFFF00ull & ~pawnsPlaced
                                                          : ~placed;
      for (int i = 0; i < group.count; ++i) squares[next + i] = nthSquare(candidates, numbers[g][i]);
      for (int i = 0; i < group.count; ++i) {
        if (squares[next + i] == NO_SQUARE) return false;
        placed |= bit(squares[next + i]);
        if (group.kind == TB_PAWN) pawnsPlaced |= bit(squares[next + i]);
      }
      next += group.count;
    }
  }
  // Back from the frame to the board, the first side moving up.
  const int unflip = layout.pawns && side ? RANK_FLIP : 0;
  for (auto& row : lists.square)
    for (int& square : row) square = NO_SQUARE;
  lists.square[side][TB_KING_SLOT] = tables.pairKings[family][pair][0] ^ unflip;
  lists.square[side ^ 1][TB_KING_SLOT] = tables.pairKings[family][pair][1] ^ unflip;
  if (epSquare != TB_NO_EP) epSquare ^= unflip;
  Bitboard occupied = bit(lists.square[0][TB_KING_SLOT]) | bit(lists.square[1][TB_KING_SLOT]);
  int next = 0;
  for (int g = 0; g < layout.groupCount; ++g) {
    const Group& group = layout.groups[g];
    int* slots = &lists.square[group.classSide][3 * (group.kind - 1)];
    for (int i = 0; i < group.count; ++i) {
      const int square = squares[next++];
      if (square == NO_SQUARE || (occupied & bit(square ^ unflip))) return false;
      occupied |= bit(square ^ unflip);
      slots[i] = square ^ unflip;
    }
    if (group.count == 2 && slots[0] > slots[1]) std::swap(slots[0], slots[1]);
  }
  return true;
}

bool locateTablebaseEntry(const TablebasePieceLists& byColour, int sideToMove, int epSquare,
                          TablebaseEntry& entry) {
  int counts[10];
  for (int colour = 0; colour < 2; ++colour) {
    for (int kind = TB_PAWN; kind <= TB_QUEEN; ++kind) {
      int n = 0;
      while (n < 3 && byColour.square[colour][3 * (kind - 1) + n] < 64) ++n;
      counts[5 * colour + kind - 1] = n;
    }
  }
  int classNumber = tablebaseClassOfCounts(counts);
  if (classNumber == 0) return false;
  const bool exchanged =
      classNumber < 0 || ((tables.classes[classNumber].flags & TB_SYMMETRIC) && sideToMove == BLACK);
  classNumber = std::abs(classNumber);
  TablebasePieceLists lists = byColour;
  if (exchanged) std::swap(lists.square[0], lists.square[1]);
  entry.classNumber = classNumber;
  entry.side = exchanged ? sideToMove ^ 1 : sideToMove;
  entry.index = tablebaseIndex(classNumber, entry.side, lists, epSquare, exchanged);
  return entry.index != TB_NO_INDEX;
}

}  // namespace velt
