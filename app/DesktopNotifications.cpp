#include "DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QVariantMap>

namespace {

// Notifications kept track of at most; the oldest are forgotten past it (a server that
// never says a notification closed leaves them behind).
constexpr size_t kKeptAtMost = 64;

const QString kService = "org.freedesktop.Notifications";
const QString kPath = "/org/freedesktop/Notifications";

// The session bus only where one is known to run: asking for one where none is set up
// could start a bus of its own, and the program never waits on the desktop.
bool SessionBusKnown() {
    return qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") ||
           QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/bus");
}

QDBusMessage Call(const char* method) {
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}

// Calls then with the answer to call, when it comes.
template <typename Reply, typename Then>
void WhenAnswered(QObject* owner, const QDBusMessage& call, Then then) {
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, owner,
                     [then](QDBusPendingCallWatcher* answer) {
                         then(QDBusPendingReply<Reply>(*answer));
                         answer->deleteLater();
                     });
}

}  // namespace

DesktopNotifications::Key DesktopNotifications::Show(const Notification& notification,
                                                     std::optional<Key> replacing) {
    if (replacing && IsShown(*replacing)) {
        Replace(*replacing, notification);
        return *replacing;
    }
    const Key key = nextKey_++;
    if (!SessionBusKnown()) {
        return key;  // never shown
    }
    if (shown_.size() >= kKeptAtMost) {
        Forget(shown_.begin()->first);
    }
    shown_[key];
    SendWhenCapable(key, notification);
    return key;
}

void DesktopNotifications::Replace(Key key, const Notification& notification) {
    const auto shown = shown_.find(key);
    if (shown == shown_.end()) {
        return;
    }
    if (shown->second.sending || !shown->second.serverId) {
        shown->second.next = notification;  // once the server has named the notification
        return;
    }
    SendWhenCapable(key, notification);
}

void DesktopNotifications::Close(Key key) {
    const auto shown = shown_.find(key);
    if (shown == shown_.end()) {
        return;
    }
    if (!shown->second.serverId) {
        shown->second.closing = true;
        shown->second.next.reset();
        return;
    }
    QDBusMessage call = Call("CloseNotification");
    call << *shown->second.serverId;
    QDBusConnection::sessionBus().send(call);
    Forget(key);
}

bool DesktopNotifications::IsShown(Key key) const {
    return shown_.contains(key);
}

void DesktopNotifications::SendWhenCapable(Key key, const Notification& notification) {
    if (serverHasActions_) {
        Send(key, notification);
        return;
    }
    shown_[key].sending = true;
    waitingForCapabilities_.emplace_back(key, notification);
    if (askingCapabilities_) {
        return;
    }
    askingCapabilities_ = true;
    WhenAnswered<QStringList>(
        this, Call("GetCapabilities"), [this](const QDBusPendingReply<QStringList>& reply) {
            serverHasActions_ = reply.isValid() && reply.value().contains("actions");
            auto waiting = std::move(waitingForCapabilities_);
            for (const auto& [key, notification] : waiting) {
                const auto shown = shown_.find(key);
                if (shown != shown_.end() && shown->second.closing) {
                    Forget(key);  // closed before it was ever sent
                } else if (shown != shown_.end()) {
                    Send(key, notification);
                }
            }
        });
}

void DesktopNotifications::Send(Key key, const Notification& notification) {
    Shown& shown = shown_[key];
    const bool offerActions = serverHasActions_.value_or(false) && !notification.actions.empty();
    QString body = notification.body;
    if (!notification.actions.empty() && !offerActions && !notification.withoutActions.isEmpty()) {
        body += "\n" + notification.withoutActions;
    }
    if (!listening_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        listening_ = bus.connect(kService, kPath, kService, "ActionInvoked", this,
                                 SLOT(ActionInvoked(uint, QString))) &&
                     bus.connect(kService, kPath, kService, "NotificationClosed", this,
                                 SLOT(NotificationClosed(uint, uint)));
    }
    QDBusMessage call = Call("Notify");
    QVariantMap hints;
    hints["desktop-entry"] = QString("org.kesto.Kesto");
    hints["urgency"] = QVariant::fromValue<uchar>(notification.urgency);
    call << QString("Kesto") << shown.serverId.value_or(0u) << QString("kesto")
         << notification.summary << body << (offerActions ? notification.actions : QStringList())
         << hints << -1;
    shown.sending = true;
    WhenAnswered<uint>(this, call, [this, key](const QDBusPendingReply<uint>& reply) {
        Answered(key, reply.isValid() ? std::optional(reply.value()) : std::nullopt);
    });
}

void DesktopNotifications::Answered(Key key, std::optional<uint> serverId) {
    const auto shown = shown_.find(key);
    if (shown == shown_.end()) {
        return;
    }
    if (!serverId) {
        Forget(key);  // no server, or one that refused it
        return;
    }
    shown->second.sending = false;
    shown->second.serverId = *serverId;
    byServerId_[*serverId] = key;
    if (shown->second.closing) {
        Close(key);
    } else if (auto next = std::exchange(shown->second.next, std::nullopt)) {
        SendWhenCapable(key, *next);
    }
}

void DesktopNotifications::Forget(Key key) {
    const auto shown = shown_.find(key);
    if (shown == shown_.end()) {
        return;
    }
    if (shown->second.serverId) {
        byServerId_.erase(*shown->second.serverId);
    }
    shown_.erase(shown);
}

void DesktopNotifications::ActionInvoked(uint id, const QString& action) {
    const auto key = byServerId_.find(id);
    if (key != byServerId_.end()) {
        emit ActionChosen(key->second, action);  // another program's notification otherwise
    }
}

void DesktopNotifications::NotificationClosed(uint id, uint) {
    const auto key = byServerId_.find(id);
    if (key != byServerId_.end()) {
        Forget(key->second);
    }
}
