#include "host/help.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cstdio>
#include <string>

#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"

namespace {

// The guide's section for each context (its headings' anchors).
const char* SectionOf(int context) {
  switch (context) {
    case HELP_BUTTON_DIALOG:
      return "the-button-dialogs";
    case HELP_BAR_OPTIONS:
      return "bar-options";
    case HELP_POPUP_OPTIONS:
      return "popup-options";
    case HELP_CHOOSE_ICON:
      return "choose-icon";
    default:
      return "contents";
  }
}

// A file: URL for a local path, with the section as its fragment.
std::string FileUrl(const char* path, const char* section) {
  std::string url = "file:///";
  for (const char* c = path; *c; ++c) {
    if (*c == '\\')
      url += '/';
    else if (*c == ' ')
      url += "%20";
    else if (*c == '#')
      url += "%23";
    else if (*c == '%')
      url += "%25";
    else
      url += *c;
  }
  return url + "#" + section;
}

}  // namespace

void ShowHelp(HWND owner, int context, UINT tag, int step) {
  char guide[MAX_PATH];
  char name[kTextBufferSize];
  if (LoadStringA(extState.instance, IDS_HELP_GUIDE_FILE, name, kTextBufferSize) == 0) {
    ReportFailure(tag, IDS_OP_LOADSTRING, step);
    return;
  }
  const DWORD length = GetModuleFileNameA(extState.instance, guide, MAX_PATH);
  char* slash = length && length < MAX_PATH ? strrchr(guide, '\\') : nullptr;
  if (!slash || size_t(slash - guide) + 1 + strlen(name) >= MAX_PATH) {
    ReportFailure(tag, IDS_OP_LOADSTRING, step);
    return;
  }
  lstrcpyA(slash + 1, name);
  if (GetFileAttributesA(guide) == INVALID_FILE_ATTRIBUTES) {
    char format[kTextBufferSize];
    char caption[kTextBufferSize];
    if (LoadStringA(extState.instance, IDS_HELP_GUIDE_MISSING, format, kTextBufferSize) == 0 ||
        LoadStringA(extState.instance, IDS_CAPTION, caption, kTextBufferSize) == 0) {
      ReportFailure(tag, IDS_OP_LOADSTRING, step);
      return;
    }
    char message[kTextBufferSize + MAX_PATH];
    std::snprintf(message, sizeof message, format, guide);
    MessageBoxA(owner, message, caption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  const std::string url = FileUrl(guide, SectionOf(context));
  // Handed to the shell as a document, a local file loses its section: the
  // browser that opens web pages is given the whole address instead.
  char browser[MAX_PATH] = "";
  DWORD size = MAX_PATH;
  if (SUCCEEDED(
          AssocQueryStringA(ASSOCF_NONE, ASSOCSTR_EXECUTABLE, "http", "open", browser, &size)) &&
      browser[0]) {
    const std::string quoted = "\"" + url + "\"";
    if (reinterpret_cast<INT_PTR>(
            ShellExecuteA(owner, "open", browser, quoted.c_str(), nullptr, SW_SHOWNORMAL)) > 32)
      return;
  }
  ShellExecuteA(owner, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
