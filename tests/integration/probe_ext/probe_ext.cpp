// A File Manager extension that only reports: every call it gets is appended
// to the file named by PROBE_EXT_LOG as "<module> <event> <window> <value>",
// the window F for File Manager's frame, the value the menu delta for a load,
// 1 for an init-menu event on its own menu, else 0.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {
struct LoadRecord {  // FMS_LOADA
  DWORD dwSize;
  CHAR szMenuName[40];
  HMENU hMenu;
  WORD wMenuDelta;
};
constexpr WORD kLoad = 100, kInitMenu = 102;
HMENU ownMenu = nullptr;
}  // namespace

extern "C" __declspec(dllexport) LONG WINAPI
    FMExtensionProc(HWND window, WORD event, LPARAM parameter) {
  char path[MAX_PATH] = "", className[32] = "";
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&ownMenu),
                     &self);
  GetModuleFileNameA(self, path, MAX_PATH);
  FreeLibrary(self);
  std::string name = path;
  name = name.substr(name.find_last_of("\\/") + 1);
  name.erase(name.rfind('.'));
  auto* load = reinterpret_cast<LoadRecord*>(parameter);
  unsigned value = event == kLoad ? load->wMenuDelta : 0;
  if (event == kInitMenu) value = reinterpret_cast<HMENU>(parameter) == ownMenu;
  GetClassNameA(window, className, sizeof className);
  const char* shownWindow = !window ? "0" : lstrcmpA(className, "WFS_Frame") == 0 ? "F" : "?";
  FILE* log =
      GetEnvironmentVariableA("PROBE_EXT_LOG", path, MAX_PATH) ? std::fopen(path, "a") : nullptr;
  if (log) std::fprintf(log, "%s %u %s %u\n", name.c_str(), event, shownWindow, value);
  if (log) std::fclose(log);
  if (event != kLoad) return 0;
  // Numbered as a resource would number them: 103 checks that the host keeps
  // only the last two digits.
  HMENU more = CreatePopupMenu();
  AppendMenuA(more, MF_STRING, 103, "T&hree");
  ownMenu = load->hMenu = CreatePopupMenu();
  AppendMenuA(ownMenu, MF_STRING, 1, "&One");
  AppendMenuA(ownMenu, MF_STRING, 2, "&Two");
  AppendMenuA(ownMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(more), "&More");
  lstrcpynA(load->szMenuName, ("&" + name).c_str(), 40);
  load->dwSize = sizeof(LoadRecord);
  return 1;
}
