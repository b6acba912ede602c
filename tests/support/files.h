// Files as every test sees them: the user's settings file and its backup,
// whole files read and written byte by byte, and private-profile reads of them.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// The folder of the test programs, the DLL and the files built for the tests.
inline std::string ProgramDirectory() {
  char path[32768] = "";  // however deep the build folder is
  GetModuleFileNameA(nullptr, path, sizeof path);
  const std::string program = path;
  return program.substr(0, program.rfind('\\'));
}

// Where the extension keeps the user's settings, worked out as it does.
inline std::string SettingsPath() {
  char user[257] = "", windows[MAX_PATH] = "";
  DWORD size = sizeof user;
  GetUserNameA(user, &size);
  GetWindowsDirectoryA(windows, MAX_PATH);
  return std::string(windows, 3) + "QXIBAR\\WINFILE\\NT\\" + user + "\\QXICOBAR.INI";
}
// The save's other files: "BAK", "NEW".
inline std::string SettingsSibling(const char* ending) {
  const std::string path = SettingsPath();
  return path.substr(0, path.size() - 3) + ending;
}
inline std::string BackupPath() { return SettingsSibling("BAK"); }
inline std::string UserDirectory() { return SettingsPath().substr(0, SettingsPath().rfind('\\')); }

// The file's bytes, "<missing>" when it cannot be read.
inline std::string FileBytes(const std::string& path) {
  std::string bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return "<missing>";
  char chunk[4096];
  for (size_t got; (got = fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, got);
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

// A key's value, "(none)" when absent; read afresh, not from a cached copy.
inline std::string ProfileValue(const std::string& path, const std::string& section,
                                const std::string& key) {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
  char value[8192];
  GetPrivateProfileStringA(section.c_str(), key.c_str(), "(none)", value, sizeof value,
                           path.c_str());
  return value;
}
inline std::string SettingsValue(const std::string& section, const std::string& key) {
  return ProfileValue(SettingsPath(), section, key);
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

// A file, or an empty folder, gone; read-only or not.
inline void RemoveFile(const std::string& path) {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!DeleteFileA(path.c_str())) RemoveDirectoryA(path.c_str());
}
inline void RemoveSettings() {
  for (const char* ending : {"INI", "BAK", "NEW"}) RemoveFile(SettingsSibling(ending));
}
// The user's settings folder and those above it there, as the installer
// leaves them; no settings file in it.
inline void PrepareSettingsFolder() {
  const std::string folder = UserDirectory();
  for (size_t at = folder.find('\\', 3); at != std::string::npos; at = folder.find('\\', at + 1))
    CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  RemoveSettings();
}

// A settings file of its own: "Icon Bar" with `bar` and "Number of Icons"
// (unless given), a section Icon<n> a button.
using Keys = std::vector<std::pair<std::string, std::string>>;
inline void WriteSettings(const Keys& bar, const std::vector<Keys>& buttons) {
  const std::string ini = SettingsPath();
  CreateDirectoryA(UserDirectory().c_str(), nullptr);
  RemoveSettings();
  std::vector<std::pair<std::string, Keys>> sections = {{"Icon Bar", bar}};
  if (std::none_of(bar.begin(), bar.end(),
                   [](auto& key) { return key.first == "Number of Icons"; }))
    sections[0].second.push_back({"Number of Icons", std::to_string(buttons.size())});
  for (size_t n = 0; n < buttons.size(); ++n)
    sections.push_back({"Icon" + std::to_string(n), buttons[n]});
  for (const auto& [section, keys] : sections)
    for (const auto& [key, value] : keys)
      ASSERT_TRUE(
          WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), ini.c_str()))
          << section << " " << key;
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
}
// A menu button for File Manager's menu item `item`, with further keys.
inline Keys MenuButton(const std::string& item, Keys more = {}) {
  more.insert(more.begin(), {{"Program Name or Menu Item", item}, {"Type", "0"}});
  return more;
}
