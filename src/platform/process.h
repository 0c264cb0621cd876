// Running a risky piece of work in a child process, so that a crash or a hang there
// leaves the engine standing. The child tells its parent what it is about to do as it
// goes; when it dies, the parent knows where.
#pragma once

#include <string>
#include <string_view>

namespace velt {

// The child's end of the channel to its parent.
struct ChildNotes {
  int channel;
};

// Tells the parent what the child is about to do; the note must not hold a newline.
void sendNote(ChildNotes notes, std::string_view note);

enum class ChildEnd {
  FINISHED,     // the work returned 0
  FAILED,       // the work returned another code, or the child exited with one
  CRASHED,      // a signal ended the child
  HUNG,         // the child was silent past the limit (or could not be heard) and was killed
  NOT_STARTED,  // no child could be made (or the system makes none)
};

struct ChildReport {
  ChildEnd end = ChildEnd::NOT_STARTED;
  int code = 0;          // the exit code, the signal's number, or the system's error number
  std::string lastNote;  // the last note the child sent, empty when none
};

// The work a child does: its return value is the child's exit code.
using ChildWork = int (*)(void* context, ChildNotes notes);

// Runs `work` in a child process that sees a copy of this one and whose standard
// output and error go nowhere, and waits for it. A child silent for more than
// `silenceLimitMs` (counted from its last note) is killed. Call it only while no other
// thread holds a lock the work needs: the child has only the calling thread.
ChildReport runInChild(ChildWork work, void* context, int silenceLimitMs);

}  // namespace velt
