// Generated and mutated settings files loaded, painted, saved, loaded again
// and saved again, each batch in a child process with a time limit; and a
// soak of many loads and mouse actions in one stand-in File Manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <sstream>

#include "bar_host_fixture.h"
#include "support/msgbox_catcher.h"

namespace barhost {
namespace {

const char* const kBarKeys[] = {"Bar On",
                                "Bar Background Color Red",
                                "Bar Background Color Green",
                                "Bar Background Color Blue",
                                "Bar Length",
                                "Bar Framed",
                                "Icons Framed",
                                "Vertical Icon Position",
                                "Bar Height",
                                "Icons Spaced Horizontal Evenly",
                                "Delete Warning",
                                "Tool Tips",
                                "Position Popups Above",
                                "Popup Background Color Red",
                                "Popup Delay",
                                "Font Height",
                                "Font Width",
                                "Font Weight",
                                "Font Italic",
                                "Font Charset",
                                "Font Quality",
                                "Font Facename"};
const char* const kButtonKeys[] = {"Program Name or Menu Item",
                                   "Type",
                                   "Icon Index",
                                   "Icon Name",
                                   "Description",
                                   "Pass Selected Files",
                                   "Requires File",
                                   "Allow Multiple Files",
                                   "Icon Frame",
                                   "Wait For Completion",
                                   "Display Mode",
                                   "Icon Background Color Red"};
const char* const kValues[] = {"0",
                               "1",
                               "2",
                               "4",
                               "-1",
                               "255",
                               "256",
                               "-2147483648",
                               "2147483647",
                               "4294967296",
                               "99999999999999999999",
                               "0x10",
                               "",
                               " 7 ",
                               "12abc",
                               "Sort by Name",
                               "C:\\WINDOWS\\NOTEPAD.EXE",
                               "Arial",
                               "cmdline_logger.exe"};

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}
void WriteWhole(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// File `number` of the run: a plausible file with real keys, then one of ten
// kinds of damage, all from the number alone.
std::string FuzzedFile(int number) {
  std::mt19937 random(static_cast<unsigned>(number) * 2654435761u);
  auto pick = [&](size_t count) { return static_cast<size_t>(random() % count); };
  const int buttons = static_cast<int>(pick(12));
  std::string text = "[Icon Bar]\r\nNumber of Icons=" + std::to_string(buttons) + "\r\n";
  for (const char* key : kBarKeys)
    if (pick(3)) text += std::string(key) + "=" + kValues[pick(std::size(kValues))] + "\r\n";
  for (int n = 0; n < buttons; ++n) {
    text += "[Icon" + std::to_string(n) + "]\r\n";
    for (const char* key : kButtonKeys)
      if (pick(2)) text += std::string(key) + "=" + kValues[pick(std::size(kValues))] + "\r\n";
  }
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
    case 3:  // lines without "="
      for (size_t at = text.find('='); at != std::string::npos; at = text.find('=', at + 1))
        if (pick(2)) text[at] = ' ';
      return text;
    case 4:  // section names without "]"
      for (size_t at = text.find(']'); at != std::string::npos; at = text.find(']', at + 1))
        if (pick(2)) text[at] = ' ';
      return text;
    case 5:  // sections repeated
      return text + text.substr(pick(text.size() + 1));
    case 6:  // more buttons promised than there are, or an extreme count
      return text.replace(text.find("Icons=") + 6, std::to_string(buttons).size(),
                          kValues[pick(std::size(kValues))]);
    case 7: {  // UTF-16, with or without its byte order mark
      std::string wide = pick(2) ? "\xFF\xFE" : "";
      for (char c : text) wide += std::string{c, '\0'};
      return wide;
    }
    case 8:  // bytes changed here and there
      for (int n = 0; n < 12 && !text.empty(); ++n) text[pick(text.size())] = char(random());
      return text;
    default:  // control characters and a missing last line end
      for (int n = 0; n < 6; ++n) text.insert(pick(text.size() + 1), 1, char(pick(32)));
      return text.substr(0, text.size() - pick(3));
  }
}

class RobustnessTest : public BarInHostTest {
 protected:
  void Paint() {
    if (HWND bar = Bar()) {
      InvalidateRect(bar, nullptr, TRUE);
      UpdateWindow(bar);
    }
  }
  void SaveNow() {
    SendMessageA(frame_, WM_COMMAND, kMenuDelta + kSaveNow, 0);
    fmhost::Pump(0);
  }
  // Loads the settings file as it is on disk (the extension's own save at
  // unload comes before the file is put in place).
  void LoadFile(const std::string& bytes) {
    if (frame_) fmhost::UnloadExtensions(frame_);
    WriteWhole(SettingsPath(), bytes);
    if (!frame_) {
      Start(false);
    } else {
      fmhost::ReloadExtensions(frame_);
      fmhost::Pump(0);
    }
  }
};

// One batch, in the child process that the fuzz test starts: QX_FUZZ names the
// folder, the first and the last file; each file's outcome is logged before
// and after, so that the parent can tell which file ended the process.
TEST_F(RobustnessTest, DISABLED_FuzzBatch) {
  char spec[1024] = "";
  if (!GetEnvironmentVariableA("QX_FUZZ", spec, sizeof spec)) GTEST_SKIP();
  char folder[1024] = "";
  int first = 0, last = -1;
  ASSERT_EQ(std::sscanf(spec, "%1023[^;];%d;%d", folder, &first, &last), 3);
  FILE* log = std::fopen((std::string(folder) + "\\results.txt").c_str(), "ab");
  ASSERT_NE(log, nullptr);
  HMODULE module = LoadLibraryA("qxibar.dll");
  // Goes before the module: it puts the module's imports back.
  auto catcher = std::make_unique<MessageBoxCatcher>(module);
  for (int number = first; number <= last; ++number) {
    std::fprintf(log, "start %d\n", number);
    std::fflush(log);
    LoadFile(FuzzedFile(number));
    const char* outcome = "refused";
    if (Bar()) {
      Paint();
      SaveNow();
      const std::string saved = ReadWhole(SettingsPath());
      LoadFile(saved);
      Paint();
      SaveNow();
      outcome = !Bar() ? "lost" : ReadWhole(SettingsPath()) == saved ? "same" : "differs";
      if (std::string(outcome) != "same")
        WriteWhole(std::string(folder) + "\\" + std::to_string(number) + ".saved", saved);
    }
    std::fprintf(log, "%s %d %zu\n", outcome, number, catcher->boxes().size());
    std::fflush(log);
    catcher->clear();
  }
  std::fclose(log);
  fmhost::Destroy(frame_);
  frame_ = nullptr;
  catcher.reset();
  FreeLibrary(module);
}

// Eight batches of 250 files, 2,000 in all; a file that crashes or hangs the
// child is kept in the batch's folder under the test program's fuzz folder.
class FuzzedFiles : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(EightBatches, FuzzedFiles, ::testing::Range(0, 8));

TEST_P(FuzzedFiles, LoadPaintSaveReloadAndSaveTheSameAgain) {
  constexpr int kBatch = 250;
  const int begin = GetParam() * kBatch, end = begin + kBatch;
  char own[32768] = "";
  GetModuleFileNameA(nullptr, own, sizeof own);
  const std::string folder = ProgramDirectory() + "\\fuzz";
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string batch = folder + "\\" + std::to_string(GetParam());
  CreateDirectoryA(batch.c_str(), nullptr);
  const std::string results = batch + "\\results.txt";
  DeleteFileA(results.c_str());
  std::map<std::string, int> counts;
  std::vector<int> kept;
  const DWORD began = GetTickCount();
  for (int first = begin; first < end;) {
    const int last = end - 1;
    SetEnvironmentVariableA(
        "QX_FUZZ", (batch + ";" + std::to_string(first) + ";" + std::to_string(last)).c_str());
    std::string command = std::string("\"") + own +
                          "\" --gtest_also_run_disabled_tests "
                          "--gtest_filter=RobustnessTest.DISABLED_FuzzBatch";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &child));
    // Five seconds a file at most: a hang is ended and counted.
    const bool hung =
        WaitForSingleObject(child.hProcess, 60000 + 5000 * (last - first + 1)) == WAIT_TIMEOUT;
    if (hung) TerminateProcess(child.hProcess, 1);
    WaitForSingleObject(child.hProcess, INFINITE);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    // The last file started and not ended is the one that crashed or hung.
    int started = first - 1, ended = first - 1;
    std::istringstream lines(ReadWhole(results));
    for (std::string word; lines >> word;) {
      int number = 0;
      lines >> number;
      if (word == "start") {
        started = number;
        continue;
      }
      size_t boxes = 0;
      lines >> boxes;
      if (number >= first && number > ended) {
        ended = number;
        ++counts[word];
        if (word != "same" && word != "refused") kept.push_back(number);
      }
    }
    if (started > ended) {
      ++counts[hung ? "hung" : "crashed"];
      kept.push_back(started);
      ended = started;
    }
    first = std::max(ended + 1, first + (started < first ? 1 : 0));
  }
  for (int number : kept)
    WriteWhole(batch + "\\" + std::to_string(number) + ".ini", FuzzedFile(number));
  std::printf("fuzz: files %d to %d in %lu s:", begin, end - 1, (GetTickCount() - began) / 1000);
  for (const auto& [outcome, count] : counts) std::printf(" %s %d", outcome.c_str(), count);
  std::printf("; kept in %s: %zu\n", batch.c_str(), kept.size());
  EXPECT_EQ(counts["same"] + counts["refused"], kBatch);
}

// 200 loads and unloads of a 60-button bar and 20,000 mouse actions over it
// in one stand-in: the process's objects and heap blocks back where they
// were, the settings file still one the extension reads.
TEST_F(RobustnessTest, SoakLoadsAndMouseActionsLeaveNothingBehind) {
  const int cycles = 200;
  BarGeometry geometry;
  geometry.length = 1200;
  geometry.squishLeft = true;
  geometry.buttonCount = 60;
  std::vector<Keys> buttons;
  for (int n = 0; n < 60; ++n)
    buttons.push_back(n % 2 ? Keys{{"Program Name or Menu Item", "No Such Item"},
                                   {"Type", "0"},
                                   {"Description", "button " + std::to_string(n)}}
                            : Keys{{"Program Name or Menu Item", "Sort by Name"},
                                   {"Type", "0"},
                                   {"Description", "sort " + std::to_string(n)}});
  WriteBarSettings(geometry, {{"Popup Delay", "1"}}, buttons);
  HMODULE module = LoadLibraryA("qxibar.dll");
  // Goes before the module: it puts the module's imports back.
  auto catcher = std::make_unique<MessageBoxCatcher>(module);
  Start();
  ASSERT_FALSE(HasFatalFailure());
  std::mt19937 random(14);
  int actions = 0;
  size_t boxes = 0;
  long gdiFirst = 0;
  DWORD userFirst = 0;
  size_t heapFirst = 0;
  // Cycle 0 warms up what the system keeps once made (message boxes, menus).
  for (int cycle = 0; cycle <= cycles; ++cycle) {
    fmhost::ReloadExtensions(frame_);
    HWND bar = Bar();
    ASSERT_NE(bar, nullptr) << "cycle " << cycle;
    Paint();
    if (cycle == 1) {
      gdiFirst = GdiObjectCount();
      userFirst = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
      heapFirst = BusyHeapBlocks();
      actions = 0;
    }
    for (int n = 0; n < 100; ++n, ++actions) {
      const LPARAM at = MAKELPARAM(random() % geometry.length, random() % geometry.height);
      switch (random() % 8) {
        case 0:
          SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
          break;
        case 1:
          SendMessageA(bar, WM_LBUTTONUP, 0, at);
          break;
        case 2:  // the menu goes with Escape
          PostMessageA(bar, WM_KEYDOWN, VK_ESCAPE, 0);
          SendMessageA(bar, WM_RBUTTONDOWN, MK_RBUTTON, at);
          SendMessageA(bar, WM_RBUTTONUP, 0, at);
          break;
        default:
          SendMessageA(bar, WM_MOUSEMOVE, 0, at);
      }
      if (n % 10 == 0) fmhost::Pump(0);
    }
    // No capture left behind for the unload.
    SendMessageA(bar, WM_LBUTTONUP, 0, 0);
    fmhost::Pump(0);
    boxes += catcher->boxes().size();
    catcher->clear();
  }
  fmhost::UnloadExtensions(frame_);
  fmhost::ReloadExtensions(frame_);
  Paint();
  const long gdiLast = GdiObjectCount();
  const DWORD userLast = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  const size_t heapLast = BusyHeapBlocks();
  std::printf(
      "soak: %d loads, %d mouse actions, %zu boxes; GDI objects %ld -> %ld, USER "
      "objects %lu -> %lu, busy heap blocks %zu -> %zu\n",
      cycles, actions, boxes, gdiFirst, gdiLast, userFirst, userLast, heapFirst, heapLast);
  EXPECT_GE(gdiFirst, 0);
  EXPECT_LE(gdiLast, gdiFirst + 5);
  EXPECT_LE(userLast, userFirst + 5);
  EXPECT_LE(heapLast, heapFirst + 20);
  fmhost::Destroy(frame_);
  frame_ = nullptr;
  catcher.reset();
  FreeLibrary(module);
  EXPECT_EQ(SettingsValue("Icon Bar", "Number of Icons"), "60");
  EXPECT_EQ(SettingsValue("Icon59", "Description"), "button 59");
}

}  // namespace
}  // namespace barhost
