// The keys and mouse buttons held at a moment, as event handlers receive them.
#pragma once

#include <Qt>

enum TShiftFlag : unsigned {
    ssShift = 1 << 0,
    ssAlt = 1 << 1,
    ssCtrl = 1 << 2,
    ssLeft = 1 << 3,
    ssRight = 1 << 4,
    ssMiddle = 1 << 5,
};
using TShiftState = unsigned;

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
// What is held right now.
TShiftState GetShiftState();
