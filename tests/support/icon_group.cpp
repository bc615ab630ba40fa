#include "tests/support/icon_group.h"

#include <cstring>

namespace {

// The group directory is packed to 2 bytes: a 6-byte header, then 14 bytes per image.
constexpr size_t kGroupHeaderSize = 6;
constexpr size_t kGroupEntrySize = 14;
constexpr DWORD kIconFormatVersion = 0x00030000;

WORD ReadWord(const BYTE* p) {
  WORD value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

const BYTE* LockedResource(HMODULE module, HRSRC found, DWORD* size) {
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  *size = found ? SizeofResource(module, found) : 0;
  return loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
}

}  // namespace

std::vector<IconImage> ReadIconGroup(HMODULE module, const char* name, WORD language) {
  std::vector<IconImage> images;
  DWORD size = 0;
  const BYTE* group =
      LockedResource(module, FindResourceExA(module, RT_GROUP_ICON, name, language), &size);
  if (!group || size < kGroupHeaderSize) return images;
  const WORD count = ReadWord(group + 4);
  if (size < kGroupHeaderSize + count * kGroupEntrySize) return images;
  for (WORD i = 0; i < count; ++i) {
    const BYTE* entry = group + kGroupHeaderSize + i * kGroupEntrySize;
    IconImage image;
    image.width = entry[0] ? entry[0] : 256;
    image.height = entry[1] ? entry[1] : 256;
    image.bitCount = ReadWord(entry + 6);
    const WORD id = ReadWord(entry + 12);
    DWORD bitsSize = 0;
    const BYTE* bits = LockedResource(
        module, FindResourceExA(module, RT_ICON, MAKEINTRESOURCEA(id), language), &bitsSize);
    if (bits) {
      HICON icon =
          CreateIconFromResourceEx(const_cast<BYTE*>(bits), bitsSize, TRUE, kIconFormatVersion,
                                   image.width, image.height, LR_DEFAULTCOLOR);
      image.decodes = icon != nullptr;
      if (icon) DestroyIcon(icon);
    }
    images.push_back(image);
  }
  return images;
}
