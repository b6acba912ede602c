// The Choose Icon dialog run for real and driven from inside its own message
// loops: a program's icons offered at opening, the strip scrolled, OK, Cancel.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "dialogs/button_dialog.h"
#include "host/state.h"
#include "resources/resource.h"
#include "support/dialog_script.h"
#include "support/files.h"
#include "support/msgbox_catcher.h"

namespace {

const char kTooMany[] = "There are too many icons in the file to display them all.";
const char kUseBrowse[] = "Please use the Browse button to select a file.";

std::string BinFile(const std::string& name) { return ProgramDirectory() + "\\" + name; }

DialogScript::Step Press(int id) {
  return DialogScript::In("Choose Icon for", [id](HWND d) { ClickControl(d, id); });
}

// A program's own icons are offered at opening, at most 129, to scroll through and click;
// without any, OK asks for a file and the dialog stays. Cancel leaves nothing
// chosen.
TEST(ChooseIconTest, OffersAProgramsOwnIconsToScrollAndPick) {
  const std::string one = BinFile("one_icon.exe"), many = BinFile("many_icons.exe");
  const struct {
    std::string program;
    int menuButton, offered, closeWith;
    std::string file;  // chosen at the end
    int index;
    std::vector<std::string> boxes;
  } cases[] = {{one, 0, 1, IDOK, one, 0, {}},
               {many, 0, 129, IDOK, many, 4, {kTooMany}},
               {many, 0, 129, IDCANCEL, "", 0, {kTooMany}},
               {BinFile("cmdline_logger.exe"), 0, 0, IDOK, "", 0, {kUseBrowse}},
               {one, 1, 0, IDOK, "", 0, {kUseBrowse}}};
  extState.instance = GetModuleHandleA(nullptr);
  MessageBoxCatcher catcher;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program + (c.menuButton ? " (menu)" : ""));
    buttonDialog = ButtonDialogState{};
    extState.editingMenuButton = c.menuButton;
    lstrcpynA(buttonDialog.programText, c.program.c_str(), kTextBufferSize);
    catcher.clear();
    std::vector<DialogScript::Step> steps = {
        DialogScript::In(
            "Choose Icon for",
            [&](HWND dialog) {
              char caption[MAX_PATH] = "";
              GetWindowTextA(dialog, caption, MAX_PATH);
              EXPECT_EQ(caption, "Choose Icon for " + c.program.substr(c.program.rfind('\\') + 1));
              EXPECT_EQ(buttonDialog.chosenIconFile, c.offered ? c.program : "");
              int low = 0, high = 0;
              GetScrollRange(GetDlgItem(dialog, IDC_ICON_SCROLL), SB_CTL, &low, &high);
              EXPECT_EQ(high, c.offered ? c.offered - 1 : 0);
              EXPECT_EQ(LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)), IDOK);
              // The pointer rests on OK when the one icon is chosen, else on the strip.
              RECT r;
              POINT p;
              GetWindowRect(GetDlgItem(dialog, c.offered == 1 ? IDOK : IDC_ICON_SCROLL), &r);
              GetCursorPos(&p);
              EXPECT_TRUE(p.x == (r.left + r.right) / 2 && p.y == (r.top + r.bottom) / 2);
              if (c.offered < 2) return;
              // Scrolling chooses the icon at the strip's start, up to the last one.
              const std::pair<WPARAM, int> requests[] = {
                  {SB_LINELEFT, 0},    {SB_LINERIGHT, 1}, {MAKEWPARAM(SB_THUMBPOSITION, 128), 128},
                  {SB_LINERIGHT, 128}, {SB_TOP, 0},       {MAKEWPARAM(SB_THUMBTRACK, 3), 3},
                  {SB_ENDSCROLL, 3}};
              for (const auto& [request, index] : requests) {
                SendMessageA(dialog, WM_HSCROLL, request, 0);
                EXPECT_EQ(buttonDialog.chosenIconIndex, index) << request;
              }
              // A click on the strip's second icon (a quarter icon apart, the row centred
              // above the scroll bar) picks it and puts the pointer on OK.
              RECT area, scroll;
              GetWindowRect(GetDlgItem(dialog, IDC_ICON_AREA), &area);
              GetWindowRect(GetDlgItem(dialog, IDC_ICON_SCROLL), &scroll);
              const int icon = GetSystemMetrics(SM_CXICON);
              POINT at = {area.left + icon / 4 * 2 + icon + icon / 2,
                          (area.top + area.bottom - (scroll.bottom - scroll.top)) / 2};
              ScreenToClient(dialog, &at);
              SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
              EXPECT_EQ(buttonDialog.chosenIconIndex, 4);
              GetWindowRect(GetDlgItem(dialog, IDOK), &r);
              GetCursorPos(&p);
              EXPECT_TRUE(p.x == (r.left + r.right) / 2 && p.y == (r.top + r.bottom) / 2);
            }),
        Press(c.closeWith)};
    if (!c.offered)
      steps.insert(steps.end(), {[&] { return !catcher.boxes().empty(); }, Press(IDCANCEL)});
    DialogScript script(std::move(steps));
    EXPECT_EQ(DialogBoxParamA(extState.instance, MAKEINTRESOURCEA(IDD_CHOOSE_ICON), nullptr,
                              ChooseIconDialogProc, 0),
              1);
    EXPECT_TRUE(script.finished() && !script.timedOut());
    EXPECT_EQ(buttonDialog.chosenIconFile, c.file);
    EXPECT_EQ(buttonDialog.chosenIconIndex, c.index);
    std::vector<std::string> shown;
    for (const CaughtBox& box : catcher.boxes()) shown.push_back(box.text);
    EXPECT_EQ(shown, c.boxes);
  }
}

}  // namespace
