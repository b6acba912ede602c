// The bar window's mouse: hit tests on edges and gaps, the pressed state and
// its end, the right-click menus driven by keyboard input, Delete Button, the
// bar resized through its border, moving buttons, and the mouse taken away
// in the middle of a press or a move.
#include <gtest/gtest.h>

#include <algorithm>

#include "bar/bar_window.h"
#include "bar/move.h"
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

// Every way a move ends, one after the other on five buttons: each row names
// the button moved, where the next click goes (relative to a button still on
// the bar, by its text) and with which mouse button, and the order afterwards.
TEST_F(BarMouseTest, MovesPlaceOrCancelByWhereAndHowTheBarIsClicked) {
  LoadButtons({"Copy", "Move", "Delete", "Rename", "Search"});
  enum Where { kRightHalf, kLeftHalf, kLeftEdge, kLeftOfAll, kFarRight, kAbove, kBelow };
  struct Case {
    const char* moved;
    const char* target;
    Where where;
    UINT press;
    std::vector<std::string> order;
  } cases[] = {
      {"Copy",
       "Delete",
       kRightHalf,
       WM_LBUTTONDOWN,
       {"Move", "Delete", "Copy", "Rename", "Search"}},
      {"Search", "Move", kLeftHalf, WM_LBUTTONDOWN, {"Search", "Move", "Delete", "Copy", "Rename"}},
      {"Delete", "Copy", kLeftEdge, WM_LBUTTONDOWN, {"Search", "Move", "Copy", "Delete", "Rename"}},
      {"Move",
       "Search",
       kLeftOfAll,
       WM_LBUTTONDOWN,
       {"Move", "Search", "Copy", "Delete", "Rename"}},
      {"Move", "Rename", kFarRight, WM_LBUTTONDOWN, {"Search", "Copy", "Delete", "Rename", "Move"}},
      {"Delete", "Copy", kAbove, WM_LBUTTONDOWN, {"Search", "Copy", "Delete", "Rename", "Move"}},
      {"Search", "Copy", kBelow, WM_LBUTTONDOWN, {"Search", "Copy", "Delete", "Rename", "Move"}},
      {"Move", "Copy", kRightHalf, WM_RBUTTONDOWN, {"Search", "Copy", "Delete", "Rename", "Move"}},
      {"Copy", "Rename", kLeftHalf, WM_MBUTTONDOWN, {"Search", "Copy", "Delete", "Rename", "Move"}},
  };
  HCURSOR classCursor =
      reinterpret_cast<HCURSOR>(GetClassLongPtrA(extState.barWindow, GCLP_HCURSOR));
  HDC dc = GetDC(extState.barWindow);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.moved) + " by " + c.target);
    extState.saveState = SAVE_NOTHING;
    auto indexOf = [this](const char* text) {
      std::vector<std::string> texts = ProgramTexts();
      return size_t(std::find(texts.begin(), texts.end(), text) - texts.begin());
    };
    const ButtonRecord moved = Records()[indexOf(c.moved)];
    const COLORREF before = GetPixel(dc, moved.left + 2, moved.top + 2);
    RightClickChoosing(Centre(moved), 'm');
    ASSERT_EQ(moveMode, 1);
    EXPECT_EQ(ProgramTexts().size(), 4u);  // out of the list while it moves
    EXPECT_EQ(GetCapture(), extState.barWindow);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_CROSS));
    EXPECT_EQ(GetClassLongPtrA(extState.barWindow, GCLP_HCURSOR), 0);
    EXPECT_EQ(GetPixel(dc, moved.left + 2, moved.top + 2), before ^ 0xFFFFFF);
    // Resting the mouse starts no popup, and a stray release ends nothing.
    Send(WM_MOUSEMOVE, PointParam(moved.left + 3, moved.top + 3));
    Send(WM_LBUTTONUP, PointParam(moved.left + 3, moved.top + 3));
    EXPECT_EQ(popupTimerPending, 0);
    EXPECT_EQ(moveMode, 1);

    const ButtonRecord t = Records()[indexOf(c.target)];
    const int row = (t.top + t.bottom) / 2;
    const POINT at[] = {{t.right - 2, row},
                        {t.left + 2, row},
                        {t.left, row},
                        {t.left - 3, row},
                        {barSettings.barLength + 100, row},
                        {t.left + 2, iconTop - 1},
                        {t.left + 2, barSettings.barHeight - barFrameHeight / 2 + 1}};
    Send(c.press, PointParam(at[c.where].x, at[c.where].y));
    Send(c.press + 1, PointParam(at[c.where].x, at[c.where].y));
    EXPECT_EQ(moveMode, 0);
    EXPECT_EQ(ProgramTexts(), c.order);
    std::vector<HLOCAL> handles = Handles();
    EXPECT_EQ(GetFirstButton(), handles.front());
    EXPECT_EQ(lastButton, handles.back());
    for (HLOCAL handle : handles) EXPECT_EQ(LockCount(handle), 0u);
    const bool placed = c.press == WM_LBUTTONDOWN && c.where <= kFarRight;
    EXPECT_EQ(extState.saveState, placed ? SAVE_AT_UNLOAD : SAVE_NOTHING);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(moveHintWindow, nullptr);
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(extState.barWindow, GCLP_HCURSOR)),
              classCursor);
    EXPECT_EQ(FrameLog::Count(WM_COMMAND, kCopyCommand), 0);  // nothing ran
    Pump();
  }
  ReleaseDC(extState.barWindow, dc);
  // The laid-out bar follows the list, and the save writes its order.
  std::vector<ButtonRecord> r = Records();
  for (size_t i = 1; i < r.size(); ++i) EXPECT_GT(r[i].left, r[i - 1].left);
  SaveSettings();
  char first[64] = "";
  GetPrivateProfileStringA("Icon0", "Program Name or Menu Item", "", first, sizeof first,
                           SettingsPath().c_str());
  EXPECT_STREQ(first, "Search");
}

TEST_F(BarMouseTest, TheHintWindowTellsWhatToDoUnderTheBar) {
  LoadButtons({"Copy", "Move"});
  RightClickChoosing(Centre(Records()[1]), 'm');
  ASSERT_NE(moveHintWindow, nullptr);
  char className[32] = "", text[300] = "";
  GetClassNameA(moveHintWindow, className, sizeof className);
  GetWindowTextA(moveHintWindow, text, sizeof text);
  EXPECT_STREQ(className, "Static");
  EXPECT_STREQ(text,
               "Move the cross to the new icon location and left-click.  To cancel the move, "
               "right-click, or left-click outside the iconbar.");
  EXPECT_EQ(GetWindowLongA(moveHintWindow, GWL_STYLE) & ~WS_CLIPSIBLINGS,
            LONG(WS_POPUP | WS_VISIBLE | WS_BORDER | SS_CENTER));
  HDC dc = GetDC(extState.barWindow);
  SIZE extent;
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
  ReleaseDC(extState.barWindow, dc);
  RECT bar, hint;
  GetWindowRect(extState.barWindow, &bar);
  GetWindowRect(moveHintWindow, &hint);
  EXPECT_EQ(hint.left, 0);
  EXPECT_EQ(hint.top, bar.bottom + 1);
  EXPECT_EQ(hint.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(hint.bottom - hint.top, 2 * extent.cy);
  EXPECT_EQ(GetWindow(moveHintWindow, GW_OWNER), GetAncestor(extState.barWindow, GA_ROOT));
  Send(WM_RBUTTONDOWN, Centre(Records()[0]));
  EXPECT_EQ(moveMode, 0);
}

TEST_F(BarMouseTest, WithOneButtonMoveButtonDoesNothing) {
  LoadButtons({"Copy"});
  RightClickChoosing(Centre(Records()[0]), 'm');
  EXPECT_EQ(moveMode, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(LockCount(Handles()[0]), 0u);
}

// A press or a move that loses the mouse (another window takes it, or the bar
// is told to cancel its modes, as when a dialog comes up) ends cleanly: the
// button looks as before, the cursor is back, nothing stays locked, the list
// is whole and the bar paints and answers clicks again.
TEST_F(BarMouseTest, LosingTheMouseEndsAPressOrAMove) {
  LoadButtons({"Copy", "Move", "Delete"});
  HCURSOR classCursor =
      reinterpret_cast<HCURSOR>(GetClassLongPtrA(extState.barWindow, GCLP_HCURSOR));
  HDC dc = GetDC(extState.barWindow);
  const std::vector<std::string> order = ProgramTexts();
  for (bool moving : {false, true}) {
    for (bool cancelMode : {false, true}) {
      SCOPED_TRACE(std::string(moving ? "move" : "press") + (cancelMode ? ", cancel mode" : ""));
      SetCursor(classCursor);
      const ButtonRecord r = Records()[2];
      const COLORREF before = GetPixel(dc, r.left + 2, r.top + 2);
      if (moving)
        RightClickChoosing(Centre(r), 'm');
      else
        Send(WM_LBUTTONDOWN, Centre(r));
      ASSERT_EQ(GetCapture(), extState.barWindow);
      if (cancelMode) {
        SendMessageA(extState.barWindow, WM_CANCELMODE, 0, 0);
      } else {
        SetCapture(frame_);
        ReleaseCapture();
      }
      EXPECT_EQ(GetCapture(), nullptr);
      EXPECT_EQ(moveMode, 0);
      EXPECT_EQ(hitButton, nullptr);
      EXPECT_EQ(listReady, 1);
      EXPECT_EQ(GetPixel(dc, r.left + 2, r.top + 2), before);
      EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(extState.barWindow, GCLP_HCURSOR)),
                classCursor);
      EXPECT_EQ(ProgramTexts(), order);
      EXPECT_EQ(lastButton, Handles().back());
      for (HLOCAL handle : Handles()) EXPECT_EQ(LockCount(handle), 0u);
      Send(WM_LBUTTONUP, Centre(r));
      EXPECT_EQ(FrameLog::Count(WM_COMMAND, kDeleteCommand), 0);  // the lost press ran nothing
    }
  }
  // The bar works as before.
  Send(WM_LBUTTONDOWN, Centre(Records()[2]));
  Send(WM_LBUTTONUP, Centre(Records()[2]));
  EXPECT_EQ(FrameLog::Count(WM_COMMAND, kDeleteCommand), 1);
  ReleaseDC(extState.barWindow, dc);
}

}  // namespace
