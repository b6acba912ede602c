#include "bar/run_button.h"

// Placeholders until running buttons lands.
void RunButton() {}
int AppendSelectedFile(int) { return 0; }
