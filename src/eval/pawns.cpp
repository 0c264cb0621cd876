#include "eval/pawns.h"

#include <bit>
#include <cassert>
#include <cstdlib>
#include <cstring>

#include "board/attacks.h"
#include "eval/colour_view.h"
#include "eval/eval_data.h"
#include "eval/eval_state.h"
#include "eval/material.h"
#include "eval/eval_tables.h"

namespace velt {

namespace {

constexpr std::size_t TABLE_BYTES = sizeof(PawnEntry) * PAWN_HASH_ENTRIES;

PawnEntry* allocateTable(PawnEntry*& table) {
  void* memory = std::malloc(TABLE_BYTES);
  if (memory == nullptr) return nullptr;
  std::memset(memory, 0xFF, TABLE_BYTES);
  table = static_cast<PawnEntry*>(memory);
  return table;
}

constexpr int isolatedMg(bool blocked) { return blocked ? 158 : 1846; }
constexpr int backwardMg(bool blocked) { return blocked ? 812 : 1744; }
constexpr int ISOLATED_EG = 648, BACKWARD_EG = 594, DOUBLED_EG = 316;

// Bits of a rank byte strictly above rank r (up to the eighth rank).
constexpr unsigned above(unsigned ranks, int r) { return ranks >> (r + 1); }
constexpr unsigned bitAt(unsigned ranks, int r) { return r >= 0 && r < 8 ? (ranks >> r) & 1 : 0; }

// Pawn-only terms of colour C, white's view on mirrored rank bytes.
template <int C>
void scorePawnStructure(const Position& pos, PawnEntry& entry, int& mg, int& eg) {
  std::uint8_t own[10], enemy[10];
  for (int i = 0; i < 10; ++i) {
    own[i] = relativeRanks<C>(pos.pawnRanks[C][i]);
    enemy[i] = relativeRanks<C>(pos.pawnRanks[1 - C][i]);
  }
  int count = 0, lowestFile = 8, highestFile = -1;
  unsigned passed = 0, candidates = 0, files = 0;
  for (Bitboard pawns = pos.pieceBB[C][PAWN]; pawns; pawns &= pawns - 1) {
    const int square = std::countr_zero(pawns);
    const int file = fileOf(square), r = relativeRank<C>(square), b = file + 1;
    ++count;
    if (file < lowestFile) lowestFile = file;
    if (file > highestFile) highestFile = file;
    files |= 1u << file;

    const int rs = relativeSquare<C>(square);
    mg += pawnMg[rs];
    eg += pawnEg[rs];

    const bool blocked = above(own[b] | enemy[b], r) != 0;
    const unsigned ownSides = own[b - 1] | own[b + 1];
    const unsigned enemySides = enemy[b - 1] | enemy[b + 1];
    if (ownSides == 0) {
      mg -= isolatedMg(blocked);
      eg -= ISOLATED_EG;
    } else if ((ownSides & ((2u << r) - 1)) == 0 &&
               (bitAt(enemySides, r + 2) || (bitAt(enemySides, r + 3) && !bitAt(ownSides, r + 1)))) {
      mg -= backwardMg(blocked);
      eg -= BACKWARD_EG;
    }
    if (own[b] & ~(1u << r)) eg -= DOUBLED_EG;

    if (above(enemy[b - 1] | enemy[b] | enemy[b + 1], r) == 0) {
      passed |= 1u << file;
    } else if (!blocked) {
      const unsigned enemyBeside = bitAt(enemy[b - 1], r + 1) + bitAt(enemy[b + 1], r + 1);
      const unsigned ownBehind = bitAt(own[b - 1], r - 1) + bitAt(own[b + 1], r - 1);
      if (above(enemySides, r + 1) == 0 && enemyBeside <= ownBehind) candidates |= 1u << file;
      const int enemyAhead = std::popcount(above(enemy[b - 1], r)) + std::popcount(above(enemy[b + 1], r));
      const int ownLevel = std::popcount(own[b - 1] & ((2u << r) - 1)) + std::popcount(own[b + 1] & ((2u << r) - 1));
      if (enemyAhead <= ownLevel) {
        mg += candMg[r];
        eg += candEg[r];
      }
    }
  }
  const int shift = 8 * C;
  entry.passedFiles |= static_cast<std::uint16_t>(passed << shift);
  entry.candidateFiles |= static_cast<std::uint16_t>(candidates << shift);
  entry.pawnFiles |= static_cast<std::uint16_t>(files << shift);
  const int scale = scaleTable[count][count ? highestFile - lowestFile : 0];
  (C == WHITE ? entry.scaleWhite : entry.scaleBlack) = static_cast<std::int16_t>(scale);
}

// ---------------------------------------------------------------------------
// Pawn race, scored only for the pawns of a side whose opponent has no piece.
// The rules, as a player would check them:
//  R1 Square: the defending king catches nothing when it stands below the
//     pawn's rank, or farther from the pawn than the pawn's distance to the last
//     rank; when the defender is to move it gets one rank and one square more.
//  R2 Escort: a pawn on its sixth or seventh rank with nothing in front, whose
//     own king stands on a neighbouring file one rank ahead of it, queens even
//     inside the square: the king guards the pawn and every square it still
//     has to cross.
//  R3 Count: moves to queen, one more when a man stands in front of the pawn,
//     one fewer from the second rank (double step).
//  R4 Winner: the side to move wins with a smaller count, the other side needs
//     a count smaller by two.
//  R5 Queen takes queen: a side that queens one move ahead also wins when its
//     new queen sees the other side's queening square along a clear line: the
//     other side's count counts one larger.
//  R6 Catchable pawn: when the loser has a passed pawn inside the winner king's
//     square that queens in no more moves than the winner's pawn, the winner
//     wins only if its king reaches that pawn's queening square in time and the
//     loser's king, given those moves too, still cannot catch the winning pawn.
//  R7 Equal race (both queen, neither wins): a first new queen that gives check
//     gains the tempo: 3200. (It can never be taken at once: a king next to the
//     queening square stands inside the pawn's square.)
// ---------------------------------------------------------------------------

constexpr int NO_RACE = 127;
constexpr int forWhite(int colour, int value) { return colour == WHITE ? value : -value; }
constexpr int RACE_WIN = 51200, RACE_TEMPO = 3200;

struct RaceRunner {
  int count = NO_RACE;  // fewest moves to queen of an unstoppable pawn
  int pawnSquare = NO_SQUARE;
  int queenSquare = NO_SQUARE;
  int catchableCount = NO_RACE;  // fewest moves of a passed pawn the enemy king can catch
  int catchableQueenSquare = NO_SQUARE;
};

template <int C>
bool escortedByKing(const Position& pos, int square, int r) {
  const int king = pos.kingSquare[C];
  const int fileGap = fileOf(king) - fileOf(square);
  return r >= 5 && (fileGap == 1 || fileGap == -1) && relativeRank<C>(king) == r + 1 &&
         (ray[square][forwardDirection<C>()] & pos.occupied) == 0;
}

template <int C>
void addRacer(const Position& pos, int square, RaceRunner& runner) {
  const int r = relativeRank<C>(square);
  const int defenderKing = pos.kingSquare[1 - C];
  const int tempo = pos.side == 1 - C ? 1 : 0;
  const bool outsideSquare =
      relativeRank<C>(defenderKing) < r - tempo || squareDistance(defenderKing, square) > 7 - r + tempo;
  const int count = 7 - r + (firstManInDirection(pos, square, forwardDirection<C>()) != NO_SQUARE ? 1 : 0) -
                    (r == 1 ? 1 : 0);
  const int queenSquare = makeSquare(fileOf(square), C == WHITE ? 7 : 0);
  if (outsideSquare || escortedByKing<C>(pos, square, r)) {
    if (count < runner.count) {
      runner.count = count;
      runner.pawnSquare = square;
      runner.queenSquare = queenSquare;
    }
  } else if (count < runner.catchableCount) {
    runner.catchableCount = count;
    runner.catchableQueenSquare = queenSquare;
  }
}

// Passed-pawn terms of colour C.
template <int C>
void scorePassers(const Position& pos, const PawnEntry& entry, EvalState& st) {
  constexpr int T = 1 - C;
  constexpr int forward = forwardDirection<C>();
  const unsigned passed = (entry.passedFiles >> (8 * C)) & 0xFF;
  unsigned files = passed | ((entry.candidateFiles >> (8 * C)) & 0xFF);
  const int enemyMaterial = pos.pieceMaterial[T];
  const Bitboard enemyOnly = pos.attackMap[pos.ply][T] & ~pos.attackMap[pos.ply][C];
  int mg = 0, eg = 0;
  for (; files; files &= files - 1) {
    const int file = std::countr_zero(files);
    const unsigned ranks = relativeRanks<C>(pos.pawnRanks[C][file + 1]);
    const int r = 31 - std::countl_zero(ranks);
    const int square = relativeSquare<C>(makeSquare(file, r));
    mg += passMg[r];
    eg += passEg[r];
    if (r >= 3) {
      if (enemyMaterial != 0) {
        const Bitboard path = ray[square][forward];
        if ((path & pos.colourBB[C]) == 0) eg += passFreeOwn[r];
        if ((path & pos.colourBB[T]) == 0) eg += passFree[r];
        if (r >= 5 && (path & enemyOnly) == 0) eg += passSafe[r];
      }
      const int front = square + directionDelta[forward];
      eg += passKingE[r] * squareDistance(pos.kingSquare[T], front) -
            passKingO[r] * squareDistance(pos.kingSquare[C], front);
    }
    if (!((passed >> file) & 1)) continue;

    // Two connected passed pawns far up the board against a rook or less.
    if (enemyMaterial > 0 && enemyMaterial <= 500 && r >= 5 && file > 0 && ((passed >> (file - 1)) & 1)) {
      const unsigned left = relativeRanks<C>(pos.pawnRanks[C][file]);
      if (left & 0x60) {
        const int r2 = (left & 0x40) ? 6 : 5;
        const int tempo = pos.side == T ? 1 : 0;
        const int king = pos.kingSquare[T];
        const int leftSquare = relativeSquare<C>(makeSquare(file - 1, r2));
        if (squareDistance(king, square) - tempo > 7 - r && squareDistance(king, leftSquare) - tempo > 7 - r2)
          eg += enemyMaterial == 500 ? 19200 : (r == r2 ? 6400 : 960);
      }
    }
  }
  st.mg[C] += mg;
  st.eg[C] += eg;
}

// True when a queen on `from` would see `to` along a clear line, the racing
// pawns (which will have left their squares) not counted as blockers.
bool queenSees(const Position& pos, int from, int to, Bitboard ignored) {
  if (squareDistance(from, to) == 1) return true;
  return direction[from][to] >= 0 && (squaresBetween(from, to) & pos.occupied & ~ignored) == 0;
}

// R6: the winner's king must deal with a catchable pawn of the loser first.
bool winSurvivesCatchable(const Position& pos, const RaceRunner runners[2], int winner) {
  const int loser = 1 - winner;
  const RaceRunner& win = runners[winner];
  const RaceRunner& lose = runners[loser];
  if (lose.catchableCount > win.count) return true;
  const int loserTempo = pos.side == loser ? 1 : 0;
  const int kingMoves = squareDistance(pos.kingSquare[winner], lose.catchableQueenSquare);
  return kingMoves <= lose.catchableCount - loserTempo &&
         squareDistance(pos.kingSquare[loser], win.queenSquare) > kingMoves + win.count + loserTempo;
}

// The most advanced pawn of every passed file of colour C, when the opponent has no piece.
template <int C>
void collectRacers(const Position& pos, const PawnEntry& entry, RaceRunner& runner) {
  if (pos.pieceMaterial[1 - C] != 0) return;
  for (unsigned files = (entry.passedFiles >> (8 * C)) & 0xFF; files; files &= files - 1) {
    const int file = std::countr_zero(files);
    const int r = 31 - std::countl_zero(static_cast<unsigned>(relativeRanks<C>(pos.pawnRanks[C][file + 1])));
    addRacer<C>(pos, relativeSquare<C>(makeSquare(file, r)), runner);
  }
}

// The race score, white's view.
int scoreRace(const Position& pos, const RaceRunner runners[2]) {
  const int w = runners[WHITE].count, b = runners[BLACK].count;
  if (w == NO_RACE && b == NO_RACE) return 0;
  const int s = pos.side == BLACK ? 1 : 0;
  int wCompared = w, bCompared = b;
  if (w != NO_RACE && b != NO_RACE) {
    const Bitboard racers = squareBit[runners[WHITE].pawnSquare] | squareBit[runners[BLACK].pawnSquare];
    if (w == b - s && queenSees(pos, runners[WHITE].queenSquare, runners[BLACK].queenSquare, racers))
      ++bCompared;
    else if (b == w - (1 - s) && queenSees(pos, runners[BLACK].queenSquare, runners[WHITE].queenSquare, racers))
      ++wCompared;
  }
  const int winner = wCompared < bCompared - s ? WHITE : bCompared < wCompared - (1 - s) ? BLACK : NO_PIECE;
  if (winner != NO_PIECE) return winSurvivesCatchable(pos, runners, winner) ? forWhite(winner, RACE_WIN) : 0;
  if (w == NO_RACE || b == NO_RACE) return 0;
  const int first = w <= b - s ? WHITE : BLACK;
  const bool check = queenSees(pos, runners[first].queenSquare, pos.kingSquare[1 - first],
                               squareBit[runners[first].pawnSquare]);
  return check ? forWhite(first, RACE_TEMPO) : 0;
}

}  // namespace

bool allocatePawnHash(EvalData& data) {
  for (PawnEntry*& table : data.pawnTables) {
    if (table == nullptr && allocateTable(table) == nullptr) return false;
  }
  return true;
}

void releasePawnHash(EvalData& data) {
  for (PawnEntry*& table : data.pawnTables) {
    std::free(table);
    table = nullptr;
  }
}

void clearPawnHash(EvalData& data) {
  for (PawnEntry* table : data.pawnTables) {
    if (table != nullptr) std::memset(static_cast<void*>(table), 0xFF, TABLE_BYTES);
  }
}

PawnEntry* probePawnHash(const EvalPosition& pos) {
  // allocatePawnHash runs before the first evaluation.
  PawnEntry* table = pos.evalData->pawnTables[pos.threadIndex];
  assert(table != nullptr);
  const auto keyLow = static_cast<std::uint32_t>(pos.pawnKey);
  const auto keyHigh = static_cast<std::uint32_t>(pos.pawnKey >> 32);
  PawnEntry& entry = table[keyLow & (PAWN_HASH_ENTRIES - 1)];
  if (entry.keyLow == keyLow && entry.keyHigh == keyHigh) return &entry;
  // Always replace; the shelter words belong to the old structure.
  std::memset(entry.shelter, 0xFF, sizeof entry.shelter);
  entry.keyLow = keyLow;
  entry.keyHigh = keyHigh;
  evaluatePawns(pos, entry);
  return &entry;
}

void evaluatePawns(const Position& pos, PawnEntry& entry) {
  entry.passedFiles = entry.candidateFiles = entry.pawnFiles = 0;
  int mgWhite = 0, egWhite = 0, mgBlack = 0, egBlack = 0;
  scorePawnStructure<WHITE>(pos, entry, mgWhite, egWhite);
  scorePawnStructure<BLACK>(pos, entry, mgBlack, egBlack);
  entry.mgPawnScore = mgWhite - mgBlack;
  entry.egPawnScore = egWhite - egBlack;
}

void evaluatePassedPawns(const Position& pos, const PawnEntry& entry, EvalState& st) {
  scorePassers<WHITE>(pos, entry, st);
  scorePassers<BLACK>(pos, entry, st);
  if (pos.pieceMaterial[WHITE] == 0 || pos.pieceMaterial[BLACK] == 0) st.eg[WHITE] += pawnRaceScore(pos, entry);
}

int pawnRaceScore(const Position& pos, const PawnEntry& entry) {
  RaceRunner runners[2];
  collectRacers<WHITE>(pos, entry, runners[WHITE]);
  collectRacers<BLACK>(pos, entry, runners[BLACK]);
  return scoreRace(pos, runners);
}

}  // namespace velt
