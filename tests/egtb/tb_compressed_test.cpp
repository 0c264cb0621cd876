#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "egtb/tb_compress.h"
#include "egtb/tb_index.h"
#include "egtb/tb_probe.h"
#include "shell/tablebases.h"
#include "support/engine_process.h"

namespace velt {

namespace {

constexpr std::size_t TEST_CACHE_BYTES = 64 * TB_CACHE_ENTRY_BYTES;

std::string asText(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Registers the files of `directory` with a small cache. Collects the fault lines the
// shell would print, registration and probes alike.
class Registration {
 public:
  explicit Registration(const std::string& directory) {
    setTablebaseFaultHook(tablebases_, TablebaseFaultHook{&messages_, collectFault});
    largest_ = initTablebases(tablebases_, directory.c_str());
    initTablebaseCache(tablebases_, cache_.get(), TEST_CACHE_BYTES);
  }
  int largest() const { return largest_; }
  bool registered(int classNumber, int side) const { return tablebaseRegistered(tablebases_, classNumber, side); }
  // An entry of the class's white-to-move file.
  int value(int classNumber, std::uint32_t index) const {
    return readTablebaseValue(tablebases_, classNumber, 0, index);
  }
  // The lines so far, each with its newline; cleared by the call.
  std::string takeMessages() { return std::exchange(messages_, std::string()); }

 private:
  static void collectFault(void* context, TablebaseFault fault, const std::string& name, const std::string& detail) {
    *static_cast<std::string*>(context) += tablebaseFaultLine(fault, name, detail) + "\n";
  }
  std::unique_ptr<unsigned char[]> cache_ = std::make_unique<unsigned char[]>(TEST_CACHE_BYTES);
  Tablebases tablebases_;
  int largest_;
  std::string messages_;
};

int classNamed(const char* name) {
  initTablebaseIndex();
  return tablebaseClassByName(name);
}

// Entries of the length of a class's white-to-move file, values that vary.
std::vector<std::uint8_t> entriesFor(int classNumber) {
  std::vector<std::uint8_t> bytes(tablebaseClass(classNumber).positionCount[0]);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i / 64 % 7 == 0 ? i % 253 : 0);
  return bytes;
}

TEST(TbCompressedFiles, RegisterUnderEveryNameForm) {
  const int kpk = classNamed("kpk");
  const std::vector<std::uint8_t> entries = entriesFor(kpk);
  const std::vector<std::uint8_t> file = compressTablebase(entries.data(), entries.size());
  for (const char* name : {"kpk.nbw.emd", "kpk_nbw.emd", "kpknbw.emd"}) {
    SCOPED_TRACE(name);
    TempDirectory directory;
    directory.writeFile(name, asText(file));
    Registration registration(directory.path());
    EXPECT_EQ(registration.largest(), 3) << registration.takeMessages();
    EXPECT_TRUE(registration.registered(kpk, 0));
    EXPECT_FALSE(registration.registered(kpk, 1));
    for (std::uint32_t index : {0u, 64u * 7 + 5, 40000u, static_cast<std::uint32_t>(entries.size() - 1)})
      EXPECT_EQ(registration.value(kpk, index), tablebaseByteValue(static_cast<std::int8_t>(entries[index])));
  }
}

TEST(TbCompressedFiles, DamagedFilesAreReportedAndLeftOut) {
  const int kpk = classNamed("kpk"), krk = classNamed("krk");
  const std::vector<std::uint8_t> entries = entriesFor(kpk), rookEntries = entriesFor(krk);
  const std::vector<std::uint8_t> good = compressTablebase(entries.data(), entries.size());
  struct Case {
    const char* name;
    std::vector<std::uint8_t> file;
    const char* message;
  };
  std::vector<std::uint8_t> badChecksum = good, shortHeader(good.begin(), good.begin() + 70);
  badChecksum[100] ^= 1;
  const Case cases[] = {
      {"checksum", badChecksum, "file broken"},
      {"short header", shortHeader, "read error"},
      {"wrong length", compressTablebase(entries.data(), entries.size() - 1), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDirectory directory;
    const std::string path = directory.path() + "/kpk.nbw.emd";
    directory.writeFile("kpk.nbw.emd", asText(c.file));
    directory.writeFile("krk_nbw.emd", asText(compressTablebase(rookEntries.data(), rookEntries.size())));
    Registration registration(directory.path());
    const std::string expected = c.message ? "*** Unable to read " + path + " - " + c.message + "\n"
                                           : "*** " + path + " corrupted\n";
    EXPECT_EQ(registration.takeMessages(), expected);
    EXPECT_FALSE(registration.registered(kpk, 0));
    EXPECT_TRUE(registration.registered(krk, 0));  // the rest of the set still serves
  }
}

TEST(TbCompressedFiles, UnreadableBlockFailsTheProbeAndDropsTheFile) {
  const int kpk = classNamed("kpk");
  const std::vector<std::uint8_t> entries = entriesFor(kpk);
  std::vector<std::uint8_t> file = compressTablebase(entries.data(), entries.size());
  file.pop_back();  // the last block is cut short
  TempDirectory directory;
  directory.writeFile("kpk.nbw.emd", asText(file));
  Registration registration(directory.path());
  ASSERT_TRUE(registration.registered(kpk, 0));
  EXPECT_EQ(registration.value(kpk, 0), tablebaseByteValue(static_cast<std::int8_t>(entries[0])));
  // Said once, like a file damaged at registration.
  for (int probe = 0; probe < 2; ++probe) {
    EXPECT_EQ(registration.value(kpk, static_cast<std::uint32_t>(entries.size() - 1)), TB_VALUE_UNKNOWN);
  }
  EXPECT_EQ(registration.takeMessages(),
            "*** Unable to read " + directory.path() + "/kpk.nbw.emd - file broken\n");
  EXPECT_FALSE(registration.registered(kpk, 0));
}

}  // namespace

}  // namespace velt
