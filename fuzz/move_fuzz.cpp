// libFuzzer target of the move readers: coordinates (UCI, xboard), castling words and
// algebraic notation. The input's first line is a FEN (the start position when it is
// empty or refused); each word after it is read by every reader, and the first move
// one of them finds is played, so that the words walk through a game. A move a
// reader returns must be one of the legal moves once the game takes it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "board/coordinate.h"
#include "board/san.h"
#include "eval/move_step.h"
#include "fuzz_support.h"
#include "shell/game_commands.h"
#include "shell/game_moves.h"

using namespace velt;

namespace {

constexpr int MAX_WORDS = 64;  // keeps a run short

// Reads one word with each reader; returns the move to play, or MOVE_NONE.
Move readWord(Worker& pos, const std::string& word) {
  Move coordinate = MOVE_NONE;
  const bool haveCoordinate = parseMoveText(pos, word.c_str(), coordinate);
  Move candidates[MAX_SAN_CANDIDATES];
  const int candidateCount = sanCandidates(pos, word.c_str(), candidates);
  if (candidateCount < 0 || candidateCount > MAX_SAN_CANDIDATES) std::abort();
  Move san = MOVE_NONE;
  if (parseSanMove(pos, word.c_str(), san) && !amongLegalMoves(pos, san)) std::abort();
  const Move text = legalMoveFromText(pos, word.c_str());
  if (text != MOVE_NONE && !amongLegalMoves(pos, text)) std::abort();
  // The squares of an xboard user move.
  const auto onBoard = [&](std::size_t i) {
    return word[i] >= 'a' && word[i] <= 'h' && word[i + 1] >= '1' && word[i + 1] <= '8';
  };
  if (word.size() >= 4 && onBoard(0) && onBoard(2)) {
    const int from = (word[0] - 'a') + 8 * (word[1] - '1');
    const int to = (word[2] - 'a') + 8 * (word[3] - '1');
    const Move found = findLegalMove(pos, from, to, word.size() > 4 ? word[4] : '\0');
    if (found != MOVE_NONE && !amongLegalMoves(pos, found)) std::abort();
  }
  if (haveCoordinate) return coordinate;
  return san != MOVE_NONE ? san : text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<Engine> engine = makeFuzzEngine();
  Worker& pos = engine->gamePosition;
  std::istringstream input(inputText(data, size));
  std::string fen;
  std::getline(input, fen);
  if (!startGame(*engine, fen.c_str(), false)) startGame(*engine, "", false);

  std::string word;
  for (int words = 0; words < MAX_WORDS && input >> word; ++words) {
    const Move move = readWord(pos, word);
    if (move == MOVE_NONE) continue;
    // The coordinate reader leaves legality to the move's maker: the game refuses an
    // illegal move and changes nothing.
    const int ply = pos.gamePly;
    const bool legal = amongLegalMoves(pos, move);
    if (makeGameMove(*engine, move) != legal || pos.gamePly != ply + (legal ? 1 : 0)) std::abort();
  }
  takeCaptured(engine->out);
  return 0;
}
