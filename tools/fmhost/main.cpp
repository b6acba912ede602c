// fmhost_demo [--ini PATH] [--dir DIR]... [--exit-after SECONDS] [EXTENSION.dll ...]
// Shows the stand-in File Manager with those extensions until it is closed, or
// closes it itself after the seconds given.
#include <cstdlib>
#include <cstring>

#include "fmhost.h"

namespace {

HWND frameWindow = nullptr;

void CALLBACK CloseFrame(HWND, UINT, UINT_PTR, DWORD) {
  if (frameWindow && IsWindow(frameWindow)) PostMessageA(frameWindow, WM_CLOSE, 0, 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  fmhost::Config config;
  config.quitOnDestroy = true;
  config.placement = RECT{0, 0, 1000, 700};
  long exitAfter = 0;
  for (int i = 1; i < __argc; ++i) {
    const char* arg = __argv[i];
    if (std::strcmp(arg, "--ini") == 0 && i + 1 < __argc) {
      config.iniPath = __argv[++i];
    } else if (std::strcmp(arg, "--dir") == 0 && i + 1 < __argc) {
      config.treeDirs.push_back(__argv[++i]);
    } else if (std::strcmp(arg, "--exit-after") == 0 && i + 1 < __argc) {
      exitAfter = std::strtol(__argv[++i], nullptr, 10);
    } else {
      config.extensions.push_back(arg);
    }
  }
  // The extension's installer leaves these behind; the demo stands in for it.
  fmhost::PrepareSettingsDirectories();
  frameWindow = fmhost::Create(config);
  if (!frameWindow) return 1;
  UINT_PTR timer = 0;
  if (exitAfter > 0) timer = SetTimer(nullptr, 0, static_cast<UINT>(exitAfter * 1000), CloseFrame);
  int result = fmhost::RunMessageLoop(frameWindow);
  if (timer) KillTimer(nullptr, timer);
  fmhost::Destroy(frameWindow);
  return result;
}
