#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/input.h"

namespace velt {

namespace {

bool append(InputQueue& queue, const std::string& text) { return appendInput(queue, text.data(), text.size()); }

// Every line the queue hands out until it has none.
std::vector<std::string> drain(InputQueue& queue) {
  std::vector<std::string> lines;
  while (const char* line = takeLine(queue)) lines.emplace_back(line);
  return lines;
}

using InputLines = std::vector<std::string>;

// Text arriving in pieces, then the end of a pipe (a quit is added), the end of a
// file (none is), or nothing: the lines handed out, only a final carriage return dropped.
TEST(InputQueue, SplitsLines) {
  enum End { OPEN, PIPE_END, FILE_END };
  struct Case {
    InputLines chunks;
    End end;
    InputLines lines;
  };
  const Case cases[] = {
      {{"isready\r\nuci\nposition\rstartpos\r\n\n"}, OPEN, {"isready", "uci", "position\rstartpos", ""}},
      {{"go dep", "th 5\r", "\nstop\n"}, OPEN, {"go depth 5", "stop"}},
      {{"uci\nisready\nposition startpos"}, PIPE_END, {"uci", "isready", "position startpos", "quit"}},
      {{"board\n"}, FILE_END, {"board"}},
      {{"quit\r"}, FILE_END, {"quit"}},
  };
  for (const Case& c : cases) {
    InputQueue queue;
    for (const std::string& chunk : c.chunks) append(queue, chunk);
    if (c.end != OPEN) endInput(queue, c.end == PIPE_END);
    EXPECT_EQ(drain(queue), c.lines) << c.chunks[0];
  }
  // An incomplete line waits for its line feed.
  InputQueue queue;
  append(queue, "go dep");
  EXPECT_EQ(takeLine(queue), nullptr);
}

TEST(InputQueue, QuitLineEndsReading) {
  InputQueue queue;
  EXPECT_TRUE(append(queue, "xquit\nquitx\nsetoption name a value quit\n"));
  // Split across two reads, ended by a carriage return.
  EXPECT_TRUE(append(queue, "qu"));
  EXPECT_FALSE(append(queue, "it\r"));
  InputQueue other;
  EXPECT_FALSE(append(other, "stop\nquit\nboard\n"));
}

TEST(InputQueue, UnreadTextAndNewChunksNeverOverrun) {
  // A line far longer than a read chunk, arriving in pieces behind unread lines.
  InputQueue queue;
  append(queue, "first\n");
  const std::string piece(INPUT_CHUNK_SIZE, 'x');
  for (int i = 0; i < 5; ++i) append(queue, piece);
  append(queue, "\nlast\n");
  const InputLines lines = drain(queue);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "first");
  EXPECT_EQ(lines[1], std::string(5 * INPUT_CHUNK_SIZE, 'x'));
  EXPECT_EQ(lines[2], "last");
}

}  // namespace

}  // namespace velt
