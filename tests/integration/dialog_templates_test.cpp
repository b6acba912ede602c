// The dialog templates as the DLL carries them: every control's ID, class,
// text, style and rectangle in dialog units, in template order, and each
// dialog's title, style, size and font.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

struct Control {
  int id;
  std::string className;
  std::string text;
  DWORD style;  // beyond WS_CHILD | WS_VISIBLE
  short x, y, cx, cy;
};

struct Template {
  int resourceId;
  std::string title;
  DWORD style;
  short cx, cy;
  std::vector<Control> controls;
};

constexpr DWORD kDialog = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr DWORD kRadio = BS_AUTORADIOBUTTON;
constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kEdit = ES_LEFT | WS_BORDER | ES_AUTOHSCROLL;

const std::vector<Template>& Templates() {
  static const std::vector<Template> templates = {
      {193,
       "IconBar Options",
       kDialog | WS_VISIBLE,
       248,
       139,
       {{-1, "button", "Horizontal Icon Spacing", BS_GROUPBOX | WS_GROUP, 95, 6, 83, 52},
        {1049, "button", "Squish Left", kRadio, 111, 22, 53, 10},
        {1050, "button", "Space Evenly", kRadio, 111, 39, 57, 10},
        {-1, "button", "Vertical Icon Position", BS_GROUPBOX | WS_GROUP, 97, 72, 83, 59},
        {1052, "button", "Center", kRadio, 111, 83, 35, 10},
        {1053, "button", "Top", kRadio, 111, 99, 35, 10},
        {1054, "button", "Bottom", kRadio, 111, 115, 35, 10},
        {1, "button", "OK", BS_DEFPUSHBUTTON, 193, 4, 50, 14},
        {2, "button", "Cancel", BS_PUSHBUTTON, 193, 28, 50, 14},
        {1023, "button", "Color", BS_PUSHBUTTON, 193, 68, 50, 14},
        {1005, "button", "Help", BS_PUSHBUTTON, 194, 112, 49, 14},
        {1055, "button", "Frame IconBar", BS_AUTOCHECKBOX, 7, 24, 75, 10},
        {1056, "button", "Frame Icons", BS_AUTOCHECKBOX, 7, 63, 70, 10},
        {1057, "button", "Popup Descriptions", BS_AUTOCHECKBOX, 7, 103, 72, 10}}},
      {174,
       "New Program Icon",
       kDialog,
       248,
       175,
       {{-1, "static", "Description:", SS_LEFT, 4, 7, 41, 8},
        {1006, "edit", "", kEdit | WS_TABSTOP, 56, 5, 124, 13},
        {-1, "static", "Path:", SS_LEFT, 5, 28, 18, 8},
        {1011, "edit", "", kEdit | WS_DISABLED, 32, 25, 148, 13},
        {-1, "button", "Selected Files Options:", BS_GROUPBOX, 4, 43, 177, 62},
        {1025, "button", "Ignore", kRadio | WS_GROUP, 8, 63, 36, 10},
        {1026, "button", "Pass on", kRadio, 8, 85, 35, 10},
        {1020, "button", "Allow Multiple Files", kCheck | WS_GROUP, 56, 84, 70, 10},
        {-1, "button", "Display Mode:", BS_GROUPBOX, 4, 108, 55, 65},
        {1015, "button", "Normal", kRadio | WS_GROUP, 8, 128, 42, 10},
        {1016, "button", "Maximize", kRadio, 8, 144, 42, 10},
        {1017, "button", "Minimize", kRadio, 8, 160, 42, 10},
        {1022, "button", "Wait for Completion", kCheck | WS_GROUP, 68, 160, 70, 10},
        {1, "button", "OK", BS_DEFPUSHBUTTON, 193, 4, 50, 14},
        {2, "button", "Cancel", BS_PUSHBUTTON, 193, 28, 50, 14},
        {1003, "button", "Browse", BS_PUSHBUTTON, 193, 59, 50, 14},
        {1004, "button", "Change Icon", BS_PUSHBUTTON, 193, 90, 50, 14},
        {1023, "button", "Background", BS_PUSHBUTTON, 193, 113, 50, 14},
        {1021, "button", "Icon Framed", kCheck, 193, 133, 50, 11},
        {1005, "button", "Help", BS_PUSHBUTTON, 193, 156, 49, 14},
        {1036, "button", "", BS_GROUPBOX, 133, 108, 48, 47},
        {1042, "button", "Requires at least 1 selected file", kCheck, 56, 94, 112, 10}}},
      {180,
       "New Menu Icon ",
       kDialog,
       248,
       175,
       {{-1, "static", "Description:", SS_LEFT, 5, 11, 55, 8},
        {1006, "edit", "", kEdit, 60, 8, 116, 13},
        {1039, "listbox", "",
         LBS_SORT | LBS_NOTIFY | WS_VSCROLL | WS_BORDER | LBS_NOINTEGRALHEIGHT | WS_TABSTOP, 4, 28,
         116, 128},
        {1042, "button", "Requires at least 1 selected file", kCheck, 5, 161, 113, 10},
        {1036, "button", "", BS_GROUPBOX, 133, 108, 48, 47},
        {1, "button", "OK", BS_DEFPUSHBUTTON, 192, 8, 50, 14},
        {2, "button", "Cancel", BS_PUSHBUTTON, 193, 29, 50, 14},
        {1004, "button", "Change Icon", BS_PUSHBUTTON, 193, 90, 50, 14},
        {1023, "button", "Background", BS_PUSHBUTTON, 193, 113, 50, 14},
        {1021, "button", "Icon Framed", kCheck, 193, 133, 50, 11},
        {1005, "button", "Help", BS_PUSHBUTTON, 194, 156, 49, 14}}},
      {181,
       "Choose Icon",
       kDialog,
       248,
       175,
       {{-1, "static", "File Name:", SS_LEFT | WS_GROUP, 0, 8, 36, 8},
        {1033, "edit", "", kEdit | WS_TABSTOP, 40, 6, 140, 13},
        {1034, "button", "", BS_GROUPBOX | WS_GROUP | WS_TABSTOP, 4, 76, 240, 68},
        {1035, "scrollbar", "", SBS_HORZ | WS_TABSTOP, 5, 132, 239, 11},
        {1, "button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 192, 8, 50, 14},
        {2, "button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 192, 27, 50, 14},
        {1003, "button", "Browse", BS_PUSHBUTTON | WS_TABSTOP, 192, 56, 50, 14},
        {1005, "button", "Help", BS_PUSHBUTTON | WS_TABSTOP, 192, 152, 50, 14},
        {-1, "static", "Icons in Selected File:", SS_LEFT | WS_GROUP, 7, 68, 71, 8}}},
  };
  return templates;
}

// Reads the template's variable-length fields.
class TemplateReader {
 public:
  explicit TemplateReader(const BYTE* at) : at_(at) {}
  WORD Word() {
    WORD value;
    memcpy(&value, at_, sizeof value);
    at_ += sizeof value;
    return value;
  }
  DWORD Dword() { return Word() | (DWORD(Word()) << 16); }
  short Short() { return static_cast<short>(Word()); }
  // A string, or a class given by its atom.
  std::string NameOrOrdinal() {
    static const char* const kAtoms[] = {"button",  "edit",      "static",
                                         "listbox", "scrollbar", "combobox"};
    WORD first = Word();
    if (first == 0xFFFF) {
      WORD ordinal = Word();
      return ordinal >= 0x80 && ordinal <= 0x85 ? kAtoms[ordinal - 0x80]
                                                : "#" + std::to_string(ordinal);
    }
    std::string text;
    for (WORD c = first; c != 0; c = Word()) text += static_cast<char>(c);
    return text;
  }
  void AlignDword(const BYTE* base) {
    while ((at_ - base) % 4) ++at_;
  }

 private:
  const BYTE* at_;
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

TEST(DialogTemplatesTest, EveryDialogIsBuiltAsDesigned) {
  HMODULE dll = LoadLibraryExA("qxibar.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(dll, nullptr);
  for (const Template& want : Templates()) {
    SCOPED_TRACE(want.resourceId);
    HRSRC found = FindResourceA(dll, MAKEINTRESOURCEA(want.resourceId), MAKEINTRESOURCEA(5));
    ASSERT_NE(found, nullptr);
    const auto* base = static_cast<const BYTE*>(LockResource(LoadResource(dll, found)));
    TemplateReader in(base);
    EXPECT_EQ(in.Dword(), want.style);
    in.Dword();  // extended style
    const WORD count = in.Word();
    ASSERT_EQ(count, want.controls.size());
    in.Short();
    in.Short();
    EXPECT_EQ(in.Short(), want.cx);
    EXPECT_EQ(in.Short(), want.cy);
    EXPECT_EQ(in.NameOrOrdinal(), "");  // no menu
    EXPECT_EQ(in.NameOrOrdinal(), "");  // the standard dialog class
    EXPECT_EQ(in.NameOrOrdinal(), want.title);
    EXPECT_EQ(in.Word(), 8);
    EXPECT_EQ(in.NameOrOrdinal(), "MS Sans Serif");
    for (const Control& control : want.controls) {
      SCOPED_TRACE(control.text + " " + std::to_string(control.id));
      in.AlignDword(base);
      EXPECT_EQ(in.Dword(), control.style | WS_CHILD | WS_VISIBLE);
      in.Dword();
      EXPECT_EQ(in.Short(), control.x);
      EXPECT_EQ(in.Short(), control.y);
      EXPECT_EQ(in.Short(), control.cx);
      EXPECT_EQ(in.Short(), control.cy);
      EXPECT_EQ(static_cast<short>(in.Word()), control.id);
      EXPECT_EQ(Lower(in.NameOrOrdinal()), control.className);
      EXPECT_EQ(in.NameOrOrdinal(), control.text);
      const WORD extra = in.Word();
      EXPECT_EQ(extra, 0);
    }
  }
  FreeLibrary(dll);
}

}  // namespace
