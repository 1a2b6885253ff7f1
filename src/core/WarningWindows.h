#pragma once
// Every message and question of the program goes through this call: it shows
// the modal window `Warning` and returns the button pressed.
//   wType 0: "OK"; 1: "OK", "Cancel"; 2: "Yes", "No"; 3: "Yes", "No", "Cancel".
//   Result 0 OK, 1 Cancel, 2 Yes, 3 No.
// Escape or closing the window answers the safe choice (0 for type 0, 1 for
// types 1 and 3, 3 for type 2); a type outside 0..3 acts as type 0.
#include <QString>

int WarningWindows(const QString &wPromt, int wType);
