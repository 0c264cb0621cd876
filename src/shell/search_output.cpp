#include "shell/search_output.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <cstdlib>

#include "board/coordinate.h"
#include "eval/wdl.h"
#include "search/engine_options.h"
#include "shell/engine.h"

namespace velt {

namespace {

bool posting(const Engine& engine) { return (engine.engineFlags & FLAG_POST) != 0; }

int nodesPerSecond(std::uint64_t nodes, std::uint32_t timeMs) {
  return static_cast<int>(static_cast<double>(nodes) / (std::max<std::uint32_t>(timeMs, 1) * 0.001));
}

// "cp N", or "mate N" with N in moves.
std::string uciScore(int score) {
  char text[32];
  if (std::abs(score) > MATE_BOUND) {
    const int moves = score > 0 ? (MATE_SCORE + 1 - score) / 2 : (-MATE_SCORE - 1 - score) / 2;
    std::snprintf(text, sizeof text, "mate %d", moves);
  } else {
    std::snprintf(text, sizeof text, "cp %d", score);
  }
  return text;
}

// " wdl W D L" after the score when the front end asked for it, else nothing. The
// material is the root's: the game position is at the root whenever a line is written.
std::string wdlText(const Engine& engine, int score) {
  if ((engine.engineFlags & FLAG_SHOW_WDL) == 0) return "";
  const WinDrawLoss wdl = winDrawLoss(score, wdlMaterial(engine.gamePosition));
  char text[32];
  std::snprintf(text, sizeof text, " wdl %d %d %d", wdl.win, wdl.draw, wdl.loss);
  return text;
}

// UCI names the moves in coordinates, and so do several lines in either protocol;
// xboard's thinking line gives its figures in columns and the moves in SAN.
std::string lineText(const Engine& engine, const LineFigures& figures, const Variation& variation) {
  char head[224];
  const bool uci = (engine.engineFlags & FLAG_UCI) != 0;
  if (uci || figures.multiPV > 0) {
    char prefix[32] = "info ";
    if (figures.multiPV > 0) std::snprintf(prefix, sizeof prefix, "info multipv %d ", figures.multiPV);
    std::snprintf(head, sizeof head,
                  "%sscore %s%s depth %d seldepth %d time %u nodes %" PRIu64 " nps %d tbhits %u pv", prefix,
                  uciScore(figures.score).c_str(), wdlText(engine, figures.score).c_str(), figures.depth, figures.selDepth, figures.timeMs, figures.nodes,
                  nodesPerSecond(figures.nodes, figures.timeMs), figures.tbHits);
  } else {
    std::snprintf(head, sizeof head, "%2d %5d %6ld %-" PRIu64 "  ", figures.depth, figures.score,
                  static_cast<long>(figures.timeMs / 10), figures.nodes);
  }
  std::string text = head;
  for (int i = 0; i < variation.length; ++i) {
    text += ' ';
    text += uci || figures.multiPV > 0 ? moveToUci(variation.moves[i], kingTakesRook(engine)) : variation.san[i];
  }
  text += '\n';
  return text;
}

Engine& engineOf(void* context) { return *static_cast<Engine*>(context); }

void writeLine(void* context, const LineFigures& figures, const Variation& variation) {
  Engine& engine = engineOf(context);
  std::string text = lineText(engine, figures, variation);
  if (posting(engine)) write(engine.out, text);
  if (figures.multiPV == 0) engine.lastThinkingLine = std::move(text);
}

void repeatLine(void* context) {
  Engine& engine = engineOf(context);
  if (!engine.lastThinkingLine.empty() && posting(engine)) write(engine.out, engine.lastThinkingLine);
}

void writeIterationStart(void* context, int depth) {
  print(engineOf(context).out, "info depth %d seldepth %d\n", depth, depth);
}

void writeCurrentMove(void* context, Move move, int number, std::uint64_t nodes) {
  Engine& engine = engineOf(context);
  print(engine.out, "info currmove %s currmovenumber %d nodes %" PRIu64 "\n",
        moveToUci(move, kingTakesRook(engine)).c_str(), number, nodes);
}

void writeProgress(void* context, std::uint32_t timeMs, std::uint64_t nodes, std::uint32_t tbHits) {
  print(engineOf(context).out, "info time %u nodes %" PRIu64 " nps %d tbhits %u\n", timeMs, nodes,
        nodesPerSecond(nodes, timeMs), tbHits);
}

}  // namespace

SearchReporter searchOutputReporter(Engine& engine) {
  return SearchReporter{&engine, writeLine, repeatLine, writeIterationStart, writeCurrentMove, writeProgress};
}

}  // namespace velt
