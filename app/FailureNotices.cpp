#include "FailureNotices.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QVariantMap>

namespace {

constexpr int kReasonsPerArchive = 3;

QString Escaped(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

std::string FileName(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

// The library's reason lines, "Failed: ...", the first few of them.
std::string Reasons(const std::string& report) {
    std::string reasons;
    int count = 0;
    size_t start = 0;
    while (start < report.size() && count < kReasonsPerArchive) {
        const size_t end = std::min(report.find('\n', start), report.size());
        const std::string line = report.substr(start, end - start);
        if (line.rfind("Failed: ", 0) == 0 || line.rfind("...", 0) == 0) {
            reasons += (reasons.empty() ? "" : "\n") + line;
            ++count;
        }
        start = end + 1;
    }
    return reasons.empty() ? report : reasons;
}

// The session bus only where one is known to run: asking for one where none is set up
// could start a bus of its own, and the program never waits on the desktop.
bool SessionBusKnown() {
    return qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") ||
           QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/bus");
}

}  // namespace

std::optional<FailureNotice> FailureNotices::NoticeFor(const std::vector<ArchiveOutcome>& failed) {
    std::vector<const ArchiveOutcome*> fresh;
    for (const ArchiveOutcome& archive : failed) {
        if (!archive.identity) {
            continue;  // gone already
        }
        const auto& identity = *archive.identity;
        if (told_
                .insert({identity.device, identity.inode, identity.size, identity.modifiedSeconds,
                         identity.modifiedNanoseconds})
                .second) {
            fresh.push_back(&archive);
        }
    }
    if (fresh.empty()) {
        return std::nullopt;
    }
    FailureNotice notice;
    notice.summary = fresh.size() == 1
                         ? "解凍できなかった書庫: " + FileName(fresh[0]->path)
                         : "解凍できなかった書庫が " + std::to_string(fresh.size()) + " 個あります";
    QString body;
    for (const ArchiveOutcome* archive : fresh) {
        body += (body.isEmpty() ? "" : "\n") +
                QString("<b>%1</b>\n%2")
                    .arg(Escaped(FileName(archive->path)), Escaped(Reasons(archive->report)));
    }
    notice.body = body.toStdString();
    return notice;
}

void FailureNotices::Announce(const std::vector<ArchiveOutcome>& failed) {
    const auto notice = NoticeFor(failed);
    if (!notice || !SessionBusKnown()) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    QVariantMap hints;
    hints["desktop-entry"] = QString("org.kesto.Kesto");
    hints["urgency"] = QVariant::fromValue<uchar>(1);
    call << QString("Kesto") << 0u << QString("kesto") << QString::fromStdString(notice->summary)
         << QString::fromStdString(notice->body) << QStringList() << hints << -1;
    // Sent without waiting for an answer: no service, or a slow one, holds nothing up.
    QDBusConnection::sessionBus().send(call);
}
