#include "Edges.h"

#include <QPainterPath>

namespace {

// Top and left sides in one colour, bottom and right in another; the bottom-right
// colour takes the top-right and bottom-left corners.
void TwoColourRing(QPainter& painter, const QRect& rect, TColor topLeft, TColor bottomRight) {
    const int left = rect.left();
    const int top = rect.top();
    const int right = rect.left() + rect.width() - 1;
    const int bottom = rect.top() + rect.height() - 1;
    if (rect.width() <= 0 || rect.height() <= 0) {
        return;
    }
    painter.fillRect(QRect(left, top, rect.width() - 1, 1), ColorToRGB(topLeft));
    painter.fillRect(QRect(left, top, 1, rect.height() - 1), ColorToRGB(topLeft));
    painter.fillRect(QRect(left, bottom, rect.width(), 1), ColorToRGB(bottomRight));
    painter.fillRect(QRect(right, top, 1, rect.height()), ColorToRGB(bottomRight));
}

}  // namespace

void DrawEdge(QPainter& painter, const QRect& rect, EdgeKind kind) {
    const QRect inner = rect.adjusted(1, 1, -1, -1);
    switch (kind) {
        case EdgeKind::Raised:
            TwoColourRing(painter, rect, cl3DLight, cl3DDkShadow);
            TwoColourRing(painter, inner, clBtnHighlight, clBtnShadow);
            break;
        case EdgeKind::Etched:
            TwoColourRing(painter, rect, clBtnShadow, clBtnHighlight);
            TwoColourRing(painter, inner, clBtnHighlight, clBtnShadow);
            break;
        case EdgeKind::Bump:
            TwoColourRing(painter, rect, cl3DLight, cl3DDkShadow);
            TwoColourRing(painter, inner, cl3DDkShadow, cl3DLight);
            break;
        case EdgeKind::FlatBump:
            TwoColourRing(painter, rect, clBtnShadow, clBtnShadow);
            TwoColourRing(painter, inner, clBtnFace, clBtnFace);
            break;
    }
}

void FrameRing(QPainter& painter, QRect& rect, TColor color) {
    TwoColourRing(painter, rect, color, color);
    rect.adjust(1, 1, -1, -1);
}

namespace {
QPainterPath RoundedPath(int left, int top, int right, int bottom, int cornerWidth,
                         int cornerHeight) {
    QPainterPath path;
    path.addRoundedRect(QRectF(left, top, right - left, bottom - top), cornerWidth / 2.0,
                        cornerHeight / 2.0);
    return path;
}
}  // namespace

void DrawRoundedOutline(QPainter& painter, int left, int top, int right, int bottom,
                        int cornerWidth, int cornerHeight, TColor color, bool dotted) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(ColorToRGB(color));
    pen.setWidth(1);
    if (dotted) {
        pen.setDashPattern({1, 1});
    }
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // The outline runs along the inside of the rectangle: its last column is right - 1.
    painter.drawPath(RoundedPath(left, top, right - 1, bottom - 1, cornerWidth, cornerHeight));
    painter.restore();
}

QRegion RoundedRegion(int left, int top, int right, int bottom, int cornerSize) {
    return QRegion(RoundedPath(left, top, right - 1, bottom - 1, cornerSize, cornerSize)
                       .toFillPolygon()
                       .toPolygon());
}

void DrawFocusRect(QPainter& painter, const QRect& rect) {
    if (rect.width() <= 0 || rect.height() <= 0) {
        return;
    }
    QPolygon dots;
    auto dot = [&](int x, int y) {
        if (((x - rect.left()) + (y - rect.top())) % 2 == 0) {
            dots << QPoint(x, y);
        }
    };
    // Each pixel of the outline once, or a second inversion would undo the first.
    const int right = rect.left() + rect.width() - 1;
    const int bottom = rect.top() + rect.height() - 1;
    for (int x = rect.left(); x <= right; ++x) {
        dot(x, rect.top());
        if (bottom != rect.top()) {
            dot(x, bottom);
        }
    }
    for (int y = rect.top() + 1; y < bottom; ++y) {
        dot(rect.left(), y);
        if (right != rect.left()) {
            dot(right, y);
        }
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawPoints(dots);
    painter.restore();
}
