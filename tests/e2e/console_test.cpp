// The engine's start-up and console words, driven through its standard input.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace velt {

namespace {

const Lines startBoard = {
    "r n b q k b n r", "p p p p p p p p", ". . . . . . . .", ". . . . . . . .",
    ". . . . . . . .", ". . . . . . . .", "P P P P P P P P", "R N B Q K B N R",
};

// Runs the engine on the given input text (a pipe closed after it) and returns its
// whole output; the exit code goes to *exitCode.
Lines runWithInput(const std::string& input, int* exitCode, const EngineLaunch& launch = {}) {
  EngineProcess engine(launch);
  engine.sendRaw(input);
  engine.closeInput();
  Lines lines = engine.readAll();
  *exitCode = engine.waitForExit();
  return lines;
}

// The output after the three banner lines.
Lines afterBanner(const Lines& lines) {
  EXPECT_GE(lines.size(), 3u);
  if (lines.size() < 3) return {};
  EXPECT_EQ(lines[0], "Velt 4.6");
  EXPECT_FALSE(lines[1].empty());
  EXPECT_EQ(lines[2], "");
  return Lines(lines.begin() + 3, lines.end());
}

// Input and command-line arguments against the whole output after the banner; the
// engine always ends with exit code 0.
TEST(Console, WordsAndArguments) {
  const std::string refused = "Enter the protocol first (xboard or uci)";
  const std::string start = "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2";
  struct Case {
    Lines arguments;
    std::string input;
    Lines output;
  };
  const Case cases[] = {
      {{}, "board\nquit\n", startBoard},
      {{"/XBoard"}, "board\nquit\n", startBoard},
      {{}, "go\nGO\n\n   \nquit\nboard\n", {refused, refused}},
      {{},
       "fen 8/8/8/4k3/8/8/4P3/4K3 b - -\nfen\nboard\nfen 8/8/9/8 w - -\nfen\nFEN   " + start + "\nfen\nquit\n",
       {"8/8/8/4k3/8/8/4P3/4K3 b - - 0 1", ". . . . . . . .", ". . . . . . . .", ". . . . . . . .",
        ". . . . k . . .", ". . . . . . . .", ". . . . . . . .", ". . . . P . . .", ". . . . K . . .",
        "Illegal position: 8/8/9/8 w - -", "8/8/8/4k3/8/8/4P3/4K3 b - - 0 1",
        "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 1"}},
      // Chess960 start positions by number; a bad number changes nothing.
      {{},
       "fen 960 0\nfen\nfen 960 959\nfen\nfen 960 960\nfen 960 x\nfen\nfen 960 518\nfen\nquit\n",
       {"bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w KQkq - 0 1",
        "rkrnnqbb/pppppppp/8/8/8/8/PPPPPPPP/RKRNNQBB w KQkq - 0 1", "Illegal start position number (0 to 959): 960",
        "Illegal start position number (0 to 959): x", "rkrnnqbb/pppppppp/8/8/8/8/PPPPPPPP/RKRNNQBB w KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"}},
      {{"/CB"}, "board\n", {"Please specify path to the PGN file"}},
      {{"/AI"}, "board\n", {"Please specify path to the analysis file"}},
      {{"/foo"}, "board\n", {"Invalid option!"}},
      {{"xboard"}, "board\n", {"Invalid option!"}},
  };
  for (const Case& c : cases) {
    EngineLaunch launch;
    launch.arguments = c.arguments;
    int exitCode;
    EXPECT_EQ(afterBanner(runWithInput(c.input, &exitCode, launch)), c.output) << c.input;
    EXPECT_EQ(exitCode, 0);
  }
}

TEST(Console, EndOfInputWithoutQuitEndsTheEngine) {
  int exitCode;
  // The last line lacks its line feed; at the end of input it still counts.
  Lines lines = runWithInput("uci\nboard", &exitCode);
  EXPECT_EQ(exitCode, 0);
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(Lines(lines.end() - 8, lines.end()), startBoard);
}

TEST(Console, LongCommandFileIsProcessedToItsLastLine) {
  // Several thousand lines (far beyond one read) given as a regular file, alternating
  // set-ups and queries; the file ends without quit.
  std::string commands;
  const int positions = 2500;
  for (int i = 0; i < positions; ++i) {
    const int file = i % 8, rank = 2 + (i / 8) % 4;
    std::string row = (file > 0 ? std::to_string(file) : "") + "P" + (file < 7 ? std::to_string(7 - file) : "");
    std::string fen = "4k3/";
    for (int r = 7; r >= 2; --r) fen += (r == rank ? row : "8") + "/";
    fen += "4K3 w - -";
    commands += "fen " + fen + "\nfen\n";
  }
  commands += "fen 7k/8/8/8/8/8/8/K7 b - -\nfen\n";
  TempDirectory directory;
  EngineLaunch launch;
  launch.stdinFile = directory.writeFile("commands.txt", commands);
  EngineProcess engine(launch);
  const Lines lines = engine.readAll();
  EXPECT_EQ(engine.waitForExit(), 0);
  ASSERT_EQ(lines.size(), 3u + positions + 1);
  EXPECT_EQ(lines.back(), "7k/8/8/8/8/8/8/K7 b - - 0 1");
}

TEST(Console, CommandFileEndingDuringAnAnalysisEndsTheEngine) {
  TempDirectory directory;
  EngineLaunch launch;
  launch.stdinFile = directory.writeFile("commands.txt", "uci\nposition startpos\ngo infinite\n");
  EngineProcess engine(launch);
  const Lines lines = engine.readAll(20000);
  EXPECT_EQ(engine.waitForExit(), 0);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("bestmove ", 0), 0u) << lines.back();
}

TEST(CommandLine, NameDigitComesFromTheProgramName) {
  TempDirectory directory;
  // The digit after "velt" in the program's name joins the version.
  EngineLaunch launch;
  const std::string copy = directory.path() + "/velt7" + std::filesystem::path(launch.binary).extension().string();
  std::filesystem::copy_file(launch.binary, copy);
  std::filesystem::permissions(copy, std::filesystem::perms::owner_all);
  launch.binary = copy;
  EngineProcess engine(launch);
  EXPECT_EQ(engine.readLine(), "Velt 4.6.7");
  engine.send("quit");
  EXPECT_EQ(engine.waitForExit(), 0);
}

}  // namespace

}  // namespace velt
