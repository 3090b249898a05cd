// Tells the user, through the desktop's notifications, about the archives a pass could not
// fully extract: each archive once as it is, however many passes meet it again; a new or
// changed one again, and one that wants a password again once the password list changed.
// Several of one pass share one notification. An archive still arriving is not told of
// until a pass finds it unchanged and still failing, but by a pass the user asked for. A
// notification is taken back once each archive it names was extracted or is gone, and shown again,
// naming only those still failing, when some of them were. Where the service offers actions, a
// notification of an archive that wants a password offers to enter it.
#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "DesktopNotifications.h"
#include "FileIdentity.h"
#include "WatchFolderScan.h"

// What the passes have to go on about passwords, as the pass that just ended left them.
struct PasswordsAfterPass {
    bool listed = false;                         // the list held passwords when the pass began
    std::optional<platform::FileIdentity> list;  // the list as it is now
    // Archives for which a password from the dialog was tried and did not open them.
    std::set<std::string> triedInVain;
};

// One archive as a notification names it.
struct ArchiveNotice {
    std::string path;
    std::string name;
    bool wantsPassword = false;
    bool passwordsListed = false;  // "違います" rather than "必要です"
    std::string reasons;           // the report's reasons in Japanese, escaped
    bool mayStillArrive = false;   // modified just now: it may still be being copied
};

// The notification that names archives.
Notification NotificationOf(const std::vector<ArchiveNotice>& archives);

class FailureNotices : public QObject {
    Q_OBJECT
  public:
    explicit FailureNotices(DesktopNotifications& desktop);

    // A pass the user asked for once is always answered: it tells of the archives still
    // arriving too, saying they may be. A pass on the timer leaves them to a later one.
    enum class PassKind { OnTimer, OneShot };

    // Tells of what the pass left failing, and takes back what it no longer is. arriving:
    // the paths of the pass's archives still arriving.
    void Announce(const PassOutcome& pass, const std::set<std::string>& arriving,
                  const PasswordsAfterPass& passwords, PassKind kind = PassKind::OnTimer);

    // Called when the user chose to enter an archive's password; lastFailed when the
    // notification said that the passwords listed did not open it.
    std::function<void(const std::string& archiveName, bool lastFailed)> OnPasswordWanted;

  private:
    // How an archive was when it was told of: its files, and the list where it wanted a
    // password.
    using ToldState = std::vector<std::optional<platform::FileIdentity>>;

    struct Shown {
        DesktopNotifications::Key key;
        std::vector<ArchiveNotice> archives;
    };

    void ActionChosen(DesktopNotifications::Key key, const QString& action);
    std::optional<ArchiveNotice> Fresh(const ArchiveOutcome& archive,
                                       const PasswordsAfterPass& passwords);

    DesktopNotifications& desktop_;
    std::map<std::string, ToldState> told_;  // path -> as told of
    std::vector<Shown> shown_;
};

// What a notification without actions adds for an archive that wants a password.
std::string WhereThePasswordsAre();
