// The engine record's end.
#include "shell/engine.h"

#include "egtb/tb_probe.h"
#include "shell/command_reader.h"

namespace velt {

Engine::~Engine() {
  stopCommandReader(*this);
  // The tablebases' hook writes to this record: it must not outlive it.
  if (tablebaseFaultHook().context == this) setTablebaseFaultHook({});
}

}  // namespace velt
