#include "bar_host_fixture.h"

#include <algorithm>
#include <filesystem>

namespace barhost {

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

void BarInHostTest::WriteBarSettings(const Keys& extraBar, const std::vector<Keys>& buttons) {
  const BarGeometry& geometry = geometry_;
  Keys bar = {{"Bar Length", std::to_string(geometry.length)},
              {"Bar Height", std::to_string(geometry.height)},
              {"Bar Framed", geometry.barFramed ? "1" : "0"},
              {"Icons Framed", geometry.iconsFramed ? "1" : "0"},
              {"Icons Spaced Horizontal Evenly", geometry.squishLeft ? "0" : "1"}};
  bar.insert(bar.end(), extraBar.begin(), extraBar.end());
  WriteSettings(bar, buttons);
}

void BarInHostTest::StartWith(const std::vector<Keys>& buttons, const Keys& extraBar) {
  if (frame_) fmhost::Destroy(frame_);
  frame_ = nullptr;
  geometry_.buttonCount = static_cast<int>(buttons.size());
  WriteBarSettings(extraBar, buttons);
  Start();
}

void BarInHostTest::Start(bool mustLoad) {
  fmhost::Config config = config_;
  config.iniPath = "C:\\nonexistent-winfile.ini";
  if (config.extensions.empty()) config.extensions = {"qxibar.dll"};
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

void BarInHostTest::ClickButton(int index) {
  POINT centre = geometry_.Centre(index);
  SetCursorPos(centre.x, centre.y);
  Click(centre);
}

bool BarInHostTest::Select(const std::vector<std::string>& names) {
  if (!Tree()) return false;
  fmhost::Refresh(Tree());
  return fmhost::SelectNames(Tree(), names);
}

}  // namespace barhost
