// The button's pixels: gradient rows, caption and picture positions, frames, focus
// rectangle and the disabled look, with a palette whose every colour is known.
#include <QtTest>

#include "ButtonTestSupport.h"

namespace {

// The bounding box of the pixels that differ between two images, within area.
QRect Difference(const QImage& a, const QImage& b, QRect area = {}) {
    if (area.isNull()) {
        area = a.rect();
    }
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

// The bounding box of the pixels of one colour.
QRect PixelsOf(const QImage& image, QRgb colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == colour) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

void SendPress(TqeButton& button) {
    SendMouse(button, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
}

TPicture SquareBitmap() {
    QImage image(12, 12, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(3, 3, 6, 6, QColor(0xC0, 0, 0));
    return {TPicture::Kind::Bitmap, image};
}

TPicture DiscIcon() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter(&image).fillRect(8, 8, 16, 16, QColor(0, 0, 0x80));
    return {TPicture::Kind::Icon, image};
}

// A plain face, so caption pixels stand out.
void MakePlain(TqeButton& button) {
    button.SetGradation(false);
    button.SetColor(clWhite);
    button.SetButtonStyle(bsFlatNoFrame);
}

}  // namespace

class ButtonPainting : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { UseKnownPalette(); }

    void gradientRowsRunFromBeginToEndColour() {
        TqeButton button;
        button.resize(143, 51);
        button.SetButtonStyle(bsFlatNoFrame);
        const QImage image = Render(button);
        const std::pair<int, QRgb> rows[] = {{0, 0xFFFFFF},  {1, 0xFEFEFE},  {10, 0xF3F3F3},
                                             {25, 0xE0E0E0}, {49, 0xC2C2C2}, {50, 0xC0C0C0}};
        for (auto [row, colour] : rows) {
            QCOMPARE(image.pixel(0, row) & 0xFFFFFF, colour);
            QCOMPARE(image.pixel(142, row) & 0xFFFFFF, colour);
        }
    }

    void gradientOfOneRowTwoEqualColoursAndNoRows() {
        TqeButton button;
        button.SetButtonStyle(bsFlatNoFrame);
        button.resize(20, 1);
        QCOMPARE(Render(button).pixel(5, 0) & 0xFFFFFF, 0xFFFFFFu);
        button.resize(20, 30);
        button.SetGradBeginColor(clSkyBlue);
        button.SetGradEndColor(clSkyBlue);
        const QImage plain = Render(button);
        QCOMPARE(PixelsOf(plain, Rgb(clSkyBlue)), QRect(0, 0, 20, 30));
        button.resize(20, 0);
        QImage untouched(20, 1, QImage::Format_RGB32);
        untouched.fill(Qt::magenta);
        QPainter painter(&untouched);
        button.PaintButton(painter);
        QCOMPARE(untouched.pixel(5, 0), QColor(Qt::magenta).rgb());
    }

    void captionIsCentredAndMovesOnePixelWhilePressed() {
        TFormBase form;
        TqeButton button(&form);
        button.setGeometry(0, 2, 143, 51);
        MakePlain(button);
        button.SetCaptionTop(20);
        button.CaptionA().SetCaption(QString::fromUtf8("一発解凍"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        // Where the text must stand: centred on x = 71, top at y = 20.
        QImage expected(button.size(), QImage::Format_RGB32);
        expected.fill(Qt::white);
        {
            QPainter painter(&expected);
            painter.setFont(button.font());
            const QFontMetrics metrics(button.font());
            const QString text = button.CaptionA().Caption();
            painter.drawText(71 - metrics.horizontalAdvance(text) / 2, 20 + metrics.ascent(), text);
        }
        QImage blank(button.size(), QImage::Format_RGB32);
        blank.fill(Qt::white);
        const QRect textBox = Difference(expected, blank);
        // Pressing gives the button the focus: look inside its focus frame.
        const QRect inside(4, 4, button.width() - 8, button.height() - 8);
        QCOMPARE(Difference(Render(button), blank, inside), textBox);
        SendPress(button);
        QVERIFY(button.IsPressed());
        QCOMPARE(Difference(Render(button), blank, inside), textBox.translated(1, 1));
        QVERIFY(!button.CaptionVertCenter());
        QCOMPARE(button.CaptionTop(), 20);
    }

    void verticalCentringStoresTheTopOfTheUpperLine() {
        TqeButton button;
        button.resize(100, 60);
        const int lineHeight = QFontMetrics(button.font()).height();
        button.CaptionA().SetCaption("A");
        Render(button);
        QCOMPARE(button.CaptionTop(), (60 - lineHeight) / 2 + 1);
        button.CaptionB().SetCaption("B");
        Render(button);
        QCOMPARE(button.CaptionTop(), (60 - 2 * lineHeight - 4) / 2);
        button.CaptionA().SetCaption("");
        Render(button);
        QCOMPARE(button.CaptionTop(), (60 - lineHeight) / 2);
        QVERIFY(button.CaptionVertCenter());
    }

    void evenlySpacedCaptionEndsAtTheRightMarginWithTheRestInTheFirstGaps() {
        TqeButton button;
        MakePlain(button);
        button.CaptionA().SetAlignment(taEven);
        button.CaptionA().SetLeft(3);
        button.CaptionA().SetRight(5);
        const QString text = "WIND";
        button.CaptionA().SetCaption(text);
        const QFontMetrics metrics(button.font());
        const int textWidth = metrics.horizontalAdvance(text);
        // A width that leaves a rest of 2 pixels over three gaps.
        const int available = textWidth + 3 * 7 + 2;
        button.resize(available + 3 + 5 + 4, 30);
        button.SetCaptionTop(5);

        QImage expected(button.size(), QImage::Format_RGB32);
        expected.fill(Qt::white);
        {
            QPainter painter(&expected);
            painter.setFont(button.font());
            const int extra[] = {8, 8, 7, 0};  // gap 7, the first two one wider
            int x = 5;
            for (int i = 0; i < 4; ++i) {
                painter.drawText(x, 5 + metrics.ascent(), text.mid(i, 1));
                x += metrics.horizontalAdvance(text.mid(i, 1)) + extra[i];
            }
            QCOMPARE(x - extra[3], button.width() - 5 - 2);  // the last letter ends at the margin
        }
        QCOMPARE(Difference(Render(button), expected), QRect());
    }

    void evenWithOneCharacterIsCentredAndCentreIgnoresTheMargins() {
        TqeButton reference;
        MakePlain(reference);
        reference.resize(80, 30);
        reference.CaptionA().SetCaption("X");
        const QImage centred = Render(reference);
        TqeButton button;
        MakePlain(button);
        button.resize(80, 30);
        button.CaptionA().SetCaption("X");
        button.CaptionA().SetAlignment(taEven);
        button.CaptionA().SetLeft(20);
        QCOMPARE(Difference(Render(button), centred), QRect());
        button.CaptionA().SetAlignment(taCenter);
        button.CaptionA().SetRight(30);
        QCOMPARE(Difference(Render(button), centred), QRect());
    }

    void framesOfEachStyle() {
        TqeButton button;
        button.resize(40, 20);
        const int w = 40;
        const int h = 20;
        const QRgb face = Render(button).pixel(20, 10);
        struct Row {
            TqeButtonStyle style;
            TqeBtnFrameType type;
            bool pressed;
            QRgb outerTopLeft, outerBottomRight, innerTopLeft, innerBottomRight;
        };
        const QRgb light = Rgb(cl3DLight), dark = Rgb(cl3DDkShadow),
                   highlight = Rgb(clBtnHighlight), shadow = Rgb(clBtnShadow),
                   buttonFace = Rgb(clBtnFace), grey = 0xFF808080;
        const Row rows[] = {
            {bsNormal, bffFlat, false, light, dark, highlight, shadow},
            {bsNormal, bffFlat, true, shadow, shadow, grey, grey},
            {bsFlat, bffFlat, false, shadow, shadow, buttonFace, buttonFace},
            {bsFlat, bffEtched, true, shadow, highlight, highlight, shadow},
            {bsFlat, bffBump, false, light, dark, dark, light},
        };
        for (const Row& row : rows) {
            TFormBase form;
            TqeButton framed(&form);
            framed.resize(w, h);
            framed.SetButtonStyle(row.style);
            framed.SetFlatFrameType(row.type);
            if (row.pressed) {
                SendPress(framed);
            }
            const QImage image = Render(framed);
            QCOMPARE(image.pixel(0, 5), row.outerTopLeft);
            QCOMPARE(image.pixel(5, 0), row.outerTopLeft);
            QCOMPARE(image.pixel(w - 1, 5), row.outerBottomRight);
            QCOMPARE(image.pixel(5, h - 1), row.outerBottomRight);
            QCOMPARE(image.pixel(1, 5), row.innerTopLeft);
            QCOMPARE(image.pixel(w - 2, 5), row.innerBottomRight);
            QCOMPARE(image.pixel(5, h - 2), row.innerBottomRight);
        }
        TFormBase form;
        TqeButton plain(&form);
        plain.resize(w, h);
        plain.SetButtonStyle(bsFlatNoFrame);
        QCOMPARE(Render(plain).pixel(0, 10), face);
        plain.SetButtonStyle(bsRoundRect);
        const QImage rounded = Render(plain);
        QCOMPARE(rounded.pixel(0, 10), 0xFF757575);
        QCOMPARE(rounded.pixel(20, 0), 0xFF757575);
        QVERIFY(rounded.pixel(0, 0) != 0xFF757575);  // the corner is cut
        plain.SetButtonStyle(bsRoundRectNoFrame);
        QCOMPARE(Render(plain).pixel(0, 10), face);
    }

    void focusRectangleOfAFlatBumpButton() {
        TFormBase form;
        TqeButton button(&form);
        button.resize(40, 20);
        button.SetButtonStyle(bsFlat);
        button.SetFlatFrameType(bffBump);
        QWidget focusHolder(&form);
        focusHolder.setFocusPolicy(Qt::StrongFocus);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        focusHolder.setFocus();
        const QImage unfocused = Render(button);
        button.setFocus();
        QVERIFY(button.hasFocus());
        const QImage focused = Render(button);
        // Every other pixel of the outline of (3, 3, Width − 2, Height − 2) is inverted.
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 40; ++x) {
                const bool onOutline = (x == 3 || x == 37 || y == 3 || y == 17) && x >= 3 &&
                                       x <= 37 && y >= 3 && y <= 17;
                const bool inverted = onOutline && (x + y) % 2 == 0;
                const QRgb expected =
                    inverted ? unfocused.pixel(x, y) ^ 0x00FFFFFF : unfocused.pixel(x, y);
                QCOMPARE(focused.pixel(x, y), expected);
            }
        }
        button.SetHasFocus(false);
        QCOMPARE(Difference(Render(button), unfocused), QRect());
    }

    void disabledLookOnlyWithHasFocus() {
        TFormBase form;
        TqeButton button(&form);
        MakePlain(button);
        button.resize(80, 30);
        button.CaptionA().SetCaption("Off");
        const QImage enabled = Render(button);
        button.setEnabled(false);
        button.SetHasFocus(false);
        QCOMPARE(Difference(Render(button), enabled), QRect());
        button.SetHasFocus(true);
        const QImage disabled = Render(button);
        const QRect text = PixelsOf(enabled, qRgb(0, 0, 0));
        QVERIFY(PixelsOf(disabled, qRgb(0, 0, 0)).isEmpty());
        QCOMPARE(PixelsOf(disabled, Rgb(clBtnShadow)), text);
        QVERIFY(
            PixelsOf(disabled, Rgb(clBtnHighlight)).contains(text.bottomRight() + QPoint(1, 1)));
    }

    void picturesMoveAndEmbossExceptATransparentBitmap() {
        TFormBase form;
        TqeButton button(&form);
        MakePlain(button);
        button.resize(73, 51);
        button.Image().SetPicture(DiscIcon());
        button.Image().SetLeft(20);
        button.Image().SetTop(9);
        QVERIFY(!button.Image().VertCenter());
        const QRgb iconColour = qRgb(0, 0, 0x80);
        QCOMPARE(PixelsOf(Render(button), iconColour), QRect(28, 17, 16, 16));
        SendPress(button);
        QCOMPARE(PixelsOf(Render(button), iconColour), QRect(29, 18, 16, 16));
        SendMouse(button, QEvent::MouseButtonRelease, {-5, -5}, Qt::NoButton);
        button.setEnabled(false);
        const QImage embossed = Render(button);
        QVERIFY(PixelsOf(embossed, iconColour).isEmpty());
        QCOMPARE(PixelsOf(embossed, Rgb(clBtnShadow)), QRect(28, 17, 16, 16));

        button.SetColor(clSkyBlue);
        button.Image().SetPicture(SquareBitmap());
        button.Image().SetTransParent(true);
        const QRgb red = qRgb(0xC0, 0, 0);
        const QRect square = PixelsOf(Render(button), red);  // disabled, yet drawn plainly
        QCOMPARE(square, QRect(23, 12, 6, 6));
        QCOMPARE(Render(button).pixel(20, 9), Rgb(clSkyBlue));  // its white is left out
        button.setEnabled(true);
        SendPress(button);
        QCOMPARE(PixelsOf(Render(button), red), square);  // and it does not move
    }

    void onlyBitmapsAndIconsAreKept() {
        TqeButton button;
        button.Image().SetPicture({TPicture::Kind::Other, QImage(8, 8, QImage::Format_RGB32)});
        QVERIFY(button.Image().Picture().IsEmpty());
    }

    void windowPaintMatchesTheComposedImage() {
        TFormBase form;
        TqeButton button(&form);
        button.resize(60, 24);
        button.CaptionA().SetCaption("Go");
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(Difference(button.grab().toImage().convertToFormat(QImage::Format_RGB32),
                            Render(button)),
                 QRect());
    }
};

QTEST_MAIN(ButtonPainting)
#include "test_qeButton_painting.moc"
