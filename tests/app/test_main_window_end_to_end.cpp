// With the real extraction library: a one-shot click extracts the watch folder's
// archives and, when asked, removes them; a password entered from a notification is
// tried, answered and, when wrong, taken out of the list again.
#include <cstdlib>

#include "../TemporaryFolder.h"
#include "../sevenzip32/ZipBuilder.h"
#include "MainWindowFixture.h"
#include "RecordingServer.h"

class MainWindowEndToEnd : public QObject {
    Q_OBJECT
    RecordingServer server_;

  private slots:
    void initTestCase() { QVERIFY(server_.Start()); }
    void cleanupTestCase() {
        RemoveSettingsFile();
        server_.Stop();
    }

    void aOneShotClickExtractsTheArchives() {
        TemporaryFolder watch;
        WriteWholeFile(watch / "letters.zip",
                       testzip::Archive({testzip::File("letters/a.txt", "alpha"),
                                         testzip::File("letters/b.txt", "beta")}));
        WriteSettingsFile(watch.Path().string() + "/\r\n5\r\n1\r\n");
        auto window = ShowMainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        ClickButton(window->qeButton1);
        QCOMPARE(ReadWholeFile(watch / "letters/a.txt"), std::string("alpha"));
        QCOMPARE(ReadWholeFile(watch / "letters/b.txt"), std::string("beta"));
        QVERIFY(!std::filesystem::exists(watch / "letters.zip"));
        QTRY_COMPARE(server_.Summaries(),
                     QStringList{QString::fromUtf8("解凍しました: letters.zip")});
    }

    void aWrongPasswordIsAnsweredAndTakenOut() {
        const TemporaryFolder watch, config;
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.Path().string()));
        const std::string list = config / "kesto/passwords.txt";
        WriteWholeFile(watch / "secret.txt", "the contents");
        QCOMPARE(std::system(("cd '" + watch.Path().string() +
                              "' && zip -q -P secret 報告書.zip secret.txt && rm secret.txt")
                                 .c_str()),
                 0);
        std::filesystem::last_write_time(
            watch / "報告書.zip",  // arrived a while ago
            std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
        WriteSettingsFile(watch.Path().string() + "\r\n5\r\n1\r\n");
        auto window = ShowMainWindow();
        const auto tryPassword = [&](const char* password, bool saysLastFailed) {
            emit server_.ActionInvoked(server_.shown.last().id, "kesto-password");
            QTRY_VERIFY(window->PasswordDialog() != nullptr);
            TForm3* dialog = window->PasswordDialog();
            QCOMPARE(dialog->Label4->isVisibleTo(dialog), saysLastFailed);
            QTest::keyClicks(dialog->Edit1, password);
            dialog->SpeedButton1->click();
        };
        server_.Clear();
        ClickButton(window->qeButton1);
        QTRY_COMPARE(server_.Summaries(),
                     QStringList{QString::fromUtf8("パスワードが必要です: 報告書.zip")});
        tryPassword("wrong", false);
        QTRY_COMPARE(server_.shown.size(), 2);
        QCOMPARE(server_.shown[1].summary, QString::fromUtf8("パスワードが違います: 報告書.zip"));
        QCOMPARE(ReadWholeFile(list), std::string());
        tryPassword("secret", true);
        QTRY_COMPARE(server_.shown.size(), 3);
        QCOMPARE(server_.shown[2].summary, QString::fromUtf8("解凍しました: 報告書.zip"));
        // The first closed once the second said it again, the second once it was opened.
        QCOMPARE(server_.closed, (QList<uint>{server_.shown[0].id, server_.shown[1].id}));
        QCOMPARE(ReadWholeFile(list), std::string("secret\n"));
        QCOMPARE(ReadWholeFile(watch / "secret.txt"), std::string("the contents"));
        qunsetenv("XDG_CONFIG_HOME");
    }
};

QTEST_MAIN(MainWindowEndToEnd)
#include "test_main_window_end_to_end.moc"
