#include "ShiftState.h"

#include <QGuiApplication>

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState state = 0;
    if (modifiers & Qt::ShiftModifier) {
        state |= ssShift;
    }
    if (modifiers & Qt::AltModifier) {
        state |= ssAlt;
    }
    if (modifiers & Qt::ControlModifier) {
        state |= ssCtrl;
    }
    if (buttons & Qt::LeftButton) {
        state |= ssLeft;
    }
    if (buttons & Qt::RightButton) {
        state |= ssRight;
    }
    if (buttons & Qt::MiddleButton) {
        state |= ssMiddle;
    }
    return state;
}

TShiftState GetShiftState() {
    return ShiftStateOf(QGuiApplication::keyboardModifiers(), QGuiApplication::mouseButtons());
}
