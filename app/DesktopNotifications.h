// The desktop's notification service on the session bus: shows notifications, shows a
// new one in place of an earlier one, closes them, and passes on the actions the user
// chooses in them. Nothing waits for the service: each call goes out at once, and what it
// answers is taken when it comes; without a service nothing is shown and nothing fails.
#pragma once

#include <QObject>
#include <QStringList>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

struct Notification {
    QString summary;
    QString body;            // the subset of markup notification servers read, escaped
    QString withoutActions;  // added to the body where the server offers no actions
    QStringList actions;     // key, label, key, label, ...
    uchar urgency = 1;       // 0 low, 1 normal
};

class DesktopNotifications : public QObject {
    Q_OBJECT
  public:
    using Key = uint64_t;  // this program's name for a notification, known at once

    // Shows the notification, in place of replacing's while that one is still shown.
    Key Show(const Notification& notification, std::optional<Key> replacing = std::nullopt);
    // Shows the notification in place of key's; nothing when that one is no longer shown.
    void Replace(Key key, const Notification& notification);
    void Close(Key key);
    // False once it was closed, by this program, the user or the server.
    bool IsShown(Key key) const;

  signals:
    // The user chose an action of one of this program's notifications.
    void ActionChosen(DesktopNotifications::Key key, const QString& action);

  private slots:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

  private:
    struct Shown {
        std::optional<uint> serverId;      // once the server has said
        bool sending = false;              // a call whose answer is awaited
        std::optional<Notification> next;  // to be sent once that answer is in
        bool closing = false;              // to be closed once that answer is in
    };

    void Send(Key key, const Notification& notification);
    void SendWhenCapable(Key key, const Notification& notification);
    void Answered(Key key, std::optional<uint> serverId);
    void Forget(Key key);

    Key nextKey_ = 1;
    std::map<Key, Shown> shown_;
    std::map<uint, Key> byServerId_;
    std::optional<bool> serverHasActions_;  // once the server has said
    bool askingCapabilities_ = false;
    std::vector<std::pair<Key, Notification>> waitingForCapabilities_;
    bool listening_ = false;
};
