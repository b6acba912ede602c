// Times the extension's load with a bar of 240 buttons (the whole load event:
// File Manager's windows, the settings file, the bar window and the button
// records), the bar's first paint (which loads every icon), a full repaint with
// the icons cached, and the unload.
// Run by hand under Wine: wine bar_bench.exe
// All 240 buttons are read only on a screen at least 1920 pixels wide: the
// reading cuts "Number of Icons" to the screen width / (SM_CXICON / 4).
#include <windows.h>

#include <cstdio>
#include <string>

#include "bar/bar_state.h"
#include "bar/buttons.h"
#include "host/exports.h"
#include "host/fm_interface.h"
#include "host/lifecycle.h"
#include "host/state.h"
#include "resources/resource.h"
#include "settings/popup.h"
#include "settings/settings.h"

namespace {

constexpr int kButtons = 240;
constexpr int kLoads = 10;
constexpr int kRepaints = 20;  // per load
constexpr WORD kDelta = 700;

double frequency = 0;

double Now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) * 1000.0 / frequency;
}

// The bar's menu buttons name File Manager's commands and take the built-in
// icons; the program buttons take icons from programs and from a DLL, by index.
std::string ButtonSection(int n) {
  static const char* const menuItems[] = {
      "Copy",   "Move",         "Delete",       "Rename",
      "Search", "Sort by Name", "Sort by Date", "Create Directory"};
  std::string section = "[Icon" + std::to_string(n) + "]\r\n";
  const std::string description = "Button " + std::to_string(n) + " of the benchmark bar\r\n";
  switch (n % 4) {
    case 0:
    case 1:
      section +=
          "Program Name or Menu Item=" + std::string(menuItems[(n / 2) % 8]) + "\r\nType=0\r\n";
      break;
    case 2:  // the icon from the program itself
      section += "Program Name or Menu Item=C:\\windows\\system32\\notepad.exe\r\n";
      break;
    default:
      section +=
          "Program Name or Menu Item=C:\\windows\\regedit.exe /s\r\n"
          "Icon Name=C:\\windows\\system32\\shell32.dll\r\nIcon Index=" +
          std::to_string(n % 16) + "\r\n";
      break;
  }
  section += "Description=" + description;
  section +=
      "Icon Background Color Red=200\r\nIcon Background Color Green=220\r\n"
      "Icon Background Color Blue=240\r\n";
  return section;
}

bool WriteSettingsFile(const char* path) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  std::string text = "[Icon Bar]\r\nNumber of Icons=" + std::to_string(kButtons) + "\r\n";
  for (int n = 0; n < kButtons; ++n) text += ButtonSection(n);
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

int CountButtons() {
  int count = 0;
  for (HLOCAL handle = GetFirstButton(); handle; ++count) {
    auto* record = static_cast<ButtonRecord*>(LocalLock(handle));
    if (!record) break;
    HLOCAL next = record->next;
    LocalUnlock(handle);
    handle = next;
  }
  return count;
}

// Counts the buttons with an icon and lists the positions of those without
// (buttons that lie wholly outside the bar are never painted).
int CountIcons(std::string& without) {
  int count = 0;
  without.clear();
  int position = 0;
  for (HLOCAL handle = GetFirstButton(); handle; ++position) {
    auto* record = static_cast<ButtonRecord*>(LocalLock(handle));
    if (!record) break;
    if (record->icon)
      ++count;
    else
      without += " " + std::to_string(position);
    HLOCAL next = record->next;
    LocalUnlock(handle);
    handle = next;
  }
  return count;
}

void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// One full paint of the bar, drawn to the end.
double Repaint() {
  const double start = Now();
  InvalidateRect(extState.barWindow, nullptr, TRUE);
  UpdateWindow(extState.barWindow);
  GdiFlush();
  return Now() - start;
}

// What a fresh attach of the library starts from, for the next load.
void ResetAll(HINSTANCE module) {
  ResetExtensionState();
  ResetBarSettings();
  ResetBarRunState();
  ResetPopupState();
  extState.instance = module;
  extState.firstPaintBarRect = RECT{0, 0, 0, 0};
}

}  // namespace

int main() {
  LARGE_INTEGER counterFrequency;
  QueryPerformanceFrequency(&counterFrequency);
  frequency = double(counterFrequency.QuadPart);
  HINSTANCE module = GetModuleHandleA(nullptr);
  ResetAll(module);

  // The settings file, with the directories an installation leaves behind; a
  // settings file found there is kept aside and put back at the end.
  for (const char* level : {"C:\\QXIBAR", "C:\\QXIBAR\\WINFILE", "C:\\QXIBAR\\WINFILE\\NT"})
    CreateDirectoryA(level, nullptr);
  char path[kTextBufferSize] = "";
  LocateSettingsFile(path, kTextBufferSize);
  std::string directory = path;
  directory.resize(directory.rfind('\\'));
  CreateDirectoryA(directory.c_str(), nullptr);
  const std::string keptAside = std::string(path) + ".bench-kept";
  const bool kept = MoveFileExA(path, keptAside.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  if (!WriteSettingsFile(path)) {
    std::printf("cannot write %s\n", path);
    return 1;
  }

  WNDCLASSA frameClass{};
  frameClass.lpfnWndProc = DefWindowProcA;
  frameClass.hInstance = module;
  frameClass.lpszClassName = "WFS_Frame";
  frameClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  if (!RegisterClassA(&frameClass)) {
    std::printf("cannot register the frame class\n");
    return 1;
  }
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  HWND frame = CreateWindowExA(0, "WFS_Frame", "File Manager", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                               0, screenWidth, 300, nullptr, nullptr, module, nullptr);
  CLIENTCREATESTRUCT client = {nullptr, 1000};
  HWND mdiClient = frame ? CreateWindowExA(0, "MDIClient", nullptr, WS_CHILD | WS_VISIBLE, 0, 100,
                                           screenWidth, 150, frame, nullptr, module, &client)
                         : nullptr;
  if (!mdiClient) {
    std::printf("cannot create the frame and its MDI client\n");
    return 1;
  }
  Pump();

  double loadTotal = 0, firstPaintTotal = 0, repaintTotal = 0, unloadTotal = 0;
  double repaintBest = 1e9;
  int buttons = 0, icons = 0, barLength = 0;
  std::string withoutIcon;
  for (int round = 0; round < kLoads; ++round) {
    FMS_LOADA load{};
    load.wMenuDelta = kDelta;
    double start = Now();
    FMExtensionProc(frame, FMEVENT_LOAD, reinterpret_cast<LPARAM>(&load));
    loadTotal += Now() - start;
    if (!extState.barWindow) {
      std::printf("the load made no bar window\n");
      return 1;
    }
    buttons = CountButtons();
    barLength = barSettings.barLength;
    // The bar window was created visible: its first paint is still to come.
    firstPaintTotal += Repaint();
    Pump();  // the refresh the load posted
    icons = CountIcons(withoutIcon);
    for (int n = 0; n < kRepaints; ++n) {
      const double took = Repaint();
      repaintTotal += took;
      if (took < repaintBest) repaintBest = took;
    }

    // The benchmark's settings file stays as written.
    FMExtensionProc(frame, CMD_DONT_SAVE, 0);
    start = Now();
    FMExtensionProc(frame, FMEVENT_UNLOAD, 0);
    unloadTotal += Now() - start;
    if (extState.extensionMenu) DestroyMenu(extState.extensionMenu);
    ResetAll(module);
    Pump();
  }

  std::printf("settings file: %s\n", path);
  std::printf("screen width %d, bar length %d: %d of %d buttons loaded, %d with an icon\n",
              screenWidth, barLength, buttons, kButtons, icons);
  if (buttons < kButtons)
    std::printf("(the screen is too narrow for %d buttons: run on one of 1920 pixels or more)\n",
                kButtons);
  if (!withoutIcon.empty())
    std::printf("buttons without an icon (from 0):%s\n", withoutIcon.c_str());
  std::printf("load (FMEVENT_LOAD, %d button sections):     %8.3f ms (mean of %d)\n", kButtons,
              loadTotal / kLoads, kLoads);
  std::printf("first paint (loads every icon):              %8.3f ms (mean of %d)\n",
              firstPaintTotal / kLoads, kLoads);
  std::printf("full repaint (icons cached):                 %8.3f ms (mean of %d, best %.3f)\n",
              repaintTotal / (kLoads * kRepaints), kLoads * kRepaints, repaintBest);
  std::printf("unload (FMEVENT_UNLOAD, nothing saved):      %8.3f ms (mean of %d)\n",
              unloadTotal / kLoads, kLoads);

  DestroyWindow(frame);
  DeleteFileA(path);
  if (kept) MoveFileExA(keptAside.c_str(), path, MOVEFILE_REPLACE_EXISTING);
  return 0;
}
