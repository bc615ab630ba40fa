// gladwin run as a real child process: its window, what it draws, and its goodbye box.
// What the window shows is read back from the screen and compared pixel for pixel with the
// same text drawn here with the same (default) font and colours, so no font metric is assumed;
// one more check makes sure that font draws Chinese glyphs at all, not boxes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/msgbox_watch.h"
#include "tests/support/poll.h"

namespace {

constexpr UINT kGbkCodePage = 936;
constexpr char kClassNameGbk[] = "\xCE\xD2\xB5\xC4\xB4\xB0\xBF\xDA";
// The same texts written as code points, so a wrong byte on either side shows.
const std::wstring kTitle = L"\u6211\u7684\u7A97\u53E3";                // 我的窗口
const std::wstring kHello = L"\u60A8\u597D\uFF01";                      // 您好！
const std::wstring kGoodbye = L"\u670B\u53CB\uFF0C\u518D\u89C1\uFF01";  // 朋友，再见！
// 欢迎光临VELMAR公司！
const std::wstring kWelcome = L"\u6B22\u8FCE\u5149\u4E34VELMAR\u516C\u53F8\uFF01";

constexpr DWORD kStartTimeoutMs = 10000;
constexpr DWORD kDrawTimeoutMs = 5000;
constexpr DWORD kExitTimeoutMs = 10000;
constexpr int kWelcomeX = 400;
constexpr int kWelcomeY = 300;
constexpr int kMouseYLine = 20;
constexpr DWORD kRgbMask = 0x00FFFFFF;

std::wstring FromGbk(const char* bytes) {
  wchar_t buffer[64] = {};
  const int length = MultiByteToWideChar(kGbkCodePage, 0, bytes, -1, buffer, 64);
  return length > 0 ? std::wstring(buffer) : std::wstring();
}

std::wstring WindowTextW(HWND window) {
  wchar_t buffer[256] = {};
  const int length = GetWindowTextW(window, buffer, 256);
  return std::wstring(buffer, length > 0 ? length : 0);
}

// A 32-bit top-down bitmap selected into a memory DC with the greeting font and the default
// colours.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<DWORD*>(bits);
    old_ = SelectObject(dc_, bitmap_);
    SelectObject(dc_, GetStockObject(DEFAULT_GUI_FONT));
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  std::vector<DWORD> Pixels() const {
    GdiFlush();
    std::vector<DWORD> pixels(bits_, bits_ + width_ * height_);
    for (DWORD& pixel : pixels) pixel &= kRgbMask;
    return pixels;
  }

 private:
  int width_;
  int height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  DWORD* bits_;
};

SIZE TextSize(const std::wstring& text) {
  Canvas canvas(1, 1);
  SIZE size{};
  GetTextExtentPoint32W(canvas.dc(), text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

// What a user should see in a width x height box: `text` drawn at its top left corner over the
// text background colour (the window draws opaque text, so the box past the text is that colour).
std::vector<DWORD> Expected(const std::wstring& text, int width, int height) {
  Canvas canvas(width, height);
  HBRUSH background = CreateSolidBrush(GetBkColor(canvas.dc()));
  const RECT all{0, 0, width, height};
  FillRect(canvas.dc(), &all, background);
  DeleteObject(background);
  TextOutW(canvas.dc(), 0, 0, text.c_str(), static_cast<int>(text.size()));
  return canvas.Pixels();
}

// The window's client pixels in the box at (x, y), as they are on the screen now.
std::vector<DWORD> Captured(HWND window, int x, int y, int width, int height) {
  Canvas canvas(width, height);
  HDC windowDc = GetDC(window);
  BitBlt(canvas.dc(), 0, 0, width, height, windowDc, x, y, SRCCOPY);
  ReleaseDC(window, windowDc);
  return canvas.Pixels();
}

// The width three digits take: every coordinate box is compared over at least this much.
int ThreeDigitWidth() { return TextSize(L"888").cx; }

// The first character of the welcome, 欢, as gladwin carries it.
constexpr char kHuanGbk[] = "\xBB\xB6";
// Code points that no font has a glyph for: a private-use one and a noncharacter.
const std::wstring kPrivateUse = L"\uE000";
const std::wstring kNoncharacter = L"\uFFFF";

// The greeting font's own faces have no Chinese glyphs; under Wine they come from the font the
// prefix links them to (scripts/wine-env). Without that link a Chinese character is drawn as the
// same empty box as a code point that no font has, which is what this looks for.
TEST(GladwinFont, ChineseCharacterDrawsItsOwnGlyphNotTheMissingGlyphBox) {
  const std::wstring huan = FromGbk(kHuanGbk);
  ASSERT_EQ(huan, L"\u6B22");
  int width = 0;
  int height = 0;
  for (const std::wstring* text : {&huan, &kPrivateUse, &kNoncharacter}) {
    const SIZE size = TextSize(*text);
    width = size.cx > width ? size.cx : width;
    height = size.cy > height ? size.cy : height;
  }
  ASSERT_GT(width, 0);
  ASSERT_GT(height, 0);
  const std::vector<DWORD> blank = Expected(L"", width, height);
  const std::vector<DWORD> chinese = Expected(huan, width, height);
  const std::vector<DWORD> privateUse = Expected(kPrivateUse, width, height);
  // Both missing code points look alike: that picture is the missing-glyph box.
  ASSERT_TRUE(privateUse == Expected(kNoncharacter, width, height));
  EXPECT_TRUE(chinese != blank) << "欢 leaves no ink";
  EXPECT_TRUE(chinese != privateUse) << "欢 is drawn as the missing-glyph box";
}

// gladwin.exe from the build folder (the working directory), ended in the destructor if the test
// left it running.
class GladwinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ParkCursorOutside({0, 0, 0, 0});
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
    const std::wstring program = std::wstring(folder) + L"\\gladwin.exe";
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    ASSERT_TRUE(CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &process_))
        << "cannot start " << std::string(program.begin(), program.end());
    // The window exists a moment before it is shown.
    ASSERT_TRUE(PollUntil(
        [this] {
          window_ = FindOwnWindow();
          return window_ != nullptr && IsWindowVisible(window_);
        },
        kStartTimeoutMs))
        << "no visible window of class 我的窗口 appeared";
    RECT frame{};
    GetWindowRect(window_, &frame);
    ParkCursorOutside(frame);
  }

  void TearDown() override {
    if (process_.hProcess != nullptr) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, kExitTimeoutMs);
      }
      CloseHandle(process_.hThread);
      CloseHandle(process_.hProcess);
    }
  }

  // A real pointer over the window would draw its own coordinates over what a test sends.
  static void ParkCursorOutside(const RECT& frame) {
    const int right = GetSystemMetrics(SM_CXSCREEN) - 1;
    const int bottom = GetSystemMetrics(SM_CYSCREEN) - 1;
    const POINT corners[] = {{right, bottom}, {0, bottom}, {right, 0}, {0, 0}};
    for (const POINT& corner : corners) {
      if (!PtInRect(&frame, corner)) {
        SetCursorPos(corner.x, corner.y);
        return;
      }
    }
  }

  HWND FindOwnWindow() const {
    const std::wstring className = FromGbk(kClassNameGbk);
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, className.c_str(), nullptr)) != nullptr) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == process_.dwProcessId) return window;
    }
    return nullptr;
  }

  // Whether the box at (x, y) shows `text` and nothing else, over at least `minWidth` pixels.
  bool Shows(int x, int y, const std::wstring& text, int minWidth = 0) const {
    const SIZE size = TextSize(text);
    const int width = size.cx > minWidth ? size.cx : minWidth;
    return Captured(window_, x, y, width, size.cy) == Expected(text, width, size.cy);
  }

  void MoveMouse(WORD x, WORD y) const { SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

  // Sends the move until both coordinates show as expected (the window may still be getting an
  // erase from being mapped, and its drawing reaches the screen a little later).
  bool MouseShows(WORD x, WORD y, const std::wstring& xText, const std::wstring& yText) const {
    const int width = ThreeDigitWidth();
    return PollUntil(
        [&] {
          MoveMouse(x, y);
          return Shows(0, 0, xText, width) && Shows(0, kMouseYLine, yText, width);
        },
        kDrawTimeoutMs);
  }

  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

TEST_F(GladwinTest, OpensOneVisibleOverlappedWindowUnderTheChineseTitle) {
  ASSERT_EQ(FromGbk(kClassNameGbk), kTitle);
  EXPECT_EQ(WindowTextW(window_), kTitle);
  const LONG style = GetWindowLongW(window_, GWL_STYLE);
  EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
  EXPECT_EQ(GetClassLongW(window_, GCL_STYLE) & (CS_HREDRAW | CS_VREDRAW), CS_HREDRAW | CS_VREDRAW);
  EXPECT_EQ(GetParent(window_), nullptr);
}

TEST_F(GladwinTest, MousePositionShowsTheFirstThreeDigitsOfEachCoordinate) {
  EXPECT_TRUE(MouseShows(1234, 56, L"123", L"56 "))
      << "a four-digit x shows its first three digits";
  // The position argument's halves are unsigned: -1 is 65535.
  EXPECT_TRUE(MouseShows(0xFFFF, 0x8000, L"655", L"327"));
}

TEST_F(GladwinTest, ShorterCoordinateLeavesNoDigitOfTheLongerOneBefore) {
  ASSERT_TRUE(MouseShows(1234, 567, L"123", L"567"));
  // A blank of the default font is narrower than a digit: "7  " alone would not cover "123".
  EXPECT_TRUE(MouseShows(7, 8, L"7  ", L"8  "));
  EXPECT_TRUE(MouseShows(42, 0, L"42 ", L"0  "));
}

TEST_F(GladwinTest, ActivationGreetsAtTheTopLeftCorner) {
  // Whatever the activation state: an inactivation greets as well.
  EXPECT_TRUE(PollUntil(
      [this] {
        SendMessageW(window_, WM_ACTIVATE, WA_INACTIVE, 0);
        return Shows(0, 0, kHello);
      },
      kDrawTimeoutMs));
}

TEST_F(GladwinTest, ResizingRepaintsTheWelcomeAtItsFixedPlace) {
  const SIZE welcome = TextSize(kWelcome);
  RECT client{};
  GetClientRect(window_, &client);
  // The window is made larger than needed so the welcome lies inside its client area.
  RECT frame{};
  GetWindowRect(window_, &frame);
  const int extraWidth = (frame.right - frame.left) - client.right;
  const int extraHeight = (frame.bottom - frame.top) - client.bottom;
  ASSERT_TRUE(SetWindowPos(window_, nullptr, 0, 0, kWelcomeX + welcome.cx + extraWidth + 50,
                           kWelcomeY + welcome.cy + extraHeight + 50,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_TRUE(PollUntil([&] { return Shows(kWelcomeX, kWelcomeY, kWelcome); }, kDrawTimeoutMs));
}

TEST_F(GladwinTest, ClosingSaysGoodbyeAndEndsOnlyAfterTheBoxIsAnswered) {
  PostMessageW(window_, WM_CLOSE, 0, 0);
  HWND box = nullptr;
  ASSERT_TRUE(
      PollUntil([&] { return (box = FindDialogOfProcess(process_.dwProcessId)) != nullptr; },
                kStartTimeoutMs))
      << "no goodbye box";
  const MessageBoxRecord seen = ReadMessageBox(box);
  EXPECT_EQ(seen.wideText, kGoodbye);
  EXPECT_EQ(seen.wideCaption, L"VELMAR");
  EXPECT_EQ(WaitForSingleObject(process_.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the program ended while its goodbye box was shown";

  AnswerMessageBox(box, IDOK);
  ASSERT_EQ(WaitForSingleObject(process_.hProcess, kExitTimeoutMs), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  ASSERT_TRUE(GetExitCodeProcess(process_.hProcess, &exitCode));
  EXPECT_EQ(exitCode, 0u);
}

}  // namespace
