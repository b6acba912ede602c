// Unloading the real extension from the stand-in File Manager: the settings
// written only when something changed, File Manager's windows and classes
// given back, and nothing left behind after many loads and unloads.
#include <gtest/gtest.h>

#include <cstdio>

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

// ---------------------------------------------------------------- many cycles

class LoadCyclesTest : public BarInHostTest {
 protected:
  // One load, a paint of the whole bar and a popup shown, one unload.
  void Cycle() {
    Start();
    if (HasFatalFailure()) return;
    HWND bar = Bar();
    InvalidateRect(bar, nullptr, TRUE);
    UpdateWindow(bar);
    SetForegroundWindow(frame_);
    POINT centre = geometry_.Centre(3);
    POINT screen = centre;
    ClientToScreen(bar, &screen);
    SetCursorPos(screen.x, screen.y);
    SendMessageA(bar, WM_MOUSEMOVE, 0, MAKELPARAM(centre.x, centre.y));
    fmhost::Pump(120);
    if (!ThreadWindowsOfClass("QXPopUp").empty()) ++popups_;
    fmhost::Destroy(frame_);
    frame_ = nullptr;
    fmhost::Pump(0);
  }
  BarGeometry geometry_;
  int popups_ = 0;
};

TEST_F(LoadCyclesTest, FiftyLoadsAndUnloadsLeaveNothingBehind) {
  geometry_.length = 760;
  geometry_.buttonCount = 10;
  const char* items[] = {"Copy",         "Move",         "Delete",       "Rename",
                         "Search",       "Sort by Name", "Sort by Type", "Sort by Size",
                         "Sort by Date", "Associate"};
  std::vector<Keys> buttons;
  for (const char* item : items)
    buttons.push_back({{"Program Name or Menu Item", item},
                       {"Type", "0"},
                       {"Description", std::string("File Manager's ") + item}});
  buttons[9] = {{"Program Name or Menu Item", ProgramDirectory() + "\\cmdline_logger.exe"},
                {"Description", "a program's own icon"}};
  WriteBarSettings(geometry_, {{"Popup Delay", "20"}}, buttons);

  HANDLE process = GetCurrentProcess();
  Cycle();
  ASSERT_FALSE(HasFatalFailure());
  const long gdiFirst = GdiObjectCount();
  const DWORD userFirst = GetGuiResources(process, GR_USEROBJECTS);
  const size_t heapFirst = BusyHeapBlocks();
  for (int n = 1; n < 50; ++n) {
    Cycle();
    ASSERT_FALSE(HasFatalFailure()) << "cycle " << n;
  }
  const long gdiLast = GdiObjectCount();
  const DWORD userLast = GetGuiResources(process, GR_USEROBJECTS);
  const size_t heapLast = BusyHeapBlocks();
  std::printf(
      "after cycle 1 and 50: GDI objects %lu, %lu; USER objects %lu, %lu; "
      "busy heap blocks %zu, %zu; popups shown in %d of 50 cycles\n",
      gdiFirst, gdiLast, userFirst, userLast, heapFirst, heapLast, popups_);
  EXPECT_GE(gdiFirst, 0) << "no count of GDI objects";
  EXPECT_LE(gdiLast, gdiFirst + 5);
  // Wine has no count of USER objects (0 each time); the windows of the
  // extension's classes are counted instead, and its icons and cursors hold
  // GDI bitmaps there, which the GDI count sees.
  EXPECT_LE(userLast, userFirst + 5);
  EXPECT_TRUE(ThreadWindowsOfClass("QX Iconbar").empty());
  EXPECT_TRUE(ThreadWindowsOfClass("QXPopUp").empty());
  // Each cycle makes eleven records and texts at least: a leak of any of
  // them would show 49 times over.
  EXPECT_LE(heapLast, heapFirst + 20);
  EXPECT_GT(heapFirst, 0u);
  EXPECT_GE(popups_, 45);
  EXPECT_EQ(GetModuleHandleA("qxibar.dll"), nullptr);
}

}  // namespace
}  // namespace barhost
