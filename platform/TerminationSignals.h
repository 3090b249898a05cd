// SIGTERM, SIGINT and SIGHUP, as a desktop session or a terminal ends a program, turned
// into a Qt signal on the event loop: the handler only writes a byte into a pipe, and
// the program ends in order on its own thread.
#pragma once

#include <QObject>
#include <QSocketNotifier>

class TerminationSignals : public QObject {
    Q_OBJECT
  public:
    // One at a time in a process: the handlers are the process's.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

  signals:
    void Received();

  private:
    QSocketNotifier* notifier_ = nullptr;
};
