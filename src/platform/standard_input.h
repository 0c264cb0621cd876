// Standard input and output as the engine uses them: from a pipe (how a GUI starts
// an engine), a console or a regular file (a command file), in binary mode so that
// both systems see the same bytes.
#pragma once

#include <cstddef>

namespace velt {

// Puts standard input and output in binary mode (no "\r\n" translation on Windows).
void useBinaryStandardStreams();
// Whether standard input is a regular file, which is read on demand.
bool standardInputIsFile();
// Reads up to `size` bytes, blocking until some arrive: the count read, 0 at the end
// of input, negative on a read error.
long readStandardInput(char* buffer, std::size_t size);

}  // namespace velt
