#pragma once
// The Windows codes of keys, modifiers and mouse buttons that the console's KeyUp and
// MouseUp handlers take.
#include <Qt>

// Windows virtual-key code of a Qt key (0 for a key without one).
int virtualKeyCode(int key);
// The Shift argument: 1 Shift, 2 Ctrl, 4 Alt.
int shiftMask(Qt::KeyboardModifiers m);
// The Button argument: 1 left, 2 right, 4 middle.
int buttonCode(Qt::MouseButton b);
