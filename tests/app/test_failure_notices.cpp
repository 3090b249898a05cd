// Notifications of archives a pass could not extract: each archive once as it is, a new or
// changed one again, several in one notification, markup escaped; sent to the desktop's
// service on the session bus (here a private bus and a recording server) without ever
// waiting for it. An archive that wants a password says so, with an action to enter it
// where the server has actions, or where the list is where it has none.
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include "../FileContents.h"
#include "../TemporaryFolder.h"
#include "FailureNotices.h"
#include "FailureReasons.h"
#include "Reasons.h"

// Stands in for the desktop's notification server and records what it is told.
class RecordingServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    QStringList appNames, summaries, bodies;
    QList<QStringList> actions;
    QStringList capabilities = {"body", "actions"};

  public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& appName, uint, const QString&, const QString& summary,
                const QString& body, const QStringList& offered, const QVariantMap&, int) {
        appNames << appName;
        summaries << summary;
        bodies << body;
        actions << offered;
        return static_cast<uint>(100 + summaries.size());
    }

  signals:
    void ActionInvoked(uint id, const QString& action);
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

    RecordingServer server_;

  private slots:
    // One private bus for the process, whose session bus Qt connects to once.
    void initTestCase() {
        bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QVERIFY(bus_.waitForReadyRead(5000));
        const QByteArray address = bus_.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QDBusConnection serverBus = QDBusConnection::connectToBus(QString(address), "server");
        QVERIFY(serverBus.registerObject(
            "/org/freedesktop/Notifications", &server_,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        QVERIFY(serverBus.registerService("org.freedesktop.Notifications"));
    }
    void init() {
        server_.appNames.clear();
        server_.summaries.clear();
        server_.bodies.clear();
        server_.actions.clear();
        server_.capabilities = {"body", "actions"};
    }
    void cleanupTestCase() {
        bus_.kill();
        bus_.waitForFinished();
    }

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
        QVERIFY(first->body.find("&lt;x&gt;: CRC が一致しません") != std::string::npos);
        QVERIFY(first->body.find("Extracted") == std::string::npos);
        QVERIFY(!notices.NoticeFor({Failed("a.zip", report)}).has_value());
        WriteWholeFile(folder_ / "a.zip", "a changed archive");
        auto changed = notices.NoticeFor({Failed("a.zip", report), Failed("b&c.zip", report)});
        QVERIFY(changed.has_value());
        QCOMPARE(QString::fromStdString(changed->summary),
                 QString::fromUtf8("解凍できなかった書庫: a.zip"));
    }

    // Every reason the library can give, after an entry's name (one that holds a reason and
    // the separator itself), with a detail after it or without, or for the whole archive.
    void everyReasonOfTheLibraryIsShownInJapanese() {
        WriteWholeFile(folder_ / "r.zip", "r");
        using sevenzip32::Reason;
        for (int i = 0; i < static_cast<int>(Reason::kCount); ++i) {
            const std::string english(sevenzip32::TextOf(static_cast<Reason>(i)));
            const auto japanese = JapaneseReason(english);
            QVERIFY2(japanese && QString::fromUtf8(japanese->data(), japanese->size()) !=
                                     QString::fromLatin1(japanese->data(), japanese->size()),
                     english.c_str());  // there, and not in ASCII
            const std::string detail = i % 2 == 0 ? "" : ": a/b: No such file or directory";
            for (const std::string& name :
                 {std::string("CRC-32 mismatch: 資料/a.txt: "), std::string()}) {
                FailureNotices notices;
                const auto notice = notices.NoticeFor(
                    {Failed("r.zip", "Archive: r.zip\nFailed: " + name + english + detail + "\n")});
                const std::string shown = name + std::string(*japanese) + detail;
                QVERIFY2(notice->body.find("\n" + shown) != std::string::npos,
                         notice->body.c_str());
            }
        }
        QCOMPARE(ReportLineInJapanese("Failed: a.txt: a reason yet unknown"),
                 std::string("a.txt: a reason yet unknown"));
        QCOMPARE(ReportLineInJapanese("Command line refused: unknown switch: -q"),
                 std::string("コマンドラインを受け付けません: 知らないスイッチです: -q"));
        QCOMPARE(
            ReportLineInJapanese("Failed: the archive is cut short: 13 whole entries were read"),
            std::string("書庫が途中で切れています (ダウンロードの途中かもしれません): "
                        "完全に届いたファイルは 13 個です"));
        QCOMPARE(ReportLineInJapanese(
                     "Failed: a.bin: not enough free space on the disk: 8.4 MB needed, 5 KB free"),
                 std::string("a.bin: ディスクの空き容量が足りません: 必要 8.4 MB、空き 5 KB"));
    }

    void anArchiveThatWantsAPasswordSaysSo() {
        WriteWholeFile(folder_ / "locked.zip", "l");
        WriteWholeFile(folder_ / "other.zip", "o");
        FailureNotices notices;
        const std::string locked =
            "Archive: x\nExtracted 1 files; 1 failed.\nFailed: a.txt: no listed password opens "
            "it\n";
        auto notice = notices.NoticeFor({Failed("locked.zip", locked)});
        QVERIFY(notice.has_value());
        QCOMPARE(QString::fromStdString(notice->summary),
                 QString::fromUtf8("パスワードが必要です: locked.zip"));
        QCOMPARE(notice->wantsPassword.value_or(""), std::string("locked.zip"));
        QVERIFY(!WantsPassword("Failed: a.txt: CRC-32 mismatch\n"));
        QVERIFY(!WantsPassword("Extracted: no listed password opens it\n"));
        WriteWholeFile(folder_ / "locked.zip", "changed");
        notice = notices.NoticeFor(
            {Failed("other.zip", "Failed: damaged\n"), Failed("locked.zip", locked)});
        QVERIFY(notice->body.find("<b>locked.zip</b>: パスワードが必要です") != std::string::npos);
        QCOMPARE(notice->wantsPassword.value_or(""), std::string("locked.zip"));
    }

    void theDesktopsServiceIsToldOnAPrivateBus() {
        RecordingServer& server = server_;

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
        QCOMPARE(server.actions[1], QStringList());
    }

    // Where the server has actions, the notification offers one, and choosing it asks the
    // window for the password; where it has none, the body says where the list is.
    void thePasswordIsAskedForThroughTheNotification() {
        for (const bool withActions : {true, false}) {
            init();
            RecordingServer& server = server_;
            if (!withActions) {
                server.capabilities = {"body"};
            }
            WriteWholeFile(folder_ / "locked.zip", withActions ? "with" : "without");
            FailureNotices notices;
            std::vector<std::string> asked;
            notices.OnPasswordWanted = [&](const std::string& name) { asked.push_back(name); };
            notices.Announce({Failed("locked.zip", "Failed: a: no listed password opens it\n")});
            QTRY_COMPARE(server.summaries.size(), 1);
            if (!withActions) {
                QCOMPARE(server.actions[0], QStringList());
                QVERIFY(server.bodies[0].contains(QString::fromStdString(WhereThePasswordsAre())));
                continue;
            }
            QCOMPARE(server.actions[0],
                     (QStringList{"kesto-password", QString::fromUtf8("パスワードを入力…")}));
            // Once the answer with the notification's id is back, its action asks.
            QTRY_VERIFY((emit server.ActionInvoked(101, "kesto-password"), !asked.empty()));
            QTest::qWait(50);
            asked.clear();
            emit server.ActionInvoked(999, "kesto-password");  // another program's
            emit server.ActionInvoked(101, "default");
            emit server.ActionInvoked(101, "kesto-password");
            QTRY_COMPARE(asked.size(), size_t{1});
            QTest::qWait(50);
            QCOMPARE(asked, std::vector<std::string>{"locked.zip"});
        }
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
