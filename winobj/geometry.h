// Control geometry: bounds, client rectangle, fitting the parent, centring, alignment of
// children to the parent's edges, and forms the user cannot resize.
#pragma once

#include "winobj/control.h"

RECT BoundsRect(Control* control);
void SetBoundsRect(Control* control, const RECT& r);
int Left(Control* control);
int Top(Control* control);
int Width(Control* control);
int Height(Control* control);
void SetLeft(Control* control, int x);
void SetTop(Control* control, int y);
void SetWidth(Control* control, int w);
void SetHeight(Control* control, int h);
Control* SetSize(Control* control, int w, int h);
RECT ClientRect(Control* control);
int ClientWidth(Control* control);
int ClientHeight(Control* control);
void SetClientWidth(Control* control, int w);
void SetClientHeight(Control* control, int h);
POINT ClientToScreen(Control* control, POINT p);
POINT ScreenToClient(Control* control, POINT p);
Control* ResizeParent(Control* control);
Control* CenterOnParent(Control* control);
Control* SetAlign(Control* control, uint8_t align);
void AlignChildren(Control* parent);
bool CanResize(Control* form);
void SetCanResize(Control* form, bool flag);
