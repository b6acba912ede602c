// Button records in the local heap: what a record makes of its texts, a failed
// allocation, and the lock discipline. The walk is driven through the bar
// window's hit test, Delete Button and moves in bar_window_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "bar/bar_test_window.h"
#include "support/msgbox_catcher.h"

namespace {

using ButtonListTest = BarWindowTest;

// Counts LocalFree calls per block while it lives.
std::map<HLOCAL, int>* freedBlocks = nullptr;
void* realLocalFree = nullptr;
HLOCAL WINAPI CountingLocalFree(HLOCAL block) {
  if (freedBlocks) ++(*freedBlocks)[block];
  return reinterpret_cast<HLOCAL(WINAPI*)(HLOCAL)>(realLocalFree)(block);
}
struct FreeCounter {
  FreeCounter() {
    freedBlocks = &counts;
    slot = PatchImport(GetModuleHandleA(nullptr), "kernel32.dll", "LocalFree",
                       reinterpret_cast<void*>(&CountingLocalFree), &realLocalFree);
  }
  ~FreeCounter() {
    if (slot)
      PatchImport(GetModuleHandleA(nullptr), "kernel32.dll", "LocalFree", realLocalFree, nullptr);
    freedBlocks = nullptr;
  }
  int times(HLOCAL block) const { return counts.count(block) ? counts.at(block) : 0; }
  std::map<HLOCAL, int> counts;
  void** slot = nullptr;
};

// Creates after the last record and leaves it at rest, as the load does.
HLOCAL AddButton(const char* program, const char* icon = "", const char* description = "",
                 int isProgram = 1, int framed = 1) {
  HLOCAL afterHandle = lastButton;
  auto* after = static_cast<ButtonRecord*>(afterHandle ? LocalLock(afterHandle) : nullptr);
  ButtonRecord* record = CreateButton(program, icon, description, isProgram, framed, after);
  if (afterHandle) LocalUnlock(afterHandle);
  if (!record) return nullptr;
  EXPECT_EQ(LockCount(LocalHandle(record)), 1u) << "the new record is handed out locked";
  LocalUnlock(LocalHandle(record));
  return LocalHandle(record);
}

// Icon names: "=" the program's own block, "" none. Menu buttons take the
// built-in icon of their text: capitals, no blanks, eight characters at most.
TEST_F(ButtonListTest, WhatARecordMakesOfItsTexts) {
  struct Case {
    const char *program, *icon;
    int isProgram, framed;
    uint32_t flags;
    const char* iconText;
  } cases[] = {
      {"C:\\TOOLS\\EDIT.EXE", "", 1, 1, BF_PROGRAM | BF_FRAMED | BF_ICON_FROM_PROGRAM, "="},
      {"c:\\x\\Tool.Exe", "", 1, 0, BF_PROGRAM | BF_ICON_FROM_PROGRAM, "="},
      {"C:\\TOOLS\\BUILD.CMD", "", 1, 0, BF_PROGRAM, ""},
      {"notepad.exe readme.txt", "", 1, 0, BF_PROGRAM, ""},
      {"C:\\X.EXE", "MOVE", 1, 1, BF_PROGRAM | BF_FRAMED | BF_ICON_RESOURCE, "MOVE"},
      {"C:\\X.EXE", "MORICONS.DLL", 1, 1, BF_PROGRAM | BF_FRAMED, "MORICONS.DLL"},
      {"Copy", "C:\\ICONS\\COPY.ICO", 0, 1, BF_FRAMED, "C:\\ICONS\\COPY.ICO"},
      {"Delete", "", 0, 1, BF_FRAMED | BF_ICON_RESOURCE, "DEL?ETE"},
      {" de lete ", "", 0, 0, BF_ICON_RESOURCE, "DEL?ETE"},
      {"Deleted", "", 0, 0, BF_ICON_RESOURCE, "DELETED"},
      {"Create Directory", "", 0, 0, BF_ICON_RESOURCE, "CREATEDI"},
      {"Sort by Name", "", 0, 0, BF_ICON_RESOURCE, "SORTBYNA"},
      {"ABCDEFGH", "", 0, 0, BF_ICON_RESOURCE, "ABCDEFGH"},
  };
  std::vector<HLOCAL> blocks;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    HLOCAL handle = AddButton(c.program, c.icon, "Tip", c.isProgram, c.framed);
    ASSERT_NE(handle, nullptr);
    ButtonRecord r = PeekRecord(handle);
    for (HLOCAL text : {r.programName.handle, r.iconName.handle, r.description.handle})
      EXPECT_EQ(text ? LockCount(text) : 0u, 0u) << "at rest";
    EXPECT_EQ(r.flags, c.flags);
    EXPECT_EQ(r.menuCommand, c.isProgram ? 0 : -1);
    EXPECT_EQ(BlockText(r.programName.handle), c.program);
    EXPECT_EQ(BlockText(r.description.handle), "Tip");
    if (std::string(c.iconText) == "=")
      EXPECT_EQ(r.iconName.handle, r.programName.handle);
    else if (*c.iconText)
      EXPECT_EQ(BlockText(r.iconName.handle), c.iconText);
    else
      EXPECT_EQ(r.iconName.handle, nullptr);
    for (HLOCAL block : {handle, r.programName.handle, r.iconName.handle, r.description.handle})
      if (block && std::find(blocks.begin(), blocks.end(), block) == blocks.end())
        blocks.push_back(block);
  }
  // Deleting every record frees a block shared by program and icon once, like
  // every other, but leaves a record still locked elsewhere (by the hit test)
  // to its holder.
  LocalLock(blocks[0]);
  FreeCounter frees;
  ASSERT_NE(frees.slot, nullptr);
  ForEachButton(DeleteEveryRecord);
  EXPECT_EQ(GetFirstButton(), nullptr);
  EXPECT_EQ(frees.counts.size(), blocks.size() - 1);
  for (HLOCAL block : blocks) EXPECT_EQ(frees.times(block), block == blocks[0] ? 0 : 1);
  EXPECT_EQ(LockCount(blocks[0]), 1u);
  LocalUnlock(blocks[0]);
  LocalFree(blocks[0]);
}

// The LocalAlloc call that fails (0 the record, 1 the program text, 2 the icon
// name, 3 the description): each is told, what was made goes again.
TEST_F(ButtonListTest, AFailedAllocationIsToldAndLeavesTheListAsItWas) {
  HLOCAL first = AddButton("A.EXE");
  const struct {
    int failing;
    const char* program;
    std::vector<const char*> tags;
    size_t freed;
  } cases[] = {{0, "B.EXE", {"QXALLOCI :1"}, 0},
               {1, "C.EXE", {"QXALLOST :1"}, 1},
               {2, "Copy", {"QXALLOST :1", "QXALLOCI :5"}, 2},
               {3, "Move", {"QXALLOST :1", "QXALLOCI :6"}, 3}};
  for (const auto& c : cases) {
    MessageBoxCatcher catcher;
    FreeCounter frees;
    ImportFault failure(GetModuleHandleA(nullptr), "kernel32.dll", "LocalAlloc",
                        QX_FAULT_HOOK(LocalAlloc), c.failing + 1, 0, ERROR_NOT_ENOUGH_MEMORY);
    ASSERT_TRUE(failure.patched());
    auto* after = static_cast<ButtonRecord*>(LocalLock(first));
    EXPECT_EQ(CreateButton(c.program, "", "Tip", c.failing < 2, 1, after), nullptr);
    LocalUnlock(first);
    ASSERT_EQ(catcher.boxes().size(), c.tags.size()) << c.failing;
    for (size_t i = 0; i < c.tags.size(); ++i) {
      EXPECT_EQ(catcher.boxes()[i].text,
                std::string(c.tags[i]) + " - Insufficient memory, LocalAlloc failed.");
      EXPECT_EQ(catcher.boxes()[i].caption, "QX IconBar");
    }
    EXPECT_EQ(frees.counts.size(), c.freed) << c.failing;
  }
  EXPECT_EQ(ListHandles(), std::vector<HLOCAL>{first});
  EXPECT_EQ(lastButton, first);
  EXPECT_EQ(PeekRecord(first).next, nullptr);
  EXPECT_EQ(LockCount(first), 0u);
}

TEST_F(ButtonListTest, UnlockButtonTextsReportsATextLockedElsewhere) {
  ButtonRecord record{};
  record.programName.text = CopyToLocalBlock("Search");
  HLOCAL block = LocalHandle(record.programName.text);
  LocalLock(block);  // a second holder
  MessageBoxCatcher catcher;
  UnlockButtonTexts(&record);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text, "QXUNLST :2 - LocalUnlock failed.");
  EXPECT_EQ(record.programName.handle, block);
  LocalUnlock(block);
  FreeButtonTexts(&record);
}

}  // namespace
