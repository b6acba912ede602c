// Drives this thread's modal dialogs as a user would: a thread timer (it runs
// inside every modal loop) waits for a visible dialog with the caption of the
// next step and lets the step act on it. Steps post their clicks, so that a
// dialog a click opens runs its own loop while the script goes on.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct DialogStep {
  std::string caption;  // a caption that starts with this text
  std::function<void(HWND dialog)> act;
};

class DialogScript {
 public:
  explicit DialogScript(std::vector<DialogStep> steps);
  ~DialogScript();
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;
  // Every step has acted.
  bool Done() const { return next_ == steps_.size(); }
  // The caption the script still waits for, or "" when done.
  std::string Waiting() const { return Done() ? "" : steps_[next_].caption; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  static BOOL CALLBACK Visit(HWND window, LPARAM);
  static DialogScript* active_;
  std::vector<DialogStep> steps_;
  size_t next_ = 0;
  UINT_PTR timer_ = 0;
};

// Actions for steps. Each posts or sets, never waits.
void ClickControl(HWND dialog, int id);  // a real button click (BM_CLICK)
void TypeText(HWND dialog, int id, const std::string& text);
// Selects the list item with this exact text and tells the dialog, as a click
// (LBN_SELCHANGE) or a double click (LBN_DBLCLK) would.
bool PickListItem(HWND dialog, int listId, const std::string& text, bool doubleClick = false);
// Types a file name into the common Open dialog and presses its OK button.
void AnswerOpenDialog(HWND dialog, const std::string& path);
// Puts a colour into the colour chooser's red, green and blue fields and
// presses its OK button.
void AnswerColorDialog(HWND dialog, COLORREF colour);

// Runs the message loop until `done` answers true or `ms` pass.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 10000);
