// Stands in for the desktop's notification server on a private session bus of the test's
// own, and records what it is told.
#pragma once

#include <sys/prctl.h>

#include <QDBusConnection>
#include <QProcess>
#include <QtTest>
#include <csignal>

class RecordingServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    struct Shown {
        uint id;
        uint replacing;
        QString summary, body;
        QStringList actions;
        uchar urgency;
    };
    QList<Shown> shown;
    QList<uint> closed;
    QStringList capabilities = {"body", "actions"};

    void Clear() {
        shown.clear();
        closed.clear();
        capabilities = {"body", "actions"};
    }
    QStringList Summaries() const {
        QStringList summaries;
        for (const Shown& one : shown) {
            summaries << one.summary;
        }
        return summaries;
    }

    // Starts a bus for the process, whose session bus Qt connects to once, and serves on it.
    bool Start() {
        bus_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        if (!bus_.waitForReadyRead(5000)) {
            return false;
        }
        const QByteArray address = bus_.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QDBusConnection serverBus = QDBusConnection::connectToBus(QString(address), "server");
        return serverBus.registerObject(
                   "/org/freedesktop/Notifications", this,
                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
               serverBus.registerService("org.freedesktop.Notifications");
    }
    void Stop() {
        bus_.kill();
        bus_.waitForFinished();
    }

  public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString&, uint replacing, const QString&, const QString& summary,
                const QString& body, const QStringList& offered, const QVariantMap& hints, int) {
        const uint id = replacing != 0 ? replacing : static_cast<uint>(101 + shown.size());
        shown.append(
            {id, replacing, summary, body, offered, hints.value("urgency").value<uchar>()});
        return id;
    }
    void CloseNotification(uint id) { closed << id; }

  signals:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

  private:
    QProcess bus_;
};
