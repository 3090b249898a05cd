// What the user is told of a pass, through the desktop's notification service (here a
// private bus and a recording server), never waiting for it: each failing archive once as
// it is, several in one notification, markup escaped; nothing of an archive still
// arriving; a notification taken back once its archives were extracted or are gone; an
// answer for every password; and one quiet word, never stacked, when archives were
// extracted.
#include <sys/prctl.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QtTest>
#include <csignal>

#include "../FileContents.h"
#include "../TemporaryFolder.h"
#include "ArrivingArchives.h"
#include "FailureNotices.h"
#include "FailureReasons.h"
#include "RecordingServer.h"
#include "ReportLines.h"
#include "SuccessNotices.h"

namespace {

using contract::Reason;

// A report as the library writes it: its summary, then one entry that failed.
std::string ReportOf(const contract::EntryCounts& counts, const std::string& entry, Reason reason) {
    return contract::ArchiveLine("x") + "\n" + contract::SummaryLine(counts) + "\n" +
           contract::EntryFailureLine(entry, contract::ReasonText(reason)) + "\n";
}

// The line of a failure of the archive as a whole.
std::string ArchiveFailure(const std::string& reasonText) {
    return contract::FailureLine(contract::FailureKind::Failed, reasonText);
}

const std::string kDamaged = ReportOf({.failed = 1}, "<x>", Reason::kCrcMismatch);
const std::string kLocked =
    ReportOf({.files = 1, .failed = 1}, "a.txt", Reason::kNoPasswordOpensIt);

// Sets the file's time that far in the past.
void Age(const std::filesystem::path& path, std::chrono::seconds age) {
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - age);
}

}  // namespace

class FailureNoticesTest : public QObject {
    Q_OBJECT
    TemporaryFolder folder_;
    RecordingServer server_;

    // The archive, written now unless it is there, as a pass found it.
    ArchiveOutcome Met(const std::string& name, const std::string& report, bool extracted = false) {
        if (!std::filesystem::exists(folder_ / name)) {
            WriteWholeFile(folder_ / name, name);
            Age(folder_ / name, std::chrono::minutes(1));
        }
        ArchiveOutcome outcome;
        outcome.path = folder_ / name;
        outcome.identity = platform::IdentityOf(outcome.path);
        outcome.extracted = extracted;
        outcome.report = report;
        return outcome;
    }
    static PassOutcome Pass(std::vector<ArchiveOutcome> archives) {
        return {std::chrono::system_clock::now(), std::move(archives)};
    }

  private slots:
    void initTestCase() { QVERIFY(server_.Start()); }
    void init() {
        server_.Clear();
        std::filesystem::remove_all(folder_.Path());
        std::filesystem::create_directories(folder_.Path());
    }
    void cleanupTestCase() { server_.Stop(); }

    void eachArchiveIsToldOnceAsItIs() {
        DesktopNotifications desktop;
        FailureNotices notices(desktop);
        notices.Announce(Pass({Met("a.zip", kDamaged), Met("b&c.zip", kDamaged)}), {}, {});
        QTRY_COMPARE(server_.shown.size(), 1);
        QCOMPARE(server_.shown[0].summary,
                 QString::fromUtf8("解凍できなかった書庫が 2 個あります"));
        QVERIFY(server_.shown[0].body.contains("<b>b&amp;c.zip</b>"));
        QVERIFY(
            server_.shown[0].body.contains(QString::fromUtf8("&lt;x&gt;: ファイルが壊れています")));
        QVERIFY(!server_.shown[0].body.contains("Extracted"));
        QCOMPARE(server_.shown[0].actions, QStringList());
        notices.Announce(Pass({Met("a.zip", kDamaged), Met("b&c.zip", kDamaged)}), {}, {});
        WriteWholeFile(folder_ / "a.zip", "a changed archive");
        Age(folder_ / "a.zip", std::chrono::minutes(1));
        notices.Announce(Pass({Met("a.zip", kDamaged), Met("b&c.zip", kDamaged)}), {}, {});
        QTRY_COMPARE(server_.shown.size(), 3);  // the first without it, and a new one
        QCOMPARE(server_.shown[1].replacing, server_.shown[0].id);
        QCOMPARE(server_.shown[1].summary, QString::fromUtf8("解凍できなかった書庫: b&c.zip"));
        QCOMPARE(server_.shown[2].replacing, 0u);
        QCOMPARE(server_.shown[2].summary, QString::fromUtf8("解凍できなかった書庫: a.zip"));
    }

    // An archive growing across passes, or modified just now, is not told of; the first
    // pass that finds it unchanged and still failing tells of it. A missing volume that
    // turns up is a change of the archive's.
    void anArchiveStillArrivingIsToldOfOnceItIsStill() {
        DesktopNotifications desktop;
        FailureNotices notices(desktop);
        ArrivingArchives arriving;
        const auto pass = [&](const std::vector<ArchiveOutcome>& archives) {
            const PassOutcome outcome = Pass(archives);
            notices.Announce(outcome, arriving.LookAt(outcome), {});
            QTest::qWait(100);
        };
        WriteWholeFile(folder_ / "download.zip", "PK");
        pass({Met("download.zip", kDamaged)});  // modified just now
        WriteWholeFile(folder_ / "download.zip", "PK\3\4 more");
        Age(folder_ / "download.zip", std::chrono::minutes(1));
        pass({Met("download.zip", kDamaged)});  // grew since
        QCOMPARE(server_.shown.size(), 0);
        pass({Met("download.zip", kDamaged)});
        QTRY_COMPARE(server_.Summaries(),
                     QStringList{QString::fromUtf8("解凍できなかった書庫: download.zip")});

        WriteWholeFile(folder_ / "set.zip", "copied before its volume");
        auto split =
            Met("set.zip", ArchiveFailure(contract::ReasonText(Reason::kVolumeMissing, "set.z01")));
        pass({split});
        Age(folder_ / "set.zip", std::chrono::minutes(1));
        split = Met("set.zip", ArchiveFailure(contract::ReasonText(Reason::kVolumeShort)));
        split.volumes = {{folder_ / "set.z01", *platform::IdentityOf(folder_ / "download.zip")}};
        pass({split});
        pass({Met("set.zip", "", true)});
        QCOMPARE(server_.shown.size(), 1);
    }

    // A pass the user asked for is always answered: an archive modified just now is told
    // of at once, with a word that it may still be arriving, and not again while it stays.
    void aOneShotPassTellsOfAnArchiveStillArriving() {
        DesktopNotifications desktop;
        FailureNotices notices(desktop);
        ArrivingArchives arriving;
        WriteWholeFile(folder_ / "dropped.zip", "PK");
        const PassOutcome outcome = Pass({Met("dropped.zip", kDamaged)});
        notices.Announce(outcome, arriving.LookAt(outcome), {}, FailureNotices::PassKind::OneShot);
        QTRY_COMPARE(server_.Summaries(),
                     QStringList{QString::fromUtf8("解凍できなかった書庫: dropped.zip")});
        QVERIFY(server_.shown[0].body.contains(QString::fromUtf8("コピー中かもしれません")));
        notices.Announce(outcome, arriving.LookAt(outcome), {});
        QTest::qWait(100);
        QCOMPARE(server_.shown.size(), 1);
    }

    // Closed once every archive it names was extracted or is gone; one naming two is
    // shown again in its place naming the one still failing.
    void aNotificationIsTakenBackOnceItsArchivesAreWell() {
        DesktopNotifications desktop;
        FailureNotices notices(desktop);
        notices.Announce(Pass({Met("one.zip", kDamaged), Met("two.zip", kDamaged)}), {}, {});
        notices.Announce(Pass({Met("three.zip", kDamaged)}), {}, {});
        QTRY_COMPARE(server_.shown.size(), 2);
        notices.Announce(
            Pass({Met("one.zip", "", true), Met("two.zip", kDamaged), Met("three.zip", "", true)}),
            {}, {});
        QTRY_COMPARE(server_.shown.size(), 3);
        QCOMPARE(server_.shown[2].replacing, server_.shown[0].id);
        QCOMPARE(server_.shown[2].summary, QString::fromUtf8("解凍できなかった書庫: two.zip"));
        QTRY_COMPARE(server_.closed, QList<uint>{server_.shown[1].id});
        std::filesystem::remove(folder_ / "two.zip");
        notices.Announce(Pass({}), {}, {});  // gone, though the pass did not meet it
        QTRY_COMPARE(server_.closed.size(), 2);
        QCOMPARE(server_.closed[1], server_.shown[0].id);
        // Once the user dismissed one, it is never shown again in its place.
        notices.Announce(Pass({Met("four.zip", kDamaged), Met("five.zip", kDamaged)}), {}, {});
        QTRY_COMPARE(server_.shown.size(), 4);
        emit server_.NotificationClosed(server_.shown[3].id, 2);
        QTest::qWait(100);
        notices.Announce(Pass({Met("four.zip", "", true), Met("five.zip", kDamaged)}), {}, {});
        QTest::qWait(200);
        QCOMPARE(server_.shown.size(), 4);
    }

    // Every reason the library can give, after an entry's name (one that holds a reason
    // and the separator itself), with a detail after it or without, or for the archive.
    void everyReasonOfTheLibraryIsShownInJapanese() {
        for (int i = 0; i < static_cast<int>(Reason::kCount); ++i) {
            const std::string english(contract::WordsOf(static_cast<Reason>(i)));
            const std::string_view japanese = contract::JapaneseOf(static_cast<Reason>(i));
            QVERIFY2(QString::fromUtf8(japanese.data(), japanese.size()) !=
                         QString::fromLatin1(japanese.data(), japanese.size()),
                     english.c_str());  // there, and not in ASCII
            const std::string detail = i % 2 == 0 ? "" : ": a/b: No such file or directory";
            for (const std::string& name :
                 {std::string("CRC-32 mismatch: 資料/a.txt: "), std::string()}) {
                QCOMPARE(ReportLineInJapanese(ArchiveFailure(name + english + detail)),
                         name + std::string(japanese) + detail);
            }
        }
        struct Row {
            std::string line;
            const char* shown;
        };
        for (const Row& row : {
                 Row{"Failed: a.txt: a reason yet unknown", "a.txt: a reason yet unknown"},
                 Row{contract::FailureLine(contract::FailureKind::CommandLineRefused,
                                           contract::ReasonText(Reason::kUnknownSwitch, "-q")),
                     "コマンドラインを受け付けません: 知らないスイッチです: -q"},
                 Row{ArchiveFailure(
                         contract::ReasonText(Reason::kCutShort, contract::CutShortDetail(13))),
                     "書庫が途中で切れています (ダウンロード中かもしれません): "
                     "完全に届いたファイルは 13 個です"},
                 Row{contract::EntryFailureLine(
                         "a.bin", contract::ReasonText(Reason::kNotEnoughSpace,
                                                       contract::SpaceDetail("8.4 MB", "5 KB"))),
                     "a.bin: ディスクの空きが足りません: 必要 8.4 MB、空き 5 KB"},
             }) {
            QCOMPARE(QString::fromStdString(ReportLineInJapanese(row.line)),
                     QString::fromUtf8(row.shown));
        }
    }

    // Wanted while the list is missing or empty, wrong where it held passwords, and
    // asked again, as wrong, once the list changed; the action asks the window for it,
    // saying whether the last did not open it. Without actions the body says where the
    // list is.
    // An archive whose names are encrypted wants a password as a whole: said once, beside
    // its name.
    void anArchiveThatWantsAPasswordWholeIsToldSo() {
        DesktopNotifications desktop;
        FailureNotices notices(desktop);
        const std::string locked = ArchiveFailure(contract::ReasonText(Reason::kNoPasswordOpensIt));
        notices.Announce(Pass({Met("秘密.7z", locked)}), {}, {});
        QTRY_COMPARE(server_.shown.size(), 1);
        QCOMPARE(server_.shown[0].summary, QString::fromUtf8("パスワードが必要です: 秘密.7z"));
        QCOMPARE(server_.shown[0].body, QString::fromUtf8("<b>秘密.7z</b>: パスワードが必要です"));
        server_.Clear();
    }

    void everyPasswordGetsAnAnswer() {
        DesktopNotifications desktop;
        FailureNotices notices(desktop);
        std::vector<std::pair<std::string, bool>> asked;
        notices.OnPasswordWanted = [&](const std::string& name, bool lastFailed) {
            asked.emplace_back(name, lastFailed);
        };
        const auto list = folder_ / "passwords.txt";
        PasswordsAfterPass passwords;
        notices.Announce(Pass({Met("報告書.zip", kLocked)}), {}, passwords);
        QTRY_COMPARE(server_.shown.size(), 1);
        QCOMPARE(server_.shown[0].summary, QString::fromUtf8("パスワードが必要です: 報告書.zip"));
        QVERIFY(server_.shown[0].body.contains(QString::fromUtf8("a.txt: パスワードが必要です")));
        QCOMPARE(server_.shown[0].actions,
                 (QStringList{"kesto-password", QString::fromUtf8("パスワードを入力…")}));
        emit server_.ActionInvoked(server_.shown[0].id, "kesto-password");
        emit server_.ActionInvoked(999, "kesto-password");  // another program's
        emit server_.ActionInvoked(server_.shown[0].id, "default");
        QTRY_COMPARE(asked.size(), size_t{1});
        QCOMPARE(asked[0], std::make_pair(std::string("報告書.zip"), false));

        notices.Announce(Pass({Met("報告書.zip", kLocked)}), {}, passwords);  // unchanged
        WriteWholeFile(list, "wrong\n");
        passwords = {true, platform::IdentityOf(list), {}};
        notices.Announce(Pass({Met("報告書.zip", kLocked)}), {}, passwords);
        QTRY_COMPARE(server_.shown.size(), 2);
        QCOMPARE(server_.shown[1].summary, QString::fromUtf8("パスワードが違います: 報告書.zip"));
        QVERIFY(server_.shown[1].body.contains(QString::fromUtf8("a.txt: パスワードが違います")));
        emit server_.ActionInvoked(server_.shown[1].id, "kesto-password");
        QTRY_COMPARE(asked.size(), size_t{2});
        QCOMPARE(asked[1], std::make_pair(std::string("報告書.zip"), true));
        // A password from the dialog that did not open it: wrong, whatever the list is now.
        passwords = {false, platform::IdentityOf(list), {folder_ / "報告書.zip"}};
        notices.Announce(Pass({Met("報告書.zip", kLocked)}), {}, passwords);
        QTRY_COMPARE(server_.shown.size(), 3);
        QCOMPARE(server_.shown[2].summary, QString::fromUtf8("パスワードが違います: 報告書.zip"));

        server_.Clear();
        server_.capabilities = {"body"};
        DesktopNotifications withoutActions;
        FailureNotices noticesWithoutActions(withoutActions);
        noticesWithoutActions.Announce(Pass({Met("報告書.zip", kLocked)}), {}, {});
        QTRY_COMPARE(server_.shown.size(), 1);
        QCOMPARE(server_.shown[0].actions, QStringList());
        QVERIFY(server_.shown[0].body.contains(QString::fromStdString(WhereThePasswordsAre())));
    }

    // Once for a pass that put files in place, quiet, replacing the one before, opening
    // the folder through the desktop's opener; nothing for a pass that changed nothing.
    void aWordWhenItWorked() {
        const std::string opened = folder_ / "opened";
        const std::filesystem::path bin = folder_ / "bin";
        std::filesystem::create_directories(bin);
        WriteWholeFile(bin / "xdg-open", "#!/bin/sh\necho \"$1\" >> '" + opened + "'\n");
        std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(bin.string()) + ":" + path);

        DesktopNotifications desktop;
        SuccessNotices notices(desktop);
        const std::string fresh = contract::SummaryLine({.files = 2, .folders = 1});
        const std::string again = contract::SummaryLine({.files = 2, .folders = 1, .inPlace = 2});
        notices.Announce(Pass({Met("報告書.zip", fresh, true), Met("x.zip", kDamaged)}), "/w/<in>");
        QTRY_COMPARE(server_.shown.size(), 1);
        QCOMPARE(server_.shown[0].summary, QString::fromUtf8("解凍しました: 報告書.zip"));
        QCOMPARE(server_.shown[0].body, QString("/w/&lt;in&gt;"));
        QCOMPARE(server_.shown[0].urgency, uchar{0});
        QCOMPARE(server_.shown[0].actions,
                 (QStringList{"kesto-open-folder", QString::fromUtf8("フォルダを開く")}));
        notices.Announce(Pass({Met("報告書.zip", again, true)}), "/w/<in>");
        notices.Announce(
            Pass({Met("a.zip", fresh, true), Met("b.zip", fresh, true), Met("c.zip", again, true)}),
            folder_.Path().string());
        QTRY_COMPARE(server_.shown.size(), 2);
        QCOMPARE(server_.shown[1].summary, QString::fromUtf8("2 個の書庫を解凍しました"));
        QCOMPARE(server_.shown[1].replacing, server_.shown[0].id);
        emit server_.ActionInvoked(server_.shown[1].id, "kesto-open-folder");
        QTRY_COMPARE(
            QString::fromStdString(ReadWholeFile(opened)).trimmed(),
            QUrl::fromLocalFile(QString::fromStdString(folder_.Path().string())).toString());
        qputenv("PATH", path);
    }

    void withoutAServiceNothingWaits() {
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder_ / "no-runtime"));
        DesktopNotifications desktop;
        FailureNotices notices(desktop);
        QElapsedTimer timer;
        timer.start();
        notices.Announce(Pass({Met("lonely.zip", kDamaged)}), {}, {});
        QVERIFY(timer.elapsed() < 100);
    }
};

// On an X display of the test's own, which ends with it: the desktop's opener is reached
// only through a real platform.
int main(int argc, char** argv) {
    QProcess display;
    display.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    display.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"});
    if (!display.waitForReadyRead(10000)) {
        return 1;
    }
    qputenv("DISPLAY", ":" + display.readLine().trimmed());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int failed = 0;
    {
        QApplication application(argc, argv);
        FailureNoticesTest test;
        failed = QTest::qExec(&test, argc, argv);
    }
    display.kill();
    display.waitForFinished();
    return failed;
}
#include "test_failure_notices.moc"
