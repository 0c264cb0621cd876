// The move decision driver.
#include "shell/think.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "board/coordinate.h"
#include "board/position.h"
#include "book/analysis_file.h"
#include "search/root.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "shell/book_play.h"
#include "search/clock.h"
#include "shell/clock_settings.h"
#include "shell/game_moves.h"
#include "shell/game_state.h"
#include "shell/input.h"
#include "shell/options.h"
#include "shell/result.h"

namespace {

constexpr int RESIGN_SCORE = -800;
constexpr int RESIGN_MOVES = 3;
// How often a held analysis looks whether its progress line is due.
constexpr int HELD_ANALYSIS_POLL_MS = 50;

bool uciMode() { return (engineFlags & FLAG_UCI) != 0; }

// A finished ponder or analysis search whose result the front end has not yet taken.
bool resultHeld = false;

void printBestMove(Move move, Move ponder) {
  std::printf("bestmove %s", move != MOVE_NONE ? moveToUci(move) : "0000");
  if (ponder != MOVE_NONE) std::printf(" ponder %s", moveToUci(ponder));
  std::printf("\n");
  std::fflush(stdout);
}

// The game goes over to the decided-position search for good. The two searches read
// the table's memory differently, so it starts empty.
void switchToDecidedSearch() {
  decidedSearchActive = true;
  ttClear();
}

// The search of the game position: the normal one until the game is clearly decided,
// then the decided-position search, also straight after a hand-over by the normal one.
void runSearch() {
  stopState = STOP_NONE;
  gamePosition.bishopPromotions = analysisMode;
  searching = true;
  if (!decidedSearchActive &&
      decidedSwitchDue(recentRootScores[0], recentRootScores[1], timePerMove, clockCs[gamePosition.side])) {
    switchToDecidedSearch();
  }
  if (decidedSearchActive) {
    searchDecided(0);
  } else {
    searchRoot();
    if (handoverDepth > 0) {
      switchToDecidedSearch();
      searchDecided(handoverDepth);
    }
  }
  searching = false;
}

// A ponder or analysis search that ended by itself keeps its result until the front
// end ends it: UCI sends no "bestmove" before "stop" or "ponderhit". An analysis that
// reached the depth limit (a proven mate gets there in moments) goes on sending its
// progress line, so that the front end never sees it fall silent.
void holdFinishedSearch() {
  if (!pondering && !analysisMode) return;
  resultHeld = true;
  while (stopState != STOP_COMMAND && stopState != STOP_PONDER_HIT && pendingCommand == CMD_NONE &&
         userMoveFrom < 0) {
    if (analysisMode) {
      printProgress();
      readCommandWithin(HELD_ANALYSIS_POLL_MS);
    } else {
      readCommand(true);
    }
  }
  resultHeld = false;
  if (pondering && stopState == STOP_PONDER_HIT) {
    pondering = false;
    searchStartTime = currentTimeMs();
  }
}

// The search's move, or the first legal move should the search have left none.
Move chosenMove() {
  Move moves[MAX_LEGAL_MOVES];
  const int count = collectLegalMoves(gamePosition, moves);
  for (int i = 0; i < count; ++i) {
    if (moves[i] == bestMove) return bestMove;
  }
  return count > 0 ? moves[0] : MOVE_NONE;
}

void keepClock() {
  if (engineSide != WHITE && engineSide != BLACK) return;
  const Position& pos = gamePosition;
  int& clock = clockCs[engineSide];
  clock -= static_cast<int>((currentTimeMs() - searchStartTime) / 10);
  if (movesPerSession > 0 && ((engineSide + pos.gamePly) / 2 + pos.side) % movesPerSession == 0) clock += baseTime;
  if (increment > 0) clock += increment;
  clock = std::min(clock, MAX_CLOCK_CS);
  debugLog("CLOCK-> %ld\n", static_cast<long>(clock));
}

void reportNoMove() {
  std::printf("ERROR (no legal moves): think\n");
  std::fflush(stdout);
  engineSide = NO_PIECE;
  gameOver = true;
  if (uciMode()) printBestMove(MOVE_NONE, MOVE_NONE);
  checkGameResult();
}

// Plays the chosen move on the game position and reports it.
void playMove(Move move, int score) {
  Position& pos = gamePosition;
  const bool made = makeGameMove(move);
  if (!made) {
    std::printf("ERROR (unexpected illegal move error): think\n");
    std::fflush(stdout);
    gameOver = true;
  }
  const char* text = made ? moveHistory[pos.gamePly - 1] : "";
  if (uciMode()) {
    const bool withPonder = made && (engineFlags & FLAG_PONDER) && std::abs(score) < MATE_BOUND && pos.pvLength[0] >= 2;
    printBestMove(made ? move : MOVE_NONE, withPonder ? ponderMove : MOVE_NONE);
  } else if (made) {
    if ((engineFlags & FLAG_CAN_RESIGN) && applyResignRule(score, clockCs[engineSide ^ 1], pos.gamePly)) {
      std::printf("resign\n");
      std::fflush(stdout);
      gameOver = true;
    } else {
      std::printf("move %s\n", text);
      std::fflush(stdout);
    }
  }
  if (!made) return;
  debugLog("SENT MOVE-> %s\n", text);
  lastMovePly = pos.gamePly - 1;
  checkGameResult();
}

// A book move is played at once, with no principal variation to ponder on.
void playBookMove(Move move) {
  Position& pos = gamePosition;
  bookExitPly = pos.gamePly;
  bookMovesLeft = BOOK_TURNS;
  stopState = STOP_NONE;
  pos.pvLength[0] = 0;
  playMove(move, recentRootScores[0]);
  keepClock();
}

// Starts a search on the opponent's time on the reply the principal variation
// expects; false when there is none to ponder on.
bool startXboardPonder(int score) {
  if (uciMode() || (engineFlags & FLAG_PONDER) == 0 || gameOver || pendingCommand != CMD_NONE) return false;
  if (std::abs(score) >= MATE_BOUND || gamePosition.pvLength[0] < 2) return false;
  if (!makeGameMove(ponderMove)) return false;
  expectedMove = ponderMove;
  pondering = true;
  return true;
}

}  // namespace

bool searchUnderway() { return searching || resultHeld; }

bool decidedSwitchDue(int lastScore, int previousScore, int timePerMove, int clock) {
  const bool decided = std::abs(lastScore) >= DECIDED_SCORE && std::abs(lastScore) < MATE_BOUND &&
                       std::abs(previousScore) >= DECIDED_SCORE;
  return decided && (timePerMove == 0 || clock > DECIDED_CLOCK_MIN);
}

bool applyResignRule(int score, int opponentClock, int gamePly) {
  if (movesPerSession <= 0) return false;
  if (score >= RESIGN_SCORE) {
    resignCount = 0;
    return false;
  }
  if (++resignCount < RESIGN_MOVES) return false;
  const int movesLeft = movesPerSession - (gamePly / 2) % movesPerSession;
  return movesLeft > 0 && opponentClock / movesLeft + increment > 500;
}

void think() {
  Position& pos = gamePosition;
  for (;;) {
    searchStartTime = currentTimeMs();
    handoverDepth = 0;
    Move moves[MAX_LEGAL_MOVES];
    if (collectLegalMoves(pos, moves) == 0) {
      if (pondering) {
        pondering = false;
        takeBackGameMove();
        expectedMove = MOVE_NONE;
        return;
      }
      reportNoMove();
      return;
    }
    if (!pondering && !analysisMode) {
      const Move bookMove = chooseBookMove();
      if (bookMove != MOVE_NONE) {
        playBookMove(bookMove);
        return;
      }
    }
    const bool analysing = analysisMode;  // "stop" ends analysis mode before the search ends
    runSearch();
    holdFinishedSearch();
    if (pondering) {
      // The ponder search was stopped without a hit: the expected reply goes back.
      pondering = false;
      if (expectedMove != MOVE_NONE) takeBackGameMove();
      expectedMove = MOVE_NONE;
      if (uciMode()) printBestMove(chosenMove(), MOVE_NONE);
      return;
    }
    expectedMove = MOVE_NONE;
    if (bookMovesLeft > 0) --bookMovesLeft;
    learnFromBookExit(rootScore);
    if (stopState == STOP_COMMAND || analysisMode) {
      if (uciMode()) printBestMove(chosenMove(), MOVE_NONE);
      engineSide = NO_PIECE;
      // Saved once the front end has its answer: the work since the last save is kept.
      // The file holds the normal search's table only.
      if (analysing && !decidedSearchActive) {
        analysisSavePoint(AnalysisSavePoint::SearchEnd, currentTimeMs() - searchStartTime);
      }
      return;
    }
    const int score = rootScore;
    playMove(chosenMove(), score);
    keepClock();
    if (!startXboardPonder(score)) return;
  }
}
