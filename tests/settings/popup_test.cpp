// The description popup built by its timer routine: its text, its place, and a
// tear-down asked for while it is being built.
#include <gtest/gtest.h>

#include "bar/real_bar_fixture.h"
#include "support/msgbox_catcher.h"

namespace {

class PopupTest : public RealBarTest {
 protected:
  void LoadBar(const char* above) {
    SettingsText s = MenuButtons({"Copy", "Move"});
    s["Icon0"]["Description"] = "Copies the selected files";
    s["Icon Bar"]["Position Popups Above"] = above;
    s["Icon Bar"]["Bar Length"] = "300";
    WriteSettingsFile(s);
    ASSERT_NE(Load(), nullptr);
    MoveWindow(mdiClient_, 0, 0, 780, 330, TRUE);
    UpdateWindow(extState.barWindow);
  }
  // Rests the cursor on button `index` and lets the timer routine run.
  void RestOn(size_t index) {
    ButtonRecord r = Records()[index];
    POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(extState.barWindow, &p);
    SetCursorPos(p.x, p.y);
    PopupTimerProc(extState.barWindow, WM_TIMER, 1, 0);
  }
  // Width the popup needs for `text` in its font.
  int WidthFor(const char* text) {
    HDC dc = GetDC(extState.popupWindow);
    HGDIOBJ old = SelectObject(dc, popupFontHandle);
    SIZE extent;
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
    SelectObject(dc, old);
    ReleaseDC(extState.popupWindow, dc);
    return extent.cx + 3;
  }
  RECT PopupRect() {
    RECT r{};
    GetWindowRect(extState.popupWindow, &r);
    return r;
  }
};

TEST_F(PopupTest, TheDescriptionShowsBelowTheBarOrTheMenuTextWithoutOne) {
  LoadBar("0");
  MessageBoxCatcher catcher;
  RestOn(0);
  ASSERT_NE(extState.popupWindow, nullptr);
  EXPECT_TRUE(IsWindowVisible(extState.popupWindow));
  EXPECT_EQ(GetWindow(extState.popupWindow, GW_OWNER), frame_);
  RECT bar, popup = PopupRect();
  GetWindowRect(extState.barWindow, &bar);
  EXPECT_EQ(popup.top, bar.bottom + 1);
  EXPECT_EQ(popup.left, bar.left + Records()[0].left);
  EXPECT_EQ(popup.right - popup.left, WidthFor("Copies the selected files"));
  EXPECT_EQ(hitButton, nullptr);
  EXPECT_EQ(popupBuilding, 0);
  for (HLOCAL handle : Handles()) EXPECT_EQ(LocalFlags(handle) & LMEM_LOCKCOUNT, 0u);

  TearDownPopup();
  EXPECT_EQ(extState.popupWindow, nullptr);
  EXPECT_EQ(popupBrush, nullptr);
  EXPECT_EQ(popupFontHandle, nullptr);
  RestOn(1);
  ASSERT_NE(extState.popupWindow, nullptr);
  EXPECT_EQ(PopupRect().right - PopupRect().left, WidthFor("Move"));
  EXPECT_TRUE(catcher.boxes().empty());
}

TEST_F(PopupTest, NothingBetweenButtonsAndNothingWhileSuppressed) {
  LoadBar("0");
  std::vector<ButtonRecord> r = Records();
  POINT gap = {(r[0].right + r[1].left) / 2, r[0].top + 5};
  ClientToScreen(extState.barWindow, &gap);
  SetCursorPos(gap.x, gap.y);
  PopupTimerProc(extState.barWindow, WM_TIMER, 1, 0);
  EXPECT_EQ(extState.popupWindow, nullptr);
  popupSuppressed = 1;
  RestOn(0);
  EXPECT_EQ(extState.popupWindow, nullptr);
  EXPECT_EQ(popupTimerPending, 0);
}

TEST_F(PopupTest, ATearDownDuringTheBuildingWaitsForItsEnd) {
  LoadBar("0");
  RestOn(0);
  ASSERT_NE(extState.popupWindow, nullptr);
  HWND shown = extState.popupWindow;
  popupBuilding = 1;  // as inside the timer routine
  TearDownPopup();
  EXPECT_TRUE(IsWindow(shown));
  popupBuilding = 0;
  // The timer routine ends (here finding no button under the cursor) by
  // carrying out the tear-down asked for meanwhile.
  std::vector<ButtonRecord> r = Records();
  POINT gap = {r[1].right + 20, r[1].top + 5};
  ClientToScreen(extState.barWindow, &gap);
  SetCursorPos(gap.x, gap.y);
  PopupTimerProc(extState.barWindow, WM_TIMER, 1, 0);
  EXPECT_FALSE(IsWindow(shown));
  EXPECT_EQ(extState.popupWindow, nullptr);
}

}  // namespace
