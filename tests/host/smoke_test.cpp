#include <gtest/gtest.h>
#include <windows.h>
TEST(Smoke, Window) {
  HWND w = CreateWindowExA(0, "STATIC", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  DestroyWindow(w);
}
