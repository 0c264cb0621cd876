#include "common/pgn_games.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "board/fen.h"
#include "board/position.h"
#include "book/pgn_comments.h"
#include "eval/move_step.h"
#include "search/engine_core.h"

namespace velt {

namespace {

// Results decided on the board, or adjudicated from the score; a game without a
// Termination tag counts as one of them.
bool decidedOnTheBoard(const std::string& termination) {
  return termination != "time forfeit" && termination != "illegal move" && termination != "crash";
}

double parseResult(const std::string& text) {
  if (text == "1-0") return 1.0;
  if (text == "0-1") return 0.0;
  if (text == "1/2-1/2") return 0.5;
  return -1.0;
}

// Replays one game's movetext from its set-up position (empty: the start position).
void replayGame(Worker& pos, const std::string& fen, const std::string& movetext, double result, int game,
                const GameVisitor& visit) {
  setUpStartPosition(pos);
  if (!fen.empty() && !parseFen(pos, fen.c_str())) {
    std::fprintf(stderr, "skipping a game from the unusable position \"%s\"\n", fen.c_str());
    return;
  }
  std::istringstream words(movetext);
  std::string word;
  while (words >> word) {
    if (word == "1-0" || word == "0-1" || word == "1/2-1/2" || word == "*") break;
    if (std::isdigit(static_cast<unsigned char>(word[0]))) continue;  // move numbers
    Move move;
    pos.ply = 0;
    if (!parseSanMove(pos, word.c_str(), move)) {
      std::fprintf(stderr, "skipping the rest of a game at \"%s\"\n", word.c_str());
      return;
    }
    visit({pos, move, result, game});
    pos.ply = 0;
    if (pos.gamePly + 1 >= MAX_GAME_PLY || !makeMove(pos, move, -MATE_SCORE, MATE_SCORE)) return;
  }
}

}  // namespace

bool replayGames(Worker& pos, const char* path, int& games, const GameVisitor& visit) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path);
    return false;
  }
  std::string line, movetext, fen;
  PgnCommentFilter filter;
  double result = -1;
  bool decided = true;
  int skipped = 0;
  auto tagValue = [&line](std::size_t start) { return line.substr(start, line.find('"', start) - start); };
  auto finishGame = [&] {
    if (result >= 0 && !movetext.empty()) {
      if (decided) {
        replayGame(pos, fen, movetext, result, games, visit);
        ++games;
      } else {
        ++skipped;
      }
    }
    movetext.clear();
    fen.clear();
    filter = {};
    result = -1;
    decided = true;
  };
  while (std::getline(in, line)) {
    if (line.rfind("[Event ", 0) == 0) finishGame();
    if (line.rfind("[Result \"", 0) == 0) {
      result = parseResult(tagValue(9));
    } else if (line.rfind("[FEN \"", 0) == 0) {
      fen = tagValue(6);
    } else if (line.rfind("[Termination \"", 0) == 0) {
      decided = decidedOnTheBoard(tagValue(14));
    } else if (!line.empty() && line[0] != '[') {
      filter.apply(line);
      movetext += ' ';
      movetext += line;
    }
  }
  finishGame();
  if (skipped > 0) std::fprintf(stderr, "%s: %d games decided off the board skipped\n", path, skipped);
  return true;
}

}  // namespace velt
