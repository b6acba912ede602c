// File Manager's extension interface: events, messages and records.
#pragma once
#include <windows.h>

// The platform header declares FMExtensionProc with a 32-bit LONG parameter,
// which would cut FMS_LOAD's address in half on 64-bit: keep its prototype out.
#define FMExtensionProc FMExtensionProc_PlatformPrototype
#define FMExtensionProcW FMExtensionProcW_PlatformPrototype
#include <wfext.h>
#undef FMExtensionProc
#undef FMExtensionProcW

// The record's size as File Manager checks it: 52 bytes in the 32-bit build,
// 64 in the 64-bit build, where the menu handle is 8 bytes and aligned.
constexpr DWORD kFmsLoadSize = sizeof(FMS_LOADA);
static_assert(sizeof(void*) == 8 || sizeof(FMS_LOADA) == 52, "32-bit FMS_LOAD is 52 bytes");
