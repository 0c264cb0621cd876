// The engine record's end.
#include "shell/engine.h"

#include "egtb/tb_probe.h"
#include "search/search_state.h"
#include "shell/command_reader.h"

namespace velt {

Engine::~Engine() {
  stopCommandReader(*this);
  // The lower layers' hooks write to this record: they must not outlive it.
  if (tablebaseFaultHook().context == this) setTablebaseFaultHook({});
  if (search.reporter.context == this) search.reporter = SearchReporter{};
}

}  // namespace velt
