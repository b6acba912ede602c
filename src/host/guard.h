// The boundary between the extension's C++ code and File Manager: no
// exception may travel through File Manager's or the system's frames.
#pragma once
#include <windows.h>

#include <new>

#include "host/report.h"
#include "resources/string_ids.h"

// The step under which every procedure reports what its code threw.
constexpr int kThrownStep = 999;

// Runs `body` and answers its result; when it throws, the failure is reported
// under the procedure's tag and `onThrow` is answered instead.
template <typename Result, typename Body>
Result Guarded(UINT tag, Result onThrow, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    ReportFailure(tag, IDS_OP_CXX_NEW, kThrownStep);
  } catch (...) {
    ReportFailure(tag, IDS_OP_CXX_EXCEPTION, kThrownStep);
  }
  return onThrow;
}

// For a procedure that took over a window of File Manager's: runs `body`, and
// when it throws, reports it and hands the message to `passOn`, File Manager's
// own procedure, so that its window goes on working (an answer of 0 to a
// dialog's creation would end the dialog before it was made).
template <typename Body, typename PassOn>
LRESULT GuardedOrPassedOn(UINT tag, Body&& body, PassOn&& passOn) noexcept {
  LRESULT result = 0;
  if (Guarded(tag, false, [&] {
        result = body();
        return true;
      }))
    return result;
  return passOn();
}
