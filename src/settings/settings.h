// The settings file QXICOBAR.INI: the bar, popup and font settings and the
// button sections, with a one-generation backup QXICOBAR.BAK.
#pragma once
#include <windows.h>

#include <cstdint>

#include "bar/buttons.h"
#include "host/report.h"
#include "settings/settings_store.h"

struct IconBarSettings {
  uint32_t barColorRed;
  uint32_t barColorGreen;
  uint32_t barColorBlue;
  int32_t barLength;
  int32_t barHeight;
  int32_t defaultBarHeight;  // computed at each load, never stored
  int32_t barFramed;
  int32_t iconsFramed;
  int32_t popupsOff;             // stored inverted as "Tool Tips"
  int32_t iconVerticalPosition;  // 1 centred, 2 top, 4 bottom
  int32_t iconsSquishedLeft;     // stored inverted as "Icons Spaced Horizontal Evenly"
  int32_t buttonCount;
  int32_t popupsAbove;
  uint32_t popupBackgroundRed;
  uint32_t popupBackgroundGreen;
  uint32_t popupBackgroundBlue;
  uint32_t popupTextRed;
  uint32_t popupTextGreen;
  uint32_t popupTextBlue;
  int32_t popupDelay;  // milliseconds
  LOGFONTA popupFont;
  char iniPath[kTextBufferSize];
};

extern IconBarSettings barSettings;

// Called by the reading right after "Delete Warning", before the popup keys:
// the load sets it to the installation of the Delete-dialog bypass.
extern void (*afterDeleteWarningRead)();

// Every setting empty or zero, as the load starts from.
void ResetBarSettings();

// LocateSettingsFile, the checks of the settings place and the file work of
// the save live beside this, in settings_store.h.

// Reads the "Icon Bar" section; 1 on success, 0 when a string is missing.
int ReadBarSettings();

// Reads Icon0, Icon1, ... into records appended to the button list of the bar
// window; 1 on success, 0 on failure (reported).
int ReadButtonSections();

// Writes the whole file anew, keeping the previous one as the backup; false
// after a failure (reported), the file on disk then being the previous one.
bool SaveSettings();

// ForEachButton callback of the save: writes one button section.
UINT WriteButtonSection(ButtonRecord* record);
