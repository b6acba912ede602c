// The description popup of the real extension in the stand-in File Manager:
// the mouse resting on a button while File Manager is the active program.
#include <gtest/gtest.h>

#include "bar_host_fixture.h"
#include "support/dialog_script.h"

namespace barhost {
namespace {

constexpr int kDelay = 50;

class PopupInHostTest : public BarInHostTest {
 protected:
  void StartWith(const Keys& extraBar) {
    Keys bar = {{"Popup Delay", std::to_string(kDelay)}};
    bar.insert(bar.end(), extraBar.begin(), extraBar.end());
    BarInHostTest::StartWith(
        {MenuButton("Sort by Name", {{"Description", "Sorts the files by their names"}}),
         MenuButton("Sort by Type")},
        bar);
    SetForegroundWindow(frame_);
    SetActiveWindow(frame_);
    fmhost::Pump(20);
    ASSERT_EQ(GetActiveWindow(), frame_);
  }
  // Puts the pointer at `point` of the bar, tells the bar it moved there and
  // waits out the delay.
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
};

// None with popups off; one pixel above or below the bar at the button, as
// wide as its text; gone at the next move; none within ten pixels of a click;
// gone, without a move told, once the pointer has left the bar or File
// Manager is no longer the active window.
TEST_F(PopupInHostTest, ShowsBesideTheBarAtTheButtonUntilTheNextMove) {
  for (const char* above : {"off", "1", "0"}) {
    SCOPED_TRACE(above);
    TearDown();
    SetUp();
    StartWith(
        {{*above == 'o' ? "Tool Tips" : "Position Popups Above", *above == 'o' ? "0" : above}});
    RestAt(geometry_.Centre(0));
    if (*above == 'o') {
      EXPECT_TRUE(ThreadWindowsOfClass("QXPopUp").empty());
      continue;
    }
    HWND popup = Popup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetWindow(popup, GW_OWNER), frame_);
    const RECT bar = WindowRectIn(Bar(), nullptr), shown = WindowRectIn(popup, nullptr);
    EXPECT_EQ(*above == '1' ? shown.bottom : shown.top,
              *above == '1' ? bar.top - 1 : bar.bottom + 1);
    EXPECT_EQ(shown.left, bar.left + geometry_.Button(0).left);
    EXPECT_GT(shown.right - shown.left, 40) << "as wide as its text";
    EXPECT_EQ(ThreadWindowsOfClass("QXPopUp").size(), 1u);
  }
  const POINT between = {(geometry_.Button(0).right + geometry_.Button(1).left) / 2,
                         geometry_.Centre(0).y};
  RestAt(between);
  EXPECT_TRUE(ThreadWindowsOfClass("QXPopUp").empty()) << "between the buttons";
  // The last button's menu text is wider than what is left right of it.
  RestAt(geometry_.Centre(1));
  ASSERT_NE(Popup(), nullptr);
  const RECT bar = WindowRectIn(Bar(), nullptr), shown = WindowRectIn(Popup(), nullptr);
  EXPECT_LT(shown.left, bar.left + geometry_.Button(1).left);
  EXPECT_EQ(shown.right, bar.right);

  const POINT press = {geometry_.Button(0).left + 4, geometry_.Button(0).top + 4};
  RestAt(press);
  Click(press);
  for (POINT p : {POINT{press.x + 10, press.y + 10}, POINT{press.x + 5, press.y + 2}}) {
    RestAt(p);
    EXPECT_EQ(Popup(), nullptr);
  }
  RestAt({press.x + 11, press.y + 2});  // eleven pixels away, on the same button
  EXPECT_NE(Popup(), nullptr);
  HWND other = CreateWindowExA(0, "STATIC", "another program", WS_POPUP, 0, 0, 50, 50, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  for (bool left : {true, false}) {
    SCOPED_TRACE(left ? "pointer left" : "File Manager inactive");
    RestAt(between);
    RestAt(geometry_.Centre(1));
    ASSERT_NE(Popup(), nullptr);
    if (left)
      SetCursorPos(bar.left + 5, bar.bottom + 40);
    else
      ShowWindow(other, SW_SHOW);  // and active
    EXPECT_TRUE(PumpUntil([&] { return Popup() == nullptr; }, 2000));
  }
  DestroyWindow(other);
}

}  // namespace
}  // namespace barhost
