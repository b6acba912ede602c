// The failure report: its message pieces, their fallbacks and the retry.
#include <gtest/gtest.h>

#include "host/report.h"
#include "host/state.h"
#include "support/msgbox_catcher.h"

namespace {

class ReportFailureTest : public ::testing::Test {
 protected:
  void SetUp() override { extState.instance = GetModuleHandleA(nullptr); }
  void TearDown() override {
    extState.instance = GetModuleHandleA(nullptr);
    for (HMODULE m : loaded_) FreeLibrary(m);
  }
  HMODULE LoadStrings(const char* name) {
    HMODULE m = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(m, nullptr) << name;
    loaded_.push_back(m);
    return m;
  }
  std::vector<HMODULE> loaded_;
};

TEST_F(ReportFailureTest, JoinsTagStepOperationUnderTheCaption) {
  MessageBoxCatcher catcher;
  ASSERT_TRUE(catcher.watching());
  EXPECT_EQ(ReportFailure(896, 897, 201), IDOK);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  const CaughtBox& box = catcher.boxes()[0];
  EXPECT_TRUE(box.shown);
  EXPECT_EQ(box.text, "QXINIT :201 - FindWindow failed.");
  EXPECT_EQ(box.caption, "QX IconBar");
  EXPECT_EQ(box.style, UINT(MB_TASKMODAL | MB_ICONHAND));
  EXPECT_EQ(box.style, 0x2010u);
  EXPECT_EQ(box.owner, nullptr);
}

TEST_F(ReportFailureTest, MissingPiecesAndNumbers) {
  MessageBoxCatcher catcher;
  ReportFailure(9999, 270, 5);   // a tag with no string
  ReportFailure(768, 9998, 12);  // an operation with no string: its number
  ReportFailure(948, 949, -3);   // a negative step keeps its sign
  ReportFailure(768, 3, 0);      // the table's own text for ID 3
  ASSERT_EQ(catcher.boxes().size(), 4u);
  EXPECT_EQ(catcher.boxes()[0].text, " :5 - LoadString failed.");
  EXPECT_EQ(catcher.boxes()[1].text, "QXFILMAN :12 - 9998 failed.");
  EXPECT_EQ(catcher.boxes()[2].text,
            "QXSAVE :-3 - Error trying to  DELETE file QXICOBAR.BAK failed.");
  EXPECT_EQ(catcher.boxes()[3].text, "QXFILMAN :0 - Insufficient memory, LocalAlloc failed.");
  for (const CaughtBox& box : catcher.boxes()) EXPECT_EQ(box.caption, "QX IconBar");
}

TEST_F(ReportFailureTest, AllocationFailureTextWithoutTheTable) {
  extState.instance = LoadStrings("partial_strings.dll");
  MessageBoxCatcher catcher;
  ReportFailure(896, 3, 7);
  ReportFailure(896, 4000, -2147483647 - 1);
  ASSERT_EQ(catcher.boxes().size(), 2u);
  EXPECT_EQ(catcher.boxes()[0].text, "QXINIT :7 - Insufficient memory, LocalAlloc failed.");
  EXPECT_EQ(catcher.boxes()[1].text, "QXINIT :-2147483648 - 4000 failed.");
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
}

TEST_F(ReportFailureTest, NoStringsAtAllStillShowsTheNumbers) {
  extState.instance = LoadStrings("no_strings.dll");
  MessageBoxCatcher catcher;
  ReportFailure(896, 3, 42);
  ReportFailure(896, 270, 43);
  ASSERT_EQ(catcher.boxes().size(), 2u);
  EXPECT_EQ(catcher.boxes()[0].text, "42Insufficient memory, LocalAlloc");
  EXPECT_EQ(catcher.boxes()[1].text, "43270");
  EXPECT_EQ(catcher.boxes()[0].caption, "");
}

TEST_F(ReportFailureTest, RetriesOnceSystemModalWhenTheBoxCannotBeShown) {
  MessageBoxCatcher catcher;
  catcher.failNextCalls(1);
  EXPECT_EQ(ReportFailure(768, 270, 1), IDOK);
  ASSERT_EQ(catcher.boxes().size(), 2u);
  EXPECT_FALSE(catcher.boxes()[0].shown);
  EXPECT_EQ(catcher.boxes()[0].style, 0x2010u);
  EXPECT_TRUE(catcher.boxes()[1].shown);
  EXPECT_EQ(catcher.boxes()[1].style, UINT(MB_SYSTEMMODAL | MB_ICONHAND));
  EXPECT_EQ(catcher.boxes()[1].text, "QXFILMAN :1 - LoadString failed.");
  EXPECT_EQ(catcher.boxes()[1].caption, "QX IconBar");
}

TEST_F(ReportFailureTest, GivesUpAfterTheRetry) {
  MessageBoxCatcher catcher;
  catcher.failNextCalls(2);
  EXPECT_EQ(ReportFailure(768, 270, 1), 0);
  EXPECT_EQ(catcher.boxes().size(), 2u);
  catcher.clear();
  EXPECT_EQ(ReportFailure(768, 270, 2), IDOK);  // later reports show as usual
  EXPECT_EQ(catcher.boxes().size(), 1u);
}

}  // namespace
