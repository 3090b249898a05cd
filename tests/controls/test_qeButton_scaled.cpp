// On a screen scaled twice, the button's face is composed at the screen's resolution:
// its caption and picture have detail of their own, not a 1x face with doubled pixels.
#include <QtTest>

#include "qeButton.h"

namespace {

// True when some two-by-two block of the area, aligned on even pixels, is not one colour.
bool HasFinerDetail(const QImage& image, const QRect& area) {
    for (int y = area.top() & ~1; y + 1 <= area.bottom(); y += 2) {
        for (int x = area.left() & ~1; x + 1 <= area.right(); x += 2) {
            const QRgb corner = image.pixel(x, y);
            if (image.pixel(x + 1, y) != corner || image.pixel(x, y + 1) != corner ||
                image.pixel(x + 1, y + 1) != corner) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

class ScaledButton : public QObject {
    Q_OBJECT
  private slots:
    void captionAndPictureAreDrawnAtTheScreensResolution() {
        QWidget window;
        TqeButton button(&window);
        button.setGeometry(0, 0, 143, 51);
        button.CaptionA().SetCaption(QString::fromUtf8("一発解凍"));
        QImage picture(64, 64, QImage::Format_ARGB32);
        picture.setDevicePixelRatio(2);
        picture.fill(Qt::transparent);
        {
            QPainter painter(&picture);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setBrush(Qt::darkGreen);
            painter.drawEllipse(QRectF(1, 1, 29, 29));
        }
        button.Image().SetPicture({TPicture::Kind::Icon, picture});
        QCOMPARE(button.Image().Picture().Width(), 32);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(button.devicePixelRatioF(), 2.0);

        const QImage face = button.grab().toImage();
        QCOMPARE(face.size(), QSize(286, 102));
        const QRect captionArea(60, 30, 170, 50);
        const QRect pictureArea(2 * button.Image().Left(), 2 * button.Image().Top(), 64, 64);
        QVERIFY(HasFinerDetail(face, captionArea));
        QVERIFY(HasFinerDetail(face, pictureArea));
    }
};

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication application(argc, argv);
    ScaledButton test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_qeButton_scaled.moc"
