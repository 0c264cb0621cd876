// End to end: the console word "chk e" prints the full static evaluation.
#include <gtest/gtest.h>

#include <string>

#include "eval/evaluate.h"
#include "support/board_setup.h"
#include "support/engine_process.h"
#include "support/eval_setup.h"

namespace {

std::string chkOutput(EngineProcess& engine, const std::string& fen) {
  engine.send("fen " + fen);
  engine.send("chk e");
  auto line = engine.waitForLine("Eval: ");
  return line ? *line : "(no answer)";
}

TEST(CheckCommand, PrintsTheFullEvaluationOfTheSideToMove) {
  const std::string fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";
  auto pos = positionFromFen(fen.c_str());
  const int expected = evaluate(*pos, NO_WINDOW, MATE_SCORE);
  EngineProcess engine;
  EXPECT_EQ(chkOutput(engine, fen), "Eval: " + std::to_string(expected));
  // The colour-flipped position, black to move, scores the same.
  EXPECT_EQ(chkOutput(engine, flipFen(fen)), "Eval: " + std::to_string(expected));
  // The same position with black to move scores from black's side.
  auto turned = positionFromFen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq -");
  EXPECT_EQ(chkOutput(engine, "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq -"),
            "Eval: " + std::to_string(evaluate(*turned, NO_WINDOW, MATE_SCORE)));
  // Only "e..." asks for the evaluation; another word prints nothing.
  engine.send("chk x");
  engine.send("board");
  auto next = engine.readLine();
  ASSERT_TRUE(next.has_value());
  EXPECT_EQ(next->rfind("Eval:", 0), std::string::npos);
  engine.send("quit");
  EXPECT_EQ(engine.waitForExit(), 0);
}

}  // namespace
