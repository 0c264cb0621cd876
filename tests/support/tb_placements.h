// Placements of tablebase classes for the index tests: every placement or a random
// sample, each checked against its symmetry orbit (reflections and the colour
// exchange) and through the decoder.
#pragma once

#include <cstdint>
#include <string>

namespace velt {

struct OrbitCheck {
  std::uint64_t placements = 0;
  int failures = 0;
  std::string firstFailure;
  std::uint64_t indicesHit = 0;        // distinct entries reached (whole classes only)
  std::uint64_t indicesDecodable = 0;  // entries whose decoded placement encodes back
};

// samples 0: every placement of the class's men (white holding the first side).
OrbitCheck checkClassOrbits(int classNumber, int samples, unsigned seed);
// Random positions with an en-passant capture for the side to move.
OrbitCheck checkEnPassantOrbits(int classNumber, int samples, unsigned seed);

}  // namespace velt
