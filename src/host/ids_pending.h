// Temporary: IDs used by the host until the full string table lands.
#pragma once
#include "resources/string_ids.h"
#ifndef IDS_TAG_QXFILMAN
#define IDS_TAG_QXFILMAN 768
#define IDS_TAG_QXINIT 896
#define IDS_OP_LOADSTRING 270
#define IDS_OP_MODIFYMENU 773
#define IDS_OP_FINDWINDOW 897
#define IDS_OP_LOADMENU 907
#endif
#ifndef IDS_BAR_ON
#define IDS_BAR_ON 774
#define IDS_BAR_OFF 775
#define IDS_HELP_FILE 777
#define IDS_TREE_CLASS 770
#define IDS_POPUP_CLASS 38
#define IDS_BAR_CLASS 15
#define IDS_FILE_SEPARATOR 946
#define IDS_FRAME_CLASS 941
#define IDS_MENU_NAME 943
#endif
