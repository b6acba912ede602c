// fmhost_demo [--ini PATH] [--dir DIR]... [--settings FILE] [--exit-after SECONDS]
//             [--script DIR --select NAME... --hover N --click N] [EXTENSION.dll ...]
// Shows the stand-in File Manager with those extensions until it is closed, or
// closes it itself after the seconds given.
//
// --settings copies FILE to the extension's settings file of the current user
// (<windows drive>\QXIBAR\WINFILE\NT\<user name>\QXICOBAR.INI) before the
// extensions load, as an installer would.
//
// --script drives the icon bar from inside the process, in three steps, each
// ended by a hand-shake through files in DIR, so that a screenshot can be taken
// from outside at the right moment:
//   1. the bar is shown:                     writes bar.ready,   waits for bar.taken
//   2. the mouse rests on button --hover:    writes popup.ready, waits for popup.taken
//      (the names of --select are selected in the active tree window first)
//   3. button --click is clicked, and the program it starts has opened its window:
//                                            writes run.ready,   waits for run.taken
//   4. "Move Button" is chosen in button --click's right-click menu and the
//      cross rests over the bar, a move in progress:
//                                            writes move.ready,  waits for move.taken
//      (the move is then placed where the cross rests, after button --hover)
//   5. the Popup Options dialog with its sample:
//                                            writes popup-options.ready, waits for
//                                            popup-options.taken
//   6. the About box:                        writes about.ready, waits for about.taken
//   7. "Icon Bar Keys", then Right twice: the third button's focus rectangle
//      and its popup:                        writes keys.ready,  waits for keys.taken
//   8. each dialog of kDialogShots in turn, opened and filled in as a user
//      would have it:                     writes <name>.ready, waits for <name>.taken
//   8. the frame made narrow, and the chevron's menu of the buttons beyond its
//      edge opened:                          writes chevron.ready, waits for chevron.taken
// Then the frame and the started program's window are closed. Each .ready file
// holds one line saying what was seen ("popup: shown" or "popup: none" ...).
// The move's picture is taken here, as move.bmp, since a picture of the X
// screen shows no cursor; the others are taken from outside.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fmhost.h"

namespace {

HWND frameWindow = nullptr;

void CALLBACK CloseFrame(HWND, UINT, UINT_PTR, DWORD) {
  if (frameWindow && IsWindow(frameWindow)) PostMessageA(frameWindow, WM_CLOSE, 0, 0);
}

// The extension's settings file for the user this process runs as, with the
// directories on its way created.
std::string SettingsPath() {
  if (!fmhost::PrepareSettingsDirectories()) return "";
  char windows[MAX_PATH] = "";
  if (GetWindowsDirectoryA(windows, MAX_PATH) < 3) return "";
  char user[64] = "";
  DWORD userSize = sizeof user;
  if (!GetUserNameA(user, &userSize)) return "";
  std::string path = std::string(windows, 3) + "QXIBAR\\WINFILE\\NT\\" + user;
  if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return "";
  return path + "\\QXICOBAR.INI";
}

// --- The scripted run -------------------------------------------------------

struct Script {
  std::string dir;  // hand-shake directory; empty: no script
  std::vector<std::string> select;
  int hover = 0;
  int click = 0;
  std::string settingsPath;  // where the layout settings are read back from
};
Script script;

enum class Step {
  kShowBar,
  kWaitBarTaken,
  kWaitPopup,
  kWaitPopupTaken,
  kWaitRun,
  kWaitRunTaken,
  kWaitMove,
  kWaitMoveTaken,
  kWaitOptions,
  kWaitOptionsTaken,
  kWaitAbout,
  kWaitAboutTaken,
  kStartKeys,
  kWaitKeys,
  kWaitKeysTaken,
  kOpenDialog,
  kWaitDialog,
  kWaitDialogTaken,
  kChevron,
  kWaitChevron,
  kWaitChevronTaken,
  kDone
};
Step step = Step::kShowBar;
DWORD stepStart = 0;  // GetTickCount when the current step began
HWND startedWindow = nullptr;

constexpr UINT_PTR kScriptTimer = 1;
constexpr UINT kScriptTick = 100;    // milliseconds between looks at the hand-shake
constexpr DWORD kSettleTime = 1500;  // for the posted refresh and the first paint
constexpr DWORD kWaitLimit = 10000;

std::string InDir(const char* name) { return script.dir + "\\" + name; }

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteReady(const char* name, const std::string& line) {
  const std::string path = InDir(name);
  if (FILE* file = std::fopen(path.c_str(), "w")) {
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
  }
}

HWND BarWindow() { return FindWindowExA(frameWindow, nullptr, "QX Iconbar", nullptr); }

int SettingInt(const char* key, int fallback) {
  return static_cast<int>(
      GetPrivateProfileIntA("Icon Bar", key, fallback, script.settingsPath.c_str()));
}

// Centre of button `index` in the bar's client coordinates, by the bar's own
// placement rules, from the bar window's size and the settings file.
POINT ButtonCentre(HWND bar, int index) {
  RECT barRect;
  GetWindowRect(bar, &barRect);
  const int barLength = barRect.right - barRect.left;
  const int barHeight = barRect.bottom - barRect.top;
  const int cx = GetSystemMetrics(SM_CXICON);
  const int cy = GetSystemMetrics(SM_CYICON);
  const bool barFramed = SettingInt("Bar Framed", 1) == 1;
  const bool iconsFramed = SettingInt("Icons Framed", 1) == 1;
  const bool squished = SettingInt("Icons Spaced Horizontal Evenly", 1) != 1;
  const int position = SettingInt("Vertical Icon Position", 1);
  const int count = SettingInt("Number of Icons", 0);
  const int barFrameWidth = barFramed ? 2 * GetSystemMetrics(SM_CXFRAME) : 0;
  const int barFrameHeight = barFramed ? 2 * GetSystemMetrics(SM_CYFRAME) : 0;
  const int iconFrameWidth = iconsFramed ? 6 * GetSystemMetrics(SM_CXBORDER) : 0;
  const int iconFrameHeight = iconsFramed ? 6 * GetSystemMetrics(SM_CYBORDER) : 0;
  int top = (barHeight - cy - iconFrameHeight - barFrameHeight) / 2 + iconFrameHeight / 2;
  if (position == 2) top = iconsFramed ? 3 * GetSystemMetrics(SM_CYBORDER) : 0;
  if (position == 4) top = barHeight - cy - iconFrameHeight / 2 - barFrameHeight;
  int left = 3 * GetSystemMetrics(SM_CXBORDER);
  int spacing = squished ? iconFrameWidth : cx / 8 + iconFrameWidth;
  if (count > 1) {
    const int free = barLength - (barFrameWidth + count * (iconFrameWidth + cx));
    float gapValue = float(free) / float(count - 1);
    if (gapValue < 0.0f) gapValue -= 0.5f;
    const int gap = int(gapValue);
    if (!(gap >= 0 && squished)) spacing = iconFrameWidth + gap;
    if (spacing < -(3 * (cx / 4))) spacing = -(3 * (cx / 4));
    if (!squished) left += (free - (count - 1) * gap) / 2;
  }
  for (int i = 0; i < index; ++i) {
    const int right = left + cx < barLength ? left + cx : barLength;
    left = right + spacing;
  }
  return POINT{left + cx / 2, top + cy / 2};
}

HWND VisiblePopup() {
  HWND popup = FindWindowA("QXPopUp", nullptr);
  return popup && IsWindowVisible(popup) ? popup : nullptr;
}

// Rests the mouse on a button: the pointer goes there and the bar hears of it,
// with File Manager the active window, as when the user moves the mouse.
void RestOnButton(HWND bar, int index) {
  SetForegroundWindow(frameWindow);
  SetActiveWindow(frameWindow);
  POINT client = ButtonCentre(bar, index);
  POINT screen = client;
  ClientToScreen(bar, &screen);
  SetCursorPos(screen.x, screen.y);
  SendMessageA(bar, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
}

void ClickButton(HWND bar, int index) {
  POINT client = ButtonCentre(bar, index);
  POINT screen = client;
  ClientToScreen(bar, &screen);
  SetCursorPos(screen.x, screen.y);
  const LPARAM at = MAKELPARAM(client.x, client.y);
  SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(bar, WM_LBUTTONUP, 0, at);
}

// Chooses an item of the bar's right-click menu by its mnemonic, as the
// keyboard would, on button `index`.
void RightClickChoosing(HWND bar, int index, char key) {
  const POINT client = ButtonCentre(bar, index);
  PostMessageA(bar, WM_CHAR, key, 0);
  SendMessageA(bar, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(client.x, client.y));
  SendMessageA(bar, WM_RBUTTONUP, 0, MAKELPARAM(client.x, client.y));
}

// Where the cross rests during the move: in the gap after button `index`.
POINT MoveTarget(HWND bar, int index) {
  const POINT left = ButtonCentre(bar, index);
  const POINT right = ButtonCentre(bar, index + 1);
  return POINT{(left.x + right.x) / 2, left.y};
}

// Saves the screen with the cursor drawn on it as a 24-bit BMP file. Windows
// given in `onTop` are drawn over it from their own pictures: without a window
// manager the X server may stack a popup under the dialog that owns it.
bool SaveScreenWithCursor(const std::string& path, const std::vector<HWND>& onTop = {}) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  BITMAPINFOHEADER header{sizeof header, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP picture = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                     &bits, nullptr, 0);
  bool saved = false;
  if (memory && picture) {
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    for (HWND window : onTop) {
      RECT r;
      HDC dc = GetWindowDC(window);
      if (dc && GetWindowRect(window, &r))
        BitBlt(memory, r.left, r.top, r.right - r.left, r.bottom - r.top, dc, 0, 0, SRCCOPY);
      if (dc) ReleaseDC(window, dc);
    }
    POINT at;
    ICONINFO icon{};
    HCURSOR cursor = GetCursor();
    if (cursor && GetCursorPos(&at) && GetIconInfo(cursor, &icon)) {
      DrawIconEx(memory, at.x - int(icon.xHotspot), at.y - int(icon.yHotspot), cursor, 0, 0, 0,
                 nullptr, DI_NORMAL);
      if (icon.hbmMask) DeleteObject(icon.hbmMask);
      if (icon.hbmColor) DeleteObject(icon.hbmColor);
    }
    GdiFlush();
    const DWORD rowSize = (DWORD(width) * 3 + 3) & ~3u;
    BITMAPFILEHEADER file{0x4D42, 0, 0, 0, sizeof(BITMAPFILEHEADER) + sizeof header};
    file.bfSize = file.bfOffBits + rowSize * DWORD(height);
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
      saved = std::fwrite(&file, sizeof file, 1, out) == 1 &&
              std::fwrite(&header, sizeof header, 1, out) == 1 &&
              std::fwrite(bits, rowSize * DWORD(height), 1, out) == 1;
      saved = std::fclose(out) == 0 && saved;
    }
    SelectObject(memory, old);
  }
  if (picture) DeleteObject(picture);
  if (memory) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

// Runs one of the extension's commands as its menu would.
void ExtensionCommand(WORD id) {
  std::vector<fmhost::Extension> extensions = fmhost::Extensions(frameWindow);
  if (!extensions.empty()) PostMessageA(frameWindow, WM_COMMAND, extensions.front().delta + id, 0);
}

// A dialog that the script waits for: shown and painted, then photographed.
bool DialogReady(HWND dialog, DWORD waited) {
  if (!dialog && waited < kWaitLimit) return false;
  return !dialog || waited >= 700;
}

std::string WindowTitle(HWND window) {
  char title[256] = "";
  GetWindowTextA(window, title, sizeof title);
  return title;
}

struct DialogSearch {
  const char* caption;
  HWND found;
};

BOOL CALLBACK FindActiveDialog(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<DialogSearch*>(data);
  char name[32] = "";
  GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window) || !IsWindowEnabled(window))
    return TRUE;
  if (WindowTitle(window).rfind(search->caption, 0) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

// The dialog with the input (its owner is disabled meanwhile) whose caption
// starts with `caption`.
HWND ActiveDialog(const char* caption) {
  DialogSearch search = {caption, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindActiveDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// A dialog to photograph: how it is opened, its caption, how it is filled in,
// and how many dialogs Cancel must close afterwards (a dialog opened from
// another closes both).
struct DialogShot {
  const char* name;
  const char* caption;
  void (*open)(HWND previous);
  void (*fill)(HWND dialog);
  int cancels;
};

const DialogShot kDialogShots[] = {
    {"bar-options", "IconBar Options", [](HWND) { ExtensionCommand(51); },
     [](HWND d) {
       CheckDlgButton(d, 1056, BST_UNCHECKED);
       CheckRadioButton(d, 1049, 1050, 1049);
     },
     1},
    {"menu-button", "New Menu Icon ", [](HWND) { ExtensionCommand(50); },
     [](HWND d) {
       HWND list = GetDlgItem(d, 1039);
       SendMessageA(list, LB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>("Sort by Type"));
       SendMessageA(d, WM_COMMAND, MAKEWPARAM(1039, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
       SetDlgItemTextA(d, 1006, "Sort the directory window by type");
     },
     1},
    {"program-button", "Change Program Icon",
     // The clicked button, placed after the hovered one by the move: with
     // the demo's settings, the one with parameters and a start folder.
     [](HWND) {
       if (HWND bar = BarWindow()) RightClickChoosing(bar, 9, 'c');
     },
     nullptr, 0},
    {"choose-icon", "Choose Icon", [](HWND previous) { Click(previous, 1004); }, nullptr, 2},
};
constexpr size_t kDialogShotCount = sizeof kDialogShots / sizeof kDialogShots[0];
size_t dialogShot = 0;
HWND shotDialog = nullptr;

void Next(Step to) {
  step = to;
  stepStart = GetTickCount();
}

void ScriptStep() {
  const DWORD waited = GetTickCount() - stepStart;
  HWND bar = BarWindow();
  switch (step) {
    case Step::kShowBar:
      if (waited < kSettleTime) return;
      WriteReady("bar.ready", bar ? "bar: shown" : "bar: none");
      Next(Step::kWaitBarTaken);
      return;
    case Step::kWaitBarTaken: {
      if (!Exists(InDir("bar.taken"))) return;
      HWND tree = fmhost::ActiveTree(frameWindow);
      if (tree && !script.select.empty()) fmhost::SelectNames(tree, script.select);
      if (bar) RestOnButton(bar, script.hover);
      Next(Step::kWaitPopup);
      return;
    }
    case Step::kWaitPopup: {
      HWND popup = VisiblePopup();
      // A moment more for the popup's text to be on the screen.
      if (popup && waited < 300) return;
      if (!popup && waited < kWaitLimit) return;
      WriteReady("popup.ready", popup ? "popup: shown" : "popup: none");
      Next(Step::kWaitPopupTaken);
      return;
    }
    case Step::kWaitPopupTaken:
      if (!Exists(InDir("popup.taken"))) return;
      if (bar) ClickButton(bar, script.click);
      Next(Step::kWaitRun);
      return;
    case Step::kWaitRun:
      if (!startedWindow) startedWindow = FindWindowA("show_args window", nullptr);
      if (startedWindow && waited < 500) return;
      if (!startedWindow && waited < kWaitLimit) return;
      WriteReady("run.ready",
                 startedWindow ? "run: " + WindowTitle(startedWindow) : "run: no window");
      Next(Step::kWaitRunTaken);
      return;
    case Step::kWaitRunTaken:
      if (!Exists(InDir("run.taken"))) return;
      if (startedWindow && IsWindow(startedWindow)) PostMessageA(startedWindow, WM_CLOSE, 0, 0);
      // Back to File Manager, as the user would come back to it.
      SetForegroundWindow(frameWindow);
      if (bar) RightClickChoosing(bar, script.click, 'm');
      Next(Step::kWaitMove);
      return;
    case Step::kWaitMove: {
      // The command of the menu arrives posted; the move has begun after it.
      HWND hint = nullptr;
      for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        char className[16] = "";
        GetClassNameA(w, className, sizeof className);
        if (lstrcmpiA(className, "static") == 0 && IsWindowVisible(w) &&
            GetWindow(w, GW_OWNER) == frameWindow)
          hint = w;
      }
      if (!hint && waited < kWaitLimit) return;
      if (waited < 500) return;
      if (bar) {
        POINT target = MoveTarget(bar, script.hover);
        ClientToScreen(bar, &target);
        SetCursorPos(target.x, target.y);
      }
      const bool saved = SaveScreenWithCursor(InDir("move.bmp"));
      WriteReady("move.ready", std::string(hint ? "move: hint shown" : "move: no hint") +
                                   (saved ? "" : ", no picture"));
      Next(Step::kWaitMoveTaken);
      return;
    }
    case Step::kWaitMoveTaken:
      if (!Exists(InDir("move.taken"))) return;
      if (bar) {
        const POINT target = MoveTarget(bar, script.hover);
        SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(target.x, target.y));
        SendMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(target.x, target.y));
      }
      ExtensionCommand(41);
      Next(Step::kWaitOptions);
      return;
    case Step::kWaitOptions: {
      HWND dialog = FindWindowA(nullptr, "Popup Options");
      if (!DialogReady(dialog, waited)) return;
      HWND sample = FindWindowA("QXPopUp", nullptr);
      RECT r = {};
      if (sample) GetWindowRect(sample, &r);
      char line[200];
      std::snprintf(line, sizeof line, "popup-options: %s, sample %s at %ld,%ld-%ld,%ld top %d",
                    dialog ? "shown" : "none",
                    sample && IsWindowVisible(sample) ? "shown" : "hidden", r.left, r.top, r.right,
                    r.bottom, sample && GetTopWindow(nullptr) == sample);
      if (sample) SaveScreenWithCursor(InDir("popup-options.bmp"), {sample});
      WriteReady("popup-options.ready", line);
      Next(Step::kWaitOptionsTaken);
      return;
    }
    case Step::kWaitOptionsTaken:
      if (!Exists(InDir("popup-options.taken"))) return;
      if (HWND dialog = FindWindowA(nullptr, "Popup Options"))
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      ExtensionCommand(45);
      Next(Step::kWaitAbout);
      return;
    case Step::kWaitAbout: {
      HWND dialog = FindWindowA(nullptr, "About QX's Extension");
      if (!DialogReady(dialog, waited)) return;
      WriteReady("about.ready", dialog ? "about: shown" : "about: none");
      Next(Step::kWaitAboutTaken);
      return;
    }
    case Step::kWaitAboutTaken:
      if (!Exists(InDir("about.taken"))) return;
      if (HWND dialog = FindWindowA(nullptr, "About QX's Extension"))
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
      Next(Step::kStartKeys);
      return;
    case Step::kStartKeys:
      if (FindWindowA(nullptr, "About QX's Extension") && waited < kWaitLimit) return;
      ExtensionCommand(52);  // Icon Bar Keys
      for (int n = 0; n < 2; ++n)
        if (bar) PostMessageA(bar, WM_KEYDOWN, VK_RIGHT, 0);
      Next(Step::kWaitKeys);
      return;
    case Step::kWaitKeys: {
      HWND popup = VisiblePopup();
      if (popup && waited < 300) return;
      if (!popup && waited < kWaitLimit) return;
      WriteReady("keys.ready", std::string("keys: ") +
                                   (GetFocus() == bar ? "on the bar" : "elsewhere") +
                                   (popup ? ", popup shown" : ", no popup"));
      Next(Step::kWaitKeysTaken);
      return;
    }
    case Step::kWaitKeysTaken:
      if (!Exists(InDir("keys.taken"))) return;
      if (bar) PostMessageA(bar, WM_KEYDOWN, VK_ESCAPE, 0);
      Next(Step::kOpenDialog);
      return;
    case Step::kOpenDialog:
      if (dialogShot == kDialogShotCount) {
        Next(Step::kChevron);
        return;
      }
      // The shot's ready file is named after it; the open may run a menu loop.
      Next(Step::kWaitDialog);
      kDialogShots[dialogShot].open(shotDialog);
      return;
    case Step::kWaitDialog: {
      const DialogShot& shot = kDialogShots[dialogShot];
      HWND dialog = ActiveDialog(shot.caption);
      if (!dialog && waited < kWaitLimit) return;
      if (dialog && shotDialog != dialog) {
        shotDialog = dialog;
        if (shot.fill) shot.fill(dialog);
        stepStart = GetTickCount();
        return;
      }
      if (dialog && waited < 700) return;  // painted, preview and all
      WriteReady((std::string(shot.name) + ".ready").c_str(),
                 std::string(shot.name) + ": " + (dialog ? WindowTitle(dialog) : "no dialog"));
      Next(Step::kWaitDialogTaken);
      return;
    }
    case Step::kWaitDialogTaken: {
      const DialogShot& shot = kDialogShots[dialogShot];
      if (!Exists(InDir((std::string(shot.name) + ".taken").c_str()))) return;
      // Cancel closes the dialog, and the one that opened it when asked to.
      if (shot.cancels > 0 && shotDialog) {
        HWND owner = GetWindow(shotDialog, GW_OWNER);
        PostMessageA(shotDialog, WM_COMMAND, IDCANCEL, 0);
        if (shot.cancels > 1 && owner) PostMessageA(owner, WM_COMMAND, IDCANCEL, 0);
      }
      ++dialogShot;
      Next(Step::kOpenDialog);
      return;
    }
    case Step::kChevron: {
      HWND bar = BarWindow();
      if (!bar) {
        WriteReady("chevron.ready", "chevron: no bar");
        Next(Step::kWaitChevronTaken);
        return;
      }
      MoveWindow(frameWindow, 0, 0, 400, 560, TRUE);
      // The chevron stands at the right end of what shows of the bar.
      RECT client;
      GetClientRect(frameWindow, &client);
      const int frame = SettingInt("Bar Framed", 1) == 1 ? 2 * GetSystemMetrics(SM_CXFRAME) : 0;
      const POINT at = {client.right - frame - GetSystemMetrics(SM_CXICON) / 4,
                        ButtonCentre(bar, 0).y};
      POINT screen = at;
      ClientToScreen(bar, &screen);
      SetCursorPos(screen.x, screen.y);
      PostMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
      Next(Step::kWaitChevron);
      return;
    }
    case Step::kWaitChevron: {
      HWND menu = FindWindowA("#32768", nullptr);
      const bool shown = menu && IsWindowVisible(menu);
      if (!shown && waited < kWaitLimit) return;
      WriteReady("chevron.ready", shown ? "chevron: menu shown" : "chevron: no menu");
      Next(Step::kWaitChevronTaken);
      return;
    }
    case Step::kWaitChevronTaken:
      if (!Exists(InDir("chevron.taken"))) return;
      EndMenu();
      if (HWND bar = BarWindow()) PostMessageA(bar, WM_LBUTTONUP, 0, 0);
      Next(Step::kDone);
      CloseFrame(nullptr, 0, 0, 0);
      return;
    case Step::kDone:
      return;
  }
}

// The right-click menu runs a loop of its own, which services this timer too:
// a step is never entered again while it runs.
void CALLBACK ScriptTick(HWND, UINT, UINT_PTR, DWORD) {
  static bool stepping = false;
  if (stepping) return;
  stepping = true;
  ScriptStep();
  stepping = false;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  fmhost::Config config;
  config.quitOnDestroy = true;
  config.placement = RECT{0, 0, 1000, 700};
  long exitAfter = 0;
  std::string settingsFile;
  for (int i = 1; i < __argc; ++i) {
    const char* arg = __argv[i];
    const bool hasValue = i + 1 < __argc;
    if (std::strcmp(arg, "--ini") == 0 && hasValue) {
      config.iniPath = __argv[++i];
    } else if (std::strcmp(arg, "--dir") == 0 && hasValue) {
      config.treeDirs.push_back(__argv[++i]);
    } else if (std::strcmp(arg, "--exit-after") == 0 && hasValue) {
      exitAfter = std::strtol(__argv[++i], nullptr, 10);
    } else if (std::strcmp(arg, "--settings") == 0 && hasValue) {
      settingsFile = __argv[++i];
    } else if (std::strcmp(arg, "--script") == 0 && hasValue) {
      script.dir = __argv[++i];
    } else if (std::strcmp(arg, "--select") == 0 && hasValue) {
      script.select.push_back(__argv[++i]);
    } else if (std::strcmp(arg, "--hover") == 0 && hasValue) {
      script.hover = static_cast<int>(std::strtol(__argv[++i], nullptr, 10));
    } else if (std::strcmp(arg, "--click") == 0 && hasValue) {
      script.click = static_cast<int>(std::strtol(__argv[++i], nullptr, 10));
    } else {
      config.extensions.push_back(arg);
    }
  }
  // The extension's installer leaves these behind; the demo stands in for it.
  fmhost::PrepareSettingsDirectories();
  script.settingsPath = SettingsPath();
  if (!settingsFile.empty()) {
    if (script.settingsPath.empty() ||
        !CopyFileA(settingsFile.c_str(), script.settingsPath.c_str(), FALSE)) {
      MessageBoxA(nullptr, ("Cannot install " + settingsFile).c_str(), "fmhost_demo", MB_OK);
      return 1;
    }
  }
  frameWindow = fmhost::Create(config);
  if (!frameWindow) return 1;
  UINT_PTR timer = 0;
  if (exitAfter > 0) timer = SetTimer(nullptr, 0, static_cast<UINT>(exitAfter * 1000), CloseFrame);
  UINT_PTR scriptTimer = 0;
  if (!script.dir.empty()) {
    Next(Step::kShowBar);
    scriptTimer = SetTimer(nullptr, kScriptTimer, kScriptTick, ScriptTick);
  }
  int result = fmhost::RunMessageLoop(frameWindow);
  if (scriptTimer) KillTimer(nullptr, scriptTimer);
  if (timer) KillTimer(nullptr, timer);
  fmhost::Destroy(frameWindow);
  return result;
}
