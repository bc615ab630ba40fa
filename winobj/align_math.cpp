#include "winobj/align_math.h"

int AlignPass(uint8_t align) {
  switch (align) {
    case kAlignTop:
    case kAlignBottom:
      return 1;
    case kAlignLeft:
    case kAlignRight:
      return 2;
    case kAlignClient:
      return 3;
    default:
      return 0;
  }
}

RECT PlaceAligned(RECT& remaining, uint8_t align, const RECT& bounds) {
  RECT b = bounds;
  const int w = b.right - b.left;
  const int h = b.bottom - b.top;
  switch (align) {
    case kAlignTop:
      b.top = remaining.top;
      b.bottom = b.top + h;
      remaining.top += h;
      b.left = remaining.left;
      b.right = remaining.right;
      break;
    case kAlignBottom:
      b.bottom = remaining.bottom;
      b.top = b.bottom - h;
      remaining.bottom -= h;
      b.left = remaining.left;
      b.right = remaining.right;
      break;
    case kAlignLeft:
      b.left = remaining.left;
      b.right = b.left + w;
      remaining.left += w;
      b.top = remaining.top;
      b.bottom = remaining.bottom;
      break;
    case kAlignRight:
      b.right = remaining.right;
      b.left = b.right - w;
      remaining.right -= w;
      b.top = remaining.top;
      b.bottom = remaining.bottom;
      break;
    case kAlignClient:
      // Several client children share (and overlap in) the same rest.
      b = remaining;
      break;
    default:
      return bounds;
  }
  // Once the space has run out the edges cross; collapse instead of turning inside out.
  if (b.left > b.right) b.right = b.left;
  if (b.top > b.bottom) b.bottom = b.top;
  return b;
}

void AlignOne(RECT& remaining, AlignItem& item) {
  const RECT old = item.bounds;
  const RECT b = PlaceAligned(remaining, item.align, old);
  item.moved = b.left != old.left || b.top != old.top;
  item.resized =
      b.right - b.left != old.right - old.left || b.bottom - b.top != old.bottom - old.top;
  item.bounds = b;
}

RECT ComputeAlignment(RECT client, std::vector<AlignItem>& items) {
  for (int pass = 1; pass <= 3; ++pass) {
    for (AlignItem& item : items) {
      if (!item.participates || AlignPass(item.align) != pass) continue;
      AlignOne(client, item);
    }
  }
  return client;
}

POINT CenterOrigin(const RECT& outer, int width, int height) {
  // C++ integer division truncates toward zero, which is the rounding wanted here.
  return POINT{(outer.right - outer.left - width) / 2, (outer.bottom - outer.top - height) / 2};
}
