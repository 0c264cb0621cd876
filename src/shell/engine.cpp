// The engine record's end.
#include "shell/engine.h"

#include "search/search_state.h"
#include "search/tablebase_sites.h"
#include "shell/command_reader.h"

namespace velt {

Engine::~Engine() {
  stopCommandReader(*this);
  // The search's hooks and tablebases point into this record: they must not outlive it.
  forgetSearchTablebases(tablebases);
  if (search.reporter.context == this) search.reporter = SearchReporter{};
}

}  // namespace velt
