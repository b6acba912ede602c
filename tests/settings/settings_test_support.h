// Real settings files for the tests: the user's directory on the Windows drive,
// files written byte by byte, and their contents read back.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bar/bar_test_window.h"

inline std::string SettingsPath() {
  char path[kTextBufferSize] = "";
  LocateSettingsFile(path, sizeof path);
  return path;
}

inline std::string BackupPath() {
  std::string path = SettingsPath();
  return path.substr(0, path.size() - 3) + "BAK";
}

inline std::string UserDirectory() {
  std::string path = SettingsPath();
  return path.substr(0, path.rfind('\\'));
}

inline std::string FileBytes(const std::string& path) {
  std::string bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return "<missing>";
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  fclose(file);
  return bytes;
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
  // The system may hold the previous version cached; let it go first.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
  FILE* file = fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

inline std::string ProfileValue(const std::string& path, const char* section, const char* key) {
  char value[8192];
  GetPrivateProfileStringA(section, key, "<absent>", value, sizeof value, path.c_str());
  return value;
}

// A section's "key=value" lines in file order; with no section, the file's section names.
inline std::vector<std::string> ProfileList(const std::string& path, const char* section) {
  std::vector<char> buffer(65536);
  const DWORD size = DWORD(buffer.size());
  DWORD length = section ? GetPrivateProfileSectionA(section, buffer.data(), size, path.c_str())
                         : GetPrivateProfileSectionNamesA(buffer.data(), size, path.c_str());
  std::vector<std::string> items;
  for (DWORD at = 0; at < length && buffer[at]; at += DWORD(items.back().size()) + 1)
    items.emplace_back(&buffer[at]);
  return items;
}

inline void RemoveFile(const std::string& path) {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!DeleteFileA(path.c_str())) RemoveDirectoryA(path.c_str());
}

// Every test starts with the installer's directories present and neither the
// settings file nor its backup; the process's current directory is put back.
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
  static void Clean() {
    for (const char* level : {"C:\\QXIBAR", "C:\\QXIBAR\\WINFILE", "C:\\QXIBAR\\WINFILE\\NT"})
      CreateDirectoryA(level, nullptr);
    CreateDirectoryA(UserDirectory().c_str(), nullptr);
    RemoveFile(SettingsPath());
    RemoveFile(BackupPath());
  }

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
