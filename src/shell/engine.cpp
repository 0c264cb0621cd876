// The engine record's end.
#include "shell/engine.h"

#include "shell/command_reader.h"

namespace velt {

Engine::~Engine() {
  stopCommandReader(*this);
}

}  // namespace velt
