// gladwin: one window that greets the user, shows the mouse position and says goodbye.
// The texts are kept as GBK (code page 936) bytes and converted for the wide platform calls,
// so they show as Chinese whatever the system's own code page is.
#include <windows.h>

#include "gladwin/greeting_class.h"

namespace {

constexpr UINT kGbkCodePage = 936;

// GBK bytes of the texts; the drawn lengths are counted in these bytes.
constexpr char kClassAndTitleGbk[] = "\xCE\xD2\xB5\xC4\xB4\xB0\xBF\xDA";  // 我的窗口
constexpr char kHelloGbk[] = "\xC4\xFA\xBA\xC3\xA3\xA1";                  // 您好！
// 欢迎光临VELMAR公司！
constexpr char kWelcomeGbk[] =
    "\xBB\xB6\xD3\xAD\xB9\xE2\xC1\xD9"
    "VELMAR"
    "\xB9\xAB\xCB\xBE\xA3\xA1";
// 朋友，再见！
constexpr char kGoodbyeGbk[] = "\xC5\xF3\xD3\xD1\xA3\xAC\xD4\xD9\xBC\xFB\xA3\xA1";
constexpr char kGoodbyeCaptionGbk[] = "VELMAR";

constexpr int kHelloBytes = 6;
constexpr int kWelcomeBytes = 20;
constexpr int kCoordinateChars = 3;

constexpr int kWelcomeX = 400;
constexpr int kWelcomeY = 300;
constexpr int kMouseYLine = 20;

constexpr int kScratchBytes = 36;
constexpr unsigned kRadix = 10;

// A text converted once at start-up, so that the window procedure never allocates.
struct WideText {
  wchar_t chars[64];
  int length;
};

WideText g_classAndTitle;
WideText g_hello;
WideText g_welcome;
WideText g_goodbye;
WideText g_goodbyeCaption;

// The window's device context: obtained once after the window is shown, kept until the loop ends.
HDC g_windowDc = nullptr;

// Converts exactly `byteCount` GBK bytes; an unconvertible text comes out empty.
WideText FromGbk(const char* bytes, int byteCount) {
  WideText text{};
  const int capacity = static_cast<int>(sizeof(text.chars) / sizeof(text.chars[0])) - 1;
  const int converted =
      MultiByteToWideChar(kGbkCodePage, 0, bytes, byteCount, text.chars, capacity);
  text.length = converted > 0 ? converted : 0;
  text.chars[text.length] = L'\0';
  return text;
}

void DrawAt(int x, int y, const wchar_t* chars, int length) {
  if (g_windowDc != nullptr && length > 0) TextOutW(g_windowDc, x, y, chars, length);
}

// Writes the unsigned decimal form of `value`, NUL-terminated, into `scratch`.
void FormatDecimal(unsigned value, char (&scratch)[kScratchBytes]) {
  char reversed[kScratchBytes];
  int count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + value % kRadix);
    value /= kRadix;
  } while (value != 0 && count < kScratchBytes - 1);
  for (int i = 0; i < count; ++i) scratch[i] = reversed[count - 1 - i];
  scratch[count] = '\0';
}

// Width of three of the font's widest digits: the most a coordinate ever covers.
int CoordinateBoxWidth(HDC dc) {
  INT widths[kRadix];
  if (!GetCharWidth32W(dc, L'0', L'9', widths)) return 0;
  INT widest = 0;
  for (INT width : widths) widest = width > widest ? width : widest;
  return widest * kCoordinateChars;
}

void DrawCoordinate(int y, unsigned value) {
  if (g_windowDc == nullptr) return;
  char scratch[kScratchBytes];
  FormatDecimal(value, scratch);
  // A shorter number is padded with blanks over a cleared three-digit box: the font is
  // proportional (a blank is half a digit wide), and an older longer number must not show through.
  wchar_t drawn[kCoordinateChars];
  bool ended = false;
  for (int i = 0; i < kCoordinateChars; ++i) {
    ended = ended || scratch[i] == '\0';
    drawn[i] = ended ? L' ' : static_cast<wchar_t>(scratch[i]);
  }
  SIZE drawnSize{};
  if (!GetTextExtentPoint32W(g_windowDc, drawn, kCoordinateChars, &drawnSize)) return;
  const int boxWidth = CoordinateBoxWidth(g_windowDc);
  const RECT box{0, y, drawnSize.cx > boxWidth ? drawnSize.cx : boxWidth, y + drawnSize.cy};
  ExtTextOutW(g_windowDc, 0, y, ETO_OPAQUE, &box, drawn, kCoordinateChars, nullptr);
}

LRESULT CALLBACK GreetingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      MessageBoxW(nullptr, g_goodbye.chars, g_goodbyeCaption.chars, MB_OK);
      PostQuitMessage(0);
      break;
    case WM_ACTIVATE:
      DrawAt(0, 0, g_hello.chars, g_hello.length);
      break;
    case WM_PAINT:
      // No BeginPaint here: the default handling below validates the window.
      DrawAt(kWelcomeX, kWelcomeY, g_welcome.chars, g_welcome.length);
      break;
    case WM_MOUSEMOVE:
      DrawCoordinate(0, LOWORD(lParam));
      DrawCoordinate(kMouseYLine, HIWORD(lParam));
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  g_classAndTitle = FromGbk(kClassAndTitleGbk, sizeof(kClassAndTitleGbk) - 1);
  g_hello = FromGbk(kHelloGbk, kHelloBytes);
  g_welcome = FromGbk(kWelcomeGbk, kWelcomeBytes);
  g_goodbye = FromGbk(kGoodbyeGbk, sizeof(kGoodbyeGbk) - 1);
  g_goodbyeCaption = FromGbk(kGoodbyeCaptionGbk, sizeof(kGoodbyeCaptionGbk) - 1);

  const WNDCLASSW windowClass =
      GreetingWindowClass(GreetingWindowProc, instance, g_classAndTitle.chars);
  if (RegisterClassW(&windowClass) == 0) return 0;

  HWND window = CreateWindowExW(0, g_classAndTitle.chars, g_classAndTitle.chars,
                                WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 0;

  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  g_windowDc = GetDC(window);
  // The stock system font is a raster font without Chinese glyphs on non-Chinese systems (and
  // under Wine); the GUI font is linked to a font that has them, so the greetings stay readable
  // whatever the system's code page.
  if (g_windowDc != nullptr) SelectObject(g_windowDc, GetStockObject(DEFAULT_GUI_FONT));

  MSG message;
  // GetMessage gives -1 on failure; looping on it would spin for ever.
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }

  ReleaseDC(window, g_windowDc);
  return 0;
}
