// The output channel.
#include "shell/output.h"

#include <cstdarg>
#include <cstdio>

namespace velt {

void write(Output& out, std::string_view text) {
  std::lock_guard<std::mutex> guard(out.lock);
  if (out.capturing) {
    out.captured.append(text);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void print(Output& out, const char* format, ...) {
  char buffer[1024];
  va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  if (length < 0) return;
  if (static_cast<std::size_t>(length) < sizeof buffer) {
    write(out, std::string_view(buffer, static_cast<std::size_t>(length)));
    return;
  }
  // Longer than the buffer (a long principal variation): formatted again at its size.
  std::string text(static_cast<std::size_t>(length), '\0');
  va_start(arguments, format);
  std::vsnprintf(text.data(), text.size() + 1, format, arguments);
  va_end(arguments);
  write(out, text);
}

std::string takeCaptured(Output& out) {
  std::lock_guard<std::mutex> guard(out.lock);
  std::string text;
  text.swap(out.captured);
  return text;
}

}  // namespace velt
