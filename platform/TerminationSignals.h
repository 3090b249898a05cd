// SIGTERM, SIGINT and SIGHUP, as a desktop session or a terminal ends a program, turned
// into a Qt signal on the event loop: the handler only writes a byte into a pipe, and
// the program ends in order on its own thread.
#pragma once

#include <QObject>
#include <QSocketNotifier>

// Holds the signals back from the first line of main, before any thread starts: one that
// comes before the handlers are in place waits for them instead of ending the program
// unsaved.
void HoldTerminationSignals();

class TerminationSignals : public QObject {
    Q_OBJECT
  public:
    // One at a time in a process: the handlers are the process's. A signal the program
    // was started to ignore (SIGHUP under nohup) stays ignored.
    explicit TerminationSignals(QObject* parent = nullptr);
    // Holds the signals back again: the program is ending in order already.
    ~TerminationSignals() override;

  signals:
    void Received();

  private:
    QSocketNotifier* notifier_ = nullptr;
};
