// The stand-in's extension interface: the extensions of [AddOns] loaded with
// FMEVENT_LOAD, their menus on the menu bar, the events sent to them, and the
// FM_* messages they send back about the selection.
#include <algorithm>
#include <cstring>

#include "fmhost_internal.h"

namespace fmhost {
namespace {

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

const char kAddOnsSection[] = "AddOns";

// File Manager does not clear the load record before the call: the extension
// finds whatever the memory held, and it fills in the size itself.
template <typename Record>
void LeaveUnset(Record& record) {
  std::memset(&record, 0xAB, sizeof record);
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

}  // namespace

void NotifyExtensions(WORD event) {
  // A copy: an extension may unload itself from inside the call.
  std::vector<ExtensionProc> procs;
  for (const LoadedExtension& ext : host.extensions)
    if (ext.info.loaded) procs.push_back(ext.proc);
  for (ExtensionProc proc : procs) proc(host.frame, event, 0);
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
    LoadRecordW record;
    LeaveUnset(record);
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
    LoadRecordA record;
    LeaveUnset(record);
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

// The active window's folder as File Manager tells it: no trailing backslash
// except at a drive's root. Every field is written, and nothing else of the
// record: File Manager does not clear it first.
template <typename Record, typename Convert>
LRESULT FillDriveRecord(Record* record, Convert convert) {
  if (!record) return 0;
  Tree* tree = FindTree(ActiveTree(host.frame));
  std::wstring path = tree ? tree->directory : std::wstring();
  if (path.size() != 3 && !path.empty() && path.back() == L'\\') path.pop_back();
  ULARGE_INTEGER total = {}, available = {};
  wchar_t volume[MAX_PATH] = L"";
  if (path.size() >= 3) {
    const std::wstring root = path.substr(0, 3);
    GetDiskFreeSpaceExW(root.c_str(), nullptr, &total, &available);
    GetVolumeInformationW(root.c_str(), volume, MAX_PATH, nullptr, nullptr, nullptr, nullptr, 0);
  }
  record->dwTotalSpace = total.LowPart;
  record->dwFreeSpace = available.LowPart;
  convert(path, record->szPath, sizeof record->szPath / sizeof record->szPath[0]);
  convert(volume, record->szVolume, sizeof record->szVolume / sizeof record->szVolume[0]);
  record->szShare[0] = 0;  // a local drive has no share
  return 1;
}

LRESULT FillDriveInfo(FMS_GETDRIVEINFOA* record) {
  const UINT codePage = host.names == SelectionNames::kOem ? CP_OEMCP : CP_ACP;
  return FillDriveRecord(record, [codePage](const std::wstring& text, char* to, size_t size) {
    lstrcpynA(to, Narrow(text, codePage).c_str(), static_cast<int>(size));
  });
}

LRESULT FillDriveInfoW(FMS_GETDRIVEINFOW* record) {
  return FillDriveRecord(record, [](const std::wstring& text, wchar_t* to, size_t size) {
    lstrcpynW(to, text.c_str(), static_cast<int>(size));
  });
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

std::vector<Extension> Extensions(HWND frame) {
  std::vector<Extension> result;
  if (frame != host.frame) return result;
  for (const LoadedExtension& ext : host.extensions) result.push_back(ext.info);
  return result;
}

}  // namespace fmhost
