// The move decision driver.
#include "search/worker.h"
#include "shell/think.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "board/coordinate.h"
#include "board/position.h"
#include "search/analysis_file.h"
#include "search/parallel.h"
#include "search/root.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "shell/book_play.h"
#include "search/clock.h"
#include "shell/clock_settings.h"
#include "shell/command_reader.h"
#include "shell/dispatch.h"
#include "shell/engine.h"
#include "shell/game_moves.h"
#include "shell/game_state.h"
#include "shell/input.h"
#include "shell/options.h"
#include "shell/result.h"
#include "shell/search_output.h"
#include "shell/xboard.h"

namespace velt {

namespace {

constexpr int RESIGN_SCORE = -800;
constexpr int RESIGN_MOVES = 3;
// How often a held analysis looks whether its progress line is due.
constexpr int HELD_ANALYSIS_POLL_MS = 50;

bool uciMode(const Engine& engine) { return (engine.engineFlags & FLAG_UCI) != 0; }

void printBestMove(Engine& engine, Move move, Move ponder) {
  char ponderText[16] = "";
  if (ponder != MOVE_NONE) std::snprintf(ponderText, sizeof ponderText, " ponder %s", moveToUci(ponder, kingTakesRook(engine)).c_str());
  print(engine.out, "bestmove %s%s\n", move != MOVE_NONE ? moveToUci(move, kingTakesRook(engine)).c_str() : "0000", ponderText);
}

// The game goes over to the decided-position search for good. The two searches read
// the table's memory differently, so it starts empty.
void switchToDecidedSearch(Engine& engine) {
  engine.game.decidedSearchActive = true;
  clearSearchTables(engine);
}

constexpr std::uint64_t NS_PER_US = 1000, NS_PER_MS = 1000 * NS_PER_US;

// What the helpers cost in the search just ended, for those tuning the parallel
// search: a line in UCI debug mode when there are helpers.
void reportParallelStats(Engine& engine) {
  const ParallelStats stats = parallelStats(engine.pool);
  if (stats.threads < 2) return;
  char waits[MAX_SEARCH_THREADS * 12] = "";
  for (int id = 0, used = 0; id < stats.threads; ++id) {
    used += std::snprintf(waits + used, sizeof waits - static_cast<std::size_t>(used), " %" PRIu64,
                          stats.waitNs[id] / NS_PER_MS);
  }
  debugLog(engine,
           "info string parallel splits %" PRIu64 " refused %" PRIu64 " copies %" PRIu64 " split_us %" PRIu64
           " abandoned %" PRIu64 " abandoned_nodes %" PRIu64 " working %d wait_ms%s\n",
           stats.splits, stats.refusals, stats.copies, stats.splitNs / NS_PER_US, stats.abandoned,
           stats.abandonedNodes, stats.workingLimit, waits);
}

// The search of the game position: the normal one until the game is clearly decided,
// then the decided-position search, also straight after a hand-over by the normal one.
void runSearch(Engine& engine) {
  engine.search.stopState = STOP_NONE;
  engine.gamePosition.bishopPromotions = engine.search.analysisMode;
  engine.thinking = true;
  beginSearchCommands(engine);
  if (!engine.game.decidedSearchActive &&
      decidedSwitchDue(engine.tt.recentRootScores[0], engine.tt.recentRootScores[1], engine.timeControl.timePerMove,
                       engine.timeControl.clockCs[engine.gamePosition.side])) {
    switchToDecidedSearch(engine);
  }
  if (engine.game.decidedSearchActive) {
    searchDecided(engine, 0);
  } else {
    searchRoot(engine);
    reportParallelStats(engine);
    if (engine.search.handoverDepth > 0) {
      switchToDecidedSearch(engine);
      searchDecided(engine, engine.search.handoverDepth);
    }
  }
  // The lines the command reader held reach the game as they would have during the search.
  for (const std::string& line : endSearchCommands(engine)) dispatchCommand(engine, line.c_str());
  engine.thinking = false;
}

// A ponder or analysis search that ended by itself keeps its result until the front
// end ends it: UCI sends no "bestmove" before "stop" or "ponderhit". An analysis that
// reached the depth limit (a proven mate gets there in moments) goes on sending its
// progress line, so that the front end never sees it fall silent.
void holdFinishedSearch(Engine& engine) {
  if (!engine.search.pondering && !engine.search.analysisMode) return;
  engine.resultHeld = true;
  while (engine.search.stopState != STOP_COMMAND && engine.search.stopState != STOP_PONDER_HIT &&
         engine.game.pendingCommand == CMD_NONE && engine.game.userMoveFrom < 0) {
    if (engine.search.analysisMode) {
      reportProgress(engine);
      readCommandWithin(engine, HELD_ANALYSIS_POLL_MS);
    } else {
      readCommand(engine);
    }
  }
  engine.resultHeld = false;
  if (engine.search.pondering && engine.search.stopState == STOP_PONDER_HIT) {
    engine.search.pondering = false;
    engine.allotment.searchStartTime = currentTimeMs();
  }
}

// The search's move, or the first legal move should the search have left none.
Move chosenMove(Engine& engine) {
  Move moves[MAX_LEGAL_MOVES];
  const int count = collectLegalMoves(engine.gamePosition, moves);
  for (int i = 0; i < count; ++i) {
    if (moves[i] == engine.search.bestMove) return engine.search.bestMove;
  }
  return count > 0 ? moves[0] : MOVE_NONE;
}

void keepClock(Engine& engine) {
  if (engine.game.engineSide != WHITE && engine.game.engineSide != BLACK) return;
  const Position& pos = engine.gamePosition;
  int& clock = engine.timeControl.clockCs[engine.game.engineSide];
  clock -= static_cast<int>((currentTimeMs() - engine.allotment.searchStartTime) / 10);
  if (engine.timeControl.movesPerSession > 0 &&
      ((engine.game.engineSide + pos.gamePly) / 2 + pos.side) % engine.timeControl.movesPerSession == 0)
    clock += engine.timeControl.baseTime;
  if (engine.timeControl.increment > 0) clock += engine.timeControl.increment;
  clock = std::min(clock, MAX_CLOCK_CS);
  debugLog(engine, "CLOCK-> %ld\n", static_cast<long>(clock));
}

void reportNoMove(Engine& engine) {
  print(engine.out, "ERROR (no legal moves): think\n");
  engine.game.engineSide = NO_PIECE;
  engine.game.gameOver = true;
  if (uciMode(engine)) printBestMove(engine, MOVE_NONE, MOVE_NONE);
  checkGameResult(engine);
}

// Plays the chosen move on the game position and reports it.
void playMove(Engine& engine, Move move, int score) {
  Worker& pos = engine.gamePosition;
  const bool made = makeGameMove(engine, move);
  if (!made) {
    print(engine.out, "ERROR (unexpected illegal move error): think\n");
    engine.game.gameOver = true;
  }
  const char* text = made ? engine.game.moveHistory[pos.gamePly - 1] : "";
  if (uciMode(engine)) {
    const bool withPonder =
        made && (engine.engineFlags & FLAG_PONDER) && std::abs(score) < MATE_BOUND && pos.pvLength[0] >= 2;
    printBestMove(engine, made ? move : MOVE_NONE, withPonder ? engine.search.ponderMove : MOVE_NONE);
  } else if (made) {
    if ((engine.engineFlags & FLAG_CAN_RESIGN) &&
        applyResignRule(engine, score, engine.timeControl.clockCs[engine.game.engineSide ^ 1], pos.gamePly)) {
      print(engine.out, "resign\n");
      engine.game.gameOver = true;
    } else {
      print(engine.out, "move %s\n", text);
    }
  }
  if (!made) return;
  debugLog(engine, "SENT MOVE-> %s\n", text);
  engine.game.lastMovePly = pos.gamePly - 1;
  checkGameResult(engine);
  sendPongsAfterMove(engine);
}

// A book move is played at once, with no principal variation to ponder on.
void playBookMove(Engine& engine, Move move) {
  Worker& pos = engine.gamePosition;
  engine.game.bookExitPly = pos.gamePly;
  engine.game.bookMovesLeft = BOOK_TURNS;
  engine.search.stopState = STOP_NONE;
  pos.pvLength[0] = 0;
  playMove(engine, move, engine.tt.recentRootScores[0]);
  keepClock(engine);
}

// Starts a search on the opponent's time on the reply the principal variation
// expects; false when there is none to ponder on.
bool startXboardPonder(Engine& engine, int score) {
  if (uciMode(engine) || (engine.engineFlags & FLAG_PONDER) == 0 || engine.game.gameOver ||
      engine.game.pendingCommand != CMD_NONE)
    return false;
  if (std::abs(score) >= MATE_BOUND || engine.gamePosition.pvLength[0] < 2) return false;
  if (!makeGameMove(engine, engine.search.ponderMove)) return false;
  engine.game.expectedMove = engine.search.ponderMove;
  engine.search.pondering = true;
  engine.search.ponderClockCs.store(-1, std::memory_order_relaxed);
  return true;
}

}  // namespace

bool searchUnderway(const Engine& engine) { return engine.thinking || engine.resultHeld; }

bool decidedSwitchDue(int lastScore, int previousScore, int timePerMove, int clock) {
  const bool decided = std::abs(lastScore) >= DECIDED_SCORE && std::abs(lastScore) < MATE_BOUND &&
                       std::abs(previousScore) >= DECIDED_SCORE;
  return decided && (timePerMove == 0 || clock > DECIDED_CLOCK_MIN);
}

bool applyResignRule(Engine& engine, int score, int opponentClock, int gamePly) {
  if (engine.timeControl.movesPerSession <= 0) return false;
  if (score >= RESIGN_SCORE) {
    engine.game.resignCount = 0;
    return false;
  }
  if (++engine.game.resignCount < RESIGN_MOVES) return false;
  const int movesLeft = engine.timeControl.movesPerSession - (gamePly / 2) % engine.timeControl.movesPerSession;
  return movesLeft > 0 && opponentClock / movesLeft + engine.timeControl.increment > 500;
}

namespace {

// Searches and plays until it is the opponent's turn or a command ends the thinking.
void thinkAndPlay(Engine& engine) {
  Worker& pos = engine.gamePosition;
  for (;;) {
    engine.allotment.searchStartTime = currentTimeMs();
    engine.search.handoverDepth = 0;
    Move moves[MAX_LEGAL_MOVES];
    if (collectLegalMoves(pos, moves) == 0) {
      // The xboard ponder move that ends the game goes back; a UCI "go ponder" made
      // no move of its own and is answered like any other search.
      if (engine.search.pondering && engine.game.expectedMove != MOVE_NONE) {
        engine.search.pondering = false;
        takeBackGameMove(engine);
        engine.game.expectedMove = MOVE_NONE;
        return;
      }
      engine.search.pondering = false;
      reportNoMove(engine);
      return;
    }
    if (!engine.search.pondering && !engine.search.analysisMode) {
      const Move bookMove = chooseBookMove(engine);
      if (bookMove != MOVE_NONE) {
        playBookMove(engine, bookMove);
        return;
      }
    }
    // A UCI front end puts the reply it expects on the board as the game's last move
    // before "go ponder": it is the expected reply, as the one xboard pondering makes.
    if (engine.search.pondering && uciMode(engine) && pos.gamePly > 0) {
      engine.game.expectedMove = pos.undo[pos.gamePly - 1].move;
    }
    const bool analysing = engine.search.analysisMode;  // "stop" ends analysis mode before the search ends
    runSearch(engine);
    holdFinishedSearch(engine);
    if (engine.search.pondering) {
      // The ponder search was stopped without a hit: the expected reply goes back, so
      // that the front end's next position continues the game with its tables.
      engine.search.pondering = false;
      const Move answer = chosenMove(engine);
      if (engine.game.expectedMove != MOVE_NONE) {
        takeBackGameMove(engine);
        engine.game.lastMovePly = pos.gamePly - 1;
      }
      engine.game.expectedMove = MOVE_NONE;
      if (uciMode(engine)) printBestMove(engine, answer, MOVE_NONE);
      return;
    }
    // A ponder search that went on to its end had a hit: the opponent played the reply.
    if (engine.game.expectedMove != MOVE_NONE) engine.game.lastMovePly = pos.gamePly - 1;
    engine.game.expectedMove = MOVE_NONE;
    if (engine.game.bookMovesLeft > 0) --engine.game.bookMovesLeft;
    learnFromBookExit(engine, engine.search.rootScore);
    if (engine.search.stopState == STOP_COMMAND || engine.search.analysisMode) {
      if (uciMode(engine)) printBestMove(engine, chosenMove(engine), MOVE_NONE);
      engine.game.engineSide = NO_PIECE;
      // Saved once the front end has its answer: the work since the last save is kept.
      // The file holds the normal search's table only.
      if (analysing && !engine.game.decidedSearchActive) {
        analysisSavePoint(engine, AnalysisSavePoint::SearchEnd, currentTimeMs() - engine.allotment.searchStartTime);
      }
      return;
    }
    const int score = engine.search.rootScore;
    playMove(engine, chosenMove(engine), score);
    keepClock(engine);
    if (!startXboardPonder(engine, score)) return;
  }
}

}  // namespace

void think(Engine& engine) {
  // The search reports to this engine while it thinks.
  engine.search.reporter = searchOutputReporter(engine);
  thinkAndPlay(engine);
  engine.search.reporter = SearchReporter{};
}

}  // namespace velt
