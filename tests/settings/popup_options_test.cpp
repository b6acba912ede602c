// The Popup Options dialog run by its command and used as a user would: the
// sample popup's text, place and colours on the screen, the font and colour
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

constexpr COLORREF kBack = RGB(255, 255, 128);
constexpr COLORREF kText = RGB(0, 0, 128);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kPicked = RGB(0, 128, 255);

// What the sample showed once the choosers were closed.
struct SampleSeen {
  RECT rect{};
  RECT dialog{};
  int placeTop = 0;
  int backPixels = 0;
  int textPixels = 0;
  bool aboveDialog = false;
};

// Pixels of the window's client area within `tolerance` of the colour (the
// sum of the channel differences): smoothed text has few pixels of its exact
// colour.
int CountPixels(HWND window, COLORREF colour, int tolerance) {
  RECT client;
  GetClientRect(window, &client);
  HDC dc = GetDC(window);
  int n = 0;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x) {
      const COLORREF p = GetPixel(dc, x, y);
      n += abs(GetRValue(p) - GetRValue(colour)) + abs(GetGValue(p) - GetGValue(colour)) +
               abs(GetBValue(p) - GetBValue(colour)) <=
           tolerance;
    }
  ReleaseDC(window, dc);
  return n;
}

class PopupOptionsTest : public RealBarTest {
 protected:
  void SetUp() override {
    RealBarTest::SetUp();
    SettingsText s = MenuButtons({"Copy"});
    auto& bar = s["Icon Bar"];
    bar["Popup Background Color Red"] = "255";
    bar["Popup Background Color Green"] = "255";
    bar["Popup Background Color Blue"] = "128";
    bar["Popup Text Color Blue"] = "128";
    WriteSettingsFile(s);
    ASSERT_NE(Load(), nullptr);
  }
};

enum Chooser { kNoChooser, kFont, kBackground };

TEST_F(PopupOptionsTest, TheDialogShowsItsSampleAndStoresWhatOkTakes) {
  struct Case {
    const char* name;
    bool clickAbove;
    const char* delay;  // null: left as shown
    Chooser chooser;
    bool chooserOk;
    bool ok;
    bool refused;  // OK refused the delay: the dialog stayed open, then Cancel
    int popupsAbove;
    int popupDelay;
    COLORREF textColour;
    COLORREF backColour;
  } cases[] = {
      {"delay 0", false, "0", kNoChooser, false, true, false, 0, 0, kText, kBack},
      {"letters", false, "abc", kNoChooser, false, true, true, 0, 500, kText, kBack},
      {"empty", false, "", kNoChooser, false, true, true, 0, 500, kText, kBack},
      {"above 65535", false, "70000", kNoChooser, false, true, false, 0, 70000, kText, kBack},
      {"above, then refused", true, "x12", kNoChooser, false, true, true, 1, 500, kText, kBack},
      {"font, then Cancel", false, nullptr, kFont, true, false, false, 0, 500, kText, kBack},
      {"font cancelled, OK", false, nullptr, kFont, false, true, false, 0, 500, kText, kBack},
      {"font", false, nullptr, kFont, true, true, false, 0, 500, kRed, kBack},
      {"background", false, nullptr, kBackground, true, true, false, 0, 500, kText, kPicked},
      {"background cancelled", false, nullptr, kBackground, false, true, false, 0, 500, kText,
       kBack},
  };
  const LOGFONTA loadedFont = barSettings.popupFont;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    barSettings.popupsAbove = 0;
    barSettings.popupDelay = 500;
    barSettings.popupFont = loadedFont;
    barSettings.popupTextRed = barSettings.popupTextGreen = 0;
    barSettings.popupTextBlue = 128;
    barSettings.popupBackgroundRed = barSettings.popupBackgroundGreen = 255;
    barSettings.popupBackgroundBlue = 128;
    extState.saveState = SAVE_NOTHING;
    SampleSeen seen;
    bool stayedOpen = false, pointerOnField = false;
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
        const int count = int(SendMessageA(colours, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
          if (COLORREF(SendMessageA(colours, CB_GETITEMDATA, i, 0)) == kRed) {
            SendMessageA(colours, CB_SETCURSEL, i, 0);
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(cmb4, CBN_SELCHANGE), LPARAM(colours));
          }
        // A size large enough for solid strokes, whatever face comes first.
        HWND sizes = GetDlgItem(d, cmb3);
        SendMessageA(sizes, CB_SELECTSTRING, WPARAM(-1), LPARAM("20"));
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(cmb3, CBN_SELCHANGE), LPARAM(sizes));
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
      GetWindowRect(sampleWindow, &seen.rect);
      GetWindowRect(d, &seen.dialog);
      RECT place;
      GetWindowRect(GetDlgItem(d, IDC_SAMPLE_PLACE), &place);
      seen.placeTop = place.top;
      for (HWND w = sampleWindow; w; w = GetWindow(w, GW_HWNDNEXT)) seen.aboveDialog |= w == d;
      // The sample shows what the choosers gave, stored or not.
      const bool chosen = c.chooserOk;
      seen.backPixels =
          CountPixels(sampleWindow, c.chooser == kBackground && chosen ? kPicked : kBack, 0);
      seen.textPixels = CountPixels(sampleWindow, c.chooser == kFont && chosen ? kRed : kText, 150);
      ModalScript::Click(d, c.ok ? IDOK : IDCANCEL);
      return true;
    });
    if (c.refused)
      steps.push_back(ModalScript::In("Popup Options", [&](HWND d) {
        stayedOpen = true;
        POINT pointer;
        RECT field;
        GetCursorPos(&pointer);
        GetWindowRect(GetDlgItem(d, IDC_POPUP_DELAY), &field);
        pointerOnField = PtInRect(&field, pointer) != 0;
        ModalScript::Click(d, IDCANCEL);
      }));
    ModalScript script(std::move(steps));
    MessageBoxCatcher catcher;
    EXPECT_EQ(FMExtensionProc(frame_, CMD_POPUP_OPTIONS, 0), 0);
    EXPECT_TRUE(script.finished());
    EXPECT_FALSE(script.timedOut());
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(sampleWindow, nullptr);

    // The sample: its own colours, centred across the dialog at the placeholder's height.
    EXPECT_GT(seen.backPixels, (seen.rect.right - seen.rect.left) * 2);
    EXPECT_GT(seen.textPixels, 10);
    EXPECT_EQ(seen.rect.top, seen.placeTop);
    EXPECT_TRUE(seen.aboveDialog);
    EXPECT_LE(abs((seen.rect.left + seen.rect.right) - (seen.dialog.left + seen.dialog.right)), 1);
    if (c.chooser == kNoChooser) {
      HDC dc = GetDC(nullptr);
      HFONT font = CreateFontIndirectA(&loadedFont);
      HGDIOBJ old = SelectObject(dc, font);
      SIZE extent;
      GetTextExtentPoint32A(dc, "Sample Popup Text", 17, &extent);
      SelectObject(dc, old);
      DeleteObject(font);
      ReleaseDC(nullptr, dc);
      EXPECT_EQ(seen.rect.right - seen.rect.left, extent.cx);
    }

    EXPECT_EQ(stayedOpen, c.refused);
    EXPECT_EQ(pointerOnField, c.refused);
    EXPECT_EQ(barSettings.popupsAbove, c.popupsAbove);
    EXPECT_EQ(barSettings.popupDelay, c.popupDelay);
    EXPECT_EQ(RGB(barSettings.popupTextRed, barSettings.popupTextGreen, barSettings.popupTextBlue),
              c.ok ? c.textColour : kText);
    EXPECT_EQ(RGB(barSettings.popupBackgroundRed, barSettings.popupBackgroundGreen,
                  barSettings.popupBackgroundBlue),
              c.ok ? c.backColour : kBack);
    const bool fontTaken = c.chooser == kFont && c.chooserOk && c.ok;
    if (!fontTaken) {
      EXPECT_EQ(memcmp(&barSettings.popupFont, &loadedFont, sizeof loadedFont), 0);
    }
    const bool changed =
        c.popupsAbove == 1 || c.popupDelay != 500 || fontTaken || (c.ok && c.backColour != kBack);
    EXPECT_EQ(extState.saveState, changed ? SAVE_AT_UNLOAD : SAVE_NOTHING);
  }
}

}  // namespace
