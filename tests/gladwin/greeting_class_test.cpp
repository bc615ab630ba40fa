// gladwin's window class, registered here in the test's own process: Wine answers class
// queries about another process's window with 0 for the background brush.
#include "gladwin/greeting_class.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

TEST(GreetingClass, StyleStockIconAndCursorAndTheBackgroundOfSystemColourFour) {
  const wchar_t kName[] = L"GreetingClassUnderTest";
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const WNDCLASSW description = GreetingWindowClass(DefWindowProcW, instance, kName);
  ASSERT_NE(RegisterClassW(&description), 0);
  HWND window = CreateWindowExW(0, kName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                nullptr, instance, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetClassLongW(window, GCL_STYLE), static_cast<DWORD>(CS_VREDRAW | CS_HREDRAW));
  // Value 5: COLOR_MENU (4) plus one. Under Wine that colour and COLOR_WINDOW are both white,
  // so only the registered value tells them apart.
  EXPECT_EQ(GetClassLongPtrW(window, GCLP_HBRBACKGROUND), 5);
  EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON)),
            LoadIconA(nullptr, IDI_APPLICATION));
  EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrW(window, GCLP_HCURSOR)),
            LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(GetClassLongW(window, GCL_CBCLSEXTRA), 0u);
  EXPECT_EQ(GetClassLongW(window, GCL_CBWNDEXTRA), 0u);
  DestroyWindow(window);
  UnregisterClassW(kName, instance);
}

}  // namespace
