// Output of the console words that show the board layer's work.
#include "search/worker.h"
#include "shell/console.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "board/coordinate.h"
#include "search/perft.h"
#include "shell/engine.h"

namespace velt {

void printBoard(Engine& engine, const Position& pos) {
  char text[64 * 2 + 1];
  for (int counter = 63; counter >= 0; --counter) {
    int square = counter ^ 7;
    int code = pos.board[square];
    char letter = '.';
    if (!isEmptyCell(code)) {
      letter = PIECE_LETTERS[typeOfCode(code)];
      if (colourOfCode(code) == BLACK) letter = static_cast<char>(letter - 'A' + 'a');
    }
    text[2 * (63 - counter)] = letter;
    text[2 * (63 - counter) + 1] = fileOf(square) == 7 ? '\n' : ' ';
  }
  write(engine.out, std::string_view(text, sizeof text - 1));
}

void perftCommand(Engine& engine, const char* arguments) {
  char* end = nullptr;
  const long depth = std::strtol(arguments, &end, 10);
  if (end == arguments || depth < 1 || depth > PERFT_MAX_DEPTH) {
    print(engine.out, "Usage: perft <depth>, depth 1 to %d\n", PERFT_MAX_DEPTH);
    return;
  }
  // A copy rebased to game ply 0, so that the game's history cannot run out of
  // undo records and the game position stays untouched.
  auto pos = std::make_unique<EvalPosition>(engine.gamePosition);
  pos->checkInfo[0] = pos->checkInfo[pos->gamePly];
  pos->gamePly = 0;
  pos->ply = 0;
  pos->listStart[0] = 0;

  std::vector<PerftLine> lines;
  const auto start = std::chrono::steady_clock::now();
  const std::uint64_t total = perft(*pos, static_cast<int>(depth), &lines);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
  for (const PerftLine& line : lines) print(engine.out, "%s: %" PRIu64 "\n", moveToCoordinate(line.move, kingTakesRook(engine)).c_str(), line.nodes);
  const std::uint64_t nps = ms > 0 ? total * 1000 / static_cast<std::uint64_t>(ms) : total * 1000;
  print(engine.out, "\nNodes searched: %" PRIu64 "\nTime: %lld ms, %" PRIu64 " nodes per second\n", total,
              static_cast<long long>(ms), nps);
}

}  // namespace velt
