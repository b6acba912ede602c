// The settings file: its path, every key's reading with its default and rule,
// the button sections, the save with its backup, and saves that fail midway.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <cstring>
#include <map>
#include <optional>
#include <stdexcept>

#include "host/exports.h"
#include "settings/folder_security.h"
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
    // A program's parameters and start folder, when it has them.
    if (r.parameters || r.startFolder)
      images.back() += " " + BlockText(r.parameters) + "|" + BlockText(r.startFolder);
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
                   "Wait For Completion=1\nDisplay Mode=3\nParameters=a \"%P\\x.7z\" %F\n"
                   "Start Folder=%P\nIcon Frame=0\nIcon Background Color "
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
      // Only a program takes parameters and a start folder.
      {"Copy\nType=0\nParameters=%F\nStart Folder=C:\\", "COPY", none, M, 1, 0, W},
      {"E.EXE\nStart Folder=C:\\", "E.EXE", none, P | F, 1, 0, W},
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
    if (section.find("E.EXE") == 0) expected.back() += " <none>|C:\\";
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

// A close that does close, yet answers that it failed.
BOOL WINAPI CloseButFail(HANDLE handle) {
  reinterpret_cast<decltype(&CloseHandle)>(importFault.real)(handle);
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}
// The flags of the last move: the new file goes in place written through to the disk.
DWORD moveFlags = 0;
BOOL WINAPI RecordMove(LPCSTR from, LPCSTR to, DWORD flags) {
  moveFlags = flags;
  return reinterpret_cast<decltype(&MoveFileExA)>(importFault.real)(from, to, flags);
}

TEST_F(SettingsFileTest, ASaveCutShortAtAnyStepLeavesAWholeSettingsFile) {
  // The nth call fails (0: none; CloseButFail fails each), or the save stops after step `stop` as a
  // killed process would; `mark` goes on the settings file when read-only, else on the old backup;
  // `folder` (with a file inside) stands where the save puts ".NEW" or ".BAK". No `report`: no
  // failure is told. The next load finds the new settings when `saved`, else the old ones, whole.
  const struct {
    const char* function;
    void* hook;
    int nth, stop;
    DWORD mark;
    const char *folder, *report;
    bool saved, backupKept;
  } cases[] = {
      // clang-format off
      {KERNEL32(WriteFile), 1, 0, 0, nullptr, "QXSAVE :8 - Error trying to WRITE file QXICOBAR.NEW", false, true},
      {KERNEL32(FlushFileBuffers), 1, 0, 0, nullptr, "QXSAVE :9 - Error trying to WRITE file QXICOBAR.NEW", false, true},
      {"CloseHandle", reinterpret_cast<void*>(CloseButFail), 0, 0, 0, nullptr, "QXSAVE :10 - Error trying to WRITE file QXICOBAR.NEW", false, true},
      {KERNEL32(CopyFileA), 1, 0, 0, nullptr, "QXSAVE :12 - Error trying to COPY QXICOBAR.INI to *.BAK", false, true},
      // The old backup is read-only and stays so.
      {KERNEL32(SetFileAttributesA), 1, 0, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, nullptr, "QXSAVE :12 - Error trying to COPY QXICOBAR.INI to *.BAK", false, true},
      {KERNEL32(MoveFileExA), 1, 0, 0, nullptr, "QXSAVE :11 - Error trying to RENAME QXICOBAR.NEW to QXICOBAR.INI", false, false},
      {KERNEL32(MoveFileExA), 0, 0, FILE_ATTRIBUTE_READONLY, nullptr, "QXSAVE :6 - Error trying to REPLACE read-only QXICOBAR.INI", false, true},
      {KERNEL32(MoveFileExA), 0, 1, 0, nullptr, nullptr, false, true},
      {KERNEL32(MoveFileExA), 0, 2, 0, nullptr, nullptr, false, false},
      {KERNEL32(MoveFileExA), 0, 3, 0, nullptr, nullptr, true, false},
      {KERNEL32(MoveFileExA), 0, 0, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, nullptr, nullptr, true, false},
      {"MoveFileExA", reinterpret_cast<void*>(RecordMove), 0, 0, 0, nullptr, nullptr, true, false},
      {KERNEL32(MoveFileExA), 0, 0, 0, "NEW", nullptr, true, false},
      {KERNEL32(MoveFileExA), 0, 0, 0, "BAK", nullptr, true, false}};
  // clang-format on
  const std::string newPath = SettingsSibling("NEW");
  const std::string oldBackup = "[Icon Bar]\r\nPopup Delay=1\r\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    DropList();
    Clean();
    WriteFileBytes(SettingsPath(), RichFile());
    const std::string folder = c.folder ? SettingsSibling(c.folder) : "";
    if (c.folder) {
      CreateDirectoryA(folder.c_str(), nullptr);
      WriteFileBytes(folder + "\\inside", "x");
    } else {
      WriteFileBytes(BackupPath(), oldBackup);
    }
    Load();
    const bool readOnly = c.mark == FILE_ATTRIBUTE_READONLY;
    if (c.mark) SetFileAttributesA((readOnly ? SettingsPath() : BackupPath()).c_str(), c.mark);
    barSettings.popupDelay = 4321;
    MessageBoxCatcher catcher;
    {
      ImportFault failure(GetModuleHandleA(nullptr), "kernel32.dll", c.function, c.hook, c.nth, 0,
                          ERROR_ACCESS_DENIED);
      saveStopsAfterStep = c.stop;
      EXPECT_EQ(SaveSettings(), c.saved && !c.stop);
      saveStopsAfterStep = 0;
    }
    if (c.hook == RecordMove) {
      EXPECT_EQ(moveFlags, DWORD(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    }
    if (!c.stop) {
      EXPECT_EQ(FileBytes(newPath), "<missing>");
    }
    EXPECT_EQ(catcher.boxes().size(), c.report ? 1u : 0u);
    if (c.report && !catcher.boxes().empty()) {
      EXPECT_EQ(catcher.boxes()[0].text, std::string(c.report) + " failed.");
    }
    EXPECT_EQ((GetFileAttributesA(SettingsPath().c_str()) & FILE_ATTRIBUTE_READONLY) != 0,
              readOnly);
    if (!c.folder) {
      EXPECT_EQ(FileBytes(BackupPath()), c.backupKept ? oldBackup : RichFile());
    }
    SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    DropList();
    Load();
    EXPECT_EQ(barSettings.popupDelay, c.saved ? 4321 : 1234);
    EXPECT_EQ(Images().size(), 5u);
    // The next save, with nothing failing, keeps the previous file as its backup.
    barSettings.popupDelay = 4321;
    catcher.clear();
    EXPECT_TRUE(SaveSettings());
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(ProfileValue(BackupPath(), "Icon Bar", "Popup Delay"), c.saved ? "4321" : "1234");
    EXPECT_EQ(ProfileValue(SettingsPath(), "Icon Bar", "Popup Delay"), "4321");
    if (c.folder) {  // the folder in the way went aside, whole
      EXPECT_EQ(FileBytes(folder + ".1\\inside"), "x");
      RemoveFile(folder + ".1\\inside");
      RemoveFile(folder + ".1");
    }
  }
}

// The descriptor each security call was handed, as text.
std::vector<std::string> handedDescriptors;
void* realCreateDirectoryW = nullptr;
void* realSetFileSecurityW = nullptr;
void Record(PSECURITY_DESCRIPTOR descriptor) {
  LPSTR text = nullptr;
  if (descriptor && ConvertSecurityDescriptorToStringSecurityDescriptorA(
                        descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
    handedDescriptors.push_back(text);
    LocalFree(text);
  }
}
BOOL WINAPI RecordCreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES attributes) {
  Record(attributes ? attributes->lpSecurityDescriptor : nullptr);
  return reinterpret_cast<decltype(&CreateDirectoryW)>(realCreateDirectoryW)(path, attributes);
}
BOOL WINAPI RecordSetFileSecurityW(LPCWSTR path, SECURITY_INFORMATION what,
                                   PSECURITY_DESCRIPTOR descriptor) {
  Record(descriptor);
  return reinterpret_cast<decltype(&SetFileSecurityW)>(realSetFileSecurityW)(path, what,
                                                                             descriptor);
}

// Wine gives every file the process's owner: the settings file's is read as the guests' group.
BOOL WINAPI ForeignOwnedFile(LPCWSTR path, SECURITY_INFORMATION what,
                             PSECURITY_DESCRIPTOR descriptor, DWORD size, LPDWORD needed) {
  const size_t length = wcslen(path);
  if (length < 12 || _wcsicmp(path + length - 12, L"QXICOBAR.INI") != 0)
    return reinterpret_cast<decltype(&GetFileSecurityW)>(importFault.real)(path, what, descriptor,
                                                                           size, needed);
  PSECURITY_DESCRIPTOR owned = nullptr;
  ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:BGD:P(A;;FA;;;SY)", SDDL_REVISION_1,
                                                       &owned, nullptr);
  *needed = GetSecurityDescriptorLength(owned);
  const BOOL fits = descriptor && size >= *needed;
  if (fits) memcpy(descriptor, owned, *needed);
  LocalFree(owned);
  SetLastError(fits ? ERROR_SUCCESS : ERROR_INSUFFICIENT_BUFFER);
  return fits;
}

std::string UserSid() {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  BYTE buffer[256];
  DWORD size = 0;
  LPSTR text = nullptr;
  GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
  CloseHandle(token);
  ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text);
  std::string sid = text ? text : "";
  LocalFree(text);
  return sid;
}

void Open(const std::string& path, const wchar_t* dacl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ConvertStringSecurityDescriptorToSecurityDescriptorW(dacl, SDDL_REVISION_1, &descriptor, nullptr);
  SetFileSecurityW(std::wstring(path.begin(), path.end()).c_str(),
                   dacl[0] == 'O' ? OWNER_SECURITY_INFORMATION : DACL_SECURITY_INFORMATION,
                   descriptor);
  LocalFree(descriptor);
}

// Runs a Unix command on Windows paths (Wine's own CreateSymbolicLink makes no link) and
// waits until the last path exists or not, as `exists` says.
bool Unix(const char* program, const std::vector<std::string>& paths, bool exists) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return false;
  std::string command = program;
  for (const std::string& path : paths) {
    char* unixPath = toUnix(std::wstring(path.begin(), path.end()).c_str());
    if (!unixPath) return false;
    command += std::string(" \"") + unixPath + "\"";
    HeapFree(GetProcessHeap(), 0, unixPath);
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  const std::string image = "Z:" + std::string(program).substr(0, std::string(program).find(' '));
  if (!CreateProcessA(image.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  auto there = [&] { return GetFileAttributesA(paths.back().c_str()) != INVALID_FILE_ATTRIBUTES; };
  for (int wait = 0; wait < 500 && there() != exists; ++wait) Sleep(10);
  return there() == exists;
}

TEST_F(SettingsFileTest, OnlyTheUsersOwnPlaceIsReadAndWritten) {
  const std::string me = UserSid(), folder = UserDirectory(), elsewhere = folder + "-elsewhere";
  const std::string own = "(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + me + ")";
  const std::string ownFile = "D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;" + me + ")";
  const std::string text = "[Icon Bar]\r\nPopup Delay=77\r\nNumber of Icons=0\r\n";
  std::string large = text;
  while (large.size() <= kLargestSettingsFile) large += "; " + std::string(98, '-') + "\r\n";
  const wchar_t* const everyone = L"D:(A;OICI;FA;;;WD)";
  enum Setup { kNoFolder, kOpenFolder, kOpenFile, kLinkFolder, kLinkFile, kLarge, kForeign };
  const struct {
    Setup setup;
    std::string handed, said;  // the descriptor the security call got; what the load says
  } cases[] = {{kNoFolder, "D:P" + own, ""},
               {kOpenFolder, "D:P" + own, ""},
               {kOpenFile, ownFile, ""},
               {kLinkFolder, "", folder + " is a link to another place."},
               {kLinkFile, "", SettingsPath() + " is a link to another place."},
               {kLarge, "",
                "The settings file " + SettingsPath() + " is " + std::to_string(large.size()) +
                    " bytes long"},
               {kForeign, "", SettingsPath() + " belongs to another user."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setup);
    Clean();
    RemoveFile(elsewhere + "\\QXICOBAR.INI");
    RemoveFile(elsewhere);
    const bool link = c.setup == kLinkFolder || c.setup == kLinkFile;
    const std::string written = link ? elsewhere + "\\QXICOBAR.INI" : SettingsPath();
    if (link) CreateDirectoryA(elsewhere.c_str(), nullptr);
    if (c.setup == kNoFolder) RemoveDirectoryA(folder.c_str());
    if (c.setup == kLinkFolder) RemoveDirectoryA(folder.c_str());
    if (c.setup != kNoFolder) WriteFileBytes(written, c.setup == kLarge ? large : text);
    if (c.setup == kOpenFolder) Open(folder, everyone);
    if (c.setup == kOpenFile) Open(SettingsPath(), everyone);
    const std::string linkPath = c.setup == kLinkFolder ? folder : SettingsPath();
    if (link &&
        !(Unix("/bin/ln -s", {c.setup == kLinkFolder ? elsewhere : written, linkPath}, true) &&
          GetFileAttributesA(linkPath.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT)) {
      // Wine marks a link to a folder as a reparse point, but not a link to a file.
      std::printf("No link marked as such can be made here: row %d skipped.\n", c.setup);
      Unix("/bin/rm", {linkPath}, false);
      continue;
    }
    std::optional<ImportFault> foreign;
    if (c.setup == kForeign) {
      foreign.emplace(GetModuleHandleA(nullptr), "advapi32.dll", "GetFileSecurityW",
                      reinterpret_cast<void*>(ForeignOwnedFile), 0, 0, 0);
      ASSERT_TRUE(foreign->patched());
    }
    const std::string before = FileBytes(written);
    handedDescriptors.clear();
    MessageBoxCatcher catcher;
    void** slots[] = {
        PatchImport(GetModuleHandleA(nullptr), "kernel32.dll", "CreateDirectoryW",
                    reinterpret_cast<void*>(RecordCreateDirectoryW), &realCreateDirectoryW),
        PatchImport(GetModuleHandleA(nullptr), "advapi32.dll", "SetFileSecurityW",
                    reinterpret_cast<void*>(RecordSetFileSecurityW), &realSetFileSecurityW)};
    Load();
    PatchImport(GetModuleHandleA(nullptr), "kernel32.dll", "CreateDirectoryW", realCreateDirectoryW,
                nullptr);
    PatchImport(GetModuleHandleA(nullptr), "advapi32.dll", "SetFileSecurityW", realSetFileSecurityW,
                nullptr);
    ASSERT_TRUE(slots[0] && slots[1]);
    EXPECT_EQ(handedDescriptors,
              c.handed.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.handed});
    const std::string path = c.setup == kOpenFile ? SettingsPath() : folder;
    if (c.said.empty()) {  // closed to others, or made so
      EXPECT_EQ(CheckSettingsPlace(std::wstring(path.begin(), path.end()).c_str()),
                PlaceCheck::kOurs);
    }
    EXPECT_EQ(barSettings.popupDelay, c.said.empty() && c.setup != kNoFolder ? 77 : 500);
    ASSERT_EQ(catcher.boxes().size(), c.said.empty() ? 0u : 1u);
    if (c.said.empty()) continue;
    EXPECT_EQ(catcher.boxes()[0].text.find(c.said), 0u) << catcher.boxes()[0].text;
    barSettings.popupDelay = 4321;
    EXPECT_FALSE(SaveSettings());
    EXPECT_EQ(catcher.boxes().size(), 2u) << "the save says so again";
    EXPECT_EQ(FileBytes(written), before) << "left byte for byte";
    EXPECT_EQ(FileBytes(BackupPath()), "<missing>");
    EXPECT_EQ(FileBytes(written.substr(0, written.size() - 3) + "NEW"), "<missing>");
    if (link) Unix("/bin/rm", {linkPath}, false);
  }
  RemoveFile(elsewhere + "\\QXICOBAR.INI");
  RemoveFile(elsewhere);

  // The folders above the users' own, as the installer makes them.
  const std::string shared = folder.substr(0, folder.rfind('\\')) + "\\shared-probe";
  RemoveDirectoryA(shared.c_str());
  handedDescriptors.clear();
  PatchImport(GetModuleHandleA(nullptr), "kernel32.dll", "CreateDirectoryW",
              reinterpret_cast<void*>(RecordCreateDirectoryW), &realCreateDirectoryW);
  EXPECT_TRUE(MakeSettingsFolder(std::wstring(shared.begin(), shared.end()).c_str(),
                                 SettingsPlace::kSharedFolder));
  PatchImport(GetModuleHandleA(nullptr), "kernel32.dll", "CreateDirectoryW", realCreateDirectoryW,
              nullptr);
  RemoveDirectoryA(shared.c_str());
  EXPECT_EQ(handedDescriptors, std::vector<std::string>{"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
                                                        "(A;;0x1200ad;;;AU)(A;OICIIO;FA;;;CO)"});
}

TEST_F(SettingsFileTest, ALoadWithoutTheFileTakesBackWhatAnInterruptedSaveLeft) {
  const std::string whole = "[Icon Bar]\r\nPopup Delay=77\r\nNumber of Icons=0\r\n";
  const std::string backup = "[Icon Bar]\r\nPopup Delay=88\r\nNumber of Icons=0\r\n";
  const std::string newPath = SettingsSibling("NEW");
  const struct {
    const char* newText;  // nullptr: none; "/": a folder
    int delay;
    const char* takenFrom;
  } cases[] = {{whole.c_str(), 77, "NEW"},
               {"[Icon Bar]\r\nPopup Delay=77\r\nNumber of Ic", 88, "BAK"},
               {"/", 88, "BAK"},
               {nullptr, 88, "BAK"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.delay);
    Clean();
    WriteFileBytes(BackupPath(), backup);
    if (c.newText && *c.newText == '/') CreateDirectoryA(newPath.c_str(), nullptr);
    if (c.newText && *c.newText != '/') WriteFileBytes(newPath, c.newText);
    for (int load = 0; load < 2; ++load) {
      MessageBoxCatcher catcher;
      Load();
      EXPECT_EQ(barSettings.popupDelay, c.delay);
      ASSERT_EQ(catcher.boxes().size(), load == 0 ? 1u : 0u) << "said once";
      if (load > 0) continue;
      EXPECT_EQ(catcher.boxes()[0].text, "The settings file " + SettingsPath() +
                                             " was missing: your settings were taken from " +
                                             SettingsPath().substr(0, SettingsPath().size() - 3) +
                                             c.takenFrom + ", which an interrupted save left.");
    }
    EXPECT_EQ(FileBytes(BackupPath()), backup);
  }
}

TEST_F(SettingsFileTest, AUserNameOfAnyLengthHasAFileOfItsOwnOrNone) {
  char saved[300] = "";
  GetEnvironmentVariableA("WINEUSERNAME", saved, sizeof saved);
  const std::string drive = SettingsPath().substr(0, 3);
  for (size_t length : {50u, 240u}) {
    SCOPED_TRACE(length);
    const std::string name(length, 'u');
    SetEnvironmentVariableA("WINEUSERNAME", name.c_str());
    char got[300] = "";
    DWORD size = sizeof got;
    if (!GetUserNameA(got, &size) || name != got) {
      std::printf("The user name cannot be changed here: row %zu skipped.\n", length);
      continue;
    }
    const std::string folder = drive + "QXIBAR\\WINFILE\\NT\\" + name;
    MessageBoxCatcher catcher;
    Load();
    barSettings.popupDelay = 4321;
    const bool fits = folder.size() + 13 < MAX_PATH;
    EXPECT_EQ(SaveSettings(), fits);
    EXPECT_EQ(ProfileValue(folder + "\\QXICOBAR.INI", "Icon Bar", "Popup Delay"),
              fits ? "4321" : "(none)");
    ASSERT_EQ(catcher.boxes().size(), fits ? 0u : 2u);
    const std::string said =
        "The path of your settings file would be longer than 259 characters:\n" + folder +
        "\\QXICOBAR.INI\n";
    if (!fits) {
      EXPECT_EQ(catcher.boxes()[0].text.find(said), 0u) << catcher.boxes()[0].text;
    }
    RemoveFile(folder + "\\QXICOBAR.INI");
    RemoveDirectoryA(folder.c_str());
    SetEnvironmentVariableA("WINEUSERNAME", saved);
  }
}

HDC WINAPI ThrowNoMemory(HWND, LPPAINTSTRUCT) { throw std::bad_alloc(); }
HDC WINAPI ThrowOther(HWND, LPPAINTSTRUCT) { throw std::runtime_error("paint"); }
BOOL WINAPI ThrowAtMove(HWND, int, int, int, int, BOOL) { throw std::runtime_error("move"); }
LRESULT CALLBACK FileManagersOwnProc(HWND, UINT, WPARAM, LPARAM) { return 42; }

// The bar's own procedure answers 0 after a throw; File Manager's MDI client,
// whose procedure the extension took over, still gets the message from its own.
TEST_F(SettingsFileTest, AThrowInAWindowProcedureIsReportedAndFileManagerGoesOn) {
  const struct {
    const char* function;
    void* hook;
    const char* report;
    LRESULT (*run)();
    LRESULT answer;
  } cases[] = {
      {"BeginPaint", reinterpret_cast<void*>(ThrowNoMemory),
       "QXBUTPRO :999 - Insufficient memory, C++ new failed.",
       [] { return ButtonWndProc(extState.barWindow, WM_PAINT, 0, 0); }, 0},
      {"BeginPaint", reinterpret_cast<void*>(ThrowOther), "QXBUTPRO :999 - C++ code failed.",
       [] { return ButtonWndProc(extState.barWindow, WM_PAINT, 0, 0); }, 0},
      {"MoveWindow", reinterpret_cast<void*>(ThrowAtMove), "QXMDIPRO :999 - C++ code failed.",
       [] {
         WINDOWPOS place = {};
         place.cx = place.cy = 100;
         return MDIWndProc(extState.barWindow, WM_WINDOWPOSCHANGING, 0, LPARAM(&place));
       },
       42}};
  extState.savedMdiClientProc = FileManagersOwnProc;
  extState.barOn = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.report);
    MessageBoxCatcher catcher;
    void* real = nullptr;
    ASSERT_TRUE(PatchImport(GetModuleHandleA(nullptr), "user32.dll", c.function, c.hook, &real));
    const LRESULT result = c.run();
    PatchImport(GetModuleHandleA(nullptr), "user32.dll", c.function, real, nullptr);
    EXPECT_EQ(result, c.answer);
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(catcher.boxes()[0].text, c.report);
  }
  extState.savedMdiClientProc = nullptr;
}

}  // namespace
