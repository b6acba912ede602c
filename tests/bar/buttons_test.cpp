// Button records in the local heap: creation, the list walk, release, the
// lock discipline and the built-in icon names.
#include <gtest/gtest.h>

#include <cstring>
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
class FreeCounter {
 public:
  FreeCounter() {
    freedBlocks = &counts_;
    slot_ = PatchImport(GetModuleHandleA(nullptr), "kernel32.dll", "LocalFree",
                        reinterpret_cast<void*>(&CountingLocalFree), &realLocalFree);
  }
  ~FreeCounter() {
    if (slot_)
      PatchImport(GetModuleHandleA(nullptr), "kernel32.dll", "LocalFree", realLocalFree, nullptr);
    freedBlocks = nullptr;
  }
  bool watching() const { return slot_ != nullptr; }
  int times(HLOCAL block) const {
    auto found = counts_.find(block);
    return found == counts_.end() ? 0 : found->second;
  }
  size_t blocks() const { return counts_.size(); }

 private:
  std::map<HLOCAL, int> counts_;
  void** slot_ = nullptr;
};

// Call `index` (0 = the next one) of LocalAlloc fails.
struct AllocFailure : ImportFault {
  explicit AllocFailure(int index)
      : ImportFault(GetModuleHandleA(nullptr), "kernel32.dll", "LocalAlloc",
                    QX_FAULT_HOOK(LocalAlloc), index + 1, 0, ERROR_NOT_ENOUGH_MEMORY) {}
  bool watching() const { return patched(); }
};

HLOCAL HandleOf(ButtonRecord* record) { return LocalHandle(record); }

// Creates and leaves at rest, as the load and the dialogs do.
HLOCAL AddButton(const char* program, const char* icon = "", const char* description = "",
                 int isProgram = 1, int framed = 1) {
  ButtonRecord* after = nullptr;
  if (lastButton) after = static_cast<ButtonRecord*>(LocalLock(lastButton));
  HLOCAL afterHandle = lastButton;
  ButtonRecord* record = CreateButton(program, icon, description, isProgram, framed, after);
  if (afterHandle) LocalUnlock(afterHandle);
  if (!record) return nullptr;
  HLOCAL handle = HandleOf(record);
  LocalUnlock(handle);
  return handle;
}

void ExpectAtRest(HLOCAL handle) {
  EXPECT_EQ(LockCount(handle), 0u) << "record";
  ButtonRecord record = PeekRecord(handle);
  for (HLOCAL text :
       {record.programName.handle, record.iconName.handle, record.description.handle}) {
    if (text) {
      EXPECT_EQ(LockCount(text), 0u) << BlockText(text);
    }
  }
}

TEST_F(ButtonListTest, CopyToLocalBlockGivesALockedMovableZeroEndedCopy) {
  char* copy = CopyToLocalBlock("Sort by Name");
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy, "Sort by Name");
  HLOCAL block = LocalHandle(copy);
  ASSERT_NE(block, nullptr);
  EXPECT_NE(static_cast<void*>(block), static_cast<void*>(copy)) << "a movable block has a handle";
  EXPECT_EQ(LockCount(block), 1u);
  EXPECT_EQ(LocalSize(block), strlen("Sort by Name") + 1);
  EXPECT_EQ(LocalUnlock(block), FALSE);
  EXPECT_EQ(LockCount(block), 0u);
  EXPECT_EQ(LocalFree(block), nullptr);

  char* empty = CopyToLocalBlock("");
  ASSERT_NE(empty, nullptr);
  EXPECT_STREQ(empty, "");
  HLOCAL emptyBlock = LocalHandle(empty);
  LocalUnlock(emptyBlock);
  LocalFree(emptyBlock);
}

TEST_F(ButtonListTest, CopyToLocalBlockReportsAFailedAllocation) {
  MessageBoxCatcher catcher;
  AllocFailure failure(0);
  ASSERT_TRUE(failure.watching());
  EXPECT_EQ(CopyToLocalBlock("text"), nullptr);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text, "QXALLOST :1 - Insufficient memory, LocalAlloc failed.");
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
}

TEST_F(ButtonListTest, ProgramEndingInExeSharesItsBlockAsIconAndIsFreedOnce) {
  HLOCAL handle = AddButton("C:\\TOOLS\\EDIT.EXE");
  ASSERT_NE(handle, nullptr);
  ButtonRecord record = PeekRecord(handle);
  EXPECT_EQ(record.flags, uint32_t(BF_PROGRAM | BF_FRAMED | BF_ICON_FROM_PROGRAM));
  EXPECT_EQ(record.iconName.handle, record.programName.handle);
  EXPECT_EQ(BlockText(record.programName.handle), "C:\\TOOLS\\EDIT.EXE");
  EXPECT_EQ(record.description.handle, nullptr);
  EXPECT_EQ(record.menuCommand, 0);
  ExpectAtRest(handle);

  FreeCounter frees;
  ASSERT_TRUE(frees.watching());
  ForEachButton(DeleteEveryRecord);
  EXPECT_EQ(frees.times(record.programName.handle), 1);
  EXPECT_EQ(frees.times(handle), 1);
  EXPECT_EQ(frees.blocks(), 2u);
  EXPECT_EQ(GetFirstButton(), nullptr);
}

TEST_F(ButtonListTest, ProgramNotEndingInExeHasNoIconWithoutAName) {
  HLOCAL handle = AddButton("C:\\TOOLS\\BUILD.CMD", "", "Builds", 1, 0);
  ButtonRecord record = PeekRecord(handle);
  EXPECT_EQ(record.flags, uint32_t(BF_PROGRAM));
  EXPECT_EQ(record.iconName.handle, nullptr);
  EXPECT_EQ(BlockText(record.description.handle), "Builds");
  ExpectAtRest(handle);

  // ".exe" must end the text: in the middle it does not count.
  ButtonRecord other = PeekRecord(AddButton("notepad.exe readme.txt"));
  EXPECT_EQ(other.flags & (BF_ICON_FROM_PROGRAM | BF_ICON_RESOURCE), 0u);
  EXPECT_EQ(other.iconName.handle, nullptr);
  ButtonRecord lower = PeekRecord(AddButton("c:\\x\\Tool.Exe"));
  EXPECT_TRUE(lower.flags & BF_ICON_FROM_PROGRAM);
}

TEST_F(ButtonListTest, MenuButtonsTakeTheBuiltInIconOfTheirMenuText) {
  ButtonRecord del = PeekRecord(AddButton("Delete", "", "", 0, 1));
  EXPECT_EQ(BlockText(del.iconName.handle), "DEL?ETE");
  EXPECT_EQ(del.flags, uint32_t(BF_FRAMED | BF_ICON_RESOURCE));
  EXPECT_EQ(del.menuCommand, -1);
  EXPECT_NE(del.iconName.handle, del.programName.handle);
  EXPECT_EQ(BlockText(del.programName.handle), "Delete");

  ButtonRecord dir = PeekRecord(AddButton("Create Directory", "", "", 0, 0));
  EXPECT_EQ(BlockText(dir.iconName.handle), "CREATEDI");
  EXPECT_EQ(dir.flags, uint32_t(BF_ICON_RESOURCE));
  for (HLOCAL handle : ListHandles()) ExpectAtRest(handle);
}

TEST_F(ButtonListTest, AnIconNameWithoutADotNamesAResource) {
  ButtonRecord move = PeekRecord(AddButton("C:\\X.EXE", "MOVE"));
  EXPECT_EQ(move.flags, uint32_t(BF_PROGRAM | BF_FRAMED | BF_ICON_RESOURCE));
  EXPECT_EQ(BlockText(move.iconName.handle), "MOVE");
  EXPECT_NE(move.iconName.handle, move.programName.handle);
  ButtonRecord file = PeekRecord(AddButton("C:\\X.EXE", "MORICONS.DLL"));
  EXPECT_EQ(file.flags, uint32_t(BF_PROGRAM | BF_FRAMED));
  EXPECT_EQ(BlockText(file.iconName.handle), "MORICONS.DLL");
  ButtonRecord menu = PeekRecord(AddButton("Copy", "C:\\ICONS\\COPY.ICO", "", 0, 1));
  EXPECT_EQ(menu.flags, uint32_t(BF_FRAMED));
}

TEST_F(ButtonListTest, RecordsArePlacedAlongTheBarAndClippedToIt) {
  const int iconWidth = GetSystemMetrics(SM_CXICON);
  const int iconHeight = GetSystemMetrics(SM_CYICON);
  barSettings.barLength = firstIconLeft + 2 * iconWidth + iconSpacing + iconWidth / 2;
  barSettings.barHeight = iconTop + iconHeight - 5;
  HLOCAL first = AddButton("A.EXE");
  HLOCAL second = AddButton("B.EXE");
  HLOCAL third = AddButton("C.EXE");
  ButtonRecord one = PeekRecord(first), two = PeekRecord(second), three = PeekRecord(third);
  EXPECT_EQ(one.left, firstIconLeft);
  EXPECT_EQ(one.top, iconTop);
  EXPECT_EQ(one.right, firstIconLeft + iconWidth);
  EXPECT_EQ(one.bottom, barSettings.barHeight) << "the icon would run below the bar";
  EXPECT_EQ(two.left, one.right + iconSpacing);
  EXPECT_EQ(two.right, two.left + iconWidth);
  EXPECT_EQ(three.left, two.right + iconSpacing);
  EXPECT_EQ(three.right, barSettings.barLength);

  EXPECT_EQ(GetFirstButton(), first);
  EXPECT_EQ(reinterpret_cast<HLOCAL>(GetWindowLongPtrA(extState.barWindow, 0)), first);
  EXPECT_EQ(one.next, second);
  EXPECT_EQ(two.next, third);
  EXPECT_EQ(three.next, nullptr);
  EXPECT_EQ(lastButton, third);
}

TEST_F(ButtonListTest, CreateButtonLeavesTheNewRecordLockedAndItsTextsUnlocked) {
  ButtonRecord* record = CreateButton("Rename", "", "Renames a file", 0, 1, nullptr);
  ASSERT_NE(record, nullptr);
  HLOCAL handle = LocalHandle(record);
  EXPECT_EQ(LockCount(handle), 1u);
  for (HLOCAL text :
       {record->programName.handle, record->iconName.handle, record->description.handle}) {
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(LockCount(text), 0u);
  }
  EXPECT_EQ(BlockText(record->description.handle), "Renames a file");
  LocalUnlock(handle);
  ExpectAtRest(handle);
}

TEST_F(ButtonListTest, AFailedAllocationLeavesTheListAsItWas) {
  HLOCAL first = AddButton("A.EXE");
  {
    MessageBoxCatcher catcher;
    AllocFailure failure(0);  // the record itself
    ASSERT_TRUE(failure.watching());
    ButtonRecord* after = static_cast<ButtonRecord*>(LocalLock(first));
    EXPECT_EQ(CreateButton("B.EXE", "", "", 1, 1, after), nullptr);
    LocalUnlock(first);
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(catcher.boxes()[0].text, "QXALLOCI :1 - Insufficient memory, LocalAlloc failed.");
    EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
  }
  {
    // Record and program text made; the icon name's copy fails. What was
    // made goes again.
    MessageBoxCatcher catcher;
    FreeCounter frees;
    AllocFailure failure(2);
    ButtonRecord* after = static_cast<ButtonRecord*>(LocalLock(first));
    EXPECT_EQ(CreateButton("Copy", "", "Copies", 0, 1, after), nullptr);
    LocalUnlock(first);
    ASSERT_EQ(catcher.boxes().size(), 2u);
    EXPECT_EQ(catcher.boxes()[0].text, "QXALLOST :1 - Insufficient memory, LocalAlloc failed.");
    EXPECT_EQ(catcher.boxes()[1].text, "QXALLOCI :5 - Insufficient memory, LocalAlloc failed.");
    for (const CaughtBox& box : catcher.boxes()) EXPECT_EQ(box.caption, "QX IconBar");
    EXPECT_EQ(frees.blocks(), 2u) << "the record and its program text";
  }
  {
    MessageBoxCatcher catcher;
    AllocFailure failure(3);  // the description's copy
    ButtonRecord* after = static_cast<ButtonRecord*>(LocalLock(first));
    EXPECT_EQ(CreateButton("Move", "", "Moves", 0, 1, after), nullptr);
    LocalUnlock(first);
    ASSERT_EQ(catcher.boxes().size(), 2u);
    EXPECT_EQ(catcher.boxes()[0].text, "QXALLOST :1 - Insufficient memory, LocalAlloc failed.");
    EXPECT_EQ(catcher.boxes()[1].text, "QXALLOCI :6 - Insufficient memory, LocalAlloc failed.");
  }
  {
    MessageBoxCatcher catcher;
    AllocFailure failure(1);  // the program text: only the copy's own report
    EXPECT_EQ(CreateButton("C.EXE", "", "", 1, 1, nullptr), nullptr);
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(catcher.boxes()[0].text, "QXALLOST :1 - Insufficient memory, LocalAlloc failed.");
  }
  EXPECT_EQ(ListHandles(), std::vector<HLOCAL>{first});
  EXPECT_EQ(lastButton, first);
  EXPECT_EQ(PeekRecord(first).next, nullptr);
  ExpectAtRest(first);
}

// Five records for the walks; the callbacks pick records by their program text.
class WalkTest : public BarWindowTest {
 protected:
  void SetUp() override {
    BarWindowTest::SetUp();
    for (const char* name : {"ONE.EXE", "TWO.EXE", "THREE.EXE", "FOUR.EXE", "FIVE.EXE"})
      handles_.push_back(AddButton(name));
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (HLOCAL handle : ListHandles())
      names.push_back(BlockText(PeekRecord(handle).programName.handle));
    return names;
  }
  std::vector<HLOCAL> handles_;
};

std::string* visited = nullptr;
const char* target = nullptr;
UINT target_answer = 0;
UINT expectedLocks = 1;
UINT Pick(ButtonRecord* record) {
  auto* text = static_cast<const char*>(LocalLock(record->programName.handle));
  std::string name = text;
  LocalUnlock(record->programName.handle);
  if (visited) *visited += name + ";";
  EXPECT_EQ(LockCount(LocalHandle(record)), name == target ? expectedLocks : 1u)
      << "locked for the call";
  return name == target ? target_answer : WALK_GO_ON;
}

TEST_F(WalkTest, DeleteAndStopInTheMiddle) {
  std::string seen;
  visited = &seen;
  target = "THREE.EXE";
  target_answer = WALK_DELETE | WALK_STOP;
  ForEachButton(Pick);
  visited = nullptr;
  EXPECT_EQ(seen, "ONE.EXE;TWO.EXE;THREE.EXE;");
  EXPECT_EQ(Names(), (std::vector<std::string>{"ONE.EXE", "TWO.EXE", "FOUR.EXE", "FIVE.EXE"}));
  EXPECT_EQ(PeekRecord(handles_[1]).next, handles_[3]);
  EXPECT_EQ(GetFirstButton(), handles_[0]);
  EXPECT_EQ(lastButton, handles_[4]);
  for (HLOCAL handle : ListHandles()) ExpectAtRest(handle);
}

TEST_F(WalkTest, DeleteGoesOnWithTheSuccessor) {
  std::string seen;
  visited = &seen;
  target = "TWO.EXE";
  target_answer = WALK_DELETE;
  ForEachButton(Pick);
  visited = nullptr;
  EXPECT_EQ(seen, "ONE.EXE;TWO.EXE;THREE.EXE;FOUR.EXE;FIVE.EXE;");
  EXPECT_EQ(Names(), (std::vector<std::string>{"ONE.EXE", "THREE.EXE", "FOUR.EXE", "FIVE.EXE"}));
}

TEST_F(WalkTest, DeleteTheFirstAndTheLast) {
  target = "ONE.EXE";
  target_answer = WALK_DELETE | WALK_STOP;
  ForEachButton(Pick);
  EXPECT_EQ(GetFirstButton(), handles_[1]);
  target = "FIVE.EXE";
  ForEachButton(Pick);
  EXPECT_EQ(lastButton, handles_[4]) << "the walk leaves lastButton to its caller";
  // As the Delete Button command does: the predecessor becomes the last.
  lastButton = ListHandles().back();
  EXPECT_EQ(lastButton, handles_[3]);
  EXPECT_EQ(PeekRecord(lastButton).next, nullptr);
  EXPECT_EQ(Names(), (std::vector<std::string>{"TWO.EXE", "THREE.EXE", "FOUR.EXE"}));
  // Appending after the new last record still works.
  HLOCAL added = AddButton("SIX.EXE");
  EXPECT_EQ(PeekRecord(handles_[3]).next, added);
  EXPECT_EQ(Names(), (std::vector<std::string>{"TWO.EXE", "THREE.EXE", "FOUR.EXE", "SIX.EXE"}));
}

TEST_F(WalkTest, DeletingEveryRecordEmptiesTheList) {
  FreeCounter frees;
  ForEachButton(DeleteEveryRecord);
  EXPECT_EQ(GetFirstButton(), nullptr);
  EXPECT_EQ(GetWindowLongPtrA(extState.barWindow, 0), 0);
  for (HLOCAL handle : handles_) EXPECT_EQ(frees.times(handle), 1);
  EXPECT_EQ(frees.blocks(), 10u) << "five records, each with one shared text block";
  lastButton = nullptr;
  HLOCAL fresh = AddButton("NEW.EXE");
  EXPECT_EQ(GetFirstButton(), fresh);
  EXPECT_EQ(PeekRecord(fresh).left, firstIconLeft);
}

TEST_F(WalkTest, StopWithoutGoOnLeavesTheRecordLockedForTheCaller) {
  target = "FOUR.EXE";
  target_answer = WALK_STOP;
  ForEachButton(Pick);
  EXPECT_EQ(LockCount(handles_[3]), 1u) << "the hit test's lock";
  for (size_t i : {0u, 1u, 2u, 4u}) EXPECT_EQ(LockCount(handles_[i]), 0u) << i;
  LocalUnlock(handles_[3]);

  target_answer = WALK_STOP | WALK_GO_ON;  // past the point
  ForEachButton(Pick);
  for (HLOCAL handle : handles_) ExpectAtRest(handle);
}

TEST_F(WalkTest, ARecordLockedElsewhereIsUnlinkedButNotFreed) {
  // The hit test holds a lock on FOUR while the list releases it.
  auto* held = static_cast<ButtonRecord*>(LocalLock(handles_[3]));
  ASSERT_NE(held, nullptr);
  FreeCounter frees;
  target = "FOUR.EXE";
  target_answer = WALK_DELETE | WALK_STOP;
  expectedLocks = 2;
  ForEachButton(Pick);
  expectedLocks = 1;
  EXPECT_EQ(frees.times(handles_[3]), 0);
  EXPECT_EQ(LockCount(handles_[3]), 1u);
  EXPECT_EQ(Names(), (std::vector<std::string>{"ONE.EXE", "TWO.EXE", "THREE.EXE", "FIVE.EXE"}));
  LocalUnlock(handles_[3]);
  LocalFree(handles_[3]);
}

TEST_F(WalkTest, AnEmptyListIsNotWalked) {
  ForEachButton(DeleteEveryRecord);
  std::string seen;
  visited = &seen;
  target = "";
  ForEachButton(Pick);
  visited = nullptr;
  EXPECT_EQ(seen, "");
}

TEST_F(WalkTest, AnUnlockableRecordEndsTheWalkWithAReport) {
  // A record whose block has been discarded cannot be locked.
  ButtonRecord* second = static_cast<ButtonRecord*>(LocalLock(handles_[1]));
  HLOCAL savedNext = second->next;
  HLOCAL discardable = LocalAlloc(LMEM_MOVEABLE | LMEM_DISCARDABLE, 16);
  ASSERT_NE(discardable, nullptr);
  HLOCAL discarded = LocalReAlloc(discardable, 0, LMEM_MOVEABLE);
  ASSERT_NE(discarded, nullptr);
  if (LocalLock(discarded)) GTEST_SKIP() << "this heap does not discard blocks";
  second->next = discarded;
  LocalUnlock(handles_[1]);

  MessageBoxCatcher catcher;
  std::string seen;
  visited = &seen;
  target = "";
  ForEachButton(Pick);
  visited = nullptr;
  EXPECT_EQ(seen, "ONE.EXE;TWO.EXE;");
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text, "QXLOOPOI :1 - LocalLock failed.");
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");

  second = static_cast<ButtonRecord*>(LocalLock(handles_[1]));
  second->next = savedNext;
  LocalUnlock(handles_[1]);
  LocalFree(discarded);
  for (HLOCAL handle : handles_) ExpectAtRest(handle);
}

TEST_F(ButtonListTest, UnlockButtonTextsAndFreeButtonTexts) {
  ButtonRecord record{};
  record.programName.text = CopyToLocalBlock("C:\\A.EXE");
  record.description.text = CopyToLocalBlock("about A");
  record.iconName.text = record.programName.text;
  record.flags = BF_PROGRAM | BF_ICON_FROM_PROGRAM;
  UnlockButtonTexts(&record);
  EXPECT_EQ(record.iconName.handle, record.programName.handle);
  EXPECT_EQ(LockCount(record.programName.handle), 0u);
  EXPECT_EQ(LockCount(record.description.handle), 0u);
  EXPECT_EQ(BlockText(record.programName.handle), "C:\\A.EXE");

  FreeCounter frees;
  HLOCAL program = record.programName.handle, description = record.description.handle;
  FreeButtonTexts(&record);
  EXPECT_EQ(frees.times(program), 1);
  EXPECT_EQ(frees.times(description), 1);
  EXPECT_EQ(record.programName.handle, nullptr);
  EXPECT_EQ(record.iconName.handle, nullptr);
  EXPECT_EQ(record.description.handle, nullptr);
  FreeButtonTexts(&record);  // nothing left to free
  EXPECT_EQ(frees.blocks(), 2u);
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
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
  EXPECT_EQ(record.programName.handle, block);
  LocalUnlock(block);
  FreeButtonTexts(&record);
}

TEST_F(ButtonListTest, DestroyButtonIconClearsTheIcon) {
  ButtonRecord record{};
  record.icon = CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32512)));
  ASSERT_NE(record.icon, nullptr);
  DestroyButtonIcon(&record);
  EXPECT_EQ(record.icon, nullptr);
  DestroyButtonIcon(&record);
  EXPECT_EQ(record.icon, nullptr);
}

std::string IconNameOf(const char* text) {
  char buffer[kTextBufferSize];
  lstrcpynA(buffer, text, sizeof buffer);
  MakeIconResourceName(buffer);
  return buffer;
}

TEST(MakeIconResourceName, TheThirteenCommands) {
  EXPECT_EQ(IconNameOf("Associate"), "ASSOCIAT");
  EXPECT_EQ(IconNameOf("By File Type"), "BYFILETY");
  EXPECT_EQ(IconNameOf("Copy"), "COPY");
  EXPECT_EQ(IconNameOf("Create Directory"), "CREATEDI");
  EXPECT_EQ(IconNameOf("Delete"), "DEL?ETE");
  EXPECT_EQ(IconNameOf("Move"), "MOVE");
  EXPECT_EQ(IconNameOf("Rename"), "RENAME");
  EXPECT_EQ(IconNameOf("Run"), "RUN");
  EXPECT_EQ(IconNameOf("Search"), "SEARCH");
  EXPECT_EQ(IconNameOf("Sort by Date"), "SORTBYDA");
  EXPECT_EQ(IconNameOf("Sort by Name"), "SORTBYNA");
  EXPECT_EQ(IconNameOf("Sort by Size"), "SORTBYSI");
  EXPECT_EQ(IconNameOf("Sort by Type"), "SORTBYTY");
}

TEST(MakeIconResourceName, OddInput) {
  EXPECT_EQ(IconNameOf(""), "");
  EXPECT_EQ(IconNameOf("     "), "");
  EXPECT_EQ(IconNameOf("delete"), "DEL?ETE");
  EXPECT_EQ(IconNameOf(" De lete "), "DEL?ETE");
  EXPECT_EQ(IconNameOf("Deleted"), "DELETED");
  EXPECT_EQ(IconNameOf("&Delete..."), "&DELETE.");
  EXPECT_EQ(IconNameOf("ABCDEFGH"), "ABCDEFGH");
  EXPECT_EQ(IconNameOf("ABCDEFGHI"), "ABCDEFGH");
  EXPECT_EQ(IconNameOf("a b c d e f g h i j k"), "ABCDEFGH");
  EXPECT_EQ(IconNameOf("\tTab"), "\tTAB");
  std::string high = IconNameOf("\xe9t\xe9 \xff");
  EXPECT_EQ(high.size(), 4u);
  EXPECT_EQ(high[1], 'T');
  std::string huge(5000, 'x');
  EXPECT_EQ(IconNameOf(huge.c_str()), "XXXXXXXX");
  // Nine characters are enough room, "DEL?ETE" included.
  char nine[9] = "delete";
  MakeIconResourceName(nine);
  EXPECT_STREQ(nine, "DEL?ETE");
}

}  // namespace
