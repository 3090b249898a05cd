#include "Colors.h"

#include <QApplication>
#include <QPalette>

namespace {

// Which palette role stands for each system colour the controls use.
QColor SystemColor(uint32_t index) {
    const QPalette palette = QApplication::palette();
    switch (index) {
        case 0x08:
            return palette.color(QPalette::WindowText);
        case 0x0F:
            return palette.color(QPalette::Button);
        case 0x10:
            return palette.color(QPalette::Dark);
        case 0x12:
            return palette.color(QPalette::ButtonText);
        case 0x14:
            return palette.color(QPalette::Light);
        case 0x15:
            return palette.color(QPalette::Shadow);
        case 0x16:
            return palette.color(QPalette::Midlight);
        default:
            return palette.color(QPalette::Window);
    }
}

}  // namespace

QColor ColorToRGB(TColor color) {
    if (IsSystemColor(color)) {
        return SystemColor(color & 0xFF);
    }
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}
