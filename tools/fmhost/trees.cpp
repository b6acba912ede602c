// The stand-in's directory windows (class WFS_Tree): one multi-selection list
// of a directory's entries each, sorted as the View menu says.
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "fmhost_internal.h"

namespace fmhost {
namespace {

constexpr UINT_PTR kTreeListId = 1;

std::wstring FullDirectory(const std::wstring& directory) {
  wchar_t full[MAX_PATH] = L"";
  DWORD length = GetFullPathNameW(directory.c_str(), MAX_PATH, full, nullptr);
  std::wstring result = (length > 0 && length < MAX_PATH) ? full : directory;
  // Keep "C:\" whole; cut the backslash off anything longer.
  if (result.size() > 3 && result.back() == L'\\') result.pop_back();
  return result;
}

// File Manager's directory window reads its directory from its title,
// "<directory>\*.*" with ":<n>" after it for the n-th window of a directory.
std::wstring DirectoryOfTitle(std::wstring title) {
  const size_t colon = title.rfind(L':');
  if (colon != std::wstring::npos && colon + 1 < title.size() &&
      title.find_first_not_of(L"0123456789", colon + 1) == std::wstring::npos)
    title.resize(colon);
  const size_t slash = title.rfind(L'\\');
  if (slash == std::wstring::npos) return title;
  title.resize(slash);
  if (title.size() == 2 && title[1] == L':') title += L'\\';  // a drive's root
  return title;
}

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

std::vector<Entry> ReadDirectory(const std::wstring& directory) {
  std::vector<Entry> entries;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(JoinPath(directory, L"*").c_str(), &found);
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

}  // namespace

Tree* FindTree(HWND window) {
  for (Tree& tree : host.trees)
    if (tree.window == window) return &tree;
  return nullptr;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
  if (!directory.empty() && directory.back() == '\\') return directory + name;
  return directory + "\\" + name;
}

std::wstring JoinPath(const std::wstring& directory, const std::wstring& name) {
  if (!directory.empty() && directory.back() == L'\\') return directory + name;
  return directory + L"\\" + name;
}

std::wstring Widen(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  int length =
      MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  wide.resize(length > 0 ? static_cast<size_t>(length) - 1 : 0);
  return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
  int size = WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(size > 0 ? static_cast<size_t>(size) : 1, '\0');
  WideCharToMultiByte(codePage, 0, text.c_str(), -1, &narrow[0], size, nullptr, nullptr);
  narrow.resize(narrow.size() - 1);
  return narrow;
}

std::wstring EntryPath(const Tree& tree, const Entry& entry) {
  return JoinPath(tree.directory, entry.name);
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

HWND CreateTree(const std::wstring& directory) {
  const std::wstring full = FullDirectory(directory);
  std::wstring title = JoinPath(full, L"*.*");
  const auto same = std::count_if(host.trees.begin(), host.trees.end(),
                                  [&full](const Tree& tree) { return tree.directory == full; });
  if (same > 0) title += L":" + std::to_wstring(same + 1);
  HWND tree = nullptr;
  if (host.unicode) {
    const std::wstring treeClass = Widen(kTreeClass);
    MDICREATESTRUCTW create = {};
    create.szClass = treeClass.c_str();
    create.szTitle = title.c_str();
    create.hOwner = host.instance;
    create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
    tree = reinterpret_cast<HWND>(
        SendMessageW(host.mdiClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
  } else {
    const std::string ansiTitle = Narrow(title);
    MDICREATESTRUCTA create = {};
    create.szClass = kTreeClass;
    create.szTitle = ansiTitle.c_str();
    create.hOwner = host.instance;
    create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
    tree = reinterpret_cast<HWND>(
        SendMessageA(host.mdiClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
  }
  if (tree) Refresh(tree);
  return tree;
}

LRESULT CALLBACK TreeWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      // Whatever the title lost on its way is lost to the directory too.
      Tree tree;
      tree.window = window;
      tree.directory = DirectoryOfTitle(
          IsWindowUnicode(window) ? std::wstring(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpszName)
                                  : Widen(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpszName));
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
  if (IsWindowUnicode(window)) return DefMDIChildProcW(window, message, wParam, lParam);
  return DefMDIChildProcA(window, message, wParam, lParam);
}

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

std::string TreeDirectory(HWND tree) { return Narrow(TreeDirectoryW(tree)); }

std::wstring TreeDirectoryW(HWND tree) {
  Tree* found = FindTree(tree);
  return found ? found->directory : std::wstring();
}

HWND OpenTree(HWND frame, const std::wstring& directory) {
  return frame == host.frame && host.mdiClient ? CreateTree(directory) : nullptr;
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

}  // namespace fmhost
