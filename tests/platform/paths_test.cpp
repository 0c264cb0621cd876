#include "platform/paths.h"

#include <gtest/gtest.h>

namespace velt {

namespace {

using Directories = std::vector<std::string>;

TEST(PathList, WindowsListsKeepDrivesAndBothSeparators) {
  EXPECT_EQ(splitPathList("C:\\tb\\nalimov;D:/tb/5men", PathStyle::WINDOWS),
            (Directories{"C:\\tb\\nalimov", "D:/tb/5men"}));
  EXPECT_EQ(splitPathList("C:\\Program Files\\tb , e:/mixed\\dir/;;  ", PathStyle::WINDOWS),
            (Directories{"C:\\Program Files\\tb", "e:/mixed\\dir/"}));
  EXPECT_EQ(splitPathList("C:", PathStyle::WINDOWS), (Directories{"C:"}));
}

TEST(PathList, PosixListsSplitAtColonsToo) {
  EXPECT_EQ(splitPathList("/a/tb:/b/tb;rel/tb,./x", PathStyle::POSIX), (Directories{"/a/tb", "/b/tb", "rel/tb", "./x"}));
  EXPECT_EQ(splitPathList(" /with space/tb ", PathStyle::POSIX), (Directories{"/with space/tb"}));
  EXPECT_TRUE(splitPathList("", PathStyle::POSIX).empty());
  EXPECT_TRUE(splitPathList(" ; :,", PathStyle::POSIX).empty());
}

TEST(PathJoin, AddsOneSeparatorWhereNeeded) {
  EXPECT_EQ(joinPath("C:\\tb", "KQK.nbw", PathStyle::WINDOWS), "C:\\tb/KQK.nbw");
  EXPECT_EQ(joinPath("C:\\tb\\", "KQK.nbw", PathStyle::WINDOWS), "C:\\tb\\KQK.nbw");
  EXPECT_EQ(joinPath("D:", "KQK.nbw", PathStyle::WINDOWS), "D:KQK.nbw");
  EXPECT_EQ(joinPath("tb/", "KQK.nbw", PathStyle::POSIX), "tb/KQK.nbw");
  // On POSIX a backslash is part of a name, not a separator.
  EXPECT_EQ(joinPath("odd\\", "KQK.nbw", PathStyle::POSIX), "odd\\/KQK.nbw");
  EXPECT_EQ(joinPath("", "KQK.nbw", PathStyle::POSIX), "KQK.nbw");
}

TEST(PathFileName, TakesThePartAfterTheLastSeparator) {
  EXPECT_EQ(fileNamePart("C:\\Engines\\velt7.exe", PathStyle::WINDOWS), "velt7.exe");
  EXPECT_EQ(fileNamePart("C:/Engines\\sub/velt", PathStyle::WINDOWS), "velt");
  EXPECT_EQ(fileNamePart("C:velt2.exe", PathStyle::WINDOWS), "velt2.exe");
  EXPECT_EQ(fileNamePart("/usr/bin/velt", PathStyle::POSIX), "velt");
  EXPECT_EQ(fileNamePart("dir\\velt3", PathStyle::POSIX), "dir\\velt3");
  EXPECT_EQ(fileNamePart("velt", PathStyle::POSIX), "velt");
}

}  // namespace

}  // namespace velt
