// Moving a button along the bar.
#pragma once

void StartMove();
void PlaceMovedButton();
void CancelMove();
