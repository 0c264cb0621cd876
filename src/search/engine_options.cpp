// The one options record of the engine.
#include "search/engine_options.h"

namespace velt {

std::uint32_t engineFlags = DEFAULT_ENGINE_FLAGS;
EngineOptions options;

}  // namespace velt
