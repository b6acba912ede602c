// Prints the time of resolving menu buttons against a menu bar of 200 items,
// and of one program-button click that starts a program with three selected
// files. Run under Wine from the build's bin folder.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bar/bar_layout.h"
#include "bar/bar_state.h"
#include "bar/buttons.h"
#include "bar/run_button.h"
#include "dialogs/menu_list.h"
#include "host/fm_interface.h"
#include "host/state.h"
#include "resources/resource.h"
#include "settings/settings.h"

namespace {

const char* const kSelected[] = {"C:\\bench one.txt", "C:\\bench-two.txt", "C:\\bench3.txt"};

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case FM_GETSELCOUNTLFN:
      return 3;
    case FM_GETFILESELLFNA: {
      auto* record = reinterpret_cast<FMS_GETFILESELA*>(lParam);
      record->dwSize = 1;
      CharToOemA(kSelected[wParam % 3], record->szName);
      return 0;
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return double(count.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

HLOCAL Append(const char* text, int isProgram) {
  ButtonRecord* after = lastButton ? static_cast<ButtonRecord*>(LocalLock(lastButton)) : nullptr;
  HLOCAL afterHandle = lastButton;
  ButtonRecord* record = CreateButton(text, "", "", isProgram, 1, after);
  if (afterHandle) LocalUnlock(afterHandle);
  if (!record) return nullptr;
  HLOCAL handle = LocalHandle(record);
  LocalUnlock(handle);
  return handle;
}

}  // namespace

int main() {
  extState.instance = GetModuleHandleA(nullptr);
  ResetBarSettings();
  barSettings.barLength = 2000;
  barSettings.barHeight = 40;
  WNDCLASSA frameClass{};
  frameClass.lpfnWndProc = FrameProc;
  frameClass.hInstance = extState.instance;
  frameClass.lpszClassName = "WFS_Frame";
  RegisterClassA(&frameClass);
  WNDCLASSA barClass{};
  barClass.lpfnWndProc = DefWindowProcA;
  barClass.hInstance = extState.instance;
  barClass.lpszClassName = "bench bar";
  barClass.cbWndExtra = sizeof(LONG_PTR);
  barClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  RegisterClassA(&barClass);
  extState.frameWindow = CreateWindowExA(0, "WFS_Frame", "File Manager", WS_OVERLAPPEDWINDOW, 0, 0,
                                         600, 400, nullptr, nullptr, extState.instance, nullptr);
  extState.barWindow = CreateWindowExA(0, "bench bar", "", WS_POPUP | WS_VISIBLE, 0, 0, 600, 40,
                                       nullptr, nullptr, extState.instance, nullptr);
  if (!extState.frameWindow || !extState.barWindow) return 1;

  // Ten pull-downs of twenty items: 200 commands.
  HMENU menuBar = CreateMenu();
  for (int m = 0; m < 10; ++m) {
    HMENU items = CreatePopupMenu();
    for (int i = 0; i < 20; ++i) {
      char text[64];
      std::snprintf(text, sizeof text, "Command &%c%d...\tCtrl+%d", 'A' + m, i, i);
      AppendMenuA(items, MF_STRING, UINT_PTR(1000 + m * 100 + i), text);
    }
    char title[16];
    std::snprintf(title, sizeof title, "Menu&%d", m);
    AppendMenuA(menuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(items), title);
  }
  SetMenu(extState.frameWindow, menuBar);
  for (int b = 0; b < 20; ++b) {
    char text[64];
    std::snprintf(text, sizeof text, "Command %c%d", 'A' + b % 10, (b * 7) % 20);
    Append(text, 0);
  }
  ResolveMenuCommands();  // warm-up
  const int rounds = 50;
  double start = Now();
  for (int r = 0; r < rounds; ++r) ResolveMenuCommands();
  const double resolveMs = (Now() - start) / rounds;
  std::printf("ResolveMenuCommands, 200 menu items, 20 menu buttons: %.3f ms\n", resolveMs);

  // One click of a program button passing three files to a small program.
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string program(path, length);
  program = program.substr(0, program.find_last_of("\\/") + 1) + "cmdline_logger.exe";
  if (GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::printf("cmdline_logger.exe not found next to the benchmark: no click measured\n");
    return 0;
  }
  char logPath[MAX_PATH];
  GetTempPathA(MAX_PATH, logPath);
  lstrcatA(logPath, "run_bench.log");
  SetEnvironmentVariableA("QX_CMDLINE_LOG", logPath);
  HLOCAL button = Append(program.c_str(), 1);
  auto* record = static_cast<ButtonRecord*>(LocalLock(button));
  record->flags |= BF_PASS_FILES | BF_MULTIPLE_FILES;
  record->displayMode = SW_SHOWMINNOACTIVE;
  LocalUnlock(button);
  LayOutButtons();
  const int clicks = 10;
  double total = 0;
  for (int c = 0; c < clicks; ++c) {
    hitButton = static_cast<ButtonRecord*>(LocalLock(button));
    savedCursor = SetCursor(static_cast<HCURSOR>(LoadImageA(
        extState.instance, MAKEINTRESOURCEA(IDC_PRESSED_CURSOR), IMAGE_CURSOR, 0, 0, 0)));
    InvertButton(hitButton);
    start = Now();
    RunButton();
    total += Now() - start;
    if (currentButton) LocalUnlock(currentButton);
    currentButton = nullptr;
    Sleep(300);  // let the started program end before the next click
  }
  std::printf("One program-button click (3 files, until the program is started): %.2f ms\n",
              total / clicks);
  DeleteFileA(logPath);
  return 0;
}
