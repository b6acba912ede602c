// Drives this thread's modal dialogs as a user would. A hidden window's timer
// (serviced inside every modal loop, the common dialogs' too) runs the steps in
// order; a step that answers false, its dialog not being up yet, is tried again
// at the next tick. Clicks are posted, so that a dialog a click opens runs its
// own loop while the script goes on. After 30 seconds the dialogs are
// cancelled one by one: a failing test ends instead of hanging.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class DialogScript {
 public:
  using Step = std::function<bool()>;
  explicit DialogScript(std::vector<Step> steps);
  ~DialogScript() { DestroyWindow(ticker_); }
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;
  bool finished() const { return next_ == steps_.size(); }
  bool timedOut() const { return timedOut_; }
  // This thread's visible dialog that has the input (its owners are disabled
  // meanwhile) and whose caption starts with `caption`, or null.
  static HWND Dialog(const std::string& caption);
  // A step that waits for that dialog and acts on it.
  static Step In(const std::string& caption, std::function<void(HWND)> action);

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  std::vector<Step> steps_;
  size_t next_ = 0;
  HWND ticker_ = nullptr;
  DWORD start_ = GetTickCount();
  bool running_ = false, timedOut_ = false;
};

// A real click (BM_CLICK), posted: check boxes and radio buttons change, and a
// dialog the click opens runs its own loop while the script goes on.
void ClickControl(HWND dialog, int id);
// Selects the list item with this text, telling the dialog as a click or a
// double click would.
bool PickListItem(HWND dialog, int listId, const std::string& text, bool doubleClick = false);
// A file name typed into the common Open dialog, a colour into the colour
// chooser's fields (it must open full), and OK.
void AnswerOpenDialog(HWND dialog, const std::string& path);
void AnswerColorDialog(HWND dialog, COLORREF colour);
// Runs the message loop until `done` answers true or `ms` pass.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 20000);
