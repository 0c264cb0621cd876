// The commands the game loop carries out: setting up positions (with UCI move lists
// that extend the current game), user moves, take-backs, force and go.
#include "shell/game_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "board/coordinate.h"
#include "board/fen.h"
#include "board/position.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "shell/app.h"
#include "shell/game_moves.h"
#include "shell/game_state.h"
#include "shell/options.h"
#include "shell/uci.h"
#include "shell/xboard.h"

namespace {

std::string currentFen() {
  char fen[FEN_TEXT_SIZE];
  positionToFen(gamePosition, fen);
  return fen;
}

class GameCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!appReady()) {
      ASSERT_TRUE(initApp());
    }
    engineFlags = FLAG_UCI;
    searching = false;
    pondering = false;
    analysisMode = false;
    forceMode = false;
    ASSERT_TRUE(startGame("", true));
  }
  // A protocol line followed by the loop's handling of the command it leaves.
  void command(const char* line, bool xboard = false) {
    pendingCommand = CMD_NONE;
    commandArg[0] = '\0';
    if (xboard) {
      handleXboardCommand(line);
    } else {
      handleUciCommand(line);
    }
    if (userMoveFrom >= 0) applyUserMove();
    carryOutCommand(pendingCommand);
  }
};

TEST_F(GameCommands, PositionWithMovesPlaysThemInOrder) {
  command("position startpos moves e2e4 e7e5 g1f3");
  EXPECT_EQ(gamePosition.gamePly, 3);
  EXPECT_EQ(currentFen(), "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2");
  EXPECT_EQ(lastMovePly, 2);
  EXPECT_EQ(engineSide, NO_PIECE);
}

TEST_F(GameCommands, PositionExtendingTheGameMakesOnlyTheNewMoves) {
  command("position startpos moves e2e4");
  // A new game would reset the lag estimate; extending the game keeps it.
  timeLag = 77;
  command("position startpos moves e2e4 e7e5");
  EXPECT_EQ(gamePosition.gamePly, 2);
  EXPECT_EQ(timeLag, 77);
  // A list that differs from the game played so far starts afresh.
  command("position startpos moves d2d4 e7e5");
  EXPECT_EQ(timeLag, 20);
  EXPECT_EQ(currentFen(), "rnbqkbnr/pppp1ppp/8/4p3/3P4/8/PPP1PPPP/RNBQKBNR w KQkq - 0 2");
  // So does another start position.
  timeLag = 77;
  command("position fen 4k3/8/8/8/8/8/4P3/4K3 w - - 0 1 moves e2e4");
  EXPECT_EQ(timeLag, 20);
  timeLag = 77;
  command("position fen 4k3/8/8/8/8/8/4P3/4K3 w - - 0 1 moves e2e4 e8d7");
  EXPECT_EQ(timeLag, 77);
  EXPECT_EQ(gamePosition.gamePly, 2);
}

TEST_F(GameCommands, PositionMatchesPromotionsWithoutRegardToCase) {
  command("position fen 4k3/1P6/8/8/8/8/8/4K3 w - - moves b7b8q");
  timeLag = 77;
  command("position fen 4k3/1P6/8/8/8/8/8/4K3 w - - moves b7b8Q e8e7");
  EXPECT_EQ(timeLag, 77);
  EXPECT_EQ(currentFen(), "1Q6/4k3/8/8/8/8/8/4K3 w - - 1 2");
  command("position fen 4k3/1P6/8/8/8/8/8/4K3 w - - moves b7b8n e8e7 b8c6");
  EXPECT_EQ(timeLag, 20);
  EXPECT_EQ(currentFen(), "8/4k3/2N5/8/8/8/8/4K3 b - - 2 2");
}

TEST_F(GameCommands, PositionStopsAtTheFirstBadMove) {
  command("position startpos moves e2e4 e7e6 e4e6 d2d4");
  EXPECT_EQ(gamePosition.gamePly, 2);
  command("position startpos moves e2e4 zz e7e5");
  EXPECT_EQ(gamePosition.gamePly, 1);
  command("position startpos moves e7e5");
  EXPECT_EQ(gamePosition.gamePly, 0);
}

TEST_F(GameCommands, PositionWithCastlingWords) {
  command("position fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - moves O-O 0-0-0");
  EXPECT_EQ(currentFen(), "2kr3r/8/8/8/8/8/8/R4RK1 w - - 0 2");
}

TEST_F(GameCommands, MalformedFenChangesNothing) {
  command("position startpos moves e2e4");
  const std::string before = currentFen();
  testing::internal::CaptureStdout();
  command("position fen rnbqkbnr/pppppppp/8/8 w - - moves e7e5");
  command("position fen");
  EXPECT_EQ(currentFen(), std::string("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
  command("position startpos moves e2e4");
  command("position fen 8/8/8 w - -");
  const std::string output = testing::internal::GetCapturedStdout();
  EXPECT_NE(output.find("Illegal position: rnbqkbnr/pppppppp/8/8 w - -"), std::string::npos);
  EXPECT_EQ(currentFen(), before);
}

TEST_F(GameCommands, SetboardKeepsFourFields) {
  command("setboard 4k3/8/8/8/8/8/4P3/4K3 b - - 12 40", true);
  EXPECT_EQ(currentFen(), "4k3/8/8/8/8/8/4P3/4K3 b - - 0 1");
  EXPECT_STREQ(startFen, "4k3/8/8/8/8/8/4P3/4K3 b - -");
}

TEST_F(GameCommands, UserMovesAndIllegalMoves) {
  engineFlags = FLAG_XBOARD;
  command("force", true);
  EXPECT_TRUE(forceMode);
  command("e2e4", true);
  EXPECT_EQ(gamePosition.gamePly, 1);
  EXPECT_STREQ(moveHistory[0], "e4");
  EXPECT_EQ(engineSide, NO_PIECE);  // force mode: the engine takes no side
  testing::internal::CaptureStdout();
  command("e7e4", true);
  command("e9e5", true);
  command("hello", true);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Illegal move: e7e4\n");
  EXPECT_EQ(gamePosition.gamePly, 1);
  command("force", true);  // force only sets force mode
  EXPECT_TRUE(forceMode);
  command("go", true);
  EXPECT_FALSE(forceMode);
  EXPECT_EQ(engineSide, BLACK);
}

TEST_F(GameCommands, UserMoveHandsTheTurnToTheEngine) {
  engineFlags = FLAG_XBOARD;
  command("new", true);
  command("g1f3", true);
  EXPECT_EQ(engineSide, BLACK);
  EXPECT_EQ(lastMovePly, 0);
}

TEST_F(GameCommands, UserPromotionLetters) {
  engineFlags = FLAG_XBOARD;
  command("setboard 4k3/1P6/8/8/8/8/8/4K3 w - -", true);
  command("b7b8b", true);
  EXPECT_EQ(currentFen(), "1B2k3/8/8/8/8/8/8/4K3 b - - 0 1");
  command("undo", true);
  command("b7b8x", true);
  EXPECT_EQ(currentFen(), "1Q2k3/8/8/8/8/8/8/4K3 b - - 0 1");
  EXPECT_STREQ(moveHistory[0], "b8=Q+");
}

TEST_F(GameCommands, UndoAndRemove) {
  engineFlags = FLAG_XBOARD;
  command("undo", true);
  EXPECT_EQ(gamePosition.gamePly, 0);
  command("force", true);
  command("e2e4", true);
  command("remove", true);
  EXPECT_EQ(gamePosition.gamePly, 0);
  command("e2e4", true);
  command("e7e5", true);
  command("g1f3", true);
  command("remove", true);
  EXPECT_EQ(gamePosition.gamePly, 1);
  command("undo", true);
  EXPECT_EQ(currentFen(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
}

TEST_F(GameCommands, GoSwapsTheClocksWhenTheEngineChangesSides) {
  engineFlags = FLAG_XBOARD;
  clockCs[WHITE] = 100;
  clockCs[BLACK] = 900;
  engineSide = BLACK;
  command("go", true);
  EXPECT_EQ(engineSide, WHITE);
  EXPECT_EQ(clockCs[WHITE], 900);
  EXPECT_EQ(clockCs[BLACK], 100);
  command("playother", true);
  EXPECT_EQ(engineSide, BLACK);
}

TEST_F(GameCommands, AnalysisSavesAndRestoresTheLimits) {
  handleUciCommand("go movetime 3000");
  command("go infinite");
  EXPECT_TRUE(analysisMode);
  EXPECT_EQ(timePerMove, 0);
  command("go infinite");  // entering again keeps the saved limits
  command("stop");
  EXPECT_FALSE(analysisMode);
  EXPECT_EQ(timePerMove, 300);
  EXPECT_EQ(engineSide, NO_PIECE);
}

TEST_F(GameCommands, GameRecordRefusesMovesWhenFull) {
  // Knights going back and forth fill the record.
  const char* cycle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  Position& pos = gamePosition;
  int ply = 0;
  for (; ply < MAX_GAME_PLY; ++ply) {
    Move move = MOVE_NONE;
    ASSERT_TRUE(parseMoveText(pos, cycle[ply % 4], move));
    if (!makeGameMove(move)) break;
  }
  EXPECT_EQ(ply, MAX_RECORDED_PLY);
  EXPECT_EQ(pos.gamePly, MAX_RECORDED_PLY);
}

}  // namespace
