// The settings file: its path, every key's reading with its default and rule,
// the button sections, the save with its backup, and saves that fail midway.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "settings/settings_test_support.h"
#include "support/msgbox_catcher.h"

namespace {

// The bar section's keys in the order the save writes them; each names the
// field it sets ("Tool Tips" sets popupsOff, "Icons Spaced ..." iconsSquishedLeft).
// clang-format off
const char* const kBarKeys[] = {
    "Bar On", "Bar Background Color Red", "Bar Background Color Green",
    "Bar Background Color Blue", "Bar Length", "Bar Framed", "Icons Framed", "Tool Tips",
    "Vertical Icon Position", "Bar Height", "Icons Spaced Horizontal Evenly", "Number of Icons",
    "Delete Warning", "Position Popups Above", "Popup Background Color Red",
    "Popup Background Color Green", "Popup Background Color Blue", "Popup Text Color Red",
    "Popup Text Color Green", "Popup Text Color Blue", "Popup Delay", "Font Height", "Font Width",
    "Font Escapement", "Font Orientation", "Font Weight", "Font Italic", "Font Underline",
    "Font Strikeout", "Font Charset", "Font Outprecision", "Font Clipprecision", "Font Quality",
    "Font Pitchandfamily"};
// clang-format on

using Fields = std::map<std::string, std::string>;

Fields Named(const std::vector<int64_t>& numbers, const char* face) {
  Fields fields{{"Font Facename", face}};
  for (size_t i = 0; i < numbers.size(); ++i) fields[kBarKeys[i]] = std::to_string(numbers[i]);
  return fields;
}

// clang-format off
Fields Current() {
  const IconBarSettings& s = barSettings;
  const LOGFONTA& f = s.popupFont;
  return Named({extState.barOn, s.barColorRed, s.barColorGreen, s.barColorBlue, s.barLength,
                s.barFramed, s.iconsFramed, s.popupsOff, s.iconVerticalPosition, s.barHeight,
                s.iconsSquishedLeft, s.buttonCount, extState.deleteWarning, s.popupsAbove,
                s.popupBackgroundRed, s.popupBackgroundGreen, s.popupBackgroundBlue, s.popupTextRed,
                s.popupTextGreen, s.popupTextBlue, s.popupDelay, f.lfHeight, f.lfWidth,
                f.lfEscapement, f.lfOrientation, f.lfWeight, f.lfItalic, f.lfUnderline,
                f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision, f.lfClipPrecision, f.lfQuality,
                f.lfPitchAndFamily}, f.lfFaceName);
}

Fields Defaults() {
  const int icon = GetSystemMetrics(SM_CYICON);
  const int height =
      2 * (3 * GetSystemMetrics(SM_CYBORDER) + GetSystemMetrics(SM_CYFRAME)) + icon / 4 + icon;
  return Named({1, 255, 128, 128, GetSystemMetrics(SM_CXSCREEN), 1, 1, 0, 1, height, 0, 0, 1, 0,
                255, 255, 255, 0, 0, 0, 500, 15, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 2, 1},
               "MS Sans Serif");
}
// clang-format on

// Button sections Icon0, Icon1, ...: each the program text and further keys ("A.EXE\nType=0").
std::string Sections(const std::vector<const char*>& buttons) {
  std::string text;
  for (size_t i = 0; i < buttons.size(); ++i)
    text += "[Icon" + std::to_string(i) + "]\nProgram Name or Menu Item=" + buttons[i] + "\n";
  return text;
}

// Every field of a record that the file carries, as one line.
std::string Image(const std::string& program, const std::string& icon,
                  const std::string& description, uint32_t flags, int mode, int index,
                  COLORREF back) {
  char numbers[80];
  snprintf(numbers, sizeof numbers, " flags %x mode %d index %d back %06lx", flags, mode, index,
           static_cast<unsigned long>(back));
  return program + "|" + icon + "|" + description + numbers;
}

std::vector<std::string> Images() {
  std::vector<std::string> images;
  for (HLOCAL handle : ListHandles()) {
    ButtonRecord r = PeekRecord(handle);
    images.push_back(Image(BlockText(r.programName.handle), BlockText(r.iconName.handle),
                           BlockText(r.description.handle), r.flags, r.displayMode, r.iconIndex,
                           RGB(r.backRed, r.backGreen, r.backBlue)));
  }
  return images;
}

// A file's sections and keys in file order, "[section]" before its lines.
std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  for (const std::string& section : ProfileList(path, nullptr)) {
    lines.push_back("[" + section + "]");
    for (const std::string& line : ProfileList(path, section.c_str())) lines.push_back(line);
  }
  return lines;
}

// Every key away from its default, in the order the save writes them.
std::string RichFile() {
  // clang-format off
  const std::vector<long> numbers = {0, 10, 20, 30, GetSystemMetrics(SM_CXSCREEN) - 100, 0, 0, 0,
      4, 77, 0, 5, 0, 1, 1, 2, 3, 4, 5, 6, 1234, -11, 7, 900, 450, 700, 1, 1, 1, 238, 3, 2, 5, 34};
  // clang-format on
  std::string text = "[Icon Bar]\n";
  for (size_t i = 0; i < numbers.size(); ++i)
    text += std::string(kBarKeys[i]) + "=" + std::to_string(numbers[i]) + "\n";
  return text + "Font Facename=Courier New\n" +
         Sections({"C:\\TOOLS\\EDIT.EXE /n\nIcon Index=3\nIcon Name=C:\\ICONS\\EDIT.ICO\n"
                   "Requires File=1\nDescription=Edit the file\nAllow Multiple Files=0\n"
                   "Wait For Completion=1\nDisplay Mode=3\nIcon Frame=0\nIcon Background Color "
                   "Red=0\nIcon Background Color Green=64\nIcon Background Color Blue=128",
                   "C:\\BIN\\TOOL.EXE\nPass Selected Files=0\nDisplay Mode=7",
                   "Sort by Name\nType=0\nIcon Name=SORTBYNA",
                   "Delete\nType=0\nIcon Index=2\nIcon Name=C:\\ICONS\\DEL.ICO\nRequires File=1",
                   "C:\\JOBS\\NIGHTLY.BAT\nIcon Name=MOVE"});
}

TEST_F(SettingsFileTest, EveryBarKeyFallsBackOrKeepsAsItsRuleSays) {
  auto n = [](int v) { return std::to_string(v); };
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN),
            minWidth = GetSystemMetrics(SM_CXMIN), most = width / (GetSystemMetrics(SM_CXICON) / 4);
  const std::string face31 = "Abcdefghijklmnopqrstuvwxyz Face";
  const std::string D = "(default)";
  const struct {
    const char* key;
    std::string value, kept;
  } cases[] = {// clang-format off
      {"Bar On", "5", "5"}, {"Bar Background Color Green", "255", "255"}, {"Bar Background Color Red", "256", D},
      {"Bar Background Color Red", "-1", D}, {"Bar Background Color Red", "4294967296", D},
      {"Bar Background Color Green", " 7 ", "7"}, {"Bar Background Color Blue", "+9", "9"},
      {"Bar Length", n(width + 1), D}, {"Bar Length", n(width - 1), n(width - 1)}, {"Bar Length", n(minWidth - 1), D},
      {"Bar Length", n(minWidth), n(minWidth)}, {"Bar Framed", "2", "0"}, {"Icons Framed", "3", "0"},
      {"Tool Tips", "0", "1"}, {"Vertical Icon Position", "4", "4"}, {"Vertical Icon Position", "3", D},
      {"Bar Height", n(height + 1), D}, {"Bar Height", n(height), n(height)}, {"Delete Warning", "2", "0"},
      {"Icons Spaced Horizontal Evenly", "0", "1"}, {"Number of Icons", n(most + 1), n(most)},
      {"Number of Icons", "2147483648", D}, {"Position Popups Above", "1", "1"}, {"Popup Delay", "-5", D},
      {"Popup Background Color Green", "-1", D}, {"Popup Text Color Green", "1000", D},
      {"Popup Text Color Blue", "200", "200"}, {"Popup Delay", "0", "0"}, {"Font Height", "-16385", D},
      {"Font Height", "-16384", "-16384"}, {"Font Height", "16385", D}, {"Font Width", "-1", D},
      {"Font Italic", "257", "1"}, {"Font Italic", "-1", "255"}, {"Font Pitchandfamily", "256", "0"},
      {"Font Facename", face31, face31}, {"Font Facename", face31 + "X", D}, {"Font Facename", "", ""}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " = \"" + c.value + "\"");
    WriteFileBytes(SettingsPath(), "[Icon Bar]\n" + std::string(c.key) + "=" + c.value + "\n");
    const std::string before = FileBytes(SettingsPath());
    MessageBoxCatcher catcher;
    ASSERT_EQ(ReadBarSettings(), 1);
    Fields expected = Defaults();
    if (c.kept != D) expected[c.key] = c.kept;
    EXPECT_EQ(Current(), expected);
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(FileBytes(SettingsPath()), before) << "reading never changes the file";
  }
}

TEST_F(SettingsFileTest, ButtonSectionsBecomeRecordsAsTheirKeysSay) {
  const uint32_t P = BF_PROGRAM | BF_FRAMED | BF_PASS_FILES | BF_MULTIPLE_FILES,
                 M = BF_FRAMED | BF_ICON_RESOURCE | BF_PASS_FILES | BF_MULTIPLE_FILES,
                 F = BF_ICON_FROM_PROGRAM, W = RGB(255, 255, 255);
  const char* const none = "<none>";
  const std::string i259(259, 'i'), d259(259, 'd');  // texts keep at most 259 characters
  const std::string longTexts =
      "C:\\" + std::string(257, 'p') + "\nIcon Name=" + i259 + "i\nDescription=" + d259 + "d";
  const struct {
    const char *section, *icon, *description;  // the program text first; no icon: not read
    uint32_t flags, mode, index, back;
  } cases[] = {
      // clang-format off
      {"C:\\TOOLS\\EDIT.EXE", "C:\\TOOLS\\EDIT.EXE", none, P | F, 1, 0, W},
      {"Delete\nType=0", "DEL?ETE", none, M, 1, 0, W},
      {"B.EXE\nType=2", nullptr, none, 0, 0, 0, 0}, {"D.EXE\nType=-1", nullptr, none, 0, 0, 0, 0},
      {"Create Directory\nType=0\nDescription=New folder", "CREATEDI", "New folder", M, 1, 0, W},
      {"C:\\JOBS\\RUN.BAT\nIcon Name=MORICONS.DLL\nIcon Index=4", "MORICONS.DLL", none, P | BF_BATCH, 1, 4, W},
      {"A.EXE\nIcon Index=-3\nPass Selected Files=2\nRequires File=1\nAllow Multiple Files=0\n"
       "Icon Frame=5\nWait For Completion=1\nDisplay Mode=2\nIcon Background Color Red=256\n"
       "Icon Background Color Green=-1\nIcon Background Color Blue=12",
       "A.EXE", none, BF_PROGRAM | F | BF_REQUIRES_FILE | BF_WAIT, 1, 0, RGB(255, 255, 12)},
      {"B.EXE\nDisplay Mode=3\nIcon Index=0x10\nRequires File=yes", "B.EXE", none, P | F, 3, 0, W},
      {"C.EXE\nDisplay Mode=7\nType=1\nWait For Completion=2", "C.EXE", none, P | F, 7, 0, W},
      {"c:\\b.Bat", none, none, P | BF_BATCH, 1, 0, W},
      {"x.bat\nType=0\nIcon Name=XB", "XB", none, M | BF_BATCH, 1, 0, W},
      {longTexts.c_str(), i259.c_str(), d259.c_str(), P | BF_ICON_RESOURCE, 1, 0, W},
      // An empty program text ends the list, as a missing section does.
      {"\nType=1", nullptr, none, 0, 0, 0, 0}, {"AFTER.EXE", nullptr, none, 0, 0, 0, 0}};
  // clang-format on
  std::vector<const char*> sections;
  std::vector<std::string> expected;
  for (const auto& c : cases) {
    sections.push_back(c.section);
    const std::string section = c.section;
    if (c.icon)
      expected.push_back(Image(section.substr(0, section.find('\n')).substr(0, 259), c.icon,
                               c.description, c.flags, c.mode, c.index, c.back));
  }
  WriteFileBytes(SettingsPath(),
                 "[Icon Bar]\nNumber of Icons=" + std::to_string(sections.size() + 1) + "\n" +
                     Sections(sections));
  Load();
  EXPECT_EQ(Images(), expected);
  EXPECT_EQ(lastButton, ListHandles().back());
  EXPECT_EQ(listReady, 1);
}

TEST_F(SettingsFileTest, ASaveWritesWhatDiffersFromTheDefaultsAndKeepsTheLastFile) {
  RemoveDirectoryA(UserDirectory().c_str());
  MessageBoxCatcher catcher;
  Load();
  EXPECT_EQ(Current(), Defaults()) << "no file gives every default";
  SaveSettings();
  EXPECT_EQ(Lines(SettingsPath()), (std::vector<std::string>{"[Icon Bar]", "Number of Icons=0"}));
  EXPECT_EQ(FileBytes(BackupPath()), "<missing>") << "the first save has nothing to keep";

  WriteFileBytes(SettingsPath(), RichFile());
  const std::vector<std::string> written = Lines(SettingsPath());
  Load();
  const IconBarSettings first = barSettings;
  const std::vector<std::string> firstButtons = Images();
  ASSERT_EQ(firstButtons.size(), 5u);
  SaveSettings();
  EXPECT_EQ(Lines(SettingsPath()), written) << "the same keys in the same order";
  EXPECT_EQ(FileBytes(BackupPath()), RichFile());
  DropList();
  Load();
  EXPECT_EQ(memcmp(&first, &barSettings, sizeof first), 0);
  EXPECT_EQ(Images(), firstButtons);

  // Deleted buttons leave no gap in the section numbers.
  ForEachButton(
      [](ButtonRecord* r) -> UINT { return r->flags & BF_PROGRAM ? WALK_GO_ON : WALK_DELETE; });
  barSettings.buttonCount -= 2;
  SaveSettings();
  EXPECT_EQ(ProfileList(SettingsPath(), nullptr),
            (std::vector<std::string>{"Icon Bar", "Icon0", "Icon1", "Icon2"}));
  EXPECT_EQ(ProfileValue(SettingsPath(), "Icon2", "Program Name or Menu Item"),
            "C:\\JOBS\\NIGHTLY.BAT");
  EXPECT_TRUE(catcher.boxes().empty());
}

#define KERNEL32(function) #function, QX_FAULT_HOOK(function)

TEST_F(SettingsFileTest, AFailingFileStepLeavesThePreviousFileWhole) {
  // The nth (and alsoNth) call fails, 0: none; `mark` goes on the settings file when read-only,
  // else on the old backup; no `report`: the save goes through. Reports end in " failed.".
  const struct {
    const char* function;
    void* hook;
    DWORD nth, alsoNth, mark;
    const char* report;
    bool backupKept;
  } cases[] = {
      // clang-format off
      {KERNEL32(WriteFile), 1, 0, 0, "QXSAVE :8 - Error trying to WRITE file QXICOBAR.NEW", true},
      {KERNEL32(MoveFileExA), 1, 0, 0, nullptr, false},  // the old backup in the way is deleted
      {KERNEL32(MoveFileExA), 1, 2, 0, "QXSAVE :950 - Error trying to RENAME QXICOBAR.INI to *.BAK", false},
      {KERNEL32(MoveFileExA), 2, 0, 0, "QXSAVE :11 - Error trying to RENAME QXICOBAR.NEW to QXICOBAR.INI", false},
      {KERNEL32(MoveFileExA), 0, 0, FILE_ATTRIBUTE_READONLY, "QXSAVE :6 - Error trying to REPLACE read-only QXICOBAR.INI", true},
      {KERNEL32(MoveFileExA), 0, 0, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, nullptr, false}};
  // clang-format on
  const std::string newPath = SettingsPath().substr(0, SettingsPath().size() - 3) + "NEW";
  const std::string oldBackup = "[Icon Bar]\r\nPopup Delay=1\r\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    DropList();
    Clean();
    WriteFileBytes(SettingsPath(), RichFile());
    WriteFileBytes(BackupPath(), oldBackup);
    Load();
    const bool readOnly = c.mark == FILE_ATTRIBUTE_READONLY;
    if (c.mark) SetFileAttributesA((readOnly ? SettingsPath() : BackupPath()).c_str(), c.mark);
    barSettings.popupDelay = 4321;
    MessageBoxCatcher catcher;
    {
      ImportFault failure(GetModuleHandleA(nullptr), "kernel32.dll", c.function, c.hook, c.nth, 0,
                          ERROR_ACCESS_DENIED);
      if (c.alsoNth) failure.alsoFail(c.alsoNth);
      SaveSettings();
    }
    EXPECT_EQ(FileBytes(newPath), "<missing>");
    if (c.report) {
      ASSERT_EQ(catcher.boxes().size(), 1u);
      EXPECT_EQ(catcher.boxes()[0].text, std::string(c.report) + " failed.");
      EXPECT_EQ(FileBytes(SettingsPath()), RichFile());
      EXPECT_EQ((GetFileAttributesA(SettingsPath().c_str()) & FILE_ATTRIBUTE_READONLY) != 0,
                readOnly);
      EXPECT_EQ(FileBytes(BackupPath()), c.backupKept ? oldBackup : "<missing>");
      // The next save, with nothing failing, keeps the previous file as its backup.
      SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_NORMAL);
      catcher.clear();
      SaveSettings();
    }
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(FileBytes(BackupPath()), RichFile());
    // The change made before the failed save is not lost: the save after it writes it.
    EXPECT_EQ(ProfileValue(SettingsPath(), "Icon Bar", "Popup Delay"), "4321");
  }
}

}  // namespace
