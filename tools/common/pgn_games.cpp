#include "common/pgn_games.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "board/fen.h"
#include "board/position.h"
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

// Move text read word by word: each {comment} is kept for the move before it, while
// ";" comments to the end of the line, (variations, however nested, with whatever
// comments they hold) and $ annotations are read past.
class MoveText {
 public:
  explicit MoveText(const std::string& text) : text_(text) {}

  // The next move, move number or result; false at the end. `comment` gets the text
  // of the comment right after it, or is emptied.
  bool next(std::string& word, std::string_view& comment) {
    word.clear();
    comment = {};
    while (word.empty()) {
      skipNonMoves(false);
      if (at_ >= text_.size()) return false;
      const std::size_t start = at_;
      while (at_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[at_])) &&
             std::string_view("{;($").find(text_[at_]) == std::string_view::npos) {
        ++at_;
      }
      word = text_.substr(start, at_ - start);
    }
    skipNonMoves(true);
    if (at_ < text_.size() && text_[at_] == '{') {
      const std::size_t end = std::min(text_.find('}', at_), text_.size());
      comment = std::string_view(text_).substr(at_ + 1, end - at_ - 1);
      at_ = end + 1;
    }
    return true;
  }

 private:
  // Skips white space, variations, annotations and ";" comments, and brace comments
  // unless `stopAtBrace` (the one after a move is its own).
  void skipNonMoves(bool stopAtBrace) {
    while (at_ < text_.size()) {
      const char c = text_[at_];
      if (std::isspace(static_cast<unsigned char>(c))) {
        ++at_;
      } else if (c == '{' && !stopAtBrace) {
        at_ = std::min(text_.find('}', at_), text_.size() - 1) + 1;
      } else if (c == ';') {
        at_ = std::min(text_.find('\n', at_), text_.size() - 1) + 1;
      } else if (c == '$') {
        ++at_;
        while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) ++at_;
      } else if (c == '(') {
        skipVariation();
      } else {
        return;
      }
    }
  }

  void skipVariation() {
    int depth = 0;
    while (at_ < text_.size()) {
      const char c = text_[at_];
      if (c == '{' || c == ';') {
        skipNonMoves(false);
        continue;
      }
      ++at_;
      if (c == '(') ++depth;
      if (c == ')' && --depth == 0) return;
    }
  }

  const std::string& text_;
  std::size_t at_ = 0;
};

// Replays one game's movetext from its set-up position (empty: the start position).
void replayGame(Worker& pos, const std::string& fen, const std::string& movetext, double result, int game,
                const GameVisitor& visit) {
  setUpStartPosition(pos);
  if (!fen.empty() && !parseFen(pos, fen.c_str())) {
    std::fprintf(stderr, "skipping a game from the unusable position \"%s\"\n", fen.c_str());
    return;
  }
  MoveText words(movetext);
  std::string word;
  std::string_view comment;
  while (words.next(word, comment)) {
    if (word == "1-0" || word == "0-1" || word == "1/2-1/2" || word == "*") break;
    if (std::isdigit(static_cast<unsigned char>(word[0]))) continue;  // move numbers
    Move move;
    pos.ply = 0;
    if (!parseSanMove(pos, word.c_str(), move)) {
      std::fprintf(stderr, "skipping the rest of a game at \"%s\"\n", word.c_str());
      return;
    }
    visit({pos, move, result, game, comment});
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
      movetext += line;
      movetext += '\n';
    }
  }
  finishGame();
  if (skipped > 0) std::fprintf(stderr, "%s: %d games decided off the board skipped\n", path, skipped);
  return true;
}

}  // namespace velt
