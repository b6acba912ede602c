#include "host/exports.h"
#include "host/state.h"

LRESULT WINAPI FMExtensionProc(HWND window, WORD event, LPARAM parameter) {
  (void)window; (void)event; (void)parameter;
  return 0;
}
