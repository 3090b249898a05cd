// The settings dialog: what it shows of the main window's settings and what it writes
// back, through "設定", "ｷｬﾝｾﾙ" and the folder browser.
#include <QAccessible>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include "Unit2.h"

namespace {

struct Stored {
    std::string WatchFolder, WatchInterval, DeleteSource;
    SettingsFields Fields() { return {WatchFolder, WatchInterval, DeleteSource}; }
};

}  // namespace

class SettingsDialog : public QObject {
    Q_OBJECT
    QWidget mainWindow_;

  private slots:
    void initTestCase() { mainWindow_.setGeometry(454, 339, 363, 96); }

    // Every field named as its label names it; the three-dot button a pressable button.
    void aScreenReaderFindsEveryFieldByName() {
        Stored stored{"/in", "10", "0"};
        TForm2 dialog(stored.Fields(), mainWindow_);
        struct Row {
            QWidget* field;
            QAccessible::Role role;
            const char* name;
        };
        for (const Row& row :
             {Row{dialog.EllipsisEdit1, QAccessible::EditableText, "監視ﾌｫﾙﾀﾞ"},
              Row{dialog.SpinEdit1, QAccessible::SpinBox, "監視ｲﾝﾀｰﾊﾞﾙ"},
              Row{dialog.CheckBox1, QAccessible::CheckBox, "解凍済み元ファイルを削除"},
              Row{dialog.SpeedButton1, QAccessible::Button, "設定"},
              Row{dialog.SpeedButton2, QAccessible::Button, "ｷｬﾝｾﾙ"}}) {
            QAccessibleInterface* described = QAccessible::queryAccessibleInterface(row.field);
            QVERIFY(described != nullptr);
            QCOMPARE(described->role(), row.role);
            QCOMPARE(described->text(QAccessible::Name), QString::fromUtf8(row.name));
        }
        bool pressed = false;
        dialog.EllipsisEdit1->EllipsisButton->OnClick = [&] { pressed = true; };
        QAccessibleInterface* ellipsis =
            QAccessible::queryAccessibleInterface(dialog.EllipsisEdit1->EllipsisButton);
        QCOMPARE(ellipsis->role(), QAccessible::Button);
        QVERIFY(!ellipsis->text(QAccessible::Name).isEmpty());
        ellipsis->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(pressed);
    }

    void cancelLeavesEverySettingAsItWas() {
        Stored stored{"/in", "120", "2"};
        TForm2 dialog(stored.Fields(), mainWindow_);
        QCOMPARE(dialog.SpinEdit1->value(), 60);
        QVERIFY(!dialog.CheckBox1->isChecked());
        dialog.EllipsisEdit1->setText("/elsewhere");
        dialog.CheckBox1->setChecked(true);
        dialog.SpeedButton2->click();
        QCOMPARE(dialog.ModalResult(), TForm2::mrCancel);
        QCOMPARE(stored.WatchFolder, std::string("/in"));
        QCOMPARE(stored.WatchInterval, std::string("120"));
        QCOMPARE(stored.DeleteSource, std::string("2"));
    }

    void confirmingUntouchedStoresWhatIsShown() {
        Stored stored{"/in", "120", "2"};
        TForm2 dialog(stored.Fields(), mainWindow_);
        dialog.SpeedButton1->click();
        QCOMPARE(dialog.ModalResult(), TForm2::mrOk);
        QCOMPARE(stored.WatchFolder, std::string("/in"));
        QCOMPARE(stored.WatchInterval, std::string("60"));
        QCOMPARE(stored.DeleteSource, std::string("0"));
        Stored low{"", "0", "1"};
        TForm2 second(low.Fields(), mainWindow_);
        QVERIFY(second.CheckBox1->isChecked());
        second.SpeedButton1->click();
        QCOMPARE(low.WatchInterval, std::string("5"));
        QCOMPARE(low.DeleteSource, std::string("1"));
    }

    void anEmptiedFieldAndATypedIntervalAreStoredAsTheyStand() {
        Stored stored{"/in", "10", "0"};
        TForm2 dialog(stored.Fields(), mainWindow_);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.EllipsisEdit1->clear();
        dialog.SpinEdit1->setFocus();
        dialog.SpinEdit1->selectAll();
        QTest::keyClicks(dialog.SpinEdit1, "99");
        dialog.SpeedButton1->click();  // takes no focus: 99 is not forced into range yet
        QCOMPARE(stored.WatchFolder, std::string());
        QCOMPARE(stored.WatchInterval, std::string("99"));
        dialog.SpinEdit1->clearFocus();
        QCOMPARE(dialog.SpinEdit1->text(), QString("60"));
    }

    void aFolderChosenInTheBrowserLandsInTheFieldButOnlyConfirmingStoresIt() {
        Stored stored{"/in", "5", "0"};
        TForm2 dialog(stored.Fields(), mainWindow_);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTimer::singleShot(0, [] {
            QWidget* browser = QApplication::activeModalWidget();
            QVERIFY(browser != nullptr);
            browser->findChild<QPushButton*>("ok")->click();  // the drives folder, "/"
        });
        dialog.EllipsisEdit1EllipsisClick(dialog.EllipsisEdit1);
        QCOMPARE(dialog.EllipsisEdit1->text(), QString("/"));
        dialog.SpeedButton2->click();
        QCOMPARE(stored.WatchFolder, std::string("/in"));
        QCOMPARE(dialog.SHBrowseForFolderEx1->Caption, QString::fromUtf8("監視ﾌｫﾙﾀﾞ"));
    }

    void theDialogIsCentredOverTheMainWindow() {
        QCOMPARE(TForm2::CentredOver(QRect(454, 339, 363, 96), QSize(501, 100)), QPoint(385, 337));
        QCOMPARE(TForm2::CentredOver(QRect(10, 0, 363, 96), QSize(501, 100)), QPoint(0, 0));
        Stored stored{"", "5", "0"};
        TForm2 dialog(stored.Fields(), mainWindow_);
        QCOMPARE(dialog.size(), QSize(501, 100));
        QCOMPARE(dialog.windowTitle(), QString::fromUtf8("設定"));
        QCOMPARE(dialog.EllipsisEdit1->geometry(), QRect(86, 16, 403, 20));
        QCOMPARE(dialog.SpeedButton1->focusPolicy(), Qt::NoFocus);
    }
};

QTEST_MAIN(SettingsDialog)
#include "test_settings_dialog.moc"
