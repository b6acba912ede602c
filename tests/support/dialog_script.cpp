#include "support/dialog_script.h"

#include <gtest/gtest.h>

#include <colordlg.h>
#include <dlgs.h>

#include <cstring>

namespace {

struct Search {
  const std::string& caption;
  HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  char className[16] = "", caption[260] = "";
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, caption, sizeof caption);
  if (std::strcmp(className, "#32770") == 0 && IsWindowVisible(window) && IsWindowEnabled(window) &&
      std::strncmp(caption, search->caption.c_str(), search->caption.size()) == 0)
    search->found = window;
  return !search->found;
}

}  // namespace

DialogScript::DialogScript(std::vector<Step> steps) : steps_(std::move(steps)) {
  ticker_ = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  SetWindowLongPtrA(ticker_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetTimer(ticker_, 1, 15, Tick);
}

void CALLBACK DialogScript::Tick(HWND ticker, UINT, UINT_PTR, DWORD) {
  auto* self = reinterpret_cast<DialogScript*>(GetWindowLongPtrA(ticker, GWLP_USERDATA));
  if (!self || self->running_ || self->finished()) return;
  self->running_ = true;
  if (self->steps_[self->next_]()) ++self->next_;
  if (!self->finished() && GetTickCount() - self->start_ > 30000) {
    self->timedOut_ = true;
    if (HWND dialog = Dialog("")) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  }
  self->running_ = false;
}

HWND DialogScript::Dialog(const std::string& caption) {
  Search search{caption, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

DialogScript::Step DialogScript::In(const std::string& caption, std::function<void(HWND)> action) {
  return [caption, action] {
    HWND dialog = Dialog(caption);
    return dialog && (action(dialog), true);
  };
}

void ClickControl(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

bool PickListItem(HWND dialog, int listId, const std::string& text, bool doubleClick) {
  HWND list = GetDlgItem(dialog, listId);
  const LRESULT index = SendMessageA(list, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(text.c_str()));
  SendMessageA(list, LB_SETCURSEL, WPARAM(index), 0);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(listId, doubleClick ? LBN_DBLCLK : LBN_SELCHANGE),
               LPARAM(list));
  return index != LB_ERR;
}

void AnswerOpenDialog(HWND dialog, const std::string& path) {
  // The combo box of the newer layout, the plain field of the older one.
  HWND combo = GetDlgItem(dialog, cmb13);
  SetWindowTextA(combo && IsWindowVisible(combo) ? combo : GetDlgItem(dialog, edt1), path.c_str());
  ClickControl(dialog, IDOK);
}

void AnswerColorDialog(HWND dialog, COLORREF colour) {
  RECT box, field;
  GetWindowRect(dialog, &box);
  GetWindowRect(GetDlgItem(dialog, COLOR_RED), &field);
  EXPECT_LT(field.left, box.right) << "the colour chooser opens without its custom colour part";
  SetDlgItemInt(dialog, COLOR_RED, GetRValue(colour), FALSE);
  SetDlgItemInt(dialog, COLOR_GREEN, GetGValue(colour), FALSE);
  SetDlgItemInt(dialog, COLOR_BLUE, GetBValue(colour), FALSE);
  ClickControl(dialog, IDOK);
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  for (const DWORD start = GetTickCount(); !done();) {
    if (GetTickCount() - start > ms) return false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}
