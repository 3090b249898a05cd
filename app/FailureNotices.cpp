#include "FailureNotices.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QVariantMap>

#include "FailureReasons.h"
#include "PasswordListFile.h"
#include "UserFolders.h"

namespace {

constexpr int kReasonsPerArchive = 3;
// Notifications still open that asked for a password; older ones are forgotten.
constexpr size_t kAskingAtMost = 32;
constexpr const char* kPasswordAction = "kesto-password";

const QString kService = "org.freedesktop.Notifications";
const QString kPath = "/org/freedesktop/Notifications";

QString Escaped(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

std::string FileName(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

// Calls visit with each line of the report.
template <typename Visit>
void ForEachLine(std::string_view report, Visit visit) {
    for (size_t start = 0; start < report.size();) {
        const size_t end = std::min(report.find('\n', start), report.size());
        visit(report.substr(start, end - start));
        start = end + 1;
    }
}

// The library's reason lines, the first few of them, in Japanese; a cut in the report
// counts as one.
std::string Reasons(const std::string& report) {
    std::string reasons;
    int count = 0;
    ForEachLine(report, [&](std::string_view line) {
        const std::string shown = ReportLineInJapanese(line);
        if (count < kReasonsPerArchive && (shown != line || line.starts_with("..."))) {
            reasons += (reasons.empty() ? "" : "\n") + shown;
            ++count;
        }
    });
    return reasons.empty() ? report : reasons;
}

// The session bus only where one is known to run: asking for one where none is set up
// could start a bus of its own, and the program never waits on the desktop.
bool SessionBusKnown() {
    return qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") ||
           QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/bus");
}

QDBusMessage Call(const char* method) {
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}

}  // namespace

bool WantsPassword(const std::string& report) {
    bool wants = false;
    ForEachLine(report, [&](std::string_view line) { wants = wants || LineWantsPassword(line); });
    return wants;
}

std::string WhereThePasswordsAre() {
    const auto list = contract::PasswordListPath();
    return "パスワードは " + (list ? list->string() : "~/.config/kesto/passwords.txt") +
           " に 1 行ずつ書いてください";
}

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
    QString body;
    for (const ArchiveOutcome* archive : fresh) {
        const bool wantsPassword = WantsPassword(archive->report);
        if (wantsPassword && !notice.wantsPassword) {
            notice.wantsPassword = FileName(archive->path);
        }
        body += (body.isEmpty() ? "" : "\n") +
                QString("<b>%1</b>%2\n%3")
                    .arg(Escaped(FileName(archive->path)),
                         wantsPassword ? QString::fromUtf8(": パスワードが必要です") : QString(),
                         Escaped(Reasons(archive->report)));
    }
    if (fresh.size() == 1) {
        notice.summary =
            (notice.wantsPassword ? "パスワードが必要です: " : "解凍できなかった書庫: ") +
            FileName(fresh[0]->path);
    } else {
        notice.summary = "解凍できなかった書庫が " + std::to_string(fresh.size()) + " 個あります";
    }
    notice.body = body.toStdString();
    return notice;
}

void FailureNotices::Announce(const std::vector<ArchiveOutcome>& failed) {
    const auto notice = NoticeFor(failed);
    if (!notice || !SessionBusKnown()) {
        return;
    }
    if (serverHasActions_ || !notice->wantsPassword) {
        Send(*notice);
        return;
    }
    // Asked once, without waiting: the notice goes when the server has said.
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(Call("GetCapabilities")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, notice = *notice](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<QStringList> reply = *call;
                serverHasActions_ = reply.isValid() && reply.value().contains("actions");
                Send(notice);
                call->deleteLater();
            });
}

void FailureNotices::Send(const FailureNotice& notice) {
    const bool offerAction = notice.wantsPassword && serverHasActions_.value_or(false);
    QString body = QString::fromStdString(notice.body);
    if (notice.wantsPassword && !offerAction) {
        body += "\n" + Escaped(WhereThePasswordsAre());
    }
    QStringList actions;
    if (offerAction) {
        actions << kPasswordAction << QString::fromUtf8("パスワードを入力…");
        if (!listening_) {
            listening_ =
                QDBusConnection::sessionBus().connect(kService, kPath, kService, "ActionInvoked",
                                                      this, SLOT(ActionInvoked(uint, QString)));
        }
    }
    QDBusMessage call = Call("Notify");
    QVariantMap hints;
    hints["desktop-entry"] = QString("org.kesto.Kesto");
    hints["urgency"] = QVariant::fromValue<uchar>(1);
    call << QString("Kesto") << 0u << QString("kesto") << QString::fromStdString(notice.summary)
         << body << actions << hints << -1;
    if (!offerAction) {
        // Sent without waiting for an answer: no service, or a slow one, holds nothing up.
        QDBusConnection::sessionBus().send(call);
        return;
    }
    // The answer names the notification whose action may come back.
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, archive = *notice.wantsPassword](QDBusPendingCallWatcher* answer) {
                const QDBusPendingReply<uint> reply = *answer;
                if (reply.isValid()) {
                    if (askingForPassword_.size() >= kAskingAtMost) {
                        askingForPassword_.erase(askingForPassword_.begin());
                    }
                    askingForPassword_[reply.value()] = archive;
                }
                answer->deleteLater();
            });
}

void FailureNotices::ActionInvoked(uint id, const QString& action) {
    const auto asking = askingForPassword_.find(id);
    if (action != kPasswordAction || asking == askingForPassword_.end()) {
        return;  // another program's notification, or another action
    }
    if (OnPasswordWanted) {
        OnPasswordWanted(asking->second);
    }
}
