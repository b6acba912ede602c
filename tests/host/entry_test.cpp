// The extension entry: what each event and command answers and changes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/exports.h"
#include "host/fm_interface.h"
#include "host/layout.h"
#include "host/lifecycle.h"
#include "host/state.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "settings/settings_test_support.h"
#include "support/msgbox_catcher.h"

namespace {

constexpr WORD kDelta = 700;

// A stand-in frame window that only records what it is sent and posted.
struct FrameSpy {
  static std::vector<MSG>& Log() {
    static std::vector<MSG> log;
    return log;
  }
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == FM_REFRESH_WINDOWS || m == WM_COMMAND) Log().push_back(MSG{w, m, wp, lp, 0, {}});
    return DefWindowProcA(w, m, wp, lp);
  }
  static HWND Create() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "WFS_Frame";
    RegisterClassA(&wc);
    Log().clear();
    return CreateWindowExA(0, "WFS_Frame", "File Manager", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
};

int CountLogged(UINT message, WPARAM wParam) {
  int n = 0;
  for (const MSG& m : FrameSpy::Log()) n += (m.message == message && m.wParam == wParam);
  return n;
}

std::string ItemText(HMENU menu, UINT position) {
  char text[260] = "";
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetExtensionState();
    extState.instance = GetModuleHandleA(nullptr);
    frame_ = FrameSpy::Create();
    ASSERT_NE(frame_, nullptr);
    extState.frameWindow = frame_;
    extState.extensionMenu = LoadMenuA(extState.instance, MAKEINTRESOURCEA(IDM_EXTENSION_MENU));
    ASSERT_NE(extState.extensionMenu, nullptr);
    extState.menuDelta = kDelta;
  }
  void TearDown() override {
    DestroyMenu(extState.extensionMenu);
    DestroyWindow(frame_);
    ResetExtensionState();
    extState.instance = GetModuleHandleA(nullptr);
  }
  UINT State(UINT position) {
    return GetMenuState(extState.extensionMenu, position, MF_BYPOSITION) &
           (MF_GRAYED | MF_DISABLED);
  }
  HWND frame_ = nullptr;
};

TEST_F(EntryTest, InitialStateBeforeAnyLoad) {
  // The state a freshly attached library starts from.
  EXPECT_EQ(extState.barOn, 1);
  EXPECT_EQ(extState.deleteWarning, 1);
  EXPECT_EQ(extState.saveState, 0);
  EXPECT_EQ(extState.barWindow, nullptr);
  EXPECT_EQ(extState.mdiClientWindow, nullptr);
  EXPECT_STREQ(extState.fileSeparator, " ");
}

TEST_F(EntryTest, MenuResourceLayout) {
  HMENU menu = extState.extensionMenu;
  ASSERT_EQ(GetMenuItemCount(menu), 17);
  HMENU newButton = GetSubMenu(menu, 0);
  ASSERT_NE(newButton, nullptr);
  EXPECT_EQ(ItemText(menu, 0), "&New Icon Button ...");
  EXPECT_EQ(ItemText(newButton, 0), "&Menu Item");
  EXPECT_EQ(GetMenuItemID(newButton, 0), 50u);
  EXPECT_EQ(ItemText(newButton, 1), "&Program Item");
  EXPECT_EQ(GetMenuItemID(newButton, 1), 49u);
  const struct {
    UINT position;
    const char* text;
    UINT id;
  } items[] = {{2, "&Bar Options", 51},
               {4, "&Popup Options", 41},
               {6, "&Refresh Icons", 46},
               {8, "&Save Now", 43},
               {10, "&Don't Save", 42},
               {12, "&Help", 44},
               {14, "&About QX FileManager Extension...", 45},
               {16, "Bar &Off", 39}};
  for (const auto& item : items) {
    EXPECT_EQ(ItemText(menu, item.position), item.text);
    EXPECT_EQ(GetMenuItemID(menu, item.position), item.id);
  }
  for (UINT position = 1; position < 16; position += 2)
    EXPECT_TRUE(GetMenuState(menu, position, MF_BYPOSITION) & MF_SEPARATOR) << position;
}

TEST_F(EntryTest, UnhandledEventsAnswerZeroAndChangeNothing) {
  MessageBoxCatcher catcher;
  for (WORD event : {0, 1, 37, 40, 48, 52, 60, 99, 102, 103, 104, 105, 200, 0xFFFF}) {
    EXPECT_EQ(FMExtensionProc(frame_, event, 0), 0) << event;
  }
  EXPECT_EQ(extState.saveState, 0);
  EXPECT_EQ(extState.barOn, 1);
  EXPECT_EQ(ItemText(extState.extensionMenu, 16), "Bar &Off");
  EXPECT_TRUE(FrameSpy::Log().empty());
  EXPECT_TRUE(catcher.boxes().empty());
}

TEST_F(EntryTest, BarOffThenOnSwitchesTheMenuAndAsksForARefresh) {
  EXPECT_EQ(FMExtensionProc(frame_, CMD_BAR_OFF, 0), 0);
  EXPECT_EQ(extState.barOn, 0);
  EXPECT_EQ(extState.saveState, SAVE_AT_UNLOAD);
  EXPECT_EQ(ItemText(extState.extensionMenu, 16), "Bar &On");
  EXPECT_EQ(GetMenuItemID(extState.extensionMenu, 16), kDelta + 38u);
  for (UINT position = 0; position <= 14; position += 2)
    EXPECT_EQ(State(position), UINT(MF_GRAYED));
  EXPECT_EQ(State(16), 0u);
  EXPECT_EQ(CountLogged(FM_REFRESH_WINDOWS, 1), 1);  // sent, not posted

  extState.saveState = SAVE_NOTHING;
  EXPECT_EQ(FMExtensionProc(frame_, CMD_BAR_ON, 0), 0);
  EXPECT_EQ(extState.barOn, 1);
  EXPECT_EQ(extState.saveState, SAVE_AT_UNLOAD);
  EXPECT_EQ(ItemText(extState.extensionMenu, 16), "Bar &Off");
  EXPECT_EQ(GetMenuItemID(extState.extensionMenu, 16), kDelta + 39u);
  for (UINT position = 0; position <= 16; position += 2) EXPECT_EQ(State(position), 0u);
  EXPECT_EQ(CountLogged(FM_REFRESH_WINDOWS, 1), 2);
}

TEST_F(EntryTest, DontSaveUntilTheNextChange) {
  FMExtensionProc(frame_, CMD_DONT_SAVE, 0);
  EXPECT_EQ(extState.saveState, SAVE_NEVER);
  FMExtensionProc(frame_, CMD_BAR_OFF, 0);
  EXPECT_EQ(extState.saveState, SAVE_AT_UNLOAD);
  FMExtensionProc(frame_, CMD_DONT_SAVE, 0);
  FMExtensionProc(frame_, CMD_BAR_ON, 0);
  EXPECT_EQ(extState.saveState, SAVE_AT_UNLOAD);
}

TEST_F(EntryTest, BarSwitchWithoutItsTextChangesNothingFurther) {
  HMODULE partial = LoadLibraryExA("partial_strings.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(partial, nullptr);
  extState.instance = partial;
  MessageBoxCatcher catcher;
  FMExtensionProc(frame_, CMD_BAR_OFF, 0);
  FMExtensionProc(frame_, CMD_BAR_ON, 0);
  extState.instance = GetModuleHandleA(nullptr);
  FreeLibrary(partial);
  ASSERT_EQ(catcher.boxes().size(), 2u);
  EXPECT_EQ(catcher.boxes()[0].text, "QXFILMAN :1 - LoadString failed.");
  EXPECT_EQ(catcher.boxes()[1].text, "QXFILMAN :3 - LoadString failed.");
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
  EXPECT_EQ(extState.barOn, 1);
  EXPECT_EQ(extState.saveState, SAVE_NOTHING);
  EXPECT_EQ(ItemText(extState.extensionMenu, 16), "Bar &Off");
  EXPECT_EQ(CountLogged(FM_REFRESH_WINDOWS, 1), 0);
}

TEST_F(EntryTest, FailedItemReplacementIsReportedAndTheSwitchGoesOn) {
  HMENU full = extState.extensionMenu;
  extState.extensionMenu = CreatePopupMenu();  // no position 16
  AppendMenuA(extState.extensionMenu, MF_STRING, 1, "only");
  MessageBoxCatcher catcher;
  FMExtensionProc(frame_, CMD_BAR_OFF, 0);
  DestroyMenu(extState.extensionMenu);
  extState.extensionMenu = full;
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text, "QXFILMAN :2 - ModifyMenu failed.");
  EXPECT_EQ(extState.barOn, 0);
  EXPECT_EQ(extState.saveState, SAVE_AT_UNLOAD);
  EXPECT_EQ(CountLogged(FM_REFRESH_WINDOWS, 1), 1);
}

TEST_F(EntryTest, RelayoutCommandLoadsTheTreeClassName) {
  treeClassText[0] = '\0';
  EXPECT_EQ(FMExtensionProc(frame_, CMD_RELAYOUT_TREES, 0), 0);
  EXPECT_STREQ(treeClassText, "WFS_Tree");
}

TEST_F(EntryTest, RefreshIconsRepaintsTheBar) {
  HWND bar = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 20, nullptr, nullptr,
                             nullptr, nullptr);
  ASSERT_NE(bar, nullptr);
  extState.barWindow = bar;
  UpdateWindow(bar);
  RECT update;
  EXPECT_FALSE(GetUpdateRect(bar, &update, FALSE));
  EXPECT_EQ(FMExtensionProc(frame_, CMD_REFRESH_ICONS, 0), 0);
  EXPECT_TRUE(GetUpdateRect(bar, &update, FALSE));
  EXPECT_EQ(update.right - update.left, 50);
  DestroyWindow(bar);
}

class LoadEventTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetExtensionState();
    extState.instance = GetModuleHandleA(nullptr);
  }
  void TearDown() override {
    if (extState.extensionMenu) DestroyMenu(extState.extensionMenu);
    ResetExtensionState();
    extState.instance = GetModuleHandleA(nullptr);
  }
};

TEST_F(LoadEventTest, NoFrameWindowIsReportedAndLeavesTheRecordAlone) {
  FMS_LOADA load;
  std::memset(&load, 0xAB, sizeof load);
  load.wMenuDelta = kDelta;
  FMS_LOADA before = load;
  MessageBoxCatcher catcher;
  EXPECT_EQ(FMExtensionProc(nullptr, FMEVENT_LOAD, reinterpret_cast<LPARAM>(&load)), 1);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text, "QXINIT :3 - FindWindow failed.");
  EXPECT_EQ(std::memcmp(&load, &before, sizeof load), 0);
}

// A load into a frame of File Manager's classes, with the settings file given.
class CompleteLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetExtensionState();
    extState.instance = GetModuleHandleA(nullptr);
    for (const char* level : {"C:\\QXIBAR", "C:\\QXIBAR\\WINFILE", "C:\\QXIBAR\\WINFILE\\NT"})
      CreateDirectoryA(level, nullptr);
    CreateDirectoryA(UserDirectory().c_str(), nullptr);
    RemoveFile(SettingsPath());
    frame_ = FrameSpy::Create();
    ASSERT_NE(frame_, nullptr);
    CLIENTCREATESTRUCT client = {nullptr, 1000};
    mdiClient_ = CreateWindowExA(0, "MDIClient", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 400, 250,
                                 frame_, nullptr, GetModuleHandleA(nullptr), &client);
    ASSERT_NE(mdiClient_, nullptr);
  }
  void TearDown() override {
    CleanUpExtension();
    DestroyWindow(frame_);
    RemoveFile(SettingsPath());
    ResetExtensionState();
    ResetBarSettings();
    extState.instance = GetModuleHandleA(nullptr);
  }
  void Load() {
    load_ = {};
    load_.wMenuDelta = 0x10000 + kDelta;  // only the low 16 bits are the delta
    EXPECT_EQ(FMExtensionProc(frame_, FMEVENT_LOAD, reinterpret_cast<LPARAM>(&load_)), 1);
  }
  // The messages the load posted, in the order the frame receives them.
  std::vector<MSG> Posted() {
    FrameSpy::Log().clear();
    MSG msg;
    while (PeekMessageA(&msg, frame_, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    return FrameSpy::Log();
  }
  HWND frame_ = nullptr;
  HWND mdiClient_ = nullptr;
  FMS_LOADA load_;
};

TEST_F(CompleteLoadTest, HandsFileManagerTheMenuAndAsksForARefresh) {
  MessageBoxCatcher catcher;
  Load();
  EXPECT_TRUE(catcher.boxes().empty());
  EXPECT_EQ(load_.dwSize, sizeof(FMS_LOADA));
  EXPECT_STREQ(load_.szMenuName, "&QX's Extension");
  EXPECT_EQ(load_.hMenu, extState.extensionMenu);
  ASSERT_NE(load_.hMenu, nullptr);
  EXPECT_EQ(GetMenuItemCount(load_.hMenu), 17);
  EXPECT_EQ(extState.menuDelta, kDelta);
  EXPECT_EQ(extState.frameWindow, frame_);
  std::vector<MSG> posted = Posted();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].message, UINT(FM_REFRESH_WINDOWS));
  EXPECT_EQ(posted[0].wParam, 1u);
  EXPECT_EQ(extState.saveState, SAVE_NOTHING);
  DestroyMenu(load_.hMenu);
}

TEST_F(CompleteLoadTest, ABarStoredOffPostsBarOffAfterTheRefresh) {
  ASSERT_TRUE(WritePrivateProfileStringA("Icon Bar", "Bar On", "0", SettingsPath().c_str()));
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, SettingsPath().c_str());
  MessageBoxCatcher catcher;
  Load();
  EXPECT_TRUE(catcher.boxes().empty());
  EXPECT_EQ(extState.barOn, 0);
  std::vector<MSG> posted = Posted();
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].message, UINT(FM_REFRESH_WINDOWS));
  EXPECT_EQ(posted[1].message, UINT(WM_COMMAND));
  EXPECT_EQ(posted[1].wParam, kDelta + 39u);
  EXPECT_EQ(posted[1].lParam, 0);
  // File Manager hands the command back as the bare ID.
  FMExtensionProc(frame_, WORD(posted[1].wParam - kDelta), 0);
  EXPECT_EQ(ItemText(extState.extensionMenu, 16), "Bar &On");
  EXPECT_EQ(extState.saveState, SAVE_AT_UNLOAD);
  DestroyMenu(load_.hMenu);
}

TEST_F(CompleteLoadTest, ALoadThatFailsBeforeTheMenuDeltaPostsNoCommandOfOurs) {
  // The popup class is taken: the load fails once the bar window exists.
  WNDCLASSA taken = {};
  taken.lpfnWndProc = DefWindowProcA;
  taken.hInstance = extState.instance;
  taken.lpszClassName = "QXPopUp";
  for (const char* barOn : {"0", "1"}) {
    SCOPED_TRACE(barOn);
    ASSERT_TRUE(RegisterClassA(&taken));  // the clean-up unregisters it
    ASSERT_TRUE(WritePrivateProfileStringA("Icon Bar", "Bar On", barOn, SettingsPath().c_str()));
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, SettingsPath().c_str());
    MessageBoxCatcher catcher;
    Load();
    ASSERT_EQ(catcher.boxes().size(), 1u);
    ASSERT_NE(extState.barWindow, nullptr);
    MoveWindow(mdiClient_, 0, 0, 400, 200 + barOn[0], TRUE);  // the MDI client placed anew
    for (const MSG& message : Posted()) EXPECT_NE(message.message, UINT(WM_COMMAND));
    CleanUpExtension();
    ResetExtensionState();
    ResetBarSettings();
    extState.instance = GetModuleHandleA(nullptr);
  }
}

TEST_F(CompleteLoadTest, SaveNowAfterDontSaveWritesAndLeavesNothingToSave) {
  MessageBoxCatcher catcher;
  Load();
  FMExtensionProc(frame_, CMD_BAR_OFF, 0);
  FMExtensionProc(frame_, CMD_DONT_SAVE, 0);
  EXPECT_FALSE(FileExists(SettingsPath()));
  FMExtensionProc(frame_, CMD_SAVE_NOW, 0);
  EXPECT_EQ(extState.saveState, SAVE_NOTHING);
  EXPECT_EQ(ProfileValue(SettingsPath(), "Icon Bar", "Bar On"), "0");
  EXPECT_TRUE(catcher.boxes().empty());
  // A save that fails (the file made read-only) leaves the changes due.
  FMExtensionProc(frame_, CMD_BAR_ON, 0);
  ASSERT_TRUE(SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_READONLY));
  FMExtensionProc(frame_, CMD_SAVE_NOW, 0);
  SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(extState.saveState, SAVE_AT_UNLOAD);
  EXPECT_EQ(ProfileValue(SettingsPath(), "Icon Bar", "Bar On"), "0");
  DestroyMenu(load_.hMenu);
}

}  // namespace
