// The stand-in File Manager where the extension relies on it behaving as File
// Manager does: loading extensions, placing their menus, passing them their
// commands and unloading them, seen through probe extensions that log every
// call they get.
#include <fstream>

#include "bar_host_fixture.h"

namespace {

using Lines = std::vector<std::string>;
using FmHostTest = barhost::BarInHostTest;

// Add-ons from WINFILE.INI first, then the list, each with its hundred of
// command IDs; their menus go before Window.
TEST_F(FmHostTest, LoadsRoutesAndUnloadsExtensionsAsFileManagerDoes) {
  const std::string log = directory_ + "\\calls.log";
  SetEnvironmentVariableA("PROBE_EXT_LOG", log.c_str());
  fmhost::Config config;
  config.iniPath = directory_ + "\\WINFILE.INI";
  for (const char* name : {"probe_a", "probe_b"}) {
    const std::string path = directory_ + "\\" + name + ".dll";
    ASSERT_TRUE(CopyFileA((ProgramDirectory() + "\\probe_ext.dll").c_str(), path.c_str(), FALSE));
    config.extensions.push_back(path);
  }
  ASSERT_TRUE(WritePrivateProfileStringA("AddOns", "A", config.extensions[0].c_str(),
                                         config.iniPath.c_str()));
  config.extensions.erase(config.extensions.begin());
  config.treeDirs = {directory_};
  frame_ = fmhost::Create(config);
  ASSERT_NE(frame_, nullptr);
  const auto extensions = fmhost::Extensions(frame_);
  ASSERT_EQ(extensions.size(), 2u);
  HMENU bar = GetMenu(frame_), a = GetSubMenu(bar, fmhost::kFirstExtensionMenu);
  Lines titles;
  for (int i = 0; i < GetMenuItemCount(bar); ++i) {
    char text[64] = "";
    GetMenuStringA(bar, i, text, sizeof text, MF_BYPOSITION);
    titles.push_back(text);
  }
  EXPECT_EQ(titles, (Lines{"&File", "&Disk", "&Tree", "&View", "&Options", "&probe_a", "&probe_b",
                           "&Window", "&Help"}));
  EXPECT_EQ(GetMenuItemID(a, 1), 702u);
  EXPECT_EQ(GetMenuItemID(GetSubMenu(a, 2), 0), 703u);
  EXPECT_EQ(GetMenuItemID(GetSubMenu(extensions[1].menu, 2), 0), 803u);

  SendMessageA(frame_, WM_COMMAND, 803, 0);
  SendMessageA(frame_, WM_COMMAND, 702, 0);
  PostMessageA(frame_, WM_COMMAND, 799, 0);
  fmhost::Pump(0);
  EXPECT_EQ(fmhost::LastCommand(), 0);
  SendMessageA(frame_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(a), fmhost::kFirstExtensionMenu);
  SendMessageA(frame_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(bar, 0)), 0);
  fmhost::UnloadExtensions(frame_);
  SendMessageA(frame_, WM_COMMAND, 701, 0);  // nobody's command now
  EXPECT_EQ(GetMenuItemCount(bar), 7);
  Lines calls;
  std::ifstream file(log);
  for (std::string line; std::getline(file, line);) calls.push_back(line);
  EXPECT_EQ(calls, (Lines{"probe_a 100 F 700", "probe_a 105 F 0", "probe_b 100 F 800",
                          "probe_b 105 F 0", "probe_b 3 F 0", "probe_a 2 F 0", "probe_a 99 F 0",
                          "probe_a 102 F 1", "probe_a 101 0 0", "probe_b 101 0 0"}));
  SetEnvironmentVariableA("PROBE_EXT_LOG", nullptr);
}

}  // namespace
