// Tells the user, through the desktop's notification service, about the archives a pass
// could not fully extract: each archive once as it is, however many passes meet it again;
// a new or changed one again. Several of one pass share one notification. An archive that
// no listed password opens is said to want one, and where the service offers actions the
// notification offers to enter it. Nothing waits for the service: without one, or with a
// slow one, passes go on as before.
#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "WatchFolderScan.h"

struct FailureNotice {
    std::string summary;
    std::string body;  // the subset of markup notification servers read, escaped
    // The archive whose password the notification asks for, when one of them wants one.
    std::optional<std::string> wantsPassword;
};

// The reason the extraction library gives an entry that no listed password opens.
bool WantsPassword(const std::string& report);

class FailureNotices : public QObject {
    Q_OBJECT
  public:
    // The notice for the archives of failed not yet told of, or nothing to say.
    std::optional<FailureNotice> NoticeFor(const std::vector<ArchiveOutcome>& failed);
    // Sends the notice for failed, if there is one.
    void Announce(const std::vector<ArchiveOutcome>& failed);

    // Called with the archive's name when the user chose to enter its password.
    std::function<void(const std::string& archiveName)> OnPasswordWanted;

  private slots:
    void ActionInvoked(uint id, const QString& action);

  private:
    void Send(const FailureNotice& notice);

    using ArchiveState = std::tuple<uint64_t, uint64_t, uint64_t, int64_t, int64_t>;
    std::set<ArchiveState> told_;
    std::optional<bool> serverHasActions_;  // once the server has said
    bool listening_ = false;
    std::map<uint, std::string> askingForPassword_;  // notification id -> archive name
};

// What a notification without actions adds for an archive that wants a password.
std::string WhereThePasswordsAre();
