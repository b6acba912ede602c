// The button records of the icon bar and the list that holds them in bar order.
#pragma once
#include <windows.h>

#include <cstdint>

// Flag bits of ButtonRecord::flags.
enum : uint32_t {
  BF_PROGRAM = 0x001,            // program button; clear = menu button
  BF_PASS_FILES = 0x002,         // hand File Manager's selected files to the program
  BF_REQUIRES_FILE = 0x004,      // refuse to run without a selected file
  BF_MULTIPLE_FILES = 0x008,     // more than one selected file is allowed
  BF_FRAMED = 0x010,             // draw the three-ring frame around the icon
  BF_WAIT = 0x020,               // "Wait for Completion" was chosen (kept, not acted on)
  BF_ICON_FROM_PROGRAM = 0x040,  // iconName is programName's very block
  BF_ICON_RESOURCE = 0x080,      // iconName names an icon resource of this library
  BF_BATCH = 0x100,              // run through the command interpreter
};

// One text of a record: the block's handle while the record is at rest, the
// locked pointer while the text is being worked on. Both are pointer-sized.
union ButtonText {
  HLOCAL handle;
  char* text;
};

// One button. Lives in a movable, zero-initialised local block; unlocked at
// rest, with its texts held as handles.
struct ButtonRecord {
  uint32_t flags;
  int32_t menuCommand;  // menu buttons: File Manager's command ID, -1 = not yet known
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
  uint32_t backRed;
  uint32_t backGreen;
  uint32_t backBlue;
  int32_t displayMode;  // show mode for WinExec: 1, 3 or 7
  int32_t iconIndex;
  HICON icon;  // null until first painted
  ButtonText iconName;
  ButtonText programName;
  ButtonText description;
  HLOCAL next;  // null on the last record
  // Program buttons: the text that follows the program, with its placeholders,
  // and the folder the program starts in; null when empty. Both are kept as
  // handles at all times: only SetButtonText and the run lock them.
  HLOCAL parameters;
  HLOCAL startFolder;
};

// What a ForEachButton callback answers for one record.
enum : UINT {
  WALK_STOP = 1,    // end the walk after this record
  WALK_GO_ON = 2,   // unlock this record and go on with the next
  WALK_DELETE = 4,  // unlink and release this record, go on with its successor
};

using ButtonCallback = UINT (*)(ButtonRecord* record);

// The head of the list lives in the bar window's slot 0.
HLOCAL GetFirstButton();
void SetFirstButton(HLOCAL record);

// Copies `text` into a new movable, zero-initialised local block and returns
// it locked; null on failure (reported).
char* CopyToLocalBlock(const char* text);

// Makes a record and appends it after `after` (the current last record, locked,
// or null for an empty list). Returns the new record still locked, with its
// texts already unlocked; null on failure (reported), the list unchanged.
ButtonRecord* CreateButton(const char* programText, const char* iconName, const char* description,
                           int isProgram, int framed, ButtonRecord* after);

// Calls `callback` with every record in bar order, each locked for the call.
void ForEachButton(ButtonCallback callback);

// Turns the record's locked text pointers back into handles and unlocks them.
void UnlockButtonTexts(ButtonRecord* record);

void DestroyButtonIcon(ButtonRecord* record);

// Frees the record's text blocks (a shared icon name once) and clears the fields.
void FreeButtonTexts(ButtonRecord* record);

// Replaces one of the record's optional texts (`parameters`, `startFolder`)
// with a copy of `text`, at rest; an empty text leaves none. False when the
// copy failed (reported); the old text is gone all the same.
bool SetButtonText(HLOCAL* field, const char* text);

// Rewrites a File Manager menu text in place into the name of a built-in icon;
// the buffer must hold at least nine characters.
void MakeIconResourceName(char* text);
