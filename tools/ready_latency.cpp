// Measures how soon the engine answers "isready" while it searches: starts a UCI
// "go infinite", sends "isready" the given number of times a little apart and prints
// the median, mean and largest delay to "readyok" in milliseconds.
//   ready_latency [ENGINE [TRIES]]   (defaults: build/velt, 100)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "common/child_process.h"

namespace {

constexpr int DEFAULT_TRIES = 100;
// The search is well under way by then, past the shallow iterations.
constexpr auto SEARCH_HEAD_START = std::chrono::milliseconds(500);
constexpr auto PAUSE_BETWEEN_TRIES = std::chrono::milliseconds(20);

}  // namespace

int main(int argc, char** argv) {
  const std::string engine = argc > 1 ? argv[1] : "build/velt";
  const int tries = argc > 2 ? std::max(1, std::atoi(argv[2])) : DEFAULT_TRIES;
  ChildProcess process(ProcessLaunch{engine, {}, "", "", ""});
  process.send("uci");
  if (!process.waitForLine("uciok")) {
    std::fprintf(stderr, "%s does not answer \"uci\"\n", engine.c_str());
    return 1;
  }
  process.send("position startpos");
  process.send("go infinite");
  std::this_thread::sleep_for(SEARCH_HEAD_START);
  std::vector<double> delays;
  for (int i = 0; i < tries; ++i) {
    const auto sent = std::chrono::steady_clock::now();
    process.send("isready");
    if (!process.waitForLine("readyok")) {
      std::fprintf(stderr, "no readyok\n");
      return 1;
    }
    delays.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent).count());
    std::this_thread::sleep_for(PAUSE_BETWEEN_TRIES);
  }
  process.send("stop");
  const bool stopped = process.waitForLine("bestmove").has_value();
  process.send("quit");
  std::sort(delays.begin(), delays.end());
  const double median = delays.size() % 2 ? delays[delays.size() / 2]
                                          : (delays[delays.size() / 2 - 1] + delays[delays.size() / 2]) / 2;
  const double mean = std::accumulate(delays.begin(), delays.end(), 0.0) / static_cast<double>(delays.size());
  std::printf("isready during a search, %d tries: median %.3f ms, mean %.3f ms, max %.3f ms%s\n", tries, median, mean,
              delays.back(), stopped ? "" : " (no bestmove after stop)");
  return stopped ? 0 : 1;
}
