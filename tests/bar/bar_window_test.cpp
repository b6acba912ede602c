// The bar window's mouse on a real bar; its right-click menus answered by keys.
#include <gtest/gtest.h>

#include "bar/bar_window.h"
#include "bar/move.h"
#include "bar/real_bar_fixture.h"
#include "resources/resource.h"
#include "support/msgbox_catcher.h"

namespace {

// The commands that reach the bar: a menu's choice must arrive, or a row would pass unchosen.
int barCommands = 0;
LRESULT CALLBACK CountingBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  barCommands += message == WM_COMMAND;
  return ButtonWndProc(window, message, wParam, lParam);
}

class BarMouseTest : public RealBarTest {
 protected:
  void LoadButtons(const std::vector<std::string>& texts) {
    std::vector<Keys> buttons;
    for (const std::string& text : texts) buttons.push_back(MenuButton(text));
    WriteSettings({{"Bar Length", "600"}, {"Bar Height", "48"}}, buttons);
    ASSERT_NE(Load(), nullptr);
    MoveWindow(mdiClient_, 0, 0, 780, 330, TRUE);
    UpdateWindow(extState.barWindow);
    Pump();
    classCursor_ = reinterpret_cast<HCURSOR>(GetClassLongPtrA(extState.barWindow, GCLP_HCURSOR));
    dc_ = GetDC(extState.barWindow);
    SetWindowLongPtrA(extState.barWindow, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(CountingBarProc));
    FrameLog::Messages().clear();
  }
  void TearDown() override {
    if (dc_) ReleaseDC(extState.barWindow, dc_);
    RealBarTest::TearDown();
  }
  LRESULT Send(UINT message, int x, int y) {
    return SendMessageA(extState.barWindow, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0,
                        MAKELPARAM(x, y));
  }
  // Right-clicks `x`, `y` (default: `r`'s middle) with `key` waiting for the menu.
  void RightClickChoosing(const ButtonRecord& r, char key, int x = -1, int y = -1) {
    PostMessageA(extState.barWindow, WM_CHAR, key, 0);
    if (x < 0) x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    const int commands = barCommands;
    Send(WM_RBUTTONDOWN, x, y);
    Send(WM_RBUTTONUP, x, y);
    Pump();
    EXPECT_EQ(barCommands, commands + 1) << "the menu's choice " << key;
  }
  std::string Order() {
    std::string order;
    for (const ButtonRecord& r : Records()) order += BlockText(r.programName.handle) + " ";
    return order;
  }
  ButtonRecord Button(const char* text) {
    for (const ButtonRecord& r : Records())
      if (BlockText(r.programName.handle) == text) return r;
    ADD_FAILURE() << text;
    return {};
  }
  // Nothing pressed, moving or held: the bar idle as after loading.
  void ExpectIdle() {
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(moveMode, 0);
    EXPECT_EQ(hitButton, nullptr);
    EXPECT_EQ(listReady, 1);
    EXPECT_EQ(moveHintWindow, nullptr);
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(extState.barWindow, GCLP_HCURSOR)),
              classCursor_);
    std::vector<HLOCAL> handles = Handles();
    EXPECT_EQ(lastButton, handles.empty() ? nullptr : handles.back());
    for (HLOCAL handle : handles) EXPECT_EQ(LockCount(handle), 0u);
  }
  HCURSOR classCursor_ = nullptr;
  HDC dc_ = nullptr;
};

// A press ignores a second one and runs the button at its release, even beside it; on the edge
// it hits nothing and asks for a refresh. Then the bar menu beside the buttons, and a resize.
TEST_F(BarMouseTest, PressesTheBarMenuAndResizing) {
  LoadButtons({"Copy", "Move"});
  const ButtonRecord r = Records()[1];
  enum End { kOnTheEdge, kRelease, kCaptureTaken, kCancelMode };
  for (End end : {kOnTheEdge, kRelease, kCaptureTaken, kCancelMode}) {
    SCOPED_TRACE(end);
    FrameLog::Messages().clear();
    SetCursor(classCursor_);
    const int x = end == kOnTheEdge ? r.left : r.left + 1;
    const COLORREF before = GetPixel(dc_, x, r.top + 1);
    const bool hit = end != kOnTheEdge;
    EXPECT_EQ(Send(WM_LBUTTONDOWN, x, r.top + 1), 0);
    EXPECT_EQ(GetCapture() == extState.barWindow, hit);
    EXPECT_EQ(GetCursor() != classCursor_, hit);
    EXPECT_EQ(GetPixel(dc_, x, r.top + 1), hit ? before ^ 0xFFFFFF : before);
    EXPECT_EQ(FrameLog::Count(FM_REFRESH_WINDOWS, 1), hit ? 0 : 1);
    Send(WM_LBUTTONDOWN, x, r.top + 1);
    EXPECT_EQ(LockCount(Handles()[1]), hit ? 1u : 0u);
    if (end == kCaptureTaken) SetCapture(frame_), ReleaseCapture();
    if (end == kCancelMode) SendMessageA(extState.barWindow, WM_CANCELMODE, 0, 0);
    Send(WM_LBUTTONUP, r.right + 40, r.top + 2);
    EXPECT_EQ(GetCursor(), classCursor_);
    EXPECT_EQ(GetPixel(dc_, x, r.top + 1), before);
    EXPECT_EQ(FrameLog::Count(WM_COMMAND, kMoveCommand), end == kRelease ? 1 : 0);
    EXPECT_EQ(FrameLog::Count(FM_REFRESH_WINDOWS, 0), end == kRelease ? 1 : 0);
    ExpectIdle();
  }
  const UINT commands[] = {CMD_MENU_BUTTON, CMD_PROGRAM_BUTTON, CMD_BAR_OPTIONS, CMD_POPUP_OPTIONS};
  for (int i = 0; i < 4; ++i) {
    FrameLog::Messages().clear();
    RightClickChoosing(r, "mpbu"[i], r.right + 60, r.top + 5);
    EXPECT_EQ(FrameLog::Count(WM_COMMAND, kDelta + commands[i]), 1) << i;
    ExpectIdle();
  }
  SetWindowPos(extState.barWindow, nullptr, 0, 0, 300, 56, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(barSettings.barLength, 300);
  EXPECT_EQ(barSettings.barHeight, 56);
  EXPECT_LT(Records()[1].left, r.left);
}

TEST_F(BarMouseTest, DeleteButtonFromTheButtonMenu) {
  LoadButtons({"Copy", "Move", "Delete", "Rename"});
  const struct {
    size_t index;
    bool heldElsewhere;  // a dialog has it: nothing is deleted, nothing changes
    const char* order;
  } cases[] = {{1, false, "Copy Delete Rename "},
               {2, false, "Copy Delete "},  // the last: its predecessor ends the list
               {0, false, "Delete "},
               {0, true, "Delete "},
               {0, false, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.order);
    extState.saveState = SAVE_NOTHING;
    const int count = barSettings.buttonCount;
    if (c.heldElsewhere) LocalLock(Handles()[c.index]);
    RightClickChoosing(Records()[c.index], 'd');
    if (c.heldElsewhere) LocalUnlock(Handles()[c.index]);
    EXPECT_EQ(Order(), c.order);
    EXPECT_EQ(barSettings.buttonCount, count - (c.heldElsewhere ? 0 : 1));
    EXPECT_EQ(extState.saveState, c.heldElsewhere ? SAVE_NOTHING : SAVE_AT_UNLOAD);
    ExpectIdle();
    if (barSettings.buttonCount == 1) {
      EXPECT_EQ(Records()[0].left, firstIconLeft) << "the survivor moved to the first place";
      RightClickChoosing(Records()[0], 'm');  // a single button is not moved
      ExpectIdle();
    }
  }
}

// Every way a move ends: the button moved, where the next press goes and which, or 0: mouse lost.
TEST_F(BarMouseTest, MovesPlaceOrCancelByWhereAndHowTheBarIsClicked) {
  LoadButtons({"Copy", "Move", "Delete", "Rename", "Search"});
  enum Where { kRightHalf, kLeftHalf, kLeftEdge, kFarRight, kBelow };
  const struct {
    const char *moved, *target;
    Where where;
    UINT press;
    const char* order;
  } cases[] = {
      {"Copy", "Delete", kRightHalf, WM_LBUTTONDOWN, "Move Delete Copy Rename Search "},
      {"Search", "Move", kLeftHalf, WM_LBUTTONDOWN, "Search Move Delete Copy Rename "},
      {"Delete", "Copy", kLeftEdge, WM_LBUTTONDOWN, "Search Move Copy Delete Rename "},
      {"Move", "Rename", kFarRight, WM_LBUTTONDOWN, "Search Copy Delete Rename Move "},
      {"Search", "Copy", kBelow, WM_LBUTTONDOWN, "Search Copy Delete Rename Move "},
      {"Move", "Copy", kRightHalf, WM_RBUTTONDOWN, "Search Copy Delete Rename Move "},
      {"Delete", "Copy", kLeftHalf, 0, "Search Copy Delete Rename Move "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.moved) + " by " + c.target);
    extState.saveState = SAVE_NOTHING;
    const ButtonRecord moved = Button(c.moved);
    const COLORREF before = GetPixel(dc_, moved.left + 2, moved.top + 2);
    RightClickChoosing(moved, 'm');
    ASSERT_EQ(moveMode, 1);
    EXPECT_EQ(Records().size(), 4u);  // out of the list while it moves
    EXPECT_EQ(GetCapture(), extState.barWindow);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_CROSS));
    EXPECT_EQ(GetPixel(dc_, moved.left + 2, moved.top + 2), before ^ 0xFFFFFF);
    EXPECT_TRUE(IsWindowVisible(moveHintWindow));
    Send(WM_LBUTTONUP, moved.left + 3, moved.top + 3);
    EXPECT_EQ(moveMode, 1) << "a stray release ends nothing";

    const ButtonRecord t = Button(c.target);
    const int x[] = {t.right - 2, t.left + 2, t.left, barSettings.barLength + 100, t.left + 2};
    const int y = c.where == kBelow ? barSettings.barHeight - barFrameHeight / 2 + 1 : t.top + 2;
    if (!c.press)
      SetCapture(frame_), ReleaseCapture();
    else
      Send(c.press, x[c.where], y), Send(c.press + 1, x[c.where], y);
    EXPECT_EQ(Order(), c.order);
    EXPECT_EQ(GetPixel(dc_, moved.left + 2, moved.top + 2), before);
    const bool placed = c.press == WM_LBUTTONDOWN && c.where <= kFarRight;
    EXPECT_EQ(extState.saveState, placed ? SAVE_AT_UNLOAD : SAVE_NOTHING);
    EXPECT_EQ(FrameLog::Count(WM_COMMAND, kCopyCommand), 0);  // nothing ran
    ExpectIdle();
    Pump();
  }
  std::vector<ButtonRecord> r = Records();  // the laid-out bar follows the list
  for (size_t i = 1; i < r.size(); ++i) EXPECT_GT(r[i].left, r[i - 1].left);
}

}  // namespace
