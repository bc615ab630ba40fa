// Removing a test's temporary folder: everything in it goes, and nothing a symbolic link in it
// points to (Wine's DeleteFileA on a link deletes its target).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/ftp_server.h"
#include "tests/support/temp_files.h"

namespace {

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(RemoveFolderTree, RemovesLinksButNeverWhatTheyPointTo) {
  const std::string outside = MakeUniqueTempFolder("zevoutside");
  const std::string tree = MakeUniqueTempFolder("zevtree");
  ASSERT_FALSE(outside.empty());
  ASSERT_FALSE(tree.empty());
  const std::string o = UnixPathOf(outside);
  const std::string t = UnixPathOf(tree);
  const std::string made = RunShellCommandOutput(
      "mkdir '" + o + "inner' '" + t + "sub' && echo keep >'" + o + "victim.txt' && echo keep >'" +
      o + "inner/kept.txt' && echo gone >'" + t + "sub/own.txt' && ln -s '" + o +
      "victim.txt' '" + t + "file link' && ln -s '" + o + "inner' '" + t +
      "sub/folder link'");
  ASSERT_NE(made.find("exit 0"), std::string::npos) << made;

  RemoveFolderTree(tree);
  EXPECT_FALSE(Exists(tree));
  EXPECT_TRUE(Exists(outside + "victim.txt"));
  EXPECT_TRUE(Exists(outside + "inner\\kept.txt"));
  RemoveFolderTree(outside);
  EXPECT_FALSE(Exists(outside));
}

}  // namespace
