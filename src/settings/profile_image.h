// A settings file read with one open and one read, then answered from memory
// with the values the private-profile functions give for the same file; and
// the text of a new file, built in memory the way those functions write it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class ProfileImage {
 public:
  // Reads the whole file. A file that is missing, cannot be read or is larger
  // than `largest` bytes gives an image without sections, where every key
  // answers its default.
  void Load(const char* path, uint64_t largest = uint64_t(1) << 30);
  void Clear();
  // An image of `path` without sections, the file left unread.
  void Reset(const char* path) {
    Clear();
    path_ = path;
  }
  const std::string& path() const { return path_; }

  // As GetPrivateProfileStringA(section, key, fallback, buffer, size, file).
  DWORD GetString(const char* section, const char* key, const char* fallback, char* buffer,
                  DWORD size) const;
  // As GetPrivateProfileIntA(section, key, fallback, file).
  UINT GetInt(const char* section, const char* key, INT fallback) const;

 private:
  struct Entry {
    std::wstring name;
    std::wstring value;
    bool hasValue;  // a line without '=' names a key that has no value
  };
  struct Section {
    std::wstring name;
    std::vector<Entry> entries;
  };
  // The value of a key as the profile functions copy it out, cut to `size`.
  std::wstring Lookup(const char* section, const char* key, const char* fallback, DWORD size) const;

  std::string path_;
  std::vector<Section> sections_;
  // Lower-case section name: the first section of that name.
  std::unordered_map<std::wstring, size_t> firstSection_;
};

// Collects sections and keys in the order they are written and gives the file
// text that WritePrivateProfileString would have left for them in a new file.
class ProfileText {
 public:
  void Section(const char* name);
  void Key(const char* name, const char* value);
  // The file's bytes in the system's code page.
  const std::string& Bytes() const { return text_; }

 private:
  std::string text_;
};
