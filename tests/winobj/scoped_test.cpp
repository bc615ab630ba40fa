// The scoped guards: each runs, puts back, releases or closes what it holds when its scope
// ends, whether the scope is left normally or by an exception.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>

#include "tests/support/temp_files.h"
#include "winobj/object.h"
#include "winobj/scoped.h"
#include "winobj/text.h"

namespace {

TEST(ScopedGuards, StepsRunAndValuesComeBackHoweverTheScopeIsLeft) {
  for (const bool byException : {false, true}) {
    SCOPED_TRACE(byException ? "left by an exception" : "left normally");
    int steps = 0;
    int value = 1;
    try {
      AtScopeEnd count([&] { ++steps; });
      AutoReset<int> outer(value, 2);
      {
        AutoReset<int> inner(value, 3);
        EXPECT_EQ(value, 3);
      }
      EXPECT_EQ(value, 2);
      EXPECT_EQ(steps, 0);
      if (byException) throw std::runtime_error("leave");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(value, 1);
  }
}

TEST(ScopedGuards, AStepThatThrowsIsDroppedAndTheOthersStillRun) {
  bool laterRan = false;
  {
    AtScopeEnd later([&] { laterRan = true; });  // guards end in reverse order: this one last
    AtScopeEnd failing([] { throw std::runtime_error("step"); });
  }
  EXPECT_TRUE(laterRan);
}

class Probe : public Object {
 public:
  explicit Probe(int* destroyed) : destroyed_(destroyed) {}
  ~Probe() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

TEST(ScopedGuards, AnObjectFreedWhileHeldGoesWhenTheScopeEnds) {
  int destroyed = 0;
  Probe* freed = new Probe(&destroyed);
  {
    HeldReference hold(freed);
    Free(freed);
    EXPECT_EQ(destroyed, 0);
  }
  EXPECT_EQ(destroyed, 1);
  Probe* kept = new Probe(&destroyed);
  { HeldReference hold(kept); }
  EXPECT_EQ(destroyed, 1);  // nobody freed it
  Free(kept);
  EXPECT_EQ(destroyed, 2);
}

TEST(ScopedGuards, AFileIsClosedWhenTheScopeEndsOrWhenAsked) {
  const std::string folder = MakeUniqueTempFolder("scoped");
  ASSERT_FALSE(folder.empty());
  const std::string name = folder + "held.txt";
  // The write mode shares nothing: a second open fails while the first handle is open.
  auto canOpen = [&] { return FileHandle(OpenFileHandle(name, kFileModeRead)).valid(); };
  {
    FileHandle file(OpenFileHandle(name, kFileModeWrite));
    ASSERT_TRUE(file.valid());
    EXPECT_FALSE(canOpen());
  }
  EXPECT_TRUE(canOpen());
  {
    FileHandle file(OpenFileHandle(name, kFileModeWrite));
    EXPECT_TRUE(file.Close());
    EXPECT_TRUE(canOpen());
    EXPECT_TRUE(file.Close());  // nothing left to close
  }
  FileHandle none(OpenFileHandle(folder + "missing\\none.txt", kFileModeRead));
  EXPECT_FALSE(none.valid());
  EXPECT_TRUE(none.Close());
  RemoveFolderTree(folder);
}

}  // namespace
