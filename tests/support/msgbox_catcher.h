// Catches the message boxes that a module shows, so that no test ever waits
// for a click: each box is shown for real, read (caption, text, style) and
// closed with the chosen button.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct CaughtBox {
  std::string caption;   // as the box showed it (UTF-8 for MessageBoxW)
  std::string text;      // as the box showed it (UTF-8 for MessageBoxW)
  UINT style = 0;        // the style the module asked for
  HWND owner = nullptr;  // the owner the module passed
  bool shown = false;    // a real box window appeared and was closed
};

class MessageBoxCatcher {
 public:
  // Watches MessageBoxA and MessageBoxW calls made by `module` (its import table is patched
  // while the catcher lives) on the calling thread; closes each box with
  // `answer`.
  explicit MessageBoxCatcher(HMODULE module = GetModuleHandleA(nullptr), int answer = IDOK);
  ~MessageBoxCatcher();
  MessageBoxCatcher(const MessageBoxCatcher&) = delete;
  MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

  // False when the module imports neither: nothing is caught then.
  bool watching() const { return importSlot_ || importSlotW_; }
  const std::vector<CaughtBox>& boxes() const { return boxes_; }
  void clear() { boxes_.clear(); }
  void setAnswer(int answer) { answer_ = answer; }
  // The next `count` calls fail as if no box could be shown (return 0).
  void failNextCalls(int count) { failCount_ = count; }

 private:
  friend struct MessageBoxCatcherAccess;
  HMODULE module_;
  int answer_;
  int failCount_ = 0;
  std::vector<CaughtBox> boxes_;
  void* savedImport_ = nullptr;
  void** importSlot_ = nullptr;
  void* savedImportW_ = nullptr;
  void** importSlotW_ = nullptr;
  HHOOK hook_ = nullptr;
};

// Patches one import of `module` (dll name case-insensitive); returns the slot
// and stores the old value, or nullptr when the module does not import it.
void** PatchImport(HMODULE module, const char* dllName, const char* functionName, void* replacement,
                   void** previous);
