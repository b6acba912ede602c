// The list of File Manager's menu commands, filled from a real menu bar with
// the awkward cases in it and searched in the sorted list box's own order.
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

HMENU PullDown(const std::vector<std::pair<std::string, UINT>>& items) {
  HMENU menu = CreatePopupMenu();
  for (const auto& [text, id] : items)
    AppendMenuA(menu, id ? MF_STRING : MF_SEPARATOR, id, text.c_str());
  return menu;
}

using MenuListTest = BarWindowTest;

TEST_F(MenuListTest, ListsEveryCommandCleanedAndFindsItInAnyCase) {
  std::vector<std::pair<std::string, UINT>> order;
  for (UINT n = 0; n < 140; ++n)
    order.push_back({std::string(kStems[n % 14]) + " " + std::to_string(n / 14) + "...", 1000 + n});
  HMENU bar = CreateMenu();
  AppendMenuA(bar, MF_POPUP,
              UINT_PTR(PullDown({{"&Open\tEnter", 101},
                                 {"", 0},
                                 {"&Move...\tF7", 102},
                                 {"&Save && Exit", 104},
                                 {"Tom & &Jerry", 105}})),
              "&File");
  // A further menu stands for the rest of the menu that holds it.
  HMENU disk = PullDown({{"&Copy Disk...", 201}});
  AppendMenuA(disk, MF_POPUP,
              UINT_PTR(PullDown({{"&Connect...", 210}, {"", 0}, {"&Disconnect", 211}})),
              "&Network");
  AppendMenuA(disk, MF_STRING, 203, "&Format Disk...");
  AppendMenuA(bar, MF_POPUP, UINT_PTR(disk), "&Disk");
  AppendMenuA(bar, MF_POPUP, UINT_PTR(PullDown(order)), "&Order");
  AppendMenuA(bar, MF_STRING, 999, "&Window!");
  HWND frame = CreateWindowExA(0, "STATIC", "File Manager", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400,
                               nullptr, bar, nullptr, nullptr);
  extState.frameWindow = frame;
  HWND list = CreateWindowExA(0, "listbox", "", WS_POPUP | LBS_SORT | LBS_HASSTRINGS, 0, 0, 200,
                              300, frame, nullptr, nullptr, nullptr);
  MessageBoxCatcher catcher;
  FillMenuList(list);
  EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 147);
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
    EXPECT_EQ(FindMenuCommand(list, text.c_str()), command) << text;
  for (auto [text, command] : order) {
    text.resize(text.size() - 3);
    EXPECT_EQ(FindMenuCommand(list, text.c_str()), int(command)) << text;
    for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(FindMenuCommand(list, text.c_str()), int(command)) << text;
  }
  EXPECT_TRUE(catcher.boxes().empty()) << "a text not found is no failure";

  // Without a menu bar a box tells, and the list stays as it is.
  SetMenu(frame, nullptr);
  DestroyMenu(bar);
  FillMenuList(list);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].caption + ": " + catcher.boxes()[0].text,
            "QX IconBar: QXFILLLB :1 - GetMenu failed.");
  EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 147);
  DestroyWindow(frame);
  extState.frameWindow = nullptr;
}

}  // namespace
