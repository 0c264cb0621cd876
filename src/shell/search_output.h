// The search's reports in the protocols' text: UCI "info" lines and xboard thinking
// lines, written to the engine's output.
#pragma once

#include "search/report.h"

namespace velt {

struct Engine;

// The hooks that write the search's reports for `engine`; whoever starts a search
// installs them (search.reporter) and takes them away when it is over.
SearchReporter searchOutputReporter(Engine& engine);

}  // namespace velt
