#include "winobj/geometry.h"

#include "winobj/align_math.h"

namespace {

// A child counts as shown by its own WS_VISIBLE bit, not by IsWindowVisible: the children of a
// form that is still hidden (every form is, until the loop starts) must be laid out all the
// same. With a window the window's bit is the truth (unless its drawing is held); before, the
// stored style is.
bool ShownBySelf(Control* control) {
  if (control->drawingHeld) return true;
  uint32_t style = control->style;
  if (control->handle) style = static_cast<uint32_t>(GetWindowLongA(control->handle, GWL_STYLE));
  return (style & WS_VISIBLE) != 0;
}

bool TakesPartInAlignment(Control* child) {
  return (ShownBySelf(child) || child->showAfterCreate) && !child->excludedFromAlign;
}

// Forms the user cannot resize: the tracking limits pin the size, and the sizing borders answer
// as plain border so no sizing cursor appears.
bool NoResizeProc(Control* form, MessageRecord& msg, LRESULT& result) {
  if (CanResize(form)) return false;
  switch (msg.message) {
    case WM_GETMINMAXINFO: {
      const int w = Width(form);
      const int h = Height(form);
      result = DefaultHandling(form, msg);
      MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(msg.lParam);
      if (info) {
        info->ptMinTrackSize = POINT{w, h};
        info->ptMaxTrackSize = POINT{w, h};
      }
      return true;
    }
    case WM_NCHITTEST: {
      const LRESULT hit = DefaultHandling(form, msg);
      if (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) {
        result = HTBORDER;
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

// Fits one extent of the parent's client area to the child: the first fit is exact (it may
// shrink the parent), later fits only grow it.
void FitExtent(Control* parent, int need, uint8_t fittedBit, int (*clientExtent)(Control*),
               void (*setClientExtent)(Control*, int)) {
  if (!(parent->boundsFlags & fittedBit)) {
    setClientExtent(parent, need);
    parent->boundsFlags |= fittedBit;
  } else if (need > clientExtent(parent)) {
    setClientExtent(parent, need);
  }
}

void FitRight(Control* control) {
  Control* p = control->parent;
  if (!p) return;
  FitExtent(p, control->boundsRect.right + p->margin, kWidthFitted, ClientWidth, SetClientWidth);
}

void FitBottom(Control* control) {
  Control* p = control->parent;
  if (!p) return;
  FitExtent(p, control->boundsRect.bottom + p->margin, kHeightFitted, ClientHeight,
            SetClientHeight);
}

}  // namespace

// ---- Bounds ----

RECT BoundsRect(Control* control) {
  RECT r = control->boundsRect;
  if (!control->handle) return r;
  RECT window;
  if (!GetWindowRect(control->handle, &window)) return r;
  r = window;
  if (control->isControl && control->parent && control->parent->handle) {
    POINT origin{0, 0};
    if (::ClientToScreen(control->parent->handle, &origin)) OffsetRect(&r, -origin.x, -origin.y);
  }
  return r;
}

void SetBoundsRect(Control* control, const RECT& r) {
  const RECT current = BoundsRect(control);
  if (EqualRect(&r, &current)) return;
  if (r.left != current.left) control->boundsFlags |= kLeftSet;
  if (r.top != current.top) control->boundsFlags |= kTopSet;
  control->boundsRect = r;
  if (control->handle) {
    SetWindowPos(control->handle, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

int Left(Control* control) { return BoundsRect(control).left; }
int Top(Control* control) { return BoundsRect(control).top; }

int Width(Control* control) {
  const RECT r = BoundsRect(control);
  return r.right - r.left;
}

int Height(Control* control) {
  const RECT r = BoundsRect(control);
  return r.bottom - r.top;
}

void SetLeft(Control* control, int x) {
  RECT r = BoundsRect(control);
  r.right = r.right - r.left + x;
  r.left = x;
  SetBoundsRect(control, r);
}

void SetTop(Control* control, int y) {
  RECT r = BoundsRect(control);
  r.bottom = r.bottom - r.top + y;
  r.top = y;
  SetBoundsRect(control, r);
}

void SetWidth(Control* control, int w) {
  RECT r = BoundsRect(control);
  r.right = r.left + w;
  SetBoundsRect(control, r);
}

void SetHeight(Control* control, int h) {
  RECT r = BoundsRect(control);
  r.bottom = r.top + h;
  SetBoundsRect(control, r);
}

Control* SetSize(Control* control, int w, int h) {
  if (w > 0) SetWidth(control, w);
  if (h > 0) SetHeight(control, h);
  return control;
}

// ---- Client area ----

RECT ClientRect(Control* control) {
  // Without a window (it could not be created) the stored bounds stand in.
  RECT r = control->boundsRect;
  if (HWND h = HandleOf(control)) {
    RECT client;
    if (GetClientRect(h, &client)) r = client;
  }
  r.bottom -= control->clientBottomMargin;
  r.top += control->clientTopMargin;
  return r;
}

int ClientWidth(Control* control) {
  const RECT r = ClientRect(control);
  return r.right - r.left;
}

int ClientHeight(Control* control) {
  const RECT r = ClientRect(control);
  return r.bottom - r.top;
}

void SetClientWidth(Control* control, int w) {
  SetWidth(control, Width(control) + w - ClientWidth(control));
}

void SetClientHeight(Control* control, int h) {
  SetHeight(control, Height(control) + h - ClientHeight(control));
}

POINT ClientToScreen(Control* control, POINT p) {
  if (control->handle) ::ClientToScreen(control->handle, &p);
  return p;
}

POINT ScreenToClient(Control* control, POINT p) {
  if (control->handle) ::ScreenToClient(control->handle, &p);
  return p;
}

// ---- Fitting and centring ----

Control* ResizeParent(Control* control) {
  // The width once more, in case the new height changed the client width.
  FitRight(control);
  FitBottom(control);
  FitRight(control);
  return control;
}

Control* CenterOnParent(Control* control) {
  RECT outer;
  // Forms are centred on the screen even when they belong to the Application window.
  if (!control->parent || !control->isControl) {
    outer = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  } else {
    outer = ClientRect(control->parent);
  }
  const POINT origin = CenterOrigin(outer, Width(control), Height(control));
  SetLeft(control, origin.x);
  SetTop(control, origin.y);
  return control;
}

// ---- Alignment ----

Control* SetAlign(Control* control, uint8_t align) {
  alignHook = AlignChildren;
  if (!control->excludedFromAlign && align != control->align) {
    control->align = align;
    alignHook(control->parent);
  }
  return control;
}

void AlignChildren(Control* parent) {
  if (!parent) return;
  RECT remaining = ClientRect(parent);
  for (int pass = 1; pass <= 3; ++pass) {
    // Each child's bounds are read when its turn comes, not all up front: moving a sibling
    // runs its handlers, which may resize, hide or free a later child.
    for (int i = 0; i < parent->ChildCount(); ++i) {
      Control* child = parent->Child(i);
      if (!child || AlignPass(child->align) != pass || !TakesPartInAlignment(child)) continue;
      AlignItem item;
      item.align = child->align;
      item.participates = true;
      item.bounds = BoundsRect(child);
      AlignOne(remaining, item);
      if (!item.moved && !item.resized) continue;
      SetBoundsRect(child, item.bounds);
      // A child's own children follow its new size before the next sibling moves, unless its
      // handlers took it away.
      if (item.resized && parent->Child(i) == child) AlignChildren(child);
    }
  }
}

// ---- Resizable forms ----

bool CanResize(Control* form) { return !form->preventResize; }

void SetCanResize(Control* form, bool flag) {
  if (flag == CanResize(form)) return;
  form->preventResize = flag ? 0 : 1;
  SetStyle(form, flag ? (form->style | WS_THICKFRAME) : (form->style & ~uint32_t{WS_THICKFRAME}));
  HandleOf(form);
  AttachProc(form, NoResizeProc);
}
