#include "eval/move_step.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "board/bitboard.h"
#include "board/movegen.h"
#include "search/worker.h"
#include "support/board_setup.h"
#include "support/brute_board.h"

namespace velt {

namespace {

// The board and the fields not derived from it; expectConsistent checks the rest.
struct Snapshot {
  int board[64];
  int side, castleRights, epSquare, rule50, ply, gamePly;
  explicit Snapshot(const Position& p)
      : side(p.side), castleRights(p.castleRights), epSquare(p.epSquare), rule50(p.rule50), ply(p.ply),
        gamePly(p.gamePly) {
    std::memcpy(board, p.board, sizeof(board));
  }
  bool operator==(const Snapshot&) const = default;
};

// Checks every incrementally kept field against a rebuild from the board cells.
void expectConsistent(const Position& pos, Move lastMove) {
  std::uint64_t hash = castleKey[pos.castleRights] ^ (pos.side == WHITE ? sideKey : 0);
  if (pos.epSquare >= 0) hash ^= epKey[pos.epSquare];
  std::uint64_t pawnHash = sideKey;
  std::uint32_t material = 0;
  int counts[2][6] = {};
  int pieceMaterial[2] = {};
  int men = 0;
  Bitboard occupied = 0, file = 0, diagA = 0, diagH = 0, colours[2] = {}, pieces[2][6] = {};
  std::uint8_t pawnRanks[2][10] = {};
  for (int s = 0; s < 64; ++s) {
    const int code = pos.board[s];
    if (isEmptyCell(code)) continue;
    const int c = colourOfCode(code), t = typeOfCode(code);
    hash ^= pieceSquareKey[c * 6 + t][s];
    if (t == PAWN) {
      pawnHash ^= pieceSquareKey[c * 6 + t][s];
      pawnRanks[c][fileOf(s) + 1] |= static_cast<std::uint8_t>(1 << rankOf(s));
    } else if (t != KING) {
      pieceMaterial[c] += pieceValue[t];
    }
    if (t == KING) {
      EXPECT_EQ(pos.kingSquare[c], s);
    }
    material += materialSignature[c][t];
    ++counts[c][t];
    ++men;
    occupied |= squareBit[s];
    file |= fileBit[s];
    diagA |= diagA1H8Bit[s];
    diagH |= diagH1A8Bit[s];
    colours[c] |= squareBit[s];
    pieces[c][t] |= squareBit[s];
  }
  const char* text = "after a move";
  ASSERT_EQ(pos.hashKey, hash) << text << " " << std::hex << lastMove;
  ASSERT_EQ(pos.pawnKey, pawnHash) << text << " " << std::hex << lastMove;
  ASSERT_EQ(pos.materialKey, material) << text << " " << std::hex << lastMove;
  ASSERT_EQ(pos.menCount, men);
  ASSERT_EQ(pos.occupied, occupied);
  ASSERT_EQ(pos.occupiedFile, file);
  ASSERT_EQ(pos.occupiedDiagA1H8, diagA);
  ASSERT_EQ(pos.occupiedDiagH1A8, diagH);
  ASSERT_EQ(0, std::memcmp(pos.colourBB, colours, sizeof(colours)));
  ASSERT_EQ(0, std::memcmp(pos.pieceBB, pieces, sizeof(pieces)));
  ASSERT_EQ(0, std::memcmp(pos.pieceCount, counts, sizeof(counts)));
  ASSERT_EQ(0, std::memcmp(pos.pieceMaterial, pieceMaterial, sizeof(pieceMaterial)));
  ASSERT_EQ(0, std::memcmp(pos.pawnRanks, pawnRanks, sizeof(pawnRanks)));
  ASSERT_EQ(pos.xside, pos.side ^ 1);
  // The check record against a plain walk over the board.
  const BruteBoard brute = bruteFromPosition(pos);
  ASSERT_EQ(inCheck(pos.checkInfo[pos.gamePly]), bruteInCheck(brute, pos.side)) << std::hex << lastMove;
  if (inCheck(pos.checkInfo[pos.gamePly])) {
    ASSERT_TRUE(bruteManAttacks(brute, pos.checkInfo[pos.gamePly] & 63, pos.kingSquare[pos.side]));
  }
}

// Kinds of move seen by the walk, per colour, so that the test proves its coverage.
enum MoveKind { QUIET, CAPTURE, EN_PASSANT, DOUBLE_STEP, PROMOTION_N, PROMOTION_B, PROMOTION_R, PROMOTION_Q,
                CAPTURE_PROMOTION, CASTLE_SHORT, CASTLE_LONG, KIND_COUNT };

MoveKind kindOf(Move m) {
  if (m & FLAG_CASTLE_SHORT) return CASTLE_SHORT;
  if (m & FLAG_CASTLE_LONG) return CASTLE_LONG;
  if (m & FLAG_EN_PASSANT) return EN_PASSANT;
  if (m & FLAG_DOUBLE_STEP) return DOUBLE_STEP;
  if ((m & FLAG_PROMOTION) && (m & FLAG_CAPTURE)) return CAPTURE_PROMOTION;
  if (m & FLAG_PROMOTION) return static_cast<MoveKind>(PROMOTION_N + movePromotion(m) - KNIGHT);
  return (m & FLAG_CAPTURE) ? CAPTURE : QUIET;
}

// The staged moves of the search as perft uses them.
std::vector<Move> stagedMoves(Worker& pos) {
  std::vector<Move> moves;
  auto take = [&] {
    for (int i = pos.listStart[pos.ply]; i < pos.listStart[pos.ply + 1]; ++i) moves.push_back(pos.moveList[i].move);
  };
  if (inCheck(pos.checkInfo[pos.gamePly])) {
    generateEvasions(pos, ~Bitboard{0});
    take();
  } else {
    generateCaptures(pos, pos.colourBB[pos.xside], true);
    take();
    generateQuiets(pos);
    take();
  }
  return moves;
}

std::vector<Move> legalOnly(Worker& pos, const std::vector<Move>& moves) {
  const Snapshot before(pos);
  std::vector<Move> legal;
  for (Move m : moves) {
    if (!makeMove(pos, m, -MATE_SCORE, MATE_SCORE)) {
      EXPECT_TRUE(Snapshot(pos) == before) << "rejected move changed the position " << std::hex << m;
      continue;
    }
    unmakeMove(pos);
    legal.push_back(m);
  }
  std::sort(legal.begin(), legal.end());
  return legal;
}

struct Walk {
  bool seen[2][KIND_COUNT] = {};
  std::uint64_t nodes = 0;

  void visit(Worker& pos, int depth) {
    ++nodes;
    const std::vector<Move> moves = stagedMoves(pos);
    generateAllMoves(pos);
    std::vector<Move> all;
    for (int i = pos.listStart[pos.ply]; i < pos.listStart[pos.ply + 1]; ++i) all.push_back(pos.moveList[i].move);
    ASSERT_EQ(legalOnly(pos, all), legalOnly(pos, moves)) << "root and staged generators differ";
    if (depth == 0) return;
    const Snapshot before(pos);
    for (Move m : moves) {
      const int mover = pos.side;
      if (!makeMove(pos, m, -MATE_SCORE, MATE_SCORE)) {
        ASSERT_TRUE(Snapshot(pos) == before) << "rejected move changed the position " << std::hex << m;
        expectConsistent(pos, m);
        continue;
      }
      seen[mover][kindOf(m)] = true;
      expectConsistent(pos, m);
      if (testing::Test::HasFatalFailure()) return;
      visit(pos, depth - 1);
      if (testing::Test::HasFatalFailure()) return;
      unmakeMove(pos);
      ASSERT_TRUE(Snapshot(pos) == before) << "unmake did not restore after " << std::hex << m;
      expectConsistent(pos, m);
    }
  }
};

// The walk also holds every rejected move to leaving the position alone; the last three
// positions have castling through a bishop's attack, castling out of check and a
// pinned knight.
TEST(MakeMove, UnmakeRestoresEveryFieldAndKeysStayExact) {
  Walk walk;
  for (const char* fen : {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
                          "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq -",
                          "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - -", "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N w - -",
                          "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", "4k3/8/8/8/8/8/6b1/4K2R w K -",
                          "4k3/8/8/8/8/8/4r3/R3K2R w KQ -", "4k3/4r3/8/8/8/8/4N3/4K3 w - -"}) {
    auto pos = positionFromFen(fen);
    pos->bishopPromotions = true;
    walk.visit(*pos, 2);
    if (HasFatalFailure()) break;
  }
  for (int colour = WHITE; colour <= BLACK; ++colour) {
    for (int kind = 0; kind < KIND_COUNT; ++kind) EXPECT_TRUE(walk.seen[colour][kind]) << colour << " " << kind;
  }
}

Move findMove(Worker& pos, const char* from, const char* to, Move flags = 0) {
  const int f = sq(from), t = sq(to);
  generateAllMoves(pos);
  for (int i = pos.listStart[pos.ply]; i < pos.listStart[pos.ply + 1]; ++i) {
    const Move m = pos.moveList[i].move;
    if (moveFrom(m) == f && moveTo(m) == t && (flags == 0 || (m & flags))) return m;
  }
  ADD_FAILURE() << "no move " << from << to;
  return MOVE_NONE;
}

TEST(MakeMove, EnPassantSquareOnlyWhenAPawnCanTake) {
  auto pos = positionFromFen(nullptr);
  ASSERT_EQ(makeMove(*pos, findMove(*pos, "e2", "e4"), -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(pos->epSquare, -1);
  expectConsistent(*pos, 0);

  pos = positionFromFen("rnbqkbnr/ppp1pppp/8/8/3p4/8/PPPPPPPP/RNBQKBNR w KQkq -");
  ASSERT_EQ(makeMove(*pos, findMove(*pos, "e2", "e4"), -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(pos->epSquare, makeSquare(4, 2));
  expectConsistent(*pos, 0);
}

// Castling rights go with a king move, a rook move and the capture of a rook at home
// (move generation checks for the rook, so only keys and FEN would show a stale right).
TEST(MakeMove, CastlingRightsFollowKingsAndRooks) {
  struct Case {
    const char* from;
    const char* to;
    int rights;
  };
  for (const Case& c : {Case{"e1", "e2", 12}, Case{"h1", "h5", 14}, Case{"a1", "a8", 15 & ~2 & ~8}}) {
    auto pos = positionFromFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    ASSERT_EQ(makeMove(*pos, findMove(*pos, c.from, c.to), -MATE_SCORE, MATE_SCORE), 1);
    EXPECT_EQ(pos->castleRights, c.rights) << c.from << c.to;
  }
}

// Castling rights given by rook files where king and rook do not stand on their
// usual squares: castling is made only when both land on free squares, and make
// and unmake keep the board whole even when they swap sides.
TEST(MakeMove, CastlingWithUnusualKingAndRookSquares) {
  struct Case {
    const char* fen;
    bool castles;
  };
  for (const Case& c : {Case{"4k3/8/8/8/8/8/8/R2K4 w A -", true}, Case{"4k3/8/8/8/8/8/8/5RK1 w F -", true},
                        Case{"4k3/8/8/8/8/8/8/RK1n4 w A -", false}}) {
    auto pos = positionFromFen(c.fen);
    generateQuiets(*pos);
    std::vector<Move> castles;
    for (int i = pos->listStart[0]; i < pos->listStart[1]; ++i) {
      if (pos->moveList[i].move & FLAG_CASTLE) castles.push_back(pos->moveList[i].move);
    }
    ASSERT_EQ(castles.size(), c.castles ? 1u : 0u) << c.fen;
    Walk walk;
    walk.visit(*pos, 2);
    if (!c.castles) continue;
    const Snapshot before(*pos);
    ASSERT_EQ(makeMove(*pos, castles[0], -MATE_SCORE, MATE_SCORE), 1) << c.fen;
    expectConsistent(*pos, castles[0]);
    EXPECT_EQ(pos->board[(castles[0] & FLAG_CASTLE_LONG) ? D1 : F1], pieceCode(WHITE, ROOK));
    unmakeMove(*pos);
    EXPECT_TRUE(Snapshot(*pos) == before) << c.fen;
  }
}

}  // namespace

}  // namespace velt
