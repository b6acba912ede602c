// The list of File Manager's menu commands, filled from a real menu bar with
// the awkward cases in it, searched in the sorted list box's own order, and
// used to resolve the menu buttons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bar/bar_test_window.h"
#include "dialogs/menu_list.h"
#include "support/msgbox_catcher.h"

namespace {

// Texts whose case-blind order differs from a plain byte order.
const char* const kStems[] = {"Co-op", "Coop",   "Cob",    "co_z",     "Caf\xe9",
                              "Cafe",  "O'Neil", "Oneida", "Item 10",  "Item 9",
                              "item2", "ZETA",   "-dash",  "\xc9t\xe9"};

HMENU PullDown(const std::vector<std::pair<const char*, UINT>>& items) {
  HMENU menu = CreatePopupMenu();
  for (const auto& [text, id] : items) AppendMenuA(menu, text ? MF_STRING : MF_SEPARATOR, id, text);
  return menu;
}

class MenuListTest : public BarWindowTest {
 protected:
  void SetUp() override {
    BarWindowTest::SetUp();
    HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_POPUP,
                UINT_PTR(PullDown({{"&Open\tEnter", 101},
                                   {nullptr, 0},
                                   {"&Move...\tF7", 102},
                                   {"&Save && Exit", 104},
                                   {"Tom & &Jerry", 105}})),
                "&File");
    // A further menu stands for the rest of the menu that holds it.
    HMENU disk = PullDown({{"&Copy Disk...", 201}});
    AppendMenuA(disk, MF_POPUP,
                UINT_PTR(PullDown({{"&Connect...", 210}, {nullptr, 0}, {"&Disconnect", 211}})),
                "&Network");
    AppendMenuA(disk, MF_STRING, 203, "&Format Disk...");
    AppendMenuA(bar, MF_POPUP, UINT_PTR(disk), "&Disk");
    HMENU order = CreatePopupMenu();
    for (UINT n = 0; n < 140; ++n) {
      const std::string text = std::string(kStems[n % 14]) + " " + std::to_string(n / 14) + "...";
      AppendMenuA(order, MF_STRING, 1000 + n, text.c_str());
    }
    AppendMenuA(bar, MF_POPUP, UINT_PTR(order), "&Order");
    AppendMenuA(bar, MF_STRING, 999, "&Window!");
    frame_ = CreateWindowExA(0, "STATIC", "File Manager", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400,
                             nullptr, bar, nullptr, nullptr);
    ASSERT_NE(frame_, nullptr);
    extState.frameWindow = frame_;
    list_ = CreateWindowExA(0, "listbox", "", WS_POPUP | LBS_SORT | LBS_HASSTRINGS, 0, 0, 200, 300,
                            frame_, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    DestroyWindow(frame_);  // its list and menu bar with it
    extState.frameWindow = nullptr;
    BarWindowTest::TearDown();
  }
  HLOCAL AddRecord(const char* text, int isProgram) {
    HLOCAL afterHandle = lastButton;
    auto* after = afterHandle ? static_cast<ButtonRecord*>(LocalLock(afterHandle)) : nullptr;
    ButtonRecord* record = CreateButton(text, "", "", isProgram, 1, after);
    if (afterHandle) LocalUnlock(afterHandle);
    HLOCAL handle = record ? LocalHandle(record) : nullptr;
    if (handle) LocalUnlock(handle);
    return handle;
  }
  HWND frame_ = nullptr, list_ = nullptr;
};

TEST_F(MenuListTest, ListsEveryCommandCleanedAndFindsItInAnyCase) {
  MessageBoxCatcher catcher;
  EXPECT_EQ(FindMenuCommand(list_, "Open"), -1);  // still empty
  FillMenuList(list_);
  EXPECT_EQ(SendMessageA(list_, LB_GETCOUNT, 0, 0), 147);
  const std::vector<std::pair<std::string, int>> lookups = {
      {"Open", 101},
      {"OPEN", 101},
      {"move", 102},
      {"Save && Exit", 104},
      {"Tom  &Jerry", 105},
      {"Copy Disk", 201},
      {"connect", 210},
      {"Disconnect", 211},
      // Not listed: the further menu, what follows it, a plain item on the bar, raw texts.
      {"Network", -1},
      {"Format Disk", -1},
      {"Window!", -1},
      {"Move...", -1},
      {"&Move", -1},
      {"Mov", -1},
      {"Moves", -1},
      {"", -1},
      {"Save & Exit", -1}};
  for (const auto& [text, command] : lookups)
    EXPECT_EQ(FindMenuCommand(list_, text.c_str()), command) << text;
  for (int n = 0; n < 140; ++n) {
    std::string text = std::string(kStems[n % 14]) + " " + std::to_string(n / 14);
    EXPECT_EQ(FindMenuCommand(list_, text.c_str()), 1000 + n) << text;
    for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(FindMenuCommand(list_, text.c_str()), 1000 + n) << text;
  }
  EXPECT_TRUE(catcher.boxes().empty()) << "a text not found is no failure";
}

// Menu buttons get their commands; program buttons keep theirs; a text held
// locked elsewhere ends the walk; without a menu bar a box tells and nothing
// changes. The hidden list does not outlive the walk.
TEST_F(MenuListTest, ResolveSetsTheMenuButtonsCommands) {
  for (bool menuBar : {true, false}) {
    ForEachButton(DeleteEveryRecord);
    lastButton = nullptr;
    HLOCAL program = AddRecord("C:\\TOOLS\\Move.EXE", 1);
    HLOCAL copyDisk = AddRecord("copy disk", 0), unknown = AddRecord("Format Disk", 0);
    HLOCAL held = AddRecord("Open", 0), after = AddRecord("Move", 0);
    ASSERT_TRUE(program && copyDisk && unknown && held && after);
    static_cast<ButtonRecord*>(LocalLock(program))->menuCommand = 77;
    LocalUnlock(program);
    HLOCAL heldText = PeekRecord(held).programName.handle;
    ASSERT_NE(LocalLock(heldText), nullptr);
    if (!menuBar) {
      HMENU old = GetMenu(frame_);
      SetMenu(frame_, nullptr);
      DestroyMenu(old);
    }

    MessageBoxCatcher catcher;
    ResolveMenuCommands();
    LocalUnlock(heldText);
    const std::vector<int> expected =
        menuBar ? std::vector<int>{77, 201, -1, 101, -1} : std::vector<int>{77, -1, -1, -1, -1};
    std::vector<int> commands;
    for (HLOCAL handle : {program, copyDisk, unknown, held, after}) {
      commands.push_back(PeekRecord(handle).menuCommand);
      EXPECT_EQ(LockCount(handle), 0u);
      EXPECT_EQ(LockCount(PeekRecord(handle).programName.handle), 0u);
    }
    EXPECT_EQ(commands, expected);
    std::vector<std::string> boxes;
    for (const CaughtBox& box : catcher.boxes()) boxes.push_back(box.caption + ": " + box.text);
    EXPECT_EQ(boxes, menuBar
                         ? std::vector<std::string>{}
                         : std::vector<std::string>{"QX IconBar: QXFILLLB :1 - GetMenu failed."});
    int lists = 0;
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "ListBox", nullptr)) != nullptr;)
      lists += GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId();
    EXPECT_EQ(lists, 1) << "only the test's own list";
  }
}

}  // namespace
