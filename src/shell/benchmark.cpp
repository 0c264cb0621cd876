// The speed benchmark.
#include "search/worker.h"
#include "shell/benchmark.h"

#include <cstdio>

#include "board/position.h"
#include "search/clock.h"
#include "search/root.h"
#include "search/search_state.h"
#include "shell/engine.h"
#include "shell/game_commands.h"
#include "shell/options.h"

namespace velt {

namespace {

constexpr double MS_PER_SECOND = 1000.0;

struct BenchmarkEntry {
  const char* fen;
  int depth;  // plies
  double referenceNodes;
  double referenceMs;
};

// Measured on the reference machine (a 1.7 GHz Pentium 4).
constexpr BenchmarkEntry benchmarkTable[] = {
    {"r1b2rk1/pp3ppp/2n1pn2/q1bp4/2P2B2/P1N1PN2/1PQ2PPP/R3KB1R w KQ -", 11, 8563901, 23359},
    {"r2qrb1k/1p1b2p1/p2ppn1p/8/3NP3/1BN5/PPP3QP/1K3RR1 w - -", 12, 10913874, 27708},
    {"5r1k/pb2r1bp/1p2B1p1/n7/4qNQ1/4B3/P4PPP/2RR2K1 w - -", 12, 11602712, 23979},
    {"r5k1/p4n1p/6p1/3Pp3/2p1P3/1r6/2B3PP/R4R1K b - -", 15, 8964885, 21088},
};

// The four searches with their lines; the totals of all four.
struct BenchmarkTotals {
  double referenceNodes = 0, referenceMs = 0, nodes = 0, ms = 0;
};

BenchmarkTotals searchBenchmarkPositions(Engine& engine) {
  const std::uint32_t savedFlags = engine.engineFlags;
  const SearchLimits savedLimits = engine.limits;
  engine.engineFlags &= ~FLAG_POST;
  engine.limits = {};
  engine.search.pollReadsInput = false;
  engine.timeControl.increment = engine.timeControl.baseTime = engine.timeControl.movesPerSession =
      engine.timeControl.timePerMove = 0;
  BenchmarkTotals totals;
  int number = 1;
  for (const BenchmarkEntry& entry : benchmarkTable) {
    newGame(engine, true);

    parseFen(engine.gamePosition, entry.fen);
    engine.timeControl.maxSearchDepth = entry.depth;
    const std::uint32_t start = currentTimeMs();
    searchRoot(engine);
    const std::uint32_t elapsed = currentTimeMs() - start;
    print(engine.out, "Position %d ->  Time: %dms, Nodes: %d\n", number++, static_cast<int>(elapsed),
                static_cast<int>(engine.search.totalNodes));
    totals.referenceNodes += entry.referenceNodes;
    totals.referenceMs += entry.referenceMs;
    totals.nodes += static_cast<double>(engine.search.totalNodes);
    totals.ms += elapsed;
  }
  engine.engineFlags = savedFlags;
  engine.limits = savedLimits;
  engine.search.pollReadsInput = true;
  return totals;
}

}  // namespace

void runBenchmark(Engine& engine) {
  const BenchmarkTotals totals = searchBenchmarkPositions(engine);
  const float referenceSpeed = static_cast<float>(totals.referenceNodes / totals.referenceMs);
  const float machineSpeed = static_cast<float>(totals.nodes / (totals.ms > 0 ? totals.ms : 1));
  print(engine.out, "\nAvg KNPS on P4 1.7GHz is %.3f  ,  Avg KNPS for this machine is %.3f\n", referenceSpeed, machineSpeed);
  print(engine.out, "\n*** Speed Index is %.3f ***\n", machineSpeed / referenceSpeed);
}

void runBench(Engine& engine) {
  const BenchmarkTotals totals = searchBenchmarkPositions(engine);
  const double milliseconds = totals.ms > 0 ? totals.ms : 1;
  print(engine.out, "%.0f nodes %.0f nps\n", totals.nodes, totals.nodes * MS_PER_SECOND / milliseconds);
}

}  // namespace velt
