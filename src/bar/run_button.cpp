#include "bar/run_button.h"

#include "bar/bar_layout.h"
#include "bar/bar_state.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"

namespace {

// Gives the look, the cursor and the capture of a press back; false when the
// run must stop (reported).
bool EndPressedState(ButtonRecord* record) {
  InvertButton(record);
  HCURSOR pressed = SetCursor(savedCursor);
  SetClassLongPtrA(extState.barWindow, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(savedCursor));
  if (!pressed) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_SETCURSOR, 2);
    ReleaseCapture();
    return false;
  }
  if (!DestroyCursor(pressed)) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_DESTROYCURSOR, 3);
    ReleaseCapture();
    return false;
  }
  ReleaseCapture();
  return true;
}

}  // namespace

void RunButton() {
  ButtonRecord* record = hitButton;
  hitButton = nullptr;
  currentButton = LocalHandle(record);
  if (!currentButton) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALHANDLE, 1);
    ReleaseCapture();
    return;
  }
  if (!EndPressedState(record)) return;
  // Running the button lands with the run itself.
}

int AppendSelectedFile(int) { return 0; }
