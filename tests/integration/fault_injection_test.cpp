// Platform calls made to fail inside the real extension, one call site at a
// time, while it loads, paints, runs a button, saves and unloads: each failure
// is told with its exact report, nothing crashes, no record stays locked,
// File Manager gets its MDI client procedure and dialog class back, and the
// settings file is the old one or the new one, whole.
//
// QX_FAULT_EXPLORE=<function>,... (or "*") lists, instead of checking the table,
// what failing each call of the function in each phase reports.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

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
#define QX_FAILING(dll, function, value, error) \
  { dll, #function, QX_FAULT_HOOK(function), uintptr_t(value), error }
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
    QX_FAILING("user32.dll", ModifyMenuA, 0, ERROR_INVALID_MENU_HANDLE),
    QX_FAILING("user32.dll", BeginPaint, 0, ERROR_INVALID_WINDOW_HANDLE),
    QX_FAILING("user32.dll", DrawIcon, 0, ERROR_INVALID_CURSOR_HANDLE),
    QX_FAILING("user32.dll", GetDC, 0, ERROR_INVALID_WINDOW_HANDLE),
    QX_FAILING("user32.dll", MoveWindow, 0, ERROR_INVALID_WINDOW_HANDLE),
    QX_FAILING("user32.dll", SetCursor, 0, 0),
    QX_FAILING("user32.dll", DestroyCursor, 0, ERROR_INVALID_CURSOR_HANDLE),
    QX_FAILING("user32.dll", SetTimer, 0, ERROR_NOT_ENOUGH_MEMORY),
    QX_FAILING("gdi32.dll", CreateSolidBrush, 0, ERROR_NOT_ENOUGH_MEMORY),
    QX_FAILING("gdi32.dll", CreateFontIndirectA, 0, ERROR_NOT_ENOUGH_MEMORY),
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
    QX_FAILING("kernel32.dll", CreateProcessW, 0, ERROR_NOT_ENOUGH_MEMORY),
    QX_FAILING("shell32.dll", ExtractIconA, 0, ERROR_FILE_NOT_FOUND),
};

const Failing* FindFunction(const std::string& name) {
  for (const Failing& f : kFunctions)
    if (name == f.name) return &f;
  return nullptr;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// A settings file the save wrote whole: its button sections as many as its
// "Number of Icons" says, and its last line ended.
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
    WriteBarSettings(
        geometry_, {{"Popup Delay", "10"}},
        {{{"Program Name or Menu Item", ProgramDirectory() + "\\cmdline_logger.exe"},
          {"Pass Selected Files", "1"},
          {"Description", "the logger"}},
         {{"Program Name or Menu Item", "Sort by Type"}, {"Type", "0"}, {"Description", "sort"}},
         {{"Program Name or Menu Item", "No Such Item"}, {"Type", "0"}}});
    const std::string before = ReadWhole(SettingsPath());
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
    const std::string after = ReadWhole(SettingsPath());
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

  BarGeometry geometry_;
};

// Which call of which function fails in which phase, and the report it gives.
struct FaultCase {
  Phase phase;
  const char* function;
  int nth;
  const char* report;
};
#include "fault_cases.inc"

TEST_F(FaultInjectionTest, EveryReportedCallSiteFailsOnceWithItsReport) {
  const char* explore = std::getenv("QX_FAULT_EXPLORE");
  if (explore) {
    for (const Failing& function : kFunctions) {
      const std::string wanted = std::string(",") + explore + ",";
      if (wanted != ",*," && wanted.find(std::string(",") + function.name + ",") == wanted.npos)
        continue;
      for (Phase phase : {kLoad, kPaint, kRun, kSave, kUnload}) {
        DWORD begin = GetTickCount();
        const int calls = RunCase(phase, function, 0).calls;
        std::printf("// %s: %d calls, %lu ms\n", kPhaseNames[phase], calls, GetTickCount() - begin);
        for (int nth = 1; nth <= calls && nth <= 30; ++nth) {
          DWORD start = GetTickCount();
          Outcome outcome = RunCase(phase, function, nth);
          std::printf("%5lu {k%c%s, \"%s\", %d, \"%s\"},%s\n", GetTickCount() - start,
                      kPhaseNames[phase][0] - 32, kPhaseNames[phase] + 1, function.name, nth,
                      outcome.reports.empty() ? "" : outcome.reports[0].c_str(),
                      outcome.reports.size() > 1 ? ("  // " + outcome.reports[1]).c_str() : "");
          std::fflush(stdout);
        }
      }
    }
    return;
  }
  for (const FaultCase& c : kFaultCases) {
    SCOPED_TRACE(std::string(kPhaseNames[c.phase]) + " " + c.function + " #" +
                 std::to_string(c.nth));
    const Failing* function = FindFunction(c.function);
    ASSERT_NE(function, nullptr);
    Outcome outcome = RunCase(c.phase, *function, c.nth);
    ASSERT_FALSE(outcome.reports.empty()) << "nothing reported";
    EXPECT_EQ(outcome.reports[0], c.report);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace barhost
