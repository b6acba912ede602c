// Where the buttons stand: the layout arithmetic with chosen metrics (icons 32
// by 32, frames 4, borders 1) and the buttons cut at the bar's edges. The
// paint and the frame rings are read back from the real bar on the screen in
// the integration tests.
#include <gtest/gtest.h>

#include <map>

#include "bar/bar_layout.h"
#include "bar/chevron.h"
#include "bar/bar_test_window.h"

namespace {

int ChosenMetric(int index) {
  static const std::map<int, int> chosen = {{SM_CXICON, 32}, {SM_CYICON, 32},  {SM_CXFRAME, 4},
                                            {SM_CYFRAME, 4}, {SM_CXBORDER, 1}, {SM_CYBORDER, 1}};
  auto it = chosen.find(index);
  return it != chosen.end() ? it->second : GetSystemMetrics(index);
}

class LayoutTest : public BarWindowTest {
 protected:
  void SetUp() override {
    BarWindowTest::SetUp();
    barMetric = ChosenMetric;
    barSettings.barHeight = 50;
  }
  void TearDown() override {
    barMetric = [](int index) { return GetSystemMetrics(index); };
    BarWindowTest::TearDown();
  }
};

// Windows 95 puts centred icons one pixel lower.
int Win95Pixel() { return ((GetVersion() >> 8) & 0xFF) == 95 ? 1 : 0; }

TEST_F(LayoutTest, ComputedPlacesAndGaps) {
  struct Case {
    int length, count, squish, iconsFramed, barFramed, position;
    int left, spacing, top;
    int shown = -1, chevron = -1;  // buttons before the chevron, its left edge; -1: none
  } cases[] = {
      {400, 0, 0, 0, 0, 1, 3, 4, 9},  // one or none: three borders in, an eighth apart
      {400, 1, 1, 0, 0, 2, 3, 0, 0},
      {403, 5, 0, 0, 0, 4, 4, 60, 18},  // gap 60.75 -> 60; half the 3 left over in front
      {403, 5, 1, 0, 0, 1, 3, 0, 9},    // squished while they fit: no gap
      {403, 5, 1, 1, 0, 2, 3, 6, 3},    // ... but the frames' room
      // Too many to stand apart: side by side before the half-icon chevron, the rest behind it.
      {98, 5, 0, 0, 0, 1, 3, 0, 9, 2, 82},
      {98, 5, 1, 0, 0, 1, 3, 0, 9, 2, 82},
      {101, 5, 0, 0, 0, 1, 3, 0, 9, 2, 85},
      {200, 5, 1, 1, 0, 1, 3, 6, 9},
      {150, 5, 1, 1, 0, 4, 3, 6, 15, 3, 134},  // the third's frame ends at 114
      {180, 5, 0, 1, 0, 1, 3, 6, 9, 4, 164},   // evenly spaced no more
      {40, 10, 0, 0, 0, 1, 3, 0, 9, 0, 24},    // none fits: the chevron alone
      {100, 3, 0, 0, 1, 1, 3, 0, 5, 2, 76},    // the bar's border takes room too
      {300, 3, 0, 1, 1, 1, 3, 6 + 89, 5},      // the bar's border takes room from the gaps
      {300, 3, 0, 1, 1, 4, 3, 6 + 89, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.length << " " << c.count << " " << c.squish
                                    << c.iconsFramed << c.barFramed << " " << c.position);
    barSettings.barLength = c.length;
    barSettings.buttonCount = c.count;
    barSettings.iconsSquishedLeft = c.squish;
    barSettings.iconsFramed = c.iconsFramed;
    barSettings.barFramed = c.barFramed;
    barSettings.iconVerticalPosition = c.position;
    ComputeBarLayout();
    EXPECT_EQ(firstIconLeft, c.left);
    EXPECT_EQ(iconSpacing, c.spacing);
    EXPECT_EQ(iconTop, c.top + (c.position == 1 ? Win95Pixel() : 0));
    EXPECT_EQ(shownButtons, c.shown);
    EXPECT_EQ(chevronLeft, c.chevron);
  }
}

// Two buttons counted, five in the list: the gap of two, 36, lets the second
// reach the edge and puts the rest past it; a changed frame setting reaches
// every button, and only then.
TEST_F(LayoutTest, ButtonsAreCutAtTheBarsEdgesAndTakeAChangedFrame) {
  barSettings.barLength = 100;
  barSettings.barHeight = 20;
  barSettings.buttonCount = 2;
  barSettings.iconVerticalPosition = 1;
  ButtonRecord* previous = nullptr;
  for (int i = 0; i < 5; ++i) {
    ButtonRecord* record = CreateButton("Copy", "", "", 0, 0, previous);
    ASSERT_NE(record, nullptr);
    if (previous) LocalUnlock(LocalHandle(previous));
    previous = record;
  }
  LocalUnlock(LocalHandle(previous));
  barSettings.iconsFramed = 1;
  iconFrameChanged = 1;
  LayOutButtons();
  iconFrameChanged = 0;
  barSettings.iconsFramed = 0;
  LayOutButtons();  // without the change flag the buttons keep their frames
  const int left[] = {3, 71, 136, 136, 136}, right[] = {35, 100, 100, 100, 100};
  std::vector<HLOCAL> handles = ListHandles();
  ASSERT_EQ(handles.size(), 5u);
  for (size_t i = 0; i < handles.size(); ++i) {
    ButtonRecord r = PeekRecord(handles[i]);
    EXPECT_EQ(r.left, left[i]) << i;
    EXPECT_EQ(r.right, right[i]) << i;
    EXPECT_EQ(r.top, (20 - 32) / 2 + Win95Pixel());
    EXPECT_EQ(r.bottom, 20);
    EXPECT_TRUE(r.flags & BF_FRAMED) << i;
  }
}

}  // namespace
