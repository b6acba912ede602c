// qxinstall install [DLL] | uninstall
//
// Registers QX IconBar with the Windows File Manager the way File Manager
// finds its extensions: a key of [AddOns] in
// %APPDATA%\Microsoft\Winfile\WINFILE.INI whose value is the DLL's full path
// (by default qxibar.dll beside this program). Installing also creates the
// folders above each user's own settings folder, QXIBAR\WINFILE\NT on the
// Windows drive, which the extension does not create itself, closed to all
// but SYSTEM and the Administrators except that every signed-in user may make
// a folder of their own in NT. Uninstalling
// removes the registration and leaves every user's settings in place.
//
// Says what it did on standard output. Exit codes: 0 done (or nothing to do),
// 1 wrong arguments, 2 the File Manager settings cannot be written, 3 File
// Manager's list of add-ons is full, 4 the DLL is not there.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "settings/folder_security.h"

namespace {

constexpr char kSection[] = "AddOns";
constexpr char kKey[] = "QX IconBar";
// File Manager reads no more add-ons than this.
constexpr size_t kMaxAddOns = 10;

enum Exit : int { kDone = 0, kUsage = 1, kCannotWrite = 2, kFull = 3, kNoDll = 4 };

struct AddOn {
  std::string key;
  std::string value;
};

std::string LastErrorText() {
  char* text = nullptr;
  const DWORD error = GetLastError();
  FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = text ? text : "error " + std::to_string(error);
  if (text) LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
  return result;
}

std::string Trimmed(std::string text) {
  text.erase(0, text.find_first_not_of(" \t"));
  text.erase(text.find_last_not_of(" \t") + 1);
  return text;
}

// File Manager's settings file; its folder is made when `create` is set.
bool FileManagerIni(std::string* path, bool create) {
  char expanded[MAX_PATH] = "";
  const DWORD length = ExpandEnvironmentStringsA("%APPDATA%", expanded, MAX_PATH);
  if (length == 0 || length > MAX_PATH || expanded[0] == '%') {
    std::printf("The folder for application data (APPDATA) is not known.\n");
    return false;
  }
  std::string folder = std::string(expanded) + "\\Microsoft";
  if (create) CreateDirectoryA(folder.c_str(), nullptr);
  folder += "\\Winfile";
  if (create) CreateDirectoryA(folder.c_str(), nullptr);
  *path = folder + "\\WINFILE.INI";
  return true;
}

std::vector<AddOn> AddOnsOf(const std::string& ini) {
  std::vector<char> section(32768);
  const DWORD length = GetPrivateProfileSectionA(kSection, section.data(),
                                                 static_cast<DWORD>(section.size()), ini.c_str());
  std::vector<AddOn> addOns;
  for (DWORD at = 0; at < length && section[at];) {
    const std::string line = section.data() + at;
    at += static_cast<DWORD>(line.size()) + 1;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    addOns.push_back({Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1))});
  }
  return addOns;
}

// Writes (or with a null value removes) our key and reads the file back: the
// profile functions report some failures only that way.
bool WriteKey(const std::string& ini, const char* value) {
  // Windows refuses to write a read-only file; say so the same way wherever
  // the file system would let this user write it all the same.
  const DWORD attributes = GetFileAttributesA(ini.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (!WritePrivateProfileStringA(kSection, kKey, value, ini.c_str())) return false;
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
  char readBack[MAX_PATH * 2] = "";
  GetPrivateProfileStringA(kSection, kKey, "", readBack, sizeof readBack, ini.c_str());
  if ((value ? std::string(value) : "") == readBack) return true;
  SetLastError(ERROR_WRITE_FAULT);
  return false;
}

int RefuseWrite(const std::string& ini) {
  const std::string reason = LastErrorText();
  std::printf("Cannot write File Manager's settings file %s (%s).\n", ini.c_str(), reason.c_str());
  std::printf(
      "Nothing was changed. Make the file writable, or close the program that holds "
      "it, and try again.\n");
  return kCannotWrite;
}

// The folders above every user's settings folder, on the Windows drive: every
// signed-in user may make a folder of their own in NT and change nothing else.
// Folders an older version made with the drive's permissions are closed too.
void MakeSettingsFolders() {
  char windows[MAX_PATH] = "";
  if (GetWindowsDirectoryA(windows, MAX_PATH) < 3) {
    std::printf("The Windows folder is not known: the settings folders were not made.\n");
    return;
  }
  std::string folder(windows, 3);
  for (const char* part : {"QXIBAR", "QXIBAR\\WINFILE", "QXIBAR\\WINFILE\\NT"}) {
    const std::string path = folder + part;
    const std::wstring wide(path.begin(), path.end());
    if (MakeSettingsFolder(wide.c_str(), SettingsPlace::kSharedFolder)) {
      std::printf("Made the settings folder %s.\n", path.c_str());
    } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
      std::printf("Could not make the settings folder %s (%s).\n", path.c_str(),
                  LastErrorText().c_str());
    } else if (!CloseSettingsPlace(wide.c_str(), SettingsPlace::kSharedFolder)) {
      std::printf("Could not close the settings folder %s to other users (%s).\n", path.c_str(),
                  LastErrorText().c_str());
    }
  }
  std::printf("Each user's settings go to %sQXIBAR\\WINFILE\\NT\\<user name>\\QXICOBAR.INI.\n",
              folder.c_str());
}

std::string DefaultDll() {
  char program[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string path = program;
  return path.substr(0, path.find_last_of('\\') + 1) + "qxibar.dll";
}

int Install(const std::string& dllArgument) {
  char full[MAX_PATH] = "";
  if (GetFullPathNameA(dllArgument.c_str(), MAX_PATH, full, nullptr) == 0 ||
      GetFileAttributesA(full) == INVALID_FILE_ATTRIBUTES) {
    std::printf("The extension %s is not there: nothing was installed.\n", dllArgument.c_str());
    return kNoDll;
  }
  std::string ini;
  if (!FileManagerIni(&ini, true)) return kCannotWrite;
  const std::vector<AddOn> addOns = AddOnsOf(ini);
  bool listed = false;
  for (const AddOn& addOn : addOns) {
    if (lstrcmpiA(addOn.value.c_str(), full) != 0) continue;
    std::printf("File Manager already loads %s (as \"%s\" in %s): nothing to register.\n", full,
                addOn.key.c_str(), ini.c_str());
    listed = true;
  }
  if (!listed) {
    bool ours = false;
    for (const AddOn& addOn : addOns) ours = ours || lstrcmpiA(addOn.key.c_str(), kKey) == 0;
    if (!ours && addOns.size() >= kMaxAddOns) {
      std::printf("File Manager loads at most %u add-ons, and %s already lists %u.\n",
                  unsigned(kMaxAddOns), ini.c_str(), unsigned(addOns.size()));
      std::printf(
          "Nothing was changed. Remove one of them from its [AddOns] section and try "
          "again.\n");
      return kFull;
    }
    if (!WriteKey(ini, full)) return RefuseWrite(ini);
    std::printf(
        "%s \"%s\" in the [AddOns] section of %s: File Manager loads %s at its next "
        "start.\n",
        ours ? "Changed" : "Registered", kKey, ini.c_str(), full);
  }
  MakeSettingsFolders();
  return kDone;
}

int Uninstall() {
  std::string ini;
  if (!FileManagerIni(&ini, false)) return kCannotWrite;
  bool ours = false;
  for (const AddOn& addOn : AddOnsOf(ini)) ours = ours || lstrcmpiA(addOn.key.c_str(), kKey) == 0;
  if (!ours) {
    std::printf("\"%s\" is not registered in %s: nothing to remove.\n", kKey, ini.c_str());
    return kDone;
  }
  if (!WriteKey(ini, nullptr)) return RefuseWrite(ini);
  std::printf("Removed \"%s\" from the [AddOns] section of %s: File Manager no longer loads it.\n",
              kKey, ini.c_str());
  std::printf(
      "The users' settings (QXIBAR\\WINFILE\\NT\\<user name>\\QXICOBAR.INI on the "
      "Windows drive) are kept.\n");
  return kDone;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "install" && argc <= 3) return Install(argc == 3 ? argv[2] : DefaultDll());
  if (command == "uninstall" && argc == 2) return Uninstall();
  std::printf(
      "Usage: qxinstall install [path of qxibar.dll]\n"
      "       qxinstall uninstall\n"
      "Registers QX IconBar with File Manager, or removes the registration.\n");
  return kUsage;
}
