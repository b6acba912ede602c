// Drives modal dialogs as a user would: a thread timer, serviced by every modal
// loop, runs the steps in order; a step that answers false is tried again at
// the next tick (its window is not there yet). Clicks are posted, so no step
// waits inside a nested dialog.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class ModalScript {
 public:
  using Step = std::function<bool()>;
  explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps)) {
    active_ = this;
    start_ = GetTickCount();
    timer_ = SetTimer(nullptr, 0, 15, Tick);
  }
  ~ModalScript() {
    KillTimer(nullptr, timer_);
    active_ = nullptr;
  }
  bool finished() const { return next_ == steps_.size(); }
  bool timedOut() const { return timedOut_; }

  // A visible dialog of this thread with that caption, or null.
  static HWND Dialog(const std::string& caption) {
    Search search{&caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  struct Search {
    const std::string* caption;
    HWND found;
  };
  // A named callback: a lambda does not convert to the 32-bit build's stdcall.
  static BOOL CALLBACK Visit(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<Search*>(data);
    char text[128] = "", className[16] = "";
    GetWindowTextA(window, text, sizeof text);
    GetClassNameA(window, className, sizeof className);
    if (IsWindowVisible(window) && *s->caption == text && std::string(className) == "#32770")
      s->found = window;
    return s->found == nullptr;
  }
  static void Click(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  }
  // A step that waits for the dialog and then does `action` with it.
  static Step In(const std::string& caption, std::function<void(HWND)> action) {
    return [caption, action] {
      HWND dialog = Dialog(caption);
      if (!dialog) return false;
      action(dialog);
      return true;
    };
  }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalScript* self = active_;
    if (!self || self->running_) return;
    self->running_ = true;
    if (self->next_ < self->steps_.size() && self->steps_[self->next_]()) ++self->next_;
    // A dialog that does not go as planned must not hang the test: after ten
    // seconds every dialog of the thread is cancelled.
    if (!self->finished() && GetTickCount() - self->start_ > 10000) {
      self->timedOut_ = true;
      for (const char* caption : {"Font", "Color", "Popup Options", "About QX's Extension"})
        if (HWND dialog = Dialog(caption)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    self->running_ = false;
  }
  static inline ModalScript* active_ = nullptr;
  std::vector<Step> steps_;
  size_t next_ = 0;
  UINT_PTR timer_ = 0;
  DWORD start_ = 0;
  bool running_ = false;
  bool timedOut_ = false;
};
