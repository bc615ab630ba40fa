// The local pane's plain rules: drive letters from the drive mask and the folder a double click
// leads to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/local/local_pane.h"

using Letters = std::vector<std::string>;

TEST(DriveBoxLetters, BitsGiveUpperCaseLettersInDriveOrder) {
  EXPECT_EQ(DriveLetters(0x1 | 0x4 | 0x8), (Letters{"A", "C", "D"}));
  EXPECT_EQ(DriveLetters(0x4), (Letters{"C"}));
  EXPECT_EQ(DriveLetters(0), Letters{});
  EXPECT_EQ(DriveLetters(1u << 25), (Letters{"Z"}));
}

TEST(LocalPanePaths, UpOneLevel) {
  EXPECT_EQ(NavigatedFolderPath("c:\\dir\\sub\\", ".."), "c:\\dir\\");
  EXPECT_EQ(NavigatedFolderPath("c:\\dir\\", ".."), "c:\\");
}

TEST(LocalPanePaths, DownIntoAFolder) {
  EXPECT_EQ(NavigatedFolderPath("c:\\", "New"), "c:\\New\\");
  EXPECT_EQ(NavigatedFolderPath("c:\\dir\\", "a b"), "c:\\dir\\a b\\");
  // Only ".." goes up; a folder named "..." is entered like any other.
  EXPECT_EQ(NavigatedFolderPath("c:\\dir\\", "..."), "c:\\dir\\...\\");
}

TEST(LocalPanePaths, UpFromARootStaysAtTheRoot) {
  // The path must keep ending in "\"; cutting past the drive would leave an empty path, which
  // lists the process's current directory instead.
  EXPECT_EQ(NavigatedFolderPath("c:\\", ".."), "c:\\");
  EXPECT_EQ(ParentFolderPath("D:\\"), "D:\\");
}
