// The process's GDI objects, where leaks of brushes and fonts show.
#pragma once
#include <windows.h>
#include <winternl.h>

// GetGuiResources, or where it answers 0 (Wine) the used entries of the GDI
// handle table the environment block points to (24 bytes each, type at 14).
inline long GdiObjectCount() {
  if (DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return long(count);
  using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic = {};
  if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr))
    return -1;
  const auto* peb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
  const size_t field = sizeof(void*) == 8 ? 0xF8 : 0x94;
  const auto* table = peb ? *reinterpret_cast<const BYTE* const*>(peb + field) : nullptr;
  if (!table) return -1;
  long used = 0;
  for (size_t i = 0; i < 0x10000; ++i) used += table[i * 24 + 14] != 0;
  return used;
}
