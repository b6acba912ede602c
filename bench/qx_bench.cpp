// Times the extension's load, Save Now, a full repaint and ResolveMenuCommands
// at 0, 15, 60 and 240 buttons, each against its floor measured in the same
// run: the least the platform needs for the same work.
//   load     FMEVENT_LOAD in the stand-in File Manager up to the bar's first
//            complete paint; floor: the settings file's bytes read once and the
//            same icons loaded with the same calls
//   save     Save Now; floor: the saved bytes written once to a new file, flushed
//   paint    a full repaint with the icons cached; floor: the same fills,
//            DrawIcon and frame calls in a plain loop
//   resolve  ResolveMenuCommands over a menu bar of 200 items; floor: reading
//            the 200 texts
// Every figure is the median of its rounds. Run through bench/run.sh, which
// gives Wine a screen wide enough for 240 buttons side by side.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bar/bar_state.h"
#include "bar/buttons.h"
#include "dialogs/menu_list.h"
#include "fmhost.h"
#include "host/exports.h"
#include "host/fm_interface.h"
#include "host/lifecycle.h"
#include "host/state.h"
#include "resources/resource.h"
#include "settings/popup.h"
#include "settings/settings.h"

namespace {

constexpr int kSizes[] = {0, 15, 60, 240};
constexpr int kRounds = 5;
constexpr int kRepaints = 9;
constexpr int kSaves = 5;  // per round: one flush varies much
constexpr WORD kDelta = 700;
const char* const kOperations[] = {"load", "save", "paint", "resolve"};

// File Manager commands that have built-in icons; the 200-item menu bar
// carries them too, so that every menu button resolves.
const char* const kMenuItems[] = {"Copy",   "Move",         "Delete",       "Rename",
                                  "Search", "Sort by Name", "Sort by Date", "Create Directory"};

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(f.QuadPart);
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) * 1000.0 / frequency;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Menu buttons with built-in icons, program buttons with the icon of the
// program itself and with an icon of a DLL by index; each with a description
// and a colour, as a bar that has been set up by hand.
std::string SettingsText(int buttons) {
  std::string text = "[Icon Bar]\r\nNumber of Icons=" + std::to_string(buttons) +
                     "\r\nPopup Delay=700\r\nFont Facename=Arial\r\n";
  for (int n = 0; n < buttons; ++n) {
    text += "[Icon" + std::to_string(n) + "]\r\n";
    switch (n % 4) {
      case 0:
      case 1:
        text +=
            "Program Name or Menu Item=" + std::string(kMenuItems[(n / 2) % 8]) + "\r\nType=0\r\n";
        break;
      case 2:
        text += "Program Name or Menu Item=C:\\windows\\system32\\notepad.exe\r\n";
        break;
      default:
        text +=
            "Program Name or Menu Item=C:\\windows\\regedit.exe /s\r\n"
            "Icon Index=" +
            std::to_string(n % 16) + "\r\nIcon Name=C:\\windows\\system32\\shell32.dll\r\n";
        break;
    }
    text += "Description=Button " + std::to_string(n) + " of the benchmark bar\r\n";
    text +=
        "Icon Background Color Red=200\r\nIcon Background Color Green=220\r\n"
        "Icon Background Color Blue=240\r\n";
  }
  return text;
}

bool WriteBytes(const std::string& path, const std::string& bytes, bool flush) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
            written == bytes.size() && (!flush || FlushFileBuffers(file));
  return CloseHandle(file) && ok;
}

std::string ReadBytes(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD got = 0;
  if (!bytes.empty() && !ReadFile(file, &bytes[0], DWORD(bytes.size()), &got, nullptr)) got = 0;
  CloseHandle(file);
  bytes.resize(got);
  return bytes;
}

// What a paint needs of one button, copied out of its record.
struct PaintedButton {
  RECT square;
  COLORREF color;
  HICON icon;
  bool framed;
  bool resource;
  int iconIndex;
  std::string iconName;
};

std::vector<PaintedButton> PaintedButtons() {
  std::vector<PaintedButton> buttons;
  for (HLOCAL handle = GetFirstButton(); handle;) {
    auto* r = static_cast<ButtonRecord*>(LocalLock(handle));
    if (!r) break;
    PaintedButton b{{r->left, r->top, r->right, r->bottom},
                    RGB(r->backRed, r->backGreen, r->backBlue),
                    r->icon,
                    (r->flags & BF_FRAMED) != 0,
                    (r->flags & BF_ICON_RESOURCE) != 0,
                    r->iconIndex,
                    ""};
    if (r->iconName.handle) {
      b.iconName = static_cast<const char*>(LocalLock(r->iconName.handle));
      LocalUnlock(r->iconName.handle);
    }
    buttons.push_back(b);
    HLOCAL next = r->next;
    LocalUnlock(handle);
    handle = next;
  }
  return buttons;
}

double LoadFloor(const std::string& path, const std::vector<PaintedButton>& buttons) {
  HINSTANCE module = GetModuleHandleA(nullptr);
  std::vector<HICON> extracted;
  const double start = Now();
  std::string bytes = ReadBytes(path);
  for (const PaintedButton& b : buttons) {
    if (b.resource)
      LoadIconA(module, b.iconName.c_str());
    else
      extracted.push_back(ExtractIconA(module, b.iconName.c_str(), UINT(b.iconIndex)));
  }
  const double took = Now() - start;
  for (HICON icon : extracted)
    if (icon && icon != reinterpret_cast<HICON>(1)) DestroyIcon(icon);
  return bytes.empty() ? -1 : took;
}

double Repaint() {
  const double start = Now();
  InvalidateRect(extState.barWindow, nullptr, TRUE);
  UpdateWindow(extState.barWindow);
  GdiFlush();
  return Now() - start;
}

double PaintFloor(const std::vector<PaintedButton>& buttons) {
  HWND bar = extState.barWindow;
  const double start = Now();
  HDC dc = GetDC(bar);
  RECT client;
  GetClientRect(bar, &client);
  FillRect(dc, &client, reinterpret_cast<HBRUSH>(GetClassLongPtrA(bar, GCLP_HBRBACKGROUND)));
  for (const PaintedButton& b : buttons) {
    HBRUSH brush = CreateSolidBrush(b.color);
    FillRect(dc, &b.square, brush);
    DeleteObject(brush);
    if (b.icon) DrawIcon(dc, b.square.left, b.square.top, b.icon);
    if (b.framed) {
      RECT ring = {b.square.left - 3, b.square.top - 3, b.square.right + 3, b.square.bottom + 3};
      for (int stock : {BLACK_BRUSH, GRAY_BRUSH, WHITE_BRUSH}) {
        FrameRect(dc, &ring, static_cast<HBRUSH>(GetStockObject(stock)));
        InflateRect(&ring, -1, -1);
      }
    }
  }
  ReleaseDC(bar, dc);
  GdiFlush();
  return Now() - start;
}

// Ten pull-downs of twenty items; File Manager's texts among them.
HMENU MakeBigMenuBar() {
  HMENU bar = CreateMenu();
  for (int m = 0; m < 10; ++m) {
    HMENU items = CreatePopupMenu();
    for (int i = 0; i < 20; ++i) {
      char text[64];
      if (m == 0 && i < 8)
        std::snprintf(text, sizeof text, "&%s...\tF%d", kMenuItems[i], i + 1);
      else
        std::snprintf(text, sizeof text, "Command &%c%d...\tCtrl+%d", 'A' + m, i, i);
      AppendMenuA(items, MF_STRING, UINT_PTR(1000 + m * 100 + i), text);
    }
    char title[16];
    std::snprintf(title, sizeof title, "Menu&%d", m);
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(items), title);
  }
  return bar;
}

double ResolveFloor(HMENU menuBar) {
  const double start = Now();
  int count = 0;
  char text[kTextBufferSize];
  for (int m = 0, bars = GetMenuItemCount(menuBar); m < bars; ++m) {
    HMENU items = GetSubMenu(menuBar, m);
    for (int i = 0, n = GetMenuItemCount(items); i < n; ++i)
      count += GetMenuStringA(items, UINT(i), text, sizeof text, MF_BYPOSITION) > 0;
  }
  const double took = Now() - start;
  return count == 200 ? took : -1;
}

// What a fresh attach of the library starts from.
void ResetAll() {
  ResetAllState();
  extState.instance = GetModuleHandleA(nullptr);
  extState.firstPaintBarRect = RECT{0, 0, 0, 0};
}

UINT DeleteEvery(ButtonRecord*) { return WALK_DELETE; }

// ReadBarSettings and ReadButtonSections alone, with `window` holding the list.
double ReadingAlone(HWND window) {
  extState.barWindow = window;
  const double start = Now();
  ReadBarSettings();
  ReadButtonSections();
  const double took = Now() - start;
  ForEachButton(DeleteEvery);
  ResetAll();
  return took;
}

struct Figures {
  std::vector<double> time, floor;
};

}  // namespace

int main() {
  ResetAll();
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  if (!fmhost::PrepareSettingsDirectories()) {
    std::printf("cannot make the settings directories\n");
    return 1;
  }
  char path[kTextBufferSize] = "";
  LocateSettingsFile(path, kTextBufferSize);
  const std::string iniPath = path;
  CreateDirectoryA(iniPath.substr(0, iniPath.rfind('\\')).c_str(), nullptr);
  const std::string backupPath = iniPath.substr(0, iniPath.size() - 3) + "BAK";
  const std::string floorPath = iniPath.substr(0, iniPath.size() - 3) + "FLR";
  // A settings file of the user's is kept aside and put back at the end.
  const std::string keptAside = iniPath + ".bench-kept";
  const bool kept = MoveFileExA(path, keptAside.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;

  fmhost::Config config;
  config.placement = RECT{0, 0, screenWidth, 400};
  HWND frame = fmhost::Create(config);
  if (!frame) {
    std::printf("cannot create the stand-in File Manager\n");
    return 1;
  }
  fmhost::Pump(0);
  HMENU bigMenuBar = MakeBigMenuBar();

  // Where the load's time goes: the settings file's reading on its own.
  WNDCLASSA scratchClass{};
  scratchClass.lpfnWndProc = DefWindowProcA;
  scratchClass.hInstance = GetModuleHandleA(nullptr);
  scratchClass.lpszClassName = "QX bench scratch";
  scratchClass.cbWndExtra = sizeof(LONG_PTR);
  RegisterClassA(&scratchClass);
  HWND scratch = CreateWindowExA(0, "QX bench scratch", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                 nullptr, scratchClass.hInstance, nullptr);
  std::vector<double> reading[4];

  Figures figures[4][4];  // [size][operation]
  std::vector<int> loaded(4, 0);
  for (int s = 0; s < 4; ++s) {
    const int size = kSizes[s];
    const std::string text = SettingsText(size);
    for (int round = 0; round < kRounds; ++round) {
      WritePrivateProfileStringA(nullptr, nullptr, nullptr, path);
      if (!WriteBytes(iniPath, text, false)) {
        std::printf("cannot write %s\n", path);
        return 1;
      }
      DeleteFileA(backupPath.c_str());
      Figures* f = figures[s];

      FMS_LOADA load{};
      load.dwSize = sizeof load;
      load.wMenuDelta = kDelta;
      double start = Now();
      FMExtensionProc(frame, FMEVENT_LOAD, reinterpret_cast<LPARAM>(&load));
      if (!extState.barWindow) {
        std::printf("the load made no bar window\n");
        return 1;
      }
      // File Manager places its MDI client anew, which moves the bar in.
      RECT client;
      GetClientRect(frame, &client);
      SendMessageA(frame, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
      fmhost::Pump(0);
      UpdateWindow(extState.barWindow);
      GdiFlush();
      f[0].time.push_back(Now() - start);
      std::vector<PaintedButton> buttons = PaintedButtons();
      loaded[s] = int(buttons.size());
      f[0].floor.push_back(LoadFloor(iniPath, buttons));

      Repaint();
      std::vector<double> repaint, repaintFloor;
      for (int n = 0; n < kRepaints; ++n) {
        repaint.push_back(Repaint());
        repaintFloor.push_back(PaintFloor(buttons));
      }
      f[2].time.push_back(Median(repaint));
      f[2].floor.push_back(Median(repaintFloor));

      HMENU standInMenu = GetMenu(frame);
      SetMenu(frame, bigMenuBar);
      start = Now();
      ResolveMenuCommands();
      f[3].time.push_back(Now() - start);
      f[3].floor.push_back(ResolveFloor(bigMenuBar));
      SetMenu(frame, standInMenu);

      for (int n = 0; n < kSaves; ++n) {
        start = Now();
        FMExtensionProc(frame, CMD_SAVE_NOW, 0);
        f[1].time.push_back(Now() - start);
        const std::string saved = ReadBytes(iniPath);
        start = Now();
        const bool floorWritten = WriteBytes(floorPath, saved, true);
        f[1].floor.push_back(floorWritten && !saved.empty() ? Now() - start : -1);
        DeleteFileA(floorPath.c_str());
      }

      FMExtensionProc(frame, CMD_DONT_SAVE, 0);
      FMExtensionProc(frame, FMEVENT_UNLOAD, 0);
      if (extState.extensionMenu) DestroyMenu(extState.extensionMenu);
      ResetAll();
      fmhost::Pump(0);
      reading[s].push_back(ReadingAlone(scratch));
    }
  }

  std::printf("screen %d x %d; settings file %s\n", screenWidth, GetSystemMetrics(SM_CYSCREEN),
              path);
  std::printf("%-8s %7s %7s %12s %12s %7s\n", "", "buttons", "loaded", "time ms", "floor ms",
              "ratio");
  double ratio[4][4];
  for (int o = 0; o < 4; ++o)
    for (int s = 0; s < 4; ++s) {
      const double time = Median(figures[s][o].time);
      const double floor = Median(figures[s][o].floor);
      ratio[s][o] = floor > 0 ? time / floor : -1;
      std::printf("%-8s %7d %7d %12.3f %12.3f %7.2f\n", kOperations[o], kSizes[s], loaded[s], time,
                  floor, ratio[s][o]);
    }
  for (int s = 0; s < 4; ++s)
    std::printf("of the load at %3d buttons, the settings file's reading: %.3f ms\n", kSizes[s],
                Median(reading[s]));
  for (int o = 0; o < 3; ++o) {
    const double at15 = Median(figures[1][o].time) / 15;
    const double at240 = Median(figures[3][o].time) / 240;
    std::printf("PER-BUTTON %s 240/15 %.2f\n", kOperations[o], at240 / at15);
  }
  for (int o = 0; o < 4; ++o)
    for (int s = 0; s < 4; ++s)
      std::printf("RATIO %s %d %.2f\n", kOperations[o], kSizes[s], ratio[s][o]);

  DestroyWindow(scratch);
  fmhost::Destroy(frame);
  DestroyMenu(bigMenuBar);
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path);
  DeleteFileA(path);
  DeleteFileA(backupPath.c_str());
  if (kept) MoveFileExA(keptAside.c_str(), path, MOVEFILE_REPLACE_EXISTING);
  return 0;
}
