// The dialogs that build the bar, opened through the extension's commands and
// driven as a user would: buttons clicked, boxes ticked, fields typed into,
// list items picked, and the colour chooser, Open dialog and message boxes
// they start answered. What the user chose is read back from the bar and from
// the settings file written at unload.
#include <gtest/gtest.h>

#include <fstream>

#include "bar_host_fixture.h"
#include "support/dialog_script.h"
#include "support/msgbox_catcher.h"

namespace barhost {
namespace {

constexpr UINT kProgramButton = 49;
constexpr UINT kMenuButton = 50;
constexpr UINT kBarOptions = 51;
constexpr COLORREF kChosen = RGB(10, 120, 230);

enum Control : int {
  kBrowse = 1003,
  kChangeIcon = 1004,
  kDescription = 1006,
  kPath = 1011,
  kMaximize = 1016,
  kMinimize = 1017,
  kMultipleFiles = 1020,
  kIconFramed = 1021,
  kWait = 1022,
  kColor = 1023,
  kIgnore = 1025,
  kPassOn = 1026,
  kMenuList = 1039,
  kRequiresFile = 1042,
  kSquishLeft = 1049,
  kTop = 1053,
  kFrameBar = 1055,
  kFrameIcons = 1056,
  kPopups = 1057,
};

std::string Notepad() {
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  return std::string(windows) + "\\notepad.exe";
}

class DialogsInHostTest : public BarInHostTest {
 protected:
  void StartWith(const std::vector<Keys>& buttons, const Keys& extraBar = {}) {
    geometry_.buttonCount = static_cast<int>(buttons.size());
    WriteBarSettings(geometry_, extraBar, buttons);
    Start();
    catcher_ = std::make_unique<MessageBoxCatcher>(Module(), IDOK);
  }
  // Runs the command's dialog with the script; the script must finish it.
  void RunScript(UINT command, std::vector<DialogStep> steps) {
    DialogScript script(std::move(steps));
    Command(command);
    EXPECT_TRUE(script.Done()) << "still waiting for \"" << script.Waiting() << "\"";
  }
  // Unloads the extension (which saves when something changed).
  void Unload() {
    catcher_.reset();
    fmhost::Destroy(frame_);
    frame_ = nullptr;
  }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const CaughtBox& box : catcher_->boxes()) texts.push_back(box.text);
    return texts;
  }
  // The catcher patches the DLL: it goes before the DLL does.
  void TearDown() override {
    catcher_.reset();
    BarInHostTest::TearDown();
  }
  BarGeometry geometry_;
  std::unique_ptr<MessageBoxCatcher> catcher_;
};

// ------------------------------------------------------------ Bar Options

TEST_F(DialogsInHostTest, BarOptionsTakeEffectOnlyAtOk) {
  struct Case {
    const char* name;
    bool pickColor;
    int closeWith;  // OK or Cancel
    bool saved;
  };
  const Case cases[] = {{"every choice changed, then Cancel", true, IDCANCEL, false},
                        {"every choice changed, then OK", true, IDOK, true},
                        {"nothing changed, then OK", false, IDOK, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartWith({{{"Program Name or Menu Item", "Sort by Type"}, {"Type", "0"}}},
              {{"Bar Background Color Red", "255"},
               {"Bar Background Color Green", "255"},
               {"Bar Background Color Blue", "0"}});
    const int changes = c.pickColor ? 1 : 0;
    std::vector<DialogStep> steps = {{"IconBar Options", [&](HWND d) {
                                        if (changes) {
                                          for (int id : {kFrameIcons, kPopups, kSquishLeft, kTop})
                                            ClickControl(d, id);
                                          ClickControl(d, kColor);
                                        } else {
                                          ClickControl(d, c.closeWith);
                                        }
                                      }}};
    if (changes) {
      steps.push_back({"Color", [](HWND d) { AnswerColorDialog(d, kChosen); }});
      steps.push_back({"IconBar Options", [&](HWND d) { ClickControl(d, c.closeWith); }});
    }
    RunScript(kBarOptions, steps);
    const COLORREF shown = BarPicture(Bar()).At(1, 1);
    EXPECT_EQ(shown, c.closeWith == IDOK && c.pickColor ? kChosen : RGB(255, 255, 0));
    Unload();
    const bool changed = c.saved;
    EXPECT_EQ(SettingsValue("Icon Bar", "Bar Background Color Blue"), changed ? "230" : "0");
    EXPECT_EQ(SettingsValue("Icon Bar", "Icons Framed"), changed ? "0" : "1");
    EXPECT_EQ(SettingsValue("Icon Bar", "Tool Tips"), changed ? "0" : "(none)");
    EXPECT_EQ(SettingsValue("Icon Bar", "Icons Spaced Horizontal Evenly"), changed ? "0" : "1");
    EXPECT_EQ(SettingsValue("Icon Bar", "Vertical Icon Position"), changed ? "2" : "(none)");
  }
}

TEST_F(DialogsInHostTest, TheBarFrameChangesInsideTheSameOuterRectangle) {
  geometry_.barFramed = true;
  StartWith({});
  const RECT before = WindowRectIn(Bar(), frame_);
  RECT client;
  GetClientRect(Bar(), &client);
  RunScript(kBarOptions, {{"IconBar Options",
                           [](HWND d) {
                             ClickControl(d, kFrameBar);
                             ClickControl(d, kColor);
                           }},
                          {"Color", [](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); }},
                          {"IconBar Options", [](HWND d) { ClickControl(d, IDOK); }}});
  const RECT after = WindowRectIn(Bar(), frame_);
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_FALSE(GetWindowLongPtrA(Bar(), GWL_STYLE) & WS_THICKFRAME);
  RECT grown;
  GetClientRect(Bar(), &grown);
  RECT frame = {0, 0, 0, 0};
  AdjustWindowRectEx(&frame, WS_CHILD | WS_THICKFRAME, FALSE, 0);
  EXPECT_EQ(grown.right - client.right, frame.right - frame.left);
  EXPECT_EQ(grown.bottom - client.bottom, frame.bottom - frame.top);
  Unload();
  EXPECT_EQ(SettingsValue("Icon Bar", "Bar Framed"), "0");
}

// ------------------------------------------------------- program buttons

TEST_F(DialogsInHostTest, NewProgramButtonsStoreWhatTheUserChose) {
  const std::string batch = MakeFile("make_marker.bat", 0);
  std::ofstream(batch) << "@echo ran> \"" << directory_ << "\\marker.txt\"\r\n";
  struct Case {
    const char* name;
    std::string program;
    std::vector<int> clicks;  // after the Browse
    bool pickColor;
    Keys expected;
    std::vector<std::string> boxes;
  };
  const std::string noIcons =
      "There are no icons in the file. Please use the Change Icon button to select one.";
  const Case cases[] = {
      {"a program with icons, minimized, waiting, on a chosen colour",
       Notepad(),
       {kMinimize, kWait},
       true,
       {{"Program Name or Menu Item", Notepad()},
        {"Icon Name", "(none)"},
        {"Display Mode", "7"},
        {"Wait For Completion", "1"},
        {"Allow Multiple Files", "0"},
        {"Icon Background Color Green", "120"},
        {"Description", "Edit it"}},
       {}},
      {"a batch file, files ignored, maximized, unframed",
       batch,
       {kIgnore, kMaximize, kIconFramed},
       false,
       {{"Program Name or Menu Item", batch},
        {"Pass Selected Files", "0"},
        {"Display Mode", "3"},
        {"Icon Frame", "0"},
        {"Icon Background Color Green", "(none)"}},
       {noIcons}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartWith({});
    std::vector<DialogStep> steps = {
        {"New Program Icon",
         [](HWND d) {
           TypeText(d, kDescription, "Edit it");
           ClickControl(d, kBrowse);
         }},
        {"Select Program for Icon Button", [&](HWND d) { AnswerOpenDialog(d, c.program); }},
        {"New Program Icon", [&](HWND d) {
           char path[MAX_PATH] = "";
           GetDlgItemTextA(d, kPath, path, MAX_PATH);
           EXPECT_EQ(path, c.program);
           for (int id : c.clicks) ClickControl(d, id);
           ClickControl(d, c.pickColor ? kColor : IDOK);
         }}};
    if (c.pickColor) {
      steps.push_back({"Color", [](HWND d) { AnswerColorDialog(d, kChosen); }});
      steps.push_back({"New Program Icon", [](HWND d) { ClickControl(d, IDOK); }});
    }
    RunScript(kProgramButton, steps);
    EXPECT_EQ(BoxTexts(), c.boxes);
    Unload();
    EXPECT_EQ(SettingsValue("Icon Bar", "Number of Icons"), "1");
    for (const auto& [key, value] : c.expected)
      EXPECT_EQ(SettingsValue("Icon0", key), value) << key;
  }
  // The batch button runs through the command interpreter.
  StartWith({{{"Program Name or Menu Item", batch}, {"Pass Selected Files", "0"}}});
  SetCursorPos(geometry_.Centre(0).x, geometry_.Centre(0).y);
  Click(geometry_.Centre(0));
  EXPECT_TRUE(PumpUntil([&] { return FileExists("marker.txt"); }));
}

TEST_F(DialogsInHostTest, TheProgramDialogGuidesAndRefusesAnEmptyPath) {
  StartWith({});
  RunScript(
      kProgramButton,
      {{"New Program Icon",
        [](HWND d) {
          ClickControl(d, kIgnore);
          ClickControl(d, kChangeIcon);  // nothing chosen: nothing happens
          ClickControl(d, IDOK);
        }},
       {"New Program Icon",
        [](HWND d) {
          EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, kMultipleFiles)));
          EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, kRequiresFile)));
          ClickControl(d, kPassOn);
          ClickControl(d, kBrowse);
        }},
       {"Select Program for Icon Button", [](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); }},
       {"New Program Icon", [](HWND d) {
          EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, kMultipleFiles)));
          EXPECT_EQ(SendMessageA(d, DM_GETDEFID, 0, 0), MAKELRESULT(IDCANCEL, DC_HASDEFID));
          ClickControl(d, IDCANCEL);
        }}});
  ASSERT_EQ(catcher_->boxes().size(), 1u);
  EXPECT_EQ(catcher_->boxes()[0].caption, "QX IconBar");
  EXPECT_EQ(catcher_->boxes()[0].text, "Please use the Browse button to select a file.");
  Unload();
  EXPECT_EQ(SettingsValue("Icon Bar", "Number of Icons"), "0");
}

// ---------------------------------------------------------- menu buttons

TEST_F(DialogsInHostTest, NewMenuButtonsComeFromFileManagersMenus) {
  struct Case {
    const char* item;
    int deleteAnswer;
    int closeWith;
    Keys expected;
    std::vector<std::string> boxes;
  };
  const std::string question =
      "Do you want to turn off the Microsoft Delete box ? (if you are a new Windows user, or are "
      "unsure, pick NO.)";
  const Case cases[] = {
      {"Sort by Type",
       IDOK,
       IDOK,
       {{"Program Name or Menu Item", "Sort by Type"},
        {"Icon Name", "SORTBYTY"},
        {"Description", "Sort by Type"},
        {"Delete Warning", "(none)"}},
       {}},
      {"Cascade",
       IDOK,
       IDOK,
       {{"Program Name or Menu Item", "Cascade"}, {"Icon Name", "CASCADE"}},
       {"There are no icons in the file. Please use the Change Icon button to select one."}},
      {"Delete", IDYES, IDOK, {{"Icon Name", "DEL?ETE"}, {"Delete Warning", "0"}}, {question}},
      {"Delete",
       IDYES,
       IDCANCEL,
       {{"Number of Icons", "0"}, {"Delete Warning", "(none)"}},
       {question}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.item) + (c.closeWith == IDOK ? " OK" : " Cancel"));
    StartWith({});
    catcher_->setAnswer(c.deleteAnswer);
    RunScript(
        kMenuButton,
        {{"New Menu Icon ", [&](HWND d) { EXPECT_TRUE(PickListItem(d, kMenuList, c.item, true)); }},
         {"New Menu Icon ", [&](HWND d) {
            EXPECT_EQ(SendMessageA(d, DM_GETDEFID, 0, 0),
                      MAKELRESULT(c.boxes.size() && c.deleteAnswer == IDOK ? kChangeIcon : IDOK,
                                  DC_HASDEFID));
            ClickControl(d, c.closeWith);
          }}});
    EXPECT_EQ(BoxTexts(), c.boxes);
    Unload();
    for (const auto& [key, value] : c.expected)
      EXPECT_EQ(
          SettingsValue(key == "Number of Icons" || key == "Delete Warning" ? "Icon Bar" : "Icon0",
                        key),
          value)
          << key;
  }
}

// ------------------------------------------------------- a whole session

// A new user builds a bar by hand, uses it, and finds it again after File
// Manager started anew.
TEST_F(DialogsInHostTest, ANewUserBuildsUsesAndKeepsABar) {
  const std::string batch = MakeFile("mark.bat", 0);
  std::ofstream(batch) << "@echo %~1> \"" << directory_ << "\\marker.txt\"\r\n";
  MakeFile("letter.txt");
  StartWith({});
  char system[MAX_PATH] = "";
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string library = std::string(system) + "\\shell32.dll";
  RunScript(kProgramButton,
            {{"New Program Icon",
              [](HWND d) {
                TypeText(d, kDescription, "Mark the file");
                ClickControl(d, kBrowse);
              }},
             {"Select Program for Icon Button", [&](HWND d) { AnswerOpenDialog(d, batch); }},
             {"New Program Icon", [](HWND d) { ClickControl(d, kChangeIcon); }},
             {"Choose Icon for mark.bat", [](HWND d) { ClickControl(d, kBrowse); }},
             {"Choose Icon for mark.bat", [&](HWND d) { AnswerOpenDialog(d, library); }},
             {"Choose Icon for mark.bat", [](HWND d) { ClickControl(d, IDOK); }},
             {"New Program Icon", [](HWND d) { ClickControl(d, IDOK); }}});
  RunScript(kMenuButton,
            {{"New Menu Icon ", [](HWND d) { PickListItem(d, kMenuList, "Sort by Type"); }},
             {"New Menu Icon ", [](HWND d) { ClickControl(d, IDOK); }}});
  geometry_.buttonCount = 2;
  {
    DialogScript script({{"Change Program Icon", [](HWND d) {
                            TypeText(d, kDescription, "Marks the selected file");
                            ClickControl(d, IDOK);
                          }}});
    const POINT at = geometry_.Centre(0);
    PostMessageA(Bar(), WM_CHAR, 'c', 0);
    SendMessageA(Bar(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageA(Bar(), WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    EXPECT_TRUE(PumpUntil([&] { return script.Done(); })) << script.Waiting();
  }
  RunScript(kBarOptions, {{"IconBar Options", [](HWND d) { ClickControl(d, kColor); }},
                          {"Color", [](HWND d) { AnswerColorDialog(d, kChosen); }},
                          {"IconBar Options", [](HWND d) { ClickControl(d, IDOK); }}});
  // The batch file has no icons; the library has more than the chooser offers.
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                            "There are no icons in the file. Please use the Change Icon button to "
                            "select one.",
                            "There are too many icons in the file to display them all."}));
  for (int session = 0; session < 2; ++session) {
    SCOPED_TRACE(session == 0 ? "as built" : "after File Manager started anew");
    EXPECT_EQ(BarPicture(Bar()).At(1, 1), kChosen);
    ASSERT_TRUE(Select({"letter.txt"}));
    DeleteFileA((directory_ + "\\marker.txt").c_str());
    for (int button : {0, 1}) {
      const POINT at = geometry_.Centre(button);
      SetCursorPos(at.x, at.y);
      Click(at);
    }
    EXPECT_TRUE(PumpUntil([&] { return FileExists("marker.txt"); }));
    EXPECT_EQ(fmhost::CurrentSortOrder(), fmhost::SortOrder::kType);
    Unload();
    if (session == 0) {
      Start();
      catcher_ = std::make_unique<MessageBoxCatcher>(Module(), IDOK);
    }
  }
  EXPECT_EQ(SettingsValue("Icon0", "Icon Name"), library);
  EXPECT_EQ(SettingsValue("Icon0", "Description"), "Marks the selected file");
  EXPECT_EQ(SettingsValue("Icon1", "Program Name or Menu Item"), "Sort by Type");
}

// ------------------------------------------------------------------ Help

std::vector<std::string> shellOpened;
HINSTANCE WINAPI RecordShellExecute(HWND, LPCSTR, LPCSTR file, LPCSTR parameters, LPCSTR, INT) {
  shellOpened.push_back(std::string(file ? file : "") + " " + (parameters ? parameters : ""));
  return reinterpret_cast<HINSTANCE>(42);
}

TEST_F(DialogsInHostTest, HelpOpensTheGuideBesideTheDllAtTheDialogsSection) {
  StartWith({});
  const std::string guide = ProgramDirectory() + "\\QXIBWT11.html";
  std::string url = "file:///";
  for (char c : guide + "#") url += c == '\\' ? "/" : c == ' ' ? "%20" : std::string(1, c);
  void* saved = nullptr;
  ASSERT_NE(PatchImport(Module(), "shell32.dll", "ShellExecuteA",
                        reinterpret_cast<void*>(&RecordShellExecute), &saved),
            nullptr);
  struct Case {
    UINT command;
    const char* caption;  // the dialog whose Help button is pressed; none: the menu's Help
    const char* section;
  };
  const Case cases[] = {{44, nullptr, "contents"},
                        {kBarOptions, "IconBar Options", "bar-options"},
                        {kProgramButton, "New Program Icon", "the-button-dialogs"},
                        {kMenuButton, "New Menu Icon ", "the-button-dialogs"},
                        {41, "Popup Options", "popup-options"}};
  for (bool present : {true, false}) {
    if (present) std::ofstream(guide) << "<html></html>";
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.section) + (present ? "" : " (no guide)"));
      shellOpened.clear();
      catcher_->clear();
      if (c.caption) {
        RunScript(c.command, {{c.caption, [](HWND d) {
                                 SendMessageA(d, WM_COMMAND, 1005, 0);
                                 ClickControl(d, IDCANCEL);
                               }}});
      } else {
        Command(c.command);
      }
      if (present) {
        ASSERT_EQ(shellOpened.size(), 1u);
        EXPECT_NE(shellOpened[0].find(url + c.section), std::string::npos) << shellOpened[0];
        EXPECT_TRUE(catcher_->boxes().empty());
      } else {
        EXPECT_TRUE(shellOpened.empty());
        EXPECT_EQ(BoxTexts(),
                  std::vector<std::string>{
                      "The user guide was not found. Help looked for it here:\n" + guide});
      }
    }
    DeleteFileA(guide.c_str());
  }
  PatchImport(Module(), "shell32.dll", "ShellExecuteA", saved, nullptr);
}

// --------------------------------------------------------- Change Button

TEST_F(DialogsInHostTest, ChangeButtonEditsInPlaceAndAlwaysGivesTheRecordBack) {
  StartWith({{{"Program Name or Menu Item", Notepad()}, {"Description", "first"}},
             {{"Program Name or Menu Item", "Sort by Name"}, {"Type", "0"}}});
  auto change = [&](int index) {
    const POINT centre = geometry_.Centre(index);
    PostMessageA(Bar(), WM_CHAR, 'c', 0);
    SendMessageA(Bar(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(centre.x, centre.y));
    SendMessageA(Bar(), WM_RBUTTONUP, 0, MAKELPARAM(centre.x, centre.y));
  };
  {
    DialogScript script({{"Change Program Icon", [](HWND d) {
                            char text[MAX_PATH] = "";
                            GetDlgItemTextA(d, kDescription, text, MAX_PATH);
                            EXPECT_STREQ(text, "first");
                            GetDlgItemTextA(d, kPath, text, MAX_PATH);
                            EXPECT_EQ(text, Notepad());
                            TypeText(d, kDescription, "changed");
                            ClickControl(d, kMaximize);
                            ClickControl(d, IDOK);
                          }}});
    change(0);
    EXPECT_TRUE(PumpUntil([&] { return script.Done(); })) << script.Waiting();
  }
  {
    DialogScript script({{"Change Menu Icon", [](HWND d) { ClickControl(d, IDCANCEL); }}});
    change(1);
    EXPECT_TRUE(PumpUntil([&] { return script.Done(); })) << script.Waiting();
  }
  // Both records are at rest again: Delete Button really deletes the second.
  const POINT second = geometry_.Centre(1);
  PostMessageA(Bar(), WM_CHAR, 'd', 0);
  SendMessageA(Bar(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(second.x, second.y));
  SendMessageA(Bar(), WM_RBUTTONUP, 0, MAKELPARAM(second.x, second.y));
  fmhost::Pump(50);
  Unload();
  EXPECT_EQ(SettingsValue("Icon Bar", "Number of Icons"), "1");
  EXPECT_EQ(SettingsValue("Icon0", "Description"), "changed");
  EXPECT_EQ(SettingsValue("Icon0", "Display Mode"), "3");
  EXPECT_EQ(SettingsValue("Icon1", "Program Name or Menu Item"), "(none)");
}

}  // namespace
}  // namespace barhost
