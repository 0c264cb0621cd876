// libFuzzer target of the book builder's PGN reader: the input is the game file. A
// book the builder says it wrote must open, and its moves from the start position
// must be legal. A small position pool lets inputs of a few games fill it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "book/book.h"
#include "book/book_builder.h"
#include "fuzz_support.h"
#include "shell/game_moves.h"

using namespace velt;

namespace {

constexpr long long FUZZ_POOL_BYTES = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<Engine> engine = makeFuzzEngine();
  const InputFile games(data, size);
  const std::string bookPath = games.path + ".book";
  const BookBuildResult result =
      createBook(engine->gamePosition, games.path.c_str(), bookPath.c_str(), BookBuildProgress{}, FUZZ_POOL_BYTES);
  if (result == BookBuildResult::WRITTEN) {
    BookState book;
    if (openBook(book, bookPath.c_str()) != BookOpening::OPEN) std::abort();
    setUpPosition(engine->gamePosition);
    Move move = MOVE_NONE;
    if (bookProbe(book, 0, engine->gamePosition, move, BookProbeSettings{}) &&
        !amongLegalMoves(engine->gamePosition, move)) {
      std::abort();
    }
  }
  std::remove(bookPath.c_str());
  return 0;
}
