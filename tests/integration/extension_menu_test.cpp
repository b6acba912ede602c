// The real extension DLL in the stand-in File Manager: its menu on the menu
// bar, commands routed back to it, Bar Off and Bar On, Save Now.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "bar_host_fixture.h"
#include "fmhost.h"
#include "support/msgbox_catcher.h"

namespace {

using barhost::SettingsPath;

std::string ItemText(HMENU menu, UINT position) {
  char text[260] = "";
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

std::string BarSectionValue(const char* key) {
  char value[64] = "";
  GetPrivateProfileStringA("Icon Bar", key, "(none)", value, sizeof value, SettingsPath().c_str());
  return value;
}

class ExtensionInHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fmhost::PrepareSettingsDirectories());
    RemoveSettings();
  }
  void TearDown() override {
    if (frame_) fmhost::Destroy(frame_);
    RemoveSettings();
  }
  static void RemoveSettings() {
    std::string ini = SettingsPath();
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
    DeleteFileA(ini.c_str());
    DeleteFileA((ini.substr(0, ini.size() - 3) + "BAK").c_str());
  }
  void Start() {
    fmhost::Config config;
    config.iniPath = "C:\\nonexistent-winfile.ini";
    config.extensions = {"qxibar.dll"};
    config.placement = {0, 0, 800, 600};
    frame_ = fmhost::Create(config);
    ASSERT_NE(frame_, nullptr);
    fmhost::Pump(100);
    auto extensions = fmhost::Extensions(frame_);
    ASSERT_EQ(extensions.size(), 1u);
    ASSERT_TRUE(extensions[0].loaded);
    extension_ = extensions[0];
    menu_ = GetSubMenu(GetMenu(frame_), fmhost::kFirstExtensionMenu);
    ASSERT_EQ(menu_, extension_.menu);
  }
  void Command(UINT id) {
    SendMessageA(frame_, WM_COMMAND, id, 0);
    fmhost::Pump(50);
  }
  HWND frame_ = nullptr;
  fmhost::Extension extension_;
  HMENU menu_ = nullptr;
};

TEST_F(ExtensionInHostTest, MenuSitsOnTheMenuBarWithRaisedIds) {
  Start();
  EXPECT_EQ(extension_.delta, 700);
  EXPECT_EQ(extension_.menuName, "&QX's Extension");
  EXPECT_EQ(ItemText(GetMenu(frame_), fmhost::kFirstExtensionMenu), "&QX's Extension");
  EXPECT_EQ(GetMenuItemCount(menu_), 17);
  EXPECT_EQ(GetMenuItemID(menu_, 2), 751u);
  EXPECT_EQ(GetMenuItemID(menu_, 16), 739u);
  HMENU newButton = GetSubMenu(menu_, 0);
  ASSERT_NE(newButton, nullptr);
  EXPECT_EQ(GetMenuItemID(newButton, 0), 750u);
  EXPECT_EQ(GetMenuItemID(newButton, 1), 749u);
}

TEST_F(ExtensionInHostTest, BarOffAndOnThroughFileManager) {
  Start();
  Command(700 + 39);
  EXPECT_EQ(ItemText(menu_, 16), "Bar &On");
  EXPECT_EQ(GetMenuItemID(menu_, 16), 738u);
  for (UINT position = 0; position <= 14; position += 2)
    EXPECT_TRUE(GetMenuState(menu_, position, MF_BYPOSITION) & MF_GRAYED) << position;
  Command(700 + 38);
  EXPECT_EQ(ItemText(menu_, 16), "Bar &Off");
  EXPECT_EQ(GetMenuItemID(menu_, 16), 739u);
  for (UINT position = 0; position <= 14; position += 2)
    EXPECT_FALSE(GetMenuState(menu_, position, MF_BYPOSITION) & MF_GRAYED) << position;
}

TEST_F(ExtensionInHostTest, SaveNowWritesTheSettingsFile) {
  Start();
  Command(700 + 39);  // Bar Off
  Command(700 + 43);  // Save Now
  EXPECT_EQ(BarSectionValue("Bar On"), "0");
  EXPECT_EQ(BarSectionValue("Number of Icons"), "0");
}

TEST_F(ExtensionInHostTest, ABarSavedOffComesBackOff) {
  std::string ini = SettingsPath();
  CreateDirectoryA(ini.substr(0, ini.rfind('\\')).c_str(), nullptr);
  ASSERT_TRUE(WritePrivateProfileStringA("Icon Bar", "Bar On", "0", ini.c_str()));
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
  Start();
  // The load posts Bar Off; File Manager hands it back once it runs its queue.
  EXPECT_EQ(ItemText(menu_, 16), "Bar &On");
  EXPECT_EQ(GetMenuItemID(menu_, 16), 738u);
  EXPECT_TRUE(GetMenuState(menu_, 12, MF_BYPOSITION) & MF_GRAYED);
}

}  // namespace
