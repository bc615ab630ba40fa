#include "gladwin/greeting_class.h"

namespace {

constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW;
// The system colour with index 4 (COLOR_MENU) plus one: a class brush value below 32 names a
// system colour that way.
constexpr int kBackgroundColour = COLOR_MENU + 1;

}  // namespace

WNDCLASSW GreetingWindowClass(WNDPROC procedure, HINSTANCE instance, const wchar_t* className) {
  WNDCLASSW windowClass{};
  windowClass.style = kClassStyle;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(kBackgroundColour));
  windowClass.lpszClassName = className;
  return windowClass;
}
