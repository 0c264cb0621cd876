// The search's tablebase probes.
#include "search/tablebase_sites.h"

#include <algorithm>

#include "egtb/tb_probe.h"
#include "search/engine_core.h"
#include "search/margins.h"
#include "search/node.h"

namespace velt {

namespace {

constexpr int FIVE_MEN = 5;
constexpr int FOUR_MEN = 4;
constexpr int TIGHT_TARGET_CS = 100;  // below this hard-limited target the five-men files stay out
constexpr int ROOT_PROBE_PLIES = 3;   // nodes this near the root probe after any move

// Callers first check the men against usableMen, which is 0 without tablebases.
bool probeSearchTablebase(const Worker& pos, int& score) { return probeTablebase(pos.engine->tablebases, pos, score); }

}  // namespace

void prepareSearchTablebases(EngineCore& engine, bool hardLimit, int targetTimeCs) {
  SearchTablebases& sites = engine.tablebaseSites;
  sites.usableMen = std::max(engine.tablebases.largest, 0);
  if (hardLimit && targetTimeCs < TIGHT_TARGET_CS) sites.usableMen = std::min(sites.usableMen, FOUR_MEN);
  sites.rootDraw = false;
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

bool tablebaseEnds(Worker& pos, int depth, const TablebaseProbeRule& rule, int& result) {
  EngineCore& engine = *pos.engine;
  const int men = pos.menCount;
  if (men > std::min(rule.largestMen, engine.tablebaseSites.usableMen) || pos.castleRights != 0) return false;
  if (men == FIVE_MEN && (depth < rule.fiveMenDepth || (rule.fiveMenWhiteOnly && pos.side != WHITE))) return false;
  const Move last = pos.gamePly > 0 ? pos.undo[pos.gamePly - 1].move : MOVE_NONE;
  if (pos.ply >= ROOT_PROBE_PLIES && !(last & (FLAG_CAPTURE | FLAG_PROMOTION))) return false;
  int score;
  if (!probeSearchTablebase(pos, score)) return false;
  const auto hits = static_cast<std::uint32_t>(++pos.tbHits);
  if (pos.threadIndex == 0 && hits % static_cast<std::uint32_t>(std::max(engine.search.tbPollInterval, 1)) == 0) {
    pollSearch(pos);
  }
  result = score == 0 && rule.drawScoreForDraw ? engine.margins.drawScore[pos.side] : score;
  return true;
}

}  // namespace velt
