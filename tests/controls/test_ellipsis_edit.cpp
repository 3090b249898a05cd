// The ellipsis edit: its text area, its button's pixels, and the button's input.
#include <QtTest>

#include "ButtonTestSupport.h"
#include "ELIEDIT.h"
#include "FormBase.h"

namespace {

QImage PaintButton(bool down, bool enabled) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    PaintEllipsisButton(painter, 16, 16, down, enabled);
    return image;
}

QRect Caret(const QLineEdit& edit) {
    return edit.inputMethodQuery(Qt::ImCursorRectangle).toRect();
}

}  // namespace

class EllipsisEdit : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { UseKnownPalette(); }

    void theTextAreaEndsWhereTheButtonBegins() {
        TEllipsisEdit edit;
        edit.EllipsisButton->resize(16, 16);
        edit.resize(403, 20);
        edit.show();  // a hidden widget gets its resize events only when shown
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QCOMPARE(edit.EditRect(), QRect(0, 0, 383, 20));
        QCOMPARE(edit.EllipsisButton->geometry(), QRect(385, 2, 16, 16));
        // Typed text scrolls instead of running under the button: the caret at the end
        // of a long text stands left of the button's first column.
        edit.setText(QString(200, 'W'));
        edit.end(false);
        edit.repaint();  // the editor scrolls when it paints
        QVERIFY(Caret(edit).center().x() < 385);
        QVERIFY(Caret(edit).center().x() > 370);
        edit.resize(200, 24);
        QCOMPARE(edit.EditRect(), QRect(0, 0, 180, 24));
        QCOMPARE(edit.EllipsisButton->geometry(), QRect(182, 2, 16, 20));
        edit.end(false);
        edit.repaint();
        QVERIFY(Caret(edit).center().x() < 182);
        QVERIFY(Caret(edit).center().x() > 167);
    }

    void theButtonMixesFaceAndShadowEightToOne() {
        const QImage up = PaintButton(false, true);
        // face (D4, D0, C8) and shadow (80, 80, 81): (8 × face + shadow) div 9
        QCOMPARE(up.pixel(2, 6), qRgb(202, 199, 192));
    }

    void dotsSitAtTheCentreAndMoveWhilePressed() {
        const QRgb shadow = Rgb(clBtnShadow), dark = Rgb(cl3DDkShadow);
        const QImage up = PaintButton(false, true);
        for (int x : {3, 7, 11}) {
            QCOMPARE(up.pixel(x, 7), dark);
            QCOMPARE(up.pixel(x - 1, 7), shadow);
            QCOMPARE(up.pixel(x, 6), shadow);
            QCOMPARE(up.pixel(x + 1, 8), qRgb(202, 199, 192));
        }
        QCOMPARE(up.pixel(0, 0), Rgb(cl3DLight));  // raised frame
        const QImage down = PaintButton(true, true);
        for (int x : {4, 8, 12}) {
            QCOMPARE(down.pixel(x, 8), dark);
            QCOMPARE(down.pixel(x + 1, 8), shadow);
        }
        QCOMPARE(down.pixel(0, 0), shadow);  // flat outline
        QCOMPARE(down.pixel(15, 15), shadow);
        QCOMPARE(down.pixel(1, 1), Rgb(clBtnFace));
        const QImage disabled = PaintButton(false, false);
        QCOMPARE(disabled.pixel(7, 7), shadow);
        QCOMPARE(disabled.pixel(8, 9), Rgb(clBtnHighlight));  // the embossed plus below right
    }

    void aPressTakesTheFocusAndAReleaseOverTheButtonClicksOnce() {
        TFormBase form;
        TEllipsisEdit edit(&form);
        edit.setFocusPolicy(Qt::ClickFocus);
        edit.setGeometry(10, 10, 200, 20);
        QLineEdit other(&form);
        other.setGeometry(10, 40, 100, 20);
        int clicks = 0;
        edit.OnEllipsisClick = [&](QObject* sender) {
            ++clicks;
            QCOMPARE(sender, &edit);
        };
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        other.setFocus();
        TEllipsisButton& button = *edit.EllipsisButton;
        SendMouse(button, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
        QVERIFY(edit.hasFocus());
        QVERIFY(button.IsDown());
        SendMouse(button, QEvent::MouseMove, {50, 5}, Qt::LeftButton);
        QVERIFY(!button.IsDown());
        SendMouse(button, QEvent::MouseButtonRelease, {50, 5}, Qt::NoButton);
        QCOMPARE(clicks, 0);
        SendMouse(button, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
        SendMouse(button, QEvent::MouseButtonRelease, {5, 5}, Qt::NoButton);
        QCOMPARE(clicks, 1);
        edit.setEnabled(false);
        QVERIFY(!button.isEnabled());
    }

    void enteringByTabSelectsAllAndByAPressDoesNot() {
        TFormBase form;
        TEllipsisEdit edit(&form);
        edit.setText("/some/folder");
        QLineEdit other(&form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        other.setFocus();
        edit.setFocus(Qt::TabFocusReason);
        QCOMPARE(edit.selectedText(), QString("/some/folder"));
        other.setFocus();
        edit.setFocus(Qt::MouseFocusReason);
        QVERIFY(edit.selectedText().isEmpty());
    }

    void theCursorPropertyIsTheButtonsAlone() {
        TEllipsisEdit edit;
        QCOMPARE(edit.cursor().shape(), Qt::IBeamCursor);
        QCOMPARE(edit.Cursor(), Qt::ArrowCursor);
        edit.SetCursor(Qt::PointingHandCursor);
        QCOMPARE(edit.EllipsisButton->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(edit.cursor().shape(), Qt::IBeamCursor);
    }

    void theHintIsTheButtonsAndScalingLeavesTheButtonWidth() {
        TEllipsisEdit edit;
        edit.SetEllipsisHint(QString::fromUtf8("フォルダの参照"));
        QCOMPARE(edit.EllipsisHint(), QString::fromUtf8("フォルダの参照"));
        QCOMPARE(edit.EllipsisButton->toolTip(), QString::fromUtf8("フォルダの参照"));
        edit.setGeometry(86, 16, 403, 20);
        const int buttonWidth = edit.EllipsisButton->width();
        edit.ChangeScale(120, 96);
        QCOMPARE(edit.geometry(), QRect(108, 20, 503, 25));
        QCOMPARE(edit.EllipsisButton->width(), buttonWidth);
    }
};

QTEST_MAIN(EllipsisEdit)
#include "test_ellipsis_edit.moc"
