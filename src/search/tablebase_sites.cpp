// The search's tablebase probes.
#include "search/tablebase_sites.h"

#include <algorithm>
#include <cstdlib>

#include "egtb/tb_probe.h"
#include "search/decided_tt.h"
#include "search/engine_core.h"
#include "search/margins.h"
#include "search/node.h"
#include "search/search.h"

namespace velt {

namespace {

constexpr int FIVE_MEN = 5;
constexpr int FOUR_MEN = 4;
constexpr int TIGHT_TARGET_CS = 100;  // below this hard-limited target the five-men files stay out
constexpr int ROOT_PROBE_PLIES = 3;   // nodes this near the root probe after any move

// Callers first check the men against usableMen, which is 0 without tablebases.
bool probeSearchTablebase(const Worker& pos, int& score) { return probeTablebase(pos.engine->tablebases, pos, score); }

void countHit(Worker& pos) {
  const auto hits = static_cast<std::uint32_t>(++pos.tbHits);
  const EngineCore& engine = *pos.engine;
  if (pos.threadIndex == 0 && hits % static_cast<std::uint32_t>(std::max(engine.search.tbPollInterval, 1)) == 0) {
    pollSearch(pos);
  }
}

bool ownProbeAllowed(const Worker& pos, int depth, const TablebaseProbeRule& rule) {
  const int men = pos.menCount;
  if (men > std::min(rule.largestMen, pos.engine->tablebaseSites.usableMen) || pos.castleRights != 0) return false;
  if (men == FIVE_MEN && (depth < rule.fiveMenDepth || (rule.fiveMenWhiteOnly && pos.side != WHITE))) return false;
  const Move last = pos.gamePly > 0 ? pos.undo[pos.gamePly - 1].move : MOVE_NONE;
  return pos.ply < ROOT_PROBE_PLIES || (last & (FLAG_CAPTURE | FLAG_PROMOTION));
}

bool syzygyProbeAllowed(const Worker& pos, int depth) {
  const SearchTablebases& sites = pos.engine->tablebaseSites;
  return pos.menCount <= sites.syzygyMen && pos.rule50 == 0 && pos.castleRights == 0 && depth >= sites.syzygyDepth;
}

// A verdict holds at every depth: the table keeps it, so that the node is not probed
// again. The normal table clips a win or a loss at its window edge, still a true bound.
void storeVerdict(Worker& pos, int score, bool lower, bool upper) {
  TranspositionTable& tt = pos.engine->tt;
  const std::uint64_t key = pos.hashKey;
  if (pos.engine->root.decidedSearch) {
    if (lower) decidedStoreLower(tt, key, MAX_TT_DEPTH, MOVE_NONE, score, pos.ply);
    if (upper) decidedStoreUpper(tt, key, MAX_TT_DEPTH, score, pos.ply);
  } else if (lower && upper) {
    ttStoreExactClipped(tt, key, MAX_TT_DEPTH, 0, score);
  } else if (lower) {
    if (ttLowerStorable(tt, score)) ttStoreLower(tt, key, MAX_TT_DEPTH, 0, ttLowerField(tt, score));
  } else if (ttUpperStorable(tt, score)) {
    ttStoreUpper(tt, key, MAX_TT_DEPTH, 0, ttUpperField(tt, score));
  }
}

// The root move's outcome in the Syzygy ranking, or null when the tables do not list it.
const SyzygyMoveOutcome* outcomeOf(const SyzygyRoot& ranking, Move move) {
  const int promotion = (move & FLAG_PROMOTION) ? movePromotion(move) : 0;
  for (int i = 0; i < ranking.count; ++i) {
    const SyzygyMoveOutcome& outcome = ranking.moves[i];
    if (outcome.from == moveFrom(move) && outcome.to == moveTo(move) && outcome.promotion == promotion) return &outcome;
  }
  return nullptr;
}

}  // namespace

void prepareSearchTablebases(EngineCore& engine, bool hardLimit, int targetTimeCs) {
  SearchTablebases& sites = engine.tablebaseSites;
  sites.usableMen = std::max(engine.tablebases.largest, 0);
  if (hardLimit && targetTimeCs < TIGHT_TARGET_CS) sites.usableMen = std::min(sites.usableMen, FOUR_MEN);
  sites.rootDraw = false;
  sites.syzygyMen = std::min(engine.syzygy.largest, engine.options.syzygyProbeLimit);
  sites.syzygyDepth = engine.options.syzygyProbeDepth * ONE_PLY;
  sites.fiftyMoveRule = engine.options.syzygy50MoveRule;
  sites.rootRanked = false;
}

bool probeRootTablebase(Worker& pos) {
  SearchTablebases& sites = pos.engine->tablebaseSites;
  int score;
  sites.rootDraw = pos.menCount <= sites.usableMen && pos.castleRights == 0 && probeSearchTablebase(pos, score) &&
                   score == 0;
  return sites.rootDraw;
}

bool rootTablebaseDraw(const EngineCore& engine) { return engine.tablebaseSites.rootDraw; }

bool keepsTablebaseDraw(Worker& pos) {
  const SearchTablebases& sites = pos.engine->tablebaseSites;
  int score;
  return !sites.rootDraw || pos.menCount > sites.usableMen || !probeSearchTablebase(pos, score) || score == 0;
}

void rankRootBySyzygy(Worker& pos) {
  EngineCore& engine = *pos.engine;
  SearchTablebases& sites = engine.tablebaseSites;
  if (pos.menCount > engine.syzygy.largest || pos.castleRights != 0) return;
  SyzygyRoot ranking;
  if (!probeSyzygyRoot(pos, ranking)) return;
  pos.tbHits += static_cast<std::uint32_t>(ranking.count + 1);
  int ownScore;
  const bool progress = !(pos.menCount <= sites.usableMen && probeSearchTablebase(pos, ownScore));
  RootState& root = engine.root;
  int best = 0;
  bool found = false;
  for (int i = 0; i < root.moveCount; ++i) {
    const SyzygyMoveOutcome* outcome = outcomeOf(ranking, root.moves[i].move);
    if (outcome == nullptr) continue;
    const int rank = syzygyRank(*outcome, sites.fiftyMoveRule, progress);
    if (!found || rank > best) sites.rootWdl = effectiveWdl(outcome->wdl, sites.fiftyMoveRule);
    best = found ? std::max(best, rank) : rank;
    found = true;
  }
  if (!found) return;
  int kept = 0;
  for (int i = 0; i < root.moveCount; ++i) {
    const SyzygyMoveOutcome* outcome = outcomeOf(ranking, root.moves[i].move);
    if (outcome != nullptr && syzygyRank(*outcome, sites.fiftyMoveRule, progress) == best) {
      root.moves[kept++] = root.moves[i];
    }
  }
  root.moveCount = kept;
  // The ranking covered every promotion: none joins the list later.
  root.underPromotionsAdded = true;
  sites.rootRanked = true;
  const SyzygyWdl verdict = sites.rootWdl;
  if (verdict != SyzygyWdl::WIN && verdict != SyzygyWdl::LOSS) sites.rootDraw = true;
}

int tablebaseRootScore(const EngineCore& engine, int score) {
  const SearchTablebases& sites = engine.tablebaseSites;
  if (!sites.rootRanked || std::abs(score) > MATE_BOUND) return score;
  return syzygyScore(sites.rootWdl, 0, sites.fiftyMoveRule, score);
}

bool tablebaseEnds(Worker& pos, int depth, const TablebaseProbeRule& rule, int alpha, int beta, int& result) {
  EngineCore& engine = *pos.engine;
  const bool own = ownProbeAllowed(pos, depth, rule);
  const bool syzygy = syzygyProbeAllowed(pos, depth);
  if (!own && !syzygy) return false;
  const int draw = rule.drawScoreForDraw ? engine.margins.drawScore[pos.side] : 0;
  // The engine's own tables go first where they hold the position: their mates are exact.
  int score;
  if ((own || pos.menCount <= engine.tablebaseSites.usableMen) && probeSearchTablebase(pos, score)) {
    countHit(pos);
    result = score == 0 ? draw : score;
    return true;
  }
  SyzygyWdl wdl;
  if (!syzygy || !probeSyzygyWdl(pos, wdl)) return false;
  countHit(pos);
  score = syzygyScore(wdl, pos.ply, engine.tablebaseSites.fiftyMoveRule, draw);
  const bool win = score > draw, loss = score < draw;
  storeVerdict(pos, score, !loss, !win);
  // A win bounds the score from below and a loss from above: only a mate found beyond
  // the window decides more.
  if ((win && score < beta) || (loss && score > alpha)) return false;
  result = score;
  return true;
}

}  // namespace velt
