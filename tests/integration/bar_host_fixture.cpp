#include "bar_host_fixture.h"

#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <fstream>

namespace barhost {

std::string SettingsPath() {
  char user[256] = "";
  DWORD size = sizeof user;
  GetUserNameA(user, &size);
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  return std::string(windows, 3) + "QXIBAR\\WINFILE\\NT\\" + user + "\\QXICOBAR.INI";
}

std::string BackupPath() {
  std::string ini = SettingsPath();
  return ini.substr(0, ini.size() - 3) + "BAK";
}

std::string ProgramDirectory() {
  char path[32768] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string directory = path;
  return directory.substr(0, directory.find_last_of('\\'));
}

std::string SettingsValue(const std::string& section, const std::string& key) {
  // The system may still hold a cached copy of a file the extension replaced.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, SettingsPath().c_str());
  char value[260] = "";
  GetPrivateProfileStringA(section.c_str(), key.c_str(), "(none)", value, sizeof value,
                           SettingsPath().c_str());
  return value;
}

void RemoveSettings() {
  std::string ini = SettingsPath();
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
  DeleteFileA(ini.c_str());
  DeleteFileA(BackupPath().c_str());
}

void WriteSettings(const Keys& bar, const std::vector<Keys>& buttons) {
  std::string ini = SettingsPath();
  CreateDirectoryA(ini.substr(0, ini.rfind('\\')).c_str(), nullptr);
  RemoveSettings();
  bool counted = false;
  for (const auto& [key, value] : bar) {
    ASSERT_TRUE(WritePrivateProfileStringA("Icon Bar", key.c_str(), value.c_str(), ini.c_str()))
        << key;
    counted = counted || key == "Number of Icons";
  }
  if (!counted) {
    ASSERT_TRUE(WritePrivateProfileStringA("Icon Bar", "Number of Icons",
                                           std::to_string(buttons.size()).c_str(), ini.c_str()));
  }
  for (size_t n = 0; n < buttons.size(); ++n) {
    std::string section = "Icon" + std::to_string(n);
    for (const auto& [key, value] : buttons[n])
      ASSERT_TRUE(
          WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), ini.c_str()))
          << section << " " << key;
  }
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
}

RECT WindowRectIn(HWND window, HWND to) {
  RECT rect = {0, 0, 0, 0};
  GetWindowRect(window, &rect);
  if (to) MapWindowPoints(nullptr, to, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

namespace {

struct ClassSearch {
  const char* className;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectOfClass(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<ClassSearch*>(data);
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, search->className) == 0) search->found.push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> ThreadWindowsOfClass(const char* className) {
  ClassSearch search{className, {}};
  EnumThreadWindows(GetCurrentThreadId(), CollectOfClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

RECT BarGeometry::Button(int index) const {
  const int cxBorder = GetSystemMetrics(SM_CXBORDER);
  const int cyBorder = GetSystemMetrics(SM_CYBORDER);
  const int cxIcon = GetSystemMetrics(SM_CXICON);
  const int cyIcon = GetSystemMetrics(SM_CYICON);
  const int barFrameWidth = barFramed ? 2 * GetSystemMetrics(SM_CXFRAME) : 0;
  const int barFrameHeight = barFramed ? 2 * GetSystemMetrics(SM_CYFRAME) : 0;
  const int iconFrameWidth = iconsFramed ? 6 * cxBorder : 0;
  const int iconFrameHeight = iconsFramed ? 6 * cyBorder : 0;
  // Icons centred vertically (the default position).
  int top = (height - cyIcon - iconFrameHeight - barFrameHeight) / 2 + iconFrameHeight / 2;
  if (((GetVersion() >> 8) & 0xFF) == 95) top += 1;
  int left = 3 * cxBorder;
  int spacing = squishLeft ? iconFrameWidth : cxIcon / 8 + iconFrameWidth;
  if (buttonCount > 1) {
    // The tests' bars leave room: the gap is never negative here.
    const int free = length - (barFrameWidth + buttonCount * (iconFrameWidth + cxIcon));
    const int gap = free / (buttonCount - 1);
    if (!squishLeft) {
      spacing = iconFrameWidth + gap;
      left += (free - (buttonCount - 1) * gap) / 2;
    }
  }
  left += index * (cxIcon + spacing);
  return RECT{left, top, left + cxIcon, top + cyIcon};
}

POINT BarGeometry::Centre(int index) const {
  RECT square = Button(index);
  return POINT{(square.left + square.right) / 2, (square.top + square.bottom) / 2};
}

BarPicture::BarPicture(HWND bar) {
  RECT client;
  GetClientRect(bar, &client);
  width_ = client.right;
  height_ = client.bottom;
  if (width_ <= 0 || height_ <= 0) return;
  HDC barDc = GetDC(bar);
  HDC memory = CreateCompatibleDC(barDc);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height_, barDc, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* quads = static_cast<const DWORD*>(bits);
    pixels_.resize(static_cast<size_t>(width_) * height_);
    for (size_t i = 0; i < pixels_.size(); ++i) {
      DWORD quad = quads[i];  // 0x00RRGGBB
      pixels_[i] = RGB((quad >> 16) & 0xFF, (quad >> 8) & 0xFF, quad & 0xFF);
    }
    SelectObject(memory, old);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(bar, barDc);
}

COLORREF BarPicture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || pixels_.empty()) return CLR_INVALID;
  return pixels_[static_cast<size_t>(y) * width_ + x];
}

int BarPicture::CountInside(const RECT& rect, COLORREF colour) const {
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x)
      if (At(x, y) == colour) ++count;
  return count;
}

DialogWatcher* DialogWatcher::active_ = nullptr;

DialogWatcher::DialogWatcher(std::map<std::string, int> answers) : answers_(std::move(answers)) {
  active_ = this;
  timer_ = SetTimer(nullptr, 0, 20, Tick);
}

DialogWatcher::~DialogWatcher() {
  if (timer_) KillTimer(nullptr, timer_);
  active_ = nullptr;
}

int DialogWatcher::SeenCount(const std::string& caption) const {
  int count = 0;
  for (const SeenDialog& dialog : seen_)
    if (dialog.caption == caption) ++count;
  return count;
}

void CALLBACK DialogWatcher::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (active_) EnumThreadWindows(GetCurrentThreadId(), Visit, 0);
}

BOOL CALLBACK DialogWatcher::Visit(HWND window, LPARAM) {
  DialogWatcher* self = active_;
  char className[64] = "";
  GetClassNameA(window, className, sizeof className);
  if (lstrcmpA(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  if (!self->answered_.insert(window).second) return TRUE;
  SeenDialog dialog;
  char caption[260] = "";
  GetWindowTextA(window, caption, sizeof caption);
  dialog.caption = caption;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char text[520] = "";
    GetWindowTextA(child, text, sizeof text);
    dialog.texts += std::string(text) + "|";
  }
  self->seen_.push_back(dialog);
  auto answer = self->answers_.find(dialog.caption);
  int button = answer != self->answers_.end() ? answer->second : IDCANCEL;
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
  return TRUE;
}

CreationRecorder* CreationRecorder::active_ = nullptr;

CreationRecorder::CreationRecorder() {
  active_ = this;
  hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

CreationRecorder::~CreationRecorder() {
  if (hook_) UnhookWindowsHookEx(hook_);
  active_ = nullptr;
}

std::vector<CreatedWindow> CreationRecorder::OfClass(const std::string& className) const {
  std::vector<CreatedWindow> found;
  for (const CreatedWindow& window : created_)
    if (window.className == className) found.push_back(window);
  return found;
}

LRESULT CALLBACK CreationRecorder::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && active_) {
    const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    CreatedWindow window;
    window.window = reinterpret_cast<HWND>(wParam);
    if (create->lpszClass && !IS_INTRESOURCE(create->lpszClass))
      window.className = create->lpszClass;
    window.style = static_cast<DWORD>(create->style);
    window.exStyle = create->dwExStyle;
    window.parent = create->hwndParent;
    window.id = reinterpret_cast<UINT_PTR>(create->hMenu);
    active_->created_.push_back(window);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

size_t BusyHeapBlocks() {
  HANDLE heap = GetProcessHeap();
  size_t busy = 0;
  if (!HeapLock(heap)) return 0;
  PROCESS_HEAP_ENTRY entry = {};
  while (HeapWalk(heap, &entry))
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++busy;
  HeapUnlock(heap);
  return busy;
}

namespace {

// The GDI handle table that the process environment block points to. Its
// entries are 24 bytes, the type at byte 14 (0: free), in 64-bit Windows and in
// Wine, which gives its 32-bit programs the same table; 32-bit Windows has 16,
// the type at byte 10. The layout that follows a brush is the one taken.
struct GdiTableLayout {
  size_t entrySize, typeOffset;
};
constexpr GdiTableLayout kGdiLayouts[] = {{24, 14}, {16, 10}};
// Where the environment block keeps the table's address.
constexpr size_t kGdiTableField = sizeof(void*) == 8 ? 0xF8 : 0x94;
constexpr size_t kGdiTableEntries = 0x10000;

// The used entries of the GDI handle table: a count of the process's GDI
// objects where GetGuiResources has none to give (Wine answers 0). -1 when
// the table is not there.
long GdiTableCount(const GdiTableLayout& layout) {
  using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic = {};
  if (!query ||
      query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
      !basic.PebBaseAddress)
    return -1;
  const auto* peb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
  const auto* table = *reinterpret_cast<const BYTE* const*>(peb + kGdiTableField);
  if (!table) return -1;
  long used = 0;
  for (size_t i = 0; i < kGdiTableEntries; ++i)
    if (table[i * layout.entrySize + layout.typeOffset] != 0) ++used;
  return used;
}

}  // namespace

// The GDI object count: GetGuiResources, or the table, in the layout that is
// seen to follow a brush's creation and deletion, where it answers 0. -1: no
// count.
long GdiObjectCount() {
  if (DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return long(count);
  for (const GdiTableLayout& layout : kGdiLayouts) {
    long before = GdiTableCount(layout);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    long with = GdiTableCount(layout);
    DeleteObject(brush);
    long after = GdiTableCount(layout);
    if (before >= 0 && with == before + 1 && after == before) return before;
  }
  return -1;
}

void BarInHostTest::SetUp() {
  ASSERT_TRUE(fmhost::PrepareSettingsDirectories());
  RemoveSettings();
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  directory_ = std::string(temp) + "qxbar_" + std::to_string(GetCurrentProcessId()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::replace(directory_.begin() + long(strlen(temp)), directory_.end(), '/', '_');
  ASSERT_TRUE(CreateDirectoryA(directory_.c_str(), nullptr)) << directory_;
}

void BarInHostTest::TearDown() {
  if (frame_) fmhost::Destroy(frame_);
  frame_ = nullptr;
  RemoveSettings();
  const std::wstring directory = Wide(directory_ + "\\");
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((directory + L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileW((directory + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(directory_.c_str());
}

std::wstring Wide(const std::string& text, UINT codePage) {
  wchar_t wide[1024] = L"";
  MultiByteToWideChar(codePage, 0, text.c_str(), -1, wide, 1024);
  return wide;
}

std::string Utf8(const std::wstring& text) {
  char narrow[2048] = "";
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

std::wstring BarInHostTest::MakeWideFile(const std::wstring& name) {
  std::wstring path = Wide(directory_ + "\\") + name;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  EXPECT_TRUE(file != INVALID_HANDLE_VALUE &&
              WriteFile(file, "16 bytes of text", 16, &written, nullptr));
  CloseHandle(file);
  return path;
}

std::string BarInHostTest::MakeFile(const std::string& name, size_t size) {
  std::string path = directory_ + "\\" + name;
  std::ofstream(path, std::ios::binary) << std::string(size, 'x');
  EXPECT_TRUE(FileExists(name)) << path;
  return path;
}

bool BarInHostTest::FileExists(const std::string& name) const {
  return GetFileAttributesA((directory_ + "\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void BarInHostTest::WriteBarSettings(const BarGeometry& geometry, const Keys& extraBar,
                                     const std::vector<Keys>& buttons) {
  Keys bar = {{"Bar Length", std::to_string(geometry.length)},
              {"Bar Height", std::to_string(geometry.height)},
              {"Bar Framed", geometry.barFramed ? "1" : "0"},
              {"Icons Framed", geometry.iconsFramed ? "1" : "0"},
              {"Icons Spaced Horizontal Evenly", geometry.squishLeft ? "0" : "1"}};
  bar.insert(bar.end(), extraBar.begin(), extraBar.end());
  WriteSettings(bar, buttons);
}

void BarInHostTest::Start(bool mustLoad) {
  fmhost::Config config = config_;
  config.iniPath = "C:\\nonexistent-winfile.ini";
  config.extensions = {"qxibar.dll"};
  config.treeDirs = {directory_};
  config.placement = {0, 0, 800, 600};
  {
    CreationRecorder recorder;
    frame_ = fmhost::Create(config);
    startWindows_ = recorder.OfClass("QX Iconbar");
  }
  ASSERT_NE(frame_, nullptr);
  fmhost::Pump(100);
  if (!mustLoad) return;
  auto extensions = fmhost::Extensions(frame_);
  ASSERT_EQ(extensions.size(), 1u);
  ASSERT_TRUE(extensions[0].loaded);
  ASSERT_NE(Bar(), nullptr);
  UpdateWindow(Bar());
  fmhost::Pump(0);
}

HWND BarInHostTest::Bar() const { return GetDlgItem(frame_, kBarWindowId); }

void BarInHostTest::Command(UINT id) {
  SendMessageA(frame_, WM_COMMAND, kMenuDelta + id, 0);
  fmhost::Pump(50);
}

void BarInHostTest::Click(POINT point) {
  SendMessageA(Bar(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
  SendMessageA(Bar(), WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
  fmhost::Pump(50);
}

bool BarInHostTest::Select(const std::vector<std::string>& names) {
  HWND tree = Tree();
  if (!tree) return false;
  fmhost::Refresh(tree);
  return fmhost::SelectNames(tree, names);
}

HMODULE BarInHostTest::Module() const { return GetModuleHandleA("qxibar.dll"); }

}  // namespace barhost
