#include "host/state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  (void)reason;
  (void)reserved;
  extState.instance = module;
  return TRUE;
}
