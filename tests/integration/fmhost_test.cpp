// The stand-in File Manager, driven as the extension drives File Manager: the
// probe extensions report every call they get to a log file.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fmhost.h"

namespace {

constexpr UINT kGetSelCount = 0x603;
constexpr UINT kGetFileSel = 0x605;
constexpr UINT kRefreshWindows = 0x606;

struct FileSelection {  // FMS_GETFILESELA
  FILETIME ftTime;
  DWORD dwSize;
  BYTE bAttr;
  CHAR szName[260];
};

struct Call {
  std::string module;
  char variant = 0;
  unsigned event = 0;
  unsigned long long window = 0;
  unsigned long long value = 0;
};

std::string ProgramDirectory() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory = path;
  return directory.substr(0, directory.find_last_of('\\'));
}

unsigned long long Handle(const void* handle) {
  return static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(handle));
}

std::string MenuText(HMENU menu, UINT position) {
  char text[128] = "";
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

void WriteFile(const std::string& path, size_t size) {
  std::ofstream(path, std::ios::binary) << std::string(size, 'x');
}

void SetWriteTime(const std::string& path, int daysAgo) {
  HANDLE file =
      CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SYSTEMTIME now;
  GetSystemTime(&now);
  FILETIME time;
  SystemTimeToFileTime(&now, &time);
  ULARGE_INTEGER ticks = {{time.dwLowDateTime, time.dwHighDateTime}};
  ticks.QuadPart -= ULONGLONG(daysAgo) * 24 * 3600 * 10000000ULL;
  time = {ticks.LowPart, ticks.HighPart};
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
  CloseHandle(file);
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Answers the dialogs that come up on this thread, once each is active, with
// the next of the answers given, and notes what each dialog was.
struct SeenDialog {
  std::string className;
  std::string caption;
  std::string texts;  // every child's text, one after the other
  HWND owner = nullptr;
  HINSTANCE instance = nullptr;
};

class DialogAnswerer {
 public:
  explicit DialogAnswerer(std::deque<int> answers) {
    answers_ = std::move(answers);
    seen_.clear();
    hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
  }
  ~DialogAnswerer() { UnhookWindowsHookEx(hook_); }
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;
  const std::vector<SeenDialog>& seen() const { return seen_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
      auto window = reinterpret_cast<HWND>(wParam);
      char className[64] = "", caption[128] = "";
      GetClassNameA(window, className, sizeof className);
      if (std::string(className) == "#32770") {
        GetWindowTextA(window, caption, sizeof caption);
        SeenDialog dialog;
        dialog.className = className;
        dialog.caption = caption;
        dialog.owner = GetWindow(window, GW_OWNER);
        dialog.instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
        for (HWND child = GetWindow(window, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
          char text[512] = "";
          GetWindowTextA(child, text, sizeof text);
          dialog.texts += std::string(text) + "|";
        }
        seen_.push_back(dialog);
        int answer = IDCANCEL;
        if (!answers_.empty()) {
          answer = answers_.front();
          answers_.pop_front();
        }
        PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(answer), 0);
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static std::deque<int> answers_;
  static std::vector<SeenDialog> seen_;
  HHOOK hook_ = nullptr;
};
std::deque<int> DialogAnswerer::answers_;
std::vector<SeenDialog> DialogAnswerer::seen_;

class FmHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "fmhost_test_" + std::to_string(GetCurrentProcessId()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    files_ = root_ + "\\files";
    ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(files_.c_str(), nullptr));
    log_ = root_ + "\\calls.log";
    SetEnvironmentVariableA("PROBE_EXT_LOG", log_.c_str());
  }

  void TearDown() override {
    if (frame_) fmhost::Destroy(frame_);
    SetEnvironmentVariableA("PROBE_EXT_LOG", nullptr);
    RemoveTree(root_);
  }

  static void RemoveTree(const std::string& directory) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = directory + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveTree(path);
        else
          DeleteFileA(path.c_str());
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(directory.c_str());
  }

  // A copy of a probe under its own name: the name picks its answers, and each
  // copy is a module of its own.
  std::string Probe(const std::string& name, bool wide = false) {
    std::string source = ProgramDirectory() + (wide ? "\\probe_ext_w.dll" : "\\probe_ext.dll");
    std::string target = root_ + "\\" + name + ".dll";
    EXPECT_TRUE(CopyFileA(source.c_str(), target.c_str(), FALSE)) << source;
    return target;
  }

  std::string File(const std::string& name, size_t size = 1) {
    std::string path = files_ + "\\" + name;
    WriteFile(path, size);
    return path;
  }

  HWND Start(fmhost::Config config) {
    if (config.treeDirs.empty()) config.treeDirs.push_back(files_);
    if (config.iniPath.empty()) config.iniPath = root_ + "\\WINFILE.INI";  // none: no add-ons
    config.placement = RECT{0, 0, 800, 600};
    frame_ = fmhost::Create(config);
    EXPECT_NE(frame_, nullptr);
    return frame_;
  }

  std::vector<Call> Calls() const {
    std::vector<Call> calls;
    std::ifstream log(log_);
    std::string line;
    while (std::getline(log, line)) {
      std::istringstream fields(line);
      Call call;
      fields >> call.module >> call.variant >> call.event >> std::hex >> call.window >> call.value;
      calls.push_back(call);
    }
    return calls;
  }

  std::vector<Call> CallsOf(const std::string& module, unsigned event) const {
    std::vector<Call> calls;
    for (const Call& call : Calls())
      if (call.module == module && call.event == event) calls.push_back(call);
    return calls;
  }

  std::string root_, files_, log_;
  HWND frame_ = nullptr;
};

// ------------------------------------------------------------ windows and menus

TEST_F(FmHostTest, WindowsCarryFileManagersClassesAndModule) {
  File("one.txt");
  HWND frame = Start({});
  EXPECT_EQ(FindWindowA("WFS_Frame", nullptr), frame);
  EXPECT_EQ(reinterpret_cast<HMODULE>(GetClassLongPtrA(frame, GCLP_HMODULE)),
            GetModuleHandleA(nullptr));
  char className[64] = "";
  HWND client = fmhost::MdiClient(frame);
  GetClassNameA(client, className, sizeof className);
  EXPECT_STREQ(className, "MDIClient");
  HWND tree = fmhost::ActiveTree(frame);
  GetClassNameA(tree, className, sizeof className);
  EXPECT_STREQ(className, "WFS_Tree");
  EXPECT_EQ(GetParent(tree), client);
  EXPECT_EQ(fmhost::TreeDirectory(tree), files_);
  EXPECT_EQ(fmhost::ListedNames(tree), std::vector<std::string>{"one.txt"});
  EXPECT_TRUE(GetWindowLongA(fmhost::TreeList(tree), GWL_STYLE) & LBS_EXTENDEDSEL);
  RECT area, placed;
  GetClientRect(client, &area);
  GetWindowRect(tree, &placed);
  MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.top, 0);
  EXPECT_EQ(placed.bottom, area.bottom) << "one tree window fills the MDI client";
}

TEST_F(FmHostTest, MenuBarHoldsFileManagersMenusWithAPullRightAtTheEndOfOptions) {
  HWND frame = Start({});
  HMENU bar = GetMenu(frame);
  std::vector<std::string> titles;
  for (int i = 0; i < GetMenuItemCount(bar); ++i) titles.push_back(MenuText(bar, i));
  EXPECT_EQ(titles, (std::vector<std::string>{"&File", "&Disk", "&Tree", "&View", "&Options",
                                              "&Window", "&Help"}));
  HMENU file = GetSubMenu(bar, fmhost::kFileMenu);
  char text[64] = "";
  GetMenuStringA(file, fmhost::kDelete, text, sizeof text, MF_BYCOMMAND);
  EXPECT_STREQ(text, "&Delete...\tDel");
  HMENU options = GetSubMenu(bar, fmhost::kOptionsMenu);
  int last = GetMenuItemCount(options) - 1;
  HMENU pullRight = GetSubMenu(options, last);
  ASSERT_NE(pullRight, nullptr);
  EXPECT_EQ(GetMenuItemID(pullRight, 0), UINT(fmhost::kMinimizeOnUse));
  EXPECT_EQ(GetMenuState(options, fmhost::kConfirmFileDelete, MF_BYCOMMAND) & MF_CHECKED,
            UINT(MF_CHECKED));
}

// What an extension does to make room for a bar: push the client down 30 pixels.
WNDPROC originalClientProc;
LRESULT CALLBACK PushingClientProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGING) {
    auto pos = reinterpret_cast<WINDOWPOS*>(lParam);
    if (!(pos->flags & SWP_NOSIZE)) {
      pos->y += 30;
      pos->cy -= 30;
    }
  }
  return CallWindowProcA(originalClientProc, window, message, wParam, lParam);
}

TEST_F(FmHostTest, FrameSizingPlacesTheMdiClientThroughWindowPosChanging) {
  HWND frame = Start({});
  HWND client = fmhost::MdiClient(frame);
  originalClientProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(client, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PushingClientProc)));
  ASSERT_NE(originalClientProc, nullptr);
  SetWindowPos(frame, nullptr, 0, 0, 700, 500, SWP_NOZORDER | SWP_NOMOVE);
  RECT frameClient, placed;
  GetClientRect(frame, &frameClient);
  GetWindowRect(client, &placed);
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.top, 30);
  EXPECT_EQ(placed.bottom, frameClient.bottom);
  EXPECT_EQ(placed.right - placed.left, frameClient.right);
  SetWindowLongPtrA(client, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalClientProc));
}

// ------------------------------------------------------------ loading

TEST_F(FmHostTest, LoadsAddOnsFirstThenTheListWithDeltas700And800) {
  std::string a = Probe("probe_a"), b = Probe("probe_b");
  std::string ini = root_ + "\\WINFILE.INI";
  ASSERT_TRUE(WritePrivateProfileStringA("AddOns", "Probe A", a.c_str(), ini.c_str()));
  fmhost::Config config;
  config.iniPath = ini;
  config.extensions = {b};
  HWND frame = Start(config);

  std::vector<fmhost::Extension> extensions = fmhost::Extensions(frame);
  ASSERT_EQ(extensions.size(), 2u);
  EXPECT_EQ(extensions[0].path, a);
  EXPECT_TRUE(extensions[0].loaded);
  EXPECT_EQ(extensions[0].delta, 700);
  EXPECT_EQ(extensions[0].menuName, "&probe_a");
  EXPECT_EQ(extensions[1].delta, 800);
  EXPECT_EQ(extensions[0].module, GetModuleHandleA(a.c_str()));

  std::vector<Call> loads = CallsOf("probe_a", 100);
  ASSERT_EQ(loads.size(), 1u);
  EXPECT_EQ(loads[0].variant, 'A');
  EXPECT_EQ(loads[0].window, Handle(frame));
  EXPECT_EQ(loads[0].value, 700u);
  ASSERT_EQ(CallsOf("probe_b", 100).size(), 1u);
  EXPECT_EQ(CallsOf("probe_b", 100)[0].value, 800u);
}

TEST_F(FmHostTest, ToolbarEventFollowsEachLoad) {
  fmhost::Config config;
  config.extensions = {Probe("probe_a"), Probe("probe_b")};
  Start(config);
  std::vector<std::string> sequence;
  for (const Call& call : Calls())
    sequence.push_back(call.module + " " + std::to_string(call.event));
  EXPECT_EQ(sequence,
            (std::vector<std::string>{"probe_a 100", "probe_a 105", "probe_b 100", "probe_b 105"}));
}

TEST_F(FmHostTest, ExtensionMenusGoBeforeWindowWithTheirIdsRaised) {
  fmhost::Config config;
  config.extensions = {Probe("probe_a"), Probe("probe_b")};
  HWND frame = Start(config);
  HMENU bar = GetMenu(frame);
  ASSERT_EQ(GetMenuItemCount(bar), 9);
  EXPECT_EQ(MenuText(bar, fmhost::kFirstExtensionMenu), "&probe_a");
  EXPECT_EQ(MenuText(bar, fmhost::kFirstExtensionMenu + 1), "&probe_b");
  EXPECT_EQ(MenuText(bar, fmhost::kFirstExtensionMenu + 2), "&Window");

  HMENU a = GetSubMenu(bar, fmhost::kFirstExtensionMenu);
  EXPECT_EQ(a, fmhost::Extensions(frame)[0].menu);
  EXPECT_EQ(GetMenuItemID(a, 0), 701u);
  EXPECT_EQ(GetMenuItemID(a, 1), 702u);
  HMENU more = GetSubMenu(a, 3);
  ASSERT_NE(more, nullptr);
  EXPECT_EQ(GetMenuItemID(more, 0), 703u);  // 103 in the extension's own numbering
  EXPECT_EQ(GetMenuItemID(more, 1), 704u);
  HMENU b = GetSubMenu(bar, fmhost::kFirstExtensionMenu + 1);
  EXPECT_EQ(GetMenuItemID(GetSubMenu(b, 3), 0), 803u);
}

TEST_F(FmHostTest, WithAMaximizedTreeTheMenusShiftByOne) {
  fmhost::Config config;
  config.extensions = {Probe("probe_a")};
  config.maximizeTree = true;
  HWND frame = Start(config);
  HMENU bar = GetMenu(frame);
  EXPECT_TRUE(GetWindowLongA(fmhost::ActiveTree(frame), GWL_STYLE) & WS_MAXIMIZE);
  EXPECT_EQ(MenuText(bar, fmhost::kFileMenu + 1), "&File");
  EXPECT_EQ(MenuText(bar, fmhost::kFirstExtensionMenu + 1), "&probe_a");
  EXPECT_EQ(MenuText(bar, fmhost::kFirstExtensionMenu + 2), "&Window");
}

TEST_F(FmHostTest, LoadsWithAWrongRecordSizeOrAZeroAnswerAreRefusedAndFreed) {
  std::string badSize = Probe("probe_badsize"), refuse = Probe("probe_refuse");
  std::string good = Probe("probe_good");
  fmhost::Config config;
  config.extensions = {badSize, refuse, good};
  HWND frame = Start(config);

  std::vector<fmhost::Extension> extensions = fmhost::Extensions(frame);
  ASSERT_EQ(extensions.size(), 3u);
  for (int i : {0, 1}) {
    EXPECT_FALSE(extensions[i].loaded) << extensions[i].path;
    EXPECT_EQ(extensions[i].module, nullptr);
  }
  EXPECT_EQ(GetModuleHandleA(badSize.c_str()), nullptr);
  EXPECT_EQ(GetModuleHandleA(refuse.c_str()), nullptr);
  EXPECT_EQ(CallsOf("probe_badsize", 100).size(), 1u);
  EXPECT_TRUE(CallsOf("probe_badsize", 105).empty());
  // A refused extension leaves its hundred to the next one.
  EXPECT_TRUE(extensions[2].loaded);
  EXPECT_EQ(extensions[2].delta, 700);
  HMENU bar = GetMenu(frame);
  EXPECT_EQ(GetMenuItemCount(bar), 8);
  EXPECT_EQ(MenuText(bar, fmhost::kFirstExtensionMenu), "&probe_good");
}

TEST_F(FmHostTest, UnicodeEntryIsPreferredWhenBothAreExported) {
  fmhost::Config config;
  config.extensions = {Probe("probe_w", true)};
  HWND frame = Start(config);
  std::vector<fmhost::Extension> extensions = fmhost::Extensions(frame);
  ASSERT_EQ(extensions.size(), 1u);
  EXPECT_TRUE(extensions[0].loaded);
  EXPECT_TRUE(extensions[0].unicode);
  EXPECT_EQ(extensions[0].menuName, "&probe_w");
  for (const Call& call : Calls()) EXPECT_EQ(call.variant, 'W') << call.event;
  EXPECT_EQ(MenuText(GetMenu(frame), fmhost::kFirstExtensionMenu), "&probe_w");
}

// ------------------------------------------------------------ calls to extensions

TEST_F(FmHostTest, CommandsInAnExtensionsRangeGoToItAsIdMinusDelta) {
  fmhost::Config config;
  config.extensions = {Probe("probe_a"), Probe("probe_b")};
  HWND frame = Start(config);
  SendMessageA(frame, WM_COMMAND, 803, 0);
  SendMessageA(frame, WM_COMMAND, 702, 0);
  PostMessageA(frame, WM_COMMAND, 799, 0);
  fmhost::Pump(0);
  std::vector<Call> calls = Calls();
  ASSERT_EQ(calls.size(), 7u);  // two loads, two toolbar events, three commands
  EXPECT_EQ(calls[4].module, "probe_b");
  EXPECT_EQ(calls[4].event, 3u);
  EXPECT_EQ(calls[4].window, Handle(frame));
  EXPECT_EQ(calls[5].module, "probe_a");
  EXPECT_EQ(calls[5].event, 2u);
  EXPECT_EQ(calls[6].module, "probe_a");
  EXPECT_EQ(calls[6].event, 99u);
  EXPECT_EQ(fmhost::LastCommand(), 0);
}

HMENU watchedMenu;
std::string watchedLog;
size_t initCallsAtPopup;
bool popupPrepared;
LRESULT CALLBACK EndMenuWhenPrepared(int code, WPARAM wParam, LPARAM lParam) {
  auto sent = reinterpret_cast<CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->message == WM_INITMENUPOPUP &&
      reinterpret_cast<HMENU>(sent->wParam) == watchedMenu && !popupPrepared) {
    popupPrepared = true;
    std::ifstream log(watchedLog);
    std::string line;
    while (std::getline(log, line))
      if (line.find(" 102 ") != std::string::npos) ++initCallsAtPopup;
    EndMenu();
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(FmHostTest, OpeningTheExtensionMenuTellsTheExtensionFirst) {
  fmhost::Config config;
  config.extensions = {Probe("probe_a")};
  HWND frame = Start(config);
  HMENU menu = fmhost::Extensions(frame)[0].menu;
  // The user opens the menu with Alt+P; the menu loop is ended as soon as the
  // popup has been prepared, noting whether the extension had been told by then.
  watchedMenu = menu;
  watchedLog = log_;
  initCallsAtPopup = 0;
  popupPrepared = false;
  HHOOK hook =
      SetWindowsHookExA(WH_CALLWNDPROCRET, EndMenuWhenPrepared, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  SetForegroundWindow(frame);
  SendMessageA(frame, WM_SYSCOMMAND, SC_KEYMENU, 'p');
  fmhost::Pump(0);
  UnhookWindowsHookEx(hook);
  EXPECT_TRUE(popupPrepared);
  EXPECT_EQ(initCallsAtPopup, 1u);
  std::vector<Call> inits = CallsOf("probe_a", 102);
  ASSERT_EQ(inits.size(), 1u);
  EXPECT_EQ(inits[0].window, Handle(frame));
  EXPECT_EQ(inits[0].value, Handle(menu));

  // File Manager's own menus are none of the extension's business.
  SendMessageA(frame, WM_INITMENUPOPUP,
               reinterpret_cast<WPARAM>(GetSubMenu(GetMenu(frame), fmhost::kFileMenu)), 0);
  EXPECT_EQ(CallsOf("probe_a", 102).size(), 1u);
}

TEST_F(FmHostTest, UnloadCallsEachExtensionWithoutAWindowAndFreesIt) {
  std::string a = Probe("probe_a");
  fmhost::Config config;
  config.extensions = {a};
  HWND frame = Start(config);
  fmhost::UnloadExtensions(frame);
  std::vector<Call> unloads = CallsOf("probe_a", 101);
  ASSERT_EQ(unloads.size(), 1u);
  EXPECT_EQ(unloads[0].window, 0u);
  EXPECT_EQ(GetModuleHandleA(a.c_str()), nullptr);
  EXPECT_FALSE(fmhost::Extensions(frame)[0].loaded);
  EXPECT_EQ(GetMenuItemCount(GetMenu(frame)), 7);
  SendMessageA(frame, WM_COMMAND, 701, 0);  // nobody's command now
  EXPECT_EQ(Calls().size(), 3u);
}

TEST_F(FmHostTest, ClosingTheFrameUnloadsTheExtensions) {
  std::string a = Probe("probe_a");
  fmhost::Config config;
  config.extensions = {a};
  HWND frame = Start(config);
  SendMessageA(frame, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(frame));
  ASSERT_EQ(CallsOf("probe_a", 101).size(), 1u);
  EXPECT_EQ(CallsOf("probe_a", 101)[0].window, 0u);
  EXPECT_EQ(GetModuleHandleA(a.c_str()), nullptr);
}

// ------------------------------------------------------------ selection and refresh

TEST_F(FmHostTest, SelectedFilesAreGivenWithFullPathsInTheOemCharacterSet) {
  wchar_t wideName[] = L"caf\u00e9 menu.txt";
  char name[64] = "";
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, 0, wideName, -1, name, sizeof name, nullptr, &lossy);
  ASSERT_FALSE(lossy) << "the ANSI code page has no e with acute accent";
  File("a.txt", 3);
  std::string accented = File(name, 5);
  std::string blank = File("b b.txt", 7);
  HWND frame = Start({});
  HWND tree = fmhost::ActiveTree(frame);
  ASSERT_TRUE(fmhost::SelectNames(tree, {"b b.txt", name}));

  EXPECT_EQ(LOWORD(SendMessageA(frame, kGetSelCount, 0, 0)), 2);
  std::vector<std::string> paths;
  for (WPARAM i = 0; i < 2; ++i) {
    FileSelection selection = {};
    SendMessageA(frame, kGetFileSel, i, reinterpret_cast<LPARAM>(&selection));
    char ansi[260] = "";
    OemToCharA(selection.szName, ansi);
    paths.push_back(ansi);
    if (paths.back() == accented) {
      EXPECT_EQ(selection.dwSize, 5u);
      if (GetACP() != GetOEMCP()) {
        EXPECT_NE(std::string(selection.szName), accented) << "converted to OEM";
      }
    }
  }
  std::sort(paths.begin(), paths.end());
  std::vector<std::string> expected = {blank, accented};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(paths, expected);

  ASSERT_TRUE(fmhost::SelectNames(tree, {}));
  EXPECT_EQ(SendMessageA(frame, kGetSelCount, 0, 0), 0);
}

TEST_F(FmHostTest, RefreshReReadsTheActiveOrEveryTreeWindow) {
  std::string other = root_ + "\\other";
  ASSERT_TRUE(CreateDirectoryA(other.c_str(), nullptr));
  fmhost::Config config;
  config.treeDirs = {other, files_};
  HWND frame = Start(config);
  HWND active = fmhost::ActiveTree(frame);
  EXPECT_EQ(fmhost::TreeDirectory(active), files_);
  File("new.txt");
  EXPECT_TRUE(fmhost::ListedNames(active).empty());

  int before = fmhost::RefreshCount();
  SendMessageA(frame, kRefreshWindows, 0, 0);
  EXPECT_EQ(fmhost::RefreshCount(), before + 1);
  EXPECT_EQ(fmhost::ListedNames(active), std::vector<std::string>{"new.txt"});
  SendMessageA(frame, kRefreshWindows, 1, 0);
  EXPECT_EQ(fmhost::RefreshCount(), before + 3);
}

TEST_F(FmHostTest, SortOrdersReorderTheList) {
  std::string big = File("big.txt", 300);
  std::string small = File("small.doc", 10);
  std::string middle = File("middle.bmp", 100);
  SetWriteTime(big, 10);
  SetWriteTime(small, 1);
  SetWriteTime(middle, 5);
  ASSERT_TRUE(CreateDirectoryA((files_ + "\\sub").c_str(), nullptr));
  HWND frame = Start({});
  HWND tree = fmhost::ActiveTree(frame);
  using Names = std::vector<std::string>;
  EXPECT_EQ(fmhost::ListedNames(tree), (Names{"sub", "big.txt", "middle.bmp", "small.doc"}));
  fmhost::SelectNames(tree, {"middle.bmp"});

  SendMessageA(frame, WM_COMMAND, fmhost::kSortBySize, 0);
  EXPECT_EQ(fmhost::CurrentSortOrder(), fmhost::SortOrder::kSize);
  EXPECT_EQ(fmhost::ListedNames(tree), (Names{"sub", "big.txt", "middle.bmp", "small.doc"}));
  SendMessageA(frame, WM_COMMAND, fmhost::kSortByType, 0);
  EXPECT_EQ(fmhost::ListedNames(tree), (Names{"sub", "middle.bmp", "small.doc", "big.txt"}));
  SendMessageA(frame, WM_COMMAND, fmhost::kSortByDate, 0);
  EXPECT_EQ(fmhost::ListedNames(tree), (Names{"sub", "small.doc", "middle.bmp", "big.txt"}));
  EXPECT_EQ(fmhost::SelectedNames(tree), Names{"middle.bmp"});
  HMENU view = GetSubMenu(GetMenu(frame), fmhost::kViewMenu);
  EXPECT_TRUE(GetMenuState(view, fmhost::kSortByDate, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_FALSE(GetMenuState(view, fmhost::kSortByName, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_EQ(fmhost::LastCommand(), fmhost::kSortByDate);
}

// ------------------------------------------------------------ Delete

TEST_F(FmHostTest, DeleteDialogIsTheHostsOwnAndCancelKeepsTheFile) {
  std::string path = File("keep me.txt");
  HWND frame = Start({});
  fmhost::SelectNames(fmhost::ActiveTree(frame), {"keep me.txt"});
  DialogAnswerer answerer({IDCANCEL});
  SendMessageA(frame, WM_COMMAND, fmhost::kDelete, 0);
  ASSERT_EQ(answerer.seen().size(), 1u);
  const SeenDialog& dialog = answerer.seen()[0];
  EXPECT_EQ(dialog.className, "#32770");
  EXPECT_EQ(dialog.caption, "Delete");
  EXPECT_EQ(dialog.owner, frame);
  EXPECT_EQ(dialog.instance, GetModuleHandleA(nullptr));
  EXPECT_NE(dialog.texts.find("keep me.txt"), std::string::npos) << dialog.texts;
  EXPECT_TRUE(Exists(path));
  EXPECT_EQ(fmhost::LastCommand(), fmhost::kDelete);
}

TEST_F(FmHostTest, DeleteOkWithoutConfirmationDeletesAtOnce) {
  std::string gone = File("gone.txt"), stays = File("stays.txt");
  fmhost::Config config;
  config.confirmFileDelete = false;
  HWND frame = Start(config);
  HWND tree = fmhost::ActiveTree(frame);
  fmhost::SelectNames(tree, {"gone.txt"});
  DialogAnswerer answerer({IDOK});
  SendMessageA(frame, WM_COMMAND, fmhost::kDelete, 0);
  ASSERT_EQ(answerer.seen().size(), 1u);
  EXPECT_FALSE(Exists(gone));
  EXPECT_TRUE(Exists(stays));
  EXPECT_EQ(fmhost::ListedNames(tree), std::vector<std::string>{"stays.txt"});
}

TEST_F(FmHostTest, DeleteOkAsksConfirmFileDeleteForEachFile) {
  std::string one = File("one.txt"), two = File("two.txt");
  HWND frame = Start({});
  fmhost::SelectNames(fmhost::ActiveTree(frame), {"one.txt", "two.txt"});
  DialogAnswerer answerer({IDOK, IDYES, IDNO});
  SendMessageA(frame, WM_COMMAND, fmhost::kDelete, 0);
  ASSERT_EQ(answerer.seen().size(), 3u);
  EXPECT_EQ(answerer.seen()[1].caption, "Confirm File Delete");
  EXPECT_EQ(answerer.seen()[1].owner, frame);
  EXPECT_NE(answerer.seen()[1].texts.find(one), std::string::npos) << answerer.seen()[1].texts;
  EXPECT_NE(answerer.seen()[2].texts.find(two), std::string::npos);
  EXPECT_FALSE(Exists(one));
  EXPECT_TRUE(Exists(two));
}

TEST_F(FmHostTest, ConfirmationIsAnOptionsMenuSetting) {
  HWND frame = Start({});
  HMENU options = GetSubMenu(GetMenu(frame), fmhost::kOptionsMenu);
  SendMessageA(frame, WM_COMMAND, fmhost::kConfirmFileDelete, 0);
  EXPECT_FALSE(fmhost::ConfirmFileDelete());
  EXPECT_FALSE(GetMenuState(options, fmhost::kConfirmFileDelete, MF_BYCOMMAND) & MF_CHECKED);
  fmhost::SetConfirmFileDelete(true);
  EXPECT_TRUE(GetMenuState(options, fmhost::kConfirmFileDelete, MF_BYCOMMAND) & MF_CHECKED);
}

// A dialog class registered under the host's module sees the Delete dialog
// being created, and an OK posted then answers it: what an extension relies on
// to skip the dialog.
WNDPROC systemDialogProc;
LRESULT CALLBACK AnsweringDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    if (create->lpszName && std::string(create->lpszName) == "Delete")
      PostMessageA(window, WM_COMMAND, IDOK, 0);
  }
  return CallWindowProcA(systemDialogProc, window, message, wParam, lParam);
}

TEST_F(FmHostTest, DeleteDialogCanBeAnsweredByADialogClassOfTheHostsModule) {
  std::string gone = File("gone.txt");
  fmhost::Config config;
  config.confirmFileDelete = false;
  HWND frame = Start(config);
  fmhost::SelectNames(fmhost::ActiveTree(frame), {"gone.txt"});
  WNDCLASSA dialogClass;
  ASSERT_TRUE(GetClassInfoA(nullptr, MAKEINTRESOURCEA(32770), &dialogClass));
  systemDialogProc = dialogClass.lpfnWndProc;
  dialogClass.lpfnWndProc = AnsweringDialogProc;
  dialogClass.hInstance = GetModuleHandleA(nullptr);
  ASSERT_TRUE(RegisterClassA(&dialogClass));
  DialogAnswerer watcher({});  // answers Cancel, should the class not be used
  SendMessageA(frame, WM_COMMAND, fmhost::kDelete, 0);
  UnregisterClassA(MAKEINTRESOURCEA(32770), GetModuleHandleA(nullptr));
  EXPECT_FALSE(Exists(gone));
}

// ------------------------------------------------------------ set-up helper

TEST_F(FmHostTest, PrepareSettingsDirectoriesCreatesTheParentsOnTheWindowsDrive) {
  ASSERT_TRUE(fmhost::PrepareSettingsDirectories());
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::string nt = std::string(windows, 2) + "\\QXIBAR\\WINFILE\\NT";
  DWORD attributes = GetFileAttributesA(nt.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(fmhost::PrepareSettingsDirectories());  // again: they exist already
}

}  // namespace
