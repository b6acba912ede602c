// Resource IDs of the extension (menus, dialogs, cursors) and its string table.
#pragma once
#include "string_ids.h"

#define IDM_EXTENSION_MENU 179
#define IDM_BAR_MENU 182
#define IDM_BUTTON_MENU 183

// Cursors: the bar's class cursor and the pressed one.
#define IDC_BAR_CURSOR 113
#define IDC_PRESSED_CURSOR 114

// The bar window's child window ID.
#define BAR_WINDOW_ID 9876

// The extension's command IDs; File Manager knows each as menuDelta + ID.
#define CMD_BAR_ON 38
#define CMD_BAR_OFF 39
#define CMD_POPUP_OPTIONS 41
#define CMD_DONT_SAVE 42
#define CMD_SAVE_NOW 43
#define CMD_HELP 44
#define CMD_ABOUT 45
#define CMD_REFRESH_ICONS 46
#define CMD_RELAYOUT_TREES 47
#define CMD_PROGRAM_BUTTON 49
#define CMD_MENU_BUTTON 50
#define CMD_BAR_OPTIONS 51
// The keyboard on the bar; the last item of the extension menu.
#define CMD_BAR_KEYS 52

// Commands of the button menu, handled by the bar window itself.
#define CMD_CHANGE_BUTTON 60
#define CMD_DELETE_BUTTON 61
#define CMD_MOVE_BUTTON 62

// Dialog templates.
#define IDD_PROGRAM_BUTTON 174
#define IDD_ABOUT 176
#define IDD_MENU_BUTTON 180
#define IDD_CHOOSE_ICON 181
#define IDD_BAR_OPTIONS 193
#define IDD_POPUP_OPTIONS 197
