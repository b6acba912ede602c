#include "bar_host_fixture.h"

#include "support/dialog_script.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace barhost {

std::string SettingsPath() {
  char user[256] = "", windows[MAX_PATH] = "";
  DWORD size = sizeof user;
  GetUserNameA(user, &size);
  GetWindowsDirectoryA(windows, MAX_PATH);
  return std::string(windows, 3) + "QXIBAR\\WINFILE\\NT\\" + user + "\\QXICOBAR.INI";
}

std::string BackupPath() { return SettingsPath().substr(0, SettingsPath().size() - 3) + "BAK"; }

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
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, SettingsPath().c_str());
  DeleteFileA(SettingsPath().c_str());
  DeleteFileA(BackupPath().c_str());
}

void WriteSettings(const Keys& bar, const std::vector<Keys>& buttons) {
  const std::string ini = SettingsPath();
  CreateDirectoryA(ini.substr(0, ini.rfind('\\')).c_str(), nullptr);
  RemoveSettings();
  std::vector<std::pair<std::string, Keys>> sections = {{"Icon Bar", bar}};
  if (std::none_of(bar.begin(), bar.end(),
                   [](auto& key) { return key.first == "Number of Icons"; }))
    sections[0].second.push_back({"Number of Icons", std::to_string(buttons.size())});
  for (size_t n = 0; n < buttons.size(); ++n)
    sections.push_back({"Icon" + std::to_string(n), buttons[n]});
  for (const auto& [section, keys] : sections)
    for (const auto& [key, value] : keys)
      ASSERT_TRUE(
          WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), ini.c_str()))
          << section << " " << key;
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
}

std::string ReadWhole(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

std::wstring Wide(const std::string& text, UINT codePage) {
  wchar_t wide[1024] = L"";
  MultiByteToWideChar(codePage, 0, text.c_str(), -1, wide, 1024);
  return wide;
}

long long BusyHeapBlocks() {
  HANDLE heap = GetProcessHeap();
  long long busy = 0;
  if (!HeapLock(heap)) return -1;
  PROCESS_HEAP_ENTRY entry = {};
  while (HeapWalk(heap, &entry))
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++busy;
  HeapUnlock(heap);
  return busy;
}

RECT WindowRectIn(HWND window, HWND to) {
  RECT rect = {0, 0, 0, 0};
  GetWindowRect(window, &rect);
  if (to) MapWindowPoints(nullptr, to, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::vector<HWND> ThreadWindowsOfClass(const char* className) {
  std::vector<HWND> found;
  for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, className, nullptr));)
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) found.push_back(window);
  return found;
}

RECT BarGeometry::Button(int index) const {
  const int cxIcon = GetSystemMetrics(SM_CXICON), cyIcon = GetSystemMetrics(SM_CYICON);
  const int barFrameWidth = barFramed ? 2 * GetSystemMetrics(SM_CXFRAME) : 0;
  const int barFrameHeight = barFramed ? 2 * GetSystemMetrics(SM_CYFRAME) : 0;
  const int iconFrameWidth = iconsFramed ? 6 * GetSystemMetrics(SM_CXBORDER) : 0;
  const int iconFrameHeight = iconsFramed ? 6 * GetSystemMetrics(SM_CYBORDER) : 0;
  // Centred vertically (the default position).
  int top = (height - cyIcon - iconFrameHeight - barFrameHeight) / 2 + iconFrameHeight / 2;
  int left = 3 * GetSystemMetrics(SM_CXBORDER);
  int spacing = squishLeft ? iconFrameWidth : cxIcon / 8 + iconFrameWidth;
  if (buttonCount > 1 && !squishLeft) {
    // The tests' bars leave room: the gap is never negative here.
    const int free = length - (barFrameWidth + buttonCount * (iconFrameWidth + cxIcon));
    const int gap = free / (buttonCount - 1);
    spacing = iconFrameWidth + gap;
    left += (free - (buttonCount - 1) * gap) / 2;
  }
  left += index * (cxIcon + spacing);
  return RECT{left, top, left + cxIcon, top + cyIcon};
}

POINT BarGeometry::Centre(int index) const {
  RECT square = Button(index);
  return POINT{(square.left + square.right) / 2, (square.top + square.bottom) / 2};
}

BarPicture::BarPicture(HWND bar) : bar_(bar) {
  RECT client = {0, 0, 0, 0};
  GetClientRect(bar, &client);
  width_ = client.right;
  height_ = client.bottom;
}

COLORREF BarPicture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  HDC dc = GetDC(bar_);
  COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(bar_, dc);
  return colour;
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

void CALLBACK DialogWatcher::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (active_) EnumThreadWindows(GetCurrentThreadId(), Visit, 0);
}

BOOL CALLBACK DialogWatcher::Visit(HWND window, LPARAM) {
  char text[520] = "";
  GetClassNameA(window, text, sizeof text);
  if (lstrcmpA(text, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  if (!active_->answered_.insert(window).second) return TRUE;
  GetWindowTextA(window, text, sizeof text);
  active_->captions.push_back(text);
  std::string children;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    GetWindowTextA(child, text, sizeof text);
    children += std::string(text) + "|";
  }
  active_->texts.push_back(children);
  auto answer = active_->answers_.find(active_->captions.back());
  DialogScript::Click(window, answer != active_->answers_.end() ? answer->second : IDCANCEL);
  return TRUE;
}

void BarInHostTest::SetUp() {
  ASSERT_TRUE(fmhost::PrepareSettingsDirectories());
  RemoveSettings();
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  std::string name = std::to_string(GetCurrentProcessId()) + "_" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::replace(name.begin(), name.end(), '/', '_');
  directory_ = std::string(temp) + "qxbar_" + name;
  // Wine hands out the same process ids run after run: a killed run's folder
  // may still be there.
  std::error_code ignored;
  std::filesystem::remove_all(Wide(directory_), ignored);
  ASSERT_TRUE(CreateDirectoryA(directory_.c_str(), nullptr)) << directory_;
}

void BarInHostTest::TearDown() {
  if (frame_) fmhost::Destroy(frame_);
  frame_ = nullptr;
  RemoveSettings();
  std::error_code ignored;
  std::filesystem::remove_all(Wide(directory_), ignored);
}

std::string BarInHostTest::MakeFile(const std::string& name, size_t size) {
  std::string path = directory_ + "\\" + name;
  HANDLE file = CreateFileW(Wide(path, CP_UTF8).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            0, nullptr);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, std::string(size, 'x').data(), DWORD(size), &written, nullptr))
      << path;
  CloseHandle(file);
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
  frame_ = fmhost::Create(config);
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
  if (!Tree()) return false;
  fmhost::Refresh(Tree());
  return fmhost::SelectNames(Tree(), names);
}

}  // namespace barhost
