#include "settings/settings.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "bar/bar_state.h"
#include "host/state.h"
#include "resources/resource.h"
#include "settings/profile_image.h"
#include "settings/settings_store.h"

IconBarSettings barSettings;
void (*afterDeleteWarningRead)() = nullptr;

namespace {

// The settings file as read by the load: ReadBarSettings reads it, and
// ReadButtonSections answers from the same image and then lets it go.
ProfileImage settingsImage;
// The text of the file that the save is building.
ProfileText saveText;
// Names loaded from the string table during one reading or one save: every
// button section asks for the same dozen key names again.
std::unordered_map<UINT, std::string> loadedNames;

// Number of the next button section the save writes.
int sectionCounter = 0;
// Set when WriteButtonSection stopped the walk before the last button.
int sectionWriteStopped = 0;

bool LoadText(UINT id, char* buffer) {
  return LoadStringA(extState.instance, id, buffer, kTextBufferSize) > 0;
}

// LoadText, through the names already loaded in this reading or save.
bool LoadName(UINT id, char* buffer) {
  auto found = loadedNames.find(id);
  if (found != loadedNames.end()) {
    lstrcpynA(buffer, found->second.c_str(), kTextBufferSize);
    return true;
  }
  if (!LoadText(id, buffer)) return false;
  loadedNames.emplace(id, buffer);
  return true;
}

void AppendText(char* buffer, size_t size, const char* text) {
  size_t used = strlen(buffer);
  if (used + 1 >= size) return;
  lstrcpynA(buffer + used, text, int(size - used));
}

// A value that is a whole decimal number within 32 bits; anything else (text,
// hexadecimal, trailing letters, too many digits) counts as unreadable.
bool ParseWholeNumber(std::string_view text, int32_t* value) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  int32_t parsed = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  *value = parsed;
  return true;
}

// A colour component outside 0..255, taken as unsigned so that negative
// values fall back too.
uint32_t ColorComponent(int32_t value, uint32_t fallback) {
  return uint32_t(value) > 255 ? fallback : uint32_t(value);
}

// One section of the settings file, read from the loaded image or written into
// the save's text key by key. Key names come from the string table; a name that
// cannot be loaded is reported under `tag`.
class ProfileSection {
 public:
  explicit ProfileSection(UINT tag) : tag_(tag) { name_[0] = '\0'; }

  bool openById(UINT sectionId) {
    if (LoadName(sectionId, name_)) return true;
    ReportFailure(tag_, IDS_OP_LOADSTRING, int(sectionId));
    return false;
  }
  void openByName(const char* name) { lstrcpynA(name_, name, kTextBufferSize); }

  // Reads a number; a missing key or an unreadable value gives `fallback`.
  bool readNumber(UINT keyId, int32_t fallback, int32_t* value) {
    char text[kTextBufferSize];
    if (!readText(keyId, "", text)) return false;
    if (!ParseWholeNumber(text, value)) *value = fallback;
    return true;
  }

  bool readText(UINT keyId, const char* fallback, char* buffer) {
    char key[kTextBufferSize];
    if (!loadKey(keyId, key)) return false;
    settingsImage.GetString(name_, key, fallback, buffer, kTextBufferSize);
    return true;
  }

  bool writeNumber(UINT keyId, int32_t value) {
    char text[16];
    auto result = std::to_chars(text, text + sizeof text - 1, value);
    *result.ptr = '\0';
    return writeText(keyId, text);
  }

  bool writeText(UINT keyId, const char* text) {
    char key[kTextBufferSize];
    if (!loadKey(keyId, key)) return false;
    // The section begins with its first key, as the profile functions make it.
    if (!headerWritten_) saveText.Section(name_);
    headerWritten_ = true;
    saveText.Key(key, text);
    return true;
  }

 private:
  bool loadKey(UINT keyId, char* key) {
    if (LoadName(keyId, key)) return true;
    ReportFailure(tag_, IDS_OP_LOADSTRING, int(keyId));
    return false;
  }

  UINT tag_;
  bool headerWritten_ = false;
  char name_[kTextBufferSize];
};

// "Icon" followed by the button's position in decimal.
bool FormButtonSectionName(UINT tag, int number, char* name) {
  if (!LoadName(IDS_ICON_SECTION_PREFIX, name)) {
    ReportFailure(tag, IDS_OP_LOADSTRING, IDS_ICON_SECTION_PREFIX);
    return false;
  }
  char digits[16];
  auto result = std::to_chars(digits, digits + sizeof digits - 1, number);
  *result.ptr = '\0';
  AppendText(name, kTextBufferSize, digits);
  return true;
}

// The records that the reading made stay locked while the list is built; this
// gives each its lock back. `record` is the first of them, still locked.
int UnlockNewRecords(ButtonRecord* record) {
  while (record) {
    HLOCAL successor = record->next;
    HLOCAL block = LocalHandle(record);
    if (!block) {
      ReportFailure(IDS_TAG_QXINIT, IDS_OP_LOCALHANDLE, 1301);
      return 0;
    }
    SetLastError(NO_ERROR);
    if (LocalUnlock(block)) {
      ReportFailure(IDS_TAG_QXINIT, IDS_OP_LOCALUNLOCK, 1302);
      return 0;
    }
    record = nullptr;
    if (successor) {
      // Locked since its creation, so this lock yields the same fixed address;
      // it is given back at once.
      record = static_cast<ButtonRecord*>(LocalLock(successor));
      if (!record) {
        ReportFailure(IDS_TAG_QXINIT, IDS_OP_LOCALLOCK, 1303);
        return 0;
      }
      LocalUnlock(successor);
    }
  }
  return 1;
}

// Reads one button section into a new record appended after `previous`.
// Result: 1 made, 0 skipped (wrong type or no program text), -1 failed.
// `ended` is set when the section ends the list.
int ReadOneButton(int number, ButtonRecord* previous, ButtonRecord** created, int* ended) {
  ProfileSection in(IDS_TAG_QXINIT);
  char name[kTextBufferSize];
  if (!FormButtonSectionName(IDS_TAG_QXINIT, number, name)) return -1;
  in.openByName(name);

  char programText[kTextBufferSize];
  if (!in.readText(IDS_KEY_PROGRAM_NAME, "", programText)) return -1;
  if (programText[0] == '\0') {
    *ended = 1;
    return 0;
  }
  int32_t type;
  if (!in.readNumber(IDS_KEY_TYPE, 1, &type)) return -1;
  if (type != 0 && type != 1) return 0;

  int32_t iconIndex, passFiles, requiresFile, multipleFiles, framed, wait, displayMode;
  int32_t red, green, blue;
  char iconText[kTextBufferSize];
  char descriptionText[kTextBufferSize];
  char parameters[kTextBufferSize];
  char startFolder[kTextBufferSize];
  if (!in.readNumber(IDS_KEY_ICON_INDEX, 0, &iconIndex) ||
      !in.readText(IDS_KEY_ICON_NAME, "", iconText) ||
      !in.readText(IDS_KEY_DESCRIPTION, "", descriptionText) ||
      !in.readNumber(IDS_KEY_PASS_SELECTED_FILES, 1, &passFiles) ||
      !in.readNumber(IDS_KEY_REQUIRES_FILE, 0, &requiresFile) ||
      !in.readNumber(IDS_KEY_ALLOW_MULTIPLE_FILES, 1, &multipleFiles) ||
      !in.readNumber(IDS_KEY_ICON_FRAME, 1, &framed) ||
      !in.readNumber(IDS_KEY_WAIT_FOR_COMPLETION, 0, &wait) ||
      !in.readNumber(IDS_KEY_DISPLAY_MODE, 1, &displayMode) ||
      !in.readNumber(IDS_KEY_ICON_BACK_RED, 255, &red) ||
      !in.readNumber(IDS_KEY_ICON_BACK_GREEN, 255, &green) ||
      !in.readNumber(IDS_KEY_ICON_BACK_BLUE, 255, &blue) ||
      !in.readText(IDS_KEY_PARAMETERS, "", parameters) ||
      !in.readText(IDS_KEY_START_FOLDER, "", startFolder))
    return -1;

  ButtonRecord* record =
      CreateButton(programText, iconText, descriptionText, type, framed == 1, previous);
  if (!record) return -1;
  *created = record;
  record->iconIndex = iconIndex < 0 ? 0 : iconIndex;
  record->displayMode = (displayMode == 3 || displayMode == 7) ? displayMode : 1;
  record->backRed = ColorComponent(red, 255);
  record->backGreen = ColorComponent(green, 255);
  record->backBlue = ColorComponent(blue, 255);
  if (passFiles == 1) record->flags |= BF_PASS_FILES;
  if (requiresFile == 1) record->flags |= BF_REQUIRES_FILE;
  if (multipleFiles == 1) record->flags |= BF_MULTIPLE_FILES;
  if (wait == 1) record->flags |= BF_WAIT;
  // Only a program takes parameters and a start folder.
  if (type == 1 && (!SetButtonText(&record->parameters, parameters) ||
                    !SetButtonText(&record->startFolder, startFolder)))
    return -1;

  record->flags &= ~uint32_t(BF_BATCH);
  char batchSuffix[kTextBufferSize];
  if (!LoadName(IDS_BAT_SUFFIX, batchSuffix)) {
    ReportFailure(IDS_TAG_QXINIT, IDS_OP_LOADSTRING, IDS_BAT_SUFFIX);
    return -1;
  }
  size_t textLength = strlen(programText);
  size_t suffixLength = strlen(batchSuffix);
  if (textLength >= suffixLength &&
      lstrcmpiA(programText + textLength - suffixLength, batchSuffix) == 0)
    record->flags |= BF_BATCH;
  return 1;
}

// Writes the "Icon Bar" section; false after a failure (reported).
bool WriteBarSection() {
  ProfileSection out(IDS_TAG_QXSAVE);
  if (!out.openById(IDS_SECTION_ICON_BAR)) return false;
  const IconBarSettings& s = barSettings;
  const LOGFONTA& font = s.popupFont;

  if (extState.barOn == 0 && !out.writeNumber(IDS_KEY_BAR_ON, 0)) return false;
  if (!(s.barColorRed == 255 && s.barColorGreen == 128 && s.barColorBlue == 128) &&
      (!out.writeNumber(IDS_KEY_BAR_RED, int32_t(s.barColorRed)) ||
       !out.writeNumber(IDS_KEY_BAR_GREEN, int32_t(s.barColorGreen)) ||
       !out.writeNumber(IDS_KEY_BAR_BLUE, int32_t(s.barColorBlue))))
    return false;
  if (s.barLength != GetSystemMetrics(SM_CXSCREEN) &&
      !out.writeNumber(IDS_KEY_BAR_LENGTH, s.barLength))
    return false;
  if (s.barFramed == 0 && !out.writeNumber(IDS_KEY_BAR_FRAMED, 0)) return false;
  if (s.iconsFramed == 0 && !out.writeNumber(IDS_KEY_ICONS_FRAMED, 0)) return false;
  if (s.popupsOff == 1 && !out.writeNumber(IDS_KEY_TOOL_TIPS, 0)) return false;
  if (s.iconVerticalPosition != 1 &&
      !out.writeNumber(IDS_KEY_VERTICAL_ICON_POSITION, s.iconVerticalPosition))
    return false;
  if (s.barHeight != s.defaultBarHeight && !out.writeNumber(IDS_KEY_BAR_HEIGHT, s.barHeight))
    return false;
  if (s.iconsSquishedLeft == 1 && !out.writeNumber(IDS_KEY_ICONS_SPACED_EVENLY, 0)) return false;
  if (!out.writeNumber(IDS_KEY_NUMBER_OF_ICONS, s.buttonCount)) return false;
  if (extState.deleteWarning == 0 && !out.writeNumber(IDS_KEY_DELETE_WARNING, 0)) return false;
  if (s.popupsAbove == 1 && !out.writeNumber(IDS_KEY_POPUPS_ABOVE, 1)) return false;
  if (!(s.popupBackgroundRed == 255 && s.popupBackgroundGreen == 255 &&
        s.popupBackgroundBlue == 255) &&
      (!out.writeNumber(IDS_KEY_POPUP_BACK_RED, int32_t(s.popupBackgroundRed)) ||
       !out.writeNumber(IDS_KEY_POPUP_BACK_GREEN, int32_t(s.popupBackgroundGreen)) ||
       !out.writeNumber(IDS_KEY_POPUP_BACK_BLUE, int32_t(s.popupBackgroundBlue))))
    return false;
  if (!(s.popupTextRed == 0 && s.popupTextGreen == 0 && s.popupTextBlue == 0) &&
      (!out.writeNumber(IDS_KEY_POPUP_TEXT_RED, int32_t(s.popupTextRed)) ||
       !out.writeNumber(IDS_KEY_POPUP_TEXT_GREEN, int32_t(s.popupTextGreen)) ||
       !out.writeNumber(IDS_KEY_POPUP_TEXT_BLUE, int32_t(s.popupTextBlue))))
    return false;
  if (s.popupDelay != 500 && !out.writeNumber(IDS_KEY_POPUP_DELAY, s.popupDelay)) return false;

  struct FontNumber {
    UINT keyId;
    int32_t value;
    int32_t fallback;
  };
  const FontNumber fontNumbers[] = {
      {IDS_KEY_FONT_HEIGHT, font.lfHeight, 15},
      {IDS_KEY_FONT_WIDTH, font.lfWidth, 0},
      {IDS_KEY_FONT_ESCAPEMENT, font.lfEscapement, 0},
      {IDS_KEY_FONT_ORIENTATION, font.lfOrientation, 0},
      {IDS_KEY_FONT_WEIGHT, font.lfWeight, 400},
      {IDS_KEY_FONT_ITALIC, font.lfItalic, 0},
      {IDS_KEY_FONT_UNDERLINE, font.lfUnderline, 0},
      {IDS_KEY_FONT_STRIKEOUT, font.lfStrikeOut, 0},
      {IDS_KEY_FONT_CHARSET, font.lfCharSet, 0},
      {IDS_KEY_FONT_OUTPRECISION, font.lfOutPrecision, 0},
      {IDS_KEY_FONT_CLIPPRECISION, font.lfClipPrecision, 0},
      {IDS_KEY_FONT_QUALITY, font.lfQuality, 2},
      {IDS_KEY_FONT_PITCHANDFAMILY, font.lfPitchAndFamily, 1},
  };
  for (const FontNumber& number : fontNumbers)
    if (number.value != number.fallback && !out.writeNumber(number.keyId, number.value))
      return false;

  char defaultFace[kTextBufferSize];
  if (!LoadText(IDS_DEFAULT_FACE_NAME, defaultFace)) {
    ReportFailure(IDS_TAG_QXSAVE, IDS_OP_LOADSTRING, IDS_DEFAULT_FACE_NAME);
    return false;
  }
  if (strcmp(font.lfFaceName, defaultFace) != 0 &&
      !out.writeText(IDS_KEY_FONT_FACENAME, font.lfFaceName))
    return false;
  return true;
}

}  // namespace

void ResetBarSettings() { barSettings = IconBarSettings{}; }

int ReadBarSettings() {
  IconBarSettings& s = barSettings;
  // One read of the whole file; every key below is answered from it. A place
  // that must not be used gives an empty image: every key its default.
  OpenSettingsFile(s.iniPath, sizeof s.iniPath, &settingsImage);
  loadedNames.clear();

  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const int iconWidth = GetSystemMetrics(SM_CXICON);
  const int iconHeight = GetSystemMetrics(SM_CYICON);
  s.defaultBarHeight = 2 * (3 * GetSystemMetrics(SM_CYBORDER) + GetSystemMetrics(SM_CYFRAME)) +
                       iconHeight / 4 + iconHeight;

  ProfileSection in(IDS_TAG_QXINIT);
  if (!in.openById(IDS_SECTION_ICON_BAR)) return 0;
  int32_t v;

  if (!in.readNumber(IDS_KEY_BAR_ON, 1, &v)) return 0;
  extState.barOn = v;
  if (!in.readNumber(IDS_KEY_BAR_RED, 255, &v)) return 0;
  s.barColorRed = ColorComponent(v, 255);
  if (!in.readNumber(IDS_KEY_BAR_GREEN, 128, &v)) return 0;
  s.barColorGreen = ColorComponent(v, 128);
  if (!in.readNumber(IDS_KEY_BAR_BLUE, 128, &v)) return 0;
  s.barColorBlue = ColorComponent(v, 128);
  if (!in.readNumber(IDS_KEY_BAR_LENGTH, screenWidth, &v)) return 0;
  s.barLength = (v > screenWidth || v < GetSystemMetrics(SM_CXMIN)) ? screenWidth : v;
  if (!in.readNumber(IDS_KEY_BAR_FRAMED, 1, &v)) return 0;
  s.barFramed = v == 1 ? 1 : 0;
  if (!in.readNumber(IDS_KEY_ICONS_FRAMED, 1, &v)) return 0;
  s.iconsFramed = v == 1 ? 1 : 0;
  if (!in.readNumber(IDS_KEY_TOOL_TIPS, 1, &v)) return 0;
  s.popupsOff = v == 1 ? 0 : 1;
  if (!in.readNumber(IDS_KEY_VERTICAL_ICON_POSITION, 1, &v)) return 0;
  s.iconVerticalPosition = (v == 2 || v == 4) ? v : 1;
  if (!in.readNumber(IDS_KEY_BAR_HEIGHT, s.defaultBarHeight, &v)) return 0;
  s.barHeight = v > screenHeight ? s.defaultBarHeight : v;
  if (!in.readNumber(IDS_KEY_ICONS_SPACED_EVENLY, 1, &v)) return 0;
  s.iconsSquishedLeft = v == 1 ? 0 : 1;
  if (!in.readNumber(IDS_KEY_NUMBER_OF_ICONS, 0, &v)) return 0;
  // The narrowest a button can be laid out is a quarter icon wide.
  const int narrowest = iconWidth / 4 > 0 ? iconWidth / 4 : 1;
  s.buttonCount = v > s.barLength / narrowest ? screenWidth / narrowest : v;
  if (!in.readNumber(IDS_KEY_DELETE_WARNING, 1, &v)) return 0;
  extState.deleteWarning = v == 1 ? 1 : 0;
  if (afterDeleteWarningRead) afterDeleteWarningRead();

  if (!in.readNumber(IDS_KEY_POPUPS_ABOVE, 0, &v)) return 0;
  s.popupsAbove = v == 1 ? 1 : 0;
  if (!in.readNumber(IDS_KEY_POPUP_BACK_RED, 255, &v)) return 0;
  s.popupBackgroundRed = ColorComponent(v, 255);
  if (!in.readNumber(IDS_KEY_POPUP_BACK_GREEN, 255, &v)) return 0;
  s.popupBackgroundGreen = ColorComponent(v, 255);
  if (!in.readNumber(IDS_KEY_POPUP_BACK_BLUE, 255, &v)) return 0;
  s.popupBackgroundBlue = ColorComponent(v, 255);
  if (!in.readNumber(IDS_KEY_POPUP_TEXT_RED, 0, &v)) return 0;
  s.popupTextRed = ColorComponent(v, 0);
  if (!in.readNumber(IDS_KEY_POPUP_TEXT_GREEN, 0, &v)) return 0;
  s.popupTextGreen = ColorComponent(v, 0);
  if (!in.readNumber(IDS_KEY_POPUP_TEXT_BLUE, 0, &v)) return 0;
  s.popupTextBlue = ColorComponent(v, 0);
  if (!in.readNumber(IDS_KEY_POPUP_DELAY, 500, &v)) return 0;
  s.popupDelay = v < 0 ? 500 : v;

  LOGFONTA& font = s.popupFont;
  if (!in.readNumber(IDS_KEY_FONT_HEIGHT, 15, &v)) return 0;
  font.lfHeight = (v > 16384 || v < -16384) ? 15 : v;
  if (!in.readNumber(IDS_KEY_FONT_WIDTH, 0, &v)) return 0;
  font.lfWidth = v < 0 ? 0 : v;
  if (!in.readNumber(IDS_KEY_FONT_ESCAPEMENT, 0, &v)) return 0;
  font.lfEscapement = v < 0 ? 0 : v;
  if (!in.readNumber(IDS_KEY_FONT_ORIENTATION, 0, &v)) return 0;
  font.lfOrientation = v < 0 ? 0 : v;
  if (!in.readNumber(IDS_KEY_FONT_WEIGHT, 400, &v)) return 0;
  font.lfWeight = v < 0 ? 400 : v;

  struct FontByte {
    UINT keyId;
    int32_t fallback;
    BYTE* field;
  };
  const FontByte fontBytes[] = {
      {IDS_KEY_FONT_ITALIC, 0, &font.lfItalic},
      {IDS_KEY_FONT_UNDERLINE, 0, &font.lfUnderline},
      {IDS_KEY_FONT_STRIKEOUT, 0, &font.lfStrikeOut},
      {IDS_KEY_FONT_CHARSET, 0, &font.lfCharSet},
      {IDS_KEY_FONT_OUTPRECISION, 0, &font.lfOutPrecision},
      {IDS_KEY_FONT_CLIPPRECISION, 0, &font.lfClipPrecision},
      {IDS_KEY_FONT_QUALITY, 2, &font.lfQuality},
      {IDS_KEY_FONT_PITCHANDFAMILY, 1, &font.lfPitchAndFamily},
  };
  for (const FontByte& fontByte : fontBytes) {
    if (!in.readNumber(fontByte.keyId, fontByte.fallback, &v)) return 0;
    *fontByte.field = BYTE(v & 0xFF);
  }

  char defaultFace[kTextBufferSize];
  if (!LoadText(IDS_DEFAULT_FACE_NAME, defaultFace)) {
    ReportFailure(IDS_TAG_QXINIT, IDS_OP_LOADSTRING, IDS_DEFAULT_FACE_NAME);
    return 0;
  }
  char face[kTextBufferSize];
  if (!in.readText(IDS_KEY_FONT_FACENAME, defaultFace, face)) return 0;
  lstrcpynA(font.lfFaceName, strlen(face) > 31 ? defaultFace : face, sizeof font.lfFaceName);
  return 1;
}

int ReadButtonSections() {
  if (settingsImage.path() != barSettings.iniPath)
    OpenSettingsFile(barSettings.iniPath, sizeof barSettings.iniPath, &settingsImage);
  loadedNames.clear();
  // The image is not needed after this reading, whatever its outcome.
  struct Release {
    ~Release() {
      settingsImage.Clear();
      loadedNames.clear();
    }
  } release;
  ButtonRecord* first = nullptr;
  ButtonRecord* previous = nullptr;
  int ended = 0;
  for (int number = 0; number < barSettings.buttonCount && !ended; ++number) {
    ButtonRecord* created = nullptr;
    int result = ReadOneButton(number, previous, &created, &ended);
    if (result < 0) {
      // The records made so far are already in the list; they must not stay
      // locked, or the unload could not free them.
      UnlockNewRecords(first);
      return 0;
    }
    if (result == 0) continue;
    if (!first) first = created;
    previous = created;
  }
  if (!UnlockNewRecords(first)) return 0;
  listReady = 1;
  return 1;
}

bool SaveSettings() {
  char windowsDirectory[kTextBufferSize];
  UINT length = GetWindowsDirectoryA(windowsDirectory, sizeof windowsDirectory);
  // The save works with full paths only; the current directory is set for
  // whatever the process runs next, and a failure to set it changes nothing.
  char currentDirectory[kTextBufferSize];
  DWORD currentLength = GetCurrentDirectoryA(sizeof currentDirectory, currentDirectory);
  if (length > 0 && length < sizeof windowsDirectory &&
      (currentLength == 0 || currentLength >= sizeof currentDirectory ||
       lstrcmpiA(currentDirectory, windowsDirectory) != 0))
    SetCurrentDirectoryA(windowsDirectory);

  char path[kTextBufferSize] = "";
  if (!LocateSettingsFile(path, sizeof path)) return false;
  lstrcpynA(barSettings.iniPath, path, sizeof barSettings.iniPath);

  // The whole text first: a failure here has touched no file.
  saveText = ProfileText();
  loadedNames.clear();
  bool complete = WriteBarSection();
  if (complete) {
    sectionCounter = 0;
    sectionWriteStopped = 0;
    ForEachButton(WriteButtonSection);
    // A list whose head could not be read is not an empty bar: saved so, the
    // file would promise buttons it does not hold, and the next load lose them.
    complete = sectionWriteStopped == 0 && (sectionCounter > 0 || !lastButton);
  }
  const std::string bytes = complete ? saveText.Bytes() : std::string();
  saveText = ProfileText();
  loadedNames.clear();
  if (!complete) return false;

  return StoreSettingsFile(path, bytes);
}

UINT WriteButtonSection(ButtonRecord* record) {
  char name[kTextBufferSize];
  ProfileSection out(IDS_TAG_QXSAVE);
  if (!FormButtonSectionName(IDS_TAG_QXSAVE, sectionCounter, name)) {
    sectionWriteStopped = 1;
    return WALK_STOP | WALK_GO_ON;
  }
  ++sectionCounter;
  out.openByName(name);

  // Writes one text key from a record's text block, locked just for the write.
  auto writeBlock = [&out](UINT keyId, HLOCAL block, int lockStep) {
    const char* text = "";
    if (block) {
      text = static_cast<const char*>(LocalLock(block));
      if (!text) {
        ReportFailure(IDS_TAG_QXSAVE, IDS_OP_LOCALLOCK, lockStep);
        return false;
      }
    }
    bool written = out.writeText(keyId, text);
    if (block) {
      SetLastError(NO_ERROR);
      // Still locked: someone else works on this text right now.
      if (LocalUnlock(block)) return false;
    }
    return written;
  };

  uint32_t flags = record->flags;
  bool isProgram = (flags & BF_PROGRAM) != 0;
  bool complete =
      writeBlock(IDS_KEY_PROGRAM_NAME, record->programName.handle, 1) &&
      (isProgram || out.writeNumber(IDS_KEY_TYPE, 0)) &&
      (record->iconIndex == 0 || out.writeNumber(IDS_KEY_ICON_INDEX, record->iconIndex)) &&
      ((flags & BF_ICON_FROM_PROGRAM) ||
       writeBlock(IDS_KEY_ICON_NAME, record->iconName.handle, 2)) &&
      (!(flags & BF_REQUIRES_FILE) || out.writeNumber(IDS_KEY_REQUIRES_FILE, 1)) &&
      (!record->description.handle ||
       writeBlock(IDS_KEY_DESCRIPTION, record->description.handle, 3));
  if (complete && isProgram) {
    if (!(flags & BF_PASS_FILES)) {
      complete = out.writeNumber(IDS_KEY_PASS_SELECTED_FILES, 0);
    } else if (!(flags & BF_MULTIPLE_FILES)) {
      complete = out.writeNumber(IDS_KEY_ALLOW_MULTIPLE_FILES, 0);
    }
    complete =
        complete && (!(flags & BF_WAIT) || out.writeNumber(IDS_KEY_WAIT_FOR_COMPLETION, 1)) &&
        (record->displayMode == 1 || out.writeNumber(IDS_KEY_DISPLAY_MODE, record->displayMode)) &&
        (!record->parameters || writeBlock(IDS_KEY_PARAMETERS, record->parameters, 4)) &&
        (!record->startFolder || writeBlock(IDS_KEY_START_FOLDER, record->startFolder, 5));
  }
  complete = complete && ((flags & BF_FRAMED) || out.writeNumber(IDS_KEY_ICON_FRAME, 0)) &&
             ((record->backRed == 255 && record->backGreen == 255 && record->backBlue == 255) ||
              (out.writeNumber(IDS_KEY_ICON_BACK_RED, int32_t(record->backRed)) &&
               out.writeNumber(IDS_KEY_ICON_BACK_GREEN, int32_t(record->backGreen)) &&
               out.writeNumber(IDS_KEY_ICON_BACK_BLUE, int32_t(record->backBlue))));
  if (complete) return WALK_GO_ON;
  sectionWriteStopped = 1;
  return WALK_STOP | WALK_GO_ON;
}
