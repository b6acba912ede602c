// The Popup Options dialog run by its command and used as a user would: the
// sample popup's place on the screen, the font and colour
// choosers, the delay field's refusals, and what OK and Cancel store.
#include <windows.h>

#include <colordlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include "bar/real_bar_fixture.h"
#include "resources/resource.h"
#include "settings/popup_options.h"
#include "support/modal_script.h"
#include "support/msgbox_catcher.h"

namespace {

constexpr COLORREF kBack = RGB(255, 255, 128), kText = RGB(0, 0, 128);
constexpr COLORREF kRed = RGB(255, 0, 0), kPicked = RGB(0, 128, 255);

using PopupOptionsTest = RealBarTest;
enum Chooser { kNoChooser, kFont, kBackground };

TEST_F(PopupOptionsTest, TheDialogShowsItsSampleAndStoresWhatOkTakes) {
  SettingsText file = MenuButtons({"Copy"});
  file["Icon Bar"]["Popup Background Color Blue"] = file["Icon Bar"]["Popup Text Color Blue"] =
      "128";
  WriteSettingsFile(file);
  ASSERT_NE(Load(), nullptr);
  // `delay` null: left as shown; `refused`: OK refused the delay, the dialog
  // stayed open and was cancelled.
  const struct {
    const char* name;
    bool clickAbove;
    const char* delay;
    Chooser chooser;
    bool chooserOk, ok, refused;
    int popupsAbove, popupDelay;
    COLORREF text, back;
  } cases[] = {
      // clang-format off
      {"delay 0, no upper limit", false, "70000", kNoChooser, false, true, false, 0, 70000, kText, kBack},
      {"letters", false, "abc", kNoChooser, false, true, true, 0, 500, kText, kBack},
      {"above, then refused", true, "x12", kNoChooser, false, true, true, 1, 500, kText, kBack},
      {"font, then Cancel", false, nullptr, kFont, true, false, false, 0, 500, kText, kBack},
      {"font", false, nullptr, kFont, true, true, false, 0, 500, kRed, kBack},
      {"background", false, nullptr, kBackground, true, true, false, 0, 500, kText, kPicked},
      {"background cancelled", false, nullptr, kBackground, false, true, false, 0, 500, kText, kBack}};
  // clang-format on
  const IconBarSettings loaded = barSettings;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    barSettings = loaded;
    extState.saveState = SAVE_NOTHING;
    RECT sample{}, dialog{}, place{};
    std::vector<ModalScript::Step> steps;
    steps.push_back(ModalScript::In("Popup Options", [&](HWND d) {
      if (c.clickAbove) SendDlgItemMessageA(d, IDC_POPUPS_ABOVE, BM_CLICK, 0, 0);
      if (c.delay) SetDlgItemTextA(d, IDC_POPUP_DELAY, c.delay);
      if (c.chooser != kNoChooser)
        ModalScript::Click(d, c.chooser == kFont ? IDC_POPUP_FONT : IDC_POPUP_BACKGROUND);
    }));
    if (c.chooser == kFont) {
      steps.push_back(ModalScript::In("Font", [&](HWND d) {
        HWND colours = GetDlgItem(d, cmb4);
        for (int i = 0, n = int(SendMessageA(colours, CB_GETCOUNT, 0, 0)); i < n; ++i)
          if (COLORREF(SendMessageA(colours, CB_GETITEMDATA, i, 0)) == kRed) {
            SendMessageA(colours, CB_SETCURSEL, i, 0);
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(cmb4, CBN_SELCHANGE), LPARAM(colours));
          }
        ModalScript::Click(d, c.chooserOk ? IDOK : IDCANCEL);
      }));
    } else if (c.chooser == kBackground) {
      steps.push_back(ModalScript::In("Color", [&](HWND d) {
        SetDlgItemInt(d, COLOR_RED, GetRValue(kPicked), FALSE);
        SetDlgItemInt(d, COLOR_GREEN, GetGValue(kPicked), FALSE);
        SetDlgItemInt(d, COLOR_BLUE, GetBValue(kPicked), FALSE);
        ModalScript::Click(d, c.chooserOk ? IDOK : IDCANCEL);
      }));
    }
    steps.push_back([&] {
      HWND d = ModalScript::Dialog("Popup Options");
      if (!d || ModalScript::Dialog("Font") || ModalScript::Dialog("Color")) return false;
      UpdateWindow(d);
      if (!sampleWindow || !IsWindowVisible(sampleWindow) || GetActiveWindow() != d) return false;
      GetWindowRect(sampleWindow, &sample);
      GetWindowRect(d, &dialog);
      GetWindowRect(GetDlgItem(d, IDC_SAMPLE_PLACE), &place);
      ModalScript::Click(d, c.ok ? IDOK : IDCANCEL);
      return true;
    });
    if (c.refused)  // the dialog stays open
      steps.push_back(
          ModalScript::In("Popup Options", [](HWND d) { ModalScript::Click(d, IDCANCEL); }));
    ModalScript script(std::move(steps));
    MessageBoxCatcher catcher;
    EXPECT_EQ(FMExtensionProc(frame_, CMD_POPUP_OPTIONS, 0), 0);
    EXPECT_TRUE(script.finished() && !script.timedOut());
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(sampleWindow, nullptr);
    // The sample: centred across the dialog at the placeholder's height.
    EXPECT_EQ(sample.top, place.top);
    EXPECT_LE(abs((sample.left + sample.right) - (dialog.left + dialog.right)), 1);
    const IconBarSettings& s = barSettings;
    EXPECT_EQ(s.popupsAbove, c.popupsAbove);
    EXPECT_EQ(s.popupDelay, c.popupDelay);
    EXPECT_EQ(RGB(s.popupTextRed, s.popupTextGreen, s.popupTextBlue), c.ok ? c.text : kText);
    EXPECT_EQ(RGB(s.popupBackgroundRed, s.popupBackgroundGreen, s.popupBackgroundBlue),
              c.ok ? c.back : kBack);
    const bool fontTaken = c.chooser == kFont && c.chooserOk && c.ok;
    EXPECT_TRUE(fontTaken || memcmp(&s.popupFont, &loaded.popupFont, sizeof s.popupFont) == 0);
    const bool changed = c.popupsAbove || c.popupDelay != 500 || fontTaken || c.back != kBack;
    EXPECT_EQ(extState.saveState, changed ? SAVE_AT_UNLOAD : SAVE_NOTHING);
  }
}

}  // namespace
