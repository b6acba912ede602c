// The real extension in the stand-in File Manager: its menu on the menu bar
// and the bar switch, and what an unload saves and gives back (many loads and
// unloads: robustness_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "bar_host_fixture.h"
#include "support/msgbox_catcher.h"

namespace barhost {
namespace {

std::string ItemText(HMENU menu, UINT position) {
  char text[260] = "";
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

using ExtensionInHostTest = BarInHostTest;

// With the bar stored on and off: the menu as File Manager shows it with our
// IDs raised by its delta, then the bar switched through File Manager.
TEST_F(ExtensionInHostTest, TheMenuAndTheBarSwitch) {
  // Every other position a separator; the first item opens New Icon Button's
  // Menu Item and Program Item.
  const UINT ids[] = {UINT(-1), 751, 741, 746, 743, 742, 744, 745};
  for (int stored : {1, 0}) {
    SCOPED_TRACE(stored);
    WriteSettings({{"Bar On", std::to_string(stored)}}, {});
    Start(false);
    ASSERT_EQ(fmhost::Extensions(frame_).size(), 1u);
    HMENU menu = fmhost::Extensions(frame_)[0].menu;
    ASSERT_EQ(GetSubMenu(GetMenu(frame_), fmhost::kFirstExtensionMenu), menu);
    EXPECT_EQ(ItemText(GetMenu(frame_), fmhost::kFirstExtensionMenu), "&QX's Extension");
    ASSERT_EQ(GetMenuItemCount(menu), 19);
    EXPECT_TRUE(GetMenuState(menu, 17, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(ItemText(menu, 18), "Icon Bar Keys");
    EXPECT_EQ(GetMenuItemID(menu, 18), kMenuDelta + 52);
    for (UINT n = 0; n < 8; ++n) {
      EXPECT_EQ(GetMenuItemID(menu, 2 * n), ids[n]) << n;
      EXPECT_TRUE(GetMenuState(menu, 2 * n + 1, MF_BYPOSITION) & MF_SEPARATOR) << n;
    }
    EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 0), 0), 750u);
    EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 0), 1), 749u);
    // As loaded (a bar stored off is switched off once File Manager runs its
    // queue), then switched.
    for (int on : {stored, 1 - stored}) {
      if (on != stored) Command(on ? kBarOn : kBarOff);
      EXPECT_EQ(ItemText(menu, 16), on ? "Bar &Off" : "Bar &On");
      EXPECT_EQ(GetMenuItemID(menu, 16), kMenuDelta + (on ? kBarOff : kBarOn));
      for (UINT position : {0, 2, 4, 6, 8, 10, 12, 14, 18})
        EXPECT_EQ(!!(GetMenuState(menu, position, MF_BYPOSITION) & MF_GRAYED), !on) << position;
    }
    fmhost::Destroy(frame_);
    frame_ = nullptr;
  }
}

using UnloadInHostTest = BarInHostTest;

// Steps besides the extension's commands.
constexpr int kResize = -1;         // the bar's border dragged 100 pixels shorter
constexpr int kFailedSaveNow = -2;  // Save Now with the settings file read-only
constexpr int kMarkerBack = -3;     // the file saved: the marker put back

// The settings written at unload only when something changed since the load
// or the last Save Now, and not after Don't Save; File Manager's window
// procedure and classes given back.
TEST_F(UnloadInHostTest, SavesOnlyAChangeAndGivesFileManagersThingsBack) {
  const struct {
    const char* name;
    std::vector<int> steps;
    bool saved;
    const char* key;
    const char* value;
    size_t boxes;
  } cases[] = {
      {"unchanged", {}, false, "Bar On", "(none)", 0},
      {"off and on", {kBarOff, kBarOn}, true, "Number of Icons", "2", 0},
      {"off, don't save", {kBarOff, kDontSave}, false, "Bar On", "(none)", 0},
      {"don't save, off", {kDontSave, kBarOff}, true, "Bar On", "0", 0},
      {"resized", {kResize}, true, "Bar Length", "540", 0},
      {"resized, don't save", {kResize, kDontSave}, false, "Bar Length", "640", 0},
      {"save now", {kBarOff, kDontSave, kSaveNow, kMarkerBack}, false, "Bar On", "0", 0},
      {"save now fails", {kBarOff, kFailedSaveNow}, true, "Bar On", "0", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    geometry_.barFramed = true;
    // A key that no save writes: while it is in the file, the file was not saved.
    StartWith({MenuButton("Sort by Name"), MenuButton("Sort by Type")},
              {{"Left By The Test", "1"}});
    ASSERT_FALSE(HasFatalFailure());
    HWND mdiClient = fmhost::MdiClient(frame_);
    // Held once more, so that the module (and any class left under it) stays.
    HMODULE module = LoadLibraryA("qxibar.dll");
    ASSERT_EQ(module, Module());
    auto catcher = std::make_unique<MessageBoxCatcher>(module);
    EXPECT_EQ(GetWindowLongPtrA(mdiClient, GWLP_WNDPROC),
              reinterpret_cast<LONG_PTR>(GetProcAddress(module, "MDIWndProc")));
    WNDCLASSA dialog = {}, system = {}, found = {};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), MAKEINTATOM(32770), &dialog));
    EXPECT_EQ(dialog.lpfnWndProc, reinterpret_cast<WNDPROC>(
                                      reinterpret_cast<void*>(GetProcAddress(module, "DlgProc"))));
    auto saved = [] { return SettingsValue("Icon Bar", "Left By The Test") == "(none)"; };
    for (int step : c.steps) {
      if (step == kResize) {
        SetWindowPos(Bar(), nullptr, 0, 0, geometry_.length - 100, geometry_.height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        fmhost::Pump(20);
      } else if (step == kFailedSaveNow) {
        ASSERT_TRUE(SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_READONLY));
        Command(kSaveNow);
        SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_NORMAL);
      } else if (step == kMarkerBack) {
        ASSERT_TRUE(saved());
        WritePrivateProfileStringA("Icon Bar", "Left By The Test", "1", SettingsPath().c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, SettingsPath().c_str());
      } else {
        Command(UINT(step));
      }
    }
    fmhost::UnloadExtensions(frame_);
    EXPECT_EQ(saved(), c.saved);
    EXPECT_EQ(SettingsValue("Icon Bar", c.key), c.value);
    // The backup is of the file before the first save.
    const bool savedNow = std::count(c.steps.begin(), c.steps.end(), int(kSaveNow)) > 0;
    EXPECT_EQ(ProfileValue(BackupPath(), "Icon Bar", "Left By The Test"),
              c.saved || savedNow ? "1" : "(none)");
    EXPECT_EQ(catcher->boxes().size(), c.boxes);
    EXPECT_EQ(GetWindowLongPtrA(mdiClient, GWLP_WNDPROC),
              GetClassLongPtrA(mdiClient, GCLP_WNDPROC));
    EXPECT_FALSE(GetClassInfoA(module, "QX Iconbar", &found));
    EXPECT_FALSE(GetClassInfoA(module, "QXPopUp", &found));
    ASSERT_TRUE(GetClassInfoA(nullptr, MAKEINTATOM(32770), &system));
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), MAKEINTATOM(32770), &dialog));
    EXPECT_EQ(dialog.lpfnWndProc, system.lpfnWndProc);
    EXPECT_TRUE(ThreadWindowsOfClass("QX Iconbar").empty());
    EXPECT_EQ(Bar(), nullptr);
    catcher.reset();
    FreeLibrary(module);
    EXPECT_EQ(GetModuleHandleA("qxibar.dll"), nullptr);
    fmhost::Destroy(frame_);
    frame_ = nullptr;
  }
}

}  // namespace
}  // namespace barhost
