// The load sequence against a frame of File Manager's classes, File Manager's
// placement of its MDI client around the bar, the tree windows fitted into the
// shortened client, and the clean-up after a failed or repeated load.
#include <gtest/gtest.h>

#include <cstring>

#include "bar/real_bar_fixture.h"
#include "resources/resource.h"
#include "support/msgbox_catcher.h"

namespace {

using LoadSequenceTest = RealBarTest;

RECT ChildRect(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(LoadSequenceTest, ACompleteLoadSetsUpClassesBarAndSubclass) {
  SettingsText settings = MenuButtons({"Copy", "Move"});
  settings["Icon Bar"]["Bar Framed"] = "0";
  WriteSettingsFile(settings);
  MessageBoxCatcher catcher;
  WNDPROC mdiOwnProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(mdiClient_, GWLP_WNDPROC));
  ASSERT_EQ(Load(), extState.extensionMenu);
  EXPECT_TRUE(catcher.boxes().empty());
  EXPECT_EQ(load_.dwSize, sizeof(FMS_LOADA));
  EXPECT_STREQ(load_.szMenuName, "&QX's Extension");
  EXPECT_EQ(extState.menuDelta, kDelta);
  EXPECT_EQ(extState.mdiClientWindow, mdiClient_);
  EXPECT_EQ(extState.savedMdiClientProc, mdiOwnProc);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(mdiClient_, GWLP_WNDPROC)), MDIWndProc);

  WNDCLASSA barClass;
  ASSERT_TRUE(GetClassInfoA(extState.instance, "QX Iconbar", &barClass));
  EXPECT_EQ(barClass.lpfnWndProc, ButtonWndProc);
  EXPECT_EQ(barClass.cbWndExtra, int(sizeof(LONG_PTR)));
  EXPECT_EQ(barClass.style, 0u);
  EXPECT_NE(barClass.hCursor, nullptr);
  EXPECT_EQ(barClass.hbrBackground, extState.barBrush);
  WNDCLASSA popupClass;
  ASSERT_TRUE(GetClassInfoA(extState.instance, "QXPopUp", &popupClass));
  EXPECT_EQ(popupClass.hbrBackground, nullptr);
  EXPECT_EQ(popupClass.hCursor, nullptr);
  WNDCLASSA dialogClass;
  ASSERT_TRUE(GetClassInfoA(extState.fileManagerInstance, MAKEINTATOM(32770), &dialogClass));
  EXPECT_EQ(dialogClass.lpfnWndProc, DlgProc);

  HWND bar = extState.barWindow;
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(GetParent(bar), frame_);
  EXPECT_EQ(GetDlgCtrlID(bar), 9876);
  EXPECT_EQ(GetWindowLongA(bar, GWL_STYLE), 0x54000000);
  EXPECT_TRUE(GetWindowLongA(bar, GWL_EXSTYLE) & WS_EX_NOPARENTNOTIFY);
  char title[64] = "";
  GetWindowTextA(bar, title, sizeof title);
  EXPECT_STREQ(title, "QX Iconbar");
  RECT r = ChildRect(bar);
  EXPECT_EQ(r.right - r.left, barSettings.barLength);
  EXPECT_EQ(r.bottom - r.top, barSettings.barHeight);
  EXPECT_EQ(listReady, 1);
  EXPECT_EQ(Records().size(), 2u);
  for (HLOCAL handle : Handles()) EXPECT_EQ(LocalFlags(handle) & LMEM_LOCKCOUNT, 0u);
}

TEST_F(LoadSequenceTest, NoMdiClientIsReportedOnceAndNothingIsTakenOver) {
  DestroyWindow(mdiClient_);
  MessageBoxCatcher catcher;
  FMS_LOADA before{};
  before.wMenuDelta = kDelta;
  EXPECT_EQ(Load(), nullptr);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text, "QXINIT :4 - EnumerateChildWindows failed.");
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
  EXPECT_EQ(extState.savedMdiClientProc, nullptr);
  WNDCLASSA unused;
  EXPECT_FALSE(GetClassInfoA(extState.instance, "QX Iconbar", &unused));
  EXPECT_EQ(std::memcmp(&load_, &before, sizeof load_), 0);
  // The unload after such a load saves nothing and reports nothing.
  UnloadExtension(frame_);
  EXPECT_TRUE(catcher.boxes().size() == 1u);
  EXPECT_FALSE(FileExists(SettingsPath()));
}

TEST_F(LoadSequenceTest, ASecondLoadCleansUpAndStartsAfresh) {
  WriteSettingsFile(MenuButtons({"Copy"}));
  ASSERT_NE(Load(), nullptr);
  HWND firstBar = extState.barWindow;
  HMENU firstMenu = extState.extensionMenu;
  extState.saveState = SAVE_NEVER;
  ASSERT_NE(Load(), nullptr);
  DestroyMenu(firstMenu);
  EXPECT_FALSE(IsWindow(firstBar));
  EXPECT_NE(extState.barWindow, firstBar);
  EXPECT_TRUE(IsWindow(extState.barWindow));
  EXPECT_EQ(extState.saveState, SAVE_NOTHING);  // back to its initial value
  EXPECT_EQ(Records().size(), 1u);
  int bars = 0;
  for (HWND child = GetWindow(frame_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    bars += GetDlgCtrlID(child) == 9876;
  EXPECT_EQ(bars, 1);
  // The MDI client's own procedure is still the one kept, not our own.
  EXPECT_NE(extState.savedMdiClientProc, MDIWndProc);
}

class MdiPlacementTest : public RealBarTest {
 protected:
  void SetUp() override {
    RealBarTest::SetUp();
    WriteSettingsFile({{"Icon Bar", {{"Bar Height", "30"}, {"Bar Length", "500"}}}});
    ASSERT_NE(Load(), nullptr);
    Pump();
    FrameLog::Messages().clear();
  }
};

TEST_F(MdiPlacementTest, TheBarTakesTheClientsTopAndTheClientMovesDown) {
  SetWindowPos(mdiClient_, nullptr, 0, 0, 700, 400, SWP_NOZORDER);
  RECT mdi = ChildRect(mdiClient_);
  EXPECT_EQ(mdi.top, 31);
  EXPECT_EQ(mdi.bottom - mdi.top, 369);
  RECT bar = ChildRect(extState.barWindow);
  EXPECT_EQ(bar.left, 0);
  EXPECT_EQ(bar.top, 0);
  EXPECT_EQ(bar.bottom - bar.top, 30);
  EXPECT_EQ(bar.right - bar.left, 500);
  Pump();
  EXPECT_EQ(FrameLog::Count(WM_COMMAND, kDelta + CMD_RELAYOUT_TREES), 1);
}

TEST_F(MdiPlacementTest, APureMoveAndABarSwitchedOffPassUnchanged) {
  SetWindowPos(mdiClient_, nullptr, 0, 0, 700, 400, SWP_NOZORDER);
  Pump();
  FrameLog::Messages().clear();
  SetWindowPos(mdiClient_, nullptr, 5, 50, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
  EXPECT_EQ(ChildRect(mdiClient_).top, 50);
  EXPECT_EQ(ChildRect(extState.barWindow).top, 0);
  Pump();
  EXPECT_EQ(FrameLog::Count(WM_COMMAND, kDelta + CMD_RELAYOUT_TREES), 0);
  extState.barOn = 0;
  SetWindowPos(mdiClient_, nullptr, 0, 0, 700, 410, SWP_NOZORDER);
  RECT mdi = ChildRect(mdiClient_);
  EXPECT_EQ(mdi.top, 0);
  EXPECT_EQ(mdi.bottom, 410);
}

// Tree windows inside the MDI client, fitted after the client got shorter.
class TreeRelayoutTest : public MdiPlacementTest {
 protected:
  void SetUp() override {
    MdiPlacementTest::SetUp();
    WNDCLASSA treeClass{};
    treeClass.lpfnWndProc = DefWindowProcA;
    treeClass.hInstance = GetModuleHandleA(nullptr);
    treeClass.lpszClassName = "WFS_Tree";
    RegisterClassA(&treeClass);
    treeClass.lpszClassName = "WFS_Other";
    RegisterClassA(&treeClass);
    SetWindowPos(mdiClient_, nullptr, 0, 0, 700, 400, SWP_NOZORDER);  // client: y 31, 369 high
    Pump();
  }
  void TearDown() override {
    MdiPlacementTest::TearDown();
    UnregisterClassA("WFS_Tree", GetModuleHandleA(nullptr));
    UnregisterClassA("WFS_Other", GetModuleHandleA(nullptr));
  }
  HWND Child(const char* cls, int x, int y, int cx, int cy, DWORD style = 0) {
    return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, mdiClient_,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  void Relayout() { FMExtensionProc(frame_, CMD_RELAYOUT_TREES, 0); }
};

TEST_F(TreeRelayoutTest, TreesStickingOutAreFittedOthersStay) {
  const int b = GetSystemMetrics(SM_CYBORDER);
  HWND inside = Child("WFS_Tree", 10, 10, 200, 100);
  HWND below = Child("WFS_Tree", 20, 40, 200, 500);     // top inside, bottom out
  HWND above = Child("WFS_Tree", 30, -20, 200, 500);    // both out
  HWND topOnly = Child("WFS_Tree", 40, -20, 200, 100);  // top out, bottom inside
  HWND other = Child("WFS_Other", 50, 40, 200, 500);
  MessageBoxCatcher catcher;
  Relayout();
  EXPECT_TRUE(catcher.boxes().empty());
  const int mdiHeight = 369;
  RECT r = ChildRect(inside);
  EXPECT_EQ(r.top, 10);
  EXPECT_EQ(r.bottom, 110);
  r = ChildRect(below);
  EXPECT_EQ(r.left, 20);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.bottom, mdiHeight);  // fitted inside, not just shortened
  EXPECT_EQ(r.right - r.left, 200);
  r = ChildRect(above);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, b);
  EXPECT_EQ(r.bottom - r.top, mdiHeight - b);
  r = ChildRect(topOnly);
  EXPECT_EQ(r.top, b);
  EXPECT_EQ(r.bottom, mdiHeight);  // ends at the client's bottom
  r = ChildRect(other);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.bottom, 540);
}

TEST_F(TreeRelayoutTest, AMaximizedTreeTallerThanTheClientIsShortened) {
  const int b = GetSystemMetrics(SM_CYBORDER);
  const int c = GetSystemMetrics(SM_CYCAPTION);
  // Marked maximized by its style alone, so that its place is the test's.
  HWND tree = Child("WFS_Tree", 0, 0, 700, 500);
  SetWindowLongPtrA(tree, GWL_STYLE, GetWindowLongPtrA(tree, GWL_STYLE) | WS_MAXIMIZE);
  SetWindowPos(tree, nullptr, 0, -(2 * b + c), 700, 500, SWP_NOZORDER);
  Relayout();
  RECT r = ChildRect(tree);
  EXPECT_EQ(r.top, -(2 * b + c));
  EXPECT_EQ(r.bottom - r.top, 369 + 5 * b);
  // Now it fits: a second re-layout leaves it alone.
  SetWindowPos(tree, nullptr, 3, r.top, 700, 369 + 5 * b, SWP_NOZORDER);
  Relayout();
  EXPECT_EQ(ChildRect(tree).left, 3);
}

class UnloadTest : public RealBarTest {};

TEST_F(UnloadTest, TheCleanUpGivesEverythingBack) {
  WriteSettingsFile(MenuButtons({"Copy", "Move"}));
  WNDPROC mdiOwnProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(mdiClient_, GWLP_WNDPROC));
  ASSERT_NE(Load(), nullptr);
  MoveWindow(mdiClient_, 0, 0, 780, 330, TRUE);
  UpdateWindow(extState.barWindow);
  std::vector<HLOCAL> handles = Handles();
  ASSERT_EQ(handles.size(), 2u);
  HBRUSH barBrush = extState.barBrush;
  HWND bar = extState.barWindow;
  MessageBoxCatcher catcher;
  UnloadExtension(frame_);
  EXPECT_TRUE(catcher.boxes().empty());
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(mdiClient_, GWLP_WNDPROC)), mdiOwnProc);
  WNDCLASSA unused;
  EXPECT_FALSE(GetClassInfoA(extState.instance, "QX Iconbar", &unused));
  EXPECT_FALSE(GetClassInfoA(extState.instance, "QXPopUp", &unused));
  EXPECT_TRUE(GetClassInfoA(extState.fileManagerInstance, MAKEINTATOM(32770), &unused));
  EXPECT_NE(unused.lpfnWndProc, DlgProc);
  EXPECT_EQ(GetObjectType(barBrush), 0u);  // deleted
  for (HLOCAL handle : handles) EXPECT_EQ(LocalSize(handle), 0u);
  EXPECT_EQ(GetFirstButton(), nullptr);
  // Nothing changed since the first paint: nothing was written.
  EXPECT_FALSE(FileExists(BackupPath()));
  // A second clean-up is harmless.
  CleanUpExtension();
  EXPECT_TRUE(catcher.boxes().empty());
}

TEST_F(UnloadTest, ABarNeverPaintedCountsAsChangedUnlessDontSave) {
  for (int dontSave : {1, 0}) {
    RemoveSettingsFiles();
    ASSERT_NE(Load(), nullptr);
    if (dontSave) extState.saveState = SAVE_NEVER;
    extState.firstPaintBarRect = RECT{0, 0, 0, 0};
    UnloadExtension(frame_);
    EXPECT_EQ(FileExists(SettingsPath()), dontSave == 0) << dontSave;
    if (extState.extensionMenu) DestroyMenu(extState.extensionMenu);
    extState.extensionMenu = nullptr;
  }
}

}  // namespace
