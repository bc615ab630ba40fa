// The remote path rules: going down into a folder row, ".." going up, and the listing pattern.
#include "app/remote/remote_pane.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct PathCase {
  const char* before;
  const char* row;
  const char* after;
};

TEST(RemotePathRules, DoubleClickTable) {
  const PathCase cases[] = {
      {"/", "pub", "/pub/"},
      {"/pub/", "incoming", "/pub/incoming/"},
      {"/pub/incoming/", "..", "/pub/"},
      {"/pub/", "..", "/"},
      {"/", "..", ""},
      // From the empty path (the server's login folder) down is relative, and up stays empty.
      {"", "pub", "pub/"},
      {"pub/", "..", ""},
      {"", "..", ""},
      // The caption is used exactly, blanks included.
      {"/", "my dir", "/my dir/"},
      {"/a/b c/d/", "..", "/a/b c/"},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(NavigatedRemotePath(c.before, c.row), c.after) << c.before << " + " << c.row;
  }
}

TEST(RemotePathRules, ListingPatternAppendsTheWildcard) {
  EXPECT_EQ(RemoteListPattern("/pub/"), "/pub/*.*");
  EXPECT_EQ(RemoteListPattern("/"), "/*.*");
  EXPECT_EQ(RemoteListPattern(""), "*.*");
}

}  // namespace
