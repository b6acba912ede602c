// Who may change the settings folders and files: the folders above the users'
// own ones let every signed-in user make a folder of their own and nothing
// more; a user's own folder and file are the user's, SYSTEM's and the
// Administrators' alone. Shared by the extension and its installer.
#pragma once
#include <windows.h>

enum class SettingsPlace {
  kSharedFolder,  // QXIBAR, WINFILE and NT
  kOwnFolder,     // NT\<user>
  kOwnFile,       // a file in the user's own folder
};

// Makes the folder with the place's permissions; false with the last error set.
bool MakeSettingsFolder(const wchar_t* path, SettingsPlace place);
// Puts the place's permissions on what exists at `path` (a protected DACL,
// nothing inherited); false with the last error set.
bool CloseSettingsPlace(const wchar_t* path, SettingsPlace place);

// What the checks found at an existing folder or file.
enum class PlaceCheck { kOurs, kOpenToOthers, kForeignOwner, kLink, kUnreadable };
// Tells whether `path` is a link (reparse point), owned by anyone but the
// current user, SYSTEM or the Administrators, or lets anyone else write.
PlaceCheck CheckSettingsPlace(const wchar_t* path);
