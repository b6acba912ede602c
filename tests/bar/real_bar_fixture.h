// A real bar loaded into a small frame of File Manager's window classes: the
// load sequence runs against it, with a settings file written by the test.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bar/bar_layout.h"
#include "bar/bar_state.h"
#include "bar/buttons.h"
#include "host/exports.h"
#include "host/fm_interface.h"
#include "host/lifecycle.h"
#include "host/state.h"
#include "settings/popup.h"
#include "settings/settings.h"
#include "settings/settings_test_support.h"

// What the frame received: File Manager's refresh and command messages.
struct FrameLog {
  static std::vector<MSG>& Messages() {
    static std::vector<MSG> log;
    return log;
  }
  static int Count(UINT message, WPARAM wParam) {
    int n = 0;
    for (const MSG& m : Messages()) n += (m.message == message && m.wParam == wParam);
    return n;
  }
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == FM_REFRESH_WINDOWS || m == WM_COMMAND) Messages().push_back(MSG{w, m, wp, lp, 0, {}});
    if (m == FM_GETSELCOUNTLFN) return 0;
    return DefWindowProcA(w, m, wp, lp);
  }
};

class RealBarTest : public ::testing::Test {
 protected:
  static constexpr WORD kDelta = 700;
  static constexpr UINT kCopyCommand = 103;
  static constexpr UINT kMoveCommand = 102;
  static constexpr UINT kDeleteCommand = 104;

  void SetUp() override {
    ResetAllState();
    extState.instance = GetModuleHandleA(nullptr);
    PrepareSettingsFolder();
    UnregisterClassA("WFS_Frame", GetModuleHandleA(nullptr));
    WNDCLASSA frameClass{};
    frameClass.lpfnWndProc = FrameLog::Proc;
    frameClass.hInstance = GetModuleHandleA(nullptr);
    frameClass.lpszClassName = "WFS_Frame";
    frameClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    ASSERT_TRUE(RegisterClassA(&frameClass));
    frame_ = CreateWindowExA(0, "WFS_Frame", "File Manager", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                             800, 400, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(frame_, nullptr);
    // A File menu like File Manager's, for menu buttons to find their commands in.
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, kCopyCommand, "&Copy...\tF8");
    AppendMenuA(file, MF_STRING, kMoveCommand, "&Move...\tF7");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, kDeleteCommand, "&Delete...\tDel");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    SetMenu(frame_, bar);
    CLIENTCREATESTRUCT client = {nullptr, 1000};
    mdiClient_ =
        CreateWindowExA(0, "MDIClient", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 780,
                        300, frame_, nullptr, GetModuleHandleA(nullptr), &client);
    ASSERT_NE(mdiClient_, nullptr);
    FrameLog::Messages().clear();
  }

  void TearDown() override {
    CleanUpExtension();
    if (extState.extensionMenu) DestroyMenu(extState.extensionMenu);
    DestroyWindow(frame_);
    UnregisterClassA("WFS_Frame", GetModuleHandleA(nullptr));
    RemoveSettings();
    ResetAllState();
    extState.instance = GetModuleHandleA(nullptr);
    extState.firstPaintBarRect = RECT{0, 0, 0, 0};
  }

  // Runs the load sequence as File Manager's load event does.
  HMENU Load() {
    load_ = {};
    load_.wMenuDelta = kDelta;
    return RunLoadSequence(frame_, &load_);
  }

  // Processes what is queued for this thread.
  static void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }

  std::vector<ButtonRecord> Records() {
    std::vector<ButtonRecord> records;
    for (HLOCAL handle : ListHandles()) records.push_back(PeekRecord(handle));
    return records;
  }
  std::vector<HLOCAL> Handles() { return ListHandles(); }

  HWND frame_ = nullptr;
  HWND mdiClient_ = nullptr;
  FMS_LOADA load_{};
};
