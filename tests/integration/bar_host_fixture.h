// The real extension in the stand-in File Manager, with a settings file
// written beforehand and a directory of real files in the tree window.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "fmhost.h"
#include "support/files.h"
#include "support/gdi_count.h"

namespace barhost {

constexpr int kBarWindowId = 9876;  // the bar's child window ID on the frame
// The extension's commands are kMenuDelta + ID on File Manager's frame.
constexpr UINT kMenuDelta = fmhost::kFirstMenuDelta;
constexpr UINT kBarOn = 38, kBarOff = 39, kDontSave = 42, kSaveNow = 43;

std::wstring Wide(const std::string& text, UINT codePage = CP_ACP);

// Of the process heap, where the local blocks live; -1 when it cannot be walked.
long long BusyHeapBlocks();

RECT WindowRectIn(HWND window, HWND to);
std::vector<HWND> ThreadWindowsOfClass(const char* className);

// Where the layout puts each button (one icon in size), spaced evenly or not.
struct BarGeometry {
  int length = 640, height = 48;
  bool barFramed = false, iconsFramed = true, squishLeft = false;
  int buttonCount = 0;
  RECT Button(int index) const;  // bar client coordinates
  POINT Centre(int index) const;
};

class BarPicture {
 public:
  explicit BarPicture(HWND bar);
  COLORREF At(int x, int y) const;
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  HWND bar_;
  int width_ = 0, height_ = 0;
};

class BarInHostTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A file in the tree window's directory (UTF-8 name); answers its path.
  std::string MakeFile(const std::string& name, size_t size = 16);
  bool FileExists(const std::string& name) const;

  // The settings file: the keys for geometry_, then `extraBar`.
  void WriteBarSettings(const Keys& extraBar, const std::vector<Keys>& buttons);
  // The stand-in (anew) with a bar of `buttons` laid out as geometry_.
  void StartWith(const std::vector<Keys>& buttons, const Keys& extraBar = {});
  // The stand-in with the extension, up to the bar's first paint; with
  // `mustLoad` false only the stand-in must come up.
  void Start(bool mustLoad = true);
  HWND Bar() const { return GetDlgItem(frame_, kBarWindowId); }
  HWND Tree() const { return fmhost::ActiveTree(frame_); }
  void Command(UINT id);
  void Click(POINT point);
  void ClickButton(int index);  // the pointer put on it first
  bool Select(const std::vector<std::string>& names);
  HMODULE Module() const { return GetModuleHandleA("qxibar.dll"); }

  fmhost::Config config_;  // the stand-in's behaviour (the DLL: ours); Start fills in the rest
  BarGeometry geometry_;
  HWND frame_ = nullptr;
  std::string directory_;
};

}  // namespace barhost
