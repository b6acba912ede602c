// The settings file: its path, the reading of every key with its defaults and
// rules, the save with its backup, and files that are odd or broken.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "settings/settings_test_support.h"
#include "support/msgbox_catcher.h"

namespace {

constexpr const char* kBar = "Icon Bar";

std::string UserName() {
  char name[256] = "";
  DWORD size = sizeof name;
  GetUserNameA(name, &size);
  return name;
}

std::string RecordText(HLOCAL block) { return BlockText(block); }

// A button as the tests compare it: every field that the file carries.
struct ButtonImage {
  uint32_t flags;
  int32_t menuCommand, left, top, right, bottom;
  uint32_t red, green, blue;
  int32_t displayMode, iconIndex;
  std::string program, icon, description;
  bool sharedIcon;
  bool operator==(const ButtonImage& o) const {
    return flags == o.flags && menuCommand == o.menuCommand && left == o.left && top == o.top &&
           right == o.right && bottom == o.bottom && red == o.red && green == o.green &&
           blue == o.blue && displayMode == o.displayMode && iconIndex == o.iconIndex &&
           program == o.program && icon == o.icon && description == o.description &&
           sharedIcon == o.sharedIcon;
  }
};

std::vector<ButtonImage> Buttons() {
  std::vector<ButtonImage> images;
  for (HLOCAL handle : ListHandles()) {
    ButtonRecord r = PeekRecord(handle);
    images.push_back({r.flags, r.menuCommand, r.left, r.top, r.right, r.bottom, r.backRed,
                      r.backGreen, r.backBlue, r.displayMode, r.iconIndex,
                      RecordText(r.programName.handle), RecordText(r.iconName.handle),
                      RecordText(r.description.handle),
                      r.iconName.handle && r.iconName.handle == r.programName.handle});
  }
  return images;
}

std::vector<std::string> ProgramNames() {
  std::vector<std::string> names;
  for (const ButtonImage& image : Buttons()) names.push_back(image.program);
  return names;
}

void ExpectEveryBlockAtRest() {
  for (HLOCAL handle : ListHandles()) {
    EXPECT_EQ(LockCount(handle), 0u);
    ButtonRecord r = PeekRecord(handle);
    for (HLOCAL text : {r.programName.handle, r.iconName.handle, r.description.handle}) {
      if (text) {
        EXPECT_EQ(LockCount(text), 0u) << RecordText(text);
      }
    }
  }
}

void ExpectDefaults() {
  const IconBarSettings& s = barSettings;
  EXPECT_EQ(extState.barOn, 1);
  EXPECT_EQ(s.barColorRed, 255u);
  EXPECT_EQ(s.barColorGreen, 128u);
  EXPECT_EQ(s.barColorBlue, 128u);
  EXPECT_EQ(s.barLength, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(s.barFramed, 1);
  EXPECT_EQ(s.iconsFramed, 1);
  EXPECT_EQ(s.popupsOff, 0);
  EXPECT_EQ(s.iconVerticalPosition, 1);
  int icon = GetSystemMetrics(SM_CYICON);
  int defaultHeight =
      2 * (3 * GetSystemMetrics(SM_CYBORDER) + GetSystemMetrics(SM_CYFRAME)) + icon / 4 + icon;
  EXPECT_EQ(s.defaultBarHeight, defaultHeight);
  EXPECT_EQ(s.barHeight, defaultHeight);
  EXPECT_EQ(s.iconsSquishedLeft, 0);
  EXPECT_EQ(s.buttonCount, 0);
  EXPECT_EQ(extState.deleteWarning, 1);
  EXPECT_EQ(s.popupsAbove, 0);
  EXPECT_EQ(s.popupBackgroundRed, 255u);
  EXPECT_EQ(s.popupBackgroundGreen, 255u);
  EXPECT_EQ(s.popupBackgroundBlue, 255u);
  EXPECT_EQ(s.popupTextRed, 0u);
  EXPECT_EQ(s.popupTextGreen, 0u);
  EXPECT_EQ(s.popupTextBlue, 0u);
  EXPECT_EQ(s.popupDelay, 500);
  const LOGFONTA& f = s.popupFont;
  EXPECT_EQ(f.lfHeight, 15);
  EXPECT_EQ(f.lfWidth, 0);
  EXPECT_EQ(f.lfEscapement, 0);
  EXPECT_EQ(f.lfOrientation, 0);
  EXPECT_EQ(f.lfWeight, 400);
  EXPECT_EQ(f.lfItalic, 0);
  EXPECT_EQ(f.lfUnderline, 0);
  EXPECT_EQ(f.lfStrikeOut, 0);
  EXPECT_EQ(f.lfCharSet, 0);
  EXPECT_EQ(f.lfOutPrecision, 0);
  EXPECT_EQ(f.lfClipPrecision, 0);
  EXPECT_EQ(f.lfQuality, 2);
  EXPECT_EQ(f.lfPitchAndFamily, 1);
  EXPECT_STREQ(f.lfFaceName, "MS Sans Serif");
  EXPECT_EQ(GetFirstButton(), nullptr);
}

// ---- the path ----

TEST_F(SettingsFileTest, ThePathIsTheWindowsDriveTheFixedLevelsAndTheUser) {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, sizeof windows);
  std::string expected =
      std::string(windows, 3) + "QXIBAR\\WINFILE\\NT\\" + UserName() + "\\QXICOBAR.INI";
  MessageBoxCatcher catcher;
  EXPECT_EQ(SettingsPath(), expected);
  EXPECT_TRUE(catcher.boxes().empty());
  EXPECT_EQ(BackupPath(), expected.substr(0, expected.size() - 3) + "BAK");
}

// GetUserName standing in for a user whose name is longer than 40 characters.
std::string longUserName;
BOOL WINAPI LongUserName(LPSTR buffer, LPDWORD size) {
  if (*size < longUserName.size() + 1) {
    *size = DWORD(longUserName.size() + 1);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  lstrcpyA(buffer, longUserName.c_str());
  *size = DWORD(longUserName.size() + 1);
  return TRUE;
}
class UserNameOverride {
 public:
  explicit UserNameOverride(const std::string& name) {
    longUserName = name;
    slot_ = PatchImport(GetModuleHandleA(nullptr), "advapi32.dll", "GetUserNameA",
                        reinterpret_cast<void*>(&LongUserName), &real_);
  }
  ~UserNameOverride() {
    if (slot_)
      PatchImport(GetModuleHandleA(nullptr), "advapi32.dll", "GetUserNameA", real_, nullptr);
  }
  bool watching() const { return slot_ != nullptr; }

 private:
  void** slot_ = nullptr;
  void* real_ = nullptr;
};

TEST_F(SettingsFileTest, AUserNameOfFortyCharactersFitsOneMoreLeavesTheLevelEmpty) {
  {
    UserNameOverride forty(std::string(40, 'u'));
    ASSERT_TRUE(forty.watching());
    MessageBoxCatcher catcher;
    EXPECT_NE(SettingsPath().find("\\NT\\" + std::string(40, 'u') + "\\QXICOBAR.INI"),
              std::string::npos);
    EXPECT_TRUE(catcher.boxes().empty());
  }
  UserNameOverride longName(std::string(41, 'v'));
  MessageBoxCatcher catcher;
  char path[kTextBufferSize] = "";
  LocateSettingsFile(path, sizeof path);
  EXPECT_STREQ(path + 3, "QXIBAR\\WINFILE\\NT\\\\QXICOBAR.INI");
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text, "QXGETINI :3 - GetUserName failed.");
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");

  // The reading and the save then use the file right under NT.
  catcher.clear();
  ASSERT_EQ(ReadBarSettings(), 1);
  ASSERT_EQ(catcher.boxes().size(), 1u) << "only the user name; NT itself exists";
  EXPECT_EQ(catcher.boxes()[0].text, "QXGETINI :3 - GetUserName failed.");
  ExpectDefaults();
  catcher.clear();
  SaveSettings();
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text, "QXGETINI :3 - GetUserName failed.");
  const std::string underNt = "C:\\QXIBAR\\WINFILE\\NT\\QXICOBAR.INI";
  EXPECT_EQ(ProfileValue(underNt, kBar, "Number of Icons"), "0");
  RemoveFile(underNt);
  RemoveFile("C:\\QXIBAR\\WINFILE\\NT\\QXICOBAR.BAK");
}

// ---- reading ----

TEST_F(SettingsFileTest, NoFileGivesEveryDefaultAndCreatesTheUsersDirectory) {
  RemoveDirectoryA(UserDirectory().c_str());
  ASSERT_FALSE(FileExists(UserDirectory()));
  MessageBoxCatcher catcher;
  Load();
  EXPECT_TRUE(catcher.boxes().empty());
  ExpectDefaults();
  EXPECT_EQ(std::string(barSettings.iniPath), SettingsPath());
  EXPECT_TRUE(GetFileAttributesA(UserDirectory().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(FileExists(SettingsPath())) << "reading creates no file";
  EXPECT_EQ(listReady, 1);

  // An existing directory is not reported.
  Load();
  EXPECT_TRUE(catcher.boxes().empty());
}

TEST_F(SettingsFileTest, AMissingSettingsDirectoryIsReportedWithItsErrorNumber) {
  RemoveDirectoryA(UserDirectory().c_str());
  RemoveDirectoryA("C:\\QXIBAR\\WINFILE\\NT");
  MessageBoxCatcher catcher;
  ASSERT_EQ(ReadBarSettings(), 1);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text, "QXINIT :2 - Create Directory for USERID failed.");
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
  ExpectDefaults();
  EXPECT_EQ(ReadButtonSections(), 1);

  // The next save fails at its first write and leaves nothing behind.
  catcher.clear();
  SaveSettings();
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text, "QXSAVE :7 - Error trying to WRITE file QXICOBAR.NEW failed.");
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
  EXPECT_FALSE(FileExists(SettingsPath()));
}

TEST_F(SettingsFileTest, TheReadingCallsTheLoadRightAfterDeleteWarning) {
  WriteIni(SettingsPath(), {{kBar, "Number of Icons", "2"},
                            {kBar, "Delete Warning", "0"},
                            {kBar, "Popup Delay", "900"}});
  static int calls;
  static int deleteWarningSeen, popupDelaySeen, countSeen;
  calls = 0;
  afterDeleteWarningRead = [] {
    ++calls;
    deleteWarningSeen = extState.deleteWarning;
    popupDelaySeen = barSettings.popupDelay;
    countSeen = barSettings.buttonCount;
  };
  ASSERT_EQ(ReadBarSettings(), 1);
  afterDeleteWarningRead = nullptr;
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(deleteWarningSeen, 0);
  EXPECT_EQ(countSeen, 2);
  EXPECT_EQ(popupDelaySeen, 0) << "the popup keys come after";
  EXPECT_EQ(barSettings.popupDelay, 900);
}

// One key's value and what the reading must make of it.
struct KeyCase {
  const char* key;
  std::string value;
  std::function<void()> check;
};

void RunKeyCases(const std::vector<KeyCase>& cases, SettingsFileTest* test,
                 const std::function<void()>& load) {
  (void)test;
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " = \"" + c.value + "\"");
    RemoveFile(SettingsPath());
    WriteIni(SettingsPath(), {{kBar, c.key, c.value}});
    std::string before = FileBytes(SettingsPath());
    MessageBoxCatcher catcher;
    load();
    EXPECT_TRUE(catcher.boxes().empty());
    c.check();
    EXPECT_EQ(FileBytes(SettingsPath()), before) << "reading never changes the file";
  }
}

TEST_F(SettingsFileTest, EveryBarKeyFallsBackOrKeepsAsItsRuleSays) {
  const IconBarSettings& s = barSettings;
  const LOGFONTA& f = s.popupFont;
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const int minWidth = GetSystemMetrics(SM_CXMIN);
  const int most = screenWidth / (GetSystemMetrics(SM_CXICON) / 4);
  auto is = [](auto expected, auto* field) {
    return [expected, field] { EXPECT_EQ(*field, decltype(+*field)(expected)); };
  };
  std::vector<KeyCase> cases = {
      {"Bar On", "0", is(0, &extState.barOn)},
      {"Bar On", "5", is(5, &extState.barOn)},
      {"Bar On", "-1", is(-1, &extState.barOn)},
      {"Bar On", "abc", is(1, &extState.barOn)},
      {"Bar On", "", is(1, &extState.barOn)},
      {"Bar Background Color Red", "0", is(0, &s.barColorRed)},
      {"Bar Background Color Red", "255", is(255, &s.barColorRed)},
      {"Bar Background Color Red", "256", is(255, &s.barColorRed)},
      {"Bar Background Color Red", "-1", is(255, &s.barColorRed)},
      {"Bar Background Color Red", "0x1F", is(255, &s.barColorRed)},
      {"Bar Background Color Red", "12abc", is(255, &s.barColorRed)},
      {"Bar Background Color Red", "4294967296", is(255, &s.barColorRed)},
      {"Bar Background Color Red", " 7 ", is(7, &s.barColorRed)},
      {"Bar Background Color Red", "+9", is(9, &s.barColorRed)},
      {"Bar Background Color Green", "300", is(128, &s.barColorGreen)},
      {"Bar Background Color Green", "-2147483648", is(128, &s.barColorGreen)},
      {"Bar Background Color Blue", "-5", is(128, &s.barColorBlue)},
      {"Bar Background Color Blue", "9", is(9, &s.barColorBlue)},
      {"Bar Length", std::to_string(screenWidth + 1), is(screenWidth, &s.barLength)},
      {"Bar Length", std::to_string(screenWidth), is(screenWidth, &s.barLength)},
      {"Bar Length", std::to_string(minWidth - 1), is(screenWidth, &s.barLength)},
      {"Bar Length", std::to_string(minWidth), is(minWidth, &s.barLength)},
      {"Bar Length", "-5", is(screenWidth, &s.barLength)},
      {"Bar Length", "99999999999", is(screenWidth, &s.barLength)},
      {"Bar Length", "wide", is(screenWidth, &s.barLength)},
      {"Bar Framed", "1", is(1, &s.barFramed)},
      {"Bar Framed", "0", is(0, &s.barFramed)},
      {"Bar Framed", "2", is(0, &s.barFramed)},
      {"Bar Framed", "-1", is(0, &s.barFramed)},
      {"Bar Framed", "yes", is(1, &s.barFramed)},
      {"Icons Framed", "0", is(0, &s.iconsFramed)},
      {"Icons Framed", "3", is(0, &s.iconsFramed)},
      {"Tool Tips", "1", is(0, &s.popupsOff)},
      {"Tool Tips", "0", is(1, &s.popupsOff)},
      {"Tool Tips", "7", is(1, &s.popupsOff)},
      {"Vertical Icon Position", "2", is(2, &s.iconVerticalPosition)},
      {"Vertical Icon Position", "4", is(4, &s.iconVerticalPosition)},
      {"Vertical Icon Position", "3", is(1, &s.iconVerticalPosition)},
      {"Vertical Icon Position", "0", is(1, &s.iconVerticalPosition)},
      {"Bar Height", std::to_string(screenHeight + 1),
       [&s] { EXPECT_EQ(s.barHeight, s.defaultBarHeight); }},
      {"Bar Height", std::to_string(screenHeight), is(screenHeight, &s.barHeight)},
      {"Bar Height", "0", is(0, &s.barHeight)},
      {"Bar Height", "-5", is(-5, &s.barHeight)},
      {"Icons Spaced Horizontal Evenly", "1", is(0, &s.iconsSquishedLeft)},
      {"Icons Spaced Horizontal Evenly", "0", is(1, &s.iconsSquishedLeft)},
      {"Icons Spaced Horizontal Evenly", "9", is(1, &s.iconsSquishedLeft)},
      {"Number of Icons", "3", is(3, &s.buttonCount)},
      {"Number of Icons", std::to_string(most), is(most, &s.buttonCount)},
      {"Number of Icons", std::to_string(most + 1), is(most, &s.buttonCount)},
      {"Number of Icons", "99999", is(most, &s.buttonCount)},
      {"Number of Icons", "2147483647", is(most, &s.buttonCount)},
      {"Number of Icons", "2147483648", is(0, &s.buttonCount)},
      {"Number of Icons", "-4", is(-4, &s.buttonCount)},
      {"Number of Icons", "many", is(0, &s.buttonCount)},
      {"Delete Warning", "1", is(1, &extState.deleteWarning)},
      {"Delete Warning", "0", is(0, &extState.deleteWarning)},
      {"Delete Warning", "2", is(0, &extState.deleteWarning)},
      {"Position Popups Above", "1", is(1, &s.popupsAbove)},
      {"Position Popups Above", "2", is(0, &s.popupsAbove)},
      {"Popup Background Color Red", "256", is(255, &s.popupBackgroundRed)},
      {"Popup Background Color Green", "-1", is(255, &s.popupBackgroundGreen)},
      {"Popup Background Color Blue", "17", is(17, &s.popupBackgroundBlue)},
      {"Popup Text Color Red", "-1", is(0, &s.popupTextRed)},
      {"Popup Text Color Green", "1000", is(0, &s.popupTextGreen)},
      {"Popup Text Color Blue", "200", is(200, &s.popupTextBlue)},
      {"Popup Delay", "-5", is(500, &s.popupDelay)},
      {"Popup Delay", "0", is(0, &s.popupDelay)},
      {"Popup Delay", "2147483647", is(2147483647, &s.popupDelay)},
      {"Popup Delay", "soon", is(500, &s.popupDelay)},
      {"Font Height", "-16385", is(15, &f.lfHeight)},
      {"Font Height", "-16384", is(-16384, &f.lfHeight)},
      {"Font Height", "-11", is(-11, &f.lfHeight)},
      {"Font Height", "16384", is(16384, &f.lfHeight)},
      {"Font Height", "16385", is(15, &f.lfHeight)},
      {"Font Height", "-2147483648", is(15, &f.lfHeight)},
      {"Font Width", "-1", is(0, &f.lfWidth)},
      {"Font Width", "12", is(12, &f.lfWidth)},
      {"Font Escapement", "-1", is(0, &f.lfEscapement)},
      {"Font Orientation", "-3", is(0, &f.lfOrientation)},
      {"Font Orientation", "900", is(900, &f.lfOrientation)},
      {"Font Weight", "-1", is(400, &f.lfWeight)},
      {"Font Weight", "700", is(700, &f.lfWeight)},
      {"Font Italic", "257", is(1, &f.lfItalic)},
      {"Font Italic", "-1", is(255, &f.lfItalic)},
      {"Font Underline", "1", is(1, &f.lfUnderline)},
      {"Font Strikeout", "511", is(255, &f.lfStrikeOut)},
      {"Font Charset", "238", is(238, &f.lfCharSet)},
      {"Font Outprecision", "3", is(3, &f.lfOutPrecision)},
      {"Font Clipprecision", "2", is(2, &f.lfClipPrecision)},
      {"Font Quality", "258", is(2, &f.lfQuality)},
      {"Font Quality", "x", is(2, &f.lfQuality)},
      {"Font Pitchandfamily", "256", is(0, &f.lfPitchAndFamily)},
      {"Font Pitchandfamily", "34", is(34, &f.lfPitchAndFamily)},
  };
  RunKeyCases(cases, this, [] { ASSERT_EQ(ReadBarSettings(), 1); });
}

TEST_F(SettingsFileTest, FaceNamesOfThirtyOneCharactersStayLongerOnesFallBack) {
  const LOGFONTA& f = barSettings.popupFont;
  const std::string name31 = "Abcdefghijklmnopqrstuvwxyz Face";
  ASSERT_EQ(name31.size(), 31u);
  std::vector<KeyCase> cases = {
      {"Font Facename", name31, [&] { EXPECT_EQ(std::string(f.lfFaceName), name31); }},
      {"Font Facename", name31 + "X", [&] { EXPECT_STREQ(f.lfFaceName, "MS Sans Serif"); }},
      {"Font Facename", std::string(5000, 'F'),
       [&] { EXPECT_STREQ(f.lfFaceName, "MS Sans Serif"); }},
      {"Font Facename", "ms sans serif", [&] { EXPECT_STREQ(f.lfFaceName, "ms sans serif"); }},
      {"Font Facename", "Courier New", [&] { EXPECT_STREQ(f.lfFaceName, "Courier New"); }},
      {"Font Facename", "", [&] { EXPECT_STREQ(f.lfFaceName, ""); }},
  };
  RunKeyCases(cases, this, [] { ASSERT_EQ(ReadBarSettings(), 1); });

  // A name in other case is written back as read.
  RemoveFile(SettingsPath());
  WriteIni(SettingsPath(), {{kBar, "Font Facename", "ms sans serif"}});
  Load();
  SaveSettings();
  EXPECT_EQ(ProfileValue(SettingsPath(), kBar, "Font Facename"), "ms sans serif");
}

// ---- the button sections ----

TEST_F(SettingsFileTest, ButtonSectionsBecomeRecordsInFileOrder) {
  WriteIni(SettingsPath(), {{kBar, "Number of Icons", "4"},
                            {"Icon0", "Program Name or Menu Item", "C:\\TOOLS\\EDIT.EXE"},
                            {"Icon1", "Program Name or Menu Item", "Delete"},
                            {"Icon1", "Type", "0"},
                            {"Icon2", "Program Name or Menu Item", "C:\\JOBS\\RUN.BAT"},
                            {"Icon2", "Icon Name", "MORICONS.DLL"},
                            {"Icon2", "Icon Index", "4"},
                            {"Icon3", "Program Name or Menu Item", "Create Directory"},
                            {"Icon3", "Type", "0"},
                            {"Icon3", "Description", "New folder"}});
  Load();
  std::vector<ButtonImage> b = Buttons();
  ASSERT_EQ(b.size(), 4u);
  EXPECT_EQ(b[0].flags, uint32_t(BF_PROGRAM | BF_FRAMED | BF_ICON_FROM_PROGRAM | BF_PASS_FILES |
                                 BF_MULTIPLE_FILES));
  EXPECT_TRUE(b[0].sharedIcon);
  EXPECT_EQ(b[0].displayMode, 1);
  EXPECT_EQ(b[0].red, 255u);
  EXPECT_EQ(b[1].flags, uint32_t(BF_FRAMED | BF_ICON_RESOURCE | BF_PASS_FILES | BF_MULTIPLE_FILES));
  EXPECT_EQ(b[1].icon, "DEL?ETE");
  EXPECT_EQ(b[1].menuCommand, -1);
  EXPECT_EQ(b[2].flags,
            uint32_t(BF_PROGRAM | BF_FRAMED | BF_PASS_FILES | BF_MULTIPLE_FILES | BF_BATCH));
  EXPECT_EQ(b[2].icon, "MORICONS.DLL");
  EXPECT_EQ(b[2].iconIndex, 4);
  EXPECT_EQ(b[3].icon, "CREATEDI");
  EXPECT_EQ(b[3].description, "New folder");
  EXPECT_EQ(b[0].description, "<none>");
  EXPECT_EQ(b[0].left, firstIconLeft);
  EXPECT_EQ(b[1].left, b[0].right + iconSpacing);
  EXPECT_EQ(lastButton, ListHandles().back());
  EXPECT_EQ(listReady, 1);
  ExpectEveryBlockAtRest();
}

TEST_F(SettingsFileTest, ButtonKeysFallBackOrKeepAsTheirRulesSay) {
  WriteIni(SettingsPath(), {{kBar, "Number of Icons", "3"},
                            {"Icon0", "Program Name or Menu Item", "A.EXE"},
                            {"Icon0", "Icon Index", "-3"},
                            {"Icon0", "Pass Selected Files", "2"},
                            {"Icon0", "Requires File", "1"},
                            {"Icon0", "Allow Multiple Files", "0"},
                            {"Icon0", "Icon Frame", "5"},
                            {"Icon0", "Wait For Completion", "1"},
                            {"Icon0", "Display Mode", "2"},
                            {"Icon0", "Icon Background Color Red", "256"},
                            {"Icon0", "Icon Background Color Green", "-1"},
                            {"Icon0", "Icon Background Color Blue", "12"},
                            {"Icon1", "Program Name or Menu Item", "B.EXE"},
                            {"Icon1", "Display Mode", "3"},
                            {"Icon1", "Icon Index", "0x10"},
                            {"Icon1", "Requires File", "yes"},
                            {"Icon2", "Program Name or Menu Item", "C.EXE"},
                            {"Icon2", "Display Mode", "7"},
                            {"Icon2", "Type", "1"},
                            {"Icon2", "Wait For Completion", "2"}});
  std::string before = FileBytes(SettingsPath());
  Load();
  std::vector<ButtonImage> b = Buttons();
  ASSERT_EQ(b.size(), 3u);
  EXPECT_EQ(b[0].iconIndex, 0);
  EXPECT_EQ(b[0].flags, uint32_t(BF_PROGRAM | BF_ICON_FROM_PROGRAM | BF_REQUIRES_FILE | BF_WAIT));
  EXPECT_EQ(b[0].displayMode, 1);
  EXPECT_EQ(b[0].red, 255u);
  EXPECT_EQ(b[0].green, 255u);
  EXPECT_EQ(b[0].blue, 12u);
  EXPECT_EQ(b[1].displayMode, 3);
  EXPECT_EQ(b[1].iconIndex, 0);
  EXPECT_EQ(b[1].flags & BF_REQUIRES_FILE, 0u);
  EXPECT_EQ(b[2].displayMode, 7);
  EXPECT_EQ(b[2].flags & BF_WAIT, 0u);
  EXPECT_EQ(FileBytes(SettingsPath()), before);
}

TEST_F(SettingsFileTest, BatchFilesAreKnownByTheirLastFourCharacters) {
  WriteIni(SettingsPath(), {{kBar, "Number of Icons", "5"},
                            {"Icon0", "Program Name or Menu Item", "C:\\A.BAT"},
                            {"Icon1", "Program Name or Menu Item", "c:\\b.Bat"},
                            {"Icon2", "Program Name or Menu Item", "BAT"},
                            {"Icon3", "Program Name or Menu Item", "x.bat"},
                            {"Icon3", "Type", "0"},
                            {"Icon4", "Program Name or Menu Item", "C:\\A.BAT /x"}});
  Load();
  std::vector<ButtonImage> b = Buttons();
  ASSERT_EQ(b.size(), 5u);
  EXPECT_TRUE(b[0].flags & BF_BATCH);
  EXPECT_TRUE(b[1].flags & BF_BATCH);
  EXPECT_FALSE(b[2].flags & BF_BATCH);
  EXPECT_TRUE(b[3].flags & BF_BATCH) << "menu buttons are tested too";
  EXPECT_FALSE(b[4].flags & BF_BATCH);
}

TEST_F(SettingsFileTest, MoreIconsCountedThanSectionsStopsAtTheFirstMissingOne) {
  WriteIni(SettingsPath(), {{kBar, "Number of Icons", "7"},
                            {"Icon0", "Program Name or Menu Item", "A.EXE"},
                            {"Icon1", "Program Name or Menu Item", "B.EXE"},
                            {"Icon3", "Program Name or Menu Item", "D.EXE"}});
  Load();
  EXPECT_EQ(ProgramNames(), (std::vector<std::string>{"A.EXE", "B.EXE"}));
  EXPECT_EQ(barSettings.buttonCount, 7);

  // An absurd count is cut to what the bar could show, the reading the same.
  DropList();
  WritePrivateProfileStringA(kBar, "Number of Icons", "2000000000", SettingsPath().c_str());
  Load();
  EXPECT_EQ(ProgramNames(), (std::vector<std::string>{"A.EXE", "B.EXE"}));
  EXPECT_EQ(barSettings.buttonCount,
            GetSystemMetrics(SM_CXSCREEN) / (GetSystemMetrics(SM_CXICON) / 4));
}

TEST_F(SettingsFileTest, FewerIconsCountedThanSectionsReadsOnlyThoseCounted) {
  WriteIni(SettingsPath(), {{kBar, "Number of Icons", "1"},
                            {"Icon0", "Program Name or Menu Item", "A.EXE"},
                            {"Icon1", "Program Name or Menu Item", "B.EXE"}});
  Load();
  EXPECT_EQ(ProgramNames(), (std::vector<std::string>{"A.EXE"}));
  DropList();
  WritePrivateProfileStringA(kBar, "Number of Icons", "-3", SettingsPath().c_str());
  Load();
  EXPECT_TRUE(ProgramNames().empty());
  EXPECT_EQ(lastButton, nullptr);
  EXPECT_EQ(listReady, 1);
}

TEST_F(SettingsFileTest, ASectionOfAnotherTypeIsSkippedAndTheRestRead) {
  WriteIni(SettingsPath(), {{kBar, "Number of Icons", "4"},
                            {"Icon0", "Program Name or Menu Item", "A.EXE"},
                            {"Icon1", "Program Name or Menu Item", "B.EXE"},
                            {"Icon1", "Type", "2"},
                            {"Icon2", "Program Name or Menu Item", "Copy"},
                            {"Icon2", "Type", "0"},
                            {"Icon3", "Program Name or Menu Item", "D.EXE"},
                            {"Icon3", "Type", "-1"}});
  Load();
  EXPECT_EQ(ProgramNames(), (std::vector<std::string>{"A.EXE", "Copy"}));
  EXPECT_EQ(barSettings.buttonCount, 4);
  ExpectEveryBlockAtRest();

  // The save numbers the sections after the bar, and keeps the count.
  SaveSettings();
  EXPECT_EQ(SectionNames(SettingsPath()), (std::vector<std::string>{kBar, "Icon0", "Icon1"}));
  EXPECT_EQ(ProfileValue(SettingsPath(), "Icon1", "Program Name or Menu Item"), "Copy");
  EXPECT_EQ(ProfileValue(SettingsPath(), kBar, "Number of Icons"), "4");
}

TEST_F(SettingsFileTest, AnEmptyProgramNameEndsTheList) {
  WriteIni(SettingsPath(), {{kBar, "Number of Icons", "3"},
                            {"Icon0", "Program Name or Menu Item", "A.EXE"},
                            {"Icon1", "Program Name or Menu Item", ""},
                            {"Icon1", "Type", "1"},
                            {"Icon2", "Program Name or Menu Item", "C.EXE"}});
  Load();
  EXPECT_EQ(ProgramNames(), (std::vector<std::string>{"A.EXE"}));
  EXPECT_EQ(lastButton, ListHandles().back());
}

TEST_F(SettingsFileTest, TextsKeepAtMost259Characters) {
  for (size_t length : {259u, 260u, 5000u}) {
    SCOPED_TRACE(length);
    DropList();
    RemoveFile(SettingsPath());
    std::string program = "C:\\" + std::string(length - 3, 'p');
    std::string description(length, 'd');
    std::string icon(length, 'i');
    WriteIni(SettingsPath(), {{kBar, "Number of Icons", "1"},
                              {"Icon0", "Program Name or Menu Item", program},
                              {"Icon0", "Icon Name", icon},
                              {"Icon0", "Description", description}});
    std::string before = FileBytes(SettingsPath());
    Load();
    EXPECT_EQ(FileBytes(SettingsPath()), before);
    std::vector<ButtonImage> b = Buttons();
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].program, program.substr(0, 259));
    EXPECT_EQ(b[0].description, description.substr(0, 259));
    EXPECT_EQ(b[0].icon, icon.substr(0, 259));
    SaveSettings();
    EXPECT_EQ(ProfileValue(SettingsPath(), "Icon0", "Description"), description.substr(0, 259));
  }
}

TEST_F(SettingsFileTest, DuplicateKeysAndSectionsReadWithoutHarm) {
  WriteFileBytes(SettingsPath(),
                 "[Icon Bar]\r\nNumber of Icons=2\r\nNumber of Icons=1\r\nPopup Delay=700\r\n"
                 "[Icon0]\r\nProgram Name or Menu Item=FIRST.EXE\r\n"
                 "Program Name or Menu Item=SECOND.EXE\r\n"
                 "[Icon0]\r\nProgram Name or Menu Item=THIRD.EXE\r\n"
                 "[Icon1]\r\nProgram Name or Menu Item=B.EXE\r\n"
                 "[Icon Bar]\r\nPopup Delay=800\r\nBar On=0\r\n");
  std::string before = FileBytes(SettingsPath());
  MessageBoxCatcher catcher;
  Load();
  EXPECT_TRUE(catcher.boxes().empty());
  EXPECT_EQ(FileBytes(SettingsPath()), before);
  // The first of equal keys counts, as the profile functions read them.
  EXPECT_EQ(barSettings.buttonCount, 2);
  EXPECT_EQ(barSettings.popupDelay, 700);
  std::vector<std::string> names = ProgramNames();
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "FIRST.EXE");
  EXPECT_EQ(names[1], "B.EXE");

  SaveSettings();
  EXPECT_EQ(SectionNames(SettingsPath()), (std::vector<std::string>{kBar, "Icon0", "Icon1"}));
  EXPECT_EQ(SectionLines(SettingsPath(), "Icon0"),
            (std::vector<std::string>{"Program Name or Menu Item=FIRST.EXE"}));
}

TEST_F(SettingsFileTest, BytesAboveOneHundredTwentySevenSurviveTheRoundTrip) {
  const std::string program = "C:\\PROGRAMME\\\xc4NDERN\\\xe9t\xe9.EXE";
  const std::string description =
      "Caf\xe9 \xfc\xdf \xa9 \xff\xfe\x80 \xa0"
      "end";
  WriteIni(SettingsPath(), {{kBar, "Number of Icons", "1"},
                            {kBar, "Font Facename",
                             "Fran\xe7"
                             "ais"},
                            {"Icon0", "Program Name or Menu Item", program},
                            {"Icon0", "Description", description}});
  Load();
  std::vector<ButtonImage> b = Buttons();
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].program, program);
  EXPECT_EQ(b[0].description, description);
  EXPECT_STREQ(barSettings.popupFont.lfFaceName,
               "Fran\xe7"
               "ais");
  SaveSettings();
  DropList();
  Load();
  b = Buttons();
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].program, program);
  EXPECT_EQ(b[0].description, description);
}

TEST_F(SettingsFileTest, ASettingsFileThatIsADirectoryReadsAsDefaults) {
  ASSERT_TRUE(CreateDirectoryA(SettingsPath().c_str(), nullptr));
  MessageBoxCatcher catcher;
  Load();
  EXPECT_TRUE(catcher.boxes().empty());
  ExpectDefaults();

  // The save moves it aside as the backup and writes a real file.
  SaveSettings();
  EXPECT_TRUE(catcher.boxes().empty());
  EXPECT_TRUE(GetFileAttributesA(BackupPath().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(ProfileValue(SettingsPath(), kBar, "Number of Icons"), "0");

  // A backup that cannot be deleted ends the next save before anything else.
  std::string saved = FileBytes(SettingsPath());
  barSettings.popupDelay = 900;
  SaveSettings();
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text,
            "QXSAVE :949 - Error trying to  DELETE file QXICOBAR.BAK failed.");
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
  EXPECT_EQ(FileBytes(SettingsPath()), saved);
}

TEST_F(SettingsFileTest, AReadOnlySettingsFileIsKeptAndAReadOnlyBackupReplaced) {
  WriteIni(SettingsPath(), {{kBar, "Number of Icons", "0"}, {kBar, "Popup Delay", "650"}});
  const std::string original = FileBytes(SettingsPath());
  ASSERT_TRUE(SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_READONLY));
  Load();
  EXPECT_EQ(barSettings.popupDelay, 650);

  MessageBoxCatcher catcher;
  barSettings.popupDelay = 660;
  SaveSettings();
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text,
            "QXSAVE :6 - Error trying to REPLACE read-only QXICOBAR.INI failed.");
  EXPECT_EQ(FileBytes(SettingsPath()), original);
  EXPECT_TRUE(GetFileAttributesA(SettingsPath().c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(FileExists(BackupPath()));

  // With the mark lifted the saves go through, and a backup marked read-only,
  // hidden and system is replaced all the same, save after save.
  SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_NORMAL);
  WriteFileBytes(BackupPath(), "[Icon Bar]\r\nPopup Delay=1\r\n");
  SetFileAttributesA(BackupPath().c_str(),
                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  catcher.clear();
  for (int delay : {670, 680}) {
    const std::string before = FileBytes(SettingsPath());
    barSettings.popupDelay = delay;
    SaveSettings();
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(FileBytes(BackupPath()), before);
    EXPECT_EQ(ProfileValue(SettingsPath(), kBar, "Popup Delay"), std::to_string(delay));
  }
}

TEST_F(SettingsFileTest, AFailedRecordEndsTheReadingWithEveryRecordUnlocked) {
  WriteIni(SettingsPath(), {{kBar, "Number of Icons", "3"},
                            {"Icon0", "Program Name or Menu Item", "A.EXE"},
                            {"Icon1", "Program Name or Menu Item", "B.EXE"},
                            {"Icon2", "Program Name or Menu Item", "C.EXE"}});
  ASSERT_EQ(ReadBarSettings(), 1);
  // A, its text, B, its text: the third record fails.
  ImportFault failure(GetModuleHandleA(nullptr), "kernel32.dll", "LocalAlloc",
                      QX_FAULT_HOOK(LocalAlloc), 5, 0, ERROR_NOT_ENOUGH_MEMORY);
  ASSERT_TRUE(failure.patched());
  MessageBoxCatcher catcher;
  int result = ReadButtonSections();
  EXPECT_EQ(result, 0);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text, "QXALLOCI :1 - Insufficient memory, LocalAlloc failed.");
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
  EXPECT_EQ(ProgramNames(), (std::vector<std::string>{"A.EXE", "B.EXE"}));
  EXPECT_EQ(listReady, 0);
  ExpectEveryBlockAtRest();
}

// ---- saving ----

TEST_F(SettingsFileTest, TheDefaultsWithoutButtonsSaveOnlyTheCount) {
  Load();
  MessageBoxCatcher catcher;
  SaveSettings();
  EXPECT_TRUE(catcher.boxes().empty());
  EXPECT_EQ(SectionNames(SettingsPath()), std::vector<std::string>{kBar});
  EXPECT_EQ(SectionLines(SettingsPath(), kBar), std::vector<std::string>{"Number of Icons=0"});
  EXPECT_NE(FileBytes(SettingsPath()).find("[Icon Bar]"), std::string::npos);
  EXPECT_FALSE(FileExists(BackupPath())) << "the first save has nothing to keep";
  char windows[MAX_PATH], current[MAX_PATH];
  GetWindowsDirectoryA(windows, sizeof windows);
  GetCurrentDirectoryA(sizeof current, current);
  EXPECT_EQ(lstrcmpiA(windows, current), 0) << "the save works from the Windows directory";
}

// Every key away from its default, in the order the save writes them.
std::vector<IniEntry> RichFile() {
  const std::string length = std::to_string(GetSystemMetrics(SM_CXSCREEN) - 100);
  return {
      {kBar, "Bar On", "0"},
      {kBar, "Bar Background Color Red", "10"},
      {kBar, "Bar Background Color Green", "20"},
      {kBar, "Bar Background Color Blue", "30"},
      {kBar, "Bar Length", length},
      {kBar, "Bar Framed", "0"},
      {kBar, "Icons Framed", "0"},
      {kBar, "Tool Tips", "0"},
      {kBar, "Vertical Icon Position", "4"},
      {kBar, "Bar Height", "77"},
      {kBar, "Icons Spaced Horizontal Evenly", "0"},
      {kBar, "Number of Icons", "5"},
      {kBar, "Delete Warning", "0"},
      {kBar, "Position Popups Above", "1"},
      {kBar, "Popup Background Color Red", "1"},
      {kBar, "Popup Background Color Green", "2"},
      {kBar, "Popup Background Color Blue", "3"},
      {kBar, "Popup Text Color Red", "4"},
      {kBar, "Popup Text Color Green", "5"},
      {kBar, "Popup Text Color Blue", "6"},
      {kBar, "Popup Delay", "1234"},
      {kBar, "Font Height", "-11"},
      {kBar, "Font Width", "7"},
      {kBar, "Font Escapement", "900"},
      {kBar, "Font Orientation", "450"},
      {kBar, "Font Weight", "700"},
      {kBar, "Font Italic", "1"},
      {kBar, "Font Underline", "1"},
      {kBar, "Font Strikeout", "1"},
      {kBar, "Font Charset", "238"},
      {kBar, "Font Outprecision", "3"},
      {kBar, "Font Clipprecision", "2"},
      {kBar, "Font Quality", "5"},
      {kBar, "Font Pitchandfamily", "34"},
      {kBar, "Font Facename", "Courier New"},
      {"Icon0", "Program Name or Menu Item", "C:\\TOOLS\\EDIT.EXE /n"},
      {"Icon0", "Icon Index", "3"},
      {"Icon0", "Icon Name", "C:\\ICONS\\EDIT.ICO"},
      {"Icon0", "Requires File", "1"},
      {"Icon0", "Description", "Edit the selected file"},
      {"Icon0", "Allow Multiple Files", "0"},
      {"Icon0", "Wait For Completion", "1"},
      {"Icon0", "Display Mode", "3"},
      {"Icon0", "Icon Frame", "0"},
      {"Icon0", "Icon Background Color Red", "0"},
      {"Icon0", "Icon Background Color Green", "64"},
      {"Icon0", "Icon Background Color Blue", "128"},
      {"Icon1", "Program Name or Menu Item", "C:\\BIN\\TOOL.EXE"},
      {"Icon1", "Pass Selected Files", "0"},
      {"Icon1", "Display Mode", "7"},
      {"Icon2", "Program Name or Menu Item", "Sort by Name"},
      {"Icon2", "Type", "0"},
      {"Icon2", "Icon Name", "SORTBYNA"},
      {"Icon3", "Program Name or Menu Item", "Delete"},
      {"Icon3", "Type", "0"},
      {"Icon3", "Icon Index", "2"},
      {"Icon3", "Icon Name", "C:\\ICONS\\DEL.ICO"},
      {"Icon3", "Requires File", "1"},
      {"Icon3", "Description", "Deletes what is selected"},
      {"Icon4", "Program Name or Menu Item", "C:\\JOBS\\NIGHTLY.BAT"},
      {"Icon4", "Icon Name", "MOVE"},
  };
}

TEST_F(SettingsFileTest, ARichFileReadsBackIdenticallyAfterASave) {
  WriteIni(SettingsPath(), RichFile());
  const std::string written = FileBytes(SettingsPath());
  Load();
  const IconBarSettings first = barSettings;
  const std::vector<ButtonImage> firstButtons = Buttons();
  ASSERT_EQ(firstButtons.size(), 5u);
  EXPECT_EQ(extState.barOn, 0);
  EXPECT_EQ(extState.deleteWarning, 0);
  EXPECT_EQ(first.barColorGreen, 20u);
  EXPECT_EQ(first.barHeight, 77);
  EXPECT_EQ(first.popupsOff, 1);
  EXPECT_EQ(first.iconsSquishedLeft, 1);
  EXPECT_EQ(first.popupFont.lfCharSet, 238);
  EXPECT_STREQ(first.popupFont.lfFaceName, "Courier New");
  EXPECT_EQ(firstButtons[0].flags,
            uint32_t(BF_PROGRAM | BF_PASS_FILES | BF_REQUIRES_FILE | BF_WAIT));
  EXPECT_EQ(firstButtons[0].green, 64u);
  EXPECT_EQ(firstButtons[1].flags,
            uint32_t(BF_PROGRAM | BF_FRAMED | BF_ICON_FROM_PROGRAM | BF_MULTIPLE_FILES));
  EXPECT_EQ(firstButtons[1].displayMode, 7);
  EXPECT_EQ(firstButtons[2].icon, "SORTBYNA");
  EXPECT_EQ(firstButtons[3].description, "Deletes what is selected");
  EXPECT_TRUE(firstButtons[4].flags & BF_BATCH);

  MessageBoxCatcher catcher;
  SaveSettings();
  EXPECT_TRUE(catcher.boxes().empty());
  EXPECT_EQ(FileBytes(SettingsPath()), written) << "the same keys in the same order";
  EXPECT_EQ(FileBytes(BackupPath()), written);

  DropList();
  Load();
  EXPECT_EQ(memcmp(&first, &barSettings, sizeof first), 0);
  EXPECT_EQ(extState.barOn, 0);
  EXPECT_EQ(extState.deleteWarning, 0);
  EXPECT_TRUE(Buttons() == firstButtons);
  ExpectEveryBlockAtRest();
}

TEST_F(SettingsFileTest, SettingsBackAtTheirDefaultsLeaveTheFile) {
  WriteIni(SettingsPath(), RichFile());
  const std::string rich = FileBytes(SettingsPath());
  Load();
  DropList();
  // Every setting back at its default: what the reading gives without a file.
  RemoveFile(SettingsPath());
  Load();
  WriteFileBytes(SettingsPath(), rich);
  SaveSettings();
  EXPECT_EQ(SectionNames(SettingsPath()), std::vector<std::string>{kBar});
  EXPECT_EQ(SectionLines(SettingsPath(), kBar), std::vector<std::string>{"Number of Icons=0"});
  EXPECT_EQ(FileBytes(BackupPath()), rich);
}

UINT DeleteBAndD(ButtonRecord* record) {
  auto* text = static_cast<const char*>(LocalLock(record->programName.handle));
  bool doomed = std::strcmp(text, "B.EXE") == 0 || std::strcmp(text, "D.EXE") == 0;
  LocalUnlock(record->programName.handle);
  return doomed ? WALK_DELETE : WALK_GO_ON;
}

TEST_F(SettingsFileTest, DeletedButtonsLeaveNoGapInTheSectionNumbers) {
  WriteIni(SettingsPath(), {{kBar, "Number of Icons", "5"},
                            {"Icon0", "Program Name or Menu Item", "A.EXE"},
                            {"Icon1", "Program Name or Menu Item", "B.EXE"},
                            {"Icon2", "Program Name or Menu Item", "C.EXE"},
                            {"Icon3", "Program Name or Menu Item", "D.EXE"},
                            {"Icon4", "Program Name or Menu Item", "E.EXE"}});
  Load();
  ForEachButton(DeleteBAndD);
  barSettings.buttonCount -= 2;
  SaveSettings();
  const std::string path = SettingsPath();
  EXPECT_EQ(SectionNames(path), (std::vector<std::string>{kBar, "Icon0", "Icon1", "Icon2"}));
  EXPECT_EQ(ProfileValue(path, "Icon0", "Program Name or Menu Item"), "A.EXE");
  EXPECT_EQ(ProfileValue(path, "Icon1", "Program Name or Menu Item"), "C.EXE");
  EXPECT_EQ(ProfileValue(path, "Icon2", "Program Name or Menu Item"), "E.EXE");
  EXPECT_EQ(ProfileValue(path, "Icon3", "Program Name or Menu Item"), "<absent>");
  EXPECT_EQ(ProfileValue(path, kBar, "Number of Icons"), "3");
  EXPECT_EQ(SectionLines(path, "Icon1"),
            std::vector<std::string>{"Program Name or Menu Item=C.EXE"})
      << "a program button from its own file writes nothing else";
}

TEST_F(SettingsFileTest, TheBackupHoldsTheFileBeforeTheLastSave) {
  Load();
  barSettings.popupDelay = 600;
  SaveSettings();
  const std::string firstSave = FileBytes(SettingsPath());
  EXPECT_FALSE(FileExists(BackupPath()));
  barSettings.popupDelay = 700;
  ButtonRecord* record = CreateButton("Search", "", "", 0, 1, nullptr);
  ASSERT_NE(record, nullptr);
  record->backRed = record->backGreen = record->backBlue = 255;
  LocalUnlock(LocalHandle(record));
  barSettings.buttonCount = 1;
  SaveSettings();
  EXPECT_EQ(FileBytes(BackupPath()), firstSave);
  EXPECT_EQ(ProfileValue(BackupPath(), kBar, "Popup Delay"), "600");
  EXPECT_EQ(ProfileValue(SettingsPath(), kBar, "Popup Delay"), "700");
  EXPECT_EQ(
      SectionLines(SettingsPath(), "Icon0"),
      (std::vector<std::string>{"Program Name or Menu Item=Search", "Type=0", "Icon Name=SEARCH"}));
}

TEST_F(SettingsFileTest, WhatEachButtonWrites) {
  Load();
  auto add = [](const char* program, const char* icon, const char* description, int isProgram,
                int framed, uint32_t extraFlags, int displayMode, int iconIndex) {
    ButtonRecord* after = lastButton ? static_cast<ButtonRecord*>(LocalLock(lastButton)) : nullptr;
    HLOCAL afterHandle = lastButton;
    ButtonRecord* record = CreateButton(program, icon, description, isProgram, framed, after);
    if (afterHandle) LocalUnlock(afterHandle);
    ASSERT_NE(record, nullptr);
    record->flags |= extraFlags;
    record->displayMode = displayMode;
    record->iconIndex = iconIndex;
    record->backRed = record->backGreen = record->backBlue = 255;
    LocalUnlock(LocalHandle(record));
  };
  // A program button with none of its own files, passing on one file only.
  add("C:\\A.CMD", "", "", 1, 1, BF_PASS_FILES, 1, 0);
  // A menu button with program-only bits set: they are not written.
  add("Copy", "", "", 0, 0, BF_WAIT, 3, 0);
  barSettings.buttonCount = 2;
  SaveSettings();
  EXPECT_EQ(SectionLines(SettingsPath(), "Icon0"),
            (std::vector<std::string>{"Program Name or Menu Item=C:\\A.CMD",
                                      "Icon Name=", "Allow Multiple Files=0"}));
  EXPECT_EQ(SectionLines(SettingsPath(), "Icon1"),
            (std::vector<std::string>{"Program Name or Menu Item=Copy", "Type=0", "Icon Name=COPY",
                                      "Icon Frame=0"}));
}

// ---- failed saves: the previous file stays whole ----

TEST_F(SettingsFileTest, AFailingFileStepLeavesThePreviousFileWhole) {
  struct Case {
    const char* what;
    const char* function;
    void* hook;
    uintptr_t failure;
    int nth, alsoNth;    // the calls of the function that fail
    const char* report;  // null: the save goes through
    bool backupKept;     // the failure comes before the backup is touched
  };
  const uintptr_t kNoFile = uintptr_t(INVALID_HANDLE_VALUE);
  const Case cases[] = {
      {"no new file", "CreateFileA", QX_FAULT_HOOK(CreateFileA), kNoFile, 1, 0,
       "QXSAVE :7 - Error trying to WRITE file QXICOBAR.NEW", true},
      {"disk full", "WriteFile", QX_FAULT_HOOK(WriteFile), 0, 1, 0,
       "QXSAVE :8 - Error trying to WRITE file QXICOBAR.NEW", true},
      {"no flush", "FlushFileBuffers", QX_FAULT_HOOK(FlushFileBuffers), 0, 1, 0,
       "QXSAVE :9 - Error trying to WRITE file QXICOBAR.NEW", true},
      {"the old backup in the way is deleted first", "MoveFileExA", QX_FAULT_HOOK(MoveFileExA), 0,
       1, 0, nullptr, false},
      {"no rename to the backup", "MoveFileExA", QX_FAULT_HOOK(MoveFileExA), 0, 1, 2,
       "QXSAVE :950 - Error trying to RENAME QXICOBAR.INI to *.BAK", false},
      {"no new file in place: the previous one renamed back", "MoveFileExA",
       QX_FAULT_HOOK(MoveFileExA), 0, 2, 0,
       "QXSAVE :11 - Error trying to RENAME QXICOBAR.NEW to QXICOBAR.INI", false},
  };
  const std::string newPath = SettingsPath().substr(0, SettingsPath().size() - 3) + "NEW";
  const std::string oldBackup = "[Icon Bar]\r\nPopup Delay=1\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DropList();
    RemoveFile(SettingsPath());
    WriteIni(SettingsPath(), RichFile());
    WriteFileBytes(BackupPath(), oldBackup);
    const std::string previous = FileBytes(SettingsPath());
    Load();
    barSettings.popupDelay = 4321;
    MessageBoxCatcher catcher;
    {
      ImportFault failure(GetModuleHandleA(nullptr), "kernel32.dll", c.function, c.hook, c.nth,
                          c.failure, ERROR_ACCESS_DENIED);
      if (c.alsoNth) failure.alsoFail(c.alsoNth);
      SaveSettings();
    }
    EXPECT_FALSE(FileExists(newPath));
    EXPECT_EQ(barSettings.popupDelay, 4321) << "the settings in memory stay as they were";
    if (c.report) {
      ASSERT_EQ(catcher.boxes().size(), 1u);
      EXPECT_EQ(catcher.boxes()[0].text, std::string(c.report) + " failed.");
      EXPECT_EQ(FileBytes(SettingsPath()), previous);
      EXPECT_EQ(ProfileValue(SettingsPath(), kBar, "Popup Delay"), "1234");
      EXPECT_EQ(FileBytes(BackupPath()), c.backupKept ? oldBackup : "<missing>");
      // The next save, with nothing failing, keeps the previous file as its backup.
      catcher.clear();
      SaveSettings();
    }
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(FileBytes(BackupPath()), previous);
    EXPECT_EQ(ProfileValue(SettingsPath(), kBar, "Popup Delay"), "4321");
    ExpectEveryBlockAtRest();
  }
}

TEST_F(SettingsFileTest, ATextLockedElsewhereStopsTheSaveSilentlyAndPutsTheFileBack) {
  WriteIni(SettingsPath(), {{kBar, "Number of Icons", "2"},
                            {"Icon0", "Program Name or Menu Item", "A.EXE"},
                            {"Icon0", "Description", "first"},
                            {"Icon1", "Program Name or Menu Item", "B.EXE"}});
  const std::string previous = FileBytes(SettingsPath());
  Load();
  HLOCAL description = PeekRecord(GetFirstButton()).description.handle;
  ASSERT_NE(LocalLock(description), nullptr);
  MessageBoxCatcher catcher;
  SaveSettings();
  LocalUnlock(description);
  EXPECT_TRUE(catcher.boxes().empty());
  EXPECT_EQ(FileBytes(SettingsPath()), previous);
  ExpectEveryBlockAtRest();
}

}  // namespace
