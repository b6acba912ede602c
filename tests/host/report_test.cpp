// The failure report: its message pieces, their fallbacks and the retry.
#include <gtest/gtest.h>

#include "host/report.h"
#include "host/state.h"
#include "support/msgbox_catcher.h"

namespace {

TEST(ReportFailureTest, JoinsTagStepAndOperationWithTheirFallbacks) {
  const struct {
    const char* strings;  // a resource-only module for the texts; null: our own
    int tag, operation, step;
    const char* text;
  } cases[] = {
      {nullptr, 896, 897, 201, "QXINIT :201 - FindWindow failed."},
      {nullptr, 9999, 270, 5, " :5 - LoadString failed."},
      {nullptr, 768, 9998, 12, "QXFILMAN :12 - 9998 failed."},
      {nullptr, 948, 949, -3, "QXSAVE :-3 - Error trying to  DELETE file QXICOBAR.BAK failed."},
      {nullptr, 768, 3, 0, "QXFILMAN :0 - Insufficient memory, LocalAlloc failed."},
      {"partial_strings.dll", 896, 3, 7, "QXINIT :7 - Insufficient memory, LocalAlloc failed."},
      {"partial_strings.dll", 896, 4000, -2147483647 - 1, "QXINIT :-2147483648 - 4000 failed."},
      {"no_strings.dll", 896, 3, 42, "42Insufficient memory, LocalAlloc"},  // no caption either
      {"no_strings.dll", 896, 270, 43, "43270"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    HMODULE strings = c.strings ? LoadLibraryExA(c.strings, nullptr, LOAD_LIBRARY_AS_DATAFILE)
                                : GetModuleHandleA(nullptr);
    ASSERT_NE(strings, nullptr);
    extState.instance = strings;
    MessageBoxCatcher catcher;
    EXPECT_EQ(ReportFailure(c.tag, c.operation, c.step), IDOK);
    extState.instance = GetModuleHandleA(nullptr);
    if (c.strings) FreeLibrary(strings);
    ASSERT_EQ(catcher.boxes().size(), 1u);
    const CaughtBox& box = catcher.boxes()[0];
    EXPECT_TRUE(box.shown);
    EXPECT_EQ(box.text, c.text);
    EXPECT_EQ(box.caption, c.text[0] == '4' ? "" : "QX IconBar");
    EXPECT_EQ(box.style, 0x2010u);  // task-modal, stop sign
    EXPECT_EQ(box.owner, nullptr);
  }
}

// A box that cannot be shown is tried once more system-modal; then given up,
// and the next report shows as usual.
TEST(ReportFailureTest, RetriesOnceSystemModal) {
  extState.instance = GetModuleHandleA(nullptr);
  MessageBoxCatcher catcher;
  for (int failing : {1, 2, 0}) {
    SCOPED_TRACE(failing);
    catcher.clear();
    catcher.failNextCalls(failing);
    EXPECT_EQ(ReportFailure(768, 270, 1), failing < 2 ? IDOK : 0);
    ASSERT_EQ(catcher.boxes().size(), failing ? 2u : 1u);
    EXPECT_EQ(catcher.boxes().back().shown, failing < 2);
    EXPECT_EQ(catcher.boxes().back().style, failing ? UINT(MB_SYSTEMMODAL | MB_ICONHAND) : 0x2010u);
    EXPECT_EQ(catcher.boxes().back().text, "QXFILMAN :1 - LoadString failed.");
  }
}

}  // namespace
