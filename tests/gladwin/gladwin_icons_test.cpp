// The icons of gladwin.exe, read from the built program file (in the build folder, the working
// directory of the tests) without running it.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "tests/support/icon_group.h"

namespace {

class ProgramFile {
 public:
  ProgramFile() : module_(LoadLibraryExA("gladwin.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~ProgramFile() {
    if (module_) FreeLibrary(module_);
  }
  ProgramFile(const ProgramFile&) = delete;
  ProgramFile& operator=(const ProgramFile&) = delete;
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

void ExpectSmallAndLarge(const std::vector<IconImage>& images) {
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[0].width, 16);
  EXPECT_EQ(images[1].width, 32);
  for (const IconImage& image : images) {
    EXPECT_EQ(image.height, image.width);
    EXPECT_TRUE(image.decodes) << image.width << " x " << image.height;
  }
}

}  // namespace

// Both icons of the program file exist only in Chinese (Simplified), language 2052.
TEST(GladwinResources, MainIconIsChineseSimplifiedOnly) {
  ProgramFile program;
  ASSERT_NE(program.get(), nullptr);
  ExpectSmallAndLarge(ReadIconGroup(program.get(), "MAINICON", 2052));
  EXPECT_TRUE(ReadIconGroup(program.get(), "MAINICON", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US))
                  .empty());
}

// Icon1 exists only in Chinese (Simplified), language 2052.
TEST(GladwinResources, Icon1IsChineseSimplifiedOnly) {
  ProgramFile program;
  ASSERT_NE(program.get(), nullptr);
  ASSERT_EQ(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), 2052);
  ExpectSmallAndLarge(ReadIconGroup(program.get(), "Icon1", 2052));
  EXPECT_TRUE(
      ReadIconGroup(program.get(), "Icon1", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)).empty());
}
