// The load sequence and the MDI client's placement in a small frame of File
// Manager's window classes: what only a test from inside can set up (the real
// DLL in the stand-in File Manager: tests/integration).
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "bar/real_bar_fixture.h"
#include "resources/resource.h"
#include "support/msgbox_catcher.h"

namespace {

// A child window's left, top, right and bottom in its parent.
using Place = std::array<LONG, 4>;
Place PlaceOf(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

using LoadSequenceTest = RealBarTest;

// Loads that end early: one report, File Manager's record untouched, and no
// command of ours posted before File Manager has told our IDs.
TEST_F(LoadSequenceTest, ALoadThatFailsIsReportedOnceAndPostsNoCommand) {
  const struct {
    const char* barOn;
    bool popupClassTaken, noMdiClient, noFrame;  // in this order: each row takes more away
    const char* text;
  } cases[] = {
      {"0", true, false, false, "QXINIT :11 - RegisterClass failed."},
      {"1", true, false, false, "QXINIT :11 - RegisterClass failed."},
      {"0", false, true, false, "QXINIT :4 - EnumerateChildWindows failed."},
      {"0", false, true, true, "QXINIT :3 - FindWindow failed."},
  };
  WNDCLASSA taken = {};
  taken.lpfnWndProc = DefWindowProcA;
  taken.hInstance = extState.instance;
  taken.lpszClassName = "QXPopUp";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    WriteSettingsFile({{"Icon Bar", {{"Bar On", c.barOn}}}});
    if (c.noMdiClient) DestroyWindow(mdiClient_);
    if (c.noFrame) DestroyWindow(frame_);
    // The clean-up unregisters it.
    ASSERT_TRUE(!c.popupClassTaken || RegisterClassA(&taken));
    FMS_LOADA load;
    std::memset(&load, 0xAB, sizeof load);
    load.wMenuDelta = kDelta;
    const FMS_LOADA before = load;
    MessageBoxCatcher catcher;
    EXPECT_EQ(FMExtensionProc(c.noFrame ? nullptr : frame_, FMEVENT_LOAD,
                              reinterpret_cast<LPARAM>(&load)),
              1);
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(catcher.boxes()[0].text, c.text);
    EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
    EXPECT_EQ(std::memcmp(&load, &before, sizeof load), 0);
    if (!c.noMdiClient) MoveWindow(mdiClient_, 0, 0, 400, 201, TRUE);  // placed anew
    FrameLog::Messages().clear();
    Pump();
    for (const MSG& message : FrameLog::Messages()) EXPECT_NE(message.message, UINT(WM_COMMAND));
    CleanUpExtension();
    ResetExtensionState();
    ResetBarSettings();
    extState.instance = GetModuleHandleA(nullptr);
    RemoveSettingsFiles();
  }
}

using MdiPlacementTest = RealBarTest;

// The bar takes the client's top and the client moves down, the tree windows
// sticking out of it are fitted in after; a pure move and a bar switched off
// pass unchanged.
TEST_F(MdiPlacementTest, TheClientMakesRoomAndTreeWindowsAreFittedIntoIt) {
  WriteSettingsFile({{"Icon Bar", {{"Bar Height", "30"}, {"Bar Length", "500"}}}});
  ASSERT_NE(Load(), nullptr);
  SetWindowPos(mdiClient_, nullptr, 0, 0, 700, 400, SWP_NOZORDER);
  EXPECT_EQ(PlaceOf(mdiClient_), (Place{0, 31, 700, 400}));
  EXPECT_EQ(PlaceOf(extState.barWindow), (Place{0, 0, 500, 30}));
  FrameLog::Messages().clear();
  Pump();
  EXPECT_EQ(FrameLog::Count(WM_COMMAND, kDelta + CMD_RELAYOUT_TREES), 1);

  const int b = GetSystemMetrics(SM_CYBORDER);
  const int maxTop = -(2 * b + GetSystemMetrics(SM_CYCAPTION));
  const struct {
    const char* className;
    int x, y, cx, cy;
    bool maximized;
    int top, bottom;  // in the client, 369 high
  } cases[] = {
      {"WFS_Tree", 10, 10, 200, 100, false, 10, 110},  // inside
      {"WFS_Tree", 20, 40, 200, 500, false, 40, 369},  // bottom out
      {"WFS_Tree", 30, -20, 200, 500, false, b, 369},  // both out
      {"WFS_Tree", 40, -20, 200, 100, false, b, 369},  // top out
      {"WFS_Other", 50, 40, 200, 500, false, 40, 540},
      {"WFS_Tree", 0, maxTop, 700, 500, true, maxTop, maxTop + 369 + 5 * b},
      {"WFS_Tree", 0, maxTop, 700, 300, true, maxTop, maxTop + 300},
  };
  WNDCLASSA treeClass{};
  treeClass.lpfnWndProc = DefWindowProcA;
  treeClass.hInstance = GetModuleHandleA(nullptr);
  for (const char* name : {"WFS_Tree", "WFS_Other"}) {
    treeClass.lpszClassName = name;
    RegisterClassA(&treeClass);
  }
  std::vector<HWND> trees;
  for (const auto& c : cases) {
    // Marked maximized by its style alone, so that its place is the test's.
    trees.push_back(CreateWindowExA(0, c.className, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                                    mdiClient_, nullptr, treeClass.hInstance, nullptr));
    if (c.maximized)
      SetWindowLongPtrA(trees.back(), GWL_STYLE, WS_CHILD | WS_VISIBLE | WS_MAXIMIZE);
    SetWindowPos(trees.back(), nullptr, c.x, c.y, c.cx, c.cy, SWP_NOZORDER);
  }
  MessageBoxCatcher catcher;
  FMExtensionProc(frame_, CMD_RELAYOUT_TREES, 0);
  EXPECT_TRUE(catcher.boxes().empty());
  for (size_t n = 0; n < trees.size(); ++n) {
    const auto& c = cases[n];
    EXPECT_EQ(PlaceOf(trees[n]), (Place{c.x, c.top, c.x + c.cx, c.bottom})) << n;
    DestroyWindow(trees[n]);
  }
  for (const char* name : {"WFS_Tree", "WFS_Other"}) UnregisterClassA(name, treeClass.hInstance);

  SetWindowPos(mdiClient_, nullptr, 5, 50, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
  EXPECT_EQ(PlaceOf(mdiClient_), (Place{5, 50, 705, 419}));
  EXPECT_EQ(PlaceOf(extState.barWindow), (Place{0, 0, 500, 30}));
  FrameLog::Messages().clear();
  Pump();
  EXPECT_EQ(FrameLog::Count(WM_COMMAND, kDelta + CMD_RELAYOUT_TREES), 0);
  extState.barOn = 0;
  SetWindowPos(mdiClient_, nullptr, 0, 0, 700, 410, SWP_NOZORDER);
  EXPECT_EQ(PlaceOf(mdiClient_), (Place{0, 0, 700, 410}));
}

}  // namespace
