// The description popup of the real extension in the stand-in File Manager:
// the mouse resting on a button while File Manager is the active program.
#include <gtest/gtest.h>

#include "bar_host_fixture.h"

namespace barhost {
namespace {

constexpr int kDelay = 50;

class PopupInHostTest : public BarInHostTest {
 protected:
  void StartWith(const Keys& extraBar) {
    Keys bar = {{"Popup Delay", std::to_string(kDelay)}};
    bar.insert(bar.end(), extraBar.begin(), extraBar.end());
    geometry_.buttonCount = 2;
    WriteBarSettings(geometry_, bar,
                     {{{"Program Name or Menu Item", "Sort by Name"},
                       {"Type", "0"},
                       {"Description", "Sorts the files by their names"}},
                      {{"Program Name or Menu Item", "Sort by Type"}, {"Type", "0"}}});
    Start();
    SetForegroundWindow(frame_);
    SetActiveWindow(frame_);
    fmhost::Pump(20);
    ASSERT_EQ(GetActiveWindow(), frame_);
  }
  // Puts the pointer at `point` of the bar and tells the bar it moved there.
  void RestAt(POINT point) {
    POINT screen = point;
    ClientToScreen(Bar(), &screen);
    SetCursorPos(screen.x, screen.y);
    SendMessageA(Bar(), WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
    fmhost::Pump(kDelay + 250);
  }
  // The visible popup, or null.
  HWND Popup() const {
    for (HWND window : ThreadWindowsOfClass("QXPopUp"))
      if (IsWindowVisible(window)) return window;
    return nullptr;
  }
  BarGeometry geometry_;
};

TEST_F(PopupInHostTest, ShowsOnePixelBelowTheBarAtTheButton) {
  StartWith({});
  POINT centre = geometry_.Centre(0);
  RestAt(centre);
  HWND popup = Popup();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(GetWindow(popup, GW_OWNER), frame_);
  RECT bar = WindowRectIn(Bar(), nullptr);
  RECT shown = WindowRectIn(popup, nullptr);
  EXPECT_EQ(shown.top, bar.bottom + 1);
  EXPECT_EQ(shown.left, bar.left + geometry_.Button(0).left);
  // As wide as its text, which is longer than the bar's few pixels.
  EXPECT_GT(shown.right - shown.left, 40);
  EXPECT_EQ(ThreadWindowsOfClass("QXPopUp").size(), 1u);
}

TEST_F(PopupInHostTest, ShowsOnePixelAboveTheBarWhenAskedTo) {
  StartWith({{"Position Popups Above", "1"}});
  RestAt(geometry_.Centre(0));
  HWND popup = Popup();
  ASSERT_NE(popup, nullptr);
  RECT bar = WindowRectIn(Bar(), nullptr);
  RECT shown = WindowRectIn(popup, nullptr);
  EXPECT_EQ(shown.bottom, bar.top - 1);
  EXPECT_EQ(shown.left, bar.left + geometry_.Button(0).left);
}

TEST_F(PopupInHostTest, ThePopupOfTheLastButtonEndsAtTheBarsRightEdge) {
  StartWith({});
  RestAt(geometry_.Centre(1));
  HWND popup = Popup();
  ASSERT_NE(popup, nullptr);
  RECT bar = WindowRectIn(Bar(), nullptr);
  RECT shown = WindowRectIn(popup, nullptr);
  // Its text, the menu item, is wider than what is left right of the button.
  EXPECT_LT(shown.left, bar.left + geometry_.Button(1).left);
  EXPECT_EQ(shown.right, bar.right);
}

TEST_F(PopupInHostTest, GoesAtTheNextMoveAndComesBackAtTheNextRest) {
  StartWith({});
  RestAt(geometry_.Centre(0));
  ASSERT_NE(Popup(), nullptr);
  // Between the buttons: the old popup goes, no new one comes.
  RestAt({(geometry_.Button(0).right + geometry_.Button(1).left) / 2, geometry_.Centre(0).y});
  EXPECT_EQ(Popup(), nullptr);
  EXPECT_TRUE(ThreadWindowsOfClass("QXPopUp").empty());
  RestAt(geometry_.Centre(1));
  EXPECT_NE(Popup(), nullptr);
}

// As a tooltip: once the pointer has left the bar, or File Manager is no
// longer the active window, the popup goes without a further move on the bar;
// none shows while another window is active.
TEST_F(PopupInHostTest, GoesWhenThePointerLeavesOrFileManagerIsNoLongerActive) {
  StartWith({});
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 900, 700,
                               200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  for (bool leave : {true, false}) {
    SetActiveWindow(frame_);
    RestAt(geometry_.Centre(leave ? 0 : 1));
    ASSERT_NE(Popup(), nullptr) << leave;
    if (leave)
      SetCursorPos(1000, 800);
    else
      SetActiveWindow(other);
    ASSERT_TRUE(leave || GetActiveWindow() == other);
    for (DWORD start = GetTickCount(); Popup() && GetTickCount() - start < 5000;) fmhost::Pump(20);
    EXPECT_EQ(Popup(), nullptr) << leave;
  }
  RestAt(geometry_.Centre(0));  // and none comes while the other window is active
  EXPECT_EQ(Popup(), nullptr);
  DestroyWindow(other);
}

TEST_F(PopupInHostTest, NotShownWithPopupsOff) {
  StartWith({{"Tool Tips", "0"}});
  RestAt(geometry_.Centre(0));
  EXPECT_EQ(Popup(), nullptr);
  EXPECT_TRUE(ThreadWindowsOfClass("QXPopUp").empty());
}

TEST_F(PopupInHostTest, NotShownWithinTenPixelsOfAClick) {
  StartWith({});
  const RECT square = geometry_.Button(0);
  const POINT press = {square.left + 4, square.top + 4};
  RestAt(press);
  Click(press);
  EXPECT_EQ(Popup(), nullptr);
  RestAt({press.x + 10, press.y + 10});
  EXPECT_EQ(Popup(), nullptr);
  RestAt({press.x + 5, press.y + 2});
  EXPECT_EQ(Popup(), nullptr);
  // Eleven pixels away, still on the same button.
  RestAt({press.x + 11, press.y + 2});
  EXPECT_NE(Popup(), nullptr);
}

}  // namespace
}  // namespace barhost
