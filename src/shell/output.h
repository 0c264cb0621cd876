// The engine's one output channel. Only the shell writes to it. Every call goes out
// whole under a lock and is flushed, so that the reader thread's answers and the
// search's lines never cut into each other; a capturing sink keeps the text for the
// tests instead of writing it to standard output.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

namespace velt {

struct Output {
  std::mutex lock;
  bool capturing = false;  // keep the text in `captured` instead of writing it out
  std::string captured;
};

void write(Output& out, std::string_view text);
// printf-style text.
void print(Output& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The text captured so far, which is then forgotten.
std::string takeCaptured(Output& out);

}  // namespace velt
