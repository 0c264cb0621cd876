// Root search: search start, iterative deepening, the root move loop and the
// reports of its progress.
#include "search/root.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "board/coordinate.h"
#include "board/movegen.h"
#include "board/san.h"
#include "board/see.h"
#include "search/analysis_file.h"
#include "eval/evaluate.h"
#include "eval/move_step.h"
#include "search/clock.h"
#include "search/decided_table.h"
#include "search/engine_core.h"
#include "search/engine_options.h"
#include "search/history.h"
#include "search/margins.h"
#include "search/movepick.h"
#include "search/node.h"
#include "search/node_table.h"
#include "search/parallel.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/search.h"
#include "search/search_state.h"
#include "search/tablebase_sites.h"
#include "search/timecontrol.h"
#include "search/tt.h"

namespace velt {

// Helpers of a parallel search may be adding their counts to pos.nodes meanwhile.
std::uint64_t nodesSoFar(const Worker& pos) {
  return pos.engine->search.totalNodes +
         std::atomic_ref<const std::uint32_t>(pos.nodes).load(std::memory_order_relaxed);
}

namespace {

constexpr int NO_ROOT_SCORE = -30500;  // no legal root move searched
constexpr std::uint32_t TOP_KEY = 0xFFFFFFFFu;
constexpr std::uint32_t CAPTURE_KEY = 0xFFFFFFFEu;
// An analysis whose score is this large by this depth (half-plies), reached this
// quickly (ms), is handed over to the decided-position search. Six plies suffice to
// trust such a score, and the mating search's table finds short mates sooner than
// further normal iterations would.
constexpr int HANDOVER_SCORE = 500;
constexpr int HANDOVER_DEPTH = 12;
constexpr std::uint32_t HANDOVER_MS = 1000;

// What tells the two search families apart at the root: their node routines, their
// table (its preparation and its move for a position), the ordering key base of
// captures in the first root move list and their flags for the time rules.
struct RootFamily {
  int (*pv)(Worker&, int, int, int, int, int);
  int (*zeroWindow)(Worker&, int, int, int, int);
  int (*quiesce)(Worker&, int, int);
  void (*prepareTable)(EngineCore&);
  Move (*tableMove)(const Worker&);
  std::uint32_t captureKeyBase;
  IterationFlags TimeAllotment::*iterationFlags;
};

void prepareNormalTable(EngineCore& engine) {
  if (ttSideChanged(engine.tt, engine.gamePosition.side, (engine.engineFlags & FLAG_PRESERVE_HASH) != 0)) {
    clearSearchTables(engine);
  }
  ttNewSearch(engine.tt);
  if (ttUpdateWindow(engine.tt, engine.timeControl.timePerMove)) clearSearchTables(engine);
}

void prepareDecidedTable(EngineCore& engine) { prepareDecidedSearch(engine, engine.options.pruningLevel); }

Move normalTableMove(const Worker& pos) {
  const int fromTo = ttFirstFromTo(pos.engine->tt, pos.hashKey);
  return fromTo != 0 ? ttMoveToMove(pos, fromTo) : MOVE_NONE;
}

constexpr RootFamily normalFamily = {searchPV<NormalTable>, searchZWAny<NormalTable>, quiesceAny<NormalTable>,
                                     prepareNormalTable,    normalTableMove,          0x7FFFFF0Fu,
                                     &TimeAllotment::normalIterationFlags};
constexpr RootFamily decidedFamily = {searchPV<DecidedTable>, searchZWAny<DecidedTable>, quiesceAny<DecidedTable>,
                                      prepareDecidedTable,    decidedTableMove,          0x7FFFFEFFu,
                                      &TimeAllotment::decidedIterationFlags};

// The family of the search running (or of the last one, for its lines).
const RootFamily& familyOf(const EngineCore& engine) {
  return engine.root.decidedSearch ? decidedFamily : normalFamily;
}

std::uint32_t elapsedMs(const EngineCore& engine) { return currentTimeMs() - engine.allotment.searchStartTime; }

// Elapsed milliseconds at the last line printed during this search (RootState), so
// that a long iteration still shows a sign of life once a second (the interval is a
// little shorter, so that the poll's own period keeps the gap within the second).
constexpr std::uint32_t PROGRESS_INTERVAL_MS = 900;

void noteOutput(EngineCore& engine) { engine.root.lastOutputMs.store(elapsedMs(engine), std::memory_order_relaxed); }

// Keeps the line of a completed iteration for the analysis file.
void recordCompletedLine(RootState& root, const Worker& pos, int score, int depth) {
  const int length = std::min(pos.pvLength[0], MAX_PLY);
  std::copy(pos.pv[0], pos.pv[0] + length, root.completedLine);
  root.completedLine[length] = MOVE_NONE;
  root.completedScore = score;
  root.completedDepth = depth;
}

int multiPVCount(const EngineCore& engine) { return std::clamp(engine.options.multiPV, 1, MAX_MULTI_PV); }

int gamePhase(const Position& pos) {
  int phase = 0;
  for (int colour = WHITE; colour <= BLACK; ++colour) {
    phase += pos.pieceCount[colour][KNIGHT] + pos.pieceCount[colour][BISHOP] + 2 * pos.pieceCount[colour][ROOK] +
             4 * pos.pieceCount[colour][QUEEN];
  }
  return std::min(phase, 24);
}

// Whether the move is among the "searchmoves" words (all moves when there are none).
bool allowedBySearchMoves(EngineCore& engine, Move move) {
  if (engine.search.searchMovesText[0] == '\0') return true;
  const std::string text = moveToUci(move, kingTakesRook(engine));
  const std::size_t length = text.size();
  for (const char* word = engine.search.searchMovesText; *word != '\0';) {
    while (*word == ' ') ++word;
    std::size_t wordLength = 0;
    while (word[wordLength] != '\0' && word[wordLength] != ' ') ++wordLength;
    if (wordLength == length && std::strncmp(word, text.c_str(), length) == 0) return true;
    word += wordLength;
  }
  return false;
}

// ---- Reports ----

// Fills `out` with the variation `line` (`length` moves from ply 0) completed from the
// table up to `wanted` moves. A line move that turns out illegal ends the variation,
// itself included.
void completeVariation(Worker& pos, const Move* line, int length, int wanted, Variation& out) {
  EngineCore& engine = *pos.engine;
  out.length = 0;
  auto append = [&](Move move, std::string san) {
    out.moves[out.length] = move;
    out.san[out.length] = std::move(san);
    ++out.length;
  };
  Move played[MAX_PLY];
  int count = 0;
  for (int i = 0; i < length && count < MAX_PLY - 1; ++i) {
    append(line[i], moveToSan(pos, line[i]));
    if (!makeMove(pos, line[i], -MATE_SCORE, MATE_SCORE)) break;
    played[count++] = line[i];
  }
  while (count == length && count < wanted && count < MAX_PLY - 1) {
    const Move next = familyOf(engine).tableMove(pos);
    if (next == MOVE_NONE || !isMovePseudoLegal(pos, next)) break;
    bool repeated = false;
    for (int i = 0; i < count; ++i) repeated |= moveFromTo(played[i]) == moveFromTo(next);
    if (repeated) break;
    std::string san = moveToSan(pos, next);
    if (!makeMove(pos, next, -MATE_SCORE, MATE_SCORE)) break;
    append(next, std::move(san));
    played[count++] = next;
    ++length;
  }
  while (count-- > 0) unmakeMove(pos);
}

bool posting(const EngineCore& engine) { return (engine.engineFlags & FLAG_POST) != 0; }
// UCI with thinking shown: the lines between the principal variations are printed too.
bool postingUci(const EngineCore& engine) {
  return (engine.engineFlags & (FLAG_UCI | FLAG_POST)) == (FLAG_UCI | FLAG_POST);
}

// ---- Root move list ----

std::uint32_t captureOrderKey(EngineCore& engine, const Position& pos, Move move) {
  return familyOf(engine).captureKeyBase + 16u * static_cast<std::uint32_t>(typeOfCode(pos.board[moveTo(move)])) -
         static_cast<std::uint32_t>(typeOfCode(pos.board[moveFrom(move)]));
}

void sortRootMoves(EngineCore& engine) {
  std::stable_sort(engine.root.moves, engine.root.moves + engine.root.moveCount,
                   [](const RootMove& a, const RootMove& b) { return a.key > b.key; });
}

// The legal moves of the root with their first ordering keys; with `filtered` only
// the "searchmoves" ones.
void collectRootMoves(Worker& pos, Move tableMove, bool filtered) {
  EngineCore& engine = *pos.engine;
  if (nodeInCheck(pos)) {
    generateEvasions(pos, ~Bitboard{0});
  } else {
    generateAllMoves(pos);
  }
  engine.root.moveCount = 0;
  for (int i = pos.listStart[0]; i < pos.listStart[1] && engine.root.moveCount < MAX_ROOT_MOVES; ++i) {
    const Move move = pos.moveList[i].move;
    if ((filtered && !allowedBySearchMoves(engine, move)) || !makeMove(pos, move, -MATE_SCORE, MATE_SCORE)) continue;
    unmakeMove(pos);
    std::uint32_t key = 0;
    if (tableMove != MOVE_NONE && sameMove(move, tableMove)) {
      key = 0x7FFFFFFFu;
    } else if ((move & FLAG_CAPTURE) && !(move & FLAG_EN_PASSANT)) {
      key = captureOrderKey(engine, pos, move);
    }
    engine.root.moves[engine.root.moveCount++] = {move, key};
  }
  sortRootMoves(engine);
}

// A "searchmoves" list that names no legal move is ignored.
void buildRootMoves(Worker& pos, Move tableMove) {
  EngineCore& engine = *pos.engine;
  collectRootMoves(pos, tableMove, true);
  if (engine.root.moveCount == 0 && engine.search.searchMovesText[0] != '\0') collectRootMoves(pos, tableMove, false);
}

// Bishop promotions join the list once when the search struggles to find anything.
void addBishopPromotions(Worker& pos) {
  EngineCore& engine = *pos.engine;
  engine.root.underPromotionsAdded = true;
  const int count = engine.root.moveCount;
  for (int i = 0; i < count && engine.root.moveCount < MAX_ROOT_MOVES; ++i) {
    const Move move = engine.root.moves[i].move;
    if (movePromotion(move) != QUEEN) continue;
    const Move bishop = (move & ~(Move{7} << 16)) | Move{BISHOP} << 16;
    if (!makeMove(pos, bishop, -MATE_SCORE, MATE_SCORE)) continue;
    unmakeMove(pos);
    engine.root.moves[engine.root.moveCount++] = {bishop, 0};
  }
}

// Keys of one iteration: the first six and the moves that did well keep the top,
// other captures follow, quiet moves by ordering table and history.
void orderForIteration(EngineCore& engine, const Position& pos) {
  for (int i = 0; i < engine.root.moveCount; ++i) {
    RootMove& root = engine.root.moves[i];
    if (i < 6 || root.key != 0) {
      root.key = TOP_KEY;
    } else if (!isQuiet(root.move)) {
      root.key = CAPTURE_KEY;
    } else {
      const int from = moveFrom(root.move), to = moveTo(root.move);
      const int type = typeOfCode(pos.board[from]);
      const int value = 64 + orderPST[pos.side][type][to] - orderPST[pos.side][type][from] +
                        128 * historyValue(engine.history, 0, to, pos.board[from]);
      root.key = static_cast<std::uint32_t>(std::max(value, 0));
    }
  }
  sortRootMoves(engine);
  for (int i = 0; i < engine.root.moveCount; ++i) {
    engine.root.numberedMoves[i] = engine.root.moves[i].move;
    engine.root.moves[i].key = 0;
  }
}

// ---- Multi-PV slots ----

void clearSlots(EngineCore& engine) {
  for (PVSlot& slot : engine.root.slots) slot.depth = -1;
}

int filledSlots(EngineCore& engine) {
  int count = 0;
  while (count < multiPVCount(engine) && engine.root.slots[count].depth >= 0) ++count;
  return count;
}

// Enters a searched root move's line (`length` moves from `line`) with its score;
// false when the list stays as it was.
bool enterSlot(const Worker& pos, const Move* line, int length, int score, int depth) {
  EngineCore& engine = *pos.engine;
  const Move move = line[0];
  const int capacity = multiPVCount(engine);
  bool changed = false;
  for (int i = 0; i < capacity && engine.root.slots[i].depth >= 0; ++i) {
    if (engine.root.slots[i].line[0] == move) {
      std::copy(engine.root.slots + i + 1, engine.root.slots + capacity, engine.root.slots + i);
      engine.root.slots[capacity - 1].depth = -1;
      changed = true;
      break;
    }
  }
  int at = 0;
  while (at < capacity && engine.root.slots[at].depth >= 0 && engine.root.slots[at].score >= score) ++at;
  if (at >= capacity) return changed;
  // A window-edge score is spread a little so that equal edge scores stay apart.
  if (isWindowEdge(score)) {
    score += (std::abs(score) / 20) * static_cast<int>(nodesSoFar(pos) % 8 + 1) / 8;
    if (at > 0 && score > engine.root.slots[at - 1].score) score = (score + engine.root.slots[at - 1].score) / 2;
  }
  std::copy_backward(engine.root.slots + at, engine.root.slots + capacity - 1, engine.root.slots + capacity);
  PVSlot& slot = engine.root.slots[at];
  length = std::min(length, depth / 2);
  for (int i = 0; i < length; ++i) slot.line[i] = line[i];
  slot.line[length] = MOVE_NONE;
  slot.score = score;
  slot.depth = depth;
  slot.selDepth = engine.search.selDepthHalfPlies;
  slot.timeMs = elapsedMs(engine);
  slot.nodes = nodesSoFar(pos);
  slot.hits = engine.search.tbHits;
  return true;
}

// ---- Search start and the root move loop ----

void prepareRecaptureSquare(Worker& pos) {
  EngineCore& engine = *pos.engine;
  const int balance = pos.pieceMaterial[pos.side] - pos.pieceMaterial[pos.xside];
  engine.search.recaptureSquare = -1;
  if (pos.gamePly == engine.root.previousSearchPly + 2 && engine.root.previousBalance - balance > 200 &&
      pos.gamePly > 0) {
    const Move last = pos.undo[pos.gamePly - 1].move;
    const int square = moveTo(last);
    for (int i = 0; i < engine.root.moveCount; ++i) {
      const Move move = engine.root.moves[i].move;
      if (moveTo(move) == square && (move & FLAG_CAPTURE) && captureIsSafe(pos, move))
        engine.search.recaptureSquare = square;
    }
  }
  engine.root.previousSearchPly = pos.gamePly;
  engine.root.previousBalance = balance;
}

bool shouldPoll(const Worker& pos, std::uint32_t& lastPollNodes) {
  const EngineCore& engine = *pos.engine;
  if (pos.nodes - lastPollNodes <= engine.search.pollMask) return false;
  lastPollNodes = pos.nodes;
  return true;
}

int searchRootMove(Worker& pos, int index, Move move, int alpha, int beta, int depth) {
  EngineCore& engine = *pos.engine;
  int extension = 0;
  const int mover = pos.side;
  if ((move & FLAG_PAWN_MOVE) && relativeRank(moveTo(move), mover) == 6 && captureIsSafe(pos, move)) extension = ONE_PLY;
  if (!makeMove(pos, move, alpha, beta)) return NO_ROOT_SCORE;
  if (!keepsTablebaseDraw(pos)) {
    unmakeMove(pos);
    return NO_ROOT_SCORE;
  }
  if (extension == 0 && nodeInCheck(pos)) extension = HALF_PLY;
  const int childDepth = depth - ONE_PLY + extension;
  int score;
  if (childDepth < ONE_PLY) {
    score = -familyOf(engine).quiesce(pos, -beta, -alpha);
  } else if (index == 0) {
    score = -familyOf(engine).pv(pos, -beta, -alpha, childDepth, engine.root.rootEval, 1);
  } else {
    score = -familyOf(engine).zeroWindow(pos, -alpha, childDepth, MODE_PV_CHILD, depth - childDepth);
    if (score > alpha && !stopped(pos))
      score = -familyOf(engine).pv(pos, -beta, -alpha, childDepth, engine.root.rootEval, 0);
  }
  unmakeMove(pos);
  return score;
}

// One iteration on the window [alpha, beta]; returns the best score (or a bound).
int rootIteration(Worker& pos, int alpha, int beta, int depth) {
  EngineCore& engine = *pos.engine;
  const bool single = multiPVCount(engine) == 1;
  const bool post = postingUci(engine);
  if (post && (single || depth > 9)) {
    if (engine.search.reporter.iterationStarted)
      engine.search.reporter.iterationStarted(engine.search.reporter.context, depth / 2);
    noteOutput(engine);
  }
  orderForIteration(engine, pos);
  const int iterationAlpha = alpha;
  int best = NO_ROOT_SCORE;
  std::uint32_t lastPollNodes = pos.nodes;
  for (int i = 0; i < engine.root.moveCount; ++i) {
    engine.search.onFirstRootMove = i == 0;
    if (i == 0 || shouldPoll(pos, lastPollNodes)) pollSearch(pos);
    if (stopped(pos) || engine.search.searchAborted) break;
    if (engine.search.analysisMode && !engine.root.decidedSearch) {
      analysisSavePoint(engine, AnalysisSavePoint::WithinIteration, elapsedMs(engine));
    }
    const Move move = engine.root.moves[i].move;
    engine.search.rootProgress = {engine.root.moveCount, i, move};
    const std::uint32_t elapsed = elapsedMs(engine);
    if (post && elapsed > 1000 && ((i + 1) % 4 == 0 || elapsed > 10000)) {
      int number = 1;
      while (number <= engine.root.moveCount && engine.root.numberedMoves[number - 1] != move) ++number;
      reportCurrentMove(engine, move, number);
    }
    // With several lines every move competes for a slot: against the iteration's alpha
    // until the slots are full, then against the lowest slot.
    int floor = alpha;
    if (!single)
      floor = filledSlots(engine) == multiPVCount(engine) ? engine.root.slots[multiPVCount(engine) - 1].score
                                                          : iterationAlpha;
    const int score = searchRootMove(pos, i, move, floor, beta, depth);
    if (score == NO_ROOT_SCORE) continue;
    if (stopped(pos)) break;
    if (score > best) best = score;
    // With several lines every searched move takes its place among them, one that
    // failed low with its bound and itself as its line, so that no line of an earlier
    // iteration outlives a deeper result.
    if (!single && score <= floor && enterSlot(pos, &move, 1, score, depth) && depth >= 10) reportMultiPV(engine);
    if (score > floor) {
      pos.pv[0][0] = move;
      const int childEnd = std::max(pos.pvLength[1], 1);
      for (int j = 1; j < childEnd; ++j) pos.pv[0][j] = pos.pv[1][j];
      pos.pvLength[0] = childEnd;
      if (!single) {
        enterSlot(pos, pos.pv[0], pos.pvLength[0], score, depth);
        if (depth >= 10) reportMultiPV(engine);
      }
      if (score > alpha) {
        alpha = score;
        if (i != 0) engine.allotment.iterationFlags->bestMoveChanged = true;
        // The new best move heads the list; the others keep their order.
        const RootMove moved = {move, 1};
        std::copy_backward(engine.root.moves, engine.root.moves + i, engine.root.moves + i + 1);
        engine.root.moves[0] = moved;
        if (single && depth > 8) reportThinking(engine, score, depth);
        if (score >= beta) return score;
      }
    }
  }
  // With several lines the principal variation is the best slot's.
  if (!single && engine.root.slots[0].depth >= 0) {
    int length = 0;
    for (; engine.root.slots[0].line[length] != MOVE_NONE; ++length)
      pos.pv[0][length] = engine.root.slots[0].line[length];
    pos.pvLength[0] = length;
  }
  return best;
}

// Window of an iteration from the previous score (full window early on or when the
// game is decided), with the step for widening it.
void iterationWindow(EngineCore& engine, int depth, int previous, int& alpha, int& beta, int& delta) {
  alpha = -MATE_SCORE;
  beta = MATE_SCORE;
  delta = 8;
  if (depth <= 12 || std::abs(previous) > 500) return;
  if (multiPVCount(engine) == 1) {
    alpha = previous - 8;
    beta = previous + 8;
    return;
  }
  delta = 32;
  const int filled = std::max(filledSlots(engine), 1);
  alpha = engine.root.slots[filled - 1].score - 32;
  beta = engine.root.slots[0].score + 32;
  if (alpha < -MATE_BOUND) alpha = -MATE_SCORE;
  if (beta > MATE_BOUND) beta = MATE_SCORE;
}

bool pawnsOnBoard(const Position& pos) { return (pos.pieceBB[WHITE][PAWN] | pos.pieceBB[BLACK][PAWN]) != 0; }

// `hint` orders the root when the table has no move for it.
// A hand-over goes on with the normal search's clock and node count, so that the
// info lines' time and nodes keep counting from "go".
void startSearch(Worker& pos, Move hint, bool handover) {
  EngineCore& engine = *pos.engine;
  const bool fresh = engine.tt.recentRootScores[0] == MATE_SCORE;
  pos.stop = 0;
  pos.threadIndex = 0;
  pos.ply = 0;
  pos.nodes = 0;
  pos.tbHits = 0;
  pos.pvLength[0] = 0;
  if (!handover) {
    engine.search.totalNodes = 0;
    engine.search.tbHits = 0;
    engine.allotment.searchStartTime = currentTimeMs();
  }
  engine.search.searchAborted = false;
  engine.search.iterationDepth = 2;
  engine.root.underPromotionsAdded = false;
  engine.root.completedDepth = 0;
  engine.root.lastOutputMs.store(0, std::memory_order_relaxed);
  engine.allotment.ponderCredit = 0;
  engine.allotment.lastPollMs = currentTimeMs();
  engine.allotment.clockLimitMs = 0;
  engine.allotment.instantMove = false;
  engine.allotment.iterationFlags = &(engine.allotment.*familyOf(engine).iterationFlags);
  engine.allotment.iterationFlags->stable = true;
  if (fresh) clearGainTables(*engine.evalData.gains);
  loadSearchMargins(engine.margins, gamePhase(pos), engine.options.pruningLevel);
  familyOf(engine).prepareTable(engine);
  pos.prefetch = engine.tt.prefetch;
  // The analysis file holds the normal search's table.
  if (engine.search.analysisMode && !engine.root.decidedSearch) analysisSearchStarted(engine);
  updateAverageLag(engine);
  // A decided game without pawns spreads its clock over half the moves the fifty-move rule leaves.
  engine.allotment.movesToPlan =
      engine.root.decidedSearch ? decidedMovesToPlan(pos.rule50, pawnsOnBoard(pos)) : SUDDEN_DEATH_MOVES;
  // Analysis runs until it is stopped, whatever clock the last game left set.
  if (!engine.search.pondering && !engine.search.analysisMode &&
      (engine.timeControl.baseTime != 0 || engine.timeControl.movesPerSession != 0 ||
       engine.timeControl.timePerMove != 0)) {
    allocateTime(engine, pos.side, pos.gamePly);
  }
  if (engine.limits.nodes > 0) engine.search.pollMask = NODE_LIMIT_POLL_MASK;
  capPollWhilePondering(engine);
  prepareSearchTablebases(engine, engine.timeControl.timePerMove != 0, engine.allotment.targetTime);
  updateLowTimeMode(engine, pos.side);
  engine.root.rootEval = evaluate(pos, NO_WINDOW, MATE_SCORE);
  const Move tableMove = familyOf(engine).tableMove(pos);
  buildRootMoves(pos, tableMove != MOVE_NONE ? tableMove : hint);
  prepareRecaptureSquare(pos);
  probeRootTablebase(pos);
  rankRootBySyzygy(pos);
  setDrawScores(engine.margins, pos.side, engine.options.drawContemptScore);
  clearSlots(engine);
  beginParallelSearch(engine.pool, pos);
}

}  // namespace

int displayScore(EngineCore& engine, int score) {
  if (isWindowEdge(score)) {
    score = std::abs(score - engine.search.lastPrintedScore) <= 100 ? engine.search.lastPrintedScore
                                                             : (score + engine.search.lastPrintedScore) / 2;
  }
  engine.search.lastPrintedScore = score;
  return score;
}

void reportThinking(EngineCore& engine, int score, int depth) {
  Worker& pos = engine.gamePosition;
  const LineFigures figures = {0,
                               rootTablebaseDraw(engine) ? 0 : tablebaseRootScore(engine, displayScore(engine, score)),
                               depth / 2,
                               engine.search.selDepthHalfPlies / 2,
                               elapsedMs(engine),
                               nodesSoFar(pos),
                               engine.search.tbHits};
  Variation variation;
  completeVariation(pos, pos.pv[0], pos.pvLength[0], depth / 2, variation);
  if (engine.search.reporter.line) engine.search.reporter.line(engine.search.reporter.context, figures, variation);
  if (posting(engine)) noteOutput(engine);
}

void repeatThinking(EngineCore& engine) {
  if (engine.search.reporter.repeatLine) engine.search.reporter.repeatLine(engine.search.reporter.context);
}

void reportCurrentMove(EngineCore& engine, Move move, int number) {
  if (engine.search.reporter.currentMove) {
    engine.search.reporter.currentMove(engine.search.reporter.context, move, number, nodesSoFar(engine.gamePosition));
  }
  noteOutput(engine);
}

void reportProgress(EngineCore& engine) {
  if (!postingUci(engine)) return;
  const std::uint32_t timeMs = elapsedMs(engine);
  if (timeMs < PROGRESS_INTERVAL_MS ||
      timeMs - engine.root.lastOutputMs.load(std::memory_order_relaxed) < PROGRESS_INTERVAL_MS) {
    return;
  }
  if (engine.search.reporter.progress) {
    engine.search.reporter.progress(engine.search.reporter.context, timeMs, nodesSoFar(engine.gamePosition),
                                    engine.search.tbHits);
  }
  noteOutput(engine);
}

void reportMultiPV(EngineCore& engine) {
  if (!posting(engine)) return;
  Worker& pos = engine.gamePosition;
  for (int i = 0; i < multiPVCount(engine) && engine.root.slots[i].depth >= 0; ++i) {
    const PVSlot& slot = engine.root.slots[i];
    const LineFigures figures = {i + 1,       slot.score, slot.depth / 2, slot.selDepth / 2,
                                 slot.timeMs, slot.nodes, slot.hits};
    int length = 0;
    while (slot.line[length] != MOVE_NONE) ++length;
    Variation variation;
    completeVariation(pos, slot.line, length, length, variation);
    if (engine.search.reporter.line) engine.search.reporter.line(engine.search.reporter.context, figures, variation);
  }
  noteOutput(engine);
}

void tableVariation(Worker& pos, Move first, int wanted, Variation& variation) {
  completeVariation(pos, &first, 1, wanted, variation);
}

namespace {

// Whether the score proves a mate in at most the moves of the mate limit.
bool mateLimitReached(const EngineCore& engine, int score) {
  return engine.limits.mateMoves > 0 && score > MATE_BOUND &&
         (MATE_SCORE + 1 - score) / 2 <= engine.limits.mateMoves;
}

// Iterative deepening from `firstDepth` with the family's node routines; `previous`
// stands for the score of the iteration before the first one (it sets the window).
void runSearch(EngineCore& engine, const RootFamily& searchFamily, int firstDepth, Move hint, int previous,
               bool handover = false) {
  Worker& pos = engine.gamePosition;
  engine.root.decidedSearch = &searchFamily == &decidedFamily;
  startSearch(pos, hint, handover);
  int score = NO_ROOT_SCORE;
  const bool single = multiPVCount(engine) == 1;
  // A won ending without pawns is converted by plans longer than the horizon: where the
  // score has not risen since the last move, the search takes its whole target time.
  const bool watchProgress = engine.root.decidedSearch && !pawnsOnBoard(pos);
  const int lastMoveScore = previous;
  const auto noProgress = [&](int value) {
    return watchProgress && std::abs(value) < MATE_BOUND && value <= lastMoveScore;
  };
  for (int depth = firstDepth; depth <= ONE_PLY * engine.timeControl.maxSearchDepth && engine.root.moveCount > 0;
       depth += ONE_PLY) {
    engine.search.iterationDepth = depth;
    engine.search.selDepthHalfPlies = depth;
    engine.allotment.iterationFlags->bestMoveChanged = false;
    engine.allotment.iterationFlags->failLowSeen = false;
    int alpha, beta, delta;
    iterationWindow(engine, depth, previous, alpha, beta, delta);
    if (depth >= 14 && !engine.root.underPromotionsAdded && !engine.search.analysisMode && !nodeInCheck(pos) &&
        (previous == 0 || previous < -MATE_BOUND)) {
      addBishopPromotions(pos);
    }
    bool stopNow = false;
    for (;;) {
      score = rootIteration(pos, alpha, beta, depth);
      if (stopped(pos) || engine.search.searchAborted) break;
      if (score <= alpha && alpha > -MATE_SCORE) {
        engine.allotment.iterationFlags->failLowSeen = true;
        alpha = std::max(alpha - delta, -MATE_SCORE);
      } else if (score >= beta && beta < MATE_SCORE) {
        if (engine.timeControl.baseTime != 0 && !engine.search.analysisMode && single) {
          stopNow =
              iterationSaysStop(engine, {depth, pos.side, score, previous, engine.root.moveCount == 1, pos.pvLength[0],
                                         false, rootTablebaseDraw(engine), currentTimeMs(), noProgress(score)});
          if (stopNow) break;
        }
        beta = std::min(beta + delta, MATE_SCORE);
      } else {
        break;
      }
      delta += delta / 2;
    }
    engine.search.totalNodes += pos.nodes;
    engine.search.tbHits += pos.tbHits;
    pos.nodes = pos.tbHits = 0;
    if (stopped(pos) || engine.search.searchAborted || stopNow) break;
    engine.search.rootScore = score;
    recordCompletedLine(engine.root, pos, score, depth);
    // A clearly decided analysis, mates included, goes on in the decided-position search,
    // whose table keeps mate distances.
    if (!engine.root.decidedSearch && engine.search.analysisMode && depth >= HANDOVER_DEPTH &&
        elapsedMs(engine) < HANDOVER_MS && std::abs(score) >= HANDOVER_SCORE) {
      engine.search.handoverDepth = depth;
      break;
    }
    if (engine.search.analysisMode && !engine.root.decidedSearch) {
      analysisSavePoint(engine, AnalysisSavePoint::AfterIteration, elapsedMs(engine));
    }
    if (engine.limits.nodes == 0) {
      tunePollInterval(engine, engine.search.totalNodes, engine.search.tbHits, elapsedMs(engine),
                       engine.options.maxThreads);
    }
    if (single && depth <= 8) reportThinking(engine, score, depth);
    if (mateLimitReached(engine, score)) break;
    if (engine.timeControl.baseTime != 0 && !engine.search.analysisMode && single) {
      const Move best = pos.pv[0][0];
      const bool recapture = engine.search.recaptureSquare >= 0 && moveTo(best) == engine.search.recaptureSquare;
      if (!recapture) engine.search.recaptureSquare = -1;
      if (iterationSaysStop(engine, {depth, pos.side, score, previous, engine.root.moveCount == 1, pos.pvLength[0],
                                     recapture, rootTablebaseDraw(engine), currentTimeMs(), noProgress(score)})) {
        break;
      }
    }
    previous = score;
  }
  endParallelSearch(engine.pool);
  engine.search.totalNodes += pos.nodes;
  engine.search.tbHits += pos.tbHits;
  pos.nodes = pos.tbHits = 0;
  engine.search.searchAborted = true;
  if (!engine.search.analysisMode && !engine.search.pondering && engine.root.moveCount > 0)
    ttRecordRootScore(engine.tt, engine.search.rootScore);
  engine.search.bestMove =
      pos.pvLength[0] > 0 ? pos.pv[0][0] : (engine.root.moveCount > 0 ? engine.root.moves[0].move : MOVE_NONE);
  engine.search.ponderMove = pos.pvLength[0] > 1 ? pos.pv[0][1] : MOVE_NONE;
  engine.search.resultKey = pos.hashKey;
  // A node-limited search ends with its count, which the last line may not show.
  if (engine.limits.nodes > 0 && postingUci(engine) && engine.search.reporter.progress) {
    engine.search.reporter.progress(engine.search.reporter.context, elapsedMs(engine), engine.search.totalNodes,
                                    engine.search.tbHits);
  }
}

}  // namespace

void searchRoot(EngineCore& engine) {
  runSearch(engine, normalFamily, ONE_PLY, MOVE_NONE, engine.tt.recentRootScores[0]);
}

void searchDecided(EngineCore& engine, int fromDepth) {
  if (fromDepth <= 0) {
    runSearch(engine, decidedFamily, ONE_PLY, MOVE_NONE, engine.tt.recentRootScores[0]);
    return;
  }
  // A hand-over goes on from the normal search's last iteration: its best move first
  // and its decisive score for the window, not an older score of the game.
  runSearch(engine, decidedFamily, fromDepth + ONE_PLY, engine.search.bestMove, engine.search.rootScore, true);
}

}  // namespace velt
