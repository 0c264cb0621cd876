#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "shell/input.h"
#include "support/engine_process.h"

namespace {

bool append(InputQueue& queue, const std::string& text) { return appendInput(queue, text.data(), text.size()); }

// Every line the queue hands out until it has none.
std::vector<std::string> drain(InputQueue& queue) {
  std::vector<std::string> lines;
  while (const char* line = takeLine(queue)) lines.emplace_back(line);
  return lines;
}

using Lines = std::vector<std::string>;

TEST(InputQueue, SplitsLinesAndDropsOnlyTheFinalCarriageReturn) {
  InputQueue queue;
  append(queue, "isready\r\nuci\nposition\rstartpos\r\n\n");
  EXPECT_EQ(drain(queue), (Lines{"isready", "uci", "position\rstartpos", ""}));
}

TEST(InputQueue, IncompleteLineWaitsForItsLineFeed) {
  InputQueue queue;
  append(queue, "go dep");
  EXPECT_EQ(takeLine(queue), nullptr);
  append(queue, "th 5\r");
  EXPECT_EQ(takeLine(queue), nullptr);
  append(queue, "\nstop\n");
  EXPECT_EQ(drain(queue), (Lines{"go depth 5", "stop"}));
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

TEST(InputQueue, EndOfPipeHandsOutReceivedLinesThenQuit) {
  InputQueue queue;
  append(queue, "uci\nisready\nposition startpos");
  endInput(queue, true);
  EXPECT_EQ(drain(queue), (Lines{"uci", "isready", "position startpos", "quit"}));
  EXPECT_TRUE(queue.ended);
}

TEST(InputQueue, EndOfFileAddsNoQuit) {
  InputQueue queue;
  append(queue, "board\n");
  endInput(queue, false);
  EXPECT_EQ(drain(queue), (Lines{"board"}));
  InputQueue carriageReturn;
  append(carriageReturn, "quit\r");
  endInput(carriageReturn, false);
  EXPECT_EQ(drain(carriageReturn), (Lines{"quit"}));
}

TEST(InputQueue, UnreadTextAndNewChunksNeverOverrun) {
  // A line far longer than a read chunk, arriving in pieces behind unread lines.
  InputQueue queue;
  append(queue, "first\n");
  const std::string piece(INPUT_CHUNK_SIZE, 'x');
  for (int i = 0; i < 5; ++i) append(queue, piece);
  append(queue, "\nlast\n");
  const Lines lines = drain(queue);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "first");
  EXPECT_EQ(lines[1], std::string(5 * INPUT_CHUNK_SIZE, 'x'));
  EXPECT_EQ(lines[2], "last");
}

// A numbered command per line, far more than the reader's backlog limit.
std::string numberedLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

TEST(InputReader, PipeIsReadInOrderToItsEndAndThenQuits) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  InputQueue queue;
  std::thread reader(readInputLoop, std::ref(queue), fds[0]);
  const int count = 20000;
  std::thread writer([&] {
    const std::string text = numberedLines(count) + "no line feed";
    // Odd write sizes split lines and carriage-return line-feed pairs across reads.
    for (std::size_t at = 0; at < text.size(); at += 777) {
      const std::size_t size = std::min<std::size_t>(777, text.size() - at);
      ASSERT_EQ(write(fds[1], text.data() + at, size), static_cast<ssize_t>(size));
    }
    close(fds[1]);
  });
  Lines lines;
  while (lines.empty() || lines.back() != "quit") {
    if (const char* line = takeLine(queue)) {
      lines.emplace_back(line);
    } else {
      std::this_thread::yield();
    }
  }
  writer.join();
  reader.join();
  close(fds[0]);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(count + 2));
  for (int i = 0; i < count; ++i) ASSERT_EQ(lines[i], "line " + std::to_string(i));
  EXPECT_EQ(lines[count], "no line feed");
  EXPECT_EQ(takeLine(queue), nullptr);
}

TEST(InputReader, NothingAfterQuitIsRead) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const std::string text = "isready\nquit\nboard\n";
  ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  InputQueue queue;
  // The write end stays open: the reader must stop on the quit line, not on the end.
  readInputLoop(queue, fds[0]);
  const std::string later = "later\n";
  ASSERT_EQ(write(fds[1], later.data(), later.size()), static_cast<ssize_t>(later.size()));
  close(fds[1]);
  close(fds[0]);
  const Lines lines = drain(queue);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "isready");
  EXPECT_EQ(lines[1], "quit");
  for (const std::string& line : lines) EXPECT_NE(line, "later");
}

TEST(InputReader, RegularFileIsReadToItsEnd) {
  TempDirectory directory;
  const int count = 3000;
  const std::string path = directory.writeFile("commands.txt", numberedLines(count) + "final");
  const int fd = open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  InputQueue queue;
  Lines lines;
  while (const char* line = takeLineFromFile(queue, fd)) lines.emplace_back(line);
  close(fd);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(count + 1));
  EXPECT_EQ(lines[0], "line 0");
  EXPECT_EQ(lines[count - 1], "line " + std::to_string(count - 1));
  EXPECT_EQ(lines[count], "final");
  EXPECT_EQ(takeLineFromFile(queue, fd), nullptr);
}

}  // namespace
