#include "support/eval_setup.h"

#include <gtest/gtest.h>

Position& setUpEvalPosition(const char* fen) {
  static const bool ready = [] {
    buildBoardTables();
    return allocatePawnHash();
  }();
  EXPECT_TRUE(ready);
  EXPECT_TRUE(parseFen(fen)) << fen;
  return gamePosition;
}

EvalState freshEvalState(Position& pos, std::uint32_t materialFlags) {
  EvalState st;
  initEvalState(pos, materialFlags, 64, st);
  st.pawns = probePawnHash(pos);
  for (int colour = WHITE; colour <= BLACK; ++colour)
    pos.attackMap[pos.ply][colour] = st.pawnAttacks[colour] | kingAttacks[pos.kingSquare[colour]];
  return st;
}

#include <cctype>
#include <sstream>
#include <vector>

std::string flipFen(const std::string& fen) {
  std::istringstream in(fen);
  std::string placement, side = "w", castling = "-", ep = "-";
  in >> placement >> side >> castling >> ep;
  std::vector<std::string> ranks;
  std::stringstream rankStream(placement);
  for (std::string rank; std::getline(rankStream, rank, '/');) ranks.push_back(rank);
  auto swapCase = [](std::string text) {
    for (char& c : text) c = std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c);
    return text;
  };
  std::string flipped;
  for (auto it = ranks.rbegin(); it != ranks.rend(); ++it) {
    if (!flipped.empty()) flipped.push_back('/');
    flipped.append(swapCase(*it));
  }
  // White's rights become black's and back; "KQkq" order kept.
  std::string rights;
  for (char c : {'K', 'Q', 'k', 'q'}) {
    const char original = std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c);
    if (castling.find(original) != std::string::npos) rights.push_back(c);
  }
  if (rights.empty()) rights.push_back('-');
  if (ep != "-") ep[1] = static_cast<char>('1' + ('8' - ep[1]));
  flipped.append(side == "w" ? " b " : " w ").append(rights).append(" ").append(ep);
  return flipped;
}
