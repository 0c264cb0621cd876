// The search's tablebase probes.
#include "search/tablebase_sites.h"

#include <algorithm>

#include "egtb/tb_probe.h"
#include "search/margins.h"
#include "search/node.h"
#include "search/search_state.h"

namespace velt {

namespace {

constexpr int FIVE_MEN = 5;
constexpr int FOUR_MEN = 4;
constexpr int TIGHT_TARGET_CS = 100;  // below this hard-limited target the five-men files stay out
constexpr int ROOT_PROBE_PLIES = 3;   // nodes this near the root probe after any move

struct SearchTablebases {
  const Tablebases* files = nullptr;  // null: no tablebases
  int usableMen = 0;
  bool rootDraw = false;
};
SearchTablebases searchTablebases;

// Callers first check the men against usableMen, which is 0 without tablebases.
bool probeSearchTablebase(const Worker& pos, int& score) { return probeTablebase(*searchTablebases.files, pos, score); }

}  // namespace

void setSearchTablebases(const Tablebases* files) { searchTablebases.files = files; }

void forgetSearchTablebases(const Tablebases& files) {
  if (searchTablebases.files == &files) searchTablebases.files = nullptr;
}

void prepareSearchTablebases(bool hardLimit, int targetTimeCs) {
  const Tablebases* files = searchTablebases.files;
  searchTablebases.usableMen = files ? std::max(files->largest, 0) : 0;
  if (hardLimit && targetTimeCs < TIGHT_TARGET_CS) searchTablebases.usableMen = std::min(searchTablebases.usableMen, FOUR_MEN);
  searchTablebases.rootDraw = false;
}

bool probeRootTablebase(Worker& pos) {
  int score;
  searchTablebases.rootDraw = pos.menCount <= searchTablebases.usableMen && pos.castleRights == 0 &&
                              probeSearchTablebase(pos, score) && score == 0;
  return searchTablebases.rootDraw;
}

bool rootTablebaseDraw() { return searchTablebases.rootDraw; }

bool keepsTablebaseDraw(Worker& pos) {
  int score;
  return !searchTablebases.rootDraw || pos.menCount > searchTablebases.usableMen || !probeSearchTablebase(pos, score) ||
         score == 0;
}

bool tablebaseEnds(Worker& pos, int depth, const TablebaseProbeRule& rule, int& result) {
  const int men = pos.menCount;
  if (men > std::min(rule.largestMen, searchTablebases.usableMen) || pos.castleRights != 0) return false;
  if (men == FIVE_MEN && (depth < rule.fiveMenDepth || (rule.fiveMenWhiteOnly && pos.side != WHITE))) return false;
  const Move last = pos.gamePly > 0 ? pos.undo[pos.gamePly - 1].move : MOVE_NONE;
  if (pos.ply >= ROOT_PROBE_PLIES && !(last & (FLAG_CAPTURE | FLAG_PROMOTION))) return false;
  int score;
  if (!probeSearchTablebase(pos, score)) return false;
  const auto hits = static_cast<std::uint32_t>(++pos.tbHits);
  if (pos.threadIndex == 0 && hits % static_cast<std::uint32_t>(std::max(search.tbPollInterval, 1)) == 0) {
    pollSearch(pos);
  }
  result = score == 0 && rule.drawScoreForDraw ? searchMargins.drawScore[pos.side] : score;
  return true;
}

}  // namespace velt
