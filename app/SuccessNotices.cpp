#include "SuccessNotices.h"

#include <QDesktopServices>
#include <QUrl>
#include <vector>

#include "ExtractionReport.h"

namespace {

constexpr const char* kOpenFolderAction = "kesto-open-folder";

}  // namespace

SuccessNotices::SuccessNotices(DesktopNotifications& desktop) : desktop_(desktop) {
    connect(
        &desktop_, &DesktopNotifications::ActionChosen, this,
        [this](DesktopNotifications::Key key, const QString& action) {
            if (key == last_ && action == kOpenFolderAction) {
                QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(lastFolder_)));
            }
        });
}

bool SuccessNotices::IsNews(const ArchiveOutcome& archive) {
    if (!archive.extracted) {
        return false;
    }
    const auto counts = EntryCountsIn(archive.report);
    const uint64_t filesAndLinks = counts ? counts->files + counts->links : 0;
    if (filesAndLinks > 0) {
        return counts->inPlace < filesAndLinks;  // something was written
    }
    // Folders alone, or nothing: news the first time only.
    if (!archive.identity) {
        return false;
    }
    const auto told = toldEmpty_.find(archive.path);
    if (told != toldEmpty_.end() && told->second == *archive.identity) {
        return false;
    }
    toldEmpty_[archive.path] = *archive.identity;
    return true;
}

void SuccessNotices::Announce(const PassOutcome& pass, const std::string& watchFolder) {
    std::vector<const ArchiveOutcome*> news;
    for (const ArchiveOutcome& archive : pass.archives) {
        if (IsNews(archive)) {
            news.push_back(&archive);
        }
    }
    if (news.empty()) {
        return;
    }
    Notification notification;
    notification.summary =
        news.size() == 1
            ? QString::fromUtf8("解凍しました: ") + QString::fromStdString(news[0]->Name())
            : QString::fromUtf8("%1 個の書庫を解凍しました").arg(news.size());
    notification.body = QString::fromStdString(watchFolder).toHtmlEscaped();
    notification.actions = {kOpenFolderAction, QString::fromUtf8("フォルダを開く")};
    notification.urgency = 0;
    lastFolder_ = watchFolder;
    last_ = desktop_.Show(notification, last_);
}
