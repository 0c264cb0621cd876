#include "board/movegen.h"

#include <bit>
#include <initializer_list>
#include <type_traits>

#include "board/attacks.h"
#include "board/bitboard.h"

namespace velt {

namespace {

constexpr int SCORE_CAPTURE_CLASS = 0x20000000;
constexpr int SCORE_KILLER_1 = 0x10000000;
constexpr int SCORE_KILLER_2 = 0x0FFFFFFF;

inline Bitboard bit(int square) { return Bitboard{1} << square; }
inline int popLowest(Bitboard& board) {
  const int square = std::countr_zero(board);
  board &= board - 1;
  return square;
}
inline Bitboard shiftBy(Bitboard board, int delta) { return delta > 0 ? board << delta : board >> -delta; }

// Geometry of one colour's pawns: "up" is towards the promotion rank; the a-side and
// h-side captures are the diagonal steps towards the a- and h-file.
template <int C>
struct PawnGeometry {
  static constexpr int up = C == WHITE ? 8 : -8;
  static constexpr int captureA = C == WHITE ? 7 : -9;
  static constexpr int captureH = C == WHITE ? 9 : -7;
  static constexpr Bitboard homeRank = RANK_1 << (C == WHITE ? 8 : 48);
  static constexpr Bitboard seventhRank = RANK_1 << (C == WHITE ? 48 : 8);
  static constexpr int lastRank = C == WHITE ? 7 : 0;
  static constexpr int epRank = C == WHITE ? 5 : 2;
};

inline void push(Position& pos, Move move, int score) {
  ScoredMove& entry = pos.moveList[pos.listStart[pos.ply + 1]++];
  entry.move = move;
  entry.score = score;
}

inline void startList(Position& pos) { pos.listStart[pos.ply + 1] = pos.listStart[pos.ply]; }

// Calls `generate` with the colour as a compile-time constant, so that each
// colour's instantiation runs without tests of the side.
template <typename Generate>
inline auto forColour(int colour, Generate generate) {
  return colour == WHITE ? generate(std::integral_constant<int, WHITE>{})
                         : generate(std::integral_constant<int, BLACK>{});
}

inline int captureScore(int victim, int attacker) { return SCORE_CAPTURE_CLASS | (8 * victim - attacker + 22); }

inline Move promotionMove(int from, int to, Move flags, int type) {
  return makeMoveWord(from, to, flags | FLAG_PROMOTION | FLAG_PAWN_MOVE | static_cast<Move>(type) << 16);
}

// Promotion with its ordering score; `victim` is NO_PIECE for a push.
inline void pushPromotion(Position& pos, int from, int to, int type, int victim) {
  const bool capture = victim != NO_PIECE;
  int score;
  if (type == QUEEN) {
    score = capture ? SCORE_CAPTURE_CLASS | (8 * victim + 22) : SCORE_CAPTURE_CLASS | 0xF;
  } else {
    score = capture ? SCORE_CAPTURE_CLASS | 1 : SCORE_CAPTURE_CLASS;
  }
  push(pos, promotionMove(from, to, capture ? FLAG_CAPTURE : 0, type), score);
}

// Unscored promotions of the evasion generator: queen, knight, rook (and bishop).
inline void pushEvasionPromotions(Position& pos, int from, int to, Move flags) {
  push(pos, promotionMove(from, to, flags, QUEEN), 0);
  push(pos, promotionMove(from, to, flags, KNIGHT), 0);
  push(pos, promotionMove(from, to, flags, ROOK), 0);
  if (pos.bishopPromotions) push(pos, promotionMove(from, to, flags, BISHOP), 0);
}

// The squares of own pawns that can take en passant, in generation order (the pawn
// on the h-file side of the square first); 64 when absent. A
// square that no double step can have produced yields nothing.
template <int C>
inline void enPassantCapturers(const Position& pos, int capturers[2]) {
  using G = PawnGeometry<C>;
  capturers[0] = capturers[1] = NO_SQUARE;
  const int ep = pos.epSquare;
  if (ep < 0 || rankOf(ep) != G::epRank || !isEmptyCell(pos.board[ep]) ||
      pos.board[ep - G::up] != pieceCode(C ^ 1, PAWN)) {
    return;
  }
  const int own = pieceCode(C, PAWN);
  if (fileOf(ep) != 7 && pos.board[ep - G::captureA] == own) capturers[0] = ep - G::captureA;
  if (fileOf(ep) != 0 && pos.board[ep - G::captureH] == own) capturers[1] = ep - G::captureH;
}

template <int C>
void addEnPassant(Position& pos) {
  int capturers[2];
  enPassantCapturers<C>(pos, capturers);
  for (int from : capturers) {
    if (from != NO_SQUARE) addMove(pos, from, pos.epSquare, FLAG_PAWN_MOVE | FLAG_CAPTURE | FLAG_EN_PASSANT);
  }
}

inline Bitboard pieceAttacks(const Position& pos, int type, int square) {
  switch (type) {
    case KNIGHT: return knightAttacks[square];
    case BISHOP: return bishopAttacks(pos, square);
    case ROOK: return rookAttacks(pos, square);
    case QUEEN: return queenAttacks(pos, square);
    default: return kingAttacks[square];
  }
}

// Pawn captures of one diagonal direction onto `targets`, pawns on the seventh excluded.
void pawnCaptures(Position& pos, Bitboard movers, int delta, Bitboard targets) {
  Bitboard destinations = shiftBy(movers, delta) & targets;
  while (destinations) {
    const int to = popLowest(destinations);
    push(pos, makeMoveWord(to - delta, to, FLAG_PAWN_MOVE | FLAG_CAPTURE),
         captureScore(typeOfCode(pos.board[to]), PAWN));
  }
}

// The promotions of one pawn onto `to`: queen; knight when `all` or when it checks;
// rook when `all`; bishop when `all` and the position asks for bishop promotions.
template <int C>
void promotionsOnto(Position& pos, int from, int to, int victim, bool all) {
  pushPromotion(pos, from, to, QUEEN, victim);
  if (all || (knightAttacks[to] & pos.pieceBB[C ^ 1][KING])) pushPromotion(pos, from, to, KNIGHT, victim);
  if (all) {
    pushPromotion(pos, from, to, ROOK, victim);
    if (pos.bishopPromotions) pushPromotion(pos, from, to, BISHOP, victim);
  }
}

template <int C>
void captures(Position& pos, Bitboard targets, bool all) {
  using G = PawnGeometry<C>;
  const Bitboard enemies = pos.colourBB[C ^ 1];
  targets &= enemies;
  const Bitboard pawns = pos.pieceBB[C][PAWN];
  const Bitboard pawnTargets = (targets | pawnAttackers[C][pos.kingSquare[C ^ 1]]) & enemies;
  const Bitboard movers = pawns & ~G::seventhRank;
  pawnCaptures(pos, movers & ~FILE_A, G::captureA, pawnTargets);
  pawnCaptures(pos, movers & ~FILE_H, G::captureH, pawnTargets);
  addEnPassant<C>(pos);

  for (int type = KNIGHT; type <= KING; ++type) {
    Bitboard men = pos.pieceBB[C][type];
    while (men) {
      const int from = popLowest(men);
      Bitboard destinations = pieceAttacks(pos, type, from) & targets;
      while (destinations) {
        const int to = popLowest(destinations);
        push(pos, makeMoveWord(from, to, FLAG_CAPTURE), captureScore(typeOfCode(pos.board[to]), type));
      }
    }
  }

  Bitboard promoting = pawns & G::seventhRank;
  while (promoting) {
    const int from = popLowest(promoting);
    if (isEmptyCell(pos.board[from + G::up])) promotionsOnto<C>(pos, from, from + G::up, NO_PIECE, all);
    if (fileOf(from) != 0 && (targets & bit(from + G::captureA))) {
      promotionsOnto<C>(pos, from, from + G::captureA, typeOfCode(pos.board[from + G::captureA]), all);
    }
    if (fileOf(from) != 7 && (targets & bit(from + G::captureH))) {
      promotionsOnto<C>(pos, from, from + G::captureH, typeOfCode(pos.board[from + G::captureH]), all);
    }
  }
}

// Single pushes and double steps below the seventh rank, each double step before the
// single push of the same pawn; with `gains` only those whose smallest gain reaches
// `threshold`.
template <int C>
void pawnPushes(Position& pos, const GainTables* gains, int threshold) {
  const bool byGain = gains != nullptr;
  using G = PawnGeometry<C>;
  const Bitboard empty = ~pos.occupied;
  Bitboard singles = shiftBy(pos.pieceBB[C][PAWN] & ~G::seventhRank, G::up) & empty;
  while (singles) {
    const int to = popLowest(singles);
    const int from = to - G::up;
    if ((bit(from) & G::homeRank) && (empty & bit(to + G::up))) {
      const Move doubleStep = makeMoveWord(from, to + G::up, FLAG_PAWN_MOVE | FLAG_DOUBLE_STEP);
      if (!byGain || smallestGain(*gains, gainIndex(pieceCode(C, PAWN), doubleStep)) >= threshold) push(pos, doubleStep, 0);
    }
    const Move single = makeMoveWord(from, to, FLAG_PAWN_MOVE);
    if (!byGain || smallestGain(*gains, gainIndex(pieceCode(C, PAWN), single)) >= threshold) push(pos, single, 0);
  }
}

template <int C>
void quietPieceMoves(Position& pos, int type, Bitboard allowed) {
  Bitboard men = pos.pieceBB[C][type];
  while (men) {
    const int from = popLowest(men);
    Bitboard destinations = pieceAttacks(pos, type, from) & allowed;
    while (destinations) push(pos, makeMoveWord(from, popLowest(destinations), 0), 0);
  }
}

template <int C>
void quiets(Position& pos) {
  for (bool kingSide : {true, false}) {
    if (castlingAvailable(pos, C, kingSide)) push(pos, castleMove(pos, C, kingSide), 0);
  }
  const Bitboard empty = ~pos.occupied;
  pawnPushes<C>(pos, nullptr, 0);
  for (int type : {KNIGHT, QUEEN, BISHOP, ROOK, KING}) quietPieceMoves<C>(pos, type, empty);
}

template <int C>
void quietsByGain(Position& pos, const GainTables& gains, int threshold) {
  pawnPushes<C>(pos, &gains, threshold);
  const int enemyKing = pos.kingSquare[C ^ 1];
  const Bitboard empty = ~pos.occupied;
  for (int type : {KNIGHT, QUEEN, BISHOP, ROOK, KING}) {
    const Bitboard allowed = type == KING ? empty : empty & ~pieceAttacks(pos, type, enemyKing);
    const int code = pieceCode(C, type);
    Bitboard men = pos.pieceBB[C][type];
    while (men) {
      const int from = popLowest(men);
      Bitboard destinations = pieceAttacks(pos, type, from) & allowed;
      while (destinations) {
        const Move move = makeMoveWord(from, popLowest(destinations), 0);
        if (smallestGain(gains, gainIndex(code, move)) >= threshold) push(pos, move, 0);
      }
    }
  }
}

// Whether the enemy man on `square` attacks along direction `d` (as seen from the
// king looking back the other way): a queen, or a rook on a line, a bishop on a diagonal.
inline bool isSliderOfDirection(int code, int enemy, int d) {
  if (colourOfCode(code) != enemy) return false;
  const int type = typeOfCode(code);
  return type == QUEEN || type == (d < 4 ? ROOK : BISHOP);
}

template <int C>
void evasions(Position& pos, Bitboard targets) {
  using G = PawnGeometry<C>;
  constexpr int T = C ^ 1;
  const std::uint32_t info = pos.checkInfo[pos.gamePly];
  const int checker = info & 0x3F;
  const int king = pos.kingSquare[C];
  const int checkerType = typeOfCode(pos.board[checker]);
  const bool sliderCheck = checkerType >= BISHOP && checkerType <= QUEEN;

  Bitboard kingTargets = kingAttacks[king] & ~pos.colourBB[C] & targets & ~pos.attackMap[pos.ply][T];
  if (sliderCheck && direction[checker][king] >= 0) {
    const int beyond = neighbour[king][direction[checker][king]];
    if (beyond != NO_SQUARE) kingTargets &= ~bit(beyond);
  }
  while (kingTargets) {
    const int to = popLowest(kingTargets);
    const int away = direction[to][king];
    const int behind = firstManInDirection(pos, king, away);
    if (behind != NO_SQUARE && isSliderOfDirection(pos.board[behind], T, away)) continue;
    push(pos, makeMoveWord(king, to, isEmptyCell(pos.board[to]) ? 0 : FLAG_CAPTURE), 0);
  }
  if (info & DOUBLE_CHECK) return;

  const Bitboard pawns = pos.pieceBB[C][PAWN];
  if (targets & bit(checker)) {
    Bitboard capturers = pawnAttackers[C][checker] & pawns;
    while (capturers) {
      const int from = popLowest(capturers);
      if (rankOf(checker) == G::lastRank) {
        pushEvasionPromotions(pos, from, checker, FLAG_CAPTURE);
      } else {
        push(pos, makeMoveWord(from, checker, FLAG_PAWN_MOVE | FLAG_CAPTURE), 0);
      }
    }
    if (pos.epSquare >= 0 && checker == pos.epSquare - G::up) addEnPassant<C>(pos);
  }

  Bitboard between = 0;
  if (sliderCheck) {
    const int d = direction[king][checker];
    between = ray[king][d] & ray[checker][d ^ 1] & targets;
  }
  Bitboard singles = shiftBy(pawns, G::up) & between;
  while (singles) {
    const int to = popLowest(singles);
    if (rankOf(to) == G::lastRank) {
      pushEvasionPromotions(pos, to - G::up, to, 0);
    } else {
      push(pos, makeMoveWord(to - G::up, to, FLAG_PAWN_MOVE), 0);
    }
  }
  Bitboard doubles = shiftBy(shiftBy(pawns & G::homeRank, G::up) & ~pos.occupied, G::up) & between;
  while (doubles) {
    const int to = popLowest(doubles);
    push(pos, makeMoveWord(to - 2 * G::up, to, FLAG_PAWN_MOVE | FLAG_DOUBLE_STEP), 0);
  }

  const Bitboard destinations = (bit(checker) & targets) | between;
  const Bitboard queens = pos.pieceBB[C][QUEEN];
  const Bitboard groups[3] = {pos.pieceBB[C][KNIGHT], pos.pieceBB[C][BISHOP] | queens, pos.pieceBB[C][ROOK] | queens};
  for (int group = 0; group < 3; ++group) {
    Bitboard men = groups[group];
    while (men) {
      const int from = popLowest(men);
      Bitboard reach = group == 0 ? knightAttacks[from] : group == 1 ? bishopAttacks(pos, from) : rookAttacks(pos, from);
      reach &= destinations;
      while (reach) {
        const int to = popLowest(reach);
        push(pos, makeMoveWord(from, to, to == checker ? FLAG_CAPTURE : 0), 0);
      }
    }
  }
}

// One man's destination through addMove: quiet onto an empty square, a capture onto
// an enemy man, nothing onto an own man.
template <int C>
inline void addIfReachable(Position& pos, int from, int to) {
  const int code = pos.board[to];
  if (isEmptyCell(code)) {
    addMove(pos, from, to, 0);
  } else if (colourOfCode(code) != C) {
    addMove(pos, from, to, FLAG_CAPTURE);
  }
}

template <int C>
void allMoves(Position& pos) {
  using G = PawnGeometry<C>;
  Bitboard men = pos.colourBB[C];
  while (men) {
    const int from = 63 - std::countl_zero(men);
    men &= ~bit(from);
    const int type = typeOfCode(pos.board[from]);
    if (type == PAWN) {
      const int file = fileOf(from);
      for (int delta : {G::captureA, G::captureH}) {
        const bool offBoard = delta == G::captureA ? file == 0 : file == 7;
        const int to = from + delta;
        if (offBoard || to < 0 || to > 63) continue;
        const int code = pos.board[to];
        if (!isEmptyCell(code) && colourOfCode(code) != C) addMove(pos, from, to, FLAG_PAWN_MOVE | FLAG_CAPTURE);
      }
      const int to = from + G::up;
      if (to < 0 || to > 63 || !isEmptyCell(pos.board[to])) continue;
      addMove(pos, from, to, FLAG_PAWN_MOVE);
      if ((bit(from) & G::homeRank) && isEmptyCell(pos.board[to + G::up])) {
        addMove(pos, from, to + G::up, FLAG_PAWN_MOVE | FLAG_DOUBLE_STEP);
      }
    } else if (type == KNIGHT) {
      for (const int* target = knightTargets[from]; *target >= 0; ++target) addIfReachable<C>(pos, from, *target);
    } else if (type == KING) {
      for (int d = 0; d < 8; ++d) {
        if (neighbour[from][d] != NO_SQUARE) addIfReachable<C>(pos, from, neighbour[from][d]);
      }
    } else {
      const int firstDirection = type == BISHOP ? 4 : 0;
      const int lastDirection = type == ROOK ? 3 : 7;
      for (int d = firstDirection; d <= lastDirection; ++d) {
        for (int to = neighbour[from][d]; to != NO_SQUARE; to = neighbour[to][d]) {
          addIfReachable<C>(pos, from, to);
          if (!isEmptyCell(pos.board[to])) break;
        }
      }
    }
  }
  for (bool kingSide : {true, false}) {
    if (castlingAvailable(pos, C, kingSide)) {
      addMove(pos, pos.kingSquare[C], castleKingTarget(C, kingSide), kingSide ? FLAG_CASTLE_SHORT : FLAG_CASTLE_LONG);
    }
  }
  addEnPassant<C>(pos);
}

template <int C>
bool pawnMoveFits(const Position& pos, Move move) {
  using G = PawnGeometry<C>;
  const int from = moveFrom(move), to = moveTo(move);
  const Move flags = move & ~Move{0xFFF};
  const bool onLastRank = rankOf(to) == G::lastRank;
  const int promotion = movePromotion(move);
  Move expected = FLAG_PAWN_MOVE;
  if (onLastRank) {
    if (promotion < KNIGHT || promotion > QUEEN) return false;
    expected |= FLAG_PROMOTION | static_cast<Move>(promotion) << 16;
  }
  if (to - from == G::up) return isEmptyCell(pos.board[to]) && flags == expected;
  if (to - from == 2 * G::up) {
    return (bit(from) & G::homeRank) && isEmptyCell(pos.board[from + G::up]) && isEmptyCell(pos.board[to]) &&
           flags == (FLAG_PAWN_MOVE | FLAG_DOUBLE_STEP);
  }
  if (!(pawnAttackers[C ^ 1][from] & bit(to))) return false;
  if (to == pos.epSquare && !onLastRank) {
    int capturers[2];
    enPassantCapturers<C>(pos, capturers);
    return (capturers[0] == from || capturers[1] == from) &&
           flags == (FLAG_PAWN_MOVE | FLAG_CAPTURE | FLAG_EN_PASSANT);
  }
  const int victim = pos.board[to];
  return !isEmptyCell(victim) && colourOfCode(victim) != C && flags == (expected | FLAG_CAPTURE);
}

}  // namespace

void addMove(Position& pos, int from, int to, Move flags) {
  const int mover = pos.board[from];
  const int type = typeOfCode(mover);
  if ((flags & FLAG_PAWN_MOVE) && (rankOf(to) == 0 || rankOf(to) == 7)) {
    const int victim = (flags & FLAG_CAPTURE) ? typeOfCode(pos.board[to]) : NO_PIECE;
    pushPromotion(pos, from, to, QUEEN, victim);
    pushPromotion(pos, from, to, KNIGHT, victim);
    pushPromotion(pos, from, to, ROOK, victim);
    if (pos.bishopPromotions) pushPromotion(pos, from, to, BISHOP, victim);
    return;
  }
  const Move move = makeMoveWord(from, to, flags);
  if (flags & FLAG_CAPTURE) {
    const int victim = (flags & FLAG_EN_PASSANT) ? PAWN : typeOfCode(pos.board[to]);
    push(pos, move, captureScore(victim, type));
    return;
  }
  const Move key = move & 0xFFFFFF;
  int score;
  if (key == (pos.killers[pos.ply][0] & 0xFFFFFF)) {
    score = SCORE_KILLER_1;
  } else if (key == (pos.killers[pos.ply][1] & 0xFFFFFF)) {
    score = SCORE_KILLER_2;
  } else {
    // The move picker adds the history of quiet moves where it orders them.
    const int colour = colourOfCode(mover);
    score = orderPST[colour][type][to] - orderPST[colour][type][from] + 32;
  }
  push(pos, move, score);
}

void generateCaptures(Position& pos, Bitboard targets, bool allPromotions) {
  startList(pos);
  forColour(pos.side, [&](auto c) { captures<decltype(c)::value>(pos, targets, allPromotions); });
}

void generateQuiets(Position& pos) {
  startList(pos);
  forColour(pos.side, [&](auto c) { quiets<decltype(c)::value>(pos); });
}

void generateEvasions(Position& pos, Bitboard targets) {
  startList(pos);
  if (!inCheck(pos.checkInfo[pos.gamePly])) return;
  forColour(pos.side, [&](auto c) { evasions<decltype(c)::value>(pos, targets); });
}

void generateQuietsByGain(Position& pos, const GainTables& gains, int threshold) {
  startList(pos);
  forColour(pos.side, [&](auto c) { quietsByGain<decltype(c)::value>(pos, gains, threshold); });
}

void generateAllMoves(Position& pos) {
  startList(pos);
  forColour(pos.side, [&](auto c) { allMoves<decltype(c)::value>(pos); });
}

Move castleMove(const Position& pos, int colour, bool kingSide) {
  return makeMoveWord(pos.kingSquare[colour], castleKingTarget(colour, kingSide),
                      kingSide ? FLAG_CASTLE_SHORT : FLAG_CASTLE_LONG);
}

bool castlingAvailable(const Position& pos, int colour, bool kingSide) {
  const int wing = kingSide ? 0 : 1;
  if (!(pos.castleRights & castlingRight(colour, wing))) return false;
  const int rook = pos.castling.rookSquare[colour][wing];
  if (rook < 0 || pos.board[rook] != pieceCode(colour, ROOK)) return false;
  return !(pos.occupied & pos.castling.emptyPath[colour][wing]);
}

bool isMovePseudoLegal(const Position& pos, Move move) {
  if (move == MOVE_NONE) return false;
  const int us = pos.side;
  if (move & FLAG_CASTLE) {
    const bool kingSide = move & FLAG_CASTLE_SHORT;
    return castlingAvailable(pos, us, kingSide) && move == castleMove(pos, us, kingSide);
  }
  const int from = moveFrom(move), to = moveTo(move);
  const int mover = pos.board[from];
  const int target = pos.board[to];
  if (isEmptyCell(mover) || colourOfCode(mover) != us) return false;
  if (!isEmptyCell(target) && (colourOfCode(target) == us || typeOfCode(target) == KING)) return false;
  const int type = typeOfCode(mover);
  if (type == PAWN) return forColour(us, [&](auto c) { return pawnMoveFits<decltype(c)::value>(pos, move); });
  const Move flags = move & ~Move{0xFFF};
  if (flags != (isEmptyCell(target) ? 0 : FLAG_CAPTURE)) return false;
  return (pieceAttacks(pos, type, from) & bit(to)) != 0;
}

bool isMovePlayable(const Position& pos, Move move) {
  if (move & FLAG_CASTLE) return isMovePseudoLegal(pos, move);
  if (move & (FLAG_CAPTURE | FLAG_PROMOTION)) return false;
  if (!isMovePseudoLegal(pos, move)) return false;
  if (typeOfCode(pos.board[moveFrom(move)]) == KING) return !(pos.attackMap[pos.ply][pos.xside] & bit(moveTo(move)));
  return true;
}

}  // namespace velt
