// A signal to end is never lost and never ends the program unsaved: held from the start,
// received once the handlers are in place, held again once the program ends in order;
// one the program was started to ignore stays ignored.
#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

#include "TerminationSignals.h"

class TerminationSignalsTest : public QObject {
    Q_OBJECT
  private slots:
    void ASignalBeforeTheHandlersIsReceivedOnceTheyAreInPlace() {
        HoldTerminationSignals();
        ::raise(SIGTERM);
        TerminationSignals handlers;
        QSignalSpy received(&handlers, &TerminationSignals::Received);
        QVERIFY(received.wait(2000));
    }

    void ASignalAfterTheEndWaitsInsteadOfKilling() {
        { TerminationSignals handlers; }
        ::raise(SIGTERM);  // the test goes on: the signal is held
        sigset_t pending;
        sigpending(&pending);
        QVERIFY(sigismember(&pending, SIGTERM));
        sigset_t term;
        sigemptyset(&term);
        sigaddset(&term, SIGTERM);
        const timespec now{0, 0};
        QCOMPARE(::sigtimedwait(&term, nullptr, &now), SIGTERM);
    }

    void AnIgnoredHangupStaysIgnored() {
        ::signal(SIGHUP, SIG_IGN);
        TerminationSignals handlers;
        struct sigaction current {};
        ::sigaction(SIGHUP, nullptr, &current);
        QVERIFY(current.sa_handler == SIG_IGN);
    }
};

QTEST_GUILESS_MAIN(TerminationSignalsTest)
#include "test_termination_signals.moc"
