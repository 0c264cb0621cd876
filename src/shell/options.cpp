// The engine options record and the mode and option bits.
#include "shell/options.h"

std::uint32_t engineFlags = DEFAULT_ENGINE_FLAGS;
EngineOptions options;
