// The settings file's tests: the installer's directories there, no settings
// file, and the load's two readings.
#pragma once
#include <windows.h>

#include "bar/bar_test_window.h"
#include "support/files.h"

// Every test starts with the installer's directories present and neither the
// settings file nor the save's other files; the process's current directory is put back.
class SettingsFileTest : public BarWindowTest {
 protected:
  void SetUp() override {
    BarWindowTest::SetUp();
    windowHandle_ = extState.barWindow;
    GetCurrentDirectoryA(sizeof savedDirectory_, savedDirectory_);
    Clean();
  }
  void TearDown() override {
    BarWindowTest::TearDown();
    SetCurrentDirectoryA(savedDirectory_);
    Clean();
  }
  static void Clean() { PrepareSettingsFolder(); }

  // The load's two readings, as the load sequence runs them.
  void Load() {
    ResetBarSettings();
    ResetExtensionState();
    extState.instance = GetModuleHandleA(nullptr);
    extState.barWindow = windowHandle_;
    ASSERT_EQ(ReadBarSettings(), 1);
    ASSERT_EQ(ReadButtonSections(), 1);
  }
  // Drops the current list, so that the next Load starts from none.
  void DropList() {
    ForEachButton(DeleteEveryRecord);
    lastButton = nullptr;
  }

 private:
  char savedDirectory_[MAX_PATH] = "";
  HWND windowHandle_ = nullptr;
};
