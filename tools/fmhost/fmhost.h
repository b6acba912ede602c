// A small stand-in for the Windows File Manager: a frame window with File
// Manager's window classes, menu bar, directory windows, Delete dialog and
// extension interface, enough to load and drive an extension DLL in-process.
//
// One stand-in per process: its state is program-wide. Everything runs on the
// thread that called Create.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace fmhost {

// Command IDs of the stand-in's own menu items. They all stay below 700, where
// the first extension's range begins.
enum Command : WORD {
  // File
  kOpen = 101,
  kMove = 102,
  kCopy = 103,
  kDelete = 104,
  kRename = 105,
  kProperties = 106,
  kCreateDirectory = 107,
  kSearch = 108,
  kAssociate = 109,
  kRun = 110,
  kExit = 111,
  // Escape: File Manager's key that cancels what is under way; in no menu.
  kEscape = 112,
  // Disk
  kCopyDisk = 201,
  kLabelDisk = 202,
  kFormatDisk = 203,
  kConnectNetworkDrive = 204,
  kDisconnectNetworkDrive = 205,
  kSelectDrive = 206,
  // Tree
  kExpandOneLevel = 301,
  kExpandBranch = 302,
  kExpandAll = 303,
  kCollapseBranch = 304,
  // View
  kTreeAndDirectory = 401,
  kTreeOnly = 402,
  kDirectoryOnly = 403,
  kSortByName = 404,
  kSortByType = 405,
  kSortBySize = 406,
  kSortByDate = 407,
  kByFileType = 408,
  // Options (the last item opens the "&Window Settings" pull-right)
  kConfirmFileDelete = 501,
  kFont = 502,
  kStatusBar = 503,
  kMinimizeOnUse = 511,
  kSaveSettingsOnExit = 512,
  // Window
  kNewWindow = 606,
  kCascade = 601,
  kTileVertically = 602,
  kTileHorizontally = 603,
  kArrangeIcons = 604,
  kRefresh = 605,
  // Help
  kHelpContents = 651,
  kAboutFileManager = 652,
};

// Menu bar positions while no tree window is maximized (one more each while one
// is). Extension menus go between Options and Window.
enum MenuPosition : int {
  kFileMenu = 0,
  kDiskMenu,
  kTreeMenu,
  kViewMenu,
  kOptionsMenu,
  kFirstExtensionMenu,
};

// The extension ranges: 700 for the first loaded extension, 800 for the next...
constexpr WORD kFirstMenuDelta = 700;
constexpr WORD kMenuDeltaStep = 100;
constexpr size_t kMaxExtensions = 10;
// MDI child windows take the Window menu's IDs from here on.
constexpr UINT kFirstChildId = 4000;

enum class SortOrder { kName, kType, kSize, kDate };

// How the frame answers for the selected names.
enum class SelectionNames {
  kOem,   // the old File Manager: FM_GETFILESELLFNA in the OEM character set only
  kAnsi,  // FM_GETFILESELLFNA in the ANSI code page, '?' for what it cannot hold
  // Today's Unicode File Manager: kAnsi, and FM_GETFILESELLFNW with the name whole.
  kAnsiAndUnicode,
};

struct Config {
  // WINFILE.INI whose [AddOns] section lists extensions; empty means
  // %APPDATA%\Microsoft\Winfile\WINFILE.INI, as File Manager reads it.
  std::string iniPath;
  // More extension DLLs, loaded after those of the INI file.
  std::vector<std::string> extensions;
  // One tree window per directory; none given means the current directory.
  std::vector<std::string> treeDirs;
  // Ask "Confirm File Delete" for each file after the Delete dialog's OK.
  bool confirmFileDelete = true;
  SelectionNames names = SelectionNames::kOem;
  // Today's File Manager asks "Confirm File Delete" from inside the Delete
  // dialog's OK, with the Delete dialog still on screen; the old one asks
  // once the Delete dialog has gone.
  bool confirmInsideDeleteDialog = false;
  // Frame placement in screen coordinates; an empty rectangle lets Windows choose.
  RECT placement = {0, 0, 0, 0};
  // Maximize the active tree window before the extensions load: the menu bar
  // then starts with the window's system menu, one position further.
  bool maximizeTree = false;
  // Post WM_QUIT when the frame goes: for a program whose loop ends with it.
  bool quitOnDestroy = false;
  // Today's File Manager: its frame, MDI client and directory windows are
  // Unicode, and a directory window takes its directory from the wide title
  // that WM_MDICREATE brings (New Window, OpenTree).
  bool unicode = false;
};

struct Extension {
  std::string path;
  HMODULE module = nullptr;  // null once freed (rejected or unloaded)
  WORD delta = 0;            // 0 when it was not loaded
  HMENU menu = nullptr;      // as placed on the menu bar
  std::string menuName;
  bool unicode = false;  // FMExtensionProcW was found and used
  bool loaded = false;   // accepted at load and not unloaded since
};

// Registers the classes (module: GetModuleHandle(NULL)), creates the frame,
// its MDI client and the tree windows, loads the extensions and shows the
// frame. Null when a stand-in exists already or a window cannot be created.
HWND Create(const Config& config);
// Sends FMEVENT_UNLOAD to every loaded extension, takes their menus off the
// menu bar and frees them. Destroy does the same first.
void UnloadExtensions(HWND frame);
// Unloads the extensions and loads the same ones again into the same frame, as
// a File Manager started anew would, then places the MDI client as at Create.
void ReloadExtensions(HWND frame);
void Destroy(HWND frame);

std::vector<Extension> Extensions(HWND frame);
HWND MdiClient(HWND frame);
HWND ActiveTree(HWND frame);
std::vector<HWND> Trees(HWND frame);
// The multi-selection list box of a tree window.
HWND TreeList(HWND tree);
std::string TreeDirectory(HWND tree);
std::wstring TreeDirectoryW(HWND tree);
// Opens a directory window for the directory, as File Manager's Open does.
HWND OpenTree(HWND frame, const std::wstring& directory);
// Selects exactly these names (others are deselected); false when one is not listed.
bool SelectNames(HWND tree, const std::vector<std::string>& names);
bool SelectWideNames(HWND tree, const std::vector<std::wstring>& names);
std::vector<std::string> ListedNames(HWND tree);
std::vector<std::string> SelectedNames(HWND tree);
// Re-reads the tree window's directory, keeping the selection where it can.
void Refresh(HWND tree);
// Drops files at a screen point as the shell does: WM_DROPFILES with a
// DragQueryFile-ready block is posted to the window there, or to the nearest
// of its parents that accepts files (DragAcceptFiles), with the point in its
// client coordinates. False when no window there accepts files.
bool DropFiles(POINT screenPoint, const std::vector<std::wstring>& paths);

SortOrder CurrentSortOrder();
bool ConfirmFileDelete();
void SetConfirmFileDelete(bool on);
// Number of directory re-reads since Create (one per tree window refreshed).
int RefreshCount();
// The last of the stand-in's own commands carried out (0: none yet).
WORD LastCommand();

// Test hook: a modal dialog with OK and Cancel, made the way the stand-in
// makes its own dialogs (its module, the standard dialog class) but with the
// caption given. Answers IDOK or IDCANCEL, whichever closed it; -1 when it
// could not be made.
INT_PTR ShowCaptionedDialog(HWND frame, const std::string& caption);

// Processes the messages that arrive within the time given; 0 empties the queue.
void Pump(DWORD milliseconds);
// Pump with the frame's accelerators translated first, as File Manager's own
// loop does: for keys typed into the stand-in.
void PumpWithAccelerators(HWND frame, DWORD milliseconds);
// Runs the message loop with the frame's accelerators until WM_QUIT.
int RunMessageLoop(HWND frame);

// What the extension's installer sets up: the parents of the per-user settings
// directory, "<windows drive>\QXIBAR\WINFILE\NT\". True when they all exist.
bool PrepareSettingsDirectories();

}  // namespace fmhost
