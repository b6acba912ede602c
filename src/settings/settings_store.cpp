#include "settings/settings_store.h"

#include <lmcons.h>

#include <cstdio>
#include <cstring>

#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"
#include "settings/folder_security.h"

int saveStopsAfterStep = 0;

namespace {

// Report steps of the save's file work.
enum FileStep : int {
  kStepReadOnly = 6,
  kStepCreateNew = 7,
  kStepWriteNew = 8,
  kStepFlushNew = 9,
  kStepCloseNew = 10,
  kStepReplace = 11,
  kStepCopyBackup = 12,
  kStepCloseFolder = 13,
  kStepCloseFile = 14,
};

std::wstring Wide(const char* text) {
  const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(size_t(units > 0 ? units : 1), L'\0');
  if (units > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], units);
  wide.resize(wcslen(wide.c_str()));
  return wide;
}

std::string WithEnding(const char* path, const char* ending) {
  std::string changed = path;
  if (changed.size() >= 3) changed.replace(changed.size() - 3, 3, ending);
  return changed;
}

// Tells the user about a settings place that is not used, or was mended: the
// text `textId` with up to three pieces, under the caption "QX IconBar".
void SaySettings(UINT tag, UINT textId, const char* first, const char* second = "",
                 const char* third = "") {
  char caption[kTextBufferSize];
  char text[kTextBufferSize];
  if (LoadStringA(extState.instance, IDS_CAPTION, caption, kTextBufferSize) == 0 ||
      LoadStringA(extState.instance, textId, text, kTextBufferSize) == 0) {
    ReportFailure(tag, IDS_OP_LOADSTRING, int(textId));
    return;
  }
  char filled[4 * kTextBufferSize];
  snprintf(filled, sizeof filled, text, first, second, third);
  if (MessageBoxA(extState.frameWindow, filled, caption, MB_OK | MB_ICONEXCLAMATION) == 0)
    ReportFailure(tag, IDS_OP_MESSAGEBOX, int(textId));
}

// Whether a place that exists may be used; says why not. One that lets
// others write is closed first: older versions made such folders and files.
bool MayUse(UINT tag, const char* path, SettingsPlace place, int closeStep) {
  const std::wstring wide = Wide(path);
  switch (CheckSettingsPlace(wide.c_str())) {
    case PlaceCheck::kLink:
      SaySettings(tag, IDS_SETTINGS_LINK, path);
      return false;
    case PlaceCheck::kForeignOwner:
      SaySettings(tag, IDS_SETTINGS_FOREIGN, path);
      return false;
    case PlaceCheck::kOpenToOthers:
      if (!CloseSettingsPlace(wide.c_str(), place))
        ReportFailure(tag, IDS_OP_SETFILESECURITY, closeStep);
      return true;
    default:
      return true;
  }
}

// The size of the file at `path`; -1 when there is none (or a folder).
int64_t FileSize(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return -1;
  return int64_t(uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
}

bool WithinLimit(UINT tag, const char* path) {
  const int64_t size = FileSize(path);
  if (size <= int64_t(kLargestSettingsFile)) return true;
  char sizeText[24], limitText[24];
  snprintf(sizeText, sizeof sizeText, "%lld", static_cast<long long>(size));
  snprintf(limitText, sizeof limitText, "%llu",
           static_cast<unsigned long long>(kLargestSettingsFile));
  SaySettings(tag, IDS_SETTINGS_TOO_LARGE, path, sizeText, limitText);
  return false;
}

// The checks both the load and the save make: the user's folder and the
// settings file are neither links nor someone else's, and the file is not
// larger than any bar needs.
bool PlaceUsable(UINT tag, const char* path) {
  std::string folder = path;
  folder.resize(folder.rfind('\\'));
  if (!MayUse(tag, folder.c_str(), SettingsPlace::kOwnFolder, kStepCloseFolder)) return false;
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return true;
  return MayUse(tag, path, SettingsPlace::kOwnFile, kStepCloseFile) && WithinLimit(tag, path);
}

// A file that a save wrote whole: the bar section with its count, the last
// line ended. Too large, a folder or a link, and it is not taken.
bool WholeSavedFile(const std::string& path) {
  const int64_t size = FileSize(path.c_str());
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (size <= 0 || size > int64_t(kLargestSettingsFile) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      CheckSettingsPlace(Wide(path.c_str()).c_str()) == PlaceCheck::kForeignOwner)
    return false;
  std::string bytes(size_t(size), '\0');
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD got = 0;
  const bool read = ReadFile(file, &bytes[0], DWORD(bytes.size()), &got, nullptr) && got == size;
  CloseHandle(file);
  return read && bytes.back() == '\n' && bytes.find("[Icon Bar]") != std::string::npos &&
         bytes.find("Number of Icons=") != std::string::npos;
}

// No settings file, but an earlier save (of this version or an older one)
// was cut short: the newer of its whole files becomes the settings file.
void TakeBackInterruptedSave(const char* path) {
  const std::string newPath = WithEnding(path, "NEW");
  const std::string backupPath = WithEnding(path, "BAK");
  const std::string* taken = nullptr;
  if (WholeSavedFile(newPath)) {
    if (MoveFileExA(newPath.c_str(), path, MOVEFILE_WRITE_THROUGH)) taken = &newPath;
  } else if (WholeSavedFile(backupPath)) {
    if (CopyFileA(backupPath.c_str(), path, TRUE)) taken = &backupPath;
  }
  if (taken) SaySettings(IDS_TAG_QXGETINI, IDS_SETTINGS_RECOVERED, path, taken->c_str());
}

// Makes room at `path` for a file of the save: a folder there is removed
// when empty and otherwise moved aside, a read-only mark taken off. The
// user's changes must not be lost over a name in the way.
bool ClearWayFor(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return !(attributes & FILE_ATTRIBUTE_READONLY) ||
           SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  if (RemoveDirectoryA(path.c_str())) return true;
  for (int n = 1; n < 100; ++n) {
    const std::string aside = path + "." + std::to_string(n);
    if (MoveFileExA(path.c_str(), aside.c_str(), 0)) return true;
  }
  return false;
}

struct SaveJob {
  const char* path;
  std::string newPath;
  std::string backupPath;
  const std::string* bytes;
};

// Writes the new file and flushes it to the disk; after a failure (reported)
// nothing is left of it.
bool WriteNewFile(const SaveJob& job) {
  const char* path = job.newPath.c_str();
  HANDLE file = INVALID_HANDLE_VALUE;
  if (ClearWayFor(job.newPath))
    file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ReportFailure(IDS_TAG_QXSAVE, IDS_OP_WRITE_NEW_SETTINGS, kStepCreateNew);
    return false;
  }
  DWORD written = 0;
  int failedStep = 0;
  if (!WriteFile(file, job.bytes->data(), DWORD(job.bytes->size()), &written, nullptr) ||
      written != job.bytes->size())
    failedStep = kStepWriteNew;
  else if (!FlushFileBuffers(file))
    failedStep = kStepFlushNew;
  if (!CloseHandle(file) && !failedStep) failedStep = kStepCloseNew;
  if (!failedStep) return true;
  ReportFailure(IDS_TAG_QXSAVE, IDS_OP_WRITE_NEW_SETTINGS, failedStep);
  DeleteFileA(path);
  return false;
}

// Copies the settings file to the backup; the settings file stays in place
// throughout. Nothing to copy for the first save.
bool CopyToBackup(const SaveJob& job) {
  if (GetFileAttributesA(job.path) == INVALID_FILE_ATTRIBUTES) return true;
  if (ClearWayFor(job.backupPath) && CopyFileA(job.path, job.backupPath.c_str(), FALSE))
    return true;
  ReportFailure(IDS_TAG_QXSAVE, IDS_OP_COPY_BACKUP, kStepCopyBackup);
  DeleteFileA(job.newPath.c_str());
  return false;
}

// One move replaces the settings file with the new one: at every moment one
// of the two is there under the settings file's name, whole.
bool PutNewInPlace(const SaveJob& job) {
  if (MoveFileExA(job.newPath.c_str(), job.path,
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  ReportFailure(IDS_TAG_QXSAVE, IDS_OP_REPLACE_SETTINGS, kStepReplace);
  DeleteFileA(job.newPath.c_str());
  return false;
}

// The steps in the order of SaveStepNumber.
bool (*const kSaveSteps[])(const SaveJob&) = {WriteNewFile, CopyToBackup, PutNewInPlace};

}  // namespace

bool LocateSettingsFile(char* buffer, UINT size) {
  buffer[0] = '\0';
  char windows[MAX_PATH + 1];
  const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
  if (length == 0 || length >= sizeof windows) {
    ReportFailure(IDS_TAG_QXGETINI, IDS_OP_GETWINDOWSDIRECTORY, 1);
    return false;
  }
  std::string path(windows, length > 3 ? 3 : length);

  char text[kTextBufferSize];
  if (LoadStringA(extState.instance, IDS_SETTINGS_DIRECTORY, text, kTextBufferSize) == 0) {
    ReportFailure(IDS_TAG_QXGETINI, IDS_OP_LOADSTRING, 2);
    return false;
  }
  path += text;

  // The longest name Windows allows. Without a name all such users would
  // share one file: none is used then.
  char userName[UNLEN + 1] = "";
  DWORD userNameSize = sizeof userName;
  if (!GetUserNameA(userName, &userNameSize) || userName[0] == '\0') {
    ReportFailure(IDS_TAG_QXGETINI, IDS_OP_GETUSERNAME, 3);
    return false;
  }
  path += userName;
  path += '\\';

  if (LoadStringA(extState.instance, IDS_SETTINGS_FILE, text, kTextBufferSize) == 0) {
    ReportFailure(IDS_TAG_QXGETINI, IDS_OP_LOADSTRING, 4);
    return false;
  }
  path += text;
  // A path cut short would name some other file.
  if (path.size() >= size || path.size() >= MAX_PATH) {
    SaySettings(IDS_TAG_QXGETINI, IDS_SETTINGS_PATH_TOO_LONG, path.c_str());
    return false;
  }
  lstrcpynA(buffer, path.c_str(), int(size));
  return true;
}

void OpenSettingsFile(char* path, UINT size, ProfileImage* image) {
  if (!LocateSettingsFile(path, size)) {
    image->Reset(path);
    return;
  }
  std::string folder = path;
  folder.resize(folder.rfind('\\'));
  if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES &&
      !MakeSettingsFolder(Wide(folder.c_str()).c_str(), SettingsPlace::kOwnFolder)) {
    // Told as the C library's error number would tell it: 2 when a folder
    // above the user's own is missing.
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) {
      const int number = error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ? 2
                         : error == ERROR_ACCESS_DENIED                                 ? 13
                                                        : int(error);
      ReportFailure(IDS_TAG_QXINIT, IDS_OP_CREATE_USER_DIRECTORY, number);
    }
  }
  if (!PlaceUsable(IDS_TAG_QXGETINI, path)) {
    image->Reset(path);
    return;
  }
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) TakeBackInterruptedSave(path);
  image->Load(path, kLargestSettingsFile);
}

bool StoreSettingsFile(const char* path, const std::string& bytes) {
  if (!PlaceUsable(IDS_TAG_QXSAVE, path)) return false;
  // A settings file that the user made read-only is left as it is: the mark
  // says that it must not change, and a save must not silently undo it.
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
      (attributes & FILE_ATTRIBUTE_READONLY)) {
    ReportFailure(IDS_TAG_QXSAVE, IDS_OP_SETTINGS_READ_ONLY, kStepReadOnly);
    return false;
  }
  const SaveJob job = {path, WithEnding(path, "NEW"), WithEnding(path, "BAK"), &bytes};
  int step = 0;
  for (auto run : kSaveSteps) {
    if (!run(job)) return false;
    if (++step == saveStopsAfterStep) return false;
  }
  return true;
}
