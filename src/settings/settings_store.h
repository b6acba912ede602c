// Where the settings file lives and how it is read and replaced: its place
// (the user's own folder, closed to other users), the checks made before it
// is read or written, the recovery of a file an interrupted save left behind,
// and the save that never leaves the user without a whole settings file.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "settings/profile_image.h"

// No real bar comes near this: a file of 240 buttons is about 100 KB. A larger
// file is not read, and nothing is saved over it.
constexpr uint64_t kLargestSettingsFile = 1024 * 1024;

// Builds the settings file's path into `buffer` (kTextBufferSize characters);
// false after a failure (reported), or when the path would pass 259
// characters (said, with the path).
bool LocateSettingsFile(char* buffer, UINT size);

// For the load: locates the file into `path`, makes the user's folder or
// closes it to other users, takes back a file that an interrupted save left
// behind, and reads the file into `image`. A place that must not be used
// (a link, another user's, too large) is said once, and `image` stays empty.
void OpenSettingsFile(char* path, UINT size, ProfileImage* image);

// For the save: puts `bytes` in the place of the settings file at `path`.
// False after a failure (reported) or a refusal (said); `path` then still
// holds the previous file, whole.
bool StoreSettingsFile(const char* path, const std::string& bytes);

// The save's steps, in order: each leaves a whole QXICOBAR.INI behind.
enum SaveStepNumber : int {
  kSaveWriteNew = 1,    // QXICOBAR.NEW written and flushed
  kSaveCopyBackup = 2,  // the current QXICOBAR.INI copied to QXICOBAR.BAK
  kSaveReplace = 3,     // QXICOBAR.NEW moved over QXICOBAR.INI
};
// Test hook: a save ends right after this step, leaving the files as a
// process killed at that moment would. 0: every step runs.
extern int saveStopsAfterStep;
