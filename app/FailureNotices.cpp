#include "FailureNotices.h"

#include <algorithm>

#include "ExtractionReport.h"
#include "FailureReasons.h"
#include "UserFolders.h"

namespace {

constexpr int kReasonsPerArchive = 3;
constexpr const char* kPasswordAction = "kesto-password";

QString Escaped(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

bool Exists(const std::string& path) {
    return platform::IdentityOf(path).has_value();
}

// The library's reason lines, the first few of them, in Japanese; a cut in the report
// counts as one. That the archive as a whole wants a password (its names are encrypted)
// the notification says beside its name already.
std::string Reasons(const std::string& report, bool passwordsListed) {
    std::string reasons;
    int count = 0;
    bool wholeArchiveWantsPassword = false;
    for (const std::string_view line : LinesOf(report)) {
        if (ArchiveWantsPassword(line)) {
            wholeArchiveWantsPassword = true;
            continue;
        }
        const std::string shown = ReportLineInJapanese(line, passwordsListed);
        if (count < kReasonsPerArchive && (shown != line || line.starts_with("..."))) {
            reasons += (reasons.empty() ? "" : "\n") + shown;
            ++count;
        }
    }
    return reasons.empty() && !wholeArchiveWantsPassword ? report : reasons;
}

const char* PasswordWords(const ArchiveNotice& archive) {
    return archive.passwordsListed ? "パスワードが違います" : "パスワードが必要です";
}

const ArchiveNotice* FirstWantingPassword(const std::vector<ArchiveNotice>& archives) {
    const auto wanting =
        std::find_if(archives.begin(), archives.end(),
                     [](const ArchiveNotice& archive) { return archive.wantsPassword; });
    return wanting == archives.end() ? nullptr : &*wanting;
}

}  // namespace

std::string WhereThePasswordsAre() {
    const auto list = contract::PasswordListPath();
    return "パスワードは " + (list ? list->string() : "~/.config/kesto/passwords.txt") +
           " に 1 行ずつ書いてください";
}

Notification NotificationOf(const std::vector<ArchiveNotice>& archives) {
    Notification notification;
    for (const ArchiveNotice& archive : archives) {
        notification.body +=
            (notification.body.isEmpty() ? "" : "\n") +
            QString("<b>%1</b>%2%3")
                .arg(Escaped(archive.name),
                     archive.wantsPassword ? ": " + Text(PasswordWords(archive)) : QString(),
                     archive.reasons.empty() ? QString()
                                             : "\n" + QString::fromStdString(archive.reasons)) +
            (archive.mayStillArrive ? "\n" + Text("コピー中かもしれません") : QString());
    }
    const ArchiveNotice* wanting = FirstWantingPassword(archives);
    if (archives.size() == 1) {
        notification.summary =
            (wanting ? Text(PasswordWords(*wanting)) + ": " : Text("解凍できなかった書庫: ")) +
            QString::fromStdString(archives[0].name);
    } else {
        notification.summary = Text("解凍できなかった書庫が %1 個あります").arg(archives.size());
    }
    if (wanting) {
        notification.actions = {kPasswordAction, Text("パスワードを入力…")};
        notification.withoutActions = Escaped(WhereThePasswordsAre());
    }
    return notification;
}

FailureNotices::FailureNotices(DesktopNotifications& desktop) : desktop_(desktop) {
    connect(&desktop_, &DesktopNotifications::ActionChosen, this,
            [this](DesktopNotifications::Key key, const QString& action) {
                ActionChosen(key, action);
            });
}

std::optional<ArchiveNotice> FailureNotices::Fresh(const ArchiveOutcome& archive,
                                                   const PasswordsAfterPass& passwords) {
    const bool wantsPassword = EntriesWantingPassword(archive.report) > 0;
    ToldState state = {archive.identity};
    for (const platform::ArrivedFile& volume : archive.volumes) {
        state.emplace_back(volume.identity);
    }
    if (wantsPassword) {
        state.push_back(passwords.list);  // a changed list is worth another try
    }
    const bool triedInVain = passwords.triedInVain.contains(archive.path);
    ToldState& told = told_[archive.path];
    if (told == state && !triedInVain) {
        return std::nullopt;
    }
    told = std::move(state);
    const bool listed = wantsPassword && (passwords.listed || triedInVain);
    return ArchiveNotice{archive.path, archive.Name(), wantsPassword, listed,
                         Escaped(Reasons(archive.report, listed)).toStdString()};
}

void FailureNotices::Announce(const PassOutcome& pass, const std::set<std::string>& arriving,
                              const PasswordsAfterPass& passwords, PassKind kind) {
    std::map<std::string, const ArchiveOutcome*> met;
    std::vector<ArchiveNotice> fresh;
    std::set<std::string> freshPaths;
    for (const ArchiveOutcome& archive : pass.archives) {
        met[archive.path] = &archive;
        if (archive.extracted) {
            told_.erase(archive.path);
        } else if (archive.identity &&
                   (kind == PassKind::OneShot || !arriving.contains(archive.path))) {
            if (auto notice = Fresh(archive, passwords)) {
                notice->mayStillArrive = arriving.contains(archive.path);
                freshPaths.insert(notice->path);
                fresh.push_back(std::move(*notice));
            }
        }
    }
    std::erase_if(
        told_, [&](const auto& told) { return !met.contains(told.first) && !Exists(told.first); });

    // An archive named before is still failing unless this pass extracted it, or it is
    // gone; one told of again is named by the new notification instead.
    const auto stillFailing = [&](const ArchiveNotice& archive) {
        if (freshPaths.contains(archive.path)) {
            return false;
        }
        const auto outcome = met.find(archive.path);
        return outcome != met.end() ? !outcome->second->extracted : Exists(archive.path);
    };
    std::erase_if(shown_, [&](Shown& shown) {
        if (!desktop_.IsShown(shown.key)) {
            return true;  // closed by the user or the server
        }
        std::vector<ArchiveNotice> remaining;
        std::copy_if(shown.archives.begin(), shown.archives.end(), std::back_inserter(remaining),
                     stillFailing);
        if (remaining.empty()) {
            desktop_.Close(shown.key);
            return true;
        }
        if (remaining.size() != shown.archives.size()) {
            shown.archives = std::move(remaining);
            desktop_.Replace(shown.key, NotificationOf(shown.archives));
        }
        return false;
    });
    if (!fresh.empty()) {
        const auto key = desktop_.Show(NotificationOf(fresh));
        shown_.push_back({key, std::move(fresh)});
    }
}

void FailureNotices::ActionChosen(DesktopNotifications::Key key, const QString& action) {
    const auto shown = std::find_if(shown_.begin(), shown_.end(),
                                    [&](const Shown& notice) { return notice.key == key; });
    if (action != kPasswordAction || shown == shown_.end() || !OnPasswordWanted) {
        return;  // another action, or a notification no longer kept
    }
    if (const ArchiveNotice* wanting = FirstWantingPassword(shown->archives)) {
        OnPasswordWanted(wanting->name, wanting->passwordsListed);
    }
}
