// Shared by the button's tests: a known palette, rendering into an image, paint counting.
#pragma once

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include "qeButton.h"

// Every system colour the button draws with, distinct and known.
inline void UseKnownPalette() {
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(0xD4, 0xD0, 0xC8));
    palette.setColor(QPalette::Dark, QColor(0x80, 0x80, 0x81));
    palette.setColor(QPalette::Light, QColor(0xFF, 0xFF, 0xFE));
    palette.setColor(QPalette::Shadow, QColor(0x40, 0x40, 0x40));
    palette.setColor(QPalette::Midlight, QColor(0xE0, 0xE0, 0xE1));
    palette.setColor(QPalette::WindowText, QColor(0, 0, 0));
    palette.setColor(QPalette::ButtonText, QColor(0, 0, 0));
    QApplication::setPalette(palette);
}

inline QImage Render(TqeButton& button) {
    QImage image(button.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    button.PaintButton(painter);
    return image;
}

// A mouse event of the left button delivered straight to widget, at a client position.
inline void SendMouse(QWidget& widget, QEvent::Type type, QPoint position, Qt::MouseButtons held,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, position, widget.mapToGlobal(position), Qt::LeftButton, held,
                      modifiers);
    QApplication::sendEvent(&widget, &event);
}

inline QRgb Rgb(TColor color) {
    return ColorToRGB(color).rgb();
}

// Counts the paints a widget gets.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count;
        }
        return false;
    }
};
