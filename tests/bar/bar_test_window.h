// A plain window with the bar window's data slot, for the button list to live
// in, and helpers that look at the local heap the way the extension uses it.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bar/bar_state.h"
#include "bar/buttons.h"
#include "host/state.h"
#include "settings/settings.h"

// Lock count of a local block as the heap reports it.
inline UINT LockCount(HLOCAL block) { return LocalFlags(block) & LMEM_LOCKCOUNT; }

// Text of a text block held by its handle, as at rest.
inline std::string BlockText(HLOCAL block) {
  if (!block) return "<none>";
  auto* text = static_cast<const char*>(LocalLock(block));
  std::string copy = text ? text : "<unlockable>";
  LocalUnlock(block);
  return copy;
}

// Handles of the records in list order.
inline std::vector<HLOCAL> ListHandles() {
  std::vector<HLOCAL> handles;
  for (HLOCAL handle = GetFirstButton(); handle && handles.size() < 10000;) {
    handles.push_back(handle);
    auto* record = static_cast<ButtonRecord*>(LocalLock(handle));
    if (!record) break;
    handle = record->next;
    LocalUnlock(handles.back());
  }
  return handles;
}

// A copy of a record taken through its handle (unlocked again afterwards).
inline ButtonRecord PeekRecord(HLOCAL handle) {
  ButtonRecord copy{};
  auto* record = static_cast<ButtonRecord*>(LocalLock(handle));
  if (record) {
    copy = *record;
    LocalUnlock(handle);
  }
  return copy;
}

inline UINT DeleteEveryRecord(ButtonRecord*) { return WALK_DELETE; }

// Gives every test a fresh bar window, fresh settings and layout values, and
// frees whatever list a test leaves behind.
class BarWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetExtensionState();
    ResetBarSettings();
    extState.instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = extState.instance;
    windowClass.lpszClassName = "QX test bar";
    windowClass.cbWndExtra = sizeof(LONG_PTR);
    RegisterClassA(&windowClass);
    extState.barWindow = CreateWindowExA(0, "QX test bar", "", WS_POPUP, 0, 0, 640, 48, nullptr,
                                         nullptr, extState.instance, nullptr);
    ASSERT_NE(extState.barWindow, nullptr);
    lastButton = nullptr;
    listReady = 0;
    firstIconLeft = 4;
    iconSpacing = 6;
    iconTop = 3;
    barSettings.barLength = 640;
    barSettings.barHeight = 48;
  }
  void TearDown() override {
    ForEachButton(DeleteEveryRecord);
    DestroyWindow(extState.barWindow);
    UnregisterClassA("QX test bar", extState.instance);
    extState.barWindow = nullptr;
    lastButton = nullptr;
    listReady = 0;
  }
};
