// The button's mouse, keyboard and focus rules, and what each assignment repaints.
#include <QLineEdit>
#include <QtTest>

#include "ButtonTestSupport.h"

namespace {

// A form with the button and a second control to hold the focus elsewhere.
struct Form {
    Form() : button(&form), other(&form) {
        form.resize(300, 100);
        button.setGeometry(10, 10, 143, 51);
        other.setGeometry(170, 10, 100, 24);
        button.SetModalResult(7);
        button.OnClick = [this](QObject* sender) {
            ++clicks;
            QCOMPARE(sender, &button);
        };
        form.show();
        form.activateWindow();
    }
    TFormBase form;
    TqeButton button;
    QLineEdit other;
    int clicks = 0;
};

}  // namespace

class ButtonInput : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { UseKnownPalette(); }

    void aNewButtonHasItsDefaults() {
        TqeButton button;
        QCOMPARE(button.size(), QSize(75, 26));
        QCOMPARE(button.ButtonStyle(), bsNormal);
        QCOMPARE(button.GradBeginColor(), clWhite);
        QCOMPARE(button.GradEndColor(), clSilver);
        QCOMPARE(button.focusPolicy(), Qt::TabFocus);
        QVERIFY(button.CaptionA().Caption().isEmpty() && button.CaptionB().Caption().isEmpty());
        QVERIFY(button.Image().Picture().IsEmpty());
        QCOMPARE(button.Image().Left(), 10);
        QVERIFY(button.HasFocus() && button.Gradation() && button.CaptionVertCenter());
    }

    void theFirstParentGivesTheNameAsCaptionOnce() {
        TFormBase form;
        TqeButton loaded(&form);  // a parent before a name, as when a form is loaded
        loaded.setObjectName("qeButton3");
        QVERIFY(loaded.CaptionA().Caption().isEmpty());
        TqeButton made;
        made.setObjectName("qeButton9");
        made.setParent(&form);
        QCOMPARE(made.CaptionA().Caption(), QString("qeButton9"));
        made.CaptionA().SetCaption("later");
        made.setParent(nullptr);
        made.setParent(&form);
        QCOMPARE(made.CaptionA().Caption(), QString("later"));
    }

    void pressDragOffDragBackReleaseInsideClicksOnceWithoutPressedLook() {
        Form f;
        QVERIFY(QTest::qWaitForWindowActive(&f.form));
        SendMouse(f.button, QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton);
        QVERIFY(f.button.IsPressed());
        QVERIFY(f.button.hasFocus());
        SendMouse(f.button, QEvent::MouseMove, {200, 20}, Qt::LeftButton);
        QVERIFY(!f.button.IsPressed());
        SendMouse(f.button, QEvent::MouseMove, {20, 20}, Qt::LeftButton);
        QVERIFY(!f.button.IsPressed());
        SendMouse(f.button, QEvent::MouseButtonRelease, {20, 20}, Qt::NoButton);
        QCOMPARE(f.clicks, 1);
        QVERIFY(!f.button.IsPressed());
        QCOMPARE(f.form.ModalResult(), 7);
    }

    void releaseOutsideDoesNotClick() {
        Form f;
        SendMouse(f.button, QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton);
        SendMouse(f.button, QEvent::MouseButtonRelease, {200, 20}, Qt::NoButton);
        QCOMPARE(f.clicks, 0);
        QVERIFY(!f.button.IsPressed());
    }

    void enterIsADialogKeyOnlyWithoutShiftCtrlOrAlt() {
        Form f;
        QVERIFY(QTest::qWaitForWindowActive(&f.form));
        f.button.setFocus();
        QTest::keyClick(&f.button, Qt::Key_Return);
        QCOMPARE(f.clicks, 1);
        QCOMPARE(f.form.ModalResult(), 7);
        f.form.SetModalResult(0);
        QTest::keyClick(&f.button, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(f.clicks, 2);  // through KeyDown: clicked, but no modal result
        QCOMPARE(f.form.ModalResult(), 0);
        QTest::keyClick(&f.button, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
        QCOMPARE(f.clicks, 3);
        QCOMPARE(f.form.ModalResult(), 0);
    }

    void escapeClicksACancelButtonWhereverTheFocusIs() {
        Form f;
        QVERIFY(QTest::qWaitForWindowActive(&f.form));
        f.other.setFocus();
        QTest::keyClick(&f.other, Qt::Key_Escape);
        QCOMPARE(f.clicks, 0);
        f.button.SetCancel(true);
        QTest::keyClick(&f.other, Qt::Key_Escape);
        QCOMPARE(f.clicks, 1);
        QTest::keyClick(&f.other, Qt::Key_Escape, Qt::AltModifier);
        QCOMPARE(f.clicks, 1);
    }

    void theSpaceBarNeverClicks() {
        Form f;
        QVERIFY(QTest::qWaitForWindowActive(&f.form));
        f.button.setFocus();
        QTest::keyClick(&f.button, Qt::Key_Space);
        QCOMPARE(f.clicks, 0);
    }

    void withoutHasFocusThePressLeavesTheFocusAndEnterClicksOnlyThroughKeyDown() {
        Form f;
        QVERIFY(QTest::qWaitForWindowActive(&f.form));
        int enters = 0;
        f.button.OnEnter = [&](QObject*) { ++enters; };
        f.button.SetHasFocus(false);
        f.other.setFocus();
        SendMouse(f.button, QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton);
        QVERIFY(f.other.hasFocus());
        SendMouse(f.button, QEvent::MouseButtonRelease, {20, 20}, Qt::NoButton);
        QCOMPARE(f.clicks, 1);
        f.form.SetModalResult(0);
        f.button.setFocus(Qt::TabFocusReason);
        QVERIFY(f.button.hasFocus());
        QCOMPARE(enters, 0);
        QTest::keyClick(&f.button, Qt::Key_Return);
        QCOMPARE(f.clicks, 2);
        QCOMPARE(f.form.ModalResult(), 0);
    }

    void pointerEnterAndLeaveCarryClientCoordinatesAndHeldKeys() {
        Form f;
        QVERIFY(QTest::qWaitForWindowActive(&f.form));
        struct Seen {
            TShiftState shift;
            int x, y;
        };
        std::vector<Seen> entered, left;
        f.button.OnMouseEnter = [&](QObject*, TShiftState s, int x, int y) {
            entered.push_back({s, x, y});
        };
        f.button.OnMouseLeave = [&](QObject*, TShiftState s, int x, int y) {
            left.push_back({s, x, y});
        };
        SendMouse(f.button, QEvent::MouseButtonPress, {30, 12}, Qt::LeftButton, Qt::ShiftModifier);
        SendMouse(f.button, QEvent::MouseMove, {160, 12}, Qt::LeftButton, Qt::ShiftModifier);
        SendMouse(f.button, QEvent::MouseMove, {40, 14}, Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(left.size(), 1u);
        QCOMPARE(left[0].x, 160);
        QCOMPARE(left[0].y, 12);
        QCOMPARE(left[0].shift, TShiftState(ssShift | ssLeft));
        QCOMPARE(entered.size(), 1u);
        QCOMPARE(entered[0].x, 40);
        QCOMPARE(entered[0].y, 14);
        QCOMPARE(entered[0].shift, TShiftState(ssShift | ssLeft));
        SendMouse(f.button, QEvent::MouseButtonRelease, {40, 14}, Qt::NoButton);
    }

    void thePointerCrossingWithoutAPressIsSeenToo() {
        Form f;
        QVERIFY(QTest::qWaitForWindowActive(&f.form));
        std::vector<QPoint> entered, left;
        f.button.OnMouseEnter = [&](QObject*, TShiftState, int x, int y) {
            entered.push_back({x, y});
        };
        f.button.OnMouseLeave = [&](QObject*, TShiftState, int x, int y) {
            left.push_back({x, y});
        };
        QTest::mouseMove(&f.form, QPoint(250, 80));
        QTest::mouseMove(&f.form, QPoint(60, 40));
        QTRY_COMPARE(entered.size(), 1u);
        QCOMPARE(entered[0], QPoint(50, 30));
        QTest::mouseMove(&f.form, QPoint(250, 80));
        QTRY_COMPARE(left.size(), 1u);
        QVERIFY(!f.button.IsPressed());
    }

    void assignmentsRepaintAtOnceOnlyWhenTheValueChanges() {
        Form f;
        QVERIFY(QTest::qWaitForWindowExposed(&f.form));
        QApplication::processEvents();
        PaintCounter paints(&f.button);
        f.button.SetGradBeginColor(clWhite);
        f.button.CaptionA().SetCaption("");
        f.button.SetCaptionLineSpace(4);
        f.button.Image().SetLeft(10);
        f.button.SetFlatFrameType(bffFlat);
        QCOMPARE(paints.count, 0);
        f.button.SetGradBeginColor(clSkyBlue);
        QCOMPARE(paints.count, 1);
        f.button.CaptionA().SetCaption(QString::fromUtf8("停止"));
        QCOMPARE(paints.count, 2);
        f.button.SetButtonStyle(bsNormal);  // the same style still repaints
        QCOMPARE(paints.count, 3);
        TqeBtnCaption line(f.button);
        f.button.SetCaptionB(line);  // every caption assignment repaints
        QVERIFY(paints.count >= 4);
        const int beforeEnabling = paints.count;
        f.button.setEnabled(false);  // only scheduled
        QCOMPARE(paints.count, beforeEnabling);
        QTRY_VERIFY(paints.count > beforeEnabling);
    }

    void centringFlagsSurviveAssigningTheCurrentPosition() {
        TqeButton button;
        button.SetCaptionTop(0);
        QVERIFY(button.CaptionVertCenter());
        button.Image().SetTop(0);
        QVERIFY(button.Image().VertCenter());
        button.SetCaptionTop(20);
        QVERIFY(!button.CaptionVertCenter());
        button.Image().SetTop(9);
        QVERIFY(!button.Image().VertCenter());
    }

    void roundedStylesShapeTheWindowForEverySize() {
        TFormBase form;
        TqeButton button(&form);
        button.resize(60, 30);
        form.show();  // a hidden widget gets its resize events only when shown
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        button.SetButtonStyle(bsRoundRect);
        QVERIFY(!button.mask().isEmpty());
        QVERIFY(!button.mask().contains(QPoint(0, 0)));
        QVERIFY(button.mask().contains(QPoint(30, 15)));
        QVERIFY(button.mask().contains(QPoint(59, 15)));
        button.SetButtonStyle(bsNormal);
        QVERIFY(button.mask().isEmpty());
        button.SetButtonStyle(bsRoundRectNoFrame);
        button.resize(100, 40);
        QVERIFY(button.mask().contains(QPoint(99, 20)));
        QVERIFY(!button.mask().contains(QPoint(99, 0)));
        TqeButton orphan;
        orphan.setObjectName("qeButton5");
        QVERIFY_THROWS_EXCEPTION(EInvalidOperation, orphan.SetButtonStyle(bsRoundRect));
        QCOMPARE(orphan.ButtonStyle(), bsRoundRect);
    }

    void assigningFromNothingIsRefused() {
        TqeButton button;
        QVERIFY_THROWS_EXCEPTION(EConvertError, button.CaptionA().Assign(nullptr));
        QVERIFY_THROWS_EXCEPTION(EConvertError, button.Image().Assign(nullptr));
    }
};

QTEST_MAIN(ButtonInput)
#include "test_qeButton_input.moc"
