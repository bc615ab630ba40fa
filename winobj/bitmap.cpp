#include "winobj/bitmap.h"

#include <cstdlib>
#include <cstring>

#include "winobj/color.h"

namespace {

constexpr int kBitsPerPixel[8] = {16, 1, 4, 8, 16, 16, 24, 32};
constexpr size_t kHeaderSize = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);
constexpr DWORD kRedMask565 = 0xF800;
constexpr DWORD kGreenMask565 = 0x07E0;
constexpr DWORD kBlueMask565 = 0x001F;

bool IsEmpty(const Bitmap* bitmap) { return bitmap->width == 0 || bitmap->height == 0; }

bool Is565(uint8_t pixelFormat) { return pixelFormat == kPixelDevice || pixelFormat == kPixel16; }

int HeaderHeight(const BITMAPINFO* header) {
  return header->bmiHeader.biHeight < 0 ? -header->bmiHeader.biHeight : header->bmiHeader.biHeight;
}

// Releases handle, pixels and header. The pixels die with the DIB section when there is a
// handle; without one they are the bitmap's own buffer.
void ReleasePicture(Bitmap* bitmap) {
  if (bitmap->handle != nullptr) {
    DeleteObject(bitmap->handle);
  } else {
    std::free(bitmap->pixels);
  }
  std::free(bitmap->header);
  bitmap->handle = nullptr;
  bitmap->pixels = nullptr;
  bitmap->header = nullptr;
  bitmap->pixelSize = 0;
}

BITMAPINFO* NewHeader(int width, int height, uint8_t pixelFormat) {
  auto* header = static_cast<BITMAPINFO*>(std::calloc(1, kHeaderSize));
  if (header == nullptr) return nullptr;
  BITMAPINFOHEADER& h = header->bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(BitsPerPixelOf(pixelFormat));
  if (Is565(pixelFormat)) {
    h.biCompression = BI_BITFIELDS;
    DWORD* masks = reinterpret_cast<DWORD*>(header->bmiColors);
    masks[0] = kRedMask565;
    masks[1] = kGreenMask565;
    masks[2] = kBlueMask565;
  }
  return header;
}

int SourceHeight(const Bitmap* bitmap) {
  if (bitmap->pixels != nullptr && bitmap->header != nullptr) return HeaderHeight(bitmap->header);
  BITMAP info{};
  if (bitmap->handle != nullptr && GetObjectA(bitmap->handle, sizeof(info), &info) != 0) {
    return info.bmHeight;
  }
  return bitmap->height;
}

void ToDeviceIndependent(Bitmap* bitmap) {
  const int sourceHeight = SourceHeight(bitmap);
  HDC memoryDC = CreateCompatibleDC(nullptr);
  BITMAPINFO* header = NewHeader(bitmap->width, bitmap->height, bitmap->pixelFormat);
  const uint32_t pixelSize =
      RowSize(BitsPerPixelOf(bitmap->pixelFormat), bitmap->width) * bitmap->height;
  HBITMAP handle = nullptr;
  void* pixels = nullptr;
  if (header != nullptr && Is565(bitmap->pixelFormat)) {
    handle = CreateDIBSection(memoryDC, header, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (handle != nullptr) {
      HGDIOBJ old = SelectObject(memoryDC, handle);
      DrawBitmap(bitmap, memoryDC, 0, 0);
      SelectObject(memoryDC, old);
      GdiFlush();
    }
  } else if (header != nullptr) {
    pixels = std::calloc(1, pixelSize);
    HBITMAP source = BitmapHandle(bitmap);
    const int rows = bitmap->height < sourceHeight ? bitmap->height : sourceHeight;
    // Rows that were not read would leave a black picture in place of the old one.
    if (pixels != nullptr && (source == nullptr || rows <= 0 ||
                              GetDIBits(memoryDC, source, 0, static_cast<UINT>(rows), pixels,
                                        header, DIB_RGB_COLORS) != rows)) {
      std::free(pixels);
      pixels = nullptr;
    }
  }
  DeleteDC(memoryDC);
  if (pixels == nullptr) {
    // Could not make the new form: keep the picture as it is rather than lose it.
    std::free(header);
    return;
  }
  ReleasePicture(bitmap);
  bitmap->header = header;
  bitmap->pixels = pixels;
  bitmap->pixelSize = pixelSize;
  bitmap->handle = handle;
  bitmap->handleKind = kBitmapDIB;
}

void ToDeviceDependent(Bitmap* bitmap) {
  HDC screen = GetDC(nullptr);
  HBITMAP handle = CreateCompatibleBitmap(screen, bitmap->width, bitmap->height);
  ReleaseDC(nullptr, screen);
  if (handle == nullptr) return;

  HDC memoryDC = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memoryDC, handle);
  RECT all{0, 0, bitmap->width, bitmap->height};
  HBRUSH brush = CreateSolidBrush(ColorToRGB(bitmap->backgroundColor));
  FillRect(memoryDC, &all, brush);
  DeleteObject(brush);
  if (bitmap->pixels != nullptr && bitmap->header != nullptr) {
    SelectObject(memoryDC, old);
    SetDIBits(memoryDC, handle, 0, static_cast<UINT>(HeaderHeight(bitmap->header)), bitmap->pixels,
              bitmap->header, DIB_RGB_COLORS);
  } else {
    DrawBitmap(bitmap, memoryDC, 0, 0);
    SelectObject(memoryDC, old);
  }
  DeleteDC(memoryDC);
  ReleasePicture(bitmap);
  bitmap->handle = handle;
  bitmap->handleKind = kBitmapDDB;
}

}  // namespace

uint32_t RowSize(int bitsPerPixel, int width) {
  const uint32_t bits = static_cast<uint32_t>(bitsPerPixel) * static_cast<uint32_t>(width);
  return ((bits + 31) / 8) & ~3u;
}

int BitsPerPixelOf(uint8_t pixelFormat) {
  return pixelFormat < 8 ? kBitsPerPixel[pixelFormat] : kBitsPerPixel[kPixelDevice];
}

void Bitmap::Destroy() {
  ReleasePicture(this);
  Object::Destroy();
}

Bitmap* CreateBitmapObject(int width, int height) {
  Bitmap* bitmap = new Bitmap;
  bitmap->Init();
  bitmap->width = width;
  bitmap->height = height;
  bitmap->handleKind = kBitmapDDB;
  if (width != 0 && height != 0) {
    HDC memoryDC = CreateCompatibleDC(nullptr);
    bitmap->handle = CreateCompatibleBitmap(memoryDC, width, height);
    DeleteDC(memoryDC);
  }
  return bitmap;
}

void LoadResourceBitmap(Bitmap* bitmap, HINSTANCE instance, const char* name) {
  if (bitmap == nullptr) return;
  ReleasePicture(bitmap);
  bitmap->width = 0;
  bitmap->height = 0;
  const UINT flags =
      bitmap->handleKind == kBitmapDDB ? LR_DEFAULTSIZE : LR_DEFAULTSIZE | LR_CREATEDIBSECTION;
  auto* handle = static_cast<HBITMAP>(LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, flags));
  if (handle == nullptr) return;
  BITMAP info{};
  if (GetObjectA(handle, sizeof(info), &info) == 0) {
    DeleteObject(handle);
    return;
  }
  bitmap->width = info.bmWidth;
  bitmap->height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  bitmap->handle = handle;
  bitmap->handleKind = kBitmapDDB;
}

void KeepPixelsOnly(Bitmap* bitmap) {
  if (bitmap == nullptr || bitmap->handle == nullptr || IsEmpty(bitmap)) return;
  if (bitmap->handleKind != kBitmapDIB || bitmap->pixels == nullptr) {
    ToDeviceIndependent(bitmap);
  }
  HBITMAP handle = BitmapHandle(bitmap);
  if (handle == nullptr || bitmap->pixels == nullptr) return;
  void* copy = std::malloc(bitmap->pixelSize);
  if (copy == nullptr) return;
  GdiFlush();
  std::memcpy(copy, bitmap->pixels, bitmap->pixelSize);
  bitmap->handle = nullptr;
  DeleteObject(handle);
  bitmap->pixels = copy;
}

HBITMAP BitmapHandle(Bitmap* bitmap) {
  if (bitmap == nullptr || IsEmpty(bitmap)) return nullptr;
  if (bitmap->handle == nullptr && bitmap->pixels != nullptr && bitmap->header != nullptr) {
    HDC screen = GetDC(nullptr);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(screen, bitmap->header, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (section != nullptr && bits != nullptr) {
      const BITMAPINFOHEADER& h = bitmap->header->bmiHeader;
      const uint32_t room = RowSize(h.biBitCount, h.biWidth) * HeaderHeight(bitmap->header);
      std::memcpy(bits, bitmap->pixels, bitmap->pixelSize < room ? bitmap->pixelSize : room);
      std::free(bitmap->pixels);
      bitmap->pixels = bits;
      bitmap->handle = section;
    }
  }
  return bitmap->handle;
}

void ConvertKind(Bitmap* bitmap, uint8_t kind) {
  if (bitmap == nullptr || IsEmpty(bitmap) || kind == bitmap->handleKind) return;
  if (kind == kBitmapDIB) {
    ToDeviceIndependent(bitmap);
  } else {
    ToDeviceDependent(bitmap);
  }
}

void DrawBitmap(Bitmap* bitmap, HDC dc, int x, int y) {
  if (bitmap == nullptr || IsEmpty(bitmap)) return;
  if (bitmap->handle != nullptr) {
    HDC memoryDC = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memoryDC, bitmap->handle);
    BITMAP info{};
    const int height =
        GetObjectA(bitmap->handle, sizeof(info), &info) != 0 ? info.bmHeight : bitmap->height;
    BitBlt(dc, x, y, bitmap->width, height, memoryDC, 0, 0, SRCCOPY);
    SelectObject(memoryDC, old);
    DeleteDC(memoryDC);
  } else if (bitmap->pixels != nullptr && bitmap->header != nullptr) {
    const int height = HeaderHeight(bitmap->header);
    StretchDIBits(dc, x, y, bitmap->width, height, 0, 0, bitmap->width, height, bitmap->pixels,
                  bitmap->header, DIB_RGB_COLORS, SRCCOPY);
  }
}

namespace {
// A colour as the picture stores it, in memory order: 5-6-5 as a little-endian word, 24 bits as
// blue, green, red.
void StoredPixel(COLORREF c, bool is565, uint8_t (&out)[3]) {
  if (is565) {
    const uint16_t v = static_cast<uint16_t>(((GetRValue(c) >> 3) << 11) |
                                             ((GetGValue(c) >> 2) << 5) | (GetBValue(c) >> 3));
    out[0] = static_cast<uint8_t>(v & 0xFF);
    out[1] = static_cast<uint8_t>(v >> 8);
    out[2] = 0;
  } else {
    out[0] = GetBValue(c);
    out[1] = GetGValue(c);
    out[2] = GetRValue(c);
  }
}
}  // namespace

void ReplacePixelColor(Bitmap* bitmap, COLORREF from, COLORREF to) {
  if (bitmap == nullptr || bitmap->handle != nullptr || bitmap->pixels == nullptr ||
      bitmap->width <= 0 || bitmap->height <= 0) {
    return;
  }
  const bool is565 = Is565(bitmap->pixelFormat);
  if (!is565 && bitmap->pixelFormat != kPixel24) return;
  const int bytesPerPixel = is565 ? 2 : 3;
  const uint32_t rowSize = RowSize(8 * bytesPerPixel, bitmap->width);
  const int rows = bitmap->height;
  if (static_cast<uint64_t>(rowSize) * rows > bitmap->pixelSize) return;
  uint8_t key[3];
  uint8_t replacement[3];
  StoredPixel(from, is565, key);
  StoredPixel(to, is565, replacement);
  auto* bytes = static_cast<uint8_t*>(bitmap->pixels);
  for (int y = 0; y < rows; ++y) {
    uint8_t* pixel = bytes + static_cast<size_t>(y) * rowSize;
    for (int x = 0; x < bitmap->width; ++x, pixel += bytesPerPixel) {
      if (std::memcmp(pixel, key, bytesPerPixel) == 0)
        std::memcpy(pixel, replacement, bytesPerPixel);
    }
  }
}
