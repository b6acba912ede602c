#include "bar/move.h"

// Moving buttons is not built yet: the commands are accepted and do nothing.
void StartMove() {}
void PlaceMovedButton() {}
void CancelMove() {}
