// The stand-in's dialogs: Delete with its "Confirm File Delete", and a plain
// OK/Cancel dialog with a caption of the test's choosing.
#include "fmhost_internal.h"
#include "fmhost_res.h"

namespace fmhost {
namespace {

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

void DeleteSelection() {
  HWND treeWindow = ActiveTree(host.frame);
  Tree* tree = FindTree(treeWindow);
  if (!tree) return;
  DeleteRequest request;
  request.directory = tree->directory;
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

}  // namespace fmhost
