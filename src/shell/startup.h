// Program start-up: name, configuration, banner, command line, input, and the wait
// for a protocol, followed by the game loop.
#pragma once

namespace velt {

struct Engine;

// Sets engineName to ENGINE_NAME (shell/version.h); a digit 1-9 at index 4 of the
// program's base name is appended as ".<digit>" (velt7 announces itself as "Velt 4.6.7").
void setEngineName(Engine& engine, const char* programPath);
// The whole program; returns the process exit code.
int runEngine(int argc, char** argv);

}  // namespace velt
