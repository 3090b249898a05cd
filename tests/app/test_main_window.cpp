// The main window and its two modes, with a fake extraction library that records the
// scans and a settings file of the test's own.
#include <dlfcn.h>
#include <QAccessible>

#include <qpa/qwindowsysteminterface.h>
#include <atomic>
#include <chrono>
#include <thread>

#include "../TemporaryFolder.h"
#include "../core/FakeLibraryState.h"
#include "ExecutablePath.h"
#include "MainWindowFixture.h"
#include "Unit2.h"

namespace {

struct Look {
    TColor begin, end;
};
Look LookOf(TqeButton* button) {
    return {button->GradBeginColor(), button->GradEndColor()};
}

}  // namespace

class MainWindow : public QObject {
    Q_OBJECT
    FakeLibrary* fake_ = nullptr;
    void* handle_ = nullptr;

  private slots:
    void initTestCase() {
        const auto path = platform::ExecutablePath().parent_path() / "lib7-zip32.so";
        handle_ = dlopen(path.c_str(), RTLD_NOW);
        QVERIFY2(handle_ != nullptr, "the fake library must stand beside the test");
        fake_ = reinterpret_cast<FakeLibraryStateFunction>(dlsym(handle_, "FakeLibraryState"))();
    }
    void init() { *fake_ = FakeLibrary{}; }
    void cleanupTestCase() {
        RemoveSettingsFile();
        *fake_ = FakeLibrary{};
        dlclose(handle_);
    }

    void firstStartWithoutASettingsFile() {
        RemoveSettingsFile();
        auto window = ShowMainWindow();
        QCOMPARE(window->windowTitle(), QString("Kesto 1.01"));
        QCOMPARE(window->StatusBar1->PanelText(0), QString::fromUtf8("5秒"));
        QCOMPARE(window->StatusBar1->PanelText(1), QString("-"));
        QCOMPARE(window->StatusBar1->PanelText(2), QString());
        QVERIFY(!window->qeButton1->isEnabled());
        QVERIFY(!window->qeButton2->isEnabled());
        QVERIFY(window->qeButton3->isEnabled());
        QVERIFY(!window->TimerEnabled());
        QCOMPARE(window->qeButton1->geometry(), QRect(0, 2, 143, 51));
        QCOMPARE(window->qeButton3->geometry(), QRect(288, 2, 73, 51));
        QCOMPARE(window->qeButton3->Image().Picture().Width(), 32);
        QVERIFY(!(window->windowFlags() & Qt::WindowCloseButtonHint));
        window.reset();
        QCOMPARE(QString::fromStdString(ReadWholeFile(SettingsFilePath().string())),
                 QString("\r\n5\r\n0\r\n"));
    }

    void storedSettingsAreShownAndSavedOnExit() {
        WriteSettingsFile("/watched/folder\r\n120\r\n1\r\nfourth\r\n");
        auto window = ShowMainWindow();
        QCOMPARE(window->StatusBar1->PanelText(0), QString::fromUtf8("120秒"));
        QCOMPARE(window->StatusBar1->PanelText(1), QString::fromUtf8("削除"));
        QCOMPARE(window->StatusBar1->PanelText(2), QString("/watched/folder"));
        QVERIFY(window->qeButton1->isEnabled() && window->qeButton2->isEnabled());
        QCOMPARE(window->Timer1->interval(), 120000);
        window->WatchFolder = "/changed";
        window.reset();
        QCOMPARE(ReadWholeFile(SettingsFilePath().string()),
                 std::string("/changed\r\n120\r\n1\r\n"));
    }

    void aOneShotClickScansOnceAndReturnsToIdle() {
        WriteSettingsFile("/watched\r\n5\r\n0\r\n");
        auto window = ShowMainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        bool busyLook = false;
        fake_->onCall = [&](const std::string&) {
            // While the scan runs: the working button sky blue, everything else off.
            const Look look = LookOf(window->qeButton1);
            busyLook = look.begin == clSkyBlue && look.end == clSkyBlue &&
                       !window->qeButton2->isEnabled() && !window->qeButton3->isEnabled() &&
                       !window->N1->isEnabled() && !window->File1->menuAction()->isEnabled();
            return 0;
        };
        const WatchedFolder watched("kesto-main-window-test");
        window->WatchFolder = watched.Path();
        ClickButton(window->qeButton1);
        QCOMPARE(fake_->calls.size(), 1u);
        QVERIFY(busyLook);
        QCOMPARE(LookOf(window->qeButton1).begin, clWhite);
        QCOMPARE(LookOf(window->qeButton1).end, clSilver);
        QVERIFY(window->qeButton2->isEnabled() && window->qeButton3->isEnabled());
        QVERIFY(window->N1->isEnabled() && window->File1->menuAction()->isEnabled());
        QCOMPARE(fake_->calls[0].ownerWindow, static_cast<uint32_t>(window->winId()));
    }

    // What a screen reader finds: three push buttons with their names and states, a
    // press action that clicks, and the new name in watching mode.
    void theButtonsAreNamedPushButtonsAScreenReaderCanPress() {
        WriteSettingsFile("/watched\r\n5\r\n0\r\n");
        auto window = ShowMainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const WatchedFolder watched("kesto-main-window-test");
        window->WatchFolder = watched.Path();
        struct Row {
            TqeButton* button;
            const char* name;
        };
        for (const Row& row :
             {Row{window->qeButton1, "一発解凍"}, Row{window->qeButton2, "連続解凍"},
              Row{window->qeButton3, "終了"}}) {
            QAccessibleInterface* described = QAccessible::queryAccessibleInterface(row.button);
            QVERIFY(described != nullptr);
            QCOMPARE(described->role(), QAccessible::Button);
            QCOMPARE(described->text(QAccessible::Name), QString::fromUtf8(row.name));
            QVERIFY(described->state().focusable && !described->state().disabled);
            QVERIFY(described->actionInterface()->actionNames().contains(
                QAccessibleActionInterface::pressAction()));
        }
        static QList<QAccessible::Event> announced;
        announced.clear();
        QAccessible::setActive(true);  // as when a screen reader listens
        QAccessible::installUpdateHandler(
            [](QAccessibleEvent* event) { announced.append(event->type()); });
        QAccessibleInterface* continuous = QAccessible::queryAccessibleInterface(window->qeButton2);
        continuous->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(continuous->text(QAccessible::Name), QString::fromUtf8("停止"));
        QVERIFY(QAccessible::queryAccessibleInterface(window->qeButton1)->state().disabled);
        continuous->actionInterface()->doAction(QAccessibleActionInterface::pressAction());

        QAccessible::queryAccessibleInterface(window->qeButton1)
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(fake_->calls.size(), 1u);
    }

    void theContinuousButtonTogglesTheModes() {
        WriteSettingsFile("/watched\r\n5\r\n0\r\n");
        auto window = ShowMainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        ClickButton(window->qeButton2);
        QCOMPARE(window->qeButton2->CaptionA().Caption(), QString::fromUtf8("停止"));
        QVERIFY(!window->qeButton1->isEnabled() && !window->qeButton3->isEnabled());
        QCOMPARE(LookOf(window->qeButton2).begin, clSkyBlue);
        QCOMPARE(LookOf(window->qeButton2).end, clSkyBlue);
        QVERIFY(!window->N1->isEnabled() && !window->File1->menuAction()->isEnabled());
        QVERIFY(window->Timer1->isActive());
        QCOMPARE(window->Timer1->interval(), 5000);
        ClickButton(window->qeButton2);
        QCOMPARE(window->qeButton2->CaptionA().Caption(), QString::fromUtf8("連続解凍"));
        QVERIFY(window->qeButton1->isEnabled() && window->qeButton3->isEnabled());
        QCOMPARE(LookOf(window->qeButton2).begin, clWhite);
        QCOMPARE(LookOf(window->qeButton2).end, clSilver);
        QVERIFY(window->N1->isEnabled() && window->File1->menuAction()->isEnabled());
        QVERIFY(!window->Timer1->isActive());
        QVERIFY(fake_->calls.empty());  // on and off within one interval: no scan
    }

    void eachTickScans() {
        WriteSettingsFile("/watched\r\n5\r\n0\r\n");
        auto window = ShowMainWindow();
        const WatchedFolder watched("kesto-tick-test");
        window->WatchFolder = watched.Path();
        ClickButton(window->qeButton2);
        window->Timer1->setInterval(20);  // the shortest the settings allow is 5 s
        QTRY_VERIFY(fake_->calls.size() >= 2);
        ClickButton(window->qeButton2);
    }

    void intervalsThatCannotBeTimedNeverScan() {
        for (const char* interval : {"0", "-3"}) {
            WriteSettingsFile(std::string("/watched\r\n") + interval + "\r\n0\r\n");
            auto window = ShowMainWindow();
            ClickButton(window->qeButton2);
            QVERIFY(window->TimerEnabled());
            QVERIFY(!window->Timer1->isActive());
        }
        WriteSettingsFile("/watched\r\n2147483647\r\n0\r\n");
        auto window = ShowMainWindow();
        QCOMPARE(window->Timer1->interval(), INT_MAX);
    }

    void theSettingsMenuOpensTheDialogAndTheWindowAppliesWhatItStored() {
        WriteSettingsFile("/watched\r\n5\r\n0\r\n");
        auto window = ShowMainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<TForm2*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            dialog->EllipsisEdit1->clear();
            dialog->CheckBox1->setChecked(true);
            dialog->SpeedButton1->click();
        });
        window->N1->trigger();
        QCOMPARE(window->WatchFolder, std::string());
        QVERIFY(!window->qeButton1->isEnabled() && !window->qeButton2->isEnabled());
        QCOMPARE(window->StatusBar1->PanelText(1), QString::fromUtf8("削除"));
        QCOMPARE(window->StatusBar1->PanelText(2), QString());
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<TForm2*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            dialog->EllipsisEdit1->setText("/typed");
            dialog->SpeedButton2->click();
        });
        window->N1->trigger();
        QCOMPARE(window->WatchFolder, std::string());
    }

    // The pass runs off the window's thread: the window goes on handling what is not user
    // input, a tick does not start a pass inside the pass, and a click made meanwhile
    // takes effect only once the pass is done.
    void duringAPassTheWindowLivesButInputWaits() {
        WriteSettingsFile("/watched\r\n5\r\n0\r\n");
        auto window = ShowMainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const WatchedFolder watched("kesto-pass-test");
        window->WatchFolder = watched.Path();
        std::atomic<bool> handledDuringPass = false;
        std::atomic<int> passesRunning = 0;
        int mostPassesAtOnce = 0;
        QString captionDuringPass;
        fake_->onCall = [&](const std::string&) {
            mostPassesAtOnce = std::max(mostPassesAtOnce, ++passesRunning);
            if (fake_->calls.size() == 1) {
                QMetaObject::invokeMethod(window.get(), [&] {
                    window->Timer1Timer();
                    const QPoint inside = window->qeButton2->mapTo(window.get(), QPoint(20, 20));
                    for (QEvent::Type type :
                         {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                        QWindowSystemInterface::handleMouseEvent<
                            QWindowSystemInterface::AsynchronousDelivery>(
                            window->windowHandle(), inside, window->mapToGlobal(inside),
                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                            Qt::LeftButton, type);
                    }
                    handledDuringPass = true;
                });
                for (int waited = 0; !handledDuringPass && waited < 2000; waited += 10) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                captionDuringPass = window->qeButton2->CaptionA().Caption();
            }
            --passesRunning;
            return 0;
        };
        ClickButton(window->qeButton1);
        QVERIFY(handledDuringPass);
        QCOMPARE(mostPassesAtOnce, 1);
        QCOMPARE(fake_->calls.size(), 1u);
        QCOMPARE(captionDuringPass, QString::fromUtf8("連続解凍"));
        QTRY_COMPARE(window->qeButton2->CaptionA().Caption(), QString::fromUtf8("停止"));
        ClickButton(window->qeButton2);
    }

    void anEndAskedForDuringAPassComesAfterIt() {
        WriteSettingsFile("/watched\r\n5\r\n0\r\n");
        auto window = ShowMainWindow();
        const WatchedFolder watched("kesto-end-test");
        window->WatchFolder = watched.Path();
        bool quitDuringPass = true;
        QTimer quitWatch;
        fake_->onCall = [&](const std::string&) {
            QMetaObject::invokeMethod(window.get(), [&] { window->EndInOrder(); });
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            quitDuringPass = false;
            return 0;
        };
        // The end is asked for during the pass; the application is told to quit after it.
        bool quitAfterPass = false;
        connect(qApp, &QCoreApplication::aboutToQuit, [&] { quitAfterPass = !quitDuringPass; });
        QTimer::singleShot(0, [&] { ClickButton(window->qeButton1); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(quitAfterPass);
    }

    void theWindowOpensWhereItFitsOnTheScreen() {
        const QSize window(363, 128);
        struct Row {
            QRect available;
            QPoint expected;
        };
        for (const Row& row : {
                 Row{{0, 0, 1024, 768}, {454, 339}},     // fits as it is
                 Row{{0, 0, 800, 400}, {437, 272}},      // moved just enough
                 Row{{0, 24, 640, 480}, {277, 339}},     // a panel at the top: still fits down
                 Row{{0, 0, 320, 100}, {0, 0}},          // smaller than the window: its corner
                 Row{{1024, 0, 800, 600}, {1024, 339}},  // a second screen to the right
             }) {
            QCOMPARE(PlacedOnScreen({454, 339}, window, row.available), row.expected);
        }
    }

    // The dialog closes as by its cancel button, then the program ends as by "終了".
    void anEndAskedForWhileTheDialogIsOpenCancelsItFirst() {
        WriteSettingsFile("/watched\r\n5\r\n0\r\n");
        auto window = ShowMainWindow();
        QTimer::singleShot(0, [&] { window->N1->trigger(); });
        QTimer::singleShot(100, [&] {
            auto* dialog = qobject_cast<TForm2*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            dialog->EllipsisEdit1->setText("/not/kept");
            window->EndInOrder();
        });
        QCOMPARE(QApplication::exec(), 0);
        window.reset();
        QCOMPARE(ReadWholeFile(SettingsFilePath().string()), std::string("/watched\r\n5\r\n0\r\n"));
    }

    // A password entered from a notification is tried at once in idle mode, and by the
    // next tick while watching; the dialog asked for again is the one already open.
    void aNewPasswordIsTriedAtOnceWhenIdle() {
        const TemporaryFolder config;
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.Path().string()));
        WriteSettingsFile("/watched\r\n5\r\n0\r\n");
        auto window = ShowMainWindow();
        const WatchedFolder watched("kesto-password-test");
        window->WatchFolder = watched.Path();
        for (const bool watching : {false, true}) {
            if (watching) {
                ClickButton(window->qeButton2);
            }
            window->AskForPassword("a.zip");
            TForm3* dialog = window->PasswordDialog();
            QVERIFY(dialog != nullptr && dialog->isVisible());
            window->AskForPassword("b.zip");
            QCOMPARE(window->PasswordDialog(), dialog);
            QCOMPARE(dialog->Label2->text(), QString("b.zip"));
            QTest::keyClicks(dialog->Edit1, watching ? "second" : "first");
            dialog->SpeedButton1->click();
            QTRY_VERIFY(window->PasswordDialog() == nullptr);  // closed and gone
            QTest::qWait(20);
            QCOMPARE(fake_->calls.size(), size_t{1});  // only the idle one ran a pass
        }
        ClickButton(window->qeButton2);
        QCOMPARE(ReadWholeFile(config / "kesto/passwords.txt"), std::string("first\nsecond\n"));
        qunsetenv("XDG_CONFIG_HOME");
    }

    void aCloseRequestIsIgnored() {
        RemoveSettingsFile();
        auto window = ShowMainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
    }
};

QTEST_MAIN(MainWindow)
#include "test_main_window.moc"
