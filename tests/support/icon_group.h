// Reading a program's icon resources in tests: the images an icon group lists and whether the
// platform can make an icon of each.
#pragma once

#include <windows.h>

#include <vector>

struct IconImage {
  int width = 0;
  int height = 0;
  int bitCount = 0;
  bool decodes = false;  // CreateIconFromResourceEx accepted the image's bits
};

// The images of the icon group `name` stored in `module` under `language`, in directory order;
// empty when there is no such group or its directory is cut short.
std::vector<IconImage> ReadIconGroup(HMODULE module, const char* name, WORD language);
