// The "si" console word: searches four fixed positions to fixed depths and compares
// this machine's speed with the reference machine's.
#pragma once

namespace velt {

struct Engine;

// Prints the time and node count of each position, the two average speeds and their
// ratio, the Speed Index. No thinking lines appear; engineFlags is restored after.
void runBenchmark(Engine& engine);

}  // namespace velt
