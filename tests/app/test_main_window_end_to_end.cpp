// With the real extraction library: a one-shot click extracts the watch folder's
// archives and, when asked, removes them.
#include "../TemporaryFolder.h"
#include "../sevenzip32/ZipBuilder.h"
#include "MainWindowFixture.h"

class MainWindowEndToEnd : public QObject {
    Q_OBJECT
  private slots:
    void cleanupTestCase() { RemoveSettingsFile(); }

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
    }
};

QTEST_MAIN(MainWindowEndToEnd)
#include "test_main_window_end_to_end.moc"
