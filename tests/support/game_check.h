// Follows a game in the test process with the engine's own rules, so that moves an
// engine sends can be checked for legality.
#pragma once

#include <string>

#include "shell/engine.h"

namespace velt {

class GameCheck {
 public:
  // Sets up the FEN (empty: the start position) on the test process's game position.
  explicit GameCheck(const std::string& fen = "");
  // Plays a move given in coordinate or algebraic notation; false (and nothing
  // played) when it is not legal here.
  bool play(const std::string& text);
  bool isLegal(const std::string& text);
  // The position as the engine's "fen" word prints it.
  std::string fen();

 private:
  Engine engine_;
};

}  // namespace velt
