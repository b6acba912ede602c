// Real settings files for the tests: the user's directory on the Windows
// drive, files written through the private-profile functions or byte by byte,
// and their contents read back.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "bar/bar_test_window.h"

struct IniEntry {
  std::string section;
  std::string key;
  std::string value;
};

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

inline bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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

// Writes entries in order through the private-profile functions.
inline void WriteIni(const std::string& path, const std::vector<IniEntry>& entries) {
  for (const IniEntry& entry : entries)
    ASSERT_TRUE(WritePrivateProfileStringA(entry.section.c_str(), entry.key.c_str(),
                                           entry.value.c_str(), path.c_str()))
        << entry.section << "/" << entry.key;
}

inline std::string ProfileValue(const std::string& path, const char* section, const char* key) {
  char value[8192];
  GetPrivateProfileStringA(section, key, "<absent>", value, sizeof value, path.c_str());
  return value;
}

// The section names of a file, in file order.
inline std::vector<std::string> SectionNames(const std::string& path) {
  std::vector<char> buffer(65536);
  DWORD length = GetPrivateProfileSectionNamesA(buffer.data(), DWORD(buffer.size()), path.c_str());
  std::vector<std::string> names;
  for (DWORD at = 0; at < length && buffer[at];) {
    names.emplace_back(&buffer[at]);
    at += DWORD(names.back().size()) + 1;
  }
  return names;
}

// The "key=value" lines of one section, in file order.
inline std::vector<std::string> SectionLines(const std::string& path, const char* section) {
  std::vector<char> buffer(65536);
  DWORD length =
      GetPrivateProfileSectionA(section, buffer.data(), DWORD(buffer.size()), path.c_str());
  std::vector<std::string> lines;
  for (DWORD at = 0; at < length && buffer[at];) {
    lines.emplace_back(&buffer[at]);
    at += DWORD(lines.back().size()) + 1;
  }
  return lines;
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
    for (const char* level : {"C:\\QXIBAR", "C:\\QXIBAR\\WINFILE", "C:\\QXIBAR\\WINFILE\\NT"})
      CreateDirectoryA(level, nullptr);
    CreateDirectoryA(UserDirectory().c_str(), nullptr);
    RemoveFile(SettingsPath());
    RemoveFile(BackupPath());
  }
  void TearDown() override {
    BarWindowTest::TearDown();
    SetCurrentDirectoryA(savedDirectory_);
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
