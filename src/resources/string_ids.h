// String-table IDs. Every user-visible text, class name looked for, settings
// key, file name and routine tag of the extension is one of these entries.
#pragma once

// Pieces of a failure report.
#define IDS_REPORT_DASH 1
#define IDS_REPORT_COLON 2
#define IDS_OP_LOCALALLOC 3
#define IDS_REPORT_FAILED 4
#define IDS_CAPTION 5
