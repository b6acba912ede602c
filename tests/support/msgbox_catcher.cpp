#include "support/msgbox_catcher.h"

#include <cstring>
#include <functional>

namespace {

using MessageBoxFn = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);
using MessageBoxWFn = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);

MessageBoxCatcher* activeCatcher = nullptr;
MessageBoxFn realMessageBox = nullptr;
MessageBoxWFn realMessageBoxW = nullptr;
CaughtBox* pendingBox = nullptr;  // the box being shown right now
int pendingAnswer = IDOK;
UINT pendingCodePage = CP_ACP;  // the texts' code page: UTF-8 for MessageBoxW

std::string Narrow(const wchar_t* text, UINT codePage) {
  char narrow[4096] = "";
  if (text) WideCharToMultiByte(codePage, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

std::string WindowText(HWND window) {
  wchar_t text[1024] = L"";
  GetWindowTextW(window, text, 1024);
  return Narrow(text, pendingCodePage);
}

// The message text sits in a static control: 0xFFFF on Windows, 100 in Wine.
std::string BoxText(HWND box) {
  HWND item = GetDlgItem(box, 0xFFFF);
  return WindowText(item ? item : GetDlgItem(box, 100));
}

// The box's controls are filled in after it is activated, so it is read a
// moment later, from inside its own message loop.
void CALLBACK ReadAndClose(HWND box, UINT, UINT_PTR timer, DWORD) {
  KillTimer(box, timer);
  if (!pendingBox || pendingBox->shown) return;
  pendingBox->caption = WindowText(box);
  pendingBox->text = BoxText(box);
  pendingBox->shown = true;
  PostMessageA(box, WM_COMMAND, pendingAnswer, 0);
}

LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && pendingBox && !pendingBox->shown) {
    HWND box = reinterpret_cast<HWND>(wParam);
    char className[32] = "";
    GetClassNameA(box, className, sizeof className);
    if (std::strcmp(className, "#32770") == 0) SetTimer(box, 0x5142, 1, ReadAndClose);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

struct MessageBoxCatcherAccess {
  static int Catch(HWND owner, UINT style, UINT codePage, std::string text, std::string caption,
                   const std::function<int()>& show) {
    MessageBoxCatcher* catcher = activeCatcher;
    catcher->boxes_.push_back(CaughtBox{});
    CaughtBox& record = catcher->boxes_.back();
    record.style = style;
    record.owner = owner;
    if (catcher->failCount_ > 0) {
      --catcher->failCount_;
      record.text = text;
      record.caption = caption;
      return 0;
    }
    size_t index = catcher->boxes_.size() - 1;
    CaughtBox shownBox;
    CaughtBox* outer = pendingBox;
    int outerAnswer = pendingAnswer;
    UINT outerCodePage = pendingCodePage;
    pendingBox = &shownBox;
    pendingAnswer = catcher->answer_;
    pendingCodePage = codePage;
    int result = show();
    pendingBox = outer;
    pendingAnswer = outerAnswer;
    pendingCodePage = outerCodePage;
    CaughtBox& stored = catcher->boxes_[index];  // the vector may have grown meanwhile
    // What the module asked for, where no box could be read.
    stored.caption = shownBox.shown ? shownBox.caption : caption;
    stored.text = shownBox.shown ? shownBox.text : text;
    stored.shown = shownBox.shown;
    return result;
  }
  static int WINAPI CatchA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    return Catch(owner, style, CP_ACP, text ? text : "", caption ? caption : "",
                 [&] { return realMessageBox(owner, text, caption, style); });
  }
  static int WINAPI CatchW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style) {
    return Catch(owner, style, CP_UTF8, Narrow(text, CP_UTF8), Narrow(caption, CP_UTF8),
                 [&] { return realMessageBoxW(owner, text, caption, style); });
  }
};

void** PatchImport(HMODULE module, const char* dllName, const char* functionName, void* replacement,
                   void** previous) {
  auto base = reinterpret_cast<BYTE*>(module);
  auto dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return nullptr;
  for (auto desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       desc->Name; ++desc) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + desc->Name), dllName) != 0) continue;
    auto names = reinterpret_cast<IMAGE_THUNK_DATA*>(
        base + (desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk));
    auto slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<char*>(byName->Name), functionName) != 0) continue;
      void** slot = reinterpret_cast<void**>(&slots->u1.Function);
      DWORD oldProtect;
      if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtect)) return nullptr;
      if (previous) *previous = *slot;
      *slot = replacement;
      VirtualProtect(slot, sizeof *slot, oldProtect, &oldProtect);
      return slot;
    }
  }
  return nullptr;
}

MessageBoxCatcher::MessageBoxCatcher(HMODULE module, int answer)
    : module_(module), answer_(answer) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  realMessageBox = reinterpret_cast<MessageBoxFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "MessageBoxA")));
  realMessageBoxW = reinterpret_cast<MessageBoxWFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "MessageBoxW")));
  activeCatcher = this;
  importSlot_ =
      PatchImport(module_, "user32.dll", "MessageBoxA",
                  reinterpret_cast<void*>(&MessageBoxCatcherAccess::CatchA), &savedImport_);
  importSlotW_ =
      PatchImport(module_, "user32.dll", "MessageBoxW",
                  reinterpret_cast<void*>(&MessageBoxCatcherAccess::CatchW), &savedImportW_);
  hook_ = SetWindowsHookExA(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher() {
  for (auto [slot, saved] :
       {std::pair(importSlot_, savedImport_), std::pair(importSlotW_, savedImportW_)}) {
    if (!slot) continue;
    DWORD oldProtect;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtect);
    *slot = saved;
    VirtualProtect(slot, sizeof *slot, oldProtect, &oldProtect);
  }
  if (hook_) UnhookWindowsHookEx(hook_);
  if (activeCatcher == this) activeCatcher = nullptr;
}

ImportFaultState importFault;

ImportFault::ImportFault(HMODULE module, const char* dllName, const char* function, void* hook,
                         int nth, uintptr_t value, DWORD error) {
  importFault = ImportFaultState{nullptr, 0, 0, value, error};
  if (nth > 0) alsoFail(nth);
  slot_ = PatchImport(module, dllName, function, hook, &importFault.real);
}

ImportFault::~ImportFault() {
  if (!slot_) return;
  DWORD oldProtect;
  VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &oldProtect);
  *slot_ = importFault.real;
  VirtualProtect(slot_, sizeof *slot_, oldProtect, &oldProtect);
}
