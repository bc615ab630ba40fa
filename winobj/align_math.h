// The arithmetic of child alignment and centring over plain rectangles, with no window involved:
// the geometry unit reads the controls into these records, computes, and applies the results.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// Alignment values.
enum : uint8_t {
  kAlignNone = 0,
  kAlignLeft = 1,
  kAlignTop = 2,
  kAlignRight = 3,
  kAlignBottom = 4,
  kAlignClient = 5,
};

// One child of the parent being aligned, in the parent's list order.
struct AlignItem {
  uint8_t align = kAlignNone;
  // Shown (or to be shown once created) and not excluded from alignment.
  bool participates = false;
  // The child's bounds before alignment; replaced by its new bounds.
  RECT bounds{};
  // Set by ComputeAlignment: the new bounds start elsewhere / have another size.
  bool moved = false;
  bool resized = false;
};

// The pass that places a child of this alignment: 1 top and bottom, 2 left and right, 3 client;
// 0 for none and for values no pass knows.
int AlignPass(uint8_t align);

// Places one child in `remaining` and takes the space it occupies out of `remaining`. A top or
// bottom child keeps its height and spans the width; a left or right child keeps its width and
// spans the height; a client child fills `remaining` without taking from it. The result never
// has a negative width or height.
RECT PlaceAligned(RECT& remaining, uint8_t align, const RECT& bounds);

// Places one item in `remaining` (as PlaceAligned) and sets its new bounds and its moved and
// resized flags.
void AlignOne(RECT& remaining, AlignItem& item);

// Aligns every participating item inside `client` in three passes (top and bottom, then left
// and right, then client), each in list order, so that earlier children sit further out.
// Sets each item's new bounds and its moved and resized flags; items that do not take part
// are left as they are. Returns what is left of the client area.
RECT ComputeAlignment(RECT client, std::vector<AlignItem>& items);

// The offset that centres a width x height box in the extent of `outer`. Halving truncates
// toward zero, so a box wider than `outer` gets a negative offset (or 0 when one pixel wider).
POINT CenterOrigin(const RECT& outer, int width, int height);
