// A program for the tests to start: it appends the command line it was given
// to a log and exits. The log is the file that QX_CMDLINE_LOG names, or
// cmdline_logger.log next to the program. One run appends one block, in UTF-8:
//   program: <the path of the program that ran, which may be a copy>
//   folder: <the current folder it was started in>
//   cmdline: <the whole command line>
//   argv[0]: <first argument, as CommandLineToArgvW splits it>
//   ...
//   end
// written in one piece, so that a reader that sees "end" sees the whole run.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

std::string LogPath() {
  char path[MAX_PATH];
  DWORD length = GetEnvironmentVariableA("QX_CMDLINE_LOG", path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) return path;
  length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return "cmdline_logger.log";
  std::string own(path, length);
  size_t slash = own.find_last_of("\\/");
  return own.substr(0, slash == std::string::npos ? 0 : slash + 1) + "cmdline_logger.log";
}

std::string Narrow(const wchar_t* text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return "";
  std::string narrow(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], size, nullptr, nullptr);
  narrow.resize(static_cast<size_t>(size) - 1);
  return narrow;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t self[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t folder[MAX_PATH] = L"";
  GetCurrentDirectoryW(MAX_PATH, folder);
  std::string block = "program: " + Narrow(self) + "\r\nfolder: " + Narrow(folder) + "\r\ncmdline: ";
  block += Narrow(GetCommandLineW());
  block += "\r\n";
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments) {
    for (int n = 0; n < count; ++n)
      block += "argv[" + std::to_string(n) + "]: " + Narrow(arguments[n]) + "\r\n";
    LocalFree(arguments);
  }
  block += "end\r\n";

  HANDLE file = CreateFileA(LogPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  BOOL ok = WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == block.size() ? 0 : 2;
}
