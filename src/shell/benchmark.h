// The benchmark of the "si" and "bench" console words and of the "bench" command-line
// word: four fixed positions searched to fixed depths.
#pragma once

namespace velt {

struct Engine;

// Prints the time and node count of each position, the two average speeds and their
// ratio, the Speed Index. No thinking lines appear; engineFlags is restored after.
void runBenchmark(Engine& engine);
// The same searches, then one line "<nodes> nodes <nps> nps" as testing frameworks
// read it: the nodes are the searches' signature, the speed is this machine's.
void runBench(Engine& engine);

}  // namespace velt
