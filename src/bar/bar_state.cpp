#include "bar/bar_state.h"

int listReady = 0;
HLOCAL lastButton = nullptr;
int firstIconLeft = 0;
int iconSpacing = 0;
int iconTop = 0;
