// The sequential probability ratio test of the game driver: pairs of games with the
// colours swapped, counted by the first engine's points in the pair (0, 1/2, 1, 3/2
// or 2: the pentanomial counts), tested for logistic Elo elo0 against elo1 by the
// normal approximation of the log-likelihood ratio.
#pragma once

#include <array>
#include <string>

namespace velt {

struct SprtBounds {
  double elo0 = 0;
  double elo1 = 5;
  double alpha = 0.05;  // chance of accepting elo1 when elo0 holds
  double beta = 0.05;   // chance of accepting elo0 when elo1 holds
};

enum class SprtVerdict { CONTINUE, ACCEPT_H0, ACCEPT_H1 };

struct SprtState {
  SprtBounds bounds;
  std::array<int, 5> pairs{};  // by the first engine's half points in the pair, 0 to 4
};

// Adds a pair by the first engine's half points in it (0 to 4).
void addPair(SprtState& state, int halfPoints);
int pairCount(const SprtState& state);
// The log-likelihood ratio of elo1 against elo0 after the pairs so far.
double logLikelihoodRatio(const SprtState& state);
// The ratio's bounds: below the lower one elo0 is accepted, above the upper one elo1.
double lowerBound(const SprtBounds& bounds);
double upperBound(const SprtBounds& bounds);
SprtVerdict sprtVerdict(const SprtState& state);
// The Elo difference the pairs show and the half-width of its 95% interval.
double eloEstimate(const SprtState& state);
double eloMargin(const SprtState& state);
// One line for the driver's output: pairs, ratio with its bounds, Elo with error bar.
std::string sprtStatus(const SprtState& state);

}  // namespace velt
