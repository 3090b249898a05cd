// Tells the user, in one quiet notification, that a pass extracted archives: "解凍しました:
// name" for one, "N 個の書庫を解凍しました" for several, the watch folder below, and an
// action that opens it where the server has actions. Each replaces the one before, so
// they never stack. An archive extracted again over what is already in place, changing
// nothing, is no news.
#pragma once

#include <QObject>
#include <map>
#include <optional>
#include <string>

#include "DesktopNotifications.h"
#include "WatchFolderScan.h"

class SuccessNotices : public QObject {
    Q_OBJECT
  public:
    explicit SuccessNotices(DesktopNotifications& desktop);

    void Announce(const PassOutcome& pass, const std::string& watchFolder);

  private:
    bool IsNews(const ArchiveOutcome& archive);

    DesktopNotifications& desktop_;
    std::optional<DesktopNotifications::Key> last_;
    std::string lastFolder_;
    // Archives with nothing in them to put in place, as they were when told of.
    std::map<std::string, platform::FileIdentity> toldEmpty_;
};
