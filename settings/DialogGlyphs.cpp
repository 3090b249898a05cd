#include "DialogGlyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kSize = 20;

// The disabled image: the picture in light greys, keeping its shape.
QImage Greyed(const QImage& image) {
    QImage grey = image;
    for (int y = 0; y < grey.height(); ++y) {
        for (int x = 0; x < grey.width(); ++x) {
            const QRgb pixel = grey.pixel(x, y);
            const int level = 128 + qGray(pixel) / 2;
            grey.setPixel(x, y, qRgba(level, level, level, qAlpha(pixel)));
        }
    }
    return grey;
}

// The glyph drawn at one and at two device pixels a pixel, so that it is sharp on a
// screen of either kind, each with its greyed image.
QIcon DrawnGlyph(void (*draw)(QPainter&)) {
    QIcon icon;
    for (int ratio : {1, 2}) {
        QImage image(kSize * ratio, kSize * ratio, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(ratio, ratio);
            draw(painter);
        }
        icon.addPixmap(QPixmap::fromImage(image), QIcon::Normal);
        icon.addPixmap(QPixmap::fromImage(Greyed(image)), QIcon::Disabled);
    }
    return icon;
}

void DrawTool(QPainter& painter) {
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    painter.setBrush(QColor(0x90, 0x98, 0xA8));
    // The handle, from the lower left up to the jaw.
    QPainterPath handle;
    handle.addRoundedRect(QRectF(-2, -2, 13, 4), 2, 2);
    painter.save();
    painter.translate(6, 14);
    painter.rotate(-45);
    painter.drawPath(handle);
    painter.restore();
    // The open jaw at the upper right.
    QPainterPath jaw;
    jaw.addEllipse(QPointF(13.5, 6.5), 5, 5);
    QPainterPath notch;
    notch.addRect(QRectF(12, 0, 6, 6));
    painter.drawPath(jaw.subtracted(notch));
}

void DrawCancel(QPainter& painter) {
    const QColor red(0xD0, 0x20, 0x20);
    // Most of a circle, turning back on itself, with its arrowhead.
    painter.setPen(QPen(red, 2.2, Qt::SolidLine, Qt::FlatCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(2.5, 2.5, 15, 15), 100 * 16, 290 * 16);
    QPainterPath head;
    head.moveTo(8.0, 0.5);
    head.lineTo(12.5, 3.5);
    head.lineTo(8.0, 6.5);
    head.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(red);
    painter.drawPath(head);
    // The exclamation mark inside.
    painter.drawRect(QRectF(9.1, 6, 1.8, 5.5));
    painter.drawEllipse(QPointF(10, 13.6), 1.1, 1.1);
}

void DrawKey(QPainter& painter) {
    painter.setPen(QPen(QColor(0x60, 0x48, 0x10), 1));
    painter.setBrush(QColor(0xE8, 0xC0, 0x40));
    // The bow at the upper left with its hole, the shaft down to the right, two teeth.
    QPainterPath key;
    key.addEllipse(QPointF(6.5, 6.5), 5, 5);
    QPainterPath shaft;
    shaft.addRect(QRectF(-1.5, 5, 13, 3));
    shaft.addRect(QRectF(6.5, 8, 2.5, 3));
    shaft.addRect(QRectF(10, 8, 2.5, 4));
    QTransform along;
    along.translate(10, 10);
    along.rotate(45);
    key = key.united(along.map(shaft));
    QPainterPath hole;
    hole.addEllipse(QPointF(5.5, 5.5), 1.7, 1.7);
    painter.drawPath(key.subtracted(hole));
}

}  // namespace

QIcon KeyGlyph() {
    return DrawnGlyph(DrawKey);
}

QIcon ToolGlyph() {
    return DrawnGlyph(DrawTool);
}

QIcon CancelGlyph() {
    return DrawnGlyph(DrawCancel);
}
