// Times the reading and the saving of a settings file with 240 buttons.
// Run by hand under Wine: wine settings_bench.exe
#include <windows.h>

#include <cstdio>
#include <string>

#include "bar/bar_state.h"
#include "bar/buttons.h"
#include "host/state.h"
#include "settings/settings.h"

namespace {

constexpr int kButtons = 240;
constexpr int kRounds = 20;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

UINT DeleteAll(ButtonRecord*) { return WALK_DELETE; }

// The same 240 buttons every time: program and menu buttons with texts.
void MakeButtons() {
  const char* menuTexts[] = {"Copy", "Move", "Delete", "Rename", "Sort by Name", "Search"};
  ButtonRecord* previous = nullptr;
  for (int n = 0; n < kButtons; ++n) {
    std::string program = "C:\\PROGRAMS\\TOOL" + std::to_string(n) + "\\TOOL.EXE /option";
    std::string description = "Button number " + std::to_string(n) + " of the benchmark bar";
    bool isProgram = n % 3 != 0;
    ButtonRecord* record =
        CreateButton(isProgram ? program.c_str() : menuTexts[n % 6],
                     n % 2 ? "C:\\ICONS\\A.ICO" : "", description.c_str(), isProgram, 1, previous);
    if (!record) return;
    record->backRed = 200;
    record->backGreen = 220;
    record->backBlue = 240;
    record->iconIndex = n % 4;
    record->displayMode = 1;
    record->flags |= BF_PASS_FILES | BF_MULTIPLE_FILES;
    if (previous) LocalUnlock(LocalHandle(previous));
    previous = record;
  }
  if (previous) LocalUnlock(LocalHandle(previous));
}

}  // namespace

int main() {
  extState.instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = extState.instance;
  windowClass.lpszClassName = "QX bench bar";
  windowClass.cbWndExtra = sizeof(LONG_PTR);
  RegisterClassA(&windowClass);
  extState.barWindow = CreateWindowExA(0, "QX bench bar", "", WS_POPUP, 0, 0, 100, 10, nullptr,
                                       nullptr, extState.instance, nullptr);
  if (!extState.barWindow) {
    printf("no window\n");
    return 1;
  }
  for (const char* level : {"C:\\QXIBAR", "C:\\QXIBAR\\WINFILE", "C:\\QXIBAR\\WINFILE\\NT"})
    CreateDirectoryA(level, nullptr);

  if (!ReadBarSettings()) return 1;
  barSettings.buttonCount = kButtons;
  MakeButtons();
  SaveSettings();  // the file the readings below read

  double saveTotal = 0, readTotal = 0;
  int buttonsRead = 0;
  for (int round = 0; round < kRounds; ++round) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    SaveSettings();
    QueryPerformanceCounter(&end);
    saveTotal += Milliseconds(start, end);

    ForEachButton(DeleteAll);
    lastButton = nullptr;
    QueryPerformanceCounter(&start);
    ReadBarSettings();
    // The count is cut to what the screen could show; a narrow screen would
    // read fewer than all 240 sections.
    if (barSettings.buttonCount < kButtons) barSettings.buttonCount = kButtons;
    ReadButtonSections();
    QueryPerformanceCounter(&end);
    readTotal += Milliseconds(start, end);
    buttonsRead = 0;
    for (HLOCAL handle = GetFirstButton(); handle; ++buttonsRead) {
      auto* record = static_cast<ButtonRecord*>(LocalLock(handle));
      HLOCAL next = record->next;
      LocalUnlock(handle);
      handle = next;
    }
  }
  printf("settings file: %s\n", barSettings.iniPath);
  printf("buttons read: %d\n", buttonsRead);
  printf("read  (Icon Bar + %d button sections): %.2f ms (mean of %d)\n", kButtons,
         readTotal / kRounds, kRounds);
  printf("save  (Icon Bar + %d button sections, with backup): %.2f ms (mean of %d)\n", kButtons,
         saveTotal / kRounds, kRounds);
  ForEachButton(DeleteAll);
  DestroyWindow(extState.barWindow);
  return 0;
}
