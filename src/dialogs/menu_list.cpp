#include "dialogs/menu_list.h"

#include <cstring>
#include <vector>

#include "bar/buttons.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"

namespace {

// The hidden list that ResolveMenuCommands' walk looks the texts up in.
HWND resolveList = nullptr;

// A menu text as the list shows it: no "..." and what follows, no shortcut
// after a tab, and without the first '&' (the mnemonic marker).
void CleanMenuText(char* text) {
  if (char* dot = strchr(text, '.')) *dot = '\0';
  if (char* tab = strchr(text, '\t')) *tab = '\0';
  if (char* ampersand = strchr(text, '&')) memmove(ampersand, ampersand + 1, strlen(ampersand));
}

// Compares the way the list box sorts its items (wide texts in its own
// locale, case ignored), so that the search walks the order the list really
// has; a plain byte comparison disagrees with it on hyphens and accents.
int CompareLikeList(LCID locale, const char* itemText, const char* text) {
  wchar_t wideItem[kTextBufferSize];
  wchar_t wideText[kTextBufferSize];
  if (MultiByteToWideChar(CP_ACP, 0, itemText, -1, wideItem, kTextBufferSize) == 0 ||
      MultiByteToWideChar(CP_ACP, 0, text, -1, wideText, kTextBufferSize) == 0)
    return lstrcmpiA(itemText, text);
  int result = CompareStringW(locale, NORM_IGNORECASE, wideItem, -1, wideText, -1);
  if (result == 0) return lstrcmpiA(itemText, text);
  return result - CSTR_EQUAL;
}

// Answers "stop" together with "go on" so that the walk gives its lock on the
// record back even when it ends here.
UINT ResolveOneButton(ButtonRecord* record) {
  if ((record->flags & BF_PROGRAM) || !record->programName.handle) return WALK_GO_ON;
  auto* text = static_cast<char*>(LocalLock(record->programName.handle));
  if (!text) {
    ReportFailure(IDS_TAG_QXSETMEN, IDS_OP_LOCALLOCK, 3);
    return WALK_STOP | WALK_GO_ON;
  }
  record->menuCommand = FindMenuCommand(resolveList, text);
  HLOCAL block = LocalHandle(text);
  if (!block) {
    ReportFailure(IDS_TAG_QXSETMEN, IDS_OP_LOCALHANDLE, 4);
    // The text must come to rest all the same, or the unload cannot free it.
    LocalUnlock(record->programName.handle);
    return WALK_STOP | WALK_GO_ON;
  }
  // A text that someone else holds locked as well: leave the rest alone.
  if (LocalUnlock(block)) return WALK_STOP | WALK_GO_ON;
  return WALK_GO_ON;
}

}  // namespace

void FillMenuList(HWND list) {
  HMENU menuBar = GetMenu(extState.frameWindow);
  if (!menuBar) {
    ReportFailure(IDS_TAG_QXFILLLB, IDS_OP_GETMENU, 1);
    return;
  }
  int count = GetMenuItemCount(menuBar);
  if (count == -1) {
    ReportFailure(IDS_TAG_QXFILLLB, IDS_OP_GETMENUITEMCOUNT, 2);
    return;
  }
  for (int position = 0; position < count; ++position) AddMenuItems(menuBar, position, list);
}

void AddMenuItems(HMENU menu, int position, HWND list) {
  HMENU pullDown = GetSubMenu(menu, position);
  if (!pullDown) return;
  int count = GetMenuItemCount(pullDown);
  if (count == -1) {
    ReportFailure(IDS_TAG_QXFILLLB, IDS_OP_GETMENUITEMCOUNT, 3);
    return;
  }
  for (int item = 0; item < count; ++item) {
    UINT command = GetMenuItemID(pullDown, item);
    if (command == static_cast<UINT>(-1)) {
      // A further menu stands for the rest of the menu that holds it.
      AddMenuItems(pullDown, item, list);
      return;
    }
    if (command == 0) continue;
    char text[kTextBufferSize];
    if (GetMenuStringA(pullDown, item, text, kTextBufferSize, MF_BYPOSITION) == 0) {
      ReportFailure(IDS_TAG_QXFILLLB, IDS_OP_GETMENUSTRING, 4);
      return;
    }
    CleanMenuText(text);
    LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (index == LB_ERR) {
      ReportFailure(IDS_TAG_QXFILLLB, IDS_OP_LB_ADDSTRING, 5);
      return;
    }
    if (index == LB_ERRSPACE) {
      ReportFailure(IDS_TAG_QXFILLLB, IDS_OP_GLOBALALLOC, 6);
      return;
    }
    if (SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index), command) == LB_ERR) {
      ReportFailure(IDS_TAG_QXFILLLB, IDS_OP_LB_SETITEMDATA, 7);
      return;
    }
  }
}

int FindMenuCommand(HWND list, const char* text) {
  LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  if (count == LB_ERR) {
    ReportFailure(IDS_TAG_QXGETMEN, IDS_OP_LB_GETCOUNT, 1);
    return -1;
  }
  LCID locale = static_cast<LCID>(SendMessageA(list, LB_GETLOCALE, 0, 0));
  std::vector<char> itemText;
  long low = 0;
  long high = static_cast<long>(count) - 1;
  long middle = high / 2;
  while (low <= high) {
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(middle), 0);
    if (length == LB_ERR) {
      ReportFailure(IDS_TAG_QXGETMEN, IDS_OP_LB_GETTEXT, 2);
      return -1;
    }
    itemText.assign(static_cast<size_t>(length) + 1, '\0');
    if (SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(middle),
                     reinterpret_cast<LPARAM>(itemText.data())) == LB_ERR) {
      ReportFailure(IDS_TAG_QXGETMEN, IDS_OP_LB_GETTEXT, 3);
      return -1;
    }
    int order = CompareLikeList(locale, itemText.data(), text);
    if (order == 0) {
      LRESULT command = SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(middle), 0);
      if (command == LB_ERR) {
        ReportFailure(IDS_TAG_QXGETMEN, IDS_OP_LB_GETITEMDATA, 4);
        return -1;
      }
      return static_cast<int>(command);
    }
    if (order < 0) {
      low = middle + 1;
      middle = low + (high - low) / 2;
    } else {
      high = middle - 1;
      middle = high - (high - low) / 2;
    }
  }
  return -1;
}

void ResolveMenuCommands() {
  char className[kTextBufferSize];
  if (LoadStringA(extState.instance, IDS_LISTBOX_CLASS, className, kTextBufferSize) == 0) {
    ReportFailure(IDS_TAG_QXSETMEN, IDS_OP_LOADSTRING, 1);
    return;
  }
  HWND list = CreateWindowExA(0, className, "", LBS_SORT | LBS_NOINTEGRALHEIGHT, 0, 0, 1, 1,
                              extState.frameWindow, nullptr, extState.instance, nullptr);
  if (!list) {
    ReportFailure(IDS_TAG_QXSETMEN, IDS_OP_CREATEWINDOW, 2);
    return;
  }
  FillMenuList(list);
  resolveList = list;
  ForEachButton(ResolveOneButton);
  resolveList = nullptr;
  if (!DestroyWindow(list)) ReportFailure(IDS_TAG_QXSETMEN, IDS_OP_DESTROYWINDOW_1538, 5);
}
