// The pictures of ZevFtp as the program loads them from its own module (every test program
// links the same resource script): the toolbar strip, the folder picture and the main icon.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "tests/support/icon_group.h"
#include "tests/support/pixels.h"

namespace {

constexpr int kStripWidth = 304;
constexpr int kImageSide = 16;
constexpr int kToolbarImages = 19;
constexpr int kFirstBlankImage = 12;
constexpr int kLastBlankImage = 15;
// Fewer drawn pixels than this in a cell means the strip is shifted or an image went missing.
constexpr int kLeastDrawnPixels = 20;
// 32-bit DIB pixels read as 0x00RRGGBB.
constexpr DWORD kButtonFacePixel = 0x00C0C0C0;
constexpr DWORD kYellowPixel = 0x00FFFF00;
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kWindowBehind = RGB(10, 20, 30);
constexpr DWORD kWindowBehindPixel = 0x000A141E;

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

// The bitmap's pixels, top row first; empty when GetDIBits fails.
std::vector<DWORD> ReadPixels(HBITMAP bitmap, int width, int height) {
  BITMAPINFO info = TopDown32(width, height);
  std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != height) pixels.clear();
  return pixels;
}

HBITMAP LoadStrip() {
  return static_cast<HBITMAP>(
      LoadImageA(Instance(), "TOOLBARBMP", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

}  // namespace

TEST(Resources, ToolbarStripIs304By16At4BitsPerPixel) {
  HBITMAP strip = LoadStrip();
  ASSERT_NE(strip, nullptr);
  DIBSECTION section{};
  ASSERT_EQ(GetObjectA(strip, sizeof section, &section), static_cast<int>(sizeof section));
  EXPECT_EQ(section.dsBm.bmWidth, kStripWidth);
  EXPECT_EQ(section.dsBm.bmHeight, kImageSide);
  EXPECT_EQ(section.dsBm.bmBitsPixel, 4);
  DeleteObject(strip);
}

TEST(Resources, ToolbarStripMakesNineteenImagesOf16) {
  HIMAGELIST images =
      ImageList_LoadImageA(Instance(), "TOOLBARBMP", kImageSide, 1, CLR_NONE, IMAGE_BITMAP, 0);
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(images), kToolbarImages);
  int width = 0, height = 0;
  ASSERT_TRUE(ImageList_GetIconSize(images, &width, &height));
  EXPECT_EQ(width, kImageSide);
  EXPECT_EQ(height, kImageSide);
  ImageList_Destroy(images);
}

// Buttons find their picture by position: only the four unused images may be empty, and a
// strip drawn one cell off would put pixels into them.
TEST(Resources, EveryToolbarImageIsDrawnExceptTheFourBlanks) {
  HBITMAP strip = LoadStrip();
  ASSERT_NE(strip, nullptr);
  const std::vector<DWORD> pixels = ReadPixels(strip, kStripWidth, kImageSide);
  DeleteObject(strip);
  ASSERT_FALSE(pixels.empty());
  for (int image = 0; image < kToolbarImages; ++image) {
    int drawn = 0;
    for (int y = 0; y < kImageSide; ++y)
      for (int x = 0; x < kImageSide; ++x)
        if (pixels[y * kStripWidth + image * kImageSide + x] != kButtonFacePixel) ++drawn;
    if (image >= kFirstBlankImage && image <= kLastBlankImage)
      EXPECT_EQ(drawn, 0) << "image " << image << " should be blank";
    else
      EXPECT_GE(drawn, kLeastDrawnPixels) << "image " << image << " is (nearly) blank";
  }
}

// The panes load the folder as the program does (width 0: square images of the bitmap's
// height) with magenta as the transparent colour; what shows through must be exactly the
// background, not a magenta box.
TEST(Resources, FolderPictureIsOneImageWithMagentaTransparent) {
  HIMAGELIST images =
      ImageList_LoadImageA(Instance(), "FOLDERCLOSED", 0, 1, kMagenta, IMAGE_BITMAP, 0);
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(images), 1);
  int width = 0, height = 0;
  ASSERT_TRUE(ImageList_GetIconSize(images, &width, &height));
  EXPECT_EQ(width, kImageSide);
  EXPECT_EQ(height, kImageSide);

  BITMAPINFO info = TopDown32(kImageSide, kImageSide);
  void* bits = nullptr;
  HBITMAP canvas = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(canvas, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, canvas);
  HBRUSH behind = CreateSolidBrush(kWindowBehind);
  RECT all = {0, 0, kImageSide, kImageSide};
  FillRect(dc, &all, behind);
  EXPECT_TRUE(ImageList_Draw(images, 0, dc, 0, 0, ILD_TRANSPARENT));
  GdiFlush();
  const DWORD* pixels = static_cast<const DWORD*>(bits);
  EXPECT_EQ(pixels[0] & 0x00FFFFFF, kWindowBehindPixel) << "top-left corner is not transparent";
  EXPECT_EQ(pixels[kImageSide * kImageSide - 1] & 0x00FFFFFF, kWindowBehindPixel);
  int yellow = 0;
  for (int i = 0; i < kImageSide * kImageSide; ++i)
    if ((pixels[i] & 0x00FFFFFF) == kYellowPixel) ++yellow;
  EXPECT_GE(yellow, kLeastDrawnPixels) << "the folder itself did not show";
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(behind);
  DeleteObject(canvas);
  ImageList_Destroy(images);
}

TEST(Resources, MainIconHasSmallAndLargeImages) {
  EXPECT_NE(LoadIconA(Instance(), "MAINICON"), nullptr);
  const std::vector<IconImage> images =
      ReadIconGroup(Instance(), "MAINICON", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[0].width, 16);
  EXPECT_EQ(images[1].width, 32);
  for (const IconImage& image : images) {
    EXPECT_EQ(image.height, image.width);
    EXPECT_TRUE(image.decodes) << image.width << " x " << image.height;
  }
}
