// A File Manager extension that only reports: every call it gets is appended
// to the file named by PROBE_EXT_LOG as "<module> <A|W> <event> <window> <value>",
// where value is the menu delta for a load, the menu for an init-menu event
// and 0 otherwise. Its file name picks its answer to the load: "refuse" in it
// answers 0, "badsize" fills the record with the other architecture's size.
// Built with PROBE_WIDE it also exports the Unicode entry.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct LoadRecordA {
  DWORD dwSize;
  CHAR szMenuName[40];
  HMENU hMenu;
  WORD wMenuDelta;
};
struct LoadRecordW {
  DWORD dwSize;
  WCHAR szMenuName[40];
  HMENU hMenu;
  WORD wMenuDelta;
};

constexpr WORD kLoad = 100;
constexpr WORD kInitMenu = 102;

HMODULE self = nullptr;

std::string BaseName() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(self, path, MAX_PATH);
  std::string name = path;
  size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

bool NameHas(const char* word) { return BaseName().find(word) != std::string::npos; }

void Record(char variant, WORD event, HWND window, unsigned long long value) {
  char logPath[MAX_PATH] = "";
  if (GetEnvironmentVariableA("PROBE_EXT_LOG", logPath, MAX_PATH) == 0) return;
  FILE* log = std::fopen(logPath, "a");
  if (!log) return;
  std::fprintf(log, "%s %c %u %llx %llx\n", BaseName().c_str(), variant, event,
               static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)), value);
  std::fclose(log);
}

// Items numbered as a resource would number them; 103 checks that the host
// keeps only the last two digits.
HMENU BuildMenu() {
  HMENU more = CreatePopupMenu();
  AppendMenuA(more, MF_STRING, 103, "Probe T&hree");
  AppendMenuA(more, MF_STRING, 4, "Probe &Four");
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, 1, "Probe &One");
  AppendMenuA(menu, MF_STRING, 2, "Probe &Two");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(more), "&More");
  return menu;
}

template <typename LoadRecord>
LONG Answer(char variant, HWND window, WORD event, LPARAM parameter) {
  auto record = reinterpret_cast<LoadRecord*>(parameter);
  unsigned long long value = 0;
  if (event == kLoad) value = record->wMenuDelta;
  if (event == kInitMenu) value = static_cast<unsigned long long>(parameter);
  Record(variant, event, window, value);
  if (event != kLoad) return 0;
  if (NameHas("refuse")) return 0;
  record->hMenu = BuildMenu();
  std::string name = "&" + BaseName();
  for (size_t i = 0; i < name.size() && i < 39; ++i) record->szMenuName[i] = name[i];
  record->szMenuName[name.size() < 39 ? name.size() : 39] = 0;
  record->dwSize = sizeof(LoadRecord);
  if (NameHas("badsize")) record->dwSize = sizeof(void*) == 8 ? 52 : 64;
  return 1;
}

}  // namespace

extern "C" __declspec(dllexport) LONG WINAPI
    FMExtensionProc(HWND window, WORD event, LPARAM parameter) {
  return Answer<LoadRecordA>('A', window, event, parameter);
}

#ifdef PROBE_WIDE
extern "C" __declspec(dllexport) LONG WINAPI
    FMExtensionProcW(HWND window, WORD event, LPARAM parameter) {
  return Answer<LoadRecordW>('W', window, event, parameter);
}
#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) self = instance;
  return TRUE;
}
