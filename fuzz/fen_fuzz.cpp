// libFuzzer target of the FEN reader. A position it accepts must be one the rest of
// the engine can take: written back, it reads again to the same text; it is
// evaluated, and each of its legal moves is made and taken back. A text it refuses
// leaves the position as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/fen.h"
#include "fuzz_support.h"
#include "shell/game_moves.h"

using namespace velt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<Engine> engine = makeFuzzEngine();
  Worker& pos = engine->gamePosition;
  setUpPosition(pos);
  char before[FEN_TEXT_SIZE];
  positionToFen(pos, before);

  const std::string text = inputText(data, size);
  char written[FEN_TEXT_SIZE];
  if (!parseFen(pos, text.c_str())) {
    positionToFen(pos, written);
    if (std::strcmp(before, written) != 0) std::abort();
    return 0;
  }
  positionToFen(pos, written);
  char again[FEN_TEXT_SIZE];
  if (!parseFen(pos, written)) std::abort();
  positionToFen(pos, again);
  if (std::strcmp(written, again) != 0) std::abort();

  prepareGameRoot(*engine);
  Move moves[MAX_LEGAL_MOVES];
  const int count = collectLegalMoves(pos, moves);
  for (int i = 0; i < count; ++i) {
    if (!makeGameMove(*engine, moves[i])) std::abort();
    takeBackGameMove(*engine);
  }
  takeCaptured(engine->out);
  return 0;
}
