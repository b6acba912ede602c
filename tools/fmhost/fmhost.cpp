#include "fmhost.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "fmhost_res.h"

// The platform header declares the extension entry with a 32-bit LONG for the
// parameter, which cannot carry FMS_LOAD's address on 64-bit: only its
// constants and records are used, the entry goes through ExtensionProc.
#define FMExtensionProc FMExtensionProc_HeaderPrototype
#define FMExtensionProcW FMExtensionProcW_HeaderPrototype
#include <wfext.h>
#undef FMExtensionProc
#undef FMExtensionProcW

namespace fmhost {
namespace {

using ExtensionProc = LONG(WINAPI*)(HWND, WORD, LPARAM);

// FMS_LOAD as extensions fill it: 52 bytes on 32-bit, 64 on 64-bit, and an
// extension built for the other size is turned away.
struct LoadRecordA {
  DWORD dwSize;
  CHAR szMenuName[MENU_TEXT_LEN];
  HMENU hMenu;
  WORD wMenuDelta;
};
struct LoadRecordW {
  DWORD dwSize;
  WCHAR szMenuName[MENU_TEXT_LEN];
  HMENU hMenu;
  WORD wMenuDelta;
};
static_assert(sizeof(void*) == 4 ? sizeof(LoadRecordA) == 52 : sizeof(LoadRecordA) == 64,
              "FMS_LOAD has the size File Manager checks");

const char kFrameClass[] = "WFS_Frame";
const char kTreeClass[] = "WFS_Tree";
const char kAddOnsSection[] = "AddOns";
constexpr UINT_PTR kMdiClientId = 0xCAC;
constexpr UINT_PTR kTreeListId = 1;

struct Entry {
  std::wstring name;
  DWORD attributes = 0;
  ULONGLONG size = 0;
  FILETIME time = {0, 0};
};

struct Tree {
  HWND window = nullptr;
  HWND list = nullptr;
  std::string directory;
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
  std::vector<Tree> trees;
  std::vector<LoadedExtension> extensions;
  SortOrder sortOrder = SortOrder::kName;
  bool confirmFileDelete = true;
  SelectionNames names = SelectionNames::kOem;
  bool confirmInsideDeleteDialog = false;
  bool quitOnDestroy = false;
  int refreshCount = 0;
  WORD lastCommand = 0;
};

HostState host;

Tree* FindTree(HWND window) {
  for (Tree& tree : host.trees)
    if (tree.window == window) return &tree;
  return nullptr;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
  if (!directory.empty() && directory.back() == '\\') return directory + name;
  return directory + "\\" + name;
}

std::wstring Widen(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  int length =
      MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  wide.resize(length > 0 ? static_cast<size_t>(length) - 1 : 0);
  return wide;
}

// In a code page's characters, '?' for those it cannot hold.
std::string Narrow(const std::wstring& text, UINT codePage = CP_ACP) {
  int size = WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(size > 0 ? static_cast<size_t>(size) : 1, '\0');
  WideCharToMultiByte(codePage, 0, text.c_str(), -1, &narrow[0], size, nullptr, nullptr);
  narrow.resize(narrow.size() - 1);
  return narrow;
}

std::wstring EntryPath(const Tree& tree, const Entry& entry) {
  return Widen(JoinPath(tree.directory, "")) + entry.name;
}

std::string FullDirectory(const std::string& directory) {
  char full[MAX_PATH] = "";
  DWORD length = GetFullPathNameA(directory.c_str(), MAX_PATH, full, nullptr);
  std::string result = (length > 0 && length < MAX_PATH) ? full : directory;
  // Keep "C:\" whole; cut the backslash off anything longer.
  if (result.size() > 3 && result.back() == '\\') result.pop_back();
  return result;
}

// ---------------------------------------------------------------- extensions

void NotifyExtensions(WORD event) {
  // A copy: an extension may unload itself from inside the call.
  std::vector<ExtensionProc> procs;
  for (const LoadedExtension& ext : host.extensions)
    if (ext.info.loaded) procs.push_back(ext.proc);
  for (ExtensionProc proc : procs) proc(host.frame, event, 0);
}

int MenuBarPosition(HMENU popup) {
  HMENU bar = GetMenu(host.frame);
  int count = bar ? GetMenuItemCount(bar) : -1;
  for (int position = 0; position < count; ++position)
    if (GetSubMenu(bar, position) == popup) return position;
  return -1;
}

// Extensions number their items from 1 to 99; File Manager moves them into the
// extension's own hundred.
void RaiseMenuIds(HMENU menu, WORD delta) {
  int count = GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position) {
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
    if (!GetMenuItemInfoA(menu, position, TRUE, &item)) continue;
    if (item.hSubMenu) {
      RaiseMenuIds(item.hSubMenu, delta);
    } else if (!(item.fType & MFT_SEPARATOR)) {
      item.fMask = MIIM_ID;
      item.wID = item.wID % kMenuDeltaStep + delta;
      SetMenuItemInfoA(menu, position, TRUE, &item);
    }
  }
}

size_t LoadedCount() {
  return std::count_if(host.extensions.begin(), host.extensions.end(),
                       [](const LoadedExtension& ext) { return ext.info.loaded; });
}

void LoadExtension(const std::string& path) {
  LoadedExtension ext;
  ext.info.path = path;
  if (LoadedCount() >= kMaxExtensions) {
    host.extensions.push_back(ext);
    return;
  }
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) {
    host.extensions.push_back(ext);
    return;
  }
  auto procW = reinterpret_cast<ExtensionProc>(
      reinterpret_cast<void*>(GetProcAddress(module, "FMExtensionProcW")));
  auto procA = reinterpret_cast<ExtensionProc>(
      reinterpret_cast<void*>(GetProcAddress(module, "FMExtensionProc")));
  ext.proc = procW ? procW : procA;
  ext.info.unicode = procW != nullptr;
  WORD delta = static_cast<WORD>(kFirstMenuDelta + kMenuDeltaStep * LoadedCount());
  bool accepted = false;
  HMENU menu = nullptr;
  if (procW) {
    LoadRecordW record = {};
    record.dwSize = sizeof record;
    record.wMenuDelta = delta;
    LONG result = procW(host.frame, FMEVENT_LOAD, reinterpret_cast<LPARAM>(&record));
    accepted = result != 0 && record.dwSize == sizeof record;
    if (accepted) {
      record.szMenuName[MENU_TEXT_LEN - 1] = L'\0';
      char name[MENU_TEXT_LEN * 2] = "";
      WideCharToMultiByte(CP_ACP, 0, record.szMenuName, -1, name, sizeof name, nullptr, nullptr);
      ext.info.menuName = name;
      menu = record.hMenu;
    }
  } else if (procA) {
    LoadRecordA record = {};
    record.dwSize = sizeof record;
    record.wMenuDelta = delta;
    LONG result = procA(host.frame, FMEVENT_LOAD, reinterpret_cast<LPARAM>(&record));
    accepted = result != 0 && record.dwSize == sizeof record;
    if (accepted) {
      record.szMenuName[MENU_TEXT_LEN - 1] = '\0';
      ext.info.menuName = record.szMenuName;
      menu = record.hMenu;
    }
  }
  if (!accepted) {
    FreeLibrary(module);
    ext.proc = nullptr;
    host.extensions.push_back(ext);
    return;
  }
  ext.info.module = module;
  ext.info.delta = delta;
  ext.info.loaded = true;
  if (menu) {
    RaiseMenuIds(menu, delta);
    int position = MenuBarPosition(host.windowMenu);
    if (InsertMenuA(GetMenu(host.frame), static_cast<UINT>(position),
                    MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu),
                    ext.info.menuName.c_str()))
      ext.info.menu = menu;
    DrawMenuBar(host.frame);
  }
  ExtensionProc proc = ext.proc;
  host.extensions.push_back(ext);
  FMS_TOOLBARLOAD toolbar = {};
  proc(host.frame, FMEVENT_TOOLBARLOAD, reinterpret_cast<LPARAM>(&toolbar));
}

std::vector<std::string> AddOnsOf(const std::string& iniPath) {
  std::string path = iniPath;
  if (path.empty()) {
    char expanded[MAX_PATH] = "";
    DWORD length =
        ExpandEnvironmentStringsA("%APPDATA%\\Microsoft\\Winfile\\WINFILE.INI", expanded, MAX_PATH);
    if (length == 0 || length > MAX_PATH || expanded[0] == '%') return {};
    path = expanded;
  }
  std::vector<char> section(32768);
  DWORD length = GetPrivateProfileSectionA(kAddOnsSection, section.data(),
                                           static_cast<DWORD>(section.size()), path.c_str());
  std::vector<std::string> dlls;
  for (DWORD at = 0; at < length && section[at];) {
    std::string line = section.data() + at;
    at += static_cast<DWORD>(line.size()) + 1;
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string value = line.substr(equals + 1);
    value.erase(0, value.find_first_not_of(" \t"));
    value.erase(value.find_last_not_of(" \t") + 1);
    if (!value.empty()) dlls.push_back(value);
  }
  return dlls;
}

// ---------------------------------------------------------------- tree windows

bool SortsBefore(const Entry& a, const Entry& b) {
  bool aDir = (a.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  bool bDir = (b.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (aDir != bDir) return aDir;
  int byName = lstrcmpiW(a.name.c_str(), b.name.c_str());
  switch (host.sortOrder) {
    case SortOrder::kName:
      break;
    case SortOrder::kType: {
      auto extension = [](const std::wstring& name) {
        size_t dot = name.rfind(L'.');
        return dot == std::wstring::npos ? std::wstring() : name.substr(dot + 1);
      };
      int byType = lstrcmpiW(extension(a.name).c_str(), extension(b.name).c_str());
      if (byType != 0) return byType < 0;
      break;
    }
    case SortOrder::kSize:  // largest first
      if (a.size != b.size) return a.size > b.size;
      break;
    case SortOrder::kDate: {  // newest first
      LONG byTime = CompareFileTime(&a.time, &b.time);
      if (byTime != 0) return byTime > 0;
      break;
    }
  }
  return byName < 0;
}

std::vector<Entry> ReadDirectory(const std::string& directory) {
  std::vector<Entry> entries;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Widen(JoinPath(directory, "*")).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    if (wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0) continue;
    Entry entry;
    entry.name = found.cFileName;
    entry.attributes = found.dwFileAttributes;
    entry.size = (ULONGLONG(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    entry.time = found.ftLastWriteTime;
    entries.push_back(entry);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return entries;
}

// Fills the list from the entries in the current sort order, selecting again
// the names given.
void FillList(Tree& tree, const std::vector<std::wstring>& selected) {
  std::stable_sort(tree.entries.begin(), tree.entries.end(), SortsBefore);
  SendMessageA(tree.list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(tree.list, LB_RESETCONTENT, 0, 0);
  for (const Entry& entry : tree.entries) {
    LRESULT index =
        SendMessageW(tree.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.name.c_str()));
    if (std::find(selected.begin(), selected.end(), entry.name) != selected.end())
      SendMessageA(tree.list, LB_SETSEL, TRUE, index);
  }
  SendMessageA(tree.list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree.list, nullptr, TRUE);
}

std::vector<int> SelectedIndexes(HWND list) {
  LRESULT count = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
  if (count <= 0) return {};
  std::vector<int> indexes(static_cast<size_t>(count));
  LRESULT got =
      SendMessageA(list, LB_GETSELITEMS, indexes.size(), reinterpret_cast<LPARAM>(indexes.data()));
  indexes.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return indexes;
}

std::vector<std::wstring> SelectedWideNames(const Tree& tree) {
  std::vector<std::wstring> names;
  for (int index : SelectedIndexes(tree.list))
    if (static_cast<size_t>(index) < tree.entries.size())
      names.push_back(tree.entries[static_cast<size_t>(index)].name);
  return names;
}

void SetSortOrder(SortOrder order, WORD command) {
  host.sortOrder = order;
  CheckMenuRadioItem(host.viewMenu, kSortByName, kSortByDate, command, MF_BYCOMMAND);
  for (Tree& tree : host.trees) FillList(tree, SelectedWideNames(tree));
}

HWND CreateTree(const std::string& directory) {
  std::string full = FullDirectory(directory);
  std::string title = JoinPath(full, "*.*");
  MDICREATESTRUCTA create = {};
  create.szClass = kTreeClass;
  create.szTitle = title.c_str();
  create.hOwner = host.instance;
  create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
  create.lParam = reinterpret_cast<LPARAM>(&full);
  auto tree = reinterpret_cast<HWND>(
      SendMessageA(host.mdiClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
  if (tree) Refresh(tree);
  return tree;
}

LRESULT CALLBACK TreeWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      auto create = reinterpret_cast<CREATESTRUCTA*>(lParam);
      auto mdiCreate = reinterpret_cast<MDICREATESTRUCTA*>(create->lpCreateParams);
      Tree tree;
      tree.window = window;
      tree.directory = *reinterpret_cast<const std::string*>(mdiCreate->lParam);
      tree.list = CreateWindowExW(
          0, L"LISTBOX", L"",
          WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
          0, 0, 0, 0, window, reinterpret_cast<HMENU>(kTreeListId), host.instance, nullptr);
      if (!tree.list) return -1;
      SendMessageA(tree.list, WM_SETFONT,
                   reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
      host.trees.push_back(tree);
      break;
    }
    case WM_SIZE:
      if (Tree* tree = FindTree(window))
        MoveWindow(tree->list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      break;  // DefMDIChildProc keeps the maximized state up to date
    case WM_SETFOCUS:
      if (Tree* tree = FindTree(window)) SetFocus(tree->list);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kTreeListId && HIWORD(wParam) == LBN_SELCHANGE) {
        NotifyExtensions(FMEVENT_SELCHANGE);
        return 0;
      }
      if (LOWORD(wParam) == kTreeListId && HIWORD(wParam) == LBN_DBLCLK) {
        SendMessageA(host.frame, WM_COMMAND, kOpen, 0);
        return 0;
      }
      break;
    case WM_NCDESTROY:
      host.trees.erase(std::remove_if(host.trees.begin(), host.trees.end(),
                                      [window](const Tree& tree) { return tree.window == window; }),
                       host.trees.end());
      break;
  }
  return DefMDIChildProcA(window, message, wParam, lParam);
}

// ---------------------------------------------------------------- Delete

struct DeleteRequest {
  std::wstring directory;
  std::vector<std::wstring> names;
};

INT_PTR CALLBACK ConfirmDeleteDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      std::wstring text = L"Delete file " + *reinterpret_cast<const std::wstring*>(lParam) + L"?";
      SetDlgItemTextW(dialog, IDC_FM_CONFIRM_TEXT, text.c_str());
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDYES:
        case IDNO:
        case IDCANCEL:
        case IDC_FM_YES_TO_ALL:
          EndDialog(dialog, LOWORD(wParam));
          return TRUE;
      }
      break;
  }
  return FALSE;
}

// Deletes the files, asking "Confirm File Delete" (owned by `owner`) for each
// while that option is on.
void DeleteFiles(const DeleteRequest& request, HWND owner) {
  bool confirmEach = host.confirmFileDelete;
  for (const std::wstring& name : request.names) {
    std::wstring path = request.directory + L"\\" + name;
    if (confirmEach) {
      INT_PTR answer =
          DialogBoxParamA(host.instance, MAKEINTRESOURCEA(IDD_FM_CONFIRM_DELETE), owner,
                          ConfirmDeleteDlgProc, reinterpret_cast<LPARAM>(&path));
      if (answer == IDNO) continue;
      if (answer == IDC_FM_YES_TO_ALL) confirmEach = false;
      if (answer != IDYES && answer != IDC_FM_YES_TO_ALL) break;
    }
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
      RemoveDirectoryW(path.c_str());
    else
      DeleteFileW(path.c_str());
  }
}

INT_PTR CALLBACK DeleteDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto request = reinterpret_cast<const DeleteRequest*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      std::wstring names;
      for (const std::wstring& name : request->names) names += (names.empty() ? L"" : L" ") + name;
      SetDlgItemTextW(dialog, IDC_FM_DELETE_DIRECTORY, request->directory.c_str());
      SetDlgItemTextW(dialog, IDC_FM_DELETE_NAMES, names.c_str());
      // Today's File Manager has the dialog on screen from its creation on,
      // not only once its message loop first waits.
      if (host.confirmInsideDeleteDialog) ShowWindow(dialog, SW_SHOW);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK && host.confirmInsideDeleteDialog)
        DeleteFiles(*reinterpret_cast<const DeleteRequest*>(GetWindowLongPtrA(dialog, DWLP_USER)),
                    dialog);
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

void DeleteSelection() {
  HWND treeWindow = ActiveTree(host.frame);
  Tree* tree = FindTree(treeWindow);
  if (!tree) return;
  DeleteRequest request;
  request.directory = Widen(tree->directory);
  request.names = SelectedWideNames(*tree);
  if (request.names.empty()) return;
  // The host's own module: an extension that registered a dialog class under
  // it sees this dialog being created.
  INT_PTR answer = DialogBoxParamA(host.instance, MAKEINTRESOURCEA(IDD_FM_DELETE), host.frame,
                                   DeleteDlgProc, reinterpret_cast<LPARAM>(&request));
  if (answer == IDOK && !host.confirmInsideDeleteDialog) DeleteFiles(request, host.frame);
  // The dialogs may have outlived the tree window.
  if (FindTree(treeWindow)) Refresh(treeWindow);
}

// ---------------------------------------------------------------- frame

void ToggleCheck(HMENU menu, WORD command) {
  UINT state = GetMenuState(menu, command, MF_BYCOMMAND);
  CheckMenuItem(menu, command, MF_BYCOMMAND | ((state & MF_CHECKED) ? MF_UNCHECKED : MF_CHECKED));
}

void OpenSelection() {
  HWND treeWindow = ActiveTree(host.frame);
  Tree* tree = FindTree(treeWindow);
  if (!tree) return;
  std::vector<int> indexes = SelectedIndexes(tree->list);
  std::vector<std::string> directories;
  for (int index : indexes)
    if (static_cast<size_t>(index) < tree->entries.size() &&
        (tree->entries[static_cast<size_t>(index)].attributes & FILE_ATTRIBUTE_DIRECTORY))
      directories.push_back(
          JoinPath(tree->directory, Narrow(tree->entries[static_cast<size_t>(index)].name)));
  for (const std::string& directory : directories) CreateTree(directory);
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

// The selected entry `index` of the active tree window and its full path;
// null past the selection.
const Entry* SelectedEntry(WPARAM index, std::wstring& path) {
  Tree* tree = FindTree(ActiveTree(host.frame));
  if (!tree) return nullptr;
  std::vector<int> indexes = SelectedIndexes(tree->list);
  if (index >= indexes.size()) return nullptr;
  size_t at = static_cast<size_t>(indexes[index]);
  if (at >= tree->entries.size()) return nullptr;
  path = EntryPath(*tree, tree->entries[at]);
  return &tree->entries[at];
}

template <typename Record>
void FillRecordHead(Record* record, const Entry& entry) {
  std::memset(record, 0, sizeof *record);
  record->ftTime = entry.time;
  record->dwSize = static_cast<DWORD>(entry.size);
  record->bAttr = static_cast<BYTE>(entry.attributes);
}

// The old File Manager gives the name in the OEM character set, today's in
// the ANSI one; each puts '?' where its character set has no character.
LRESULT FillSelectedFile(WPARAM index, FMS_GETFILESELA* record) {
  std::wstring path;
  const Entry* entry = record ? SelectedEntry(index, path) : nullptr;
  if (!entry) return 0;
  FillRecordHead(record, *entry);
  std::string name = Narrow(path, host.names == SelectionNames::kOem ? CP_OEMCP : CP_ACP);
  lstrcpynA(record->szName, name.c_str(), sizeof record->szName);
  return 1;
}

LRESULT FillSelectedFileW(WPARAM index, FMS_GETFILESELW* record) {
  std::wstring path;
  const Entry* entry = record ? SelectedEntry(index, path) : nullptr;
  if (!entry) return 0;
  FillRecordHead(record, *entry);
  lstrcpynW(record->szName, path.c_str(), MAX_PATH);
  return 1;
}

// The MDI client fills the client area. It is placed with MoveWindow, so that
// it sees WM_WINDOWPOSCHANGING and whoever subclasses it may change the place.
void PlaceMdiClient(int width, int height) {
  if (host.mdiClient) MoveWindow(host.mdiClient, 0, 0, width, height, TRUE);
}

LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      CLIENTCREATESTRUCT client = {host.windowMenu, kFirstChildId};
      host.mdiClient = CreateWindowExA(
          WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
          WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE, 0, 0, 0, 0, window,
          reinterpret_cast<HMENU>(kMdiClientId), host.instance, &client);
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
  if (!RegisterClasses()) return nullptr;

  HMENU menuBar = BuildMenuBar();
  char title[64] = "File Manager";
  LoadStringA(host.instance, IDS_FM_TITLE, title, sizeof title);
  const RECT& place = config.placement;
  bool placed = place.right > place.left && place.bottom > place.top;
  host.frame = CreateWindowExA(0, kFrameClass, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                               placed ? place.left : CW_USEDEFAULT, placed ? place.top : 0,
                               placed ? place.right - place.left : CW_USEDEFAULT,
                               placed ? place.bottom - place.top : 0, nullptr, menuBar,
                               host.instance, nullptr);
  if (!host.frame) {
    DestroyMenu(menuBar);
    UnregisterClasses();
    return nullptr;
  }
  ACCEL keys[] = {{FVIRTKEY, VK_F7, kMove},
                  {FVIRTKEY, VK_F8, kCopy},
                  {FVIRTKEY, VK_DELETE, kDelete},
                  {FVIRTKEY, VK_F5, kRefresh}};
  host.accelerators = CreateAcceleratorTableA(keys, sizeof keys / sizeof keys[0]);

  std::vector<std::string> directories = config.treeDirs;
  if (directories.empty()) directories.push_back(".");
  for (const std::string& directory : directories) CreateTree(directory);
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

void UnloadExtensions(HWND frame) {
  if (frame != host.frame) return;
  for (size_t i = 0; i < host.extensions.size(); ++i) {
    if (!host.extensions[i].info.loaded) continue;
    ExtensionProc proc = host.extensions[i].proc;
    proc(nullptr, FMEVENT_UNLOAD, 0);
    Extension& info = host.extensions[i].info;
    if (info.menu && frame) {
      int position = MenuBarPosition(info.menu);
      if (position >= 0) DeleteMenu(GetMenu(frame), static_cast<UINT>(position), MF_BYPOSITION);
    }
    FreeLibrary(info.module);
    info.module = nullptr;
    info.menu = nullptr;
    info.loaded = false;
    host.extensions[i].proc = nullptr;
  }
  if (frame && IsWindow(frame)) DrawMenuBar(frame);
}

void ReloadExtensions(HWND frame) {
  if (frame != host.frame) return;
  UnloadExtensions(frame);
  std::vector<std::string> paths;
  for (const LoadedExtension& ext : host.extensions) paths.push_back(ext.info.path);
  host.extensions.clear();
  for (const std::string& path : paths) LoadExtension(path);
  RECT client;
  GetClientRect(frame, &client);
  PlaceMdiClient(client.right, client.bottom);
  UpdateWindow(frame);
}

void Destroy(HWND frame) {
  if (frame && frame == host.frame && IsWindow(frame)) DestroyWindow(frame);
  if (host.frame) return;  // another frame than the one asked for lives on
  if (host.accelerators) DestroyAcceleratorTable(host.accelerators);
  host.accelerators = nullptr;
  host.trees.clear();
  host.extensions.clear();
  UnregisterClasses();
}

std::vector<Extension> Extensions(HWND frame) {
  std::vector<Extension> result;
  if (frame != host.frame) return result;
  for (const LoadedExtension& ext : host.extensions) result.push_back(ext.info);
  return result;
}

HWND MdiClient(HWND frame) { return frame == host.frame ? host.mdiClient : nullptr; }

HWND ActiveTree(HWND frame) {
  if (frame != host.frame || !host.mdiClient) return nullptr;
  auto active = reinterpret_cast<HWND>(SendMessageA(host.mdiClient, WM_MDIGETACTIVE, 0, 0));
  return FindTree(active) ? active : nullptr;
}

std::vector<HWND> Trees(HWND frame) {
  std::vector<HWND> windows;
  if (frame != host.frame) return windows;
  for (const Tree& tree : host.trees) windows.push_back(tree.window);
  return windows;
}

HWND TreeList(HWND tree) {
  Tree* found = FindTree(tree);
  return found ? found->list : nullptr;
}

std::string TreeDirectory(HWND tree) {
  Tree* found = FindTree(tree);
  return found ? found->directory : std::string();
}

bool SelectWideNames(HWND treeWindow, const std::vector<std::wstring>& names) {
  Tree* tree = FindTree(treeWindow);
  if (!tree) return false;
  SendMessageA(tree->list, LB_SETSEL, FALSE, -1);
  bool allFound = true;
  for (const std::wstring& name : names) {
    auto at = std::find_if(tree->entries.begin(), tree->entries.end(),
                           [&name](const Entry& entry) { return entry.name == name; });
    if (at == tree->entries.end()) {
      allFound = false;
      continue;
    }
    LPARAM index = at - tree->entries.begin();
    SendMessageA(tree->list, LB_SETSEL, TRUE, index);
    SendMessageA(tree->list, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
  }
  NotifyExtensions(FMEVENT_SELCHANGE);
  return allFound;
}

bool SelectNames(HWND treeWindow, const std::vector<std::string>& names) {
  std::vector<std::wstring> wide;
  for (const std::string& name : names) wide.push_back(Widen(name));
  return SelectWideNames(treeWindow, wide);
}

std::vector<std::string> ListedNames(HWND treeWindow) {
  std::vector<std::string> names;
  if (Tree* tree = FindTree(treeWindow))
    for (const Entry& entry : tree->entries) names.push_back(Narrow(entry.name));
  return names;
}

std::vector<std::string> SelectedNames(HWND treeWindow) {
  std::vector<std::string> names;
  if (Tree* tree = FindTree(treeWindow))
    for (const std::wstring& name : SelectedWideNames(*tree)) names.push_back(Narrow(name));
  return names;
}

void Refresh(HWND treeWindow) {
  Tree* tree = FindTree(treeWindow);
  if (!tree) return;
  std::vector<std::wstring> selected = SelectedWideNames(*tree);
  tree->entries = ReadDirectory(tree->directory);
  FillList(*tree, selected);
  ++host.refreshCount;
}

bool DropFiles(POINT screenPoint, const std::vector<std::wstring>& paths) {
  HWND target = WindowFromPoint(screenPoint);
  while (target && !(GetWindowLongPtrA(target, GWL_EXSTYLE) & WS_EX_ACCEPTFILES))
    target = (GetWindowLongPtrA(target, GWL_STYLE) & WS_CHILD) ? GetParent(target) : nullptr;
  if (!target) return false;
  // DROPFILES, then each path with its end mark, then one more end mark.
  size_t characters = 1;
  for (const std::wstring& path : paths) characters += path.size() + 1;
  HGLOBAL memory =
      GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + characters * sizeof(wchar_t));
  auto* drop = memory ? static_cast<DROPFILES*>(GlobalLock(memory)) : nullptr;
  if (!drop) {
    if (memory) GlobalFree(memory);
    return false;
  }
  drop->pFiles = sizeof(DROPFILES);
  drop->pt = screenPoint;
  ScreenToClient(target, &drop->pt);
  drop->fWide = TRUE;
  auto* names = reinterpret_cast<wchar_t*>(drop + 1);
  for (const std::wstring& path : paths) {
    std::memcpy(names, path.c_str(), path.size() * sizeof(wchar_t));
    names += path.size() + 1;
  }
  GlobalUnlock(memory);
  // The receiver lets the memory go with DragFinish.
  if (PostMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0)) return true;
  GlobalFree(memory);
  return false;
}

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

INT_PTR CALLBACK CaptionedDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

// Appends a text to an in-memory dialog template, as UTF-16 with its end mark.
void AppendTemplateText(std::vector<WORD>& words, const std::string& text) {
  int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::vector<wchar_t> wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
  for (wchar_t c : wide) words.push_back(static_cast<WORD>(c));
}

void AppendTemplateDword(std::vector<WORD>& words, DWORD value) {
  words.push_back(LOWORD(value));
  words.push_back(HIWORD(value));
}

void AppendTemplateButton(std::vector<WORD>& words, WORD id, short x, const char* text) {
  if (words.size() % 2) words.push_back(0);  // items start on a DWORD boundary
  AppendTemplateDword(
      words, WS_CHILD | WS_VISIBLE | WS_TABSTOP | (id == IDOK ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON));
  AppendTemplateDword(words, 0);
  for (short value : {x, short(30), short(50), short(14)})
    words.push_back(static_cast<WORD>(value));
  words.push_back(id);
  words.push_back(0xFFFF);  // a predefined class: button
  words.push_back(0x0080);
  AppendTemplateText(words, text);
  words.push_back(0);  // no creation data
}

}  // namespace

INT_PTR ShowCaptionedDialog(HWND frame, const std::string& caption) {
  if (frame != host.frame) return -1;
  // The template is read as DWORDs and WORDs; a vector of WORDs keeps it aligned.
  std::vector<WORD> words;
  AppendTemplateDword(words, DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU);
  AppendTemplateDword(words, 0);
  words.push_back(2);  // items
  for (short value : {short(0), short(0), short(120), short(52)})
    words.push_back(static_cast<WORD>(value));
  words.push_back(0);  // no menu
  words.push_back(0);  // the standard dialog class
  AppendTemplateText(words, caption);
  AppendTemplateButton(words, IDOK, 8, "OK");
  AppendTemplateButton(words, IDCANCEL, 62, "Cancel");
  return DialogBoxIndirectParamA(host.instance, reinterpret_cast<LPCDLGTEMPLATEA>(words.data()),
                                 host.frame, CaptionedDlgProc, 0);
}

void Pump(DWORD milliseconds) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that waits for it
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= milliseconds) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
  }
}

int RunMessageLoop(HWND frame) {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    bool alive = frame == host.frame && host.frame;
    if (alive && host.mdiClient && TranslateMDISysAccel(host.mdiClient, &msg)) continue;
    if (alive && host.accelerators && TranslateAcceleratorA(frame, host.accelerators, &msg))
      continue;
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
