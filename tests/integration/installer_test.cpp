// The installer run for real against File Manager's settings file in a
// private application-data folder, and the stand-in File Manager loading the
// extension from the registration alone.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>

#include "bar_host_fixture.h"
#include "fmhost.h"

namespace barhost {
namespace {

class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    appData_ = std::string(temp) + "qxinstall_" + std::to_string(GetCurrentProcessId());
    for (const char* folder : {"", "\\Microsoft", "\\Microsoft\\Winfile"})
      CreateDirectoryA((appData_ + folder).c_str(), nullptr);
    ini_ = appData_ + "\\Microsoft\\Winfile\\WINFILE.INI";
    savedAppData_ = getenv("APPDATA") ? getenv("APPDATA") : "";
    SetEnvironmentVariableA("APPDATA", appData_.c_str());  // the installer inherits it
    WriteIni(nullptr);
  }
  void TearDown() override {
    SetEnvironmentVariableA("APPDATA", savedAppData_.c_str());
    WriteIni(nullptr);
  }
  // Runs the installer through the command processor, what it says into a file.
  int Run(const std::string& arguments) {
    const std::string out = appData_ + "\\said.txt";
    const int code = std::system(("\"\"" + ProgramDirectory() + "\\qxinstall.exe\" " + arguments +
                                  " >\"" + out + "\" 2>&1\"")
                                     .c_str());
    said_ = FileBytes(out);
    return code;
  }
  // A fresh settings file (none for null) with `others` more add-ons.
  void WriteIni(const char* text, int others = 0, bool readOnly = false) {
    SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(ini_.c_str());
    if (!text) return;
    std::ofstream file(ini_, std::ios::binary);
    file << text;
    for (int n = 0; n < others; ++n) file << "Other" << n << "=" << Other(n) << "\r\n";
    file.close();
    if (readOnly) SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_READONLY);
  }
  static std::string Other(int n) { return "C:\\Tools\\other" + std::to_string(n) + ".dll"; }
  std::string Value(const std::string& key) const { return ProfileValue(ini_, "AddOns", key); }
  bool Said(const char* words) const { return said_.find(words) != std::string::npos; }
  std::string appData_, ini_, said_, savedAppData_;
};

// Refusals leave the file as it was; an install beside other add-ons keeps
// them and a second one changes nothing; File Manager then loads the extension
// from the registration alone, until it is uninstalled.
TEST_F(InstallerTest, RegistersOnceBesideOtherAddOnsUntilUninstalled) {
  const struct {
    int others;
    bool readOnly;
    const char* arguments;
    int exitCode;
    const char* says;
  } refusals[] = {
      {10, false, "install", 3, "at most 10 add-ons"},
      {2, true, "install", 2, "Cannot write File Manager's settings file"},
      {2, false, "install C:\\nowhere\\qxibar.dll", 4, "is not there: nothing was installed"},
      {2, false, "remove", 1, "Usage: qxinstall install"}};
  for (const auto& c : refusals) {
    SCOPED_TRACE(c.exitCode);
    WriteIni("[AddOns]\r\n", c.others, c.readOnly);
    const std::string before = FileBytes(ini_);
    EXPECT_EQ(Run(c.arguments), c.exitCode);
    EXPECT_TRUE(Said(c.says)) << said_;
    EXPECT_EQ(FileBytes(ini_), before);
  }
  auto barComesUp = [] {  // the stand-in with File Manager's settings alone
    fmhost::Config config;
    config.placement = {0, 0, 800, 600};
    HWND frame = fmhost::Create(config);
    fmhost::Pump(50);
    int loaded = 0;  // ours alone: the others do not exist
    for (const auto& extension : fmhost::Extensions(frame)) loaded += extension.loaded;
    const bool up = frame && GetDlgItem(frame, kBarWindowId) && loaded == 1;
    if (frame) fmhost::Destroy(frame);
    return up;
  };
  for (int others : {0, 3}) {
    SCOPED_TRACE(others);
    WriteIni(others ? "[Settings]\r\nLowerCase=1\r\n[AddOns]\r\n" : nullptr, others);
    EXPECT_EQ(Run("install"), 0);
    EXPECT_TRUE(Said("Registered \"QX IconBar\"")) << said_;
    EXPECT_EQ(Value("QX IconBar"), ProgramDirectory() + "\\qxibar.dll");
    char windows[MAX_PATH] = "";  // the settings folders above the user's own are there
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_NE(GetFileAttributesA((std::string(windows, 3) + "QXIBAR\\WINFILE\\NT").c_str()),
              INVALID_FILE_ATTRIBUTES);
    const std::string installed = FileBytes(ini_);
    EXPECT_EQ(Run("install"), 0);
    EXPECT_TRUE(Said("nothing to register")) << said_;
    EXPECT_EQ(FileBytes(ini_), installed);
    EXPECT_TRUE(barComesUp());
    EXPECT_EQ(Run("uninstall"), 0);
    EXPECT_TRUE(Said("File Manager no longer loads it")) << said_;
    EXPECT_EQ(Value("QX IconBar"), "(none)");
    for (int n = 0; n < others; ++n) EXPECT_EQ(Value("Other" + std::to_string(n)), Other(n));
    EXPECT_EQ(Run("uninstall"), 0);
    EXPECT_TRUE(Said("nothing to remove")) << said_;
    EXPECT_FALSE(barComesUp());
  }
}

}  // namespace
}  // namespace barhost
