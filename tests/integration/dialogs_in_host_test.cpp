// The dialogs opened through the extension's commands in the stand-in File
// Manager and driven as a user would; what the user chose is read back from the
// bar and from the settings file written at unload.
#include <gtest/gtest.h>

#include <fstream>

#include "bar_host_fixture.h"
#include "dialogs/about.h"
#include "dialogs/button_dialog.h"
#include "settings/bar_options.h"
#include "support/dialog_script.h"
#include "support/msgbox_catcher.h"

namespace barhost {
namespace {

using Script = DialogScript;
constexpr UINT kProgramButton = 49, kMenuButton = 50, kBarOptions = 51;
constexpr COLORREF kChosen = RGB(10, 120, 230);
const char kNoIcons[] =
    "There are no icons in the file. Please use the Change Icon button to select one.";

std::string Text(HWND dialog, int id) {
  char text[MAX_PATH] = "";
  GetDlgItemTextA(dialog, id, text, MAX_PATH);
  return text;
}

class DialogsInHostTest : public BarInHostTest {
 protected:
  void StartWith(const std::vector<Keys>& buttons, const Keys& extraBar = {}) {
    BarInHostTest::StartWith(buttons, extraBar);
    catcher_ = std::make_unique<MessageBoxCatcher>(Module(), IDOK);
  }
  // Runs the command's dialog through the steps; every step must be taken.
  void Run(UINT command, std::vector<Script::Step> steps) {
    Script script(std::move(steps));
    Command(command);
    EXPECT_TRUE(script.finished() && !script.timedOut());
  }
  // Right-clicks button `index` with the key that picks the action held.
  void OnButton(char key, int index, std::vector<Script::Step> steps) {
    Script script(std::move(steps));
    const POINT at = geometry_.Centre(index);
    PostMessageA(Bar(), WM_CHAR, key, 0);
    SendMessageA(Bar(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageA(Bar(), WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    EXPECT_TRUE(PumpUntil([&] { return script.finished(); }));
  }
  // The bar's colour in its middle, where the tests put no button.
  COLORREF Background() const {
    const BarPicture picture(Bar());
    return picture.At(picture.width() / 2 + 7, picture.height() / 2);
  }
  // Unloads the extension, which saves what changed.
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
  std::unique_ptr<MessageBoxCatcher> catcher_;
};

TEST_F(DialogsInHostTest, BarOptionsTakeEffectOnlyAtOk) {
  const struct {
    bool change;
    int closeWith;
  } cases[] = {{true, IDCANCEL}, {true, IDOK}, {false, IDOK}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.change) + " " + std::to_string(c.closeWith));
    geometry_.barFramed = true;
    StartWith({MenuButton("Sort by Type")}, {{"Bar Background Color Red", "255"},
                                             {"Bar Background Color Green", "255"},
                                             {"Bar Background Color Blue", "0"}});
    const RECT before = WindowRectIn(Bar(), frame_);
    std::vector<Script::Step> steps = {Script::In("IconBar Options", [&](HWND d) {
      if (!c.change) return ClickControl(d, c.closeWith);
      for (int id : std::initializer_list<int>{IDC_FRAME_ICONS, IDC_POPUP_DESCRIPTIONS,
                                               IDC_SQUISH_LEFT, IDC_TOP, IDC_FRAME_BAR, IDC_COLOR})
        ClickControl(d, id);
    })};
    if (c.change) {
      steps.push_back(Script::In("Color", [](HWND d) { AnswerColorDialog(d, kChosen); }));
      steps.push_back(Script::In("IconBar Options", [&](HWND d) { ClickControl(d, c.closeWith); }));
    }
    Run(kBarOptions, steps);
    const bool saved = c.change && c.closeWith == IDOK;
    EXPECT_EQ(Background(), saved ? kChosen : RGB(255, 255, 0));
    // The bar's frame comes and goes inside the same outer rectangle.
    const RECT after = WindowRectIn(Bar(), frame_);
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_EQ((GetWindowLongPtrA(Bar(), GWL_STYLE) & WS_THICKFRAME) != 0, !saved);
    Unload();
    const Keys expected = {{"Bar Background Color Blue", saved ? "230" : "0"},
                           {"Icons Framed", saved ? "0" : "1"},
                           {"Tool Tips", saved ? "0" : "(none)"},
                           {"Icons Spaced Horizontal Evenly", saved ? "0" : "1"},
                           {"Vertical Icon Position", saved ? "2" : "(none)"},
                           {"Bar Framed", saved ? "0" : "1"}};
    for (const auto& [key, value] : expected)
      EXPECT_EQ(SettingsValue("Icon Bar", key), value) << key;
  }
}

// The Delete item asks whether to turn File Manager's Delete box off; the
// answer counts only when the button is made.
TEST_F(DialogsInHostTest, NewMenuButtonsComeFromFileManagersMenus) {
  const std::string question =
      "Do you want to turn off the Microsoft Delete box ? (if you are a new Windows user, or are "
      "unsure, pick NO.)";
  const struct {
    std::string item;
    int closeWith;
    const char *iconName, *deleteWarning;
  } cases[] = {{"Sort by Type", IDOK, "SORTBYTY", "(none)"},
               {"Delete", IDOK, "DEL?ETE", "0"},
               {"Delete", IDCANCEL, "(none)", "(none)"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item + (c.closeWith == IDOK ? " OK" : " Cancel"));
    StartWith({});
    catcher_->setAnswer(IDYES);
    Run(kMenuButton,
        {Script::In("New Menu Icon ",
                    [&](HWND d) { EXPECT_TRUE(PickListItem(d, IDC_MENU_LIST, c.item, true)); }),
         Script::In("New Menu Icon ", [&](HWND d) {
           EXPECT_EQ(SendMessageA(d, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
           ClickControl(d, c.closeWith);
         })});
    EXPECT_EQ(BoxTexts(),
              c.item == "Delete" ? std::vector<std::string>{question} : std::vector<std::string>{});
    Unload();
    const bool made = c.closeWith == IDOK;
    EXPECT_EQ(SettingsValue("Icon Bar", "Number of Icons"), made ? "1" : "0");
    EXPECT_EQ(SettingsValue("Icon Bar", "Delete Warning"), c.deleteWarning);
    EXPECT_EQ(SettingsValue("Icon0", "Program Name or Menu Item"), made ? c.item : "(none)");
    EXPECT_EQ(SettingsValue("Icon0", "Description"), made ? c.item : "(none)");
    EXPECT_EQ(SettingsValue("Icon0", "Icon Name"), c.iconName);
  }
}

// A new user builds a bar by hand, changes it, uses it, and finds it again
// after File Manager started anew.
TEST_F(DialogsInHostTest, ANewUserBuildsChangesUsesAndKeepsABar) {
  const std::string batch = MakeFile("mark.bat", 0);
  std::ofstream(batch) << "@echo %~1> \"" << directory_ << "\\marker.txt\"\r\n";
  const std::string letter = MakeFile("letter.txt");
  StartWith({});
  char system[MAX_PATH] = "";
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string library = std::string(system) + "\\shell32.dll";
  // Without a program OK asks for one and the dialog stays, Browse its default.
  Run(kProgramButton,
      {Script::In("New Program Icon", [](HWND d) { ClickControl(d, IDOK); }),
       Script::In(
           "New Program Icon",
           [](HWND d) {
             EXPECT_EQ(SendMessageA(d, DM_GETDEFID, 0, 0), MAKELRESULT(IDC_BROWSE, DC_HASDEFID));
             // The up arrow goes round each group of radio buttons.
             for (auto [first, last] : {std::pair{IDC_IGNORE_FILES, IDC_PASS_FILES},
                                        std::pair{IDC_NORMAL, IDC_MINIMIZE}})
               EXPECT_EQ(GetNextDlgGroupItem(d, GetDlgItem(d, first), TRUE), GetDlgItem(d, last));
             SetDlgItemTextA(d, IDC_DESCRIPTION, "Mark the file");
             ClickControl(d, IDC_BROWSE);
           }),
       Script::In("Select Program for Icon Button", [&](HWND d) { AnswerOpenDialog(d, batch); }),
       Script::In("New Program Icon",
                  [&](HWND d) {
                    EXPECT_EQ(Text(d, IDC_PATH), batch);
                    for (int id : {IDC_PASS_FILES, IDC_MULTIPLE_FILES, IDC_MINIMIZE,
                                   IDC_ICON_FRAMED, IDC_COLOR})
                      ClickControl(d, id);
                  }),
       Script::In("Color", [](HWND d) { AnswerColorDialog(d, kChosen); }),
       Script::In("New Program Icon", [](HWND d) { ClickControl(d, IDC_CHANGE_ICON); }),
       Script::In("Choose Icon for mark.bat", [](HWND d) { ClickControl(d, IDC_BROWSE); }),
       Script::In("Choose Icon for mark.bat", [&](HWND d) { AnswerOpenDialog(d, library); }),
       Script::In("Choose Icon for mark.bat",
                  [](HWND d) {
                    SendMessageA(d, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 128), 0);
                    SendMessageA(d, WM_HSCROLL, SB_LINERIGHT, 0);  // at the last already
                    ClickControl(d, IDOK);
                  }),
       Script::In("New Program Icon", [](HWND d) { ClickControl(d, IDOK); })});
  Run(kMenuButton,
      {Script::In("New Menu Icon ", [](HWND d) { PickListItem(d, IDC_MENU_LIST, "Sort by Type"); }),
       Script::In("New Menu Icon ", [](HWND d) { ClickControl(d, IDOK); })});
  geometry_.buttonCount = 2;
  // The change dialogs show the record and give it back however they end.
  OnButton('c', 0, {Script::In("Change Program Icon", [&](HWND d) {
             EXPECT_EQ(Text(d, IDC_PATH), batch);
             EXPECT_EQ(Text(d, IDC_DESCRIPTION), "Mark the file");
             EXPECT_EQ(IsDlgButtonChecked(d, IDC_MULTIPLE_FILES), BST_CHECKED);
             EXPECT_EQ(Text(d, IDC_PARAMETERS) + Text(d, IDC_START_FOLDER), "");
             SetDlgItemTextA(d, IDC_DESCRIPTION, "Marks the selected file");
             SetDlgItemTextA(d, IDC_PARAMETERS, "%F");
             SetDlgItemTextA(d, IDC_START_FOLDER, directory_.c_str());
             ClickControl(d, IDC_MAXIMIZE);
             ClickControl(d, IDOK);
           })});
  OnButton('c', 0, {Script::In("Change Program Icon", [&](HWND d) {
             EXPECT_EQ(Text(d, IDC_PARAMETERS), "%F");
             EXPECT_EQ(Text(d, IDC_START_FOLDER), directory_);
             SetDlgItemTextA(d, IDC_PARAMETERS, "%N changed");
             ClickControl(d, IDCANCEL);
           })});
  OnButton('c', 1, {Script::In("Change Menu Icon", [](HWND d) { ClickControl(d, IDCANCEL); })});
  Run(kBarOptions, {Script::In("IconBar Options", [](HWND d) { ClickControl(d, IDC_COLOR); }),
                    Script::In("Color", [](HWND d) { AnswerColorDialog(d, kChosen); }),
                    Script::In("IconBar Options", [](HWND d) { ClickControl(d, IDOK); })});
  // The batch file has no icons; the library has more than the chooser offers.
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                            "Please use the Browse button to select a file.", kNoIcons,
                            "There are too many icons in the file to display them all."}));
  for (int session = 0; session < 2; ++session) {
    SCOPED_TRACE(session == 0 ? "as built" : "after File Manager started anew");
    EXPECT_EQ(Background(), kChosen);
    ASSERT_TRUE(Select({"letter.txt"}));
    DeleteFileA((directory_ + "\\marker.txt").c_str());
    for (int button : {0, 1}) ClickButton(button);
    // The batch file writes the name it was given, once it has ended the line.
    const std::string marker = directory_ + "\\marker.txt";
    EXPECT_TRUE(PumpUntil([&] { return FileBytes(marker).find('\n') != std::string::npos; }));
    EXPECT_EQ(FileBytes(marker), letter + "\r\n");
    EXPECT_EQ(fmhost::CurrentSortOrder(), fmhost::SortOrder::kType);
    if (session == 0) {
      Unload();
      Start();
      catcher_ = std::make_unique<MessageBoxCatcher>(Module(), IDOK);
    }
  }
  // Delete Button really deletes: no record was left held.
  OnButton('d', 1, {});
  const POINT gone = geometry_.Centre(1);
  EXPECT_TRUE(PumpUntil([&] { return BarPicture(Bar()).At(gone.x, gone.y) == kChosen; }));
  Unload();
  const Keys expected = {{"Icon Name", library},
                         {"Icon Index", "128"},
                         {"Description", "Marks the selected file"},
                         {"Allow Multiple Files", "(none)"},
                         {"Display Mode", "3"},
                         {"Parameters", "%F"},
                         {"Start Folder", directory_},
                         {"Icon Frame", "0"},
                         {"Icon Background Color Green", "120"}};
  for (const auto& [key, value] : expected) EXPECT_EQ(SettingsValue("Icon0", key), value) << key;
  EXPECT_EQ(SettingsValue("Icon Bar", "Number of Icons"), "1");
}

std::string shellOpened;  // every call: file, parameters
HINSTANCE WINAPI RecordShellExecute(HWND, LPCSTR, LPCSTR file, LPCSTR parameters, LPCSTR, INT) {
  shellOpened += std::string(file ? file : "") + " " + (parameters ? parameters : "") + "|";
  return reinterpret_cast<HINSTANCE>(42);
}

TEST_F(DialogsInHostTest, HelpOpensTheGuideBesideTheDllAtTheDialogsSection) {
  // The DLL in a folder of its own, away from the program, a blank in its name.
  const std::string folder = directory_ + "\\dll folder";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileA((ProgramDirectory() + "\\qxibar.dll").c_str(),
                        (folder + "\\qxibar.dll").c_str(), FALSE));
  config_.extensions = {folder + "\\qxibar.dll"};
  StartWith({});
  const std::string guide = folder + "\\QXIBWT11.html";
  std::string url = "file:///";
  for (char c : guide + "#") url += c == '\\' ? "/" : c == ' ' ? "%20" : std::string(1, c);
  ASSERT_NE(PatchImport(Module(), "shell32.dll", "ShellExecuteA",
                        reinterpret_cast<void*>(&RecordShellExecute), nullptr),
            nullptr);
  // The last without the guide: a box tells where Help looked.
  std::ofstream(guide) << "<html></html>";
  const struct {
    UINT command;
    std::string caption, section;
  } cases[] = {{kBarOptions, "IconBar Options", "bar-options"},
               {kProgramButton, "New Program Icon", "the-button-dialogs"},
               {41, "Popup Options", "popup-options"},
               {kMenuButton, "New Menu Icon ", ""}};
  for (const auto& c : cases) {
    shellOpened.clear();
    if (c.section.empty()) DeleteFileA(guide.c_str());
    Run(c.command, {Script::In(c.caption, [](HWND d) {
          SendMessageA(d, WM_COMMAND, IDC_HELP_BUTTON, 0);
          ClickControl(d, IDCANCEL);
        })});
    EXPECT_EQ(shellOpened.find(url + c.section) != std::string::npos, !c.section.empty())
        << shellOpened;
  }
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{
                            "The user guide was not found. Help looked for it here:\n" + guide});
}

TEST_F(DialogsInHostTest, AboutShowsTheVersionReadOnlyAndClosesByOkEscapeOrCloseBox) {
  StartWith({});
  for (UINT close : {UINT(WM_COMMAND), UINT(WM_KEYDOWN), UINT(WM_SYSCOMMAND)}) {
    Run(45, {Script::In("About QX's Extension", [&](HWND d) {
          HWND field = GetDlgItem(d, IDC_ABOUT_VERSION);
          SendMessageA(field, WM_CHAR, '7', 0);  // read-only
          EXPECT_EQ(Text(d, IDC_ABOUT_VERSION), "1.1");
          if (close == WM_COMMAND) return ClickControl(d, IDOK);
          PostMessageA(close == WM_KEYDOWN ? field : d, close,
                       close == WM_KEYDOWN ? VK_ESCAPE : SC_CLOSE, 0);
        })});
  }
}

}  // namespace
}  // namespace barhost
