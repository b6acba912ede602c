// What the parts of the stand-in File Manager share: its program-wide state
// and the helpers one part calls in another. Not for the tests: they drive the
// stand-in through fmhost.h.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "fmhost.h"

// The platform header declares the extension entry with a 32-bit LONG for the
// parameter, which cannot carry FMS_LOAD's address on 64-bit: only its
// constants and records are used, the entry goes through ExtensionProc.
#define FMExtensionProc FMExtensionProc_HeaderPrototype
#define FMExtensionProcW FMExtensionProcW_HeaderPrototype
#include <wfext.h>
#undef FMExtensionProc
#undef FMExtensionProcW

namespace fmhost {

using ExtensionProc = LONG(WINAPI*)(HWND, WORD, LPARAM);

constexpr char kTreeClass[] = "WFS_Tree";

struct Entry {
  std::wstring name;
  DWORD attributes = 0;
  ULONGLONG size = 0;
  FILETIME time = {0, 0};
};

struct Tree {
  HWND window = nullptr;
  HWND list = nullptr;
  std::wstring directory;
  std::vector<Entry> entries;  // in list order
};

struct LoadedExtension {
  Extension info;
  ExtensionProc proc = nullptr;
};

struct HostState {
  HINSTANCE instance = nullptr;
  HWND frame = nullptr;
  HWND mdiClient = nullptr;
  HMENU windowMenu = nullptr;
  HMENU viewMenu = nullptr;
  HMENU optionsMenu = nullptr;
  HACCEL accelerators = nullptr;
  bool oleInitialized = false;  // as File Manager's start does; undone by Destroy
  std::vector<Tree> trees;
  std::vector<LoadedExtension> extensions;
  SortOrder sortOrder = SortOrder::kName;
  bool confirmFileDelete = true;
  SelectionNames names = SelectionNames::kOem;
  bool confirmInsideDeleteDialog = false;
  bool quitOnDestroy = false;
  bool unicode = false;
  int refreshCount = 0;
  WORD lastCommand = 0;
};

extern HostState host;

// Directory windows (trees.cpp).
Tree* FindTree(HWND window);
std::string JoinPath(const std::string& directory, const std::string& name);
std::wstring JoinPath(const std::wstring& directory, const std::wstring& name);
std::wstring Widen(const std::string& text);
// In a code page's characters, '?' for those it cannot hold.
std::string Narrow(const std::wstring& text, UINT codePage = CP_ACP);
std::wstring EntryPath(const Tree& tree, const Entry& entry);
std::vector<int> SelectedIndexes(HWND list);
std::vector<std::wstring> SelectedWideNames(const Tree& tree);
void SetSortOrder(SortOrder order, WORD command);
// A directory window for the directory, made as File Manager makes one: by
// WM_MDICREATE with the title "<directory>\*.*" (":<n>" added for the n-th
// window of the same directory), wide in the Unicode File Manager.
HWND CreateTree(const std::wstring& directory);
LRESULT CALLBACK TreeWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The extension interface (extensions.cpp).
void NotifyExtensions(WORD event);
void LoadExtension(const std::string& path);
std::vector<std::string> AddOnsOf(const std::string& iniPath);
LRESULT FillSelectedFile(WPARAM index, FMS_GETFILESELA* record);
LRESULT FillSelectedFileW(WPARAM index, FMS_GETFILESELW* record);
LRESULT FillDriveInfo(FMS_GETDRIVEINFOA* record);
LRESULT FillDriveInfoW(FMS_GETDRIVEINFOW* record);

// Dialogs (dialogs.cpp).
void DeleteSelection();

// Frame and menus (frame.cpp).
void PlaceMdiClient(int width, int height);

}  // namespace fmhost
