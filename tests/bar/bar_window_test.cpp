// The bar window's mouse: hit tests on edges and gaps, the pressed state and
// its end, the right-click menus driven by keyboard input, Delete Button, and
// the bar resized through its border.
#include <gtest/gtest.h>

#include "bar/bar_window.h"
#include "bar/real_bar_fixture.h"
#include "resources/resource.h"
#include "support/msgbox_catcher.h"

namespace {

class BarMouseTest : public RealBarTest {
 protected:
  void LoadButtons(const std::vector<std::string>& texts) {
    SettingsText s = MenuButtons(texts);
    s["Icon Bar"]["Bar Length"] = "600";
    s["Icon Bar"]["Bar Height"] = "48";
    s["Icon Bar"]["Icons Spaced Horizontal Evenly"] = "1";
    WriteSettingsFile(s);
    ASSERT_NE(Load(), nullptr);
    MoveWindow(mdiClient_, 0, 0, 780, 330, TRUE);
    UpdateWindow(extState.barWindow);
    Pump();
    FrameLog::Messages().clear();
  }
  LRESULT Send(UINT message, LPARAM point) {
    return SendMessageA(extState.barWindow, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0,
                        point);
  }
  // Right-clicks at `point` with `key` already waiting for the menu, then lets
  // the chosen command arrive.
  void RightClickChoosing(LPARAM point, char key) {
    PostMessageA(extState.barWindow, WM_CHAR, key, 0);
    Send(WM_RBUTTONDOWN, point);
    Send(WM_RBUTTONUP, point);
    Pump();
  }
  std::vector<std::string> ProgramTexts() {
    std::vector<std::string> texts;
    for (const ButtonRecord& r : Records()) {
      auto* text = static_cast<const char*>(LocalLock(r.programName.handle));
      texts.push_back(text ? text : "");
      LocalUnlock(r.programName.handle);
    }
    return texts;
  }
};

TEST_F(BarMouseTest, AHitNeedsAPointStrictlyInsideAButton) {
  LoadButtons({"Copy", "Move"});
  std::vector<ButtonRecord> r = Records();
  ASSERT_EQ(r.size(), 2u);
  struct Probe {
    int x, y;
    bool hits;
  } probes[] = {
      {r[0].left, (r[0].top + r[0].bottom) / 2, false},     // left edge
      {r[0].left + 1, (r[0].top + r[0].bottom) / 2, true},  // just inside
      {r[0].right, (r[0].top + r[0].bottom) / 2, false},    // right edge
      {r[0].left + 5, r[0].top, false},                     // top edge
      {r[0].left + 5, r[0].bottom, false},                  // bottom edge
      {(r[0].right + r[1].left) / 2, r[0].top + 5, false},  // the gap
      {r[1].right - 1, r[1].bottom - 1, true},              // second, last pixel
      {r[1].right + 50, r[1].top + 5, false},               // right of all
  };
  for (const Probe& p : probes) {
    mousePoint = {p.x, p.y};
    EXPECT_EQ(HitTest() != 0, p.hits) << p.x << "," << p.y;
    EXPECT_EQ(listReady, 0);
    if (hitButton) {
      HLOCAL handle = LocalHandle(hitButton);
      EXPECT_EQ(LocalFlags(handle) & LMEM_LOCKCOUNT, 1u);  // the hit test's lock
      LocalUnlock(handle);
      hitButton = nullptr;
    }
    listReady = 1;
  }
  mousePoint = {r[1].left + 3, r[1].top + 3};
  ASSERT_TRUE(HitTest());
  EXPECT_EQ(LocalHandle(buttonBeforePoint), Handles()[0]);
  LocalUnlock(LocalHandle(hitButton));
  hitButton = nullptr;
  listReady = 1;
}

TEST_F(BarMouseTest, APressCapturesInvertsAndTheReleaseRunsAndRestores) {
  LoadButtons({"Copy", "Move"});
  std::vector<ButtonRecord> r = Records();
  HCURSOR classCursor =
      reinterpret_cast<HCURSOR>(GetClassLongPtrA(extState.barWindow, GCLP_HCURSOR));
  ASSERT_NE(classCursor, nullptr);
  SetCursor(classCursor);
  HDC dc = GetDC(extState.barWindow);
  const COLORREF before = GetPixel(dc, r[1].left, r[1].top);

  EXPECT_EQ(Send(WM_LBUTTONDOWN, Centre(r[1])), 0);
  EXPECT_EQ(GetCapture(), extState.barWindow);
  EXPECT_NE(GetCursor(), classCursor);  // the pressed cursor
  EXPECT_EQ(GetClassLongPtrA(extState.barWindow, GCLP_HCURSOR), 0);
  EXPECT_EQ(GetPixel(dc, r[1].left, r[1].top), before ^ 0xFFFFFF);
  EXPECT_NE(hitButton, nullptr);
  EXPECT_EQ(listReady, 0);
  EXPECT_EQ(popupSuppressed, 1);

  // Released beside the button: it runs all the same.
  Send(WM_LBUTTONUP, PointParam(r[1].right + 40, r[1].top + 2));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetCursor(), classCursor);
  EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(extState.barWindow, GCLP_HCURSOR)),
            classCursor);
  EXPECT_EQ(GetPixel(dc, r[1].left, r[1].top), before);
  ReleaseDC(extState.barWindow, dc);
  EXPECT_EQ(hitButton, nullptr);
  EXPECT_EQ(currentButton, nullptr);
  EXPECT_EQ(listReady, 1);
  EXPECT_EQ(clickReleased, 1);
  for (HLOCAL handle : Handles()) EXPECT_EQ(LocalFlags(handle) & LMEM_LOCKCOUNT, 0u);
  // The Move button carried out File Manager's Move command.
  EXPECT_EQ(FrameLog::Count(WM_COMMAND, kMoveCommand), 1);
  EXPECT_EQ(FrameLog::Count(FM_REFRESH_WINDOWS, 0), 1);
}

TEST_F(BarMouseTest, APressBesideTheButtonsAsksForARefreshAndLeavesTheBarIdle) {
  LoadButtons({"Copy"});
  std::vector<ButtonRecord> r = Records();
  EXPECT_EQ(Send(WM_LBUTTONDOWN, PointParam(r[0].left, r[0].top + 5)), 0);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(hitButton, nullptr);
  EXPECT_EQ(listReady, 1);
  EXPECT_EQ(popupSuppressed, 0);
  EXPECT_EQ(FrameLog::Count(FM_REFRESH_WINDOWS, 1), 1);
  Send(WM_LBUTTONUP, PointParam(r[0].left, r[0].top + 5));
  EXPECT_EQ(FrameLog::Count(WM_COMMAND, kCopyCommand), 0);
}

TEST_F(BarMouseTest, TheBarMenuHandsItsCommandsToFileManager) {
  LoadButtons({"Copy"});
  std::vector<ButtonRecord> r = Records();
  const LPARAM beside = PointParam(r[0].right + 60, r[0].top + 5);
  struct Choice {
    char key;
    UINT command;
  } choices[] = {{'m', CMD_MENU_BUTTON},
                 {'p', CMD_PROGRAM_BUTTON},
                 {'b', CMD_BAR_OPTIONS},
                 {'u', CMD_POPUP_OPTIONS}};
  for (const Choice& c : choices) {
    FrameLog::Messages().clear();
    RightClickChoosing(beside, c.key);
    EXPECT_EQ(FrameLog::Count(WM_COMMAND, kDelta + c.command), 1) << c.key;
    EXPECT_EQ(listReady, 1);
    EXPECT_EQ(popupSuppressed, 0);
    EXPECT_EQ(hitButton, nullptr);
  }
}

TEST_F(BarMouseTest, ChangeButtonEditsTheRightClickedButton) {
  LoadButtons({"Copy", "Move"});
  std::vector<ButtonRecord> r = Records();
  RightClickChoosing(Centre(r[1]), 'c');
  EXPECT_EQ(currentButton, Handles()[1]);
  ASSERT_NE(editedButton, nullptr);
  EXPECT_EQ(LocalHandle(editedButton), Handles()[1]);
  EXPECT_EQ(FrameLog::Count(WM_COMMAND, kDelta + CMD_MENU_BUTTON), 1);  // a menu button
  LocalUnlock(LocalHandle(editedButton));
  editedButton = nullptr;
}

TEST_F(BarMouseTest, DeleteButtonFromTheButtonMenuFirstMiddleLastAndOnly) {
  LoadButtons({"Copy", "Move", "Delete", "Rename"});
  auto deleteAt = [this](size_t index) {
    std::vector<ButtonRecord> r = Records();
    RightClickChoosing(Centre(r[index]), 'd');
  };
  deleteAt(1);  // middle
  EXPECT_EQ(ProgramTexts(), (std::vector<std::string>{"Copy", "Delete", "Rename"}));
  EXPECT_EQ(barSettings.buttonCount, 3);
  EXPECT_EQ(extState.saveState, SAVE_AT_UNLOAD);
  deleteAt(2);  // last: its predecessor ends the list
  EXPECT_EQ(ProgramTexts(), (std::vector<std::string>{"Copy", "Delete"}));
  EXPECT_EQ(lastButton, Handles()[1]);
  deleteAt(0);  // first
  EXPECT_EQ(ProgramTexts(), (std::vector<std::string>{"Delete"}));
  EXPECT_EQ(GetFirstButton(), lastButton);
  // The survivor moved to the first place.
  EXPECT_EQ(Records()[0].left, firstIconLeft);
  // A record still held elsewhere (a dialog has it) is not deleted, and
  // nothing else is: the count and the settings stay as they were.
  extState.saveState = SAVE_NOTHING;
  LocalLock(Handles()[0]);
  deleteAt(0);
  LocalUnlock(Handles()[0]);
  EXPECT_EQ(ProgramTexts(), (std::vector<std::string>{"Delete"}));
  EXPECT_EQ(barSettings.buttonCount, 1);
  EXPECT_EQ(extState.saveState, SAVE_NOTHING);
  deleteAt(0);  // only
  EXPECT_EQ(GetFirstButton(), nullptr);
  EXPECT_EQ(lastButton, nullptr);
  EXPECT_EQ(barSettings.buttonCount, 0);
}

TEST_F(BarMouseTest, ASecondPressWithNothingBetweenIsIgnored) {
  LoadButtons({"Copy"});
  std::vector<ButtonRecord> r = Records();
  Send(WM_LBUTTONDOWN, Centre(r[0]));
  ButtonRecord* pressed = hitButton;
  ASSERT_NE(pressed, nullptr);
  Send(WM_LBUTTONDOWN, Centre(r[0]));
  EXPECT_EQ(hitButton, pressed);
  EXPECT_EQ(LocalFlags(Handles()[0]) & LMEM_LOCKCOUNT, 1u);
  Send(WM_LBUTTONUP, Centre(r[0]));
  EXPECT_EQ(FrameLog::Count(WM_COMMAND, kCopyCommand), 1);
  EXPECT_EQ(LocalFlags(Handles()[0]) & LMEM_LOCKCOUNT, 0u);
}

TEST_F(BarMouseTest, ResizingThroughTheBorderKeepsTheSettingsAndLaysOutAgain) {
  LoadButtons({"Copy", "Move"});
  ASSERT_NE(extState.firstPaintBarRect.right, 0);
  RECT bar;
  GetWindowRect(extState.barWindow, &bar);
  const int oldSecondLeft = Records()[1].left;
  SetWindowPos(extState.barWindow, nullptr, 0, 0, 300, 56, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(barSettings.barLength, 300);
  EXPECT_EQ(barSettings.barHeight, 56);
  EXPECT_LT(Records()[1].left, oldSecondLeft);  // the row was centred anew
  // A size command pending: the next hit-test message asks for a refresh, once.
  // The sizing loop that the command starts ends at the Escape waiting for it.
  PostMessageA(extState.barWindow, WM_KEYDOWN, VK_ESCAPE, 0);
  SendMessageA(extState.barWindow, WM_SYSCOMMAND, SC_SIZE | 8, 0);
  EXPECT_EQ(sizingPending, 1);
  SendMessageA(extState.barWindow, WM_NCHITTEST, 0, 0);
  SendMessageA(extState.barWindow, WM_NCHITTEST, 0, 0);
  EXPECT_EQ(sizingPending, 0);
  EXPECT_EQ(FrameLog::Count(FM_REFRESH_WINDOWS, 1), 1);
}

}  // namespace
