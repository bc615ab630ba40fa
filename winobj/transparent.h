// Transparent controls: a control that shows its parent's picture behind it and paints through
// an off-screen buffer. The support plugs into the layer's process-wide hooks the first time a
// control is made transparent; until then no control pays for it.
#pragma once

#include <windows.h>

#include "winobj/control.h"

void SetTransparent(Control* control, bool flag);

// The procedures SetTransparent installs, exposed so tests can tell them apart from the
// defaults.
bool TransparencyHook(Control* control, MessageRecord& msg, LRESULT& result);
void PaintTransparentBackground(Control* control, HDC dc, const RECT& rect);
void InvalidateAncestors(Control* control);

// Paints the control through an off-screen buffer into `dc` (none: the control's own
// BeginPaint): erase request, background, the control's own WM_PAINT, then one copy.
void PaintDoubleBuffered(Control* control, HDC dc);
