// The Popup Options dialog used as a user would: the sample's place, the choosers, OK, Cancel.
#include "bar/real_bar_fixture.h"  // first: the choosers' headers need windows.h

#include <colordlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "settings/popup_options.h"
#include "support/dialog_script.h"
#include "support/msgbox_catcher.h"

constexpr COLORREF kBack = RGB(255, 255, 128), kText = RGB(0, 0, 128);
constexpr COLORREF kRed = RGB(255, 0, 0), kPicked = RGB(0, 128, 255);

using PopupOptionsTest = RealBarTest;

TEST_F(PopupOptionsTest, TheDialogShowsItsSampleAndStoresWhatOkTakes) {
  WriteSettings({}, {MenuButton("Copy")});
  ASSERT_NE(Load(), nullptr);
  barSettings.popupBackgroundBlue = barSettings.popupTextBlue = 128;  // kBack, kText
  // `delay` null: left as shown; `refused`: OK refused the delay, then Cancel.
  const struct {
    bool above;
    const char* delay;
    int chooser;
    bool chooserOk, ok, refused;
  } cases[] = {// clang-format off
      {false, "70000", 0, false, true, false}, {true, "x12", 0, false, true, true},
      {false, nullptr, IDC_POPUP_FONT, true, false, false}, {false, nullptr, IDC_POPUP_FONT, true, true, false},
      {false, nullptr, IDC_POPUP_BACKGROUND, true, true, false},
      {false, nullptr, IDC_POPUP_BACKGROUND, false, true, false}};
  // clang-format on
  const IconBarSettings loaded = barSettings;
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    barSettings = loaded;
    extState.saveState = SAVE_NOTHING;
    std::vector<DialogScript::Step> steps{DialogScript::In("Popup Options", [&](HWND d) {
      if (c.above) SendDlgItemMessageA(d, IDC_POPUPS_ABOVE, BM_CLICK, 0, 0);
      if (c.delay) SetDlgItemTextA(d, IDC_POPUP_DELAY, c.delay);
      if (c.chooser) ClickControl(d, c.chooser);
    })};
    if (c.chooser)
      steps.push_back(DialogScript::In(c.chooser == IDC_POPUP_FONT ? "Font" : "Color", [&](HWND d) {
        // The font chooser has the colour list, the colour chooser the three parts.
        HWND colours = GetDlgItem(d, cmb4);
        for (int i = 0, n = int(SendMessageA(colours, CB_GETCOUNT, 0, 0)); i < n; ++i)
          if (COLORREF(SendMessageA(colours, CB_GETITEMDATA, i, 0)) == kRed) {
            SendMessageA(colours, CB_SETCURSEL, i, 0);
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(cmb4, CBN_SELCHANGE), LPARAM(colours));
          }
        for (int part : {COLOR_RED, COLOR_GREEN, COLOR_BLUE})
          SetDlgItemInt(d, part, BYTE(kPicked >> 8 * (part - COLOR_RED)), FALSE);
        ClickControl(d, c.chooserOk ? IDOK : IDCANCEL);
      }));
    steps.push_back([&] {
      HWND d = DialogScript::Dialog("Popup Options");
      if (!d || DialogScript::Dialog("Font") || DialogScript::Dialog("Color")) return false;
      UpdateWindow(d);
      if (!sampleWindow || !IsWindowVisible(sampleWindow) || GetActiveWindow() != d) return false;
      RECT sample, dialog, place;  // the sample: centred across, at the placeholder's height
      GetWindowRect(sampleWindow, &sample);
      GetWindowRect(d, &dialog);
      GetWindowRect(GetDlgItem(d, IDC_SAMPLE_PLACE), &place);
      EXPECT_EQ(sample.top, place.top);
      EXPECT_LE(abs((sample.left + sample.right) - (dialog.left + dialog.right)), 1);
      ClickControl(d, c.ok ? IDOK : IDCANCEL);
      return true;
    });
    if (c.refused)  // the dialog stays open
      steps.push_back(DialogScript::In("Popup Options", [](HWND d) { ClickControl(d, IDCANCEL); }));
    DialogScript script(std::move(steps));
    MessageBoxCatcher catcher;
    EXPECT_EQ(FMExtensionProc(frame_, CMD_POPUP_OPTIONS, 0), 0);
    EXPECT_TRUE(script.finished() && !script.timedOut());
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(sampleWindow, nullptr);
    const bool taken = c.chooser && c.chooserOk && c.ok, font = c.chooser == IDC_POPUP_FONT;
    const IconBarSettings& s = barSettings;
    EXPECT_EQ(s.popupsAbove, int(c.above)) << "taken at the click, even when cancelled";
    EXPECT_EQ(s.popupDelay, c.delay && !c.refused ? atoi(c.delay) : 500);
    EXPECT_EQ(RGB(s.popupTextRed, s.popupTextGreen, s.popupTextBlue), taken && font ? kRed : kText);
    EXPECT_EQ(RGB(s.popupBackgroundRed, s.popupBackgroundGreen, s.popupBackgroundBlue),
              taken && !font ? kPicked : kBack);
    EXPECT_EQ(extState.saveState,
              c.above || taken || s.popupDelay != 500 ? SAVE_AT_UNLOAD : SAVE_NOTHING);
  }
}
