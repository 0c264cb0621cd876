// The engine-wide search state and its new-game defaults.
#include "search/search_state.h"

#include <algorithm>

#include "board/position.h"
#include "search/tt.h"

int stopState = STOP_NONE;
bool searching = false;
bool pondering = false;
bool analysisMode = false;

int clockCs[2] = {500, 500};
int movesPerSession = 0;
int baseTime = 500;
int increment = 0;
int timePerMove = 500;
int timeLag = 1;
int maxSearchDepth = 60;
int moverClockMs = 0;

std::uint32_t searchStartTime = 0;
int targetTime = 0;
int timeReserve = 0;
int movesToPlan = SUDDEN_DEATH_MOVES;
int ponderCredit = 0;
bool lowTimeMode = false;
IterationFlags normalIterationFlags = {false, false, false};
IterationFlags decidedIterationFlags = {false, false, false};
IterationFlags* iterationFlags = &normalIterationFlags;
int averageLag = 0;
int lagSum = 0, lagCount = 0;
int clockLimitMs = 0;
bool instantMove = false;

std::uint32_t pollMask = 65535;
bool pollReadsInput = true;
void (*readWaitingInput)() = nullptr;
int tbPollInterval = 10;

std::uint64_t totalNodes = 0;
std::uint32_t tbHits = 0;
std::atomic<int> selDepthHalfPlies{0};
int iterationDepth = 0;

char searchMovesText[SEARCH_MOVES_TEXT_SIZE] = "";

Move bestMove = MOVE_NONE;
Move ponderMove = MOVE_NONE;
int rootScore = 0;
int handoverDepth = 0;

void resetSearchForNewGame() {
  recentRootScores[0] = MATE_SCORE;
  recentRootScores[1] = 0;
  ttForgetSide();
  pollMask = 65535;
  tbPollInterval = 10;
  bestMove = ponderMove = MOVE_NONE;
  searchMovesText[0] = '\0';
  for (auto& killers : gamePosition.killers) std::fill(std::begin(killers), std::end(killers), MOVE_NONE);
}
