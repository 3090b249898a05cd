// A window of gradient buttons in each style and state, for looking at: not a test.
//   button-gallery [screenshot.png]
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "FormBase.h"
#include "qeButton.h"

namespace {

TPicture MakeIcon() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(QColor(0x40, 0x80, 0xC0));
    painter.drawEllipse(4, 4, 24, 24);
    return {TPicture::Kind::Icon, image};
}

TPicture MakeBitmap() {
    QImage image(24, 24, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(4, 4, 16, 16, Qt::darkRed);
    return {TPicture::Kind::Bitmap, image};
}

void Press(TqeButton* button) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(button, &press);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    TFormBase form;
    form.setWindowTitle("TqeButton gallery");
    form.resize(640, 330);
    form.setAutoFillBackground(true);
    QPalette palette = form.palette();
    palette.setColor(QPalette::Window, ColorToRGB(clSkyBlue));
    form.setPalette(palette);

    const char* styleNames[] = {"bsNormal", "bsFlat", "bsFlatNoFrame", "bsRoundRect",
                                "bsRoundRectNoFrame"};
    const char* stateNames[] = {"idle", "pressed", "focused", "disabled", "disabled, no HasFocus"};
    for (int row = 0; row < 5; ++row) {
        auto* label = new QLabel(stateNames[row], &form);
        label->setGeometry(4, 30 + row * 56, 110, 20);
        for (int column = 0; column < 5; ++column) {
            if (row == 0) {
                auto* heading = new QLabel(styleNames[column], &form);
                heading->setGeometry(118 + column * 104, 6, 100, 20);
            }
            auto* button = new TqeButton(&form);
            button->setGeometry(118 + column * 104, 26 + row * 56, 100, 51);
            button->SetButtonStyle(static_cast<TqeButtonStyle>(column));
            button->CaptionA().SetCaption(QString::fromUtf8("一発解凍"));
            if (column == 1) {
                button->SetFlatFrameType(static_cast<TqeBtnFrameType>(row % 3));
                button->CaptionB().SetCaption(QString("ffType %1").arg(row % 3));
            }
            if (column == 4) {
                button->Image().SetPicture(row % 2 ? MakeBitmap() : MakeIcon());
                button->Image().SetTransParent(row == 3);
                button->CaptionA().SetCaption("");
            }
            if (column == 2) {
                button->CaptionA().SetAlignment(taEven);
                button->CaptionA().SetCaption("EVEN");
            }
            if (row == 1) {
                QTimer::singleShot(0, [button] { Press(button); });
            }
            if (row == 2) {
                QTimer::singleShot(50, [button] { button->setFocus(); });
            }
            if (row >= 3) {
                button->setEnabled(false);
                button->SetHasFocus(row == 3);
            }
        }
    }
    form.show();
    form.activateWindow();
    if (argc > 1) {
        const QString path = argv[1];
        QTimer::singleShot(400, [&form, path] {
            form.grab().save(path);
            QApplication::quit();
        });
    }
    return application.exec();
}
