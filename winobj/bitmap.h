// Bitmap: a picture held either as a platform bitmap handle (device-dependent bitmap or DIB
// section) or, once its handle is released, as device-independent pixels in memory, with the
// handle made again from those pixels on demand. Also the row size rule of those pixels.
#pragma once

#include <windows.h>

#include <cstdint>

#include "winobj/object.h"

// Handle kinds.
constexpr uint8_t kBitmapDIB = 0;
constexpr uint8_t kBitmapDDB = 1;

// Pixel formats: index into the bits-per-pixel table. The device format is taken as 16-bit
// 5-6-5.
enum : uint8_t {
  kPixelDevice = 0,
  kPixel1 = 1,
  kPixel4 = 2,
  kPixel8 = 3,
  kPixel15 = 4,  // 16 bits, 5-5-5
  kPixel16 = 5,  // 16 bits, 5-6-5, written with BI_BITFIELDS
  kPixel24 = 6,
  kPixel32 = 7,
};

// Bytes in one stored pixel row: rows are padded to a multiple of 4 bytes.
uint32_t RowSize(int bitsPerPixel, int width);
// Bits per pixel of a pixel format (the device format counts as 16).
int BitsPerPixelOf(uint8_t pixelFormat);

// Owns `handle`. `pixels` point into the DIB section while there is a handle and are an owned
// buffer (std::malloc) while there is none.
class Bitmap : public Object {
 public:
  int32_t width = 0;
  int32_t height = 0;
  HBITMAP handle = nullptr;
  uint8_t handleKind = kBitmapDDB;
  uint8_t pixelFormat = kPixelDevice;
  BITMAPINFO* header = nullptr;  // room for 256 colour entries
  void* pixels = nullptr;
  uint32_t pixelSize = 0;
  uint32_t backgroundColor = 0;  // layer colour form

  void Destroy() override;
};

// An empty bitmap of the given size, device-dependent; with both sizes it gets a bitmap
// compatible with a memory device context.
Bitmap* CreateBitmapObject(int width, int height);
// Replaces the picture with the bitmap resource `name`; on failure the bitmap stays empty.
void LoadResourceBitmap(Bitmap* bitmap, HINSTANCE instance, const char* name);
// Keeps the pixels in memory and releases the platform handle.
void KeepPixelsOnly(Bitmap* bitmap);
// The handle, made from the stored pixels (as a DIB section) when there is none.
HBITMAP BitmapHandle(Bitmap* bitmap);
// Converts the picture to kBitmapDIB (in `pixelFormat`) or kBitmapDDB when the kind changes.
void ConvertKind(Bitmap* bitmap, uint8_t kind);
void DrawBitmap(Bitmap* bitmap, HDC dc, int x, int y);
// Replaces every stored pixel of colour `from` by `to` (both RGB) in a 16-bit 5-6-5 or a 24-bit
// picture. Only for a bitmap that keeps its pixels without a handle; anything else is left
// unchanged.
void ReplacePixelColor(Bitmap* bitmap, COLORREF from, COLORREF to);
