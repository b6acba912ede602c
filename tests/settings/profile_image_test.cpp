// The settings file read once and written once, against the private-profile
// functions themselves: a corpus of odd files read both ways key by key, and
// files written both ways compared key by key.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "settings/profile_image.h"
#include "settings/settings_test_support.h"

namespace {

// Files that have tripped INI readers: duplicates, blanks, quotes, cut texts,
// headers gone wrong, no line end, byte-order marks, NULs and ^Z.
const std::vector<std::string> kHandWritten = {
    "",
    "\xEF\xBB\xBF",
    "[Icon Bar]",
    "[Icon Bar]\r\nNumber of Icons=3",
    "Number of Icons=5\r\n[Icon Bar]\r\nPopup Delay=1\r\n",
    "[Icon Bar]\r\nNumber of Icons=2\r\nNumber of Icons=1\r\nPopup Delay=700\r\n"
    "[Icon0]\r\nProgram Name or Menu Item=FIRST.EXE\r\nProgram Name or Menu Item=SECOND.EXE\r\n"
    "[Icon0]\r\nProgram Name or Menu Item=THIRD.EXE\r\n[Icon1]\r\nProgram Name or Menu Item=B\r\n"
    "[Icon Bar]\r\nPopup Delay=800\r\nBar On=0\r\n",
    "[ Icon Bar ]\r\nPopup Delay=5\r\n[icon bar]\r\npopup delay = 6 \r\n",
    "[Icon Bar] trailing text\nPopup Delay\t=\t\"7\"\t\n[Icon0\nType=1\n",
    "[Icon Bar]]\r\nKey=a\r\n[[Icon0]\r\nKey=b\r\n[]\r\nKey=c\r\n",
    "[Icon Bar]\r\nDescription='x'\r\nKey=\"\"\r\nType=\"\r\nIcon Index='1\"\r\n",
    "[Icon Bar]\r\n;Popup Delay=9\r\nPopup Delay\r\nNumber of Icons=\r\nKey==x=\r\n",
    "[Icon Bar]\r\nPopup Delay=12\x1a\r\nKey=\x1a\x1a\r\n\x1a[Icon0]\x1a\r\nType=4",
    std::string("[Icon Bar]\r\nKey=a\0b\r\nPopup\0Delay=3\r\n", 38),
    "[Icon Bar]\r\nKey=\xA0padded\xA0\r\nDescription=\xE9t\xE9 \xFF\x80\r\n",
    "\r\r\n\n[Icon Bar]\r\r\r\nType=-0x1F\r\rIcon Index=0b101\n\nNumber of Icons=0o17\r",
    "[Icon Bar]\r\nType= +12abc\r\nIcon Index=4294967297\r\nPopup Delay=-2147483649\r\n",
};

const char* const kSectionPool[] = {"Icon Bar", "icon bar", "ICON BAR", " Icon Bar", "Icon0",
                                    "icon0",    "Icon1",    "Icon 1",   "Other",     ""};
const char* const kKeyPool[] = {"Number of Icons",
                                "number OF icons",
                                "Popup Delay",
                                "Font Facename",
                                "Description",
                                "Type",
                                "Icon Index",
                                ";Popup Delay",
                                "Key",
                                "Program Name or Menu Item"};
const char* const kValuePieces[] = {
    "12",    "-7",         "+3", "0x1F", "0X1f",  "0b101", "0o17",  " 42 ",
    "12abc", "4294967297", "\"", "'",    "\"q\"", "a=b",   "[x]",   "\xE9\xA0\xFF",
    "\xA0",  "\x1A",       "\t", "\v",   " ",     ";",     "Arial", "C:\\A B\\C.EXE"};

std::string Pick(std::mt19937& rng, const char* const* pool, size_t size) {
  return pool[std::uniform_int_distribution<size_t>(0, size - 1)(rng)];
}

// One file of random lines in the shapes above, in one of four encodings.
std::string GeneratedFile(std::mt19937& rng) {
  auto chance = [&rng](int percent) { return int(rng() % 100) < percent; };
  const char* const ends[] = {"\r\n", "\n", "\r", "\r\r\n"};
  std::string text;
  for (int line = 0, lines = int(rng() % 24); line < lines; ++line) {
    if (line > 0) text += ends[rng() % 4];
    std::string blank = chance(20) ? " \t" : "";
    if (chance(20)) {
      text += blank + "[" + Pick(rng, kSectionPool, 10) + "]" + (chance(10) ? " x" : "");
      continue;
    }
    text += blank + Pick(rng, kKeyPool, 10) + blank;
    if (chance(10)) continue;  // a key without '='
    text += "=" + blank;
    for (int piece = 0, pieces = int(rng() % 4); piece < pieces; ++piece)
      text += Pick(rng, kValuePieces, sizeof kValuePieces / sizeof *kValuePieces);
    if (chance(8)) {
      const std::string quote = chance(50) ? "\"" : "";
      text += quote + std::string(255 + rng() % 8, 'v') + quote;
    }
    text += blank;
  }
  if (chance(50)) text += "\r\n";
  const int encoding = int(rng() % 100);
  if (encoding < 80) return text;
  std::wstring wide(text.size(), L'\0');
  wide.resize(size_t(
      MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), &wide[0], int(wide.size()))));
  if (encoding < 88) {
    std::string utf8(wide.size() * 3, '\0');
    utf8.resize(size_t(WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), &utf8[0],
                                           int(utf8.size()), nullptr, nullptr)));
    return "\xEF\xBB\xBF" + utf8;
  }
  const bool big = encoding >= 94;
  std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
  for (wchar_t c : wide) {
    bytes += char(big ? c >> 8 : c & 0xFF);
    bytes += char(big ? c & 0xFF : c >> 8);
  }
  return bytes;
}

TEST(ProfileImageTest, EveryFileReadsAsTheProfileFunctionsReadIt) {
  const std::string path = UserDirectory() + "\\corpus test.ini";
  CreateDirectoryA(UserDirectory().c_str(), nullptr);
  std::vector<std::string> corpus = kHandWritten;
  std::mt19937 rng(13);
  while (corpus.size() < 240) corpus.push_back(GeneratedFile(rng));
  const char* const sections[] = {"Icon Bar", "Icon0", "Icon1", "Other", "Missing", ""};
  const char* const keys[] = {
      "Number of Icons", "Popup Delay", "Font Facename", "Description", "Type",
      "Icon Index",      "Key",         "Absent"};
  ProfileImage image;
  for (size_t n = 0; n <= corpus.size(); ++n) {
    SCOPED_TRACE("file " + std::to_string(n));
    RemoveFile(path);
    if (n < corpus.size()) WriteFileBytes(path, corpus[n]);  // the last: no file at all
    image.Load(path.c_str());
    for (const char* section : sections)
      for (const char* key : keys)
        for (DWORD size : {260u, 6u}) {
          char expected[260], got[260];
          const DWORD expectedLength =
              GetPrivateProfileStringA(section, key, "fall back  ", expected, size, path.c_str());
          const DWORD gotLength = image.GetString(section, key, "fall back  ", got, size);
          ASSERT_EQ(std::string(got) + "|" + std::to_string(gotLength),
                    std::string(expected) + "|" + std::to_string(expectedLength))
              << "[" << section << "] " << key << " in " << size;
          ASSERT_EQ(image.GetInt(section, key, -5),
                    GetPrivateProfileIntA(section, key, -5, path.c_str()))
              << "[" << section << "] " << key;
        }
  }
  RemoveFile(path);
}

TEST(ProfileImageTest, TheTextBuiltIsTheFileThatKeyByKeyWritesLeave) {
  const std::string path = UserDirectory() + "\\written test.ini";
  std::mt19937 rng(31);
  for (int n = 0; n < 60; ++n) {
    SCOPED_TRACE("file " + std::to_string(n));
    RemoveFile(path);
    ProfileText text;
    for (int section = 0, sections = 1 + int(rng() % 5); section < sections; ++section) {
      const std::string name = "Icon" + std::to_string(section);
      text.Section(name.c_str());
      for (int key = 0, keys = 1 + int(rng() % 6); key < keys; ++key) {
        std::string value;
        for (int piece = 0, pieces = int(rng() % 5); piece < pieces; ++piece)
          value += Pick(rng, kValuePieces, sizeof kValuePieces / sizeof *kValuePieces);
        // Six names that differ also without regard to case.
        const char* keyName = kKeyPool[2 + key];
        text.Key(keyName, value.c_str());
        ASSERT_TRUE(WritePrivateProfileStringA(name.c_str(), keyName, value.c_str(), path.c_str()));
      }
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
    const std::string built = path + ".built";
    WriteFileBytes(built, text.Bytes());
    ASSERT_EQ(SectionNames(built), SectionNames(path));
    for (const std::string& section : SectionNames(path))
      ASSERT_EQ(SectionLines(built, section.c_str()), SectionLines(path, section.c_str()));
    RemoveFile(built);
  }
  RemoveFile(path);
}

}  // namespace
