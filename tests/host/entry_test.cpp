// Load failures and the MDI client's placement: what only a test from inside can set up.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "bar/real_bar_fixture.h"
#include "resources/resource.h"
#include "support/gdi_count.h"
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

bool RegisterPlainClass(const char* name) {
  WNDCLASSA plain = {};
  plain.lpfnWndProc = DefWindowProcA;
  plain.hInstance = GetModuleHandleA(nullptr);
  plain.lpszClassName = name;
  return RegisterClassA(&plain) != 0;
}

using LoadSequenceTest = RealBarTest;

// A load that fails: one report, answered 0 with File Manager's record untouched and its MDI
// client's procedure back, none of our commands posted.
TEST_F(LoadSequenceTest, ALoadThatFailsIsReportedOnceAndPostsNoCommand) {
  const struct {
    const char* barOn;
    bool popupClassTaken, noMdiClient, noFrame;
    const char* text;
    int barClassTaken = 0;  // 2: again, and the GDI objects counted (the first time makes caches)
  } cases[] = {
      {"0", true, false, false, "QXINIT :11 - RegisterClass failed."},
      {"1", true, false, false, "QXINIT :11 - RegisterClass failed."},
      {"0", false, true, false, "QXINIT :4 - EnumerateChildWindows failed."},
      {"0", false, true, true, "QXINIT :3 - FindWindow failed."},
      {"1", false, false, false, "QXINIT :94 - RegisterClass failed.", 1},
      {"1", false, false, false, "QXINIT :94 - RegisterClass failed.", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    WriteSettings({{"Bar On", c.barOn}}, {});
    if (c.noMdiClient) DestroyWindow(mdiClient_);
    if (c.noFrame) DestroyWindow(frame_);
    ASSERT_TRUE(!c.popupClassTaken || RegisterPlainClass("QXPopUp"));
    ASSERT_TRUE(!c.barClassTaken || RegisterPlainClass("QX Iconbar"));
    const long objects = GdiObjectCount();
    FMS_LOADA load;
    std::memset(&load, 0xAB, sizeof load);
    load.wMenuDelta = kDelta;
    const FMS_LOADA before = load;
    MessageBoxCatcher catcher;
    EXPECT_EQ(FMExtensionProc(c.noFrame ? nullptr : frame_, FMEVENT_LOAD,
                              reinterpret_cast<LPARAM>(&load)),
              0);
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(catcher.boxes()[0].text, c.text);
    EXPECT_EQ(std::memcmp(&load, &before, sizeof load), 0);
    if (!c.noMdiClient) {
      EXPECT_EQ(GetWindowLongPtrA(mdiClient_, GWLP_WNDPROC),
                GetClassLongPtrA(mdiClient_, GCLP_WNDPROC));
    }
    EXPECT_TRUE(c.barClassTaken < 2 || (objects > 0 && GdiObjectCount() == objects))
        << "GDI objects before: " << objects << ", after: " << GdiObjectCount();
    if (!c.noMdiClient) MoveWindow(mdiClient_, 0, 0, 400, 201, TRUE);  // placed anew
    FrameLog::Messages().clear();
    Pump();
    for (const MSG& message : FrameLog::Messages()) EXPECT_NE(message.message, UINT(WM_COMMAND));
    TearDown();  // unregisters the class taken, too
    SetUp();
  }
}

using MdiPlacementTest = RealBarTest;

// The client moves down under the bar, tree windows sticking out are fitted in; a move passes.
TEST_F(MdiPlacementTest, TheClientMakesRoomAndTreeWindowsAreFittedIntoIt) {
  WriteSettings({{"Bar Height", "30"}, {"Bar Length", "500"}}, {});
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
    Place fitted;  // in the client, 369 high
  } cases[] = {
      {"WFS_Tree", 10, 10, 200, 100, false, {10, 10, 210, 110}},  // inside
      {"WFS_Tree", 20, 40, 200, 500, false, {20, 40, 220, 369}},  // bottom out
      {"WFS_Tree", 40, -20, 200, 100, false, {40, b, 240, 369}},  // top out
      {"WFS_Other", 50, 40, 200, 500, false, {50, 40, 250, 540}},
      {"WFS_Tree", 0, maxTop, 700, 500, true, {0, maxTop, 700, maxTop + 369 + 5 * b}},
      {"WFS_Tree", 0, maxTop, 700, 300, true, {0, maxTop, 700, maxTop + 300}},
  };
  for (const char* name : {"WFS_Tree", "WFS_Other"}) RegisterPlainClass(name);
  std::vector<HWND> trees;
  for (const auto& c : cases) {
    // Maximized by its style alone, so that its place is the test's.
    trees.push_back(CreateWindowExA(0, c.className, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                                    mdiClient_, nullptr, GetModuleHandleA(nullptr), nullptr));
    if (c.maximized)
      SetWindowLongPtrA(trees.back(), GWL_STYLE, WS_CHILD | WS_VISIBLE | WS_MAXIMIZE);
    SetWindowPos(trees.back(), nullptr, c.x, c.y, c.cx, c.cy, SWP_NOZORDER);
  }
  MessageBoxCatcher catcher;
  FMExtensionProc(frame_, CMD_RELAYOUT_TREES, 0);
  EXPECT_TRUE(catcher.boxes().empty());
  for (size_t n = 0; n < trees.size(); ++n)  // the classes stay; the frame takes the windows
    EXPECT_EQ(PlaceOf(trees[n]), cases[n].fitted) << n;
  SetWindowPos(mdiClient_, nullptr, 5, 50, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
  EXPECT_EQ(PlaceOf(mdiClient_), (Place{5, 50, 705, 419}));
  EXPECT_EQ(PlaceOf(extState.barWindow), (Place{0, 0, 500, 30}));
  FrameLog::Messages().clear();
  Pump();
  EXPECT_EQ(FrameLog::Count(WM_COMMAND, kDelta + CMD_RELAYOUT_TREES), 0);
}

}  // namespace
