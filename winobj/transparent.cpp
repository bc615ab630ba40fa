#include "winobj/transparent.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "winobj/scoped.h"

namespace {

// What paintBackgroundHook was before the background painter replaced it: controls that are
// not transparent (forms among them) keep being painted by it.
void (*plainBackgroundPainter)(Control* control, HDC dc, const RECT& rect) = nullptr;

void FillWithColor(Control* control, HDC dc, const RECT& rect) {
  HBRUSH brush = CreateSolidBrush(ColorToRGB(control->color));
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

RECT ClientRectOf(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  return rect;
}

// A memory device context with a screen-compatible bitmap selected. The surfaces are kept from
// one paint to the next for the rest of the run and only grow: every paint of a transparent
// control takes two buffers (its own and its parent's picture), and made anew for each paint
// they cost the toolbar's paint about 1 ms under Wine (each new screen-compatible bitmap asks
// the window server about the display six times, and its memory is new).
struct Surface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  int width = 0;
  int height = 0;
  bool inUse = false;
};

// One surface per buffer in use at once (a transparent control inside another takes a third).
std::vector<std::unique_ptr<Surface>>& Surfaces() {
  static std::vector<std::unique_ptr<Surface>> surfaces;
  return surfaces;
}

// At least `width` x `height`; false when the platform gave no context or bitmap.
bool Fit(Surface& surface, int width, int height) {
  if (surface.bitmap != nullptr && surface.width >= width && surface.height >= height) return true;
  HDC screen = GetDC(nullptr);
  if (surface.dc == nullptr) surface.dc = CreateCompatibleDC(screen);
  const int w = std::max(width, surface.width);
  const int h = std::max(height, surface.height);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  ReleaseDC(nullptr, screen);
  if (surface.dc == nullptr || bitmap == nullptr) {
    if (bitmap != nullptr) DeleteObject(bitmap);
    return false;
  }
  HGDIOBJ old = SelectObject(surface.dc, bitmap);
  if (old == nullptr) {
    DeleteObject(bitmap);
    return false;
  }
  if (surface.bitmap != nullptr) DeleteObject(surface.bitmap);
  surface.bitmap = bitmap;
  surface.width = w;
  surface.height = h;
  return true;
}

// A buffer of at least the given size for one paint; whatever the paint selects or clips in its
// context is undone when it ends.
struct OffscreenBuffer {
  HDC dc = nullptr;
  Surface* surface = nullptr;
  int saved = 0;

  OffscreenBuffer(int width, int height) {
    auto& surfaces = Surfaces();
    for (auto& s : surfaces) {
      if (!s->inUse) {
        surface = s.get();
        break;
      }
    }
    if (surface == nullptr) {
      surfaces.push_back(std::make_unique<Surface>());
      surface = surfaces.back().get();
    }
    if (!Fit(*surface, width > 0 ? width : 1, height > 0 ? height : 1)) {
      surface = nullptr;
      return;
    }
    surface->inUse = true;
    dc = surface->dc;
    saved = SaveDC(dc);
  }
  ~OffscreenBuffer() {
    if (surface == nullptr) return;
    if (saved != 0) RestoreDC(dc, saved);
    SelectClipRgn(dc, nullptr);
    surface->inUse = false;
  }
  bool Ready() const { return dc != nullptr; }
  OffscreenBuffer(const OffscreenBuffer&) = delete;
  OffscreenBuffer& operator=(const OffscreenBuffer&) = delete;
};

// Renders the parent into a buffer of its client size and copies the part under `control`.
// Only what `dc` lets through is drawn: the parent is drawn within the same area.
void CopyParentPicture(Control* control, HDC dc, const RECT& rect) {
  RECT area = rect;
  RECT open{};
  const int clip = GetClipBox(dc, &open);
  if (clip == NULLREGION || (clip != ERROR && !IntersectRect(&area, &rect, &open))) return;
  Control* parent = control->parent;
  const RECT parentClient = ClientRectOf(parent->handle);
  OffscreenBuffer buffer(parentClient.right, parentClient.bottom);
  if (!buffer.Ready()) {
    FillWithColor(control, dc, area);
    return;
  }
  RECT under = area;
  MapWindowPoints(control->handle, parent->handle, reinterpret_cast<POINT*>(&under), 2);
  IntersectClipRect(buffer.dc, under.left, under.top, under.right, under.bottom);
  PaintDoubleBuffered(parent, buffer.dc);
  BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, buffer.dc,
         under.left, under.top, SRCCOPY);
}

bool HandleErase(Control* control, const MessageRecord& msg, LRESULT& result) {
  // Erase requests from the platform are swallowed: the buffered paint draws the background.
  if (msg.wParam != static_cast<WPARAM>(msg.lParam)) {
    result = 1;
    return true;
  }
  // wParam == lParam: the layer's own request while painting into its buffer.
  if (control->exStyle & WS_EX_TRANSPARENT) {
    const RECT client = ClientRectOf(control->handle);
    FillWithColor(control, reinterpret_cast<HDC>(msg.wParam), client);
    result = 1;
    return true;
  }
  if (control->transparent) {
    result = 1;
    return true;
  }
  return false;
}

// A label's new text would be drawn over the old one (the label does not erase under a
// transparent background): hiding it first makes the parent repaint the area.
// A hidden label only takes the text: showing it again would undo whoever hid it. Its own
// style bit decides, as IsWindowVisible is false for every label of a hidden form.
LRESULT SetLabelText(Control* control, const MessageRecord& msg) {
  const bool shown = (GetWindowLongA(control->handle, GWL_STYLE) & WS_VISIBLE) != 0;
  if (shown) ShowWindow(control->handle, SW_HIDE);
  const LRESULT result = DefWindowProcA(control->handle, WM_SETTEXT, msg.wParam, msg.lParam);
  if (!shown) return result;
  ShowWindow(control->handle, SW_SHOWNA);
  UpdateWindow(control->handle);
  return result;
}

}  // namespace

void PaintDoubleBuffered(Control* control, HDC dc) {
  HWND window = control->handle;
  const RECT client = ClientRectOf(window);
  PAINTSTRUCT paint{};
  const bool began = dc == nullptr;
  HDC target = began ? BeginPaint(window, &paint) : dc;
  if (target == nullptr) return;

  HDC drawDC = nullptr;
  OffscreenBuffer* buffer = nullptr;
  if (WindowFromDC(target) == nullptr) {
    // Already off-screen (a parent being rendered for a transparent child): draw straight in.
    drawDC = target;
  } else if (control->paintDC != nullptr) {
    drawDC = control->paintDC;
  } else {
    buffer = new OffscreenBuffer(client.right, client.bottom);
    drawDC = buffer->Ready() ? buffer->dc : target;
  }
  // Of a window's own paint only the invalid part reaches the screen: the buffer is drawn in
  // that part alone. Under Wine a themed toolbar takes 1 to 4 ms to draw all of its buttons,
  // and pressing one button invalidates only that button.
  RECT drawn = client;
  if (began && buffer != nullptr && drawDC == buffer->dc &&
      IntersectRect(&drawn, &client, &paint.rcPaint)) {
    IntersectClipRect(drawDC, drawn.left, drawn.top, drawn.right, drawn.bottom);
  } else {
    drawn = client;
  }

  AutoReset<HDC> painting(control->paintDC, drawDC);
  // Erase, background, own paint, then one copy: the screen never shows a half-drawn control.
  Perform(control, WM_ERASEBKGND, reinterpret_cast<WPARAM>(drawDC),
          reinterpret_cast<LPARAM>(drawDC));
  if (paintBackgroundHook != nullptr) paintBackgroundHook(control, drawDC, client);
  Perform(control, WM_PAINT, reinterpret_cast<WPARAM>(drawDC), 0);
  // The control's Canvas would release its device context here; this program makes none.
  SelectClipRgn(target, nullptr);
  if (drawDC != target) {
    BitBlt(target, drawn.left, drawn.top, drawn.right - drawn.left, drawn.bottom - drawn.top,
           drawDC, drawn.left, drawn.top, SRCCOPY);
  }
  if (began) EndPaint(window, &paint);
  delete buffer;
}

void PaintTransparentBackground(Control* control, HDC dc, const RECT& rect) {
  if (!control->transparent) {
    // Not ours to change: forms and opaque controls keep their plain background.
    if (plainBackgroundPainter != nullptr) {
      plainBackgroundPainter(control, dc, rect);
    } else {
      FillWithColor(control, dc, rect);
    }
    return;
  }
  Control* parent = control->parent;
  if (parent == nullptr || !parent->isControl || parent->handle == nullptr ||
      control->handle == nullptr) {
    FillWithColor(control, dc, rect);
    return;
  }
  CopyParentPicture(control, dc, rect);
}

void InvalidateAncestors(Control* control) {
  if (!control->transparentHooked || control->handle == nullptr) return;
  RECT onScreen = ClientRectOf(control->handle);
  MapWindowPoints(control->handle, HWND_DESKTOP, reinterpret_cast<POINT*>(&onScreen), 2);
  for (Control* ancestor = control->parent; ancestor != nullptr; ancestor = ancestor->parent) {
    if (ancestor->handle == nullptr) continue;
    RECT rect = onScreen;
    MapWindowPoints(HWND_DESKTOP, ancestor->handle, reinterpret_cast<POINT*>(&rect), 2);
    InvalidateRect(ancestor->handle, &rect, TRUE);
  }
}

bool TransparencyHook(Control* control, MessageRecord& msg, LRESULT& result) {
  if (!control->transparentHooked) return false;
  switch (msg.message & 0xFFFF) {
    case WM_ERASEBKGND:
      return HandleErase(control, msg, result);
    case WM_PAINT:
      // A paint with a device context and lParam 0 is the control painting itself into the
      // buffer; it goes on to the control's own handling.
      if (msg.wParam == 0 || msg.lParam != 0) {
        PaintDoubleBuffered(control, reinterpret_cast<HDC>(msg.wParam));
        result = 0;
        return true;
      }
      return false;
    case WM_SETTEXT:
      if (!control->labelMarker) return false;
      result = SetLabelText(control, msg);
      return true;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_WINDOWPOSCHANGED:
    case kInvalidateMessage:
      Invalidate(control);
      return false;
    default:
      return false;
  }
}

void SetTransparent(Control* control, bool flag) {
  if (control == nullptr || flag == (control->transparent != 0)) return;
  control->transparent = flag ? 1 : 0;
  afterInvalidateHook = InvalidateAncestors;
  if (paintBackgroundHook != PaintTransparentBackground) {
    plainBackgroundPainter = paintBackgroundHook;
    paintBackgroundHook = PaintTransparentBackground;
  }
  if (flag && !control->transparencyBlocked) {
    control->transparentHooked = 1;
    globalMessageHook = TransparencyHook;
  }
}
