// The test's arithmetic. Each pair scores x = halfPoints / 4 in [0, 1]. With mean m and
// variance v of x over N pairs, and s0, s1 the scores that elo0 and elo1 give, the
// log-likelihood ratio of two normal distributions with means s1 and s0 and the
// observed variance is N (s1 - s0) (2m - s0 - s1) / (2v).
#include "common/sprt.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velt {

namespace {

// A small share of a pair in every count keeps the variance above zero while all pairs
// ended alike (all won, all drawn), so that the ratio stays finite.
constexpr double PRIOR_PAIRS_PER_COUNT = 0.1;
// The interval of eloMargin: 95% of a normal distribution.
constexpr double NORMAL_QUANTILE_95 = 1.959964;
// Scores this close to 0 or 1 give no finite Elo.
constexpr double SCORE_EPSILON = 1e-6;

double expectedScore(double elo) { return 1 / (1 + std::pow(10.0, -elo / 400)); }

double eloOfScore(double score) {
  score = std::clamp(score, SCORE_EPSILON, 1 - SCORE_EPSILON);
  return -400 * std::log10(1 / score - 1);
}

struct Moments {
  double mean = 0;
  double variance = 0;
};

Moments pairMoments(const SprtState& state) {
  double total = 0;
  double sum = 0;
  for (int k = 0; k < 5; ++k) {
    const double count = state.pairs[k] + PRIOR_PAIRS_PER_COUNT;
    total += count;
    sum += count * k / 4.0;
  }
  Moments moments;
  moments.mean = sum / total;
  for (int k = 0; k < 5; ++k) {
    const double deviation = k / 4.0 - moments.mean;
    moments.variance += (state.pairs[k] + PRIOR_PAIRS_PER_COUNT) * deviation * deviation / total;
  }
  return moments;
}

}  // namespace

void addPair(SprtState& state, int halfPoints) { ++state.pairs[std::clamp(halfPoints, 0, 4)]; }

int pairCount(const SprtState& state) {
  int count = 0;
  for (int pairs : state.pairs) count += pairs;
  return count;
}

double logLikelihoodRatio(const SprtState& state) {
  const Moments moments = pairMoments(state);
  const double s0 = expectedScore(state.bounds.elo0);
  const double s1 = expectedScore(state.bounds.elo1);
  return pairCount(state) * (s1 - s0) * (2 * moments.mean - s0 - s1) / (2 * moments.variance);
}

double lowerBound(const SprtBounds& bounds) { return std::log(bounds.beta / (1 - bounds.alpha)); }
double upperBound(const SprtBounds& bounds) { return std::log((1 - bounds.beta) / bounds.alpha); }

SprtVerdict sprtVerdict(const SprtState& state) {
  const double ratio = logLikelihoodRatio(state);
  if (ratio >= upperBound(state.bounds)) return SprtVerdict::ACCEPT_H1;
  if (ratio <= lowerBound(state.bounds)) return SprtVerdict::ACCEPT_H0;
  return SprtVerdict::CONTINUE;
}

double eloEstimate(const SprtState& state) { return eloOfScore(pairMoments(state).mean); }

double eloMargin(const SprtState& state) {
  const Moments moments = pairMoments(state);
  const int pairs = std::max(pairCount(state), 1);
  // Per pair the score's standard error; the Elo interval is that of the score.
  const double halfWidth = NORMAL_QUANTILE_95 * std::sqrt(moments.variance / pairs);
  return (eloOfScore(moments.mean + halfWidth) - eloOfScore(moments.mean - halfWidth)) / 2;
}

std::string sprtStatus(const SprtState& state) {
  char text[200];
  const SprtVerdict verdict = sprtVerdict(state);
  std::snprintf(text, sizeof text, "sprt pairs=%d [%d %d %d %d %d] llr=%.3f (%.3f, %.3f) elo=%+.1f +-%.1f%s",
                pairCount(state), state.pairs[0], state.pairs[1], state.pairs[2], state.pairs[3], state.pairs[4],
                logLikelihoodRatio(state), lowerBound(state.bounds), upperBound(state.bounds), eloEstimate(state),
                eloMargin(state),
                verdict == SprtVerdict::ACCEPT_H1   ? " H1 accepted"
                : verdict == SprtVerdict::ACCEPT_H0 ? " H0 accepted"
                                                    : "");
  return text;
}

}  // namespace velt
