#include "bar/buttons.h"

#include <cstring>

#include "bar/bar_layout.h"
#include "bar/bar_state.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"
#include "settings/settings.h"

namespace {

constexpr UINT kMovableZeroed = LMEM_MOVEABLE | LMEM_ZEROINIT;

// Unlocks one lock of `block`; true when the block is still locked afterwards
// (someone else holds a lock on it too).
bool UnlockLeavesLocked(HLOCAL block) {
  SetLastError(NO_ERROR);
  return LocalUnlock(block) != 0;
}

bool EndsWithNoCase(const char* text, const char* suffix) {
  size_t textLength = strlen(text);
  size_t suffixLength = strlen(suffix);
  return suffixLength <= textLength && lstrcmpiA(text + textLength - suffixLength, suffix) == 0;
}

// Gives back a text block that CreateButton copied before it had to give up.
void ReleaseLockedText(char* text, int step) {
  if (!text) return;
  HLOCAL block = LocalHandle(text);
  if (!block) {
    ReportFailure(IDS_TAG_QXALLOCI, IDS_OP_LOCALHANDLE, step);
    return;
  }
  if (UnlockLeavesLocked(block)) ReportFailure(IDS_TAG_QXALLOCI, IDS_OP_LOCALUNLOCK, step + 1);
  if (LocalFree(block)) ReportFailure(IDS_TAG_QXALLOCI, IDS_OP_LOCALFREE, step + 2);
}

// CreateButton giving up: everything it made goes, the list stays as it was.
ButtonRecord* AbandonRecord(HLOCAL block, ButtonRecord* record) {
  bool shared = (record->flags & BF_ICON_FROM_PROGRAM) != 0;
  ReleaseLockedText(record->description.text, 20);
  if (!shared) ReleaseLockedText(record->iconName.text, 23);
  ReleaseLockedText(record->programName.text, 26);
  if (UnlockLeavesLocked(block)) ReportFailure(IDS_TAG_QXALLOCI, IDS_OP_LOCALUNLOCK, 29);
  if (LocalFree(block)) ReportFailure(IDS_TAG_QXALLOCI, IDS_OP_LOCALFREE, 30);
  return nullptr;
}

}  // namespace

HLOCAL GetFirstButton() {
  if (!extState.barWindow) return nullptr;
  return reinterpret_cast<HLOCAL>(GetWindowLongPtrA(extState.barWindow, 0));
}

void SetFirstButton(HLOCAL record) {
  if (extState.barWindow)
    SetWindowLongPtrA(extState.barWindow, 0, reinterpret_cast<LONG_PTR>(record));
}

char* CopyToLocalBlock(const char* text) {
  if (!text) text = "";
  size_t length = strlen(text);
  HLOCAL block = LocalAlloc(kMovableZeroed, length + 1);
  if (!block) {
    ReportFailure(IDS_TAG_QXALLOST, IDS_OP_LOCALALLOC, 1);
    return nullptr;
  }
  auto* copy = static_cast<char*>(LocalLock(block));
  if (!copy) {
    ReportFailure(IDS_TAG_QXALLOST, IDS_OP_LOCALLOCK, 2);
    LocalFree(block);
    return nullptr;
  }
  memcpy(copy, text, length + 1);
  return copy;
}

ButtonRecord* CreateButton(const char* programText, const char* iconName, const char* description,
                           int isProgram, int framed, ButtonRecord* after) {
  HLOCAL block = LocalAlloc(kMovableZeroed, sizeof(ButtonRecord));
  if (!block) {
    ReportFailure(IDS_TAG_QXALLOCI, IDS_OP_LOCALALLOC, 1);
    return nullptr;
  }
  auto* record = static_cast<ButtonRecord*>(LocalLock(block));
  if (!record) {
    ReportFailure(IDS_TAG_QXALLOCI, IDS_OP_LOCALLOCK, 2);
    if (LocalFree(block)) ReportFailure(IDS_TAG_QXALLOCI, IDS_OP_LOCALFREE, 3);
    return nullptr;
  }

  record->programName.text = CopyToLocalBlock(programText);
  if (!record->programName.text) return AbandonRecord(block, record);

  // A scratch copy for the derived menu icon name; MakeIconResourceName needs
  // nine characters at least.
  char derivedName[kTextBufferSize];
  const char* chosenName = (iconName && *iconName) ? iconName : nullptr;
  if (!chosenName) {
    if (isProgram) {
      char exeSuffix[kTextBufferSize];
      if (LoadStringA(extState.instance, IDS_EXE_SUFFIX, exeSuffix, kTextBufferSize) == 0) {
        ReportFailure(IDS_TAG_QXALLOCI, IDS_OP_LOADSTRING, 4);
      } else if (EndsWithNoCase(record->programName.text, exeSuffix)) {
        record->flags |= BF_ICON_FROM_PROGRAM;
        record->iconName.text = record->programName.text;
      }
    } else {
      lstrcpynA(derivedName, record->programName.text, kTextBufferSize);
      MakeIconResourceName(derivedName);
      chosenName = derivedName;
    }
  }
  if (chosenName) {
    record->iconName.text = CopyToLocalBlock(chosenName);
    if (!record->iconName.text) {
      ReportFailure(IDS_TAG_QXALLOCI, IDS_OP_LOCALALLOC, 5);
      return AbandonRecord(block, record);
    }
    if (!strchr(chosenName, '.')) record->flags |= BF_ICON_RESOURCE;
  }

  if (description && *description) {
    record->description.text = CopyToLocalBlock(description);
    if (!record->description.text) {
      ReportFailure(IDS_TAG_QXALLOCI, IDS_OP_LOCALALLOC, 6);
      return AbandonRecord(block, record);
    }
  }

  if (isProgram) {
    record->flags |= BF_PROGRAM;
  } else {
    record->menuCommand = -1;
  }
  if (framed) record->flags |= BF_FRAMED;

  PlaceButtonAt(record, after ? after->right + iconSpacing : firstIconLeft);

  if (after) {
    after->next = block;
  } else {
    SetFirstButton(block);
  }
  lastButton = block;

  UnlockButtonTexts(record);
  return record;
}

void ForEachButton(ButtonCallback callback) {
  HLOCAL handle = GetFirstButton();
  HLOCAL predecessor = nullptr;
  while (handle) {
    auto* record = static_cast<ButtonRecord*>(LocalLock(handle));
    if (!record) {
      ReportFailure(IDS_TAG_QXLOOPOI, IDS_OP_LOCALLOCK, 1);
      return;
    }
    UINT result = callback(record);
    HLOCAL successor = record->next;
    if ((result & (WALK_STOP | WALK_GO_ON | WALK_DELETE)) == 0) {
      // An answer without any bit would walk the same record for ever.
      LocalUnlock(handle);
      return;
    }
    if (result & WALK_DELETE) {
      if (predecessor) {
        auto* before = static_cast<ButtonRecord*>(LocalLock(predecessor));
        if (!before) {
          ReportFailure(IDS_TAG_QXLOOPOI, IDS_OP_LOCALLOCK, 2);
          // The record stays in the list; give back the walk's lock on it.
          LocalUnlock(handle);
          return;
        }
        before->next = successor;
        LocalUnlock(predecessor);
      } else {
        SetFirstButton(successor);
      }
      DestroyButtonIcon(record);
      FreeButtonTexts(record);
      // A record that someone else still holds locked is left to its holder.
      if (!UnlockLeavesLocked(handle) && LocalFree(handle))
        ReportFailure(IDS_TAG_QXLOOPOI, IDS_OP_LOCALFREE, 3);
      handle = successor;
    } else if (result & WALK_GO_ON) {
      predecessor = handle;
      LocalUnlock(handle);
      handle = successor;
    }
    if (result & WALK_STOP) return;
  }
}

void UnlockButtonTexts(ButtonRecord* record) {
  struct Field {
    ButtonText* text;
    int step;
  };
  bool shared = (record->flags & BF_ICON_FROM_PROGRAM) != 0;
  Field fields[] = {{&record->programName, 1}, {&record->iconName, 3}, {&record->description, 5}};
  for (Field& field : fields) {
    if (shared && field.text == &record->iconName) continue;
    char* text = field.text->text;
    if (!text) continue;
    HLOCAL block = LocalHandle(text);
    if (!block) {
      ReportFailure(IDS_TAG_QXUNLST, IDS_OP_LOCALHANDLE, field.step);
      continue;
    }
    if (UnlockLeavesLocked(block))
      ReportFailure(IDS_TAG_QXUNLST, IDS_OP_LOCALUNLOCK, field.step + 1);
    field.text->handle = block;
  }
  if (shared) record->iconName.handle = record->programName.handle;
}

void DestroyButtonIcon(ButtonRecord* record) {
  if (!record->icon) return;
  DestroyIcon(record->icon);
  record->icon = nullptr;
}

void FreeButtonTexts(ButtonRecord* record) {
  HLOCAL iconBlock = record->iconName.handle;
  if (iconBlock) LocalFree(iconBlock);
  if (record->programName.handle && record->programName.handle != iconBlock)
    LocalFree(record->programName.handle);
  if (record->description.handle) LocalFree(record->description.handle);
  for (HLOCAL* optional : {&record->parameters, &record->startFolder}) SetButtonText(optional, "");
  record->iconName.handle = nullptr;
  record->programName.handle = nullptr;
  record->description.handle = nullptr;
}

bool SetButtonText(HLOCAL* field, const char* text) {
  if (*field && LocalFree(*field)) ReportFailure(IDS_TAG_QXALLOST, IDS_OP_LOCALFREE, 3);
  *field = nullptr;
  if (!text || !*text) return true;
  char* copy = CopyToLocalBlock(text);
  if (!copy) return false;
  *field = LocalHandle(copy);
  if (!*field) {
    ReportFailure(IDS_TAG_QXALLOST, IDS_OP_LOCALHANDLE, 4);
    return false;
  }
  LocalUnlock(*field);
  return true;
}

void MakeIconResourceName(char* text) {
  CharUpperA(text);
  char* kept = text;
  for (const char* from = text; *from; ++from)
    if (*from != ' ') *kept++ = *from;
  *kept = '\0';
  if (lstrcmpiA(text, "DELETE") == 0) lstrcpyA(text, "DEL?ETE");
  if (strlen(text) > 8) text[8] = '\0';
}
