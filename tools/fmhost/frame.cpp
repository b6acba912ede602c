// The stand-in's frame window (class WFS_Frame): its menu bar and commands,
// the MDI client that holds the directory windows, and the message loop.
#include <cstring>

#include "fmhost_internal.h"
#include "fmhost_res.h"

namespace fmhost {

HostState host;

namespace {

const char kFrameClass[] = "WFS_Frame";
constexpr UINT_PTR kMdiClientId = 0xCAC;

void ToggleCheck(HMENU menu, WORD command) {
  UINT state = GetMenuState(menu, command, MF_BYCOMMAND);
  CheckMenuItem(menu, command, MF_BYCOMMAND | ((state & MF_CHECKED) ? MF_UNCHECKED : MF_CHECKED));
}

void OpenSelection() {
  HWND treeWindow = ActiveTree(host.frame);
  Tree* tree = FindTree(treeWindow);
  if (!tree) return;
  std::vector<int> indexes = SelectedIndexes(tree->list);
  std::vector<std::wstring> directories;
  for (int index : indexes)
    if (static_cast<size_t>(index) < tree->entries.size() &&
        (tree->entries[static_cast<size_t>(index)].attributes & FILE_ATTRIBUTE_DIRECTORY))
      directories.push_back(
          JoinPath(tree->directory, tree->entries[static_cast<size_t>(index)].name));
  for (const std::wstring& directory : directories) CreateTree(directory);
}

void RefreshTrees(bool all) {
  if (all) {
    std::vector<HWND> windows = Trees(host.frame);
    for (HWND window : windows) Refresh(window);
  } else if (HWND active = ActiveTree(host.frame)) {
    Refresh(active);
  }
}

void CarryOut(WORD command) {
  host.lastCommand = command;
  switch (command) {
    case kOpen:
      OpenSelection();
      break;
    case kDelete:
      DeleteSelection();
      break;
    case kExit:
      PostMessageA(host.frame, WM_CLOSE, 0, 0);
      break;
    case kEscape:
      break;  // nothing under way to cancel: only noted
    case kNewWindow:
      if (Tree* tree = FindTree(ActiveTree(host.frame))) CreateTree(std::wstring(tree->directory));
      break;
    case kSortByName:
      SetSortOrder(SortOrder::kName, command);
      break;
    case kSortByType:
      SetSortOrder(SortOrder::kType, command);
      break;
    case kSortBySize:
      SetSortOrder(SortOrder::kSize, command);
      break;
    case kSortByDate:
      SetSortOrder(SortOrder::kDate, command);
      break;
    case kConfirmFileDelete:
      SetConfirmFileDelete(!host.confirmFileDelete);
      break;
    case kStatusBar:
    case kMinimizeOnUse:
    case kSaveSettingsOnExit:
      ToggleCheck(host.optionsMenu, command);
      break;
    case kCascade:
      SendMessageA(host.mdiClient, WM_MDICASCADE, 0, 0);
      break;
    case kTileVertically:
      SendMessageA(host.mdiClient, WM_MDITILE, MDITILE_VERTICAL, 0);
      break;
    case kTileHorizontally:
      SendMessageA(host.mdiClient, WM_MDITILE, MDITILE_HORIZONTAL, 0);
      break;
    case kArrangeIcons:
      SendMessageA(host.mdiClient, WM_MDIICONARRANGE, 0, 0);
      break;
    case kRefresh:
      RefreshTrees(false);
      NotifyExtensions(FMEVENT_USER_REFRESH);
      break;
    default:
      // The file, disk and tree commands that would change the file system are
      // only noted; the directory may have changed meanwhile, so re-read it.
      RefreshTrees(false);
      break;
  }
}

bool IsHostCommand(WORD id) { return id > 100 && id < kFirstMenuDelta; }

}  // namespace

// The MDI client fills the client area. It is placed with MoveWindow, so that
// it sees WM_WINDOWPOSCHANGING and whoever subclasses it may change the place.
void PlaceMdiClient(int width, int height) {
  if (host.mdiClient) MoveWindow(host.mdiClient, 0, 0, width, height, TRUE);
}

namespace {

LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      CLIENTCREATESTRUCT client = {host.windowMenu, kFirstChildId};
      const DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE;
      const auto id = reinterpret_cast<HMENU>(kMdiClientId);
      host.mdiClient = host.unicode
                           ? CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr, style, 0, 0,
                                             0, 0, window, id, host.instance, &client)
                           : CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr, style, 0, 0, 0,
                                             0, window, id, host.instance, &client);
      if (!host.mdiClient) return -1;
      // It starts with both scroll bars; it shows them again when children stick out.
      ShowScrollBar(host.mdiClient, SB_BOTH, FALSE);
      // The first WM_SIZE may come only when the frame is shown, and the tree
      // windows are laid out before that.
      RECT area;
      GetClientRect(window, &area);
      PlaceMdiClient(area.right, area.bottom);
      return 0;
    }
    case WM_SIZE:
      PlaceMdiClient(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_COMMAND: {
      WORD id = LOWORD(wParam);
      for (const LoadedExtension& ext : host.extensions) {
        if (ext.info.loaded && id >= ext.info.delta && id < ext.info.delta + kMenuDeltaStep) {
          ExtensionProc proc = ext.proc;
          proc(window, static_cast<WORD>(id - ext.info.delta), 0);
          return 0;
        }
      }
      if (IsHostCommand(id)) {
        CarryOut(id);
        return 0;
      }
      break;
    }
    case WM_INITMENUPOPUP:
      for (const LoadedExtension& ext : host.extensions) {
        if (ext.info.loaded && ext.info.menu && reinterpret_cast<HMENU>(wParam) == ext.info.menu) {
          ExtensionProc proc = ext.proc;
          proc(window, FMEVENT_INITMENU, static_cast<LPARAM>(wParam));
          break;
        }
      }
      break;
    case FM_GETSELCOUNTLFN: {
      Tree* tree = FindTree(ActiveTree(window));
      return tree ? static_cast<LRESULT>(SelectedIndexes(tree->list).size()) : 0;
    }
    case FM_GETFILESELLFNA:
      return FillSelectedFile(wParam, reinterpret_cast<FMS_GETFILESELA*>(lParam));
    case FM_GETFILESELLFNW:
      if (host.names != SelectionNames::kAnsiAndUnicode) break;  // unknown to the old one
      return FillSelectedFileW(wParam, reinterpret_cast<FMS_GETFILESELW*>(lParam));
    case FM_GETDRIVEINFOA:
      return FillDriveInfo(reinterpret_cast<FMS_GETDRIVEINFOA*>(lParam));
    case FM_GETDRIVEINFOW:
      if (host.names != SelectionNames::kAnsiAndUnicode) break;  // unknown to the old one
      return FillDriveInfoW(reinterpret_cast<FMS_GETDRIVEINFOW*>(lParam));
    case FM_REFRESH_WINDOWS:
      RefreshTrees(wParam != 0);
      return 0;
    case WM_DESTROY:
      // Extensions let go while File Manager's windows still exist.
      UnloadExtensions(window);
      if (host.quitOnDestroy) PostQuitMessage(0);
      break;
    case WM_NCDESTROY:
      host.frame = nullptr;
      host.mdiClient = nullptr;
      break;
  }
  if (host.unicode) return DefFrameProcW(window, host.mdiClient, message, wParam, lParam);
  return DefFrameProcA(window, host.mdiClient, message, wParam, lParam);
}

HMENU BuildMenuBar() {
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, kOpen, "&Open");
  AppendMenuA(file, MF_STRING, kMove, "&Move...\tF7");
  AppendMenuA(file, MF_STRING, kCopy, "&Copy...\tF8");
  AppendMenuA(file, MF_STRING, kDelete, "&Delete...\tDel");
  AppendMenuA(file, MF_STRING, kRename, "Re&name...");
  AppendMenuA(file, MF_STRING, kProperties, "Propert&ies...");
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(file, MF_STRING, kCreateDirectory, "Create &Directory...");
  AppendMenuA(file, MF_STRING, kSearch, "Searc&h...");
  AppendMenuA(file, MF_STRING, kAssociate, "&Associate...");
  AppendMenuA(file, MF_STRING, kRun, "&Run...");
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(file, MF_STRING, kExit, "E&xit");

  HMENU disk = CreatePopupMenu();
  AppendMenuA(disk, MF_STRING, kCopyDisk, "&Copy Disk...");
  AppendMenuA(disk, MF_STRING, kLabelDisk, "&Label Disk...");
  AppendMenuA(disk, MF_STRING, kFormatDisk, "&Format Disk...");
  AppendMenuA(disk, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(disk, MF_STRING, kConnectNetworkDrive, "Connect &Network Drive...");
  AppendMenuA(disk, MF_STRING, kDisconnectNetworkDrive, "&Disconnect Network Drive...");
  AppendMenuA(disk, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(disk, MF_STRING, kSelectDrive, "Select Dri&ve...");

  HMENU tree = CreatePopupMenu();
  AppendMenuA(tree, MF_STRING, kExpandOneLevel, "E&xpand One Level\t+");
  AppendMenuA(tree, MF_STRING, kExpandBranch, "Expand &Branch\t*");
  AppendMenuA(tree, MF_STRING, kExpandAll, "Expand &All\tCtrl+*");
  AppendMenuA(tree, MF_STRING, kCollapseBranch, "&Collapse Branch\t-");

  host.viewMenu = CreatePopupMenu();
  HMENU view = host.viewMenu;
  AppendMenuA(view, MF_STRING, kTreeAndDirectory, "T&ree and Directory");
  AppendMenuA(view, MF_STRING, kTreeOnly, "Tr&ee Only");
  AppendMenuA(view, MF_STRING, kDirectoryOnly, "Directory &Only");
  AppendMenuA(view, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(view, MF_STRING, kSortByName, "Sort by &Name");
  AppendMenuA(view, MF_STRING, kSortByType, "Sort by &Type");
  AppendMenuA(view, MF_STRING, kSortBySize, "Sort by Si&ze");
  AppendMenuA(view, MF_STRING, kSortByDate, "Sort by &Date");
  AppendMenuA(view, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(view, MF_STRING, kByFileType, "By File &Type...");
  CheckMenuRadioItem(view, kSortByName, kSortByDate, kSortByName, MF_BYCOMMAND);

  // The pull-right comes last: a walk of the menu that stops at it still sees
  // every other item of Options.
  HMENU windowSettings = CreatePopupMenu();
  AppendMenuA(windowSettings, MF_STRING, kMinimizeOnUse, "&Minimize on Use");
  AppendMenuA(windowSettings, MF_STRING, kSaveSettingsOnExit, "Save Settings on &Exit");
  host.optionsMenu = CreatePopupMenu();
  HMENU options = host.optionsMenu;
  AppendMenuA(options, MF_STRING | (host.confirmFileDelete ? MF_CHECKED : 0), kConfirmFileDelete,
              "&Confirm File Delete");
  AppendMenuA(options, MF_STRING, kFont, "&Font...");
  AppendMenuA(options, MF_STRING, kStatusBar, "&Status Bar");
  AppendMenuA(options, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(options, MF_POPUP, reinterpret_cast<UINT_PTR>(windowSettings), "&Window Settings");

  host.windowMenu = CreatePopupMenu();
  HMENU windows = host.windowMenu;
  AppendMenuA(windows, MF_STRING, kNewWindow, "&New Window");
  AppendMenuA(windows, MF_STRING, kCascade, "&Cascade\tShift+F5");
  AppendMenuA(windows, MF_STRING, kTileVertically, "&Tile Vertically\tShift+F4");
  AppendMenuA(windows, MF_STRING, kTileHorizontally, "Tile &Horizontally");
  AppendMenuA(windows, MF_STRING, kArrangeIcons, "&Arrange Icons");
  AppendMenuA(windows, MF_STRING, kRefresh, "&Refresh\tF5");

  HMENU help = CreatePopupMenu();
  AppendMenuA(help, MF_STRING, kHelpContents, "&Contents");
  AppendMenuA(help, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(help, MF_STRING, kAboutFileManager, "&About File Manager...");

  HMENU bar = CreateMenu();
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(disk), "&Disk");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tree), "&Tree");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), "&View");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(options), "&Options");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(windows), "&Window");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
  return bar;
}

// Today's File Manager: windows of the class are Unicode.
bool RegisterWide(const WNDCLASSA& ansi) {
  WNDCLASSW wide = {};
  std::memcpy(&wide, &ansi, sizeof wide);
  const std::wstring name = Widen(ansi.lpszClassName);
  wide.lpszClassName = name.c_str();
  return RegisterClassW(&wide) != 0;
}

bool RegisterClasses() {
  WNDCLASSA frameClass = {};
  frameClass.lpfnWndProc = FrameWndProc;
  frameClass.hInstance = host.instance;
  frameClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  frameClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  frameClass.lpszClassName = kFrameClass;
  WNDCLASSA treeClass = frameClass;
  treeClass.style = CS_HREDRAW | CS_VREDRAW;
  treeClass.lpfnWndProc = TreeWndProc;
  treeClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  treeClass.lpszClassName = kTreeClass;
  if (host.unicode) return RegisterWide(frameClass) && RegisterWide(treeClass);
  if (!RegisterClassA(&frameClass)) return false;
  if (!RegisterClassA(&treeClass)) {
    UnregisterClassA(kFrameClass, host.instance);
    return false;
  }
  return true;
}

void UnregisterClasses() {
  UnregisterClassA(kTreeClass, host.instance);
  UnregisterClassA(kFrameClass, host.instance);
}

}  // namespace

HWND Create(const Config& config) {
  if (host.frame) return nullptr;
  host = HostState();
  host.instance = GetModuleHandleA(nullptr);
  host.confirmFileDelete = config.confirmFileDelete;
  host.names = config.names;
  host.confirmInsideDeleteDialog = config.confirmInsideDeleteDialog;
  host.quitOnDestroy = config.quitOnDestroy;
  // File Manager starts OLE on its thread (drag and drop): the extensions find
  // COM ready there.
  host.oleInitialized = SUCCEEDED(OleInitialize(nullptr));
  host.unicode = config.unicode;
  if (!RegisterClasses()) return nullptr;

  HMENU menuBar = BuildMenuBar();
  char title[64] = "File Manager";
  LoadStringA(host.instance, IDS_FM_TITLE, title, sizeof title);
  const RECT& place = config.placement;
  bool placed = place.right > place.left && place.bottom > place.top;
  const int x = placed ? place.left : CW_USEDEFAULT, y = placed ? place.top : 0;
  const int cx = placed ? place.right - place.left : CW_USEDEFAULT;
  const int cy = placed ? place.bottom - place.top : 0;
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  host.frame = host.unicode
                   ? CreateWindowExW(0, Widen(kFrameClass).c_str(), Widen(title).c_str(), style, x,
                                     y, cx, cy, nullptr, menuBar, host.instance, nullptr)
                   : CreateWindowExA(0, kFrameClass, title, style, x, y, cx, cy, nullptr, menuBar,
                                     host.instance, nullptr);
  if (!host.frame) {
    DestroyMenu(menuBar);
    UnregisterClasses();
    return nullptr;
  }
  // File Manager's Enter opens the selection and its Escape cancels, whichever
  // of its windows has the keyboard.
  ACCEL keys[] = {{FVIRTKEY, VK_RETURN, kOpen},   {FVIRTKEY, VK_ESCAPE, kEscape},
                  {FVIRTKEY, VK_F7, kMove},       {FVIRTKEY, VK_F8, kCopy},
                  {FVIRTKEY, VK_DELETE, kDelete}, {FVIRTKEY, VK_F5, kRefresh}};
  host.accelerators = CreateAcceleratorTableA(keys, sizeof keys / sizeof keys[0]);

  std::vector<std::string> directories = config.treeDirs;
  if (directories.empty()) directories.push_back(".");
  for (const std::string& directory : directories) CreateTree(Widen(directory));
  // Side by side across the MDI client. WM_MDITILE would skip them: they do
  // not count as visible while the frame is still hidden.
  RECT area;
  GetClientRect(host.mdiClient, &area);
  std::vector<HWND> trees = Trees(host.frame);
  int count = static_cast<int>(trees.size());
  for (int i = 0; i < count; ++i)
    MoveWindow(trees[static_cast<size_t>(i)], area.right * i / count, 0, area.right / count,
               area.bottom, TRUE);
  if (config.maximizeTree)
    if (HWND active = ActiveTree(host.frame))
      SendMessageA(host.mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(active), 0);

  for (const std::string& dll : AddOnsOf(config.iniPath)) LoadExtension(dll);
  for (const std::string& dll : config.extensions) LoadExtension(dll);

  HWND frame = host.frame;
  ShowWindow(frame, SW_SHOW);
  // Placed once more now that the extensions are in: the first placement they
  // can see, as when File Manager restores its saved window placement.
  RECT client;
  GetClientRect(frame, &client);
  PlaceMdiClient(client.right, client.bottom);
  UpdateWindow(frame);
  return frame;
}

void Destroy(HWND frame) {
  if (frame && frame == host.frame && IsWindow(frame)) DestroyWindow(frame);
  if (host.frame) return;  // another frame than the one asked for lives on
  if (host.accelerators) DestroyAcceleratorTable(host.accelerators);
  host.accelerators = nullptr;
  host.trees.clear();
  host.extensions.clear();
  UnregisterClasses();
  if (host.oleInitialized) OleUninitialize();
  host.oleInitialized = false;
}

HWND MdiClient(HWND frame) { return frame == host.frame ? host.mdiClient : nullptr; }

SortOrder CurrentSortOrder() { return host.sortOrder; }

bool ConfirmFileDelete() { return host.confirmFileDelete; }

void SetConfirmFileDelete(bool on) {
  host.confirmFileDelete = on;
  if (host.optionsMenu)
    CheckMenuItem(host.optionsMenu, kConfirmFileDelete,
                  MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

int RefreshCount() { return host.refreshCount; }

WORD LastCommand() { return host.lastCommand; }

namespace {

// Takes a key message for one of the frame's accelerators, as File Manager's
// loop does; true when it was.
bool TranslateFrameKeys(HWND frame, MSG* msg) {
  bool alive = frame && frame == host.frame;
  if (alive && host.mdiClient && TranslateMDISysAccel(host.mdiClient, msg)) return true;
  return alive && host.accelerators && TranslateAcceleratorA(frame, host.accelerators, msg);
}

void PumpMessages(HWND frame, DWORD milliseconds) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that waits for it
        return;
      }
      if (TranslateFrameKeys(frame, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= milliseconds) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
  }
}

}  // namespace

void Pump(DWORD milliseconds) { PumpMessages(nullptr, milliseconds); }

void PumpWithAccelerators(HWND frame, DWORD milliseconds) { PumpMessages(frame, milliseconds); }

int RunMessageLoop(HWND frame) {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (TranslateFrameKeys(frame, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

bool PrepareSettingsDirectories() {
  char windows[MAX_PATH] = "";
  UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
  if (length < 2 || length >= MAX_PATH || windows[1] != ':') return false;
  std::string path(windows, 2);
  for (const char* part : {"\\QXIBAR", "\\WINFILE", "\\NT"}) {
    path += part;
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  return true;
}

}  // namespace fmhost
