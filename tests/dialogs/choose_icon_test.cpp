// The Choose Icon dialog run for real, driven by a timer from inside its own
// message loops: a program's icons offered at opening, the strip scrolled and
// clicked, Browse through the common Open dialog, OK and Cancel; and its
// template as the extension's DLL carries it.
#include <gtest/gtest.h>
#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

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
  std::string folder = path;
  return folder.substr(0, folder.rfind('\\') + 1) + name;
}

// A step of a dialog run; false = not yet (a window still awaited), ask again at the next tick.
using Step = std::function<bool(HWND dialog)>;
struct Script {
  HWND dialog = nullptr;
  std::vector<Step> steps;
  size_t next = 0;
  bool busy = false;
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

POINT Centre(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return {r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2};
}

void ExpectPointerOn(HWND dialog, int control) {
  POINT pointer, centre = Centre(GetDlgItem(dialog, control));
  GetCursorPos(&pointer);
  EXPECT_TRUE(pointer.x == centre.x && pointer.y == centre.y) << "pointer not on " << control;
}

int DefaultButton(HWND dialog) { return LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)); }

int ScrollMax(HWND dialog) {
  int low = 0, high = 0;
  GetScrollRange(GetDlgItem(dialog, IDC_ICON_SCROLL), SB_CTL, &low, &high);
  return high;
}

// The strip as drawn: icon area in dialog coordinates, icon k's left, row top.
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

// A pixel of the dialog as painted now.
COLORREF PixelAt(HWND dialog, int x, int y) {
  RedrawWindow(dialog, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  HDC dc = GetDC(dialog);
  COLORREF pixel = GetPixel(dc, x, y);
  ReleaseDC(dialog, dc);
  return pixel;
}

// The Open dialog: the visible standard dialog that `owner` owns.
BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<std::pair<HWND, HWND>*>(data);
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  if (GetWindow(window, GW_OWNER) == search->first && IsWindowVisible(window) &&
      !lstrcmpA(name, "#32770"))
    search->second = window;
  return search->second == nullptr;
}
HWND OpenDialogOf(HWND owner) {
  std::pair<HWND, HWND> search{owner, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
  return search.second;
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
  // Runs the dialog for a program (or a menu item) through `steps`; its result.
  INT_PTR Run(const std::string& program, int menuButton, std::vector<Step> steps) {
    extState.editingMenuButton = menuButton;
    lstrcpynA(buttonDialog.programText, program.c_str(), kTextBufferSize);
    script = Script{};
    script.steps = std::move(steps);
    // The timer belongs to a message-only window: the Open dialog's loop loses thread timers.
    HWND ticker =
        CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    SetTimer(ticker, 1, 10, Tick);
    INT_PTR result = DialogBoxParamA(extState.instance, MAKEINTRESOURCEA(IDD_CHOOSE_ICON), nullptr,
                                     ScriptedProc, 0);
    DestroyWindow(ticker);
    EXPECT_EQ(script.next, script.steps.size()) << "the dialog ended before its script";
    return result;
  }
  // Waits until `count` boxes have been shown and closed.
  Step BoxesCaught(size_t count) {
    return [this, count](HWND) {
      return catcher.boxes().size() == count && !catcher.boxes().back().text.empty();
    };
  }
  std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (const CaughtBox& box : catcher.boxes()) {
      EXPECT_EQ(box.caption, "QX IconBar");
      texts.push_back(box.text);
    }
    return texts;
  }
  MessageBoxCatcher catcher;
};

const char kTooMany[] = "There are too many icons in the file to display them all.";
const char kUseBrowse[] = "Please use the Browse button to select a file.";

TEST_F(ChooseIconTest, OpensWithAProgramsOwnIconsOnly) {
  struct Case {
    std::string program;
    int menuButton, offered;  // offered -1: no file
    std::vector<std::string> boxes;
  };
  const std::string one = BinFile("one_icon.exe"), many = BinFile("many_icons.exe");
  for (const Case& c : std::vector<Case>{{one, 0, 1, {}},
                                         {many, 0, 129, {kTooMany}},
                                         {BinFile("cmdline_logger.exe"), 0, -1, {kUseBrowse}},
                                         {one, 1, -1, {kUseBrowse}}}) {
    SCOPED_TRACE(c.program + (c.menuButton ? " (menu)" : ""));
    catcher.clear();
    const bool hasFile = c.offered > 0;
    auto check = [&](HWND dialog) {
      std::string name = c.program.substr(c.program.rfind('\\') + 1);
      EXPECT_EQ(Text(dialog), "Choose Icon for " + name);
      EXPECT_EQ(buttonDialog.chosenIconFile, hasFile ? c.program : "");
      EXPECT_EQ(ScrollMax(dialog), hasFile ? c.offered - 1 : 0);
      EXPECT_EQ(DefaultButton(dialog), IDOK);
      ExpectPointerOn(dialog, c.offered == 1 ? IDOK : IDC_ICON_SCROLL);
      if (!hasFile) return true;
      // The selected icon is highlighted inside a black frame; the gap after it is white.
      const Strip s = Measure(dialog);
      EXPECT_EQ(PixelAt(dialog, s.Left(0) - 1, s.top - 1), RGB(0, 0, 0));
      EXPECT_EQ(PixelAt(dialog, s.Left(0), s.top), GetSysColor(COLOR_ACTIVECAPTION));
      EXPECT_EQ(PixelAt(dialog, s.Left(1) - 2, s.top), RGB(255, 255, 255));
      SCROLLBARINFO info = {};
      info.cbSize = sizeof info;
      GetScrollBarInfo(GetDlgItem(dialog, IDC_ICON_SCROLL), OBJID_CLIENT, &info);
      EXPECT_EQ((info.rgstate[1] & info.rgstate[5] & STATE_SYSTEM_UNAVAILABLE) != 0,
                c.offered == 1);
      // With fewer icons than fit, "bottom" does nothing.
      SendMessageA(dialog, WM_HSCROLL, SB_BOTTOM, 0);
      EXPECT_EQ(buttonDialog.chosenIconIndex, c.offered > s.fits ? c.offered - s.fits : 0);
      return true;
    };
    // OK without a file asks for one; then Cancel leaves without a choice.
    std::vector<Step> steps = {check, Press(IDOK)};
    if (!hasFile) steps.insert(steps.end(), {BoxesCaught(c.boxes.size()), Press(IDCANCEL)});
    EXPECT_EQ(Run(c.program, c.menuButton, steps), 1);
    EXPECT_EQ(buttonDialog.chosenIconFile, hasFile ? c.program : "");
    EXPECT_EQ(Boxes(), c.boxes);
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
    for (const Scroll& r : std::vector<Scroll>{{SB_LINELEFT, 0, 0},
                                               {SB_LINERIGHT, 0, 1},
                                               {SB_PAGERIGHT, 0, 1 + p},
                                               {SB_PAGELEFT, 0, 1},
                                               {SB_PAGELEFT, 0, 0},
                                               {SB_BOTTOM, 0, n - p},
                                               {SB_PAGERIGHT, 0, n - p},
                                               {SB_THUMBPOSITION, n - 1, n - 1},
                                               {SB_LINERIGHT, 0, n - 1},
                                               {SB_THUMBTRACK, 5, 5},
                                               {SB_ENDSCROLL, 0, 5},
                                               {SB_TOP, 0, 0}}) {
      SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(r.request, r.thumb), 0);
      EXPECT_EQ(buttonDialog.chosenIconIndex, r.expected) << "request " << r.request;
      EXPECT_EQ(GetScrollPos(GetDlgItem(dialog, IDC_ICON_SCROLL), SB_CTL), r.expected);
    }
    // Between two icons, on the scroll bar's row, outside: nothing. The third icon: chosen.
    const int iconY = s.top + GetSystemMetrics(SM_CYICON) / 2;
    for (POINT miss : {POINT{s.Left(1) - 2, iconY}, POINT{s.Left(0) + 2, s.scroll.top + 2},
                       POINT{s.Left(0) + 2, s.area.top - 2}})
      EXPECT_EQ(SendMessageA(dialog, WM_LBUTTONDOWN, 0, MAKELPARAM(miss.x, miss.y)), 0);
    EXPECT_EQ(buttonDialog.chosenIconIndex, 0);
    SendMessageA(dialog, WM_HSCROLL, SB_LINERIGHT, 0);
    SendMessageA(dialog, WM_LBUTTONDOWN, 0, MAKELPARAM(s.Left(2) + 4, iconY));
    EXPECT_EQ(buttonDialog.chosenIconIndex, 3);
    EXPECT_EQ(GetScrollPos(GetDlgItem(dialog, IDC_ICON_SCROLL), SB_CTL), 3);
    EXPECT_EQ(PixelAt(dialog, s.Left(0) - 1, s.top - 1), RGB(0, 0, 0));
    ExpectPointerOn(dialog, IDOK);
    return true;
  };
  EXPECT_EQ(Run(many, 0, {scrollAndClick, Press(IDOK)}), 1);
  EXPECT_EQ(buttonDialog.chosenIconFile, many);
  EXPECT_EQ(buttonDialog.chosenIconIndex, 3);
  // Cancel after a choice leaves nothing chosen.
  EXPECT_EQ(Run(many, 0, {scrollAndClick, Press(IDCANCEL)}), 1);
  EXPECT_EQ(buttonDialog.chosenIconFile, std::string());
  EXPECT_EQ(buttonDialog.chosenIconIndex, 0);
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
  struct Use {
    std::vector<Step> steps;
    std::string result;
    std::vector<std::string> boxes;
  };
  const std::vector<Use> uses = {
      {{Press(IDC_BROWSE), AnswerOpen(system, "MORICONS.DLL", one), fileIs(one),
        [&](HWND dialog) { return Text(GetDlgItem(dialog, IDC_ICON_FILE_NAME)) == one; },
        Press(IDOK)},
       one,
       {}},
      // No icons: the strip stays empty, and OK takes the file with icon 0.
      {{Press(IDC_BROWSE), AnswerOpen(bin, "one_icon.exe", none), fileIs(none), BoxesCaught(1),
        stripEmpty, Press(IDOK)},
       none,
       {"There are no icons in the file. Please use the Browse button to select another file."}},
      // Still the last folder that had icons; a cancelled Open leaves no file.
      {{Press(IDC_BROWSE), AnswerOpen(bin, "one_icon.exe", ""), fileIs(""),
        [](HWND dialog) { return DefaultButton(dialog) == IDCANCEL; }, Press(IDOK), BoxesCaught(1),
        Press(IDCANCEL)},
       "",
       {kUseBrowse}}};
  for (const Use& use : uses) {
    catcher.clear();
    EXPECT_EQ(Run("Copy", 1, use.steps), 1);
    EXPECT_EQ(buttonDialog.chosenIconFile, use.result);
    EXPECT_EQ(buttonDialog.chosenIconIndex, 0);
    EXPECT_EQ(Boxes(), use.boxes);
  }
}

TEST(ChooseIconTemplate, IsTheDialogTheExtensionCarries) {
  HMODULE dll = LoadLibraryExA(BinFile("qxibar.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(dll, nullptr);
  HRSRC found = FindResourceA(dll, MAKEINTRESOURCEA(IDD_CHOOSE_ICON), MAKEINTRESOURCEA(5));
  ASSERT_NE(found, nullptr);
  auto* base = static_cast<const WORD*>(LockResource(LoadResource(dll, found)));
  const WORD* p = base;
  auto dword = [&] {
    p += 2;
    return DWORD(p[-2]) | DWORD(p[-1]) << 16;
  };
  auto text = [&] {  // a string, or 0xFFFF and a number
    std::string s;
    if (*p == 0xFFFF) {
      p += 2;
      return "#" + std::to_string(p[-1]);
    }
    while (*p) s += char(*p++);
    ++p;
    return s;
  };
  auto rect = [&] {
    p += 4;
    return std::vector<int>{short(p[-4]), short(p[-3]), short(p[-2]), short(p[-1])};
  };
  EXPECT_EQ(dword(), DWORD(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT));
  EXPECT_EQ(dword(), 0u);
  const int count = *p++;
  EXPECT_EQ(rect(), (std::vector<int>{0, 0, 248, 175}));
  EXPECT_EQ(text(), "");  // no menu
  EXPECT_EQ(text(), "");  // the standard dialog class
  EXPECT_EQ(text(), "Choose Icon");
  EXPECT_EQ(*p++, 8);
  EXPECT_EQ(text(), "MS Sans Serif");
  struct Control {
    int id;
    std::string className, text;
    DWORD style;
    std::vector<int> rect;
  };
  const DWORD kChild = WS_CHILD | WS_VISIBLE, kButton = kChild | WS_TABSTOP;
  const std::vector<Control> expected = {
      {0xFFFF, "#130", "File Name:", kChild | SS_LEFT | WS_GROUP, {0, 8, 36, 8}},
      {1033, "#129", "", kChild | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, {40, 6, 140, 13}},
      {1034, "#128", "", kButton | BS_GROUPBOX | WS_GROUP, {4, 76, 240, 68}},
      {1035, "#132", "", kButton | SBS_HORZ, {5, 132, 239, 11}},
      {IDOK, "#128", "OK", kButton | BS_DEFPUSHBUTTON, {192, 8, 50, 14}},
      {IDCANCEL, "#128", "Cancel", kButton, {192, 27, 50, 14}},
      {1003, "#128", "Browse", kButton, {192, 56, 50, 14}},
      {1005, "#128", "Help", kButton, {192, 152, 50, 14}},
      {0xFFFF, "#130", "Icons in Selected File:", kChild | SS_LEFT | WS_GROUP, {7, 68, 71, 8}}};
  ASSERT_EQ(count, int(expected.size()));
  for (const Control& c : expected) {
    p = base + ((p - base + 1) & ~1);  // items start on a DWORD boundary
    Control got;
    got.style = dword();
    dword();
    got.rect = rect();
    got.id = *p++;
    got.className = text();
    got.text = text();
    p += 1 + *p / 2;
    EXPECT_EQ(got.id, c.id);
    EXPECT_EQ(got.className, c.className) << c.id;
    EXPECT_EQ(got.text, c.text) << c.id;
    EXPECT_EQ(got.style, c.style) << c.id;
    EXPECT_EQ(got.rect, c.rect) << c.id;
  }
  FreeLibrary(dll);
}

}  // namespace
