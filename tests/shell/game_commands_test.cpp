// The commands the game loop carries out: setting up positions (with UCI move lists
// that extend the current game), user moves, take-backs, force and go.
#include "search/worker.h"
#include "shell/game_commands.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "board/coordinate.h"
#include "board/fen.h"
#include "board/position.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "shell/app.h"
#include "shell/engine.h"
#include "shell/game_moves.h"
#include "shell/game_state.h"
#include "shell/options.h"
#include "shell/result.h"
#include "shell/uci.h"
#include "shell/xboard.h"

namespace velt {

namespace {

std::string currentFen(const Engine& engine) {
  char fen[FEN_TEXT_SIZE];
  positionToFen(engine.gamePosition, fen);
  return fen;
}

class GameCommands : public ::testing::Test {
 protected:
  std::unique_ptr<Engine> record = std::make_unique<Engine>();
  Engine& engine = *record;
  void SetUp() override {
    if (!appReady(engine)) {
      ASSERT_TRUE(initApp(engine));
    }
    engine.engineFlags = FLAG_UCI;
    engine.search.pondering = false;
    engine.search.analysisMode = false;
    engine.game.forceMode = false;
    ASSERT_TRUE(startGame(engine, "", true));
  }
  // A protocol line followed by the loop's handling of the command it leaves.
  void command(const char* line, bool xboard = false) {
    engine.game.pendingCommand = CMD_NONE;
    engine.game.commandArg[0] = '\0';
    if (xboard) {
      handleXboardCommand(engine, line);
    } else {
      handleUciCommand(engine, line);
    }
    if (engine.game.userMoveFrom >= 0) applyUserMove(engine);
    carryOutCommand(engine, engine.game.pendingCommand);
  }
};

// UCI position commands: the moves played in order, castling words, promotions in
// either case (a list that breaks off: Uci.WordsOfFrontEndsAndTestingFrameworks).
TEST_F(GameCommands, PositionPlaysItsMoves) {
  struct Case {
    const char* line;
    const char* fen;
  };
  const Case cases[] = {
      {"position startpos moves e2e4 e7e5 g1f3", "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2"},
      {"position fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - moves O-O 0-0-0", "2kr3r/8/8/8/8/8/8/R4RK1 w - - 0 2"},
      {"position fen 4k3/1P6/8/8/8/8/8/4K3 w - - moves b7b8Q e8e7", "1Q6/4k3/8/8/8/8/8/4K3 w - - 1 2"},
      {"position fen 4k3/1P6/8/8/8/8/8/4K3 w - - moves b7b8n e8e7 b8c6", "8/4k3/2N5/8/8/8/8/4K3 b - - 2 2"},
  };
  for (const Case& c : cases) {
    command(c.line);
    EXPECT_EQ(currentFen(engine), c.fen) << c.line;
    EXPECT_EQ(engine.game.engineSide, NO_PIECE);
  }
}

TEST_F(GameCommands, MalformedFenChangesNothing) {
  command("position startpos moves e2e4");
  const std::string before = currentFen(engine);
  engine.out.capturing = true;
  command("position fen rnbqkbnr/pppppppp/8/8 w - - moves e7e5");
  command("position fen");
  EXPECT_EQ(currentFen(engine), std::string("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
  command("position startpos moves e2e4");
  command("position fen 8/8/8 w - -");
  const std::string output = takeCaptured(engine.out);
  EXPECT_NE(output.find("Illegal position: rnbqkbnr/pppppppp/8/8 w - -"), std::string::npos);
  EXPECT_EQ(currentFen(engine), before);
}

// A mating move ends the game, prints the result and gets its "#" in the record.
TEST_F(GameCommands, MateEndsTheGameAndMarksTheLastMove) {
  ASSERT_TRUE(startGame(engine, "6k1/5ppp/8/8/8/8/8/R5K1 w - -", false));
  engine.game.engineSide = WHITE;
  Move move = MOVE_NONE;
  ASSERT_TRUE(parseMoveText(engine.gamePosition, "a1a8", move));
  ASSERT_TRUE(makeGameMove(engine, move));
  engine.out.capturing = true;
  checkGameResult(engine);
  EXPECT_EQ(takeCaptured(engine.out), "1-0 {Computer wins}\n");
  EXPECT_TRUE(engine.game.gameOver);
  EXPECT_STREQ(engine.game.moveHistory[0], "Ra8#");
}

}  // namespace

}  // namespace velt
