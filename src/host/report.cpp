#include "host/report.h"

#include <cstring>

#include "host/state.h"
#include "resources/string_ids.h"

namespace {

// Used when the string table cannot deliver the allocation failure's text: a
// report about memory must not depend on more memory or resources.
constexpr char kLocalAllocText[] = "Insufficient memory, LocalAlloc";

void Append(char* message, const char* piece) {
  size_t used = std::strlen(message);
  if (used + 1 < kTextBufferSize) lstrcpynA(message + used, piece, kTextBufferSize - int(used));
}

bool LoadPiece(UINT id, char* piece) {
  piece[0] = '\0';
  return LoadStringA(extState.instance, id, piece, kTextBufferSize) > 0;
}

}  // namespace

int ReportFailure(UINT tagId, UINT operationId, int step) {
  char message[kTextBufferSize] = "";
  char piece[kTextBufferSize] = "";
  char number[16];

  if (LoadPiece(tagId, piece)) Append(message, piece);
  if (LoadPiece(IDS_REPORT_COLON, piece)) Append(message, piece);
  wsprintfA(number, "%d", step);
  Append(message, number);
  if (LoadPiece(IDS_REPORT_DASH, piece)) Append(message, piece);
  if (LoadPiece(operationId, piece)) {
    Append(message, piece);
  } else if (operationId == IDS_OP_LOCALALLOC) {
    Append(message, kLocalAllocText);
  } else {
    wsprintfA(number, "%u", operationId);
    Append(message, number);
  }
  if (LoadPiece(IDS_REPORT_FAILED, piece)) Append(message, piece);

  char caption[kTextBufferSize] = "";
  LoadPiece(IDS_CAPTION, caption);

  int result = MessageBoxA(nullptr, message, caption, MB_TASKMODAL | MB_ICONHAND);
  if (result == 0) result = MessageBoxA(nullptr, message, caption, MB_SYSTEMMODAL | MB_ICONHAND);
  return result;
}
