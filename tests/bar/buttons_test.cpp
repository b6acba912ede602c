// Button records in the local heap; the walk runs under the bar window's tests.
#include <gtest/gtest.h>

#include <map>

#include "bar/bar_test_window.h"
#include "support/msgbox_catcher.h"

namespace {

using ButtonListTest = BarWindowTest;

std::map<HLOCAL, int> freed;  // LocalFree calls per block while a FreeCounter lives
void* realLocalFree = nullptr;
HLOCAL WINAPI CountingLocalFree(HLOCAL block) {
  ++freed[block];
  return reinterpret_cast<HLOCAL(WINAPI*)(HLOCAL)>(realLocalFree)(block);
}
struct FreeCounter {
  FreeCounter() {
    freed.clear();
    slot = PatchImport(GetModuleHandleA(nullptr), "kernel32.dll", "LocalFree",
                       reinterpret_cast<void*>(&CountingLocalFree), &realLocalFree);
  }
  ~FreeCounter() {
    if (slot)
      PatchImport(GetModuleHandleA(nullptr), "kernel32.dll", "LocalFree", realLocalFree, nullptr);
  }
  void** slot = nullptr;
};

// Creates after the last record and leaves it at rest, as the load does.
HLOCAL AddButton(const char* program, const char* icon = "", int isProgram = 1, int framed = 1) {
  HLOCAL afterHandle = lastButton;
  auto* after = static_cast<ButtonRecord*>(afterHandle ? LocalLock(afterHandle) : nullptr);
  ButtonRecord* record = CreateButton(program, icon, "Tip", isProgram, framed, after);
  if (afterHandle) LocalUnlock(afterHandle);
  EXPECT_EQ(LockCount(LocalHandle(record)), 1u) << "the new record is handed out locked";
  LocalUnlock(LocalHandle(record));
  return LocalHandle(record);
}

// Icon names: "=" the program's own block. Menu buttons take the
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
      {"C:\\TOOLS\\BUILD.CMD", "", 1, 0, BF_PROGRAM, "<none>"},
      {"notepad.exe readme.txt", "", 1, 0, BF_PROGRAM, "<none>"},
      {"C:\\X.EXE", "MOVE", 1, 1, BF_PROGRAM | BF_FRAMED | BF_ICON_RESOURCE, "MOVE"},
      {"C:\\X.EXE", "MORICONS.DLL", 1, 1, BF_PROGRAM | BF_FRAMED, "MORICONS.DLL"},
      {"Copy", "C:\\ICONS\\COPY.ICO", 0, 1, BF_FRAMED, "C:\\ICONS\\COPY.ICO"},
      {" de lete ", "", 0, 1, BF_FRAMED | BF_ICON_RESOURCE, "DEL?ETE"},
      {"Deleted", "", 0, 0, BF_ICON_RESOURCE, "DELETED"},
      {"Create Directory", "", 0, 0, BF_ICON_RESOURCE, "CREATEDI"},
  };
  std::map<HLOCAL, int> blocks;  // each to be freed once
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    HLOCAL handle = AddButton(c.program, c.icon, c.isProgram, c.framed);
    ASSERT_NE(handle, nullptr);
    ButtonRecord r = PeekRecord(handle);
    for (HLOCAL text : {r.programName.handle, r.iconName.handle, r.description.handle})
      EXPECT_EQ(text ? LockCount(text) : 0u, 0u) << "at rest";
    EXPECT_EQ(r.flags, c.flags);
    EXPECT_EQ(r.menuCommand, c.isProgram ? 0 : -1);
    EXPECT_EQ(BlockText(r.programName.handle), c.program);
    EXPECT_EQ(BlockText(r.description.handle), "Tip");
    EXPECT_EQ(r.iconName.handle == r.programName.handle ? "=" : BlockText(r.iconName.handle),
              c.iconText);
    for (HLOCAL block : {handle, r.programName.handle, r.iconName.handle, r.description.handle})
      if (block) blocks[block] = 1;
  }
  // Deleting every record frees each block once, a shared one too, but leaves
  // a record the hit test still holds to its holder.
  const HLOCAL held = GetFirstButton();
  LocalLock(held);
  blocks.erase(held);
  FreeCounter frees;
  ForEachButton(DeleteEveryRecord);
  EXPECT_EQ(GetFirstButton(), nullptr);
  EXPECT_EQ(freed, blocks);
  EXPECT_EQ(LockCount(held), 1u);
  LocalUnlock(held);
  LocalFree(held);
}

// The LocalAlloc that fails (record, program, icon, description) is told and
// what was made goes again; a text locked elsewhere is told at its unlock.
TEST_F(ButtonListTest, FailuresAreToldAndLeaveTheListAsItWas) {
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
    std::string told, expected;
    for (const auto& box : catcher.boxes()) told += box.caption + ": " + box.text + "\n";
    for (std::string tag : c.tags)
      expected += "QX IconBar: " + tag + " - Insufficient memory, LocalAlloc failed.\n";
    EXPECT_EQ(told, expected) << c.failing;
    EXPECT_EQ(freed.size(), c.freed) << c.failing;
  }
  EXPECT_EQ(ListHandles(), std::vector<HLOCAL>{first});
  EXPECT_EQ(lastButton, first);
  EXPECT_EQ(LockCount(first), 0u);

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
