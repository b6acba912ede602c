// Generated and damaged settings files loaded, painted, saved, reloaded and saved again, in
// child processes with a time limit; and a soak of loads and mouse actions in one stand-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "bar_host_fixture.h"
#include "support/msgbox_catcher.h"

namespace barhost {
namespace {

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> words;
  std::istringstream in(list);
  for (std::string word; std::getline(in, word, '|');) words.push_back(word);
  return words;
}

const std::vector<std::string> kBarKeys = Split(
    "Bar On|Bar Background Color Red|Bar Background Color Green|Bar Background Color Blue|"
    "Bar Length|Bar Framed|Icons Framed|Vertical Icon Position|Bar Height|"
    "Icons Spaced Horizontal Evenly|Delete Warning|Tool Tips|Position Popups Above|"
    "Popup Background Color Red|Popup Delay|Font Height|Font Width|Font Weight|Font Italic|"
    "Font Charset|Font Quality|Font Facename");
const std::vector<std::string> kButtonKeys = Split(
    "Program Name or Menu Item|Type|Icon Index|Icon Name|Description|Pass Selected Files|"
    "Requires File|Allow Multiple Files|Icon Frame|Wait For Completion|Display Mode|"
    "Icon Background Color Red");
const std::vector<std::string> kValues = Split(
    "0|1|2|4|-1|255|256|-2147483648|2147483647|4294967296|99999999999999999999|0x10|| 7 |12abc|"
    "Sort by Name|C:\\WINDOWS\\NOTEPAD.EXE|Arial|cmdline_logger.exe");

// File `number` of the run: a plausible file with real keys, then one of seven kinds of damage.
std::string FuzzedFile(int number) {
  std::mt19937 random(static_cast<unsigned>(number) * 2654435761u);
  auto pick = [&](size_t count) { return static_cast<size_t>(random() % count); };
  auto some = [&](const std::vector<std::string>& keys, size_t odds) {
    std::string lines;
    for (const std::string& key : keys)
      if (pick(odds)) lines += key + "=" + kValues[pick(kValues.size())] + "\r\n";
    return lines;
  };
  const int buttons = static_cast<int>(pick(12));
  std::string text = "[Icon Bar]\r\nNumber of Icons=" + std::to_string(buttons) + "\r\n";
  text += some(kBarKeys, 3);
  for (int n = 0; n < buttons; ++n)
    text += "[Icon" + std::to_string(n) + "]\r\n" + some(kButtonKeys, 2);
  switch (number % 10) {
    case 0: {  // random bytes
      std::string bytes(pick(4000), '\0');
      for (char& c : bytes) c = static_cast<char>(random());
      return bytes;
    }
    case 1:  // cut short anywhere
      return text.substr(0, pick(text.size() + 1));
    case 2:  // a huge line
      return text.insert(pick(text.size() + 1),
                         "Description=" + std::string(20000 + pick(80000), 'x') + "\r\n");
    case 3:  // lines without "=", or (4) section names without "]"
    case 4: {
      const char gone = number % 10 == 3 ? '=' : ']';
      for (size_t at = text.find(gone); at != std::string::npos; at = text.find(gone, at + 1))
        if (pick(2)) text[at] = ' ';
      return text;
    }
    case 5:  // another count of buttons, and sections repeated
      text.replace(text.find("Icons=") + 6, std::to_string(buttons).size(),
                   kValues[pick(kValues.size())]);
      return text + text.substr(pick(text.size() + 1));
    case 7: {  // UTF-16, with or without its byte order mark
      std::string wide = pick(2) ? "\xFF\xFE" : "";
      for (char c : text) wide += std::string{c, '\0'};
      return wide;
    }
    default:  // bytes changed here and there, control characters put in, the last line end cut
      for (int n = 0; n < 12 && !text.empty(); ++n) text[pick(text.size())] = char(random());
      for (int n = 0; n < 6; ++n) text.insert(pick(text.size() + 1), 1, char(pick(32)));
      return text.substr(0, text.size() - pick(3));
  }
}

class RobustnessTest : public BarInHostTest {
 protected:
  void Paint() {
    if (Bar()) RedrawWindow(Bar(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  void SaveNow() { SendMessageA(frame_, WM_COMMAND, kMenuDelta + kSaveNow, 0); }
  // Loads the file as it is on disk: the extension's own save at unload comes first.
  void LoadFile(const std::string& bytes) {
    fmhost::UnloadExtensions(frame_);
    WriteFileBytes(SettingsPath(), bytes);
    fmhost::ReloadExtensions(frame_);
    fmhost::Pump(0);
  }
  // The module held while its boxes are caught (the catcher goes first: it puts the imports back).
  std::unique_ptr<HINSTANCE__, decltype(&FreeLibrary)> module_{LoadLibraryA("qxibar.dll"),
                                                               &FreeLibrary};
  MessageBoxCatcher catcher_{module_.get()};
};

// Eight batches of 250 files, 2,000 in all, each in a child (this test again, QX_FUZZ set) with a
// time limit. The child logs each file's outcome, so that the parent can tell which file ended it;
// a saved file that does not load and save the same again is kept in the batch's folder.
class FuzzedFiles : public RobustnessTest, public ::testing::WithParamInterface<int> {};
INSTANTIATE_TEST_SUITE_P(EightBatches, FuzzedFiles, ::testing::Range(0, 8));

TEST_P(FuzzedFiles, LoadPaintSaveReloadAndSaveTheSameAgain) {
  constexpr int kBatch = 250;
  const int first = GetParam() * kBatch;
  const std::string batch = ProgramDirectory() + "\\fuzz\\" + std::to_string(GetParam());
  const std::string results = batch + "\\results.txt";
  char from[16] = "";
  if (GetEnvironmentVariableA("QX_FUZZ", from, sizeof from)) {
    FILE* log = std::fopen(results.c_str(), "ab");
    ASSERT_NE(log, nullptr);
    std::setvbuf(log, nullptr, _IONBF, 0);  // on disk before the next file, should it crash
    Start(false);
    for (int number = std::atoi(from); number < first + kBatch; ++number) {
      LoadFile(FuzzedFile(number));
      std::string outcome = "refused";
      if (Bar()) {
        Paint();
        SaveNow();
        const std::string saved = FileBytes(SettingsPath());
        LoadFile(saved);
        Paint();
        SaveNow();
        outcome = !Bar() ? "lost" : FileBytes(SettingsPath()) == saved ? "same" : "differs";
        if (outcome != "same")
          WriteFileBytes(batch + "\\" + std::to_string(number) + ".saved", saved);
      }
      std::fprintf(log, "%d %s\n", number, outcome.c_str());
      catcher_.clear();
    }
    return (void)std::fclose(log);
  }
  std::filesystem::create_directories(Wide(batch));
  DeleteFileA(results.c_str());
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string command = GetCommandLineA() + std::string(" --gtest_filter=") +
                        test->test_suite_name() + "." + test->name();
  const DWORD began = GetTickCount();
  int ended = 0, accepted = 0;
  std::string wrong;
  // A child goes on from the file after the last one told; one that crashes,
  // or tells nothing for ten seconds, is counted, its file kept, and the next
  // child goes on after it.
  while (ended < kBatch) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    SetEnvironmentVariableA("QX_FUZZ", std::to_string(first + ended).c_str());
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &child));
    SetEnvironmentVariableA("QX_FUZZ", nullptr);
    size_t told = 0;
    for (DWORD still = GetTickCount(); WaitForSingleObject(child.hProcess, 500) == WAIT_TIMEOUT;)
      if (const size_t now = FileBytes(results).size(); now != told)
        told = now, still = GetTickCount();
      else if (GetTickCount() - still > 10000)
        TerminateProcess(child.hProcess, 1);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    int number = 0;
    std::string outcome;
    std::istringstream lines(FileBytes(results));
    for (ended = accepted = 0, wrong.clear(); lines >> number >> outcome; ++ended)
      if (outcome == "same")
        ++accepted;
      else if (outcome != "refused")
        wrong += outcome + " " + std::to_string(number) + "; ";
    if (ended < kBatch) {
      WriteFileBytes(batch + "\\" + std::to_string(first + ended) + ".ini",
                     FuzzedFile(first + ended));
      std::ofstream(results, std::ios::app) << first + ended++ << " stopped\n";
    }
  }
  std::printf("fuzz: files %d to %d, %d taken, in %lu s\n", first, first + kBatch - 1, accepted,
              (GetTickCount() - began) / 1000);
  // Most damage leaves a file the bar can be built from: a refusal of all of
  // them would pass every other check here.
  EXPECT_GE(accepted, kBatch * 9 / 10);
  EXPECT_EQ(wrong, "") << "the files that stopped a child (.ini) and the saves that differ "
                          "(.saved), from FuzzedFile(number), are in "
                       << batch;
}

// 200 loads and unloads of a 60-button bar and 20,000 mouse actions over it in one stand-in: the
// process's objects and heap blocks back where they were, the settings file still one we read.
TEST_F(RobustnessTest, SoakLoadsAndMouseActionsLeaveNothingBehind) {
  const int cycles = 200, length = 1200, height = 48;
  std::vector<Keys> buttons;
  for (int n = 0; n < 60; ++n)
    buttons.push_back(MenuButton(n % 2 ? "No Such Item" : "Sort by Name",
                                 {{"Description", "button " + std::to_string(n)}}));
  WriteSettings({{"Bar Length", std::to_string(length)},
                 {"Bar Height", std::to_string(height)},
                 {"Icons Spaced Horizontal Evenly", "0"},
                 {"Popup Delay", "1"}},
                buttons);
  Start();
  std::mt19937 random(14);
  auto usage = [] {  // GDI objects, USER objects and busy heap blocks of the process
    return std::array<long long, 3>{
        GdiObjectCount(), GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), BusyHeapBlocks()};
  };
  std::array<long long, 3> first{};
  const UINT messages[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_MOUSEMOVE};  // mostly
  const WPARAM keys[] = {MK_LBUTTON, 0, MK_RBUTTON, 0};
  // The first cycles warm up what the system keeps once made (message boxes, menus, the
  // chevron's among them, which the random clicks reach only now and then).
  const int warmUp = 20;
  for (int cycle = 0; cycle <= cycles; ++cycle) {
    fmhost::ReloadExtensions(frame_);
    HWND bar = Bar();
    ASSERT_NE(bar, nullptr) << "cycle " << cycle;
    Paint();
    if (cycle == warmUp) first = usage();
    for (int n = 0; n < 100; ++n) {
      const LPARAM at = MAKELPARAM(random() % length, random() % height);
      const unsigned kind = std::min<unsigned>(random() % 8, 3);
      // For the menu that comes: the right-click menus, and the chevron's at the bar's end.
      if (kind == 2 || kind == 0) PostMessageA(bar, WM_KEYDOWN, VK_ESCAPE, 0);
      SendMessageA(bar, messages[kind], keys[kind], at);
      if (kind == 2) SendMessageA(bar, WM_RBUTTONUP, 0, at);
      if (n % 10 == 0) fmhost::Pump(0);
    }
    SendMessageA(bar, WM_LBUTTONUP, 0, 0);  // no capture left behind for the unload
    fmhost::Pump(0);
    catcher_.clear();
  }
  fmhost::UnloadExtensions(frame_);
  fmhost::ReloadExtensions(frame_);
  Paint();
  const std::array<long long, 3> last = usage();
  std::printf(
      "soak: %d loads, %d mouse actions; GDI objects %lld -> %lld, USER objects %lld -> "
      "%lld, busy heap blocks %lld -> %lld\n",
      cycles, cycles * 100, first[0], last[0], first[1], last[1], first[2], last[2]);
  for (int n : {0, 2}) EXPECT_GT(first[n], 0) << n << ": not counted";
  const long long slack[] = {5, 5, 20};
  for (int n = 0; n < 3; ++n) EXPECT_LE(last[n], first[n] + slack[n]) << n;
  fmhost::UnloadExtensions(frame_);  // reading the file keeps it in the process's memory
  EXPECT_EQ(SettingsValue("Icon Bar", "Number of Icons"), "60");
  EXPECT_EQ(SettingsValue("Icon59", "Description"), "button 59");
}

}  // namespace
}  // namespace barhost
