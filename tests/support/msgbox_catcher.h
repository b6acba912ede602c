// Catches the message boxes that a module shows, so that no test ever waits
// for a click: each box is shown for real, read (caption, text, style) and
// closed with the chosen button.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <type_traits>
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

// Fault injection: the `nth` call (from 1) of one imported function of a
// module fails as the system would, answering `value` with `error` as the
// last error, without running; the other calls go through. One at a time.
struct ImportFaultState {
  void* real = nullptr;
  uint64_t failing = 0;  // bit n - 1: the n-th call fails
  int calls = 0;
  uintptr_t value = 0;
  DWORD error = 0;
};
extern ImportFaultState importFault;

template <typename Fn>
struct FaultHook;
template <typename R, typename... A>
struct FaultHook<R(WINAPI*)(A...)> {
  static R WINAPI Call(A... arguments) {
    const int call = ++importFault.calls;
    if (call <= 64 && (importFault.failing >> (call - 1) & 1)) {
      SetLastError(importFault.error);
      if constexpr (std::is_pointer_v<R>)
        return reinterpret_cast<R>(importFault.value);
      else
        return static_cast<R>(importFault.value);
    }
    return reinterpret_cast<R(WINAPI*)(A...)>(importFault.real)(arguments...);
  }
};
// The hook for a platform function, by name: QX_FAULT_HOOK(LocalLock).
#define QX_FAULT_HOOK(function) reinterpret_cast<void*>(&FaultHook<decltype(&::function)>::Call)

class ImportFault {
 public:
  // `hook` is QX_FAULT_HOOK(function); nth 0 only counts the calls.
  ImportFault(HMODULE module, const char* dllName, const char* function, void* hook, int nth,
              uintptr_t value, DWORD error);
  ~ImportFault();
  ImportFault(const ImportFault&) = delete;
  ImportFault& operator=(const ImportFault&) = delete;
  bool patched() const { return slot_ != nullptr; }
  // Call `nth` (at most the 64th) fails too.
  void alsoFail(int nth) { importFault.failing |= uint64_t(1) << (nth - 1); }
  int calls() const { return importFault.calls; }

 private:
  void** slot_ = nullptr;
};
