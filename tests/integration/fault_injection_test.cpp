// Platform calls made to fail inside the real extension, one call site at a time, while it
// loads, paints, runs a button, saves and unloads: each failure is told with its exact report,
// nothing crashes, no record stays locked, File Manager gets its MDI client procedure and
// dialog class back, and the settings file is the old one or the new one, whole.
// QX_FAULT_EXPLORE=<function>,... (or "*") with --gtest_also_run_disabled_tests lists what
// failing each call of the functions in each phase reports.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "bar/buttons.h"
#include "bar_host_fixture.h"
#include "support/msgbox_catcher.h"

namespace barhost {
namespace {

enum Phase { kLoad, kPaint, kRun, kSave, kUnload };
const char* const kPhaseNames[] = {"load", "paint", "run", "save", "unload"};

// How each function fails: its failure value and a last error it gives then.
struct Failing {
  const char* dll;
  const char* name;
  void* hook;
  uintptr_t value;
  DWORD error;
};
// An import by the name this architecture's DLL has for it: the Ptr forms are
// macros for GetWindowLongA and the like in the 32-bit headers, and only the
// 64-bit user32 exports them.
#define QX_IMPORT_NAME(function) QX_IMPORT_TEXT(function)
#define QX_IMPORT_TEXT(function) #function
#define QX_FAILING(dll, function, value, error) \
  { dll, QX_IMPORT_NAME(function), QX_FAULT_HOOK(function), uintptr_t(value), error }
const Failing kFunctions[] = {
    QX_FAILING("user32.dll", LoadStringA, 0, ERROR_RESOURCE_NAME_NOT_FOUND),
    QX_FAILING("user32.dll", FindWindowA, 0, ERROR_FILE_NOT_FOUND),
    QX_FAILING("user32.dll", GetClassNameA, 0, ERROR_INVALID_WINDOW_HANDLE),
    QX_FAILING("user32.dll", GetWindowLongPtrA, 0, ERROR_INVALID_WINDOW_HANDLE),
    QX_FAILING("user32.dll", SetWindowLongPtrA, 0, ERROR_ACCESS_DENIED),
    QX_FAILING("user32.dll", GetClassInfoA, 0, ERROR_CLASS_DOES_NOT_EXIST),
    QX_FAILING("user32.dll", RegisterClassA, 0, ERROR_CLASS_ALREADY_EXISTS),
    QX_FAILING("user32.dll", LoadIconA, 0, ERROR_RESOURCE_NAME_NOT_FOUND),
    QX_FAILING("user32.dll", LoadCursorA, 0, ERROR_RESOURCE_NAME_NOT_FOUND),
    QX_FAILING("user32.dll", LoadImageA, 0, ERROR_RESOURCE_NAME_NOT_FOUND),
    QX_FAILING("user32.dll", CreateWindowExA, 0, ERROR_NOT_ENOUGH_MEMORY),
    QX_FAILING("user32.dll", LoadMenuA, 0, ERROR_RESOURCE_NAME_NOT_FOUND),
    QX_FAILING("user32.dll", GetMenu, 0, ERROR_INVALID_WINDOW_HANDLE),
    QX_FAILING("user32.dll", GetMenuItemCount, -1, ERROR_INVALID_MENU_HANDLE),
    QX_FAILING("user32.dll", GetMenuStringA, 0, ERROR_INVALID_MENU_HANDLE),
    QX_FAILING("user32.dll", BeginPaint, 0, ERROR_INVALID_WINDOW_HANDLE),
    QX_FAILING("user32.dll", DrawIcon, 0, ERROR_INVALID_CURSOR_HANDLE),
    QX_FAILING("user32.dll", GetDC, 0, ERROR_INVALID_WINDOW_HANDLE),
    QX_FAILING("user32.dll", MoveWindow, 0, ERROR_INVALID_WINDOW_HANDLE),
    QX_FAILING("user32.dll", SetCursor, 0, 0),
    QX_FAILING("user32.dll", DestroyCursor, 0, ERROR_INVALID_CURSOR_HANDLE),
    QX_FAILING("gdi32.dll", CreateSolidBrush, 0, ERROR_NOT_ENOUGH_MEMORY),
    QX_FAILING("gdi32.dll", DeleteObject, 0, ERROR_INVALID_HANDLE),
    QX_FAILING("kernel32.dll", LocalAlloc, 0, ERROR_NOT_ENOUGH_MEMORY),
    QX_FAILING("kernel32.dll", LocalLock, 0, ERROR_INVALID_HANDLE),
    QX_FAILING("kernel32.dll", LocalHandle, 0, ERROR_INVALID_HANDLE),
    QX_FAILING("kernel32.dll", LocalFree, 1, ERROR_INVALID_HANDLE),
    QX_FAILING("kernel32.dll", GetWindowsDirectoryA, 0, ERROR_NOT_ENOUGH_MEMORY),
    QX_FAILING("advapi32.dll", GetUserNameA, 0, ERROR_NOT_ENOUGH_MEMORY),
    QX_FAILING("kernel32.dll", CreateFileA, -1, ERROR_ACCESS_DENIED),
    QX_FAILING("kernel32.dll", WriteFile, 0, ERROR_DISK_FULL),
    QX_FAILING("kernel32.dll", FlushFileBuffers, 0, ERROR_DISK_FULL),
    QX_FAILING("kernel32.dll", MoveFileExA, 0, ERROR_ACCESS_DENIED),
};

const Failing* FindFunction(const std::string& name) {
  for (const Failing& f : kFunctions)
    if (name == f.name) return &f;
  return nullptr;
}

// A settings file the save wrote whole: the sections "Number of Icons" says, its last line ended.
bool WholeSettingsFile(const std::string& text) {
  size_t sections = 0;
  for (size_t at = text.find("\n[Icon"); at != std::string::npos; at = text.find("\n[Icon", at + 1))
    if (text.compare(at, 11, "\n[Icon Bar]") != 0) ++sections;
  const size_t count = text.find("Number of Icons=");
  return text.rfind("[Icon Bar]", 0) == 0 && count != std::string::npos &&
         std::strtoul(text.c_str() + count + 16, nullptr, 10) == sections && text.size() >= 2 &&
         text.compare(text.size() - 2, 2, "\r\n") == 0;
}

class FaultInjectionTest : public BarInHostTest {
 protected:
  struct Outcome {
    int calls = 0;
    std::vector<std::string> reports;
  };

  // One phase with the `nth` call of `function` failing; checks what must hold
  // whatever failed.
  Outcome RunCase(Phase phase, const Failing& function, int nth) {
    geometry_.buttonCount = 3;
    WriteBarSettings({{"Popup Delay", "10"}},
                     {{{"Program Name or Menu Item", ProgramDirectory() + "\\cmdline_logger.exe"},
                       {"Pass Selected Files", "1"},
                       {"Description", "the logger"}},
                      MenuButton("Sort by Type", {{"Description", "sort"}}),
                      MenuButton("No Such Item")});
    const std::string before = FileBytes(SettingsPath());
    MakeFile("one.txt");
    HMODULE module = LoadLibraryA("qxibar.dll");  // kept while the stand-in comes and goes
    Outcome outcome;
    {
      MessageBoxCatcher catcher(module);
      std::unique_ptr<ImportFault> fault;
      auto arm = [&] {
        fault = std::make_unique<ImportFault>(module, function.dll, function.name, function.hook,
                                              nth, function.value, function.error);
      };
      if (phase == kLoad) arm();
      Start(phase != kLoad);
      if (phase == kLoad) {  // File Manager goes on working, whether it kept the extension or not
        const size_t trees = fmhost::Trees(frame_).size();
        SendMessageA(frame_, WM_COMMAND, fmhost::kNewWindow, 0);
        EXPECT_EQ(fmhost::Trees(frame_).size(), trees + 1);
      }
      if (phase == kSave || phase == kUnload) {
        Command(kBarOff);
        Command(kBarOn);
      }
      if (phase == kRun) Select({"one.txt"});
      if (phase != kLoad) arm();
      EXPECT_TRUE(fault->patched()) << function.name;
      HWND bar = Bar();
      if (phase == kPaint && bar) {
        InvalidateRect(bar, nullptr, TRUE);
        UpdateWindow(bar);
        POINT centre = geometry_.Centre(0);
        SendMessageA(bar, WM_MOUSEMOVE, 0, MAKELPARAM(centre.x, centre.y));
        fmhost::Pump(80);
      }
      if (phase == kRun && bar)
        for (int button = 0; button < 3; ++button) Click(geometry_.Centre(button));
      if (phase == kSave) Command(kSaveNow);
      // After a failed load the clean-up frees the records, locked or not.
      const auto loaded = fmhost::Extensions(frame_);
      if (phase != kUnload && !loaded.empty() && loaded[0].loaded) CheckRecordsAtRest();
      if (phase != kUnload) fault.reset();
      HWND mdiClient = fmhost::MdiClient(frame_);
      fmhost::UnloadExtensions(frame_);
      outcome.calls = fault ? fault->calls() : importFault.calls;
      fault.reset();
      for (const CaughtBox& box : catcher.boxes())
        if (box.style & MB_ICONHAND) outcome.reports.push_back(box.text);
      // File Manager's own again: the MDI client's procedure and dialog class.
      EXPECT_EQ(GetWindowLongPtrA(mdiClient, GWLP_WNDPROC),
                GetClassLongPtrA(mdiClient, GCLP_WNDPROC));
      WNDCLASSA dialog = {}, system = {};
      GetClassInfoA(nullptr, MAKEINTATOM(32770), &system);
      if (GetClassInfoA(GetModuleHandleA(nullptr), MAKEINTATOM(32770), &dialog)) {
        EXPECT_EQ(dialog.lpfnWndProc, system.lpfnWndProc);
      }
    }
    fmhost::Destroy(frame_);
    frame_ = nullptr;
    FreeLibrary(module);
    // A failed GetUserName saves one level higher: gone again for the other tests.
    const std::string noUser = SettingsPath().substr(0, SettingsPath().rfind('\\'));
    for (const char* end : {"INI", "BAK", "NEW"})
      DeleteFileA((noUser.substr(0, noUser.rfind('\\') + 1) + "QXICOBAR." + end).c_str());
    const std::string after = FileBytes(SettingsPath());
    EXPECT_TRUE(after == before || WholeSettingsFile(after)) << before << "----\n" << after;
    return outcome;
  }

  // Every record and every text of the bar unlocked.
  void CheckRecordsAtRest() {
    HWND bar = Bar();
    if (!bar) return;
    for (auto handle = reinterpret_cast<HLOCAL>(GetWindowLongPtrA(bar, 0)); handle;) {
      ASSERT_EQ(LocalFlags(handle) & LMEM_LOCKCOUNT, 0u) << "a record left locked";
      auto* record = static_cast<ButtonRecord*>(LocalLock(handle));
      ASSERT_NE(record, nullptr);
      for (HLOCAL text :
           {record->programName.handle, record->iconName.handle, record->description.handle})
        if (text) {
          EXPECT_EQ(LocalFlags(text) & LMEM_LOCKCOUNT, 0u) << "a text left locked";
        }
      HLOCAL next = record->next;
      LocalUnlock(handle);
      handle = next;
    }
  }
};

// Which call of which function fails in which phase, and its report "<where> - <operation>
// failed.", the operation by default the function's name without A and Ptr (QX_FAULT_EXPLORE).
struct FaultCase {
  Phase phase;
  const char* function;
  int nth;
  std::string where;
  const char* operation = nullptr;
};
const char kNewFile[] = "Error trying to WRITE file QXICOBAR.NEW";
// clang-format off
const FaultCase kFaultCases[] = {
    {kLoad, "BeginPaint", 1, "QXPAINT :5"}, {kLoad, "CreateSolidBrush", 1, "QXINIT :93"},
    {kLoad, "CreateSolidBrush", 2, "QXPAINT :1"},
    {kLoad, "CreateWindowExA", 1, "QXCREATW :2", "CreateWindowEX"},
    {kLoad, "DeleteObject", 1, "QXPAINT :2"}, {kLoad, "DrawIcon", 1, "QXPAINT :4"},
    {kLoad, "FindWindowA", 1, "QXINIT :3"}, {kLoad, "GetClassInfoA", 1, "QXSCDELE :2"},
    {kLoad, "GetClassNameA", 1, "QXINIT :43"}, {kLoad, "GetClassNameA", 2, "QXENUWFS :1"},
    {kLoad, "GetUserNameA", 1, "QXGETINI :3"},
    {kLoad, QX_IMPORT_NAME(GetWindowLongPtrA), 1, "QXINIT :51"},
    {kLoad, "GetWindowsDirectoryA", 1, "QXGETINI :1"}, {kLoad, "LoadCursorA", 1, "QXINIT :92"},
    {kLoad, "LoadIconA", 1, "QXINIT :91"}, {kLoad, "LoadMenuA", 1, "QXINIT :14"},
    {kLoad, "LoadStringA", 1, "QXINIT :2"}, {kLoad, "LoadStringA", 4, "QXINIT :31"},
    {kLoad, "LoadStringA", 5, "QXINIT :41"}, {kLoad, "LoadStringA", 6, "QXGETINI :2"},
    {kLoad, "LoadStringA", 7, "QXGETINI :4"}, {kLoad, "LoadStringA", 45, "QXCREATW :1"},
    {kLoad, "LocalAlloc", 1, "QXALLOCI :1", "Insufficient memory, LocalAlloc"},
    {kLoad, "LocalAlloc", 2, "QXALLOST :1", "Insufficient memory, LocalAlloc"},
    {kLoad, "LocalHandle", 1, "QXUNLST :1"}, {kLoad, "LocalHandle", 2, "QXUNLST :5"},
    {kLoad, "LocalHandle", 4, "QXUNLST :3"}, {kLoad, "LocalLock", 1, "QXALLOCI :2"},
    {kLoad, "LocalLock", 2, "QXALLOST :2"}, {kLoad, "LocalLock", 13, "QXLOOPOI :1"},
    {kLoad, "LocalLock", 14, "QXPAINT :3"}, {kLoad, "MoveWindow", 1, "QXMDIPRO :1"},
    {kLoad, "MoveWindow", 3, "QXENUWFS :2"}, {kLoad, "RegisterClassA", 1, "QXSCDELE :3"},
    {kLoad, "RegisterClassA", 2, "QXINIT :94"}, {kLoad, "RegisterClassA", 3, "QXINIT :11"},
    {kLoad, QX_IMPORT_NAME(SetWindowLongPtrA), 1, "QXINIT :52"},
    {kPaint, "BeginPaint", 1, "QXPAINT :5"}, {kPaint, "CreateSolidBrush", 1, "QXPAINT :1"},
    {kPaint, "DeleteObject", 1, "QXPAINT :2"}, {kPaint, "DrawIcon", 1, "QXPAINT :4"},
    {kRun, "CreateWindowExA", 1, "QXSETMEN :2", "CreateWindow"},
    {kRun, "DestroyCursor", 1, "QXRUN :3"}, {kRun, "GetDC", 1, "QXREVICO :1"},
    {kRun, "GetMenu", 1, "QXFILLLB :1"}, {kRun, "GetMenuItemCount", 1, "QXFILLLB :2"},
    {kRun, "GetMenuItemCount", 2, "QXFILLLB :3"}, {kRun, "GetMenuStringA", 1, "QXFILLLB :4"},
    {kRun, "LoadImageA", 1, "QXBUTPRO :2", "LoadCursor"}, {kRun, "LoadStringA", 1, "QXSETMEN :1"},
    {kRun, "LoadStringA", 3, "QXRUN :31"}, {kRun, "LocalHandle", 2, "QXRUN :11"},
    {kRun, "LocalHandle", 4, "QXSETMEN :4"}, {kRun, "LocalLock", 2, "QXRUN :10"},
    {kRun, "LocalLock", 7, "QXSETMEN :3"}, {kRun, "LocalLock", 18, "QXRUN :30"},
    {kRun, "SetCursor", 1, "QXBUTPRO :3"}, {kRun, "SetCursor", 2, "QXRUN :2"},
    {kSave, "CreateFileA", 1, "QXSAVE :7", kNewFile},
    {kSave, "FlushFileBuffers", 1, "QXSAVE :9", kNewFile},
    {kSave, "LocalLock", 2, "QXSAVE :1"}, {kSave, "LocalLock", 3, "QXSAVE :3"},
    {kSave, "LocalLock", 6, "QXSAVE :2"},
    {kSave, "MoveFileExA", 1, "QXSAVE :11", "Error trying to RENAME QXICOBAR.NEW to QXICOBAR.INI"},
    {kSave, "WriteFile", 1, "QXSAVE :8", kNewFile},
    {kUnload, "LocalFree", 3, "QXLOOPOI :3"},
};
// clang-format on

// Runs of calls of one function, the nth from `first` on, each told at its own step of `tag`.
struct FaultRun {
  Phase phase;
  const char *function, *tag;
  int first;
  std::vector<int> steps;
};
// clang-format off
const FaultRun kFaultRuns[] = {
    {kLoad, "LoadStringA", "QXINIT", 8, {944, 776, 915, 916, 917, 918, 919, 920, 952, 921, 922, 923,
        924, 925, 1808, 1809, 1810, 1811, 1812, 1813, 1814, 1815, 1816, 1817, 1818, 1819, 1820,
        1821, 1822, 1823, 1824, 1825, 1826, 1827, 1828, 1830, 1829}},
    {kLoad, "LoadStringA", "QXINIT", 46, {942, 926, 927, 928, 929, 930, 931, 932, 933, 934, 935,
        936, 937, 938, 939}},
    {kSave, "LoadStringA", "QXSAVE", 3, {944, 918, 919, 922, 924, 1815, 1830, 942, 926, 930, 927,
        929}}};
// clang-format on

std::string Operation(const FaultCase& c) {
  if (c.operation) return c.operation;
  std::string name = c.function;
  if (name.back() == 'A') name.pop_back();
  if (name.size() > 3 && name.compare(name.size() - 3, 3, "Ptr") == 0) name.resize(name.size() - 3);
  return name;
}

// Lists the reports of failing each call of the functions named.
TEST_F(FaultInjectionTest, DISABLED_Explore) {
  const std::string wanted = std::string(",") + getenv("QX_FAULT_EXPLORE") + ",";
  for (const Failing& function : kFunctions) {
    if (wanted != ",*," && wanted.find(std::string(",") + function.name + ",") == wanted.npos)
      continue;
    for (Phase phase : {kLoad, kPaint, kRun, kSave, kUnload}) {
      const int calls = RunCase(phase, function, 0).calls;
      for (int nth = 1; nth <= calls && nth <= 30; ++nth) {
        Outcome outcome = RunCase(phase, function, nth);
        std::printf("%s %s %d: %s\n", kPhaseNames[phase], function.name, nth,
                    outcome.reports.empty() ? "" : outcome.reports[0].c_str());
      }
    }
  }
}

// One test a phase. The load's go last: after them Wine's desktop process stops answering for a
// while, and the next program that makes a window waits for it.
class FaultCaseTest : public FaultInjectionTest, public ::testing::WithParamInterface<Phase> {};
INSTANTIATE_TEST_SUITE_P(Phases, FaultCaseTest,
                         ::testing::Values(kPaint, kRun, kSave, kUnload, kLoad));

TEST_P(FaultCaseTest, EveryReportedCallSiteFailsOnceWithItsReport) {
  std::vector<FaultCase> cases(std::begin(kFaultCases), std::end(kFaultCases));
  for (const FaultRun& run : kFaultRuns)
    for (size_t n = 0; n < run.steps.size(); ++n)
      cases.push_back({run.phase, run.function, run.first + int(n),
                       std::string(run.tag) + " :" + std::to_string(run.steps[n])});
  for (const FaultCase& c : cases) {
    if (c.phase != GetParam()) continue;
    SCOPED_TRACE(std::string(kPhaseNames[c.phase]) + " " + c.function + " #" +
                 std::to_string(c.nth));
    const Failing* function = FindFunction(c.function);
    ASSERT_NE(function, nullptr);
    Outcome outcome = RunCase(c.phase, *function, c.nth);
    ASSERT_FALSE(outcome.reports.empty()) << "nothing reported";
    EXPECT_EQ(outcome.reports[0], c.where + " - " + Operation(c) + " failed.");
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace barhost
