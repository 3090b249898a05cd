// Pictures as the controls draw them: a bitmap (opaque, or with the colour of its
// bottom-left pixel left out) or an icon (through its own alpha mask), plainly or in the
// embossed look of a disabled control.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPoint>

struct TPicture {
    enum class Kind { Empty, Bitmap, Icon, Other };
    Kind kind = Kind::Empty;
    QImage image;

    bool IsEmpty() const { return kind == Kind::Empty; }
    // In the pixels of the screen's layout: an image for a scaled screen has more of its own.
    int Width() const { return qRound(image.deviceIndependentSize().width()); }
    int Height() const { return qRound(image.deviceIndependentSize().height()); }
    bool operator==(const TPicture& other) const {
        return kind == other.kind && image == other.image;
    }
};

// The bitmap or icon at its own size, top-left corner at point.
void DrawPicture(QPainter& painter, QPoint point, const TPicture& picture);

// The bitmap with every pixel of its bottom-left pixel's colour left out.
void DrawTransparentBitmap(QPainter& painter, QPoint point, const QImage& bitmap);

// The embossed look: the picture's silhouette (its dark, opaque pixels) in the
// highlight colour one pixel right and down, covered by the same silhouette in the
// shadow colour at point.
void DrawEmbossedPicture(QPainter& painter, QPoint point, const TPicture& picture);
