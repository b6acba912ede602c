// The real extension DLL in the stand-in File Manager with a settings file
// written beforehand and a directory of real files in the tree window: the
// fixture the bar, click, popup and unload tests share.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fmhost.h"

namespace barhost {

// The bar window's child window ID on File Manager's frame.
constexpr int kBarWindowId = 9876;
// The extension's commands, as File Manager's frame receives them (the first
// extension's range starts at 700).
constexpr UINT kMenuDelta = fmhost::kFirstMenuDelta;
constexpr UINT kBarOn = 38;
constexpr UINT kBarOff = 39;
constexpr UINT kDontSave = 42;
constexpr UINT kSaveNow = 43;

// Keys of one settings-file section, written in this order.
using Keys = std::vector<std::pair<std::string, std::string>>;

std::string SettingsPath();
std::string BackupPath();
std::string ProgramDirectory();
// One key of the settings file as it is on disk now; "(none)" when absent.
std::string SettingsValue(const std::string& section, const std::string& key);
void RemoveSettings();
// Writes a fresh settings file: the "Icon Bar" keys given, "Number of Icons"
// (unless given) and one section Icon0, Icon1, ... per button.
void WriteSettings(const Keys& bar, const std::vector<Keys>& buttons);

std::wstring Wide(const std::string& text, UINT codePage = CP_ACP);
std::string Utf8(const std::wstring& text);

// Busy blocks of the process heap, where the local blocks live.
size_t BusyHeapBlocks();
// The process's GDI objects; -1 when they cannot be counted.
long GdiObjectCount();

// A rectangle in the coordinates of `to` (null: the screen).
RECT WindowRectIn(HWND window, HWND to);
// The top-level windows of this thread of a class, visible or not.
std::vector<HWND> ThreadWindowsOfClass(const char* className);

// What the bar's layout puts where, for the settings the tests write: every
// button one icon in size, spaced evenly or packed from the left.
struct BarGeometry {
  int length = 640;
  int height = 48;
  bool barFramed = false;
  bool iconsFramed = true;
  bool squishLeft = false;
  int buttonCount = 0;
  // The button's square in bar client coordinates.
  RECT Button(int index) const;
  POINT Centre(int index) const;
};

// The bar's client area as it is on the screen, copied once.
class BarPicture {
 public:
  explicit BarPicture(HWND bar);
  COLORREF At(int x, int y) const;
  int width() const { return width_; }
  int height() const { return height_; }
  // Pixels of the rectangle that have (or do not have) the colour.
  int CountInside(const RECT& rect, COLORREF colour) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<COLORREF> pixels_;
};

// Watches this thread's top-level dialogs from a thread timer (it runs inside
// every modal loop): each visible dialog is read once and answered with the
// button its caption maps to (IDCANCEL for captions not listed).
struct SeenDialog {
  std::string caption;
  std::string texts;  // every child's text, each followed by '|'
};
class DialogWatcher {
 public:
  explicit DialogWatcher(std::map<std::string, int> answers);
  ~DialogWatcher();
  DialogWatcher(const DialogWatcher&) = delete;
  DialogWatcher& operator=(const DialogWatcher&) = delete;
  const std::vector<SeenDialog>& seen() const { return seen_; }
  int SeenCount(const std::string& caption) const;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  static BOOL CALLBACK Visit(HWND window, LPARAM);
  static DialogWatcher* active_;
  std::map<std::string, int> answers_;
  std::vector<SeenDialog> seen_;
  std::set<HWND> answered_;
  UINT_PTR timer_ = 0;
};

// The windows created on this thread while it lives, with the class, styles,
// parent and ID asked for (the system may drop a style bit it ignores, such as
// WS_EX_TOPMOST on a child window).
struct CreatedWindow {
  HWND window = nullptr;
  std::string className;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;
  UINT_PTR id = 0;
};
class CreationRecorder {
 public:
  CreationRecorder();
  ~CreationRecorder();
  CreationRecorder(const CreationRecorder&) = delete;
  CreationRecorder& operator=(const CreationRecorder&) = delete;
  // The requests for windows of the class, in creation order.
  std::vector<CreatedWindow> OfClass(const std::string& className) const;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  static CreationRecorder* active_;
  std::vector<CreatedWindow> created_;
  HHOOK hook_ = nullptr;
};

class BarInHostTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A file of `size` bytes in the tree window's directory.
  std::string MakeFile(const std::string& name, size_t size = 16);
  // One with any name, made through the Unicode API; answers its path.
  std::wstring MakeWideFile(const std::wstring& name);
  bool FileExists(const std::string& name) const;

  // Writes the settings file, bar keys for `geometry` first, then `extraBar`.
  void WriteBarSettings(const BarGeometry& geometry, const Keys& extraBar,
                        const std::vector<Keys>& buttons);
  // Starts the stand-in with the extension and its tree window on the
  // directory, waits for the bar's first paint; with `mustLoad` false only
  // the stand-in must come up.
  void Start(bool mustLoad = true);
  HWND Bar() const;
  HWND Tree() const { return fmhost::ActiveTree(frame_); }
  void Command(UINT id);
  // A left click on the bar at `point` (bar client coordinates).
  void Click(POINT point);
  bool Select(const std::vector<std::string>& names);
  // The extension's module while it is loaded.
  HMODULE Module() const;

  // The stand-in's behaviour; Start fills in the rest.
  fmhost::Config config_;
  HWND frame_ = nullptr;
  std::string directory_;
  // Every window the stand-in and the extension asked for during Start.
  std::vector<CreatedWindow> startWindows_;
};

}  // namespace barhost
