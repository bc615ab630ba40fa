// Bitmaps: row sizes, pixels kept in memory and made into a handle again, conversions between
// device-dependent and device-independent forms that keep the picture, empty bitmaps, and the
// toolbar strip resource in the device's 16-bit 5-6-5 form.
#include "winobj/bitmap.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/support/pixels.h"

namespace {

// Colours that 5-6-5 holds exactly, and their 16-bit values.
const COLORREF kColumns[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255),
                             RGB(0, 0, 0)};
const uint16_t kColumns565[] = {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0000};
constexpr int kWidth = 10;
constexpr int kHeight = 4;

COLORREF ColumnColor(int x) { return kColumns[x % 5]; }

// A screen-compatible bitmap whose column x has ColumnColor(x), set as the bitmap's picture
// the way LoadResourceBitmap leaves it.
Bitmap* ColumnsBitmap() {
  HDC screen = GetDC(nullptr);
  HBITMAP ddb = CreateCompatibleBitmap(screen, kWidth, kHeight);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, ddb);
  for (int x = 0; x < kWidth; ++x) {
    HBRUSH brush = CreateSolidBrush(ColumnColor(x));
    RECT r{x, 0, x + 1, kHeight};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  Bitmap* bitmap = CreateBitmapObject(0, 0);
  bitmap->width = kWidth;
  bitmap->height = kHeight;
  bitmap->handle = ddb;
  bitmap->handleKind = kBitmapDDB;
  return bitmap;
}

// The picture of a bitmap handle as top-down 0x00RRGGBB values.
std::vector<uint32_t> ReadPixels(HBITMAP handle, int width, int height) {
  BITMAPINFO info = TopDown32(width, height);
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0xDEADBEEF);
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, handle, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(rows, height);
  return pixels;
}

uint16_t To565(uint32_t rgb) {
  const uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// Stored 16-bit pixel (x, y counted from the top) of a bottom-up 5-6-5 buffer.
uint16_t Pixel565(const void* pixels, int width, int height, int x, int y) {
  const uint8_t* row = static_cast<const uint8_t*>(pixels) + RowSize(16, width) * (height - 1 - y);
  uint16_t value;
  std::memcpy(&value, row + 2 * x, 2);
  return value;
}

void ExpectColumns565(const void* pixels) {
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      EXPECT_EQ(Pixel565(pixels, kWidth, kHeight, x, y), kColumns565[x % 5]) << x << "," << y;
    }
  }
}

void ExpectDibSection565(HBITMAP handle, int width, int height) {
  DIBSECTION section{};
  ASSERT_EQ(GetObjectA(handle, sizeof(section), &section), static_cast<int>(sizeof(section)));
  EXPECT_EQ(section.dsBm.bmWidth, width);
  EXPECT_EQ(section.dsBm.bmHeight, height);
  EXPECT_EQ(section.dsBmih.biBitCount, 16);
  EXPECT_EQ(section.dsBmih.biCompression, static_cast<DWORD>(BI_BITFIELDS));
  EXPECT_EQ(section.dsBitfields[0], 0xF800u);
  EXPECT_EQ(section.dsBitfields[1], 0x07E0u);
  EXPECT_EQ(section.dsBitfields[2], 0x001Fu);
}

TEST(BitmapRows, RowSizeAndBitsPerPixel) {
  EXPECT_EQ(RowSize(16, 304), 608u);
  EXPECT_EQ(RowSize(24, 3), 12u);
  EXPECT_EQ(RowSize(4, 19), 12u);  // 9.5 bytes padded to 12
  EXPECT_EQ(RowSize(1, 1), 4u);
  EXPECT_EQ(RowSize(1, 32), 4u);
  EXPECT_EQ(RowSize(1, 33), 8u);
  EXPECT_EQ(RowSize(32, 5), 20u);
  EXPECT_EQ(RowSize(8, 0), 0u);
  const int expected[] = {16, 1, 4, 8, 16, 16, 24, 32};
  for (uint8_t f = 0; f < 8; ++f) EXPECT_EQ(BitsPerPixelOf(f), expected[f]) << int(f);
}

TEST(BitmapPixels, KeepPixelsOnlyThenHandleGivesTheSamePixels) {
  Bitmap* bitmap = ColumnsBitmap();
  KeepPixelsOnly(bitmap);
  EXPECT_EQ(bitmap->handle, nullptr);
  EXPECT_EQ(bitmap->handleKind, kBitmapDIB);
  ASSERT_NE(bitmap->pixels, nullptr);
  ASSERT_NE(bitmap->header, nullptr);
  EXPECT_EQ(bitmap->pixelSize, RowSize(16, kWidth) * kHeight);
  EXPECT_EQ(bitmap->header->bmiHeader.biCompression, static_cast<DWORD>(BI_BITFIELDS));
  ExpectColumns565(bitmap->pixels);
  const std::vector<uint8_t> kept(static_cast<uint8_t*>(bitmap->pixels),
                                  static_cast<uint8_t*>(bitmap->pixels) + bitmap->pixelSize);

  HBITMAP handle = BitmapHandle(bitmap);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(BitmapHandle(bitmap), handle);  // made once
  ExpectDibSection565(handle, kWidth, kHeight);
  DIBSECTION section{};
  GetObjectA(handle, sizeof(section), &section);
  EXPECT_EQ(section.dsBm.bmBits, bitmap->pixels);  // the pixels now live in the section
  EXPECT_EQ(std::memcmp(section.dsBm.bmBits, kept.data(), kept.size()), 0);

  // And once more: the round trip is stable.
  KeepPixelsOnly(bitmap);
  EXPECT_EQ(bitmap->handle, nullptr);
  EXPECT_EQ(std::memcmp(bitmap->pixels, kept.data(), kept.size()), 0);
  Free(bitmap);
}

TEST(BitmapPixels, ConvertKindBothWaysKeepsThePicture) {
  Bitmap* bitmap = ColumnsBitmap();
  KeepPixelsOnly(bitmap);
  const std::vector<uint8_t> kept(static_cast<uint8_t*>(bitmap->pixels),
                                  static_cast<uint8_t*>(bitmap->pixels) + bitmap->pixelSize);

  ConvertKind(bitmap, kBitmapDDB);
  EXPECT_EQ(bitmap->handleKind, kBitmapDDB);
  ASSERT_NE(bitmap->handle, nullptr);
  EXPECT_EQ(bitmap->pixels, nullptr);
  EXPECT_EQ(bitmap->header, nullptr);
  DIBSECTION section{};
  // A device-dependent bitmap reports only a BITMAP.
  EXPECT_EQ(GetObjectA(bitmap->handle, sizeof(section), &section),
            static_cast<int>(sizeof(BITMAP)));
  const std::vector<uint32_t> read = ReadPixels(bitmap->handle, kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      EXPECT_EQ(To565(read[y * kWidth + x]), kColumns565[x % 5]) << x << "," << y;
    }
  }

  ConvertKind(bitmap, kBitmapDDB);  // same kind: nothing to do
  EXPECT_EQ(bitmap->handleKind, kBitmapDDB);

  ConvertKind(bitmap, kBitmapDIB);
  EXPECT_EQ(bitmap->handleKind, kBitmapDIB);
  ASSERT_NE(bitmap->pixels, nullptr);
  ASSERT_EQ(bitmap->pixelSize, kept.size());
  EXPECT_EQ(std::memcmp(bitmap->pixels, kept.data(), kept.size()), 0);
  Free(bitmap);
}

TEST(BitmapPixels, OtherPixelFormatsKeepPixelsWithoutHandle) {
  Bitmap* bitmap = ColumnsBitmap();
  bitmap->pixelFormat = kPixel24;
  ConvertKind(bitmap, kBitmapDIB);
  EXPECT_EQ(bitmap->handle, nullptr);
  ASSERT_NE(bitmap->pixels, nullptr);
  EXPECT_EQ(bitmap->header->bmiHeader.biBitCount, 24);
  EXPECT_EQ(bitmap->header->bmiHeader.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_EQ(bitmap->pixelSize, RowSize(24, kWidth) * kHeight);
  // Bottom-up rows of blue, green, red bytes.
  const uint8_t* p = static_cast<const uint8_t*>(bitmap->pixels);
  for (int x = 0; x < kWidth; ++x) {
    const COLORREF c = ColumnColor(x);
    EXPECT_EQ(p[3 * x + 0], GetBValue(c)) << x;
    EXPECT_EQ(p[3 * x + 1], GetGValue(c)) << x;
    EXPECT_EQ(p[3 * x + 2], GetRValue(c)) << x;
  }

  // Drawn from the pixels alone, then from a handle made of them.
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP target = CreateCompatibleBitmap(screen, kWidth + 4, kHeight + 4);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, target);
  DrawBitmap(bitmap, dc, 2, 3);
  for (int x = 0; x < kWidth; ++x) EXPECT_EQ(GetPixel(dc, 2 + x, 3 + kHeight - 1), ColumnColor(x));
  ASSERT_NE(BitmapHandle(bitmap), nullptr);
  PatBlt(dc, 0, 0, kWidth + 4, kHeight + 4, BLACKNESS);
  DrawBitmap(bitmap, dc, 1, 1);
  for (int x = 0; x < kWidth; ++x) EXPECT_EQ(GetPixel(dc, 1 + x, 1), ColumnColor(x));
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(target);
  Free(bitmap);
}

// Pixels that cannot be read leave the bitmap as it was instead of a black picture. Here the
// handle no longer names a bitmap, so GetDIBits reads no row.
TEST(BitmapPixels, ConversionThatCannotReadThePixelsKeepsTheOldPicture) {
  for (const uint8_t format : {kPixel24, kPixel8, kPixel32}) {
    SCOPED_TRACE(static_cast<int>(format));
    Bitmap* bitmap = ColumnsBitmap();
    const HBITMAP unreadable = bitmap->handle;
    ASSERT_TRUE(DeleteObject(unreadable));
    bitmap->pixelFormat = format;
    ConvertKind(bitmap, kBitmapDIB);
    EXPECT_EQ(bitmap->handleKind, kBitmapDDB);
    EXPECT_EQ(bitmap->handle, unreadable);
    EXPECT_EQ(bitmap->pixels, nullptr);
    EXPECT_EQ(bitmap->header, nullptr);
    EXPECT_EQ(bitmap->width, kWidth);
    EXPECT_EQ(bitmap->height, kHeight);
    bitmap->handle = nullptr;  // already gone
    Free(bitmap);
  }
}

TEST(BitmapPixels, EmptyBitmapsStayEmpty) {
  Bitmap* bitmap = CreateBitmapObject(0, 0);
  EXPECT_EQ(bitmap->handle, nullptr);
  EXPECT_EQ(BitmapHandle(bitmap), nullptr);
  KeepPixelsOnly(bitmap);
  ConvertKind(bitmap, kBitmapDIB);
  EXPECT_EQ(bitmap->handleKind, kBitmapDDB);
  EXPECT_EQ(bitmap->pixels, nullptr);
  Free(bitmap);

  // A resource that cannot be loaded clears what the bitmap had.
  bitmap = ColumnsBitmap();
  LoadResourceBitmap(bitmap, GetModuleHandleA(nullptr), "NO_SUCH_BITMAP");
  EXPECT_EQ(bitmap->width, 0);
  EXPECT_EQ(bitmap->height, 0);
  EXPECT_EQ(bitmap->handle, nullptr);
  EXPECT_EQ(BitmapHandle(bitmap), nullptr);
  Free(bitmap);

  // A sized bitmap starts with a handle; a size of 0 on one side leaves it empty.
  bitmap = CreateBitmapObject(304, 16);
  EXPECT_NE(bitmap->handle, nullptr);
  Free(bitmap);
  bitmap = CreateBitmapObject(304, 0);
  EXPECT_EQ(bitmap->handle, nullptr);
  Free(bitmap);
}

TEST(BitmapResource, ToolbarStripBecomesA565Section) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  ASSERT_NE(FindResourceA(instance, "TOOLBARBMP", MAKEINTRESOURCEA(2)), nullptr)
      << "the test program carries the ZevFtp resources";
  Bitmap* bitmap = CreateBitmapObject(304, 16);
  LoadResourceBitmap(bitmap, instance, "TOOLBARBMP");
  ASSERT_NE(bitmap->handle, nullptr);
  EXPECT_EQ(bitmap->width, 304);
  EXPECT_EQ(bitmap->height, 16);
  EXPECT_EQ(bitmap->handleKind, kBitmapDDB);
  const std::vector<uint32_t> original = ReadPixels(bitmap->handle, 304, 16);

  KeepPixelsOnly(bitmap);
  EXPECT_EQ(bitmap->handle, nullptr);
  EXPECT_EQ(bitmap->pixelSize, 608u * 16u);
  HBITMAP handle = BitmapHandle(bitmap);
  ASSERT_NE(handle, nullptr);
  ExpectDibSection565(handle, 304, 16);
  // Every pixel of the strip is its original colour cut down to 5-6-5.
  int wrong = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 304; ++x) {
      if (Pixel565(bitmap->pixels, 304, 16, x, y) != To565(original[y * 304 + x])) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
  Free(bitmap);
}

TEST(BitmapResource, StripBackgroundTakesAnotherColourAndNothingElseChanges) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  Bitmap* bitmap = CreateBitmapObject(304, 16);
  LoadResourceBitmap(bitmap, instance, "TOOLBARBMP");
  ASSERT_NE(bitmap->handle, nullptr);
  KeepPixelsOnly(bitmap);
  std::vector<uint8_t> before(static_cast<uint8_t*>(bitmap->pixels),
                              static_cast<uint8_t*>(bitmap->pixels) + bitmap->pixelSize);
  const COLORREF grey = RGB(192, 192, 192);
  const COLORREF face = RGB(240, 240, 240);
  ReplacePixelColor(bitmap, grey, face);
  int replaced = 0, wrong = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 304; ++x) {
      const uint16_t old = Pixel565(before.data(), 304, 16, x, y);
      const uint16_t now = Pixel565(bitmap->pixels, 304, 16, x, y);
      if (old == To565(grey)) {
        ++replaced;
        if (now != To565(face)) ++wrong;
      } else if (now != old) {
        ++wrong;
      }
    }
  }
  EXPECT_GT(replaced, 0);
  EXPECT_EQ(wrong, 0);
  // With a handle the pixels belong to the section: nothing is touched.
  ASSERT_NE(BitmapHandle(bitmap), nullptr);
  std::vector<uint8_t> withHandle(static_cast<uint8_t*>(bitmap->pixels),
                                  static_cast<uint8_t*>(bitmap->pixels) + bitmap->pixelSize);
  ReplacePixelColor(bitmap, face, grey);
  EXPECT_EQ(0, std::memcmp(withHandle.data(), bitmap->pixels, withHandle.size()));
  Free(bitmap);
}

}  // namespace
