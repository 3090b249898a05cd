#include "KestoPictures.h"

#include <QPainter>
#include <QPainterPath>

namespace {
QPainterPath Polygon(std::initializer_list<QPointF> corners) {
    QPainterPath path;
    path.addPolygon(QPolygonF(corners));
    path.closeSubpath();
    return path;
}
}  // namespace

QImage DoorPicture(qreal ratio) {
    const int side = qRound(32 * ratio);
    QImage image(side, side, QImage::Format_ARGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // The door frame, dark inside, and the door swung open towards the viewer.
    painter.setPen(QPen(QColor(0x4A, 0x2E, 0x12), 1.5));
    painter.setBrush(QColor(0x20, 0x20, 0x28));
    painter.drawRect(QRectF(14.5, 3.5, 14, 26));
    const QPainterPath door = Polygon({{28.5, 3.5}, {22.5, 6.5}, {22.5, 31.0}, {28.5, 29.5}});
    painter.setBrush(QColor(0xB8, 0x7A, 0x3C));
    painter.drawPath(door);
    painter.setBrush(QColor(0xF0, 0xD0, 0x40));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(24.2, 18.0), 1.0, 1.0);
    // The arrow, coming from the left into the doorway.
    const QPainterPath arrow = Polygon({{1.5, 14.0},
                                        {11.0, 14.0},
                                        {11.0, 9.5},
                                        {20.0, 17.0},
                                        {11.0, 24.5},
                                        {11.0, 20.0},
                                        {1.5, 20.0}});
    painter.setPen(QPen(QColor(0x10, 0x50, 0x10), 1.0));
    painter.setBrush(QColor(0x30, 0xB0, 0x30));
    painter.drawPath(arrow);
    return image;
}

QImage KestoIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    // The box, with its zip running down the front.
    painter.setPen(QPen(QColor(0x60, 0x40, 0x00), 1.5));
    painter.setBrush(QColor(0xF0, 0xC0, 0x40));
    painter.drawRoundedRect(QRectF(3, 12, 20, 18), 2, 2);
    painter.setPen(QPen(QColor(0x60, 0x40, 0x00), 1.0, Qt::DashLine));
    painter.drawLine(QPointF(13, 12), QPointF(13, 30));
    // The arrow, out of the box and up to the right.
    const QPainterPath arrow =
        Polygon({{14, 16}, {24, 6}, {20, 4}, {30, 2}, {28, 12}, {26, 8}, {16, 18}});
    painter.setPen(QPen(QColor(0x0A, 0x3A, 0x80), 1.0));
    painter.setBrush(QColor(0x30, 0x80, 0xE0));
    painter.drawPath(arrow);
    return image;
}

QIcon KestoIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) {
        icon.addPixmap(QPixmap::fromImage(KestoIconImage(size)));
    }
    return icon;
}
