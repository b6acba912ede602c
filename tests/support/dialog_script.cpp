#include "support/dialog_script.h"

#include <cstring>

DialogScript* DialogScript::active_ = nullptr;

DialogScript::DialogScript(std::vector<DialogStep> steps) : steps_(std::move(steps)) {
  active_ = this;
  timer_ = SetTimer(nullptr, 0, 30, Tick);
}

DialogScript::~DialogScript() {
  if (timer_) KillTimer(nullptr, timer_);
  active_ = nullptr;
}

void CALLBACK DialogScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (active_ && !active_->Done()) EnumThreadWindows(GetCurrentThreadId(), Visit, 0);
}

BOOL CALLBACK DialogScript::Visit(HWND window, LPARAM) {
  DialogScript* self = active_;
  if (!self || self->Done()) return FALSE;
  char className[32] = "";
  GetClassNameA(window, className, sizeof className);
  // Only the dialog that has the input: its owner is disabled meanwhile.
  if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window) || !IsWindowEnabled(window))
    return TRUE;
  char caption[260] = "";
  GetWindowTextA(window, caption, sizeof caption);
  const DialogStep& step = self->steps_[self->next_];
  if (std::strncmp(caption, step.caption.c_str(), step.caption.size()) != 0) return TRUE;
  ++self->next_;
  if (step.act) step.act(window);
  return FALSE;
}

void ClickControl(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void TypeText(HWND dialog, int id, const std::string& text) {
  SetDlgItemTextA(dialog, id, text.c_str());
}

bool PickListItem(HWND dialog, int listId, const std::string& text, bool doubleClick) {
  HWND list = GetDlgItem(dialog, listId);
  const LRESULT index =
      SendMessageA(list, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(text.c_str()));
  if (index == LB_ERR) return false;
  SendMessageA(list, LB_SETCURSEL, WPARAM(index), 0);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(listId, doubleClick ? LBN_DBLCLK : LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  return true;
}

namespace {

BOOL CALLBACK FindEdit(HWND window, LPARAM data) {
  char className[32] = "";
  GetClassNameA(window, className, sizeof className);
  if (_stricmp(className, "Edit") == 0 && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(data) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

void AnswerOpenDialog(HWND dialog, const std::string& path) {
  // The file name field: edt1 in the older layout, the edit inside cmb13 in
  // the newer one, else the first visible edit.
  HWND edit = GetDlgItem(dialog, 0x480);
  if (!edit) {
    if (HWND combo = GetDlgItem(dialog, 0x47C)) EnumChildWindows(combo, FindEdit, LPARAM(&edit));
  }
  if (!edit) EnumChildWindows(dialog, FindEdit, reinterpret_cast<LPARAM>(&edit));
  SetWindowTextA(edit, path.c_str());
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

void AnswerColorDialog(HWND dialog, COLORREF colour) {
  // The chooser's red, green and blue fields.
  SetDlgItemInt(dialog, 706, GetRValue(colour), FALSE);
  SetDlgItemInt(dialog, 707, GetGValue(colour), FALSE);
  SetDlgItemInt(dialog, 708, GetBValue(colour), FALSE);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
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
