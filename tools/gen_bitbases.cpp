// Solves king and pawn against king, and king, bishop and rook pawn against king, by
// retrograde analysis and writes the draw bitbases as src/board/bitbase_tables.cpp.
//
// Usage: gen_bitbases [output path]   (default src/board/bitbase_tables.cpp)
//
// The solver is self-contained: it knows only the few men of these endings. A move that
// leaves the ending is judged at once: a capture of the pawn draws, a capture of the
// bishop leads into the solved pawn ending, and a promotion to queen or rook wins unless
// the defender is stalemated or takes the new piece (king and queen or rook, with or
// without the bishop, wins from every other position). The pawn-ending bit is set for
// every legal drawn position; the bishop-ending bit, whose index keeps only the colour of
// the bishop's square, is set when at least one placement of the bishop on that colour is
// legal and every legal placement is drawn.
#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "board/bitbase.h"
#include "board/types.h"

using namespace velt;

namespace {

constexpr int NO_MAN = -1;
constexpr std::uint8_t DRAWING_EXIT = 0xFF;

// One position of either ending: the pawn and the bishop are white, black has its king.
struct Setup {
  int side;
  int whiteKing;
  int blackKing;
  int bishop;  // NO_MAN in the pawn ending or once captured
  int pawn;    // NO_MAN once captured
};

constexpr int kingSteps[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
constexpr int diagonalSteps[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
constexpr int straightSteps[4][2] = {{0, -1}, {-1, 0}, {1, 0}, {0, 1}};

int stepFrom(int square, const int step[2]) {
  int file = fileOf(square) + step[0], rank = rankOf(square) + step[1];
  return file < 0 || file > 7 || rank < 0 || rank > 7 ? NO_MAN : makeSquare(file, rank);
}

int kingDistance(int a, int b) {
  return std::max(std::abs(fileOf(a) - fileOf(b)), std::abs(rankOf(a) - rankOf(b)));
}

Bitboard bitOf(int square) { return square == NO_MAN ? 0 : Bitboard{1} << square; }

Bitboard occupancy(const Setup& s) {
  return bitOf(s.whiteKing) | bitOf(s.blackKing) | bitOf(s.bishop) | bitOf(s.pawn);
}

// Whether a slider on `from` moving in the given steps reaches `to` over empty squares.
bool slides(int from, int to, Bitboard occupied, const int (*steps)[2]) {
  for (int d = 0; d < 4; ++d)
    for (int square = stepFrom(from, steps[d]); square != NO_MAN; square = stepFrom(square, steps[d])) {
      if (square == to) return true;
      if (occupied & bitOf(square)) break;
    }
  return false;
}

bool pawnAttacks(int pawn, int square) {
  return pawn != NO_MAN && rankOf(square) == rankOf(pawn) + 1 && std::abs(fileOf(square) - fileOf(pawn)) == 1;
}

// Whether a white man of `s`, or an extra white slider, attacks `square`.
bool whiteAttacks(const Setup& s, int square, int queenOrRook = NO_MAN, bool extraIsQueen = false) {
  Bitboard occupied = occupancy(s) | bitOf(queenOrRook);
  if (kingDistance(s.whiteKing, square) == 1 || pawnAttacks(s.pawn, square)) return true;
  if (s.bishop != NO_MAN && s.bishop != square && slides(s.bishop, square, occupied, diagonalSteps)) return true;
  if (queenOrRook == NO_MAN || queenOrRook == square) return false;
  return slides(queenOrRook, square, occupied, straightSteps) ||
         (extraIsQueen && slides(queenOrRook, square, occupied, diagonalSteps));
}

bool isLegal(const Setup& s, bool withBishop) {
  Bitboard seen = 0;
  for (int square : {s.whiteKing, s.blackKing, s.bishop, s.pawn}) {
    if (square == NO_MAN) continue;
    if (seen & bitOf(square)) return false;
    seen |= bitOf(square);
  }
  if (rankOf(s.pawn) < 1 || rankOf(s.pawn) > 6) return false;
  if (withBishop && fileOf(s.pawn) != 0 && fileOf(s.pawn) != 7) return false;
  if (kingDistance(s.whiteKing, s.blackKing) < 2) return false;
  return s.side == BLACK || !whiteAttacks(s, s.blackKing);
}

// State numbering of the solver: the pawn-ending numbering is that of its bitbase; the
// bishop ending adds the bishop square and keeps only rook-pawn squares.
struct Ending {
  bool withBishop;

  std::uint32_t size() const { return withBishop ? 2u * 64 * 64 * 64 * 16 : 2u * 64 * 64 * 64; }

  std::uint32_t encode(const Setup& s) const {
    std::uint32_t kings = (s.side * 64 + s.whiteKing) * 64 + s.blackKing;
    if (!withBishop) return kings * 64 + s.pawn;
    return (kings * 64 + s.bishop) * 16 + rankOf(s.pawn) + (fileOf(s.pawn) == 7 ? 8 : 0);
  }

  Setup decode(std::uint32_t index) const {
    Setup s;
    if (withBishop) {
      int pawnCode = index & 15;
      index >>= 4;
      s.pawn = makeSquare(pawnCode >> 3 ? 7 : 0, pawnCode & 7);
      s.bishop = index & 63;
    } else {
      s.pawn = index & 63;
      s.bishop = NO_MAN;
    }
    index >>= 6;
    s.blackKing = index & 63;
    s.whiteKing = (index >> 6) & 63;
    s.side = index >> 12;
    return s;
  }
};

// Whether promoting to a queen or rook on `square` (black then to move) wins.
bool promotionWins(Setup s, int square) {
  s.pawn = NO_MAN;
  s.side = BLACK;
  for (bool queen : {true, false}) {
    bool canMove = false, takesNewPiece = false;
    for (const auto& step : kingSteps) {
      int to = stepFrom(s.blackKing, step);
      if (to == NO_MAN) continue;
      Setup after = s;
      after.blackKing = to;
      if (to == s.bishop) after.bishop = NO_MAN;
      if (whiteAttacks(after, to, to == square ? NO_MAN : square, queen)) continue;
      canMove = true;
      takesNewPiece |= to == square;
    }
    bool inCheck = whiteAttacks(s, s.blackKing, square, queen);
    if (!takesNewPiece && (canMove || inCheck)) return true;
  }
  return false;
}

struct Solver {
  Ending ending;
  const std::vector<std::uint8_t>* pawnEndingWon;  // used when the bishop is taken
  std::vector<std::uint8_t> won;
  std::vector<std::uint8_t> escapes;  // black to move: moves not yet known to lose
  std::vector<std::uint32_t> queue;

  void markWon(std::uint32_t index) {
    won[index] = 1;
    queue.push_back(index);
  }

  // Black to move: counts the moves that stay in the ending, or marks a drawing exit.
  void countEscapes(std::uint32_t index, const Setup& s) {
    int inside = 0, losingExits = 0;
    for (const auto& step : kingSteps) {
      int to = stepFrom(s.blackKing, step);
      if (to == NO_MAN) continue;
      Setup after = s;
      after.side = WHITE;
      after.blackKing = to;
      if (to == s.pawn) after.pawn = NO_MAN;
      if (to == s.bishop) after.bishop = NO_MAN;
      if (whiteAttacks(after, to)) continue;
      if (after.pawn == NO_MAN) {
        escapes[index] = DRAWING_EXIT;
        return;
      }
      if (to == s.bishop) {
        if (!(*pawnEndingWon)[Ending{false}.encode(after)]) {
          escapes[index] = DRAWING_EXIT;
          return;
        }
        ++losingExits;
      } else {
        ++inside;
      }
    }
    escapes[index] = static_cast<std::uint8_t>(inside);
    if (inside == 0 && (losingExits > 0 || whiteAttacks(s, s.blackKing))) markWon(index);
  }

  void considerWhitePredecessor(const Setup& p) {
    if (!isLegal(p, ending.withBishop)) return;
    std::uint32_t index = ending.encode(p);
    if (!won[index]) markWon(index);
  }

  void considerBlackPredecessor(const Setup& p) {
    if (!isLegal(p, ending.withBishop)) return;
    std::uint32_t index = ending.encode(p);
    if (won[index] || escapes[index] == DRAWING_EXIT) return;
    if (--escapes[index] == 0) markWon(index);
  }

  // White has just moved into `s`: every white move that could have led here.
  void unmoveWhite(const Setup& s) {
    Bitboard occupied = occupancy(s);
    Setup p = s;
    p.side = WHITE;
    for (const auto& step : kingSteps) {
      int from = stepFrom(s.whiteKing, step);
      if (from == NO_MAN || (occupied & bitOf(from))) continue;
      p.whiteKing = from;
      considerWhitePredecessor(p);
    }
    p.whiteKing = s.whiteKing;
    if (s.bishop != NO_MAN) {
      for (const auto& step : diagonalSteps)
        for (int from = stepFrom(s.bishop, step); from != NO_MAN && !(occupied & bitOf(from));
             from = stepFrom(from, step)) {
          p.bishop = from;
          considerWhitePredecessor(p);
        }
      p.bishop = s.bishop;
    }
    if (rankOf(s.pawn) >= 2 && !(occupied & bitOf(s.pawn - 8))) {
      p.pawn = s.pawn - 8;
      considerWhitePredecessor(p);
      if (rankOf(s.pawn) == 3 && !(occupied & bitOf(s.pawn - 16))) {
        p.pawn = s.pawn - 16;
        considerWhitePredecessor(p);
      }
    }
  }

  // Black has just moved into `s`.
  void unmoveBlack(const Setup& s) {
    Bitboard occupied = occupancy(s);
    Setup p = s;
    p.side = BLACK;
    for (const auto& step : kingSteps) {
      int from = stepFrom(s.blackKing, step);
      if (from == NO_MAN || (occupied & bitOf(from))) continue;
      p.blackKing = from;
      considerBlackPredecessor(p);
    }
  }

  void solve() {
    won.assign(ending.size(), 0);
    escapes.assign(ending.size(), 0);
    for (std::uint32_t index = 0; index < ending.size(); ++index) {
      Setup s = ending.decode(index);
      if (!isLegal(s, ending.withBishop)) continue;
      if (s.side == BLACK) {
        countEscapes(index, s);
      } else if (rankOf(s.pawn) == 6 && !(occupancy(s) & bitOf(s.pawn + 8)) && promotionWins(s, s.pawn + 8)) {
        markWon(index);
      }
    }
    while (!queue.empty()) {
      std::uint32_t index = queue.back();
      queue.pop_back();
      Setup s = ending.decode(index);
      if (s.side == BLACK)
        unmoveWhite(s);
      else
        unmoveBlack(s);
    }
  }
};

void setBit(std::vector<std::uint64_t>& table, int index) { table[index >> 6] |= std::uint64_t{1} << (index & 63); }

std::vector<std::uint64_t> pawnEndingTable(const Solver& solver) {
  std::vector<std::uint64_t> table(KPK_BITS / 64, 0);
  for (int index = 0; index < KPK_BITS; ++index) {
    Setup s = solver.ending.decode(index);
    if (isLegal(s, false) && !solver.won[index]) setBit(table, index);
  }
  return table;
}

std::vector<std::uint64_t> bishopEndingTable(const Solver& solver) {
  std::vector<std::uint64_t> table(KBPK_BITS / 64, 0);
  for (int side = 0; side < 2; ++side)
    for (int whiteKing = 0; whiteKing < 64; ++whiteKing)
      for (int blackKing = 0; blackKing < 64; ++blackKing)
        for (int pawnCode = 0; pawnCode < 16; ++pawnCode) {
          int pawn = makeSquare(pawnCode >> 3 ? 7 : 0, pawnCode & 7);
          bool anyLegal[2] = {false, false}, allDrawn[2] = {true, true};
          for (int bishop = 0; bishop < 64; ++bishop) {
            Setup s{side, whiteKing, blackKing, bishop, pawn};
            if (!isLegal(s, true)) continue;
            int colour = (rankOf(bishop) + fileOf(bishop)) & 1;
            anyLegal[colour] = true;
            allDrawn[colour] &= !solver.won[solver.ending.encode(s)];
          }
          // a1 stands for the dark squares and b1 for the light ones.
          for (int colour = 0; colour < 2; ++colour)
            if (anyLegal[colour] && allDrawn[colour])
              setBit(table, kbpkIndex(side, whiteKing, blackKing, colour == 0 ? A1 : B1, pawn));
        }
  return table;
}

void writeTable(std::FILE* out, const char* name, const std::vector<std::uint64_t>& table) {
  std::fprintf(out, "const std::uint64_t %s[%zu] = {\n", name, table.size());
  for (std::size_t i = 0; i < table.size(); ++i)
    std::fprintf(out, "0x%016" PRIX64 "%s", table[i], i % 4 == 3 ? ",\n" : ", ");
  std::fprintf(out, "};\n");
}

int countBits(const std::vector<std::uint64_t>& table) {
  int count = 0;
  for (std::uint64_t word : table) count += __builtin_popcountll(word);
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "src/board/bitbase_tables.cpp";
  Solver pawnEnding{Ending{false}, nullptr, {}, {}, {}};
  pawnEnding.solve();
  Solver bishopEnding{Ending{true}, &pawnEnding.won, {}, {}, {}};
  bishopEnding.solve();
  std::vector<std::uint64_t> kpk = pawnEndingTable(pawnEnding);
  std::vector<std::uint64_t> kbpk = bishopEndingTable(bishopEnding);

  std::FILE* out = std::fopen(path, "w");
  if (!out) {
    std::fprintf(stderr, "Cannot write %s\n", path);
    return 1;
  }
  std::fprintf(out, "// Generated by tools/gen_bitbases.cpp (retrograde analysis); do not edit.\n");
  std::fprintf(out, "#include \"board/bitbase.h\"\n\nnamespace velt {\n\n");
  writeTable(out, "kpkBitbase", kpk);
  writeTable(out, "kbpkBitbase", kbpk);
  std::fprintf(out, "\n}  // namespace velt\n");
  std::fclose(out);
  std::printf("%s: %d drawn pawn-ending indices, %d drawn bishop-ending indices\n", path, countBits(kpk),
              countBits(kbpk));
  return 0;
}
