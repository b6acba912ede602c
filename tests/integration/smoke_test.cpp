#include <gtest/gtest.h>
#include <windows.h>
TEST(Integration, LoadsDll) {
  HMODULE m = LoadLibraryA("qxibar.dll");
  ASSERT_NE(m, nullptr);
  EXPECT_NE(GetProcAddress(m, "FMExtensionProc"), nullptr);
  FreeLibrary(m);
}
