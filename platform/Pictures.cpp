#include "Pictures.h"

#include "Colors.h"

namespace {

QImage Silhouette(const TPicture& picture, const QColor& color) {
    const QImage source = picture.image.convertToFormat(QImage::Format_ARGB32);
    QImage silhouette(source.size(), QImage::Format_ARGB32);
    silhouette.setDevicePixelRatio(source.devicePixelRatio());
    silhouette.fill(Qt::transparent);
    const QRgb paint = color.rgb();
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgb pixel = source.pixel(x, y);
            const bool opaque = picture.kind == TPicture::Kind::Bitmap || qAlpha(pixel) >= 128;
            if (opaque && qGray(pixel) < 128) {
                silhouette.setPixel(x, y, paint);
            }
        }
    }
    return silhouette;
}

}  // namespace

void DrawPicture(QPainter& painter, QPoint point, const TPicture& picture) {
    if (picture.kind == TPicture::Kind::Bitmap) {
        painter.drawImage(point, picture.image.convertToFormat(QImage::Format_RGB32));
    } else if (picture.kind == TPicture::Kind::Icon) {
        painter.drawImage(point, picture.image.convertToFormat(QImage::Format_ARGB32));
    }
}

void DrawTransparentBitmap(QPainter& painter, QPoint point, const QImage& bitmap) {
    if (bitmap.isNull()) {
        return;
    }
    QImage image = bitmap.convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent =
        bitmap.depth() == 1 ? qRgb(255, 255, 255) : image.pixel(0, image.height() - 1) | 0xFF000000;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) | 0xFF000000) == transparent) {
                image.setPixel(x, y, 0);
            }
        }
    }
    painter.drawImage(point, image);
}

void DrawEmbossedPicture(QPainter& painter, QPoint point, const TPicture& picture) {
    if (picture.image.isNull()) {
        return;
    }
    painter.drawImage(point + QPoint(1, 1), Silhouette(picture, ColorToRGB(clBtnHighlight)));
    painter.drawImage(point, Silhouette(picture, ColorToRGB(clBtnShadow)));
}
