// The engine options record and its conversions, shared by the configuration file
// and the protocol option commands.
#include "shell/options.h"

#include <cstring>

std::uint32_t engineFlags = DEFAULT_ENGINE_FLAGS;
EngineOptions options;

void setDefaultOptions() {
  engineFlags = DEFAULT_ENGINE_FLAGS;
  options = EngineOptions{};
}

std::uint32_t hashSizeToMask(int megabytes) {
  // Work in 64 bits so that any int request clamps instead of overflowing.
  std::int64_t kilobytes = static_cast<std::int64_t>(megabytes) * 1024;
  if (kilobytes < 8192) kilobytes = 8192;
  if (kilobytes > 1048576) kilobytes = 1048576;
  const std::uint32_t entries = static_cast<std::uint32_t>(kilobytes & 0x3FFFFF) * 128;
  std::uint32_t count = 1024;
  while (count * 2 <= entries) count *= 2;
  return count - 4;
}

int parseDecimal(const char* text) {
  const char* p = text;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  std::int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > 2147483648LL) value = 2147483648LL;  // saturate instead of overflowing
  }
  if (negative) value = -value;
  if (value > 2147483647LL) value = 2147483647LL;
  return static_cast<int>(value);
}

void copyPath(char* destination, std::size_t size, const char* source) {
  const std::size_t length = strnlen(source, size - 1);
  std::memcpy(destination, source, length);
  destination[length] = '\0';
}
