// Unloading the real extension from the stand-in File Manager: the settings
// written only when something changed, File Manager's windows and classes
// given back (many loads and unloads: robustness_test.cpp).
#include <gtest/gtest.h>

#include "bar_host_fixture.h"

namespace barhost {
namespace {

// A key that no save writes: while it is in the file, the file was not saved.
const Keys kMarker = {{"Left By The Test", "1"}};

class UnloadInHostTest : public BarInHostTest {
 protected:
  void StartFramed() {
    geometry_.barFramed = true;
    geometry_.buttonCount = 2;
    WriteBarSettings(geometry_, kMarker,
                     {{{"Program Name or Menu Item", "Sort by Name"}, {"Type", "0"}},
                      {{"Program Name or Menu Item", "Sort by Type"}, {"Type", "0"}}});
    Start();
  }
  bool Saved() const { return SettingsValue("Icon Bar", "Left By The Test") == "(none)"; }
  void ResizeBar(int length) {
    RECT bar = WindowRectIn(Bar(), nullptr);
    SetWindowPos(Bar(), nullptr, 0, 0, length, bar.bottom - bar.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    fmhost::Pump(20);
  }
  BarGeometry geometry_;
};

TEST_F(UnloadInHostTest, AnUnchangedBarIsNotSaved) {
  StartFramed();
  fmhost::UnloadExtensions(frame_);
  EXPECT_FALSE(Saved());
  EXPECT_EQ(GetFileAttributesA(BackupPath().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(UnloadInHostTest, ASettingChangedThroughTheMenuIsSavedWithABackup) {
  StartFramed();
  Command(kBarOff);
  Command(kBarOn);
  fmhost::UnloadExtensions(frame_);
  EXPECT_TRUE(Saved());
  EXPECT_EQ(SettingsValue("Icon Bar", "Number of Icons"), "2");
  EXPECT_EQ(SettingsValue("Icon1", "Program Name or Menu Item"), "Sort by Type");
  char kept[16] = "";
  GetPrivateProfileStringA("Icon Bar", "Left By The Test", "", kept, sizeof kept,
                           BackupPath().c_str());
  EXPECT_STREQ(kept, "1");
}

TEST_F(UnloadInHostTest, DontSaveKeepsAChangedSettingOutOfTheFile) {
  StartFramed();
  Command(kBarOff);
  Command(kDontSave);
  fmhost::UnloadExtensions(frame_);
  EXPECT_FALSE(Saved());
}

TEST_F(UnloadInHostTest, ABarResizedThroughItsBorderIsSaved) {
  StartFramed();
  ResizeBar(geometry_.length - 100);
  fmhost::UnloadExtensions(frame_);
  EXPECT_TRUE(Saved());
  EXPECT_EQ(SettingsValue("Icon Bar", "Bar Length"), std::to_string(geometry_.length - 100));
}

TEST_F(UnloadInHostTest, DontSaveKeepsAResizedBarOutOfTheFile) {
  StartFramed();
  ResizeBar(geometry_.length - 100);
  Command(kDontSave);
  fmhost::UnloadExtensions(frame_);
  EXPECT_FALSE(Saved());
}

TEST_F(UnloadInHostTest, SaveNowThenNoChangeWritesNothingMoreAtUnload) {
  StartFramed();
  Command(kBarOff);
  Command(kBarOn);
  Command(kSaveNow);
  ASSERT_TRUE(Saved());
  // Put the marker back: a second save would drop it again.
  ASSERT_TRUE(
      WritePrivateProfileStringA("Icon Bar", "Left By The Test", "1", SettingsPath().c_str()));
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, SettingsPath().c_str());
  fmhost::UnloadExtensions(frame_);
  EXPECT_FALSE(Saved());
}

TEST_F(UnloadInHostTest, FileManagersWindowProcedureAndClassesAreGivenBack) {
  StartFramed();
  HWND mdiClient = fmhost::MdiClient(frame_);
  HMODULE module = Module();
  ASSERT_NE(module, nullptr);
  HINSTANCE fileManager = GetModuleHandleA(nullptr);
  // The MDI client had its class's own procedure before the load.
  const LONG_PTR ownProcedure = GetClassLongPtrA(mdiClient, GCLP_WNDPROC);
  EXPECT_EQ(GetWindowLongPtrA(mdiClient, GWLP_WNDPROC),
            reinterpret_cast<LONG_PTR>(GetProcAddress(module, "MDIWndProc")));
  WNDCLASSA system = {};
  ASSERT_TRUE(GetClassInfoA(nullptr, MAKEINTATOM(32770), &system));
  WNDCLASSA dialog = {};
  ASSERT_TRUE(GetClassInfoA(fileManager, MAKEINTATOM(32770), &dialog));
  WNDCLASSA found = {};
  EXPECT_EQ(dialog.lpfnWndProc,
            reinterpret_cast<WNDPROC>(reinterpret_cast<void*>(GetProcAddress(module, "DlgProc"))));
  EXPECT_TRUE(GetClassInfoA(module, "QX Iconbar", &found));
  EXPECT_TRUE(GetClassInfoA(module, "QXPopUp", &found));

  // Held once more, so that the module (and any class left under it) stays.
  HMODULE held = LoadLibraryA("qxibar.dll");
  ASSERT_EQ(held, module);
  fmhost::UnloadExtensions(frame_);
  EXPECT_EQ(GetWindowLongPtrA(mdiClient, GWLP_WNDPROC), ownProcedure);
  EXPECT_FALSE(GetClassInfoA(module, "QX Iconbar", &found));
  EXPECT_FALSE(GetClassInfoA(module, "QXPopUp", &found));
  ASSERT_TRUE(GetClassInfoA(fileManager, MAKEINTATOM(32770), &dialog));
  EXPECT_EQ(dialog.lpfnWndProc, system.lpfnWndProc);
  EXPECT_TRUE(ThreadWindowsOfClass("QX Iconbar").empty());
  EXPECT_EQ(GetDlgItem(frame_, kBarWindowId), nullptr);
  FreeLibrary(held);
  EXPECT_EQ(GetModuleHandleA("qxibar.dll"), nullptr);
}

}  // namespace
}  // namespace barhost
