// libFuzzer target of the configuration file (velt.cfg): whatever it holds, every
// option it can set stays inside the range the engine advertises, and every path
// stays a terminated string of its buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "shell/options.h"

using namespace velt;

namespace {

// The tablebase cache sizes the engine takes, in megabytes.
constexpr int MIN_EGTB_CACHE_MB = 32;
constexpr int MAX_EGTB_CACHE_MB = 128;

template <std::size_t N>
void checkTerminated(const char (&path)[N]) {
  if (std::memchr(path, '\0', N) == nullptr) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<Engine> engine = makeFuzzEngine();
  const InputFile file(data, size);
  readConfigFile(*engine, file.path.c_str());
  const EngineOptions& options = engine->options;
  for (const SpinOption& option : spinOptions()) {
    const int value = options.*option.field;
    if (value < option.min || value > option.max) std::abort();
  }
  const std::uint32_t entries = options.ttIndexMask + 4;
  if ((entries & (entries - 1)) != 0 || entries > hashSizeToMask(HASH_MAX_MB) + 4) std::abort();
  if (options.egtbCacheMB < MIN_EGTB_CACHE_MB || options.egtbCacheMB > MAX_EGTB_CACHE_MB) std::abort();
  checkTerminated(options.bookPath);
  checkTerminated(options.egtbPath);
  checkTerminated(options.analysisFilePath);
  return 0;
}
