// Notifications of archives a pass could not extract: each archive once as it is, a new or
// changed one again, several in one notification, markup escaped; sent to the desktop's
// service on the session bus (here a private bus and a recording server) without ever
// waiting for it.
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include "../FileContents.h"
#include "../TemporaryFolder.h"
#include "FailureNotices.h"

// Stands in for the desktop's notification server and records what it is told.
class RecordingServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    QStringList appNames, summaries, bodies;

  public slots:
    uint Notify(const QString& appName, uint, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap&, int) {
        appNames << appName;
        summaries << summary;
        bodies << body;
        return static_cast<uint>(summaries.size());
    }
};

class FailureNoticesTest : public QObject {
    Q_OBJECT
    TemporaryFolder folder_;
    QProcess bus_;

    ArchiveOutcome Failed(const std::string& name, const std::string& report) {
        ArchiveOutcome outcome;
        outcome.path = folder_ / name;
        outcome.identity = platform::IdentityOf(outcome.path);
        outcome.report = report;
        return outcome;
    }

  private slots:
    void eachArchiveIsToldOnceAsItIs() {
        WriteWholeFile(folder_ / "a.zip", "a");
        WriteWholeFile(folder_ / "b&c.zip", "b");
        FailureNotices notices;
        const std::string report =
            "Archive: x\nExtracted 0 files; 1 failed.\nFailed: <x>: CRC-32 mismatch\n";
        auto first = notices.NoticeFor({Failed("a.zip", report), Failed("b&c.zip", report)});
        QVERIFY(first.has_value());
        QCOMPARE(QString::fromStdString(first->summary),
                 QString::fromUtf8("解凍できなかった書庫が 2 個あります"));
        QVERIFY(first->body.find("<b>b&amp;c.zip</b>") != std::string::npos);
        QVERIFY(first->body.find("Failed: &lt;x&gt;: CRC-32 mismatch") != std::string::npos);
        QVERIFY(first->body.find("Extracted") == std::string::npos);
        QVERIFY(!notices.NoticeFor({Failed("a.zip", report)}).has_value());
        WriteWholeFile(folder_ / "a.zip", "a changed archive");
        auto changed = notices.NoticeFor({Failed("a.zip", report), Failed("b&c.zip", report)});
        QVERIFY(changed.has_value());
        QCOMPARE(QString::fromStdString(changed->summary),
                 QString::fromUtf8("解凍できなかった書庫: a.zip"));
    }

    void theDesktopsServiceIsToldOnAPrivateBus() {
        bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QVERIFY(bus_.waitForReadyRead(5000));
        const QByteArray address = bus_.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QDBusConnection serverBus = QDBusConnection::connectToBus(QString(address), "server");
        RecordingServer server;
        QVERIFY(serverBus.registerObject("/org/freedesktop/Notifications", &server,
                                         QDBusConnection::ExportAllSlots));
        QVERIFY(serverBus.registerService("org.freedesktop.Notifications"));

        WriteWholeFile(folder_ / "damaged.zip", "damaged");
        FailureNotices notices;
        const auto damaged = Failed("damaged.zip", "Failed: the end of the archive is missing\n");
        notices.Announce({damaged});
        QTRY_COMPARE(server.summaries.size(), 1);
        QCOMPARE(server.appNames[0], QString("Kesto"));
        QCOMPARE(server.summaries[0], QString::fromUtf8("解凍できなかった書庫: damaged.zip"));
        notices.Announce({damaged});  // the next pass over the unchanged folder
        QTest::qWait(200);
        QCOMPARE(server.summaries.size(), 1);
        WriteWholeFile(folder_ / "replacement", "another damaged one");
        std::filesystem::rename(folder_ / "replacement", folder_ / "damaged.zip");
        notices.Announce({Failed("damaged.zip", "Failed: no\n")});
        QTRY_COMPARE(server.summaries.size(), 2);
        bus_.kill();
        bus_.waitForFinished();
    }

    void withoutAServiceNothingWaits() {
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder_ / "no-runtime"));
        WriteWholeFile(folder_ / "lonely.zip", "x");
        FailureNotices notices;
        QElapsedTimer timer;
        timer.start();
        notices.Announce({Failed("lonely.zip", "Failed: no\n")});
        QVERIFY(timer.elapsed() < 100);
    }
};

QTEST_GUILESS_MAIN(FailureNoticesTest)
#include "test_failure_notices.moc"
