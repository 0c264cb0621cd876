#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

namespace velt {

namespace {

// Short enough for the suite, long enough for a child that only sends notes.
constexpr int SILENCE_LIMIT_MS = 2000;
constexpr int SHORT_SILENCE_MS = 100;

int noteAndReturn(void* code, ChildNotes notes) {
  sendNote(notes, "first");
  sendNote(notes, "last");
  return *static_cast<int*>(code);
}

int noteAndAbort(void*, ChildNotes notes) {
  sendNote(notes, "about to abort");
  std::abort();
}

int noteAndSleep(void*, ChildNotes notes) {
  sendNote(notes, "about to sleep");
  std::this_thread::sleep_for(std::chrono::hours(1));
  return 0;
}

TEST(ChildProcess, TellsHowTheChildEndedAndItsLastNote) {
  int code = 0;
  ChildReport report = runInChild(noteAndReturn, &code, SILENCE_LIMIT_MS);
  EXPECT_EQ(report.end, ChildEnd::FINISHED);
  EXPECT_EQ(report.lastNote, "last");
  code = 3;
  report = runInChild(noteAndReturn, &code, SILENCE_LIMIT_MS);
  EXPECT_EQ(report.end, ChildEnd::FAILED);
  EXPECT_EQ(report.code, 3);
  report = runInChild(noteAndAbort, nullptr, SILENCE_LIMIT_MS);
  EXPECT_EQ(report.end, ChildEnd::CRASHED);
  EXPECT_EQ(report.code, SIGABRT);
  EXPECT_EQ(report.lastNote, "about to abort");
}

TEST(ChildProcess, KillsAChildSilentPastTheLimit) {
  const ChildReport report = runInChild(noteAndSleep, nullptr, SHORT_SILENCE_MS);
  EXPECT_EQ(report.end, ChildEnd::HUNG);
  EXPECT_EQ(report.lastNote, "about to sleep");
}

}  // namespace

}  // namespace velt
