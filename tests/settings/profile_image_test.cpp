// The settings file read once, against the private-profile functions
// themselves: a corpus of odd files read both ways key by key.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/profile_image.h"
#include "settings/settings_test_support.h"

namespace {

// Files that have tripped INI readers: duplicates, blanks, quotes, cut texts,
// headers gone wrong, no line end, byte-order marks, NULs and ^Z, UTF-16.
const std::vector<std::string> kHandWritten = {
    "",
    "[Icon Bar]\r\nNumber of Icons=3",
    "Number of Icons=5\r\n[Icon Bar]\r\nPopup Delay=1\r\n[Icon0]\r\nType=1\r\nType=2\r\n[icon0]\r\n"
    "Type=3\r\nDescription=x\r\n[ Icon Bar ]\r\nPopup Delay=5\r\n[icon bar]\r\npopup delay = 6 "
    "\r\n",
    "[Icon Bar] trailing text\nPopup "
    "Delay\t=\t\"7\"\t\n[Icon0\nType=1\n[]\r\nKey=c\r\n[[Icon1]\r\n",
    "[Icon Bar]\r\nDescription='x'\r\nKey=\"\"\r\nType=\"\r\nIcon Index='1\"\r\n;Popup Delay=9\r\n"
    "Popup Delay\r\nNumber of Icons=\r\nKey==x=\r\n",
    "[Icon Bar]\r\nPopup Delay=12\x1a\r\nKey=\x1a\x1a\r\n\x1a[Icon0]\x1a\r\nType=4",
    std::string("[Icon Bar]\r\nKey=a\0b\r\nPopup\0Delay=3\r\n", 36),
    "\r\r\n\n[Icon Bar]\r\r\r\nType=-0x1F\r\rIcon Index=0b101\n\nNumber of Icons=0o17\r"
    "Key=\xA0padded\xA0\r\nDescription=\xE9t\xE9 \xFF\x80\r\nFont Facename= +12abc\r\n",
    "\xEF\xBB\xBF[Icon Bar]\r\nDescription=\xC3\xA9t\xC3\xA9\r\nPopup Delay=4\r\n",
    std::string("\xFF\xFE[\0I\0c\0o\0n\0 \0B\0a\0r\0]\0\r\0\n\0P\0o\0p\0u\0p\0 \0D\0e\0l\0a\0y\0=\0"
                "8\0\r\0\n\0D\0e\0s\0c\0r\0i\0p\0t\0i\0o\0n\0=\0\xE9\0t\0\xE9\0\r\0\n\0",
                90),
};

TEST(ProfileImageTest, EveryFileReadsAsTheProfileFunctionsReadIt) {
  const std::string path = UserDirectory() + "\\corpus test.ini";
  CreateDirectoryA(UserDirectory().c_str(), nullptr);
  const std::vector<std::string>& corpus = kHandWritten;
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

}  // namespace
