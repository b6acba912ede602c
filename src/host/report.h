// The one failure reporter: a message box naming the routine, the call site
// and the failed operation.
#pragma once
#include <windows.h>

// Shows "<tag> :<step> - <operation> failed." under the caption "QX IconBar".
// Returns the button that closed the box, or 0 when no box could be shown.
int ReportFailure(UINT tagId, UINT operationId, int step);

// Size of every text buffer that string-table entries are loaded into.
constexpr int kTextBufferSize = 260;
