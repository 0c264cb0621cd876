// The game driver's sequential test against likelihood ratios worked out by hand for
// a few outcomes (logistic Elo, alpha = beta = 0.05, a tenth of a pair in each count).
#include "common/sprt.h"

#include <gtest/gtest.h>

namespace velt {

namespace {

SprtState pairsOf(const std::array<int, 5>& counts, double elo0, double elo1) {
  SprtState state;
  state.bounds.elo0 = elo0;
  state.bounds.elo1 = elo1;
  for (int halfPoints = 0; halfPoints < 5; ++halfPoints) {
    for (int i = 0; i < counts[halfPoints]; ++i) addPair(state, halfPoints);
  }
  return state;
}

TEST(Sprt, KnownOutcomes) {
  const SprtBounds bounds;
  EXPECT_NEAR(lowerBound(bounds), -2.944439, 1e-6);
  EXPECT_NEAR(upperBound(bounds), 2.944439, 1e-6);

  struct Case {
    std::array<int, 5> counts;
    double elo0, elo1;
    double ratio;
    SprtVerdict verdict;
  };
  const Case cases[] = {
      {{0, 0, 10, 0, 0}, 0, 5, -0.043486, SprtVerdict::CONTINUE},    // all drawn: mean 1/2, variance 1/168
      {{0, 0, 0, 0, 12}, 0, 5, 2.817333, SprtVerdict::CONTINUE},     // all won, not yet enough
      {{0, 0, 0, 0, 13}, 0, 5, 3.299833, SprtVerdict::ACCEPT_H1},    // one pair more
      {{5, 20, 50, 20, 5}, 0, 5, -0.051386, SprtVerdict::CONTINUE},  // an even score
      {{5, 20, 50, 20, 5}, -5, 5, 0, SprtVerdict::CONTINUE},         // ... halfway between the bounds
      {{0, 10, 60, 30, 0}, 0, 10, 2.659526, SprtVerdict::CONTINUE},
      {{0, 30, 60, 10, 0}, 0, 10, -3.558615, SprtVerdict::ACCEPT_H0},
  };
  for (const Case& c : cases) {
    const SprtState state = pairsOf(c.counts, c.elo0, c.elo1);
    EXPECT_NEAR(logLikelihoodRatio(state), c.ratio, 1e-5) << c.counts[0] << c.counts[1] << c.counts[2];
    EXPECT_EQ(sprtVerdict(state), c.verdict);
  }
  // The Elo of the score 0.54975 over 100 pairs and its 95% error bar.
  const SprtState state = pairsOf({0, 10, 60, 30, 0}, 0, 10);
  EXPECT_NEAR(eloEstimate(state), 34.685, 1e-3);
  EXPECT_NEAR(eloMargin(state), 20.897, 1e-3);
}

}  // namespace

}  // namespace velt
