// Where the buttons stand and how the bar is drawn: the layout arithmetic with
// chosen and with real system metrics, the frame rings, and the paint read
// back from a real bar.
#include <gtest/gtest.h>

#include <map>

#include "bar/bar_test_window.h"
#include "bar/real_bar_fixture.h"
#include "support/msgbox_catcher.h"

namespace {

std::map<int, int> chosenMetrics;
int ChosenMetric(int index) {
  auto it = chosenMetrics.find(index);
  return it != chosenMetrics.end() ? it->second : GetSystemMetrics(index);
}

// Icons 32 by 32, frames 4, borders 1: the numbers of the cases below.
class LayoutTest : public BarWindowTest {
 protected:
  void SetUp() override {
    BarWindowTest::SetUp();
    chosenMetrics = {{SM_CXICON, 32}, {SM_CYICON, 32},  {SM_CXFRAME, 4},
                     {SM_CYFRAME, 4}, {SM_CXBORDER, 1}, {SM_CYBORDER, 1}};
    barMetric = ChosenMetric;
    barSettings.barHeight = 50;
    barSettings.iconVerticalPosition = 1;
  }
  void TearDown() override {
    barMetric = [](int index) { return GetSystemMetrics(index); };
    BarWindowTest::TearDown();
  }
  void Compute(int length, int count, int squish, int iconsFramed = 0, int barFramed = 0) {
    barSettings.barLength = length;
    barSettings.buttonCount = count;
    barSettings.iconsSquishedLeft = squish;
    barSettings.iconsFramed = iconsFramed;
    barSettings.barFramed = barFramed;
    ComputeBarLayout();
  }
  // Makes `count` records and lays them out; answers their rectangles.
  std::vector<RECT> LayOut(int count) {
    ButtonRecord* previous = nullptr;
    for (int i = 0; i < count; ++i) {
      ButtonRecord* record = CreateButton("Copy", "", "", 0, 0, previous);
      EXPECT_NE(record, nullptr);
      if (previous) LocalUnlock(LocalHandle(previous));
      previous = record;
    }
    if (previous) LocalUnlock(LocalHandle(previous));
    LayOutButtons();
    std::vector<RECT> rects;
    for (HLOCAL handle : ListHandles()) {
      ButtonRecord r = PeekRecord(handle);
      rects.push_back(RECT{r.left, r.top, r.right, r.bottom});
    }
    return rects;
  }
};

int OnWin95Pixel() { return ((GetVersion() >> 8) & 0xFF) == 95 ? 1 : 0; }

TEST_F(LayoutTest, OneButtonOrNoneStandsAtThreeBordersWhateverTheMode) {
  for (int count : {0, 1}) {
    for (int squish : {0, 1}) {
      Compute(400, count, squish);
      EXPECT_EQ(firstIconLeft, 3);
      EXPECT_EQ(iconSpacing, squish ? 0 : 32 / 8);
    }
  }
}

TEST_F(LayoutTest, SpaceEvenlyCentresTheRowWithEqualIntegerGaps) {
  // free = 403 - 5 * 32 = 243; gap 60.75 -> 60; 3 pixels left over, half of it in front.
  Compute(403, 5, 0);
  EXPECT_EQ(iconSpacing, 60);
  EXPECT_EQ(firstIconLeft, 3 + 1);
  barSettings.buttonCount = 5;
  std::vector<RECT> rects = LayOut(5);
  ASSERT_EQ(rects.size(), 5u);
  for (size_t i = 1; i < rects.size(); ++i) EXPECT_EQ(rects[i].left - rects[i - 1].right, 60);
}

TEST_F(LayoutTest, SquishLeftKeepsOnlyTheFrameGapWhileTheButtonsFit) {
  Compute(403, 5, 1);
  EXPECT_EQ(iconSpacing, 0);
  EXPECT_EQ(firstIconLeft, 3);
  Compute(403, 5, 1, 1);
  EXPECT_EQ(iconSpacing, 6);  // 6 borders of frame, no eighth of an icon
}

TEST_F(LayoutTest, ButtonsThatDoNotFitOverlapByTheRoundedGapInBothModes) {
  // free = 98 - 160 = -62; -15.5 rounds away from zero to -16.
  for (int squish : {0, 1}) {
    Compute(98, 5, squish);
    EXPECT_EQ(iconSpacing, -16) << squish;
  }
  Compute(98, 5, 0);
  EXPECT_EQ(firstIconLeft, 3 + (-62 + 64) / 2);
  // free = -59: -14.75 becomes -15.25 and is cut to -15.
  Compute(101, 5, 0);
  EXPECT_EQ(iconSpacing, -15);
  // With frames the gap adds to the frame room.
  Compute(200, 5, 1, 1);  // free = 200 - 5 * 38 = 10: fits, Squish Left keeps 6
  EXPECT_EQ(iconSpacing, 6);
  Compute(150, 5, 1, 1);  // free = -40: gap -10.5 -> -10
  EXPECT_EQ(iconSpacing, 6 - 10);
}

TEST_F(LayoutTest, OverlapNeverPassesThreeQuartersOfAnIcon) {
  Compute(40, 10, 0);  // gap -31 would overlap almost wholly
  EXPECT_EQ(iconSpacing, -24);
  // The centring still uses the gap before the bound: (-280 + 279) / 2 is 0.
  EXPECT_EQ(firstIconLeft, 3);
}

TEST_F(LayoutTest, TheBarsOwnBorderTakesRoomFromTheGaps) {
  Compute(300, 3, 0, 1, 1);  // free = 300 - (8 + 3 * 38) = 178, gap 89
  EXPECT_EQ(barFrameWidth, 8);
  EXPECT_EQ(iconFrameWidth, 6);
  EXPECT_EQ(iconSpacing, 6 + 89);
  EXPECT_EQ(firstIconLeft, 3);
}

TEST_F(LayoutTest, VerticalPositionsWithAndWithoutFrames) {
  struct Case {
    int position, iconsFramed, barFramed, top;
  } cases[] = {
      {1, 0, 0, (50 - 32) / 2 + OnWin95Pixel()},
      {1, 1, 1, (50 - 32 - 6 - 8) / 2 + 3 + OnWin95Pixel()},
      {2, 0, 0, 0},
      {2, 1, 0, 3},
      {4, 0, 0, 50 - 32},
      {4, 1, 1, 50 - 32 - 3 - 8},
  };
  for (const Case& c : cases) {
    barSettings.iconVerticalPosition = c.position;
    Compute(400, 2, 0, c.iconsFramed, c.barFramed);
    EXPECT_EQ(iconTop, c.top) << c.position << " " << c.iconsFramed << c.barFramed;
  }
}

TEST_F(LayoutTest, ButtonsAreCutAtTheBarsRightAndBottomEdges) {
  // Two buttons counted, five in the list: the gap of two, 36, lets the
  // second reach the edge and puts the rest past it.
  barSettings.barLength = 100;
  barSettings.barHeight = 20;
  barSettings.buttonCount = 2;
  barSettings.iconsSquishedLeft = 0;
  std::vector<RECT> rects = LayOut(5);
  ASSERT_EQ(rects.size(), 5u);
  EXPECT_EQ(rects[0].left, 3);
  EXPECT_EQ(rects[0].right, 35);
  EXPECT_EQ(rects[1].left, 71);
  EXPECT_EQ(rects[1].right, 100);
  for (size_t i = 2; i < rects.size(); ++i) {
    EXPECT_GT(rects[i].left, 100);
    EXPECT_EQ(rects[i].right, 100);
  }
  for (const RECT& r : rects) {
    EXPECT_EQ(r.top, (20 - 32) / 2 + OnWin95Pixel());
    EXPECT_EQ(r.bottom, 20);
  }
}

TEST_F(LayoutTest, AChangedFrameSettingReachesEveryButton) {
  barSettings.buttonCount = 3;
  barSettings.iconsFramed = 1;
  iconFrameChanged = 1;
  LayOut(3);
  iconFrameChanged = 0;
  for (HLOCAL handle : ListHandles()) EXPECT_TRUE(PeekRecord(handle).flags & BF_FRAMED);
  barSettings.iconsFramed = 0;
  LayOutButtons();  // without the change flag the buttons keep their frames
  for (HLOCAL handle : ListHandles()) EXPECT_TRUE(PeekRecord(handle).flags & BF_FRAMED);
}

TEST_F(BarWindowTest, RealMetricsPlaceOneButtonAtThreeBorders) {
  barSettings.buttonCount = 1;
  barSettings.iconVerticalPosition = 4;
  barSettings.barHeight = 60;
  ComputeBarLayout();
  EXPECT_EQ(firstIconLeft, 3 * GetSystemMetrics(SM_CXBORDER));
  EXPECT_EQ(iconTop, 60 - GetSystemMetrics(SM_CYICON));
  EXPECT_EQ(iconSpacing, GetSystemMetrics(SM_CXICON) / 8);
}

// The three rings of a frame, read from a memory bitmap.
TEST(IconFrameTest, ThreeRingsBlackGreyWhiteAroundTheRectangle) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 80, 80);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  const COLORREF grey = RGB(128, 128, 128);
  for (int extra : {0, 1}) {
    RECT all = {0, 0, 80, 80};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    const RECT square = {20, 20, 52, 52};
    DrawIconFrame(dc, &square, extra);
    // Left and top rings at 17, 18, 19; the right and bottom ones end at
    // right + 2 (+ 1 with the extra pixel), exclusive.
    EXPECT_EQ(GetPixel(dc, 17, 30), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 18, 30), grey);
    EXPECT_EQ(GetPixel(dc, 19, 30), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 30, 17), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 30, 19), RGB(255, 255, 255));
    const int outer = 52 + 2 + extra - 1;
    EXPECT_EQ(GetPixel(dc, outer, 30), RGB(0, 0, 0)) << extra;
    EXPECT_EQ(GetPixel(dc, outer - 1, 30), grey);
    EXPECT_EQ(GetPixel(dc, outer - 2, 30), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 30, outer), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, outer + 1, 30), RGB(192, 192, 192));  // outside: untouched
    EXPECT_EQ(GetPixel(dc, 30, 30), RGB(192, 192, 192));         // inside: untouched
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

// The paint, read back from a real bar on the screen.
class BarPaintTest : public RealBarTest {
 protected:
  void LoadColouredBar() {
    SettingsText s = MenuButtons({"Copy", "Move", "Delete"});
    s["Icon Bar"]["Bar Background Color Red"] = "0";
    s["Icon Bar"]["Bar Background Color Green"] = "0";
    s["Icon Bar"]["Bar Background Color Blue"] = "255";
    s["Icon Bar"]["Bar Length"] = "600";
    s["Icon Bar"]["Bar Height"] = "60";
    s["Icon Bar"]["Icons Spaced Horizontal Evenly"] = "0";
    s["Icon0"]["Icon Background Color Red"] = "255";
    s["Icon0"]["Icon Background Color Green"] = "0";
    s["Icon0"]["Icon Background Color Blue"] = "0";
    s["Icon1"]["Icon Frame"] = "0";
    s["Icon1"]["Icon Background Color Green"] = "0";   // 255, 0, 255
    s["Icon2"]["Icon Name"] = "C:\\no such file.ico";  // no icon: the square only
    WriteSettingsFile(s);
    ASSERT_NE(Load(), nullptr);
    // File Manager's next placement of its MDI client makes room for the bar.
    MoveWindow(mdiClient_, 0, 0, 780, 330, TRUE);
    UpdateWindow(extState.barWindow);
  }
  COLORREF Pixel(int x, int y) {
    HDC dc = GetDC(extState.barWindow);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(extState.barWindow, dc);
    return c;
  }
  // Pixels of the button that differ from its background.
  int IconPixels(const ButtonRecord& r, COLORREF background) {
    int differing = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) differing += Pixel(x, y) != background;
    return differing;
  }
};

TEST_F(BarPaintTest, BarColourButtonSquaresFramesAndIcons) {
  MessageBoxCatcher catcher;
  LoadColouredBar();
  std::vector<ButtonRecord> r = Records();
  ASSERT_EQ(r.size(), 3u);
  ASSERT_EQ(r[0].left, firstIconLeft);
  // Between the buttons: the bar colour.
  EXPECT_EQ(Pixel((r[0].right + r[1].left) / 2, r[0].top - 6), RGB(0, 0, 255));
  EXPECT_EQ(Pixel(r[2].right + 10, 30), RGB(0, 0, 255));
  // Each button's background square, at a corner the icon leaves clear.
  EXPECT_EQ(Pixel(r[0].left, r[0].top), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(r[1].right - 1, r[1].bottom - 1), RGB(255, 0, 255));
  EXPECT_EQ(Pixel(r[2].left + 5, r[2].top + 5), RGB(255, 255, 255));
  // Button 0 is framed: black, grey, white rings from 3 pixels outside.
  EXPECT_EQ(Pixel(r[0].left - 3, r[0].top + 10), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(r[0].left - 2, r[0].top + 10), RGB(128, 128, 128));
  EXPECT_EQ(Pixel(r[0].left - 1, r[0].top + 10), RGB(255, 255, 255));
  EXPECT_EQ(Pixel(r[0].right + 2, r[0].top + 10), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(r[0].left + 10, r[0].bottom + 2), RGB(0, 0, 0));
  // Button 1 has no frame: the bar colour right beside it.
  EXPECT_EQ(Pixel(r[1].left - 3, r[1].top + 10), RGB(0, 0, 255));
  // The built-in icons are drawn and kept; a missing icon file leaves none.
  EXPECT_GT(IconPixels(r[0], RGB(255, 0, 0)), 50);
  EXPECT_GT(IconPixels(r[1], RGB(255, 0, 255)), 50);
  EXPECT_EQ(IconPixels(r[2], RGB(255, 255, 255)), 0);
  r = Records();
  EXPECT_NE(r[0].icon, nullptr);
  EXPECT_NE(r[1].icon, nullptr);
  EXPECT_EQ(r[2].icon, nullptr);
  // The first paint recorded the bar's screen rectangle.
  RECT onScreen;
  GetWindowRect(extState.barWindow, &onScreen);
  EXPECT_TRUE(EqualRect(&onScreen, &extState.firstPaintBarRect));
  EXPECT_TRUE(catcher.boxes().empty());
}

TEST_F(BarPaintTest, OnlyButtonsInTheUpdateRectangleAreRepainted) {
  LoadColouredBar();
  std::vector<ButtonRecord> r = Records();
  ASSERT_EQ(r.size(), 3u);
  // Paint button 0 over with another colour, then repaint only the part of the
  // bar right of it: button 0 keeps the foreign colour, button 2 is restored.
  HDC dc = GetDC(extState.barWindow);
  RECT over0 = {r[0].left, r[0].top, r[0].right, r[0].bottom};
  RECT over2 = {r[2].left, r[2].top, r[2].right, r[2].bottom};
  FillRect(dc, &over0, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  FillRect(dc, &over2, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(extState.barWindow, dc);
  RECT right = {r[1].right, 0, 600, 60};
  InvalidateRect(extState.barWindow, &right, FALSE);
  UpdateWindow(extState.barWindow);
  EXPECT_EQ(Pixel(r[0].left, r[0].top), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(r[2].left + 5, r[2].top + 5), RGB(255, 255, 255));
}

TEST_F(BarPaintTest, InvertingTwiceRestoresTheButton) {
  LoadColouredBar();
  std::vector<HLOCAL> handles = Handles();
  ASSERT_EQ(handles.size(), 3u);
  auto* record = static_cast<ButtonRecord*>(LocalLock(handles[0]));
  const COLORREF before = Pixel(record->left, record->top);
  InvertButton(record);
  EXPECT_EQ(Pixel(record->left, record->top), RGB(0, 255, 255));  // red inverted
  InvertButton(record);
  EXPECT_EQ(Pixel(record->left, record->top), before);
  LocalUnlock(handles[0]);
}

}  // namespace
