#include "board/makemove.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "board/bitboard.h"
#include "board/movegen.h"
#include "eval/evaluate.h"
#include "support/board_setup.h"

namespace {

// Every field that make and unmake touch.
struct Snapshot {
  int board[64];
  int side, xside, castleRights, epSquare, rule50, menCount, ply, gamePly;
  int pieceCount[2][6];
  int pieceMaterial[2];
  int kingSquare[2];
  std::uint32_t materialKey;
  Bitboard occupied, occupiedFile, occupiedDiagA1H8, occupiedDiagH1A8;
  Bitboard colourBB[2];
  Bitboard pieceBB[2][6];
  std::uint8_t pawnRanks[2][10];
  std::uint64_t hashKey, pawnKey;

  explicit Snapshot(const Position& p)
      : side(p.side), xside(p.xside), castleRights(p.castleRights), epSquare(p.epSquare), rule50(p.rule50),
        menCount(p.menCount), ply(p.ply), gamePly(p.gamePly), kingSquare{p.kingSquare[0], p.kingSquare[1]},
        materialKey(p.materialKey), occupied(p.occupied), occupiedFile(p.occupiedFile),
        occupiedDiagA1H8(p.occupiedDiagA1H8), occupiedDiagH1A8(p.occupiedDiagH1A8),
        colourBB{p.colourBB[0], p.colourBB[1]}, hashKey(p.hashKey), pawnKey(p.pawnKey) {
    std::memcpy(board, p.board, sizeof(board));
    std::memcpy(pieceCount, p.pieceCount, sizeof(pieceCount));
    std::memcpy(pieceMaterial, p.pieceMaterial, sizeof(pieceMaterial));
    std::memcpy(pieceBB, p.pieceBB, sizeof(pieceBB));
    std::memcpy(pawnRanks, p.pawnRanks, sizeof(pawnRanks));
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
    if (t == KING) EXPECT_EQ(pos.kingSquare[c], s);
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
std::vector<Move> stagedMoves(Position& pos) {
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

std::vector<Move> legalOnly(Position& pos, const std::vector<Move>& moves) {
  std::vector<Move> legal;
  for (Move m : moves) {
    if (!makeMove(pos, m, -MATE_SCORE, MATE_SCORE)) continue;
    unmakeMove(pos);
    legal.push_back(m);
  }
  std::sort(legal.begin(), legal.end());
  return legal;
}

struct Walk {
  bool seen[2][KIND_COUNT] = {};
  std::uint64_t nodes = 0;

  void visit(Position& pos, int depth) {
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
        continue;
      }
      seen[mover][kindOf(m)] = true;
      expectConsistent(pos, m);
      if (testing::Test::HasFatalFailure()) return;
      visit(pos, depth - 1);
      if (testing::Test::HasFatalFailure()) return;
      unmakeMove(pos);
      ASSERT_TRUE(Snapshot(pos) == before) << "unmake did not restore after " << std::hex << m;
    }
  }
};

TEST(MakeMove, UnmakeRestoresEveryFieldAndKeysStayExact) {
  Walk walk;
  for (const char* fen : {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
                          "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq -",
                          "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - -", "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N w - -",
                          "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -"}) {
    auto pos = positionFromFen(fen);
    pos->bishopPromotions = true;
    walk.visit(*pos, 2);
    if (HasFatalFailure()) break;
  }
  for (int colour = WHITE; colour <= BLACK; ++colour) {
    for (int kind = 0; kind < KIND_COUNT; ++kind) EXPECT_TRUE(walk.seen[colour][kind]) << colour << " " << kind;
  }
}

Move findMove(Position& pos, const char* from, const char* to, Move flags = 0) {
  const int f = makeSquare(from[0] - 'a', from[1] - '1'), t = makeSquare(to[0] - 'a', to[1] - '1');
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

TEST(MakeMove, CastlingRightsAndTheirKeys) {
  const char* fen = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -";
  auto pos = positionFromFen(fen);
  const std::uint64_t before = pos->hashKey;
  ASSERT_EQ(makeMove(*pos, findMove(*pos, "e1", "e2"), -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(pos->castleRights, 12);
  EXPECT_EQ(pos->hashKey ^ before,
            castleKey[15] ^ castleKey[12] ^ sideKey ^ pieceSquareKey[KING][E1] ^ pieceSquareKey[KING][E1 + 8]);

  pos = positionFromFen(fen);
  ASSERT_EQ(makeMove(*pos, findMove(*pos, "h1", "h5"), -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(pos->castleRights, 14);

  pos = positionFromFen(fen);
  ASSERT_EQ(makeMove(*pos, findMove(*pos, "a1", "a8"), -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(pos->castleRights, 15 & ~2 & ~8);
  expectConsistent(*pos, 0);
}

TEST(MakeMove, FiftyMoveCounter) {
  auto pos = positionFromFen("r3k2r/8/8/3p4/4P3/8/8/R3K2R w KQkq -");
  pos->rule50 = 7;
  ASSERT_EQ(makeMove(*pos, findMove(*pos, "a1", "a2"), -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(pos->rule50, 8);
  ASSERT_EQ(makeMove(*pos, findMove(*pos, "e8", "g8", FLAG_CASTLE), -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(pos->rule50, 0);
  ASSERT_EQ(makeMove(*pos, findMove(*pos, "a2", "a3"), -MATE_SCORE, MATE_SCORE), 1);
  ASSERT_EQ(makeMove(*pos, findMove(*pos, "d5", "e4"), -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(pos->rule50, 0);
  ASSERT_EQ(makeMove(*pos, findMove(*pos, "a3", "a4"), -MATE_SCORE, MATE_SCORE), 1);
  ASSERT_EQ(makeMove(*pos, findMove(*pos, "e4", "e3"), -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(pos->rule50, 0);
}

TEST(MakeMove, IllegalMovesLeaveThePositionAlone) {
  struct Case {
    const char* fen;
    const char* from;
    const char* to;
  };
  // Castling through a bishop's attack on f1, castling out of check, a pinned knight.
  for (const Case& c : {Case{"4k3/8/8/8/8/8/6b1/4K2R w K -", "e1", "g1"},
                        Case{"4k3/8/8/8/8/8/4r3/R3K2R w KQ -", "e1", "c1"},
                        Case{"4k3/4r3/8/8/8/8/4N3/4K3 w - -", "e2", "c3"}}) {
    auto pos = positionFromFen(c.fen);
    const Snapshot before(*pos);
    EXPECT_EQ(makeMove(*pos, findMove(*pos, c.from, c.to), -MATE_SCORE, MATE_SCORE), 0) << c.fen;
    EXPECT_TRUE(Snapshot(*pos) == before) << c.fen;
  }
}

TEST(MakeMove, UncheckedMakeAcceptsAnExposedKingButNotIllegalCastling) {
  auto pos = positionFromFen("4k3/4r3/8/8/8/8/4N3/4K3 w - -");
  ASSERT_EQ(makeMoveUnchecked(*pos, findMove(*pos, "e2", "c3"), -MATE_SCORE, MATE_SCORE), 1);
  unmakeMove(*pos);
  pos = positionFromFen("4k3/8/8/8/8/8/6b1/4K2R w K -");
  EXPECT_EQ(makeMoveUnchecked(*pos, findMove(*pos, "e1", "g1"), -MATE_SCORE, MATE_SCORE), 0);
}

TEST(MakeMove, CheckInfoRecordsCheckersAndDoubleCheck) {
  auto pos = positionFromFen("4k3/8/8/8/8/8/3R4/4K3 w - -");
  ASSERT_EQ(makeMove(*pos, findMove(*pos, "d2", "d8"), -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(pos->checkInfo[pos->gamePly], static_cast<std::uint32_t>(D8));

  // The knight uncovers the rook on b1: discovered check, then discovered double check.
  const char* fen = "1k6/8/8/8/1N6/8/8/1R2K3 w - -";
  pos = positionFromFen(fen);
  ASSERT_EQ(makeMove(*pos, findMove(*pos, "b4", "d3"), -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(pos->checkInfo[pos->gamePly], static_cast<std::uint32_t>(B1));
  pos = positionFromFen(fen);
  ASSERT_EQ(makeMove(*pos, findMove(*pos, "b4", "c6"), -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(pos->checkInfo[pos->gamePly], static_cast<std::uint32_t>(makeSquare(2, 5)) | DOUBLE_CHECK);
  EXPECT_FALSE(inCheck(CHECK_NONE));
}

TEST(Repetition, CountsOnlyWithinTheFiftyMoveWindow) {
  auto pos = positionFromFen(nullptr);
  const char* path[4][2] = {{"g1", "f3"}, {"g8", "f6"}, {"f3", "g1"}, {"f6", "g8"}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(repetitionCount(*pos), 0);
    ASSERT_EQ(makeMove(*pos, findMove(*pos, path[i][0], path[i][1]), -MATE_SCORE, MATE_SCORE), 1);
  }
  EXPECT_EQ(pos->rule50, 4);
  EXPECT_EQ(repetitionCount(*pos), 1);
  pos->rule50 = 3;
  EXPECT_EQ(repetitionCount(*pos), 0);
  pos->rule50 = 4;
  for (int i = 0; i < 4; ++i) ASSERT_EQ(makeMove(*pos, findMove(*pos, path[i][0], path[i][1]), -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(repetitionCount(*pos), 2);
  // Only the low 32 bits of the keys are compared.
  pos->undo[pos->gamePly - 4].hashKey ^= std::uint64_t{1} << 40;
  EXPECT_EQ(repetitionCount(*pos), 2);
}

TEST(MakeMove, NullMoveIsTakenBack) {
  auto pos = positionFromFen("rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3");
  const Snapshot before(*pos);
  // The search's null move: record, clear the en-passant square, pass the move.
  UndoRecord& undo = pos->undo[pos->gamePly];
  undo.move = MOVE_NONE;
  undo.epSquare = pos->epSquare;
  undo.rule50 = pos->rule50;
  undo.evalAfter = 123;
  ++pos->ply;
  ++pos->gamePly;
  pos->hashKey ^= epKey[pos->epSquare] ^ sideKey;
  pos->epSquare = -1;
  std::swap(pos->side, pos->xside);
  EXPECT_EQ(evaluate(*pos, NO_WINDOW, MATE_SCORE), 123);
  unmakeMove(*pos);
  EXPECT_TRUE(Snapshot(*pos) == before);
}

}  // namespace

namespace {

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
