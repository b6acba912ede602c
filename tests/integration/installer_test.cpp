// The installer run for real against File Manager's settings file in a
// private application-data folder: registering beside other add-ons, a full
// list, a second run, a read-only file, uninstalling; and the stand-in File
// Manager loading the extension from the registration alone.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>

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
    CreateDirectoryA(appData_.c_str(), nullptr);
    CreateDirectoryA((appData_ + "\\Microsoft").c_str(), nullptr);
    CreateDirectoryA((appData_ + "\\Microsoft\\Winfile").c_str(), nullptr);
    ini_ = appData_ + "\\Microsoft\\Winfile\\WINFILE.INI";
    SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(ini_.c_str());
    dll_ = ProgramDirectory() + "\\qxibar.dll";
    char saved[MAX_PATH] = "";
    GetEnvironmentVariableA("APPDATA", saved, MAX_PATH);
    savedAppData_ = saved;
    SetEnvironmentVariableA("APPDATA", appData_.c_str());  // the child inherits it
  }
  void TearDown() override {
    SetEnvironmentVariableA("APPDATA", savedAppData_.c_str());
    SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(ini_.c_str());
  }
  // Runs the installer; its exit code, and what it said in `said_`.
  int Run(const std::string& arguments) {
    // A file of its own for each run: the last run's may still be held.
    const std::string out = appData_ + "\\said" + std::to_string(++runs_) + ".txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                              0, nullptr);
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = start.hStdError = file;
    PROCESS_INFORMATION process = {};
    std::string line = "\"" + ProgramDirectory() + "\\qxinstall.exe\" " + arguments;
    DWORD code = 99;
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &start, &process)) {
      WaitForSingleObject(process.hProcess, 30000);
      GetExitCodeProcess(process.hProcess, &code);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
    CloseHandle(file);
    std::stringstream said;
    said << std::ifstream(out).rdbuf();
    said_ = said.str();
    DeleteFileA(out.c_str());
    return int(code);
  }
  void WriteIni(const std::string& text) { std::ofstream(ini_, std::ios::binary) << text; }
  std::string Ini() const {
    std::stringstream text;
    text << std::ifstream(ini_, std::ios::binary).rdbuf();
    return text.str();
  }
  std::string Value(const std::string& key) const {
    char value[MAX_PATH * 2] = "";
    GetPrivateProfileStringA("AddOns", key.c_str(), "(none)", value, sizeof value, ini_.c_str());
    return value;
  }
  static std::string Others(int count) {
    std::string text = "[Settings]\r\nLowerCase=1\r\n[AddOns]\r\n";
    for (int n = 0; n < count; ++n)
      text += "Other" + std::to_string(n) + "=C:\\Tools\\other" + std::to_string(n) + ".dll\r\n";
    return text;
  }
  std::string appData_, ini_, dll_, said_, savedAppData_;
  int runs_ = 0;
};

TEST_F(InstallerTest, InstallRegistersOnceBesideOtherAddOnsAndRefusesClearly) {
  struct Case {
    const char* name;
    bool exists;
    int others;
    bool readOnly;
    int exitCode;
    const char* says;
  };
  const Case cases[] = {
      {"no settings file yet", false, 0, false, 0, "Registered \"QX IconBar\""},
      {"beside other add-ons", true, 3, false, 0, "Registered \"QX IconBar\""},
      {"a full list", true, 10, false, 3, "at most 10 add-ons"},
      {"a read-only file", true, 2, true, 2, "Cannot write File Manager's settings file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(ini_.c_str());
    if (c.exists) WriteIni(Others(c.others));
    if (c.readOnly) SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string before = Ini();
    EXPECT_EQ(Run("install"), c.exitCode);
    EXPECT_NE(said_.find(c.says), std::string::npos) << said_;
    if (c.exitCode != 0) {
      EXPECT_EQ(Ini(), before);
      continue;
    }
    EXPECT_EQ(Value("QX IconBar"), dll_);
    for (int n = 0; n < c.others; ++n)
      EXPECT_EQ(Value("Other" + std::to_string(n)),
                "C:\\Tools\\other" + std::to_string(n) + ".dll");
    // A second run changes nothing more.
    const std::string installed = Ini();
    EXPECT_EQ(Run("install"), 0);
    EXPECT_NE(said_.find("nothing to register"), std::string::npos) << said_;
    EXPECT_EQ(Ini(), installed);
  }
  EXPECT_EQ(Run("install C:\\nowhere\\qxibar.dll"), 4);
  EXPECT_EQ(Run("remove"), 1);
}

TEST_F(InstallerTest, FileManagerLoadsFromTheRegistrationAloneUntilUninstalled) {
  WriteIni(Others(2));
  ASSERT_EQ(Run("install"), 0) << said_;
  // The settings folders above the user's own are there.
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  EXPECT_NE(GetFileAttributesA((std::string(windows, 3) + "QXIBAR\\WINFILE\\NT").c_str()),
            INVALID_FILE_ATTRIBUTES);
  auto start = [] {
    fmhost::Config config;  // no extension named: File Manager's settings alone
    config.placement = {0, 0, 800, 600};
    HWND frame = fmhost::Create(config);
    fmhost::Pump(50);
    return frame;
  };
  HWND frame = start();
  ASSERT_NE(frame, nullptr);
  int loaded = 0;
  for (const auto& extension : fmhost::Extensions(frame)) loaded += extension.loaded ? 1 : 0;
  EXPECT_EQ(loaded, 1);  // ours; the others do not exist
  EXPECT_NE(GetDlgItem(frame, kBarWindowId), nullptr);
  fmhost::Destroy(frame);

  ASSERT_EQ(Run("uninstall"), 0) << said_;
  EXPECT_EQ(Value("QX IconBar"), "(none)");
  EXPECT_EQ(Value("Other1"), "C:\\Tools\\other1.dll");
  EXPECT_NE(said_.find("are kept"), std::string::npos) << said_;
  EXPECT_EQ(Run("uninstall"), 0);
  EXPECT_NE(said_.find("nothing to remove"), std::string::npos) << said_;
  frame = start();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(GetDlgItem(frame, kBarWindowId), nullptr);
  fmhost::Destroy(frame);
}

}  // namespace
}  // namespace barhost
