// The Choose Icon dialog run for real, driven by a timer from inside its own
// message loops: a program's icons offered at opening, the strip scrolled and
// clicked, Browse through the common Open dialog, OK and Cancel; and its
// template as the extension's DLL carries it.
#include <gtest/gtest.h>
#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/button_dialog.h"
#include "host/state.h"
#include "resources/resource.h"
#include "support/msgbox_catcher.h"

namespace {

std::string BinFile(const std::string& name) {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, std::strrchr(path, '\\') + 1) + name;
}

// A step of a dialog run; false = not yet (a window still awaited), ask again at the next tick.
using Step = std::function<bool(HWND dialog)>;
struct Script {
  HWND dialog;
  std::vector<Step> steps;
  size_t next;
  bool busy;
} script;

INT_PTR CALLBACK ScriptedProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = ChooseIconDialogProc(dialog, message, wParam, lParam);
  if (message == WM_INITDIALOG) script.dialog = dialog;
  return result;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (script.busy || !script.dialog || !IsWindowVisible(script.dialog) ||
      script.next >= script.steps.size())
    return;
  script.busy = true;
  if (script.steps[script.next](script.dialog)) ++script.next;
  script.busy = false;
}

// Commands are posted: Browse must not block the tick that presses it.
Step Press(int control) {
  return [control](HWND dialog) { return PostMessageA(dialog, WM_COMMAND, control, 0) != 0; };
}

std::string Text(HWND window) {
  char text[MAX_PATH] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Whether the mouse pointer rests on the control's centre.
bool PointerOn(HWND dialog, int control) {
  RECT r;
  POINT p;
  GetWindowRect(GetDlgItem(dialog, control), &r);
  GetCursorPos(&p);
  return p.x == (r.left + r.right) / 2 && p.y == (r.top + r.bottom) / 2;
}

int DefaultButton(HWND dialog) { return LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)); }

int ScrollMax(HWND dialog) {
  int low = 0, high = 0;
  GetScrollRange(GetDlgItem(dialog, IDC_ICON_SCROLL), SB_CTL, &low, &high);
  return high;
}

// The strip as drawn: areas in dialog coordinates, icon k's left, the row's top.
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
  s.top = s.area.top + (s.area.bottom - s.area.top - (s.scroll.bottom - s.scroll.top) -
                        GetSystemMetrics(SM_CYICON)) /
                           2;
  return s;
}

COLORREF PixelAt(HWND dialog, int x, int y) {
  UpdateWindow(dialog);  // what is due, and only that, is painted
  HDC dc = GetDC(dialog);
  COLORREF pixel = GetPixel(dc, x, y);
  return ReleaseDC(dialog, dc), pixel;
}

// The Open dialog, once it is up: the popup of `dialog` last active.
HWND OpenDialogOf(HWND dialog) {
  HWND popup = GetLastActivePopup(dialog);
  return popup != dialog && IsWindowVisible(popup) ? popup : nullptr;
}

// Waits for the Open dialog, checks where it starts, then types `file` and
// presses OK, or presses Cancel when `file` is empty.
Step AnswerOpen(std::string folder, std::string offered, std::string file) {
  return [=](HWND dialog) {
    HWND open = OpenDialogOf(dialog);
    if (!open) return false;
    HWND name = GetDlgItem(open, cmb13) ? GetDlgItem(open, cmb13) : GetDlgItem(open, edt1);
    char start[MAX_PATH] = "";
    SendMessageA(open, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(start));
    EXPECT_EQ(lstrcmpiA(start, folder.c_str()), 0) << start;
    EXPECT_EQ(Text(name), offered);
    EXPECT_EQ(Text(open), "Choose Icon for Copy");
    if (!file.empty()) SetWindowTextA(name, file.c_str());
    PostMessageA(open, WM_COMMAND, file.empty() ? IDCANCEL : IDOK, 0);
    return true;
  };
}

class ChooseIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    extState.instance = GetModuleHandleA(nullptr);
    buttonDialog = ButtonDialogState{};
  }
  // Runs the dialog for a program (or a menu item) through `steps`, and checks
  // what it leaves: the chosen file and icon, the boxes shown.
  void Expect(const std::string& program, int menuButton, std::vector<Step> steps,
              const std::string& file, int index, std::vector<std::string> boxes) {
    catcher.clear();
    extState.editingMenuButton = menuButton;
    lstrcpynA(buttonDialog.programText, program.c_str(), kTextBufferSize);
    script = Script{};
    script.steps = std::move(steps);
    // A window's timer: the Open dialog's loop can lose a thread's timer.
    HWND ticker =
        CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    SetTimer(ticker, 1, 10, Tick);
    EXPECT_EQ(DialogBoxParamA(extState.instance, MAKEINTRESOURCEA(IDD_CHOOSE_ICON), nullptr,
                              ScriptedProc, 0),
              1);
    DestroyWindow(ticker);
    EXPECT_EQ(script.next, script.steps.size()) << "the dialog ended before its script";
    EXPECT_EQ(buttonDialog.chosenIconFile, file);
    EXPECT_EQ(buttonDialog.chosenIconIndex, index);
    std::vector<std::string> shown;
    for (const CaughtBox& box : catcher.boxes()) shown.push_back(box.caption + ": " + box.text);
    EXPECT_EQ(shown, boxes);
  }
  // Waits until `count` boxes have been shown and closed.
  Step BoxesCaught(size_t count) {
    return [this, count](HWND) {
      return catcher.boxes().size() == count && !catcher.boxes().back().text.empty();
    };
  }
  MessageBoxCatcher catcher;
};

const char kTooMany[] = "QX IconBar: There are too many icons in the file to display them all.";
const char kUseBrowse[] = "QX IconBar: Please use the Browse button to select a file.";

TEST_F(ChooseIconTest, OpensWithAProgramsOwnIconsOnly) {
  struct Case {
    std::string program;
    int menuButton, offered;  // 0: no file
    std::vector<std::string> boxes;
  };
  const std::string one = BinFile("one_icon.exe");
  for (const Case& c : std::vector<Case>{{one, 0, 1, {}},
                                         {BinFile("many_icons.exe"), 0, 129, {kTooMany}},
                                         {BinFile("cmdline_logger.exe"), 0, 0, {kUseBrowse}},
                                         {one, 1, 0, {kUseBrowse}}}) {
    SCOPED_TRACE(c.program + (c.menuButton ? " (menu)" : ""));
    auto check = [&](HWND dialog) {
      EXPECT_EQ(Text(dialog), "Choose Icon for " + c.program.substr(c.program.rfind('\\') + 1));
      EXPECT_EQ(buttonDialog.chosenIconFile, c.offered ? c.program : "");
      EXPECT_EQ(ScrollMax(dialog), c.offered ? c.offered - 1 : 0);
      EXPECT_EQ(DefaultButton(dialog), IDOK);
      EXPECT_TRUE(PointerOn(dialog, c.offered == 1 ? IDOK : IDC_ICON_SCROLL));
      if (!c.offered) return true;
      // The selected icon is highlighted inside a black frame; the gap after it is white.
      const Strip s = Measure(dialog);
      EXPECT_EQ(PixelAt(dialog, s.Left(0) - 1, s.top - 1), RGB(0, 0, 0));
      EXPECT_EQ(PixelAt(dialog, s.Left(0), s.top), GetSysColor(COLOR_ACTIVECAPTION));
      EXPECT_EQ(PixelAt(dialog, s.Left(1) - 2, s.top), RGB(255, 255, 255));
      SCROLLBARINFO info = {sizeof info, {}, 0, 0, 0, 0, {}};
      GetScrollBarInfo(GetDlgItem(dialog, IDC_ICON_SCROLL), OBJID_CLIENT, &info);
      EXPECT_EQ((info.rgstate[1] & info.rgstate[5] & STATE_SYSTEM_UNAVAILABLE) != 0,
                c.offered == 1);
      // With fewer icons than fit, "bottom" does nothing.
      if (c.offered == 1) SendMessageA(dialog, WM_HSCROLL, SB_BOTTOM, 0);
      return true;
    };
    // OK without a file asks for one and the dialog stays; Cancel leaves it.
    std::vector<Step> steps = {check, Press(IDOK)};
    if (!c.offered) steps.insert(steps.end(), {BoxesCaught(c.boxes.size()), Press(IDCANCEL)});
    Expect(c.program, c.menuButton, steps, c.offered ? c.program : "", 0, c.boxes);
  }
}

TEST_F(ChooseIconTest, ScrollsAndPicksFromTheStrip) {
  const std::string many = BinFile("many_icons.exe");
  auto scrollAndClick = [](HWND dialog) {
    const Strip s = Measure(dialog);
    const int n = 129, p = s.fits;
    struct Scroll {
      int request, thumb, expected;
    };
    // clang-format off
    for (const Scroll& r : std::vector<Scroll>{
             {SB_LINELEFT, 0, 0}, {SB_LINERIGHT, 0, 1}, {SB_PAGERIGHT, 0, 1 + p},
             {SB_PAGELEFT, 0, 1}, {SB_PAGELEFT, 0, 0}, {SB_BOTTOM, 0, n - p},
             {SB_PAGERIGHT, 0, n - p}, {SB_THUMBPOSITION, n - 1, n - 1}, {SB_LINERIGHT, 0, n - 1},
             {SB_THUMBTRACK, 5, 5}, {SB_ENDSCROLL, 0, 5}, {SB_TOP, 0, 0}}) {
      // clang-format on
      SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(r.request, r.thumb), 0);
      EXPECT_EQ(buttonDialog.chosenIconIndex, r.expected) << "request " << r.request;
      EXPECT_EQ(GetScrollPos(GetDlgItem(dialog, IDC_ICON_SCROLL), SB_CTL), r.expected);
    }
    // Between two icons, on the scroll bar's row, above the area: nothing. The third icon: chosen.
    const int iconY = s.top + GetSystemMetrics(SM_CYICON) / 2;
    for (POINT miss : {POINT{s.Left(1) - 2, iconY}, POINT{s.Left(0) + 2, s.scroll.top + 2},
                       POINT{s.Left(0) + 2, s.area.top - 2}})
      EXPECT_EQ(SendMessageA(dialog, WM_LBUTTONDOWN, 0, MAKELPARAM(miss.x, miss.y)), 0);
    EXPECT_EQ(buttonDialog.chosenIconIndex, 0);
    SendMessageA(dialog, WM_HSCROLL, SB_LINERIGHT, 0);
    SendMessageA(dialog, WM_LBUTTONDOWN, 0, MAKELPARAM(s.Left(2) + 4, iconY));
    EXPECT_EQ(buttonDialog.chosenIconIndex, 3);
    EXPECT_EQ(GetScrollPos(GetDlgItem(dialog, IDC_ICON_SCROLL), SB_CTL), 3);
    EXPECT_EQ(DefaultButton(dialog), IDOK);
    EXPECT_TRUE(PointerOn(dialog, IDOK));
    return true;
  };
  Expect(many, 0, {scrollAndClick, Press(IDOK)}, many, 3, {kTooMany});
  // Cancel after a choice leaves nothing chosen.
  Expect(many, 0, {scrollAndClick, Press(IDCANCEL)}, "", 0, {kTooMany});
}

TEST_F(ChooseIconTest, BrowseStartsInTheSystemThenInTheLastFolderWithIcons) {
  char system[MAX_PATH] = "";
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string one = BinFile("one_icon.exe"), none = BinFile("no_strings.dll");
  const std::string bin = one.substr(0, one.rfind('\\'));
  auto fileIs = [](std::string file) {
    return [file](HWND dialog) {
      return !OpenDialogOf(dialog) && buttonDialog.chosenIconFile == file;
    };
  };
  auto stripEmpty = [](HWND dialog) {
    const Strip s = Measure(dialog);
    EXPECT_EQ(ScrollMax(dialog), 0);
    EXPECT_EQ(PixelAt(dialog, s.Left(0), s.top), RGB(255, 255, 255));
    return true;
  };
  // A file without icons empties the strip, and OK takes it with icon 0.
  Expect("Copy", 1,
         {Press(IDC_BROWSE), AnswerOpen(system, "MORICONS.DLL", one), fileIs(one),
          [&](HWND dialog) { return Text(GetDlgItem(dialog, IDC_ICON_FILE_NAME)) == one; },
          Press(IDC_BROWSE), AnswerOpen(bin, "one_icon.exe", none), fileIs(none), BoxesCaught(1),
          stripEmpty, Press(IDOK)},
         none, 0,
         {"QX IconBar: There are no icons in the file. Please use the Browse button to select "
          "another file."});
  // Still the last folder that had icons; a cancelled Open leaves no file.
  Expect("Copy", 1,
         {Press(IDC_BROWSE), AnswerOpen(bin, "one_icon.exe", ""), fileIs(""),
          [](HWND dialog) { return DefaultButton(dialog) == IDCANCEL; }, Press(IDOK),
          BoxesCaught(1), Press(IDCANCEL)},
         "", 0, {kUseBrowse});
}

}  // namespace
