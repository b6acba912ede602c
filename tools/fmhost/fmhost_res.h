// Resource IDs of the stand-in File Manager. They stay at 1000 and above (and
// strings at 30000 and above) because some test programs carry the
// extension's own resources, which use lower IDs, in the same module.
#pragma once

#define IDD_FM_DELETE 1000
#define IDD_FM_CONFIRM_DELETE 1001

#define IDC_FM_DELETE_DIRECTORY 1010
#define IDC_FM_DELETE_NAMES 1011
#define IDC_FM_CONFIRM_TEXT 1020
#define IDC_FM_YES_TO_ALL 1021

#define IDS_FM_TITLE 30000
