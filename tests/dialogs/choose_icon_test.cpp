// The Choose Icon dialog run for real and driven from inside its own message
// loops: a program's icons offered at opening, the strip scrolled and clicked,
// OK and Cancel.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialogs/button_dialog.h"
#include "host/state.h"
#include "resources/resource.h"
#include "support/dialog_script.h"
#include "support/msgbox_catcher.h"

namespace {

using Step = DialogScript::Step;
const char kTooMany[] = "There are too many icons in the file to display them all.";
const char kUseBrowse[] = "Please use the Browse button to select a file.";

std::string BinFile(const std::string& name) {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, std::strrchr(path, '\\') + 1) + name;
}

std::string Text(HWND window) {
  char text[MAX_PATH] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

Step Until(std::function<bool(HWND)> ready) {
  return [=] {
    HWND dialog = DialogScript::Dialog("Choose Icon for");
    return dialog && ready(dialog);
  };
}
Step Press(int id) {
  return Until([id](HWND d) { return DialogScript::Click(d, id), true; });
}

int DefaultButton(HWND dialog) { return LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)); }
int ScrollPos(HWND dialog) { return GetScrollPos(GetDlgItem(dialog, IDC_ICON_SCROLL), SB_CTL); }
int ScrollMax(HWND dialog) {
  int low = 0, high = 0;
  GetScrollRange(GetDlgItem(dialog, IDC_ICON_SCROLL), SB_CTL, &low, &high);
  return high;
}

// Whether the mouse pointer rests on the control's centre.
bool PointerOn(HWND dialog, int control) {
  RECT r;
  POINT p;
  GetWindowRect(GetDlgItem(dialog, control), &r);
  GetCursorPos(&p);
  return p.x == (r.left + r.right) / 2 && p.y == (r.top + r.bottom) / 2;
}

// The strip as drawn, in dialog coordinates: icon k's left, the row's top.
struct Strip {
  RECT area, scroll;
  int gap, step, fits, top;
  int Left(int k) const { return area.left + gap + k * step; }
};
Strip Measure(HWND dialog) {
  Strip s{};
  GetWindowRect(GetDlgItem(dialog, IDC_ICON_AREA), &s.area);
  GetWindowRect(GetDlgItem(dialog, IDC_ICON_SCROLL), &s.scroll);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&s), 4);
  s.gap = GetSystemMetrics(SM_CXICON) / 4;
  s.step = GetSystemMetrics(SM_CXICON) + s.gap;
  s.fits = (s.area.right - s.area.left - s.gap) / s.step;
  const int rowHeight = s.area.bottom - s.area.top - (s.scroll.bottom - s.scroll.top);
  s.top = s.area.top + (rowHeight - GetSystemMetrics(SM_CYICON)) / 2;
  return s;
}

class ChooseIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    extState.instance = GetModuleHandleA(nullptr);
    buttonDialog = ButtonDialogState{};
  }
  // Runs the dialog for a program (or a menu item) through the steps, and
  // checks what it leaves: the chosen file and icon, the boxes shown.
  void Expect(const std::string& program, int menuButton, std::vector<Step> steps,
              const std::string& file, int index, std::vector<std::string> boxes) {
    catcher.clear();
    extState.editingMenuButton = menuButton;
    lstrcpynA(buttonDialog.programText, program.c_str(), kTextBufferSize);
    DialogScript script(std::move(steps));
    EXPECT_EQ(DialogBoxParamA(extState.instance, MAKEINTRESOURCEA(IDD_CHOOSE_ICON), nullptr,
                              ChooseIconDialogProc, 0),
              1);
    EXPECT_TRUE(script.finished() && !script.timedOut());
    EXPECT_EQ(buttonDialog.chosenIconFile, file);
    EXPECT_EQ(buttonDialog.chosenIconIndex, index);
    std::vector<std::string> shown;
    for (const CaughtBox& box : catcher.boxes()) shown.push_back(box.text);
    EXPECT_EQ(shown, boxes);
  }
  // Waits until `count` boxes have been shown and closed.
  Step BoxesCaught(size_t count) {
    return [this, count] { return catcher.boxes().size() == count; };
  }
  MessageBoxCatcher catcher;
};

// The strip scrolled by every request and clicked beside and on an icon.
void ScrollAndClick(HWND dialog) {
  const Strip s = Measure(dialog);
  const int n = 129, p = s.fits;
  const struct {
    int request, thumb, expected;
  } requests[] = {{SB_LINELEFT, 0, 0},      {SB_LINERIGHT, 0, 1},
                  {SB_PAGERIGHT, 0, 1 + p}, {SB_PAGELEFT, 0, 1},
                  {SB_PAGELEFT, 0, 0},      {SB_BOTTOM, 0, n - p},
                  {SB_PAGERIGHT, 0, n - p}, {SB_THUMBPOSITION, n - 1, n - 1},
                  {SB_LINERIGHT, 0, n - 1}, {SB_THUMBTRACK, 5, 5},
                  {SB_ENDSCROLL, 0, 5},     {SB_TOP, 0, 0}};
  for (const auto& r : requests) {
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(r.request, r.thumb), 0);
    EXPECT_EQ(buttonDialog.chosenIconIndex, r.expected) << "request " << r.request;
    EXPECT_EQ(ScrollPos(dialog), r.expected);
  }
  // Between two icons, on the scroll bar's row, above the area: nothing. The third icon: chosen.
  const int iconY = s.top + GetSystemMetrics(SM_CYICON) / 2;
  for (POINT miss : {POINT{s.Left(1) - 2, iconY}, POINT{s.Left(0) + 2, s.scroll.top + 2},
                     POINT{s.Left(0) + 2, s.area.top - 2}})
    SendMessageA(dialog, WM_LBUTTONDOWN, 0, MAKELPARAM(miss.x, miss.y));
  EXPECT_EQ(buttonDialog.chosenIconIndex, 0);
  SendMessageA(dialog, WM_HSCROLL, SB_LINERIGHT, 0);
  SendMessageA(dialog, WM_LBUTTONDOWN, 0, MAKELPARAM(s.Left(2) + 4, iconY));
  EXPECT_EQ(buttonDialog.chosenIconIndex, 3);
  EXPECT_EQ(ScrollPos(dialog), 3);
  EXPECT_TRUE(PointerOn(dialog, IDOK));
}

// A program's own icons are offered at opening, at most 129; without any, OK
// asks for a file and the dialog stays. Cancel leaves nothing chosen.
TEST_F(ChooseIconTest, OffersAProgramsOwnIconsToScrollAndPick) {
  const std::string one = BinFile("one_icon.exe"), many = BinFile("many_icons.exe");
  const struct {
    std::string program;
    int menuButton, offered, closeWith;
    std::string file;  // chosen at the end
    int index;
    std::vector<std::string> boxes;
  } cases[] = {{one, 0, 1, IDOK, one, 0, {}},
               {many, 0, 129, IDOK, many, 3, {kTooMany}},
               {many, 0, 129, IDCANCEL, "", 0, {kTooMany}},
               {BinFile("cmdline_logger.exe"), 0, 0, IDOK, "", 0, {kUseBrowse}},
               {one, 1, 0, IDOK, "", 0, {kUseBrowse}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program + (c.menuButton ? " (menu)" : ""));
    auto check = [&](HWND dialog) {
      EXPECT_EQ(Text(dialog), "Choose Icon for " + c.program.substr(c.program.rfind('\\') + 1));
      EXPECT_EQ(buttonDialog.chosenIconFile, c.offered ? c.program : "");
      EXPECT_EQ(ScrollMax(dialog), c.offered ? c.offered - 1 : 0);
      EXPECT_EQ(DefaultButton(dialog), IDOK);
      EXPECT_TRUE(PointerOn(dialog, c.offered == 1 ? IDOK : IDC_ICON_SCROLL));
      if (c.offered > 1) ScrollAndClick(dialog);
      return true;
    };
    std::vector<Step> steps = {Until(check), Press(c.closeWith)};
    if (!c.offered) steps.insert(steps.end(), {BoxesCaught(c.boxes.size()), Press(IDCANCEL)});
    Expect(c.program, c.menuButton, steps, c.file, c.index, c.boxes);
  }
}

}  // namespace
