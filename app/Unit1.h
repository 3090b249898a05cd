// TForm1: Kesto's main window. It keeps the three settings, shows them in its status
// bar, runs a one-shot scan or the watching mode on a timer, and saves the settings
// when it goes.
#pragma once

#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>
#include <string>

#include "ArrivingArchives.h"
#include "DesktopNotifications.h"
#include "FailureNotices.h"
#include "FormBase.h"
#include "PasswordTrials.h"
#include "SettingsFile.h"
#include "StatusBar.h"
#include "SuccessNotices.h"
#include "Unit2.h"
#include "Unit3.h"
#include "qeButton.h"

class TForm1 : public TFormBase {
    Q_OBJECT
  public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The settings, as the text they are stored as.
    std::string WatchFolder;
    std::string WatchInterval;
    std::string DeleteSource;

    QMenuBar* MainMenu1;
    QMenu* File1;
    QAction* Exit1;
    QAction* N1;
    QWidget* Panel1;
    TqeButton* qeButton1;
    TqeButton* qeButton2;
    TqeButton* qeButton3;
    TStatusBar* StatusBar1;
    QTimer* Timer1;

    void FormCreate();
    void FormDestroy();
    void qeButton1Click(QObject* Sender);
    void qeButton2Click(QObject* Sender);
    void qeButton3Click(QObject* Sender);
    void Timer1Timer();
    void Exit1Click();
    void N1Click();
    void ApplySettingsToDisplay();

    // Ends the program as "終了" does, once the pass that may be running is done; for the
    // signals a desktop session ends programs with.
    void EndInOrder();

    // Opens the password dialog for the archive, or brings the open one forward;
    // lastFailed when the password last listed did not open it.
    void AskForPassword(const std::string& archiveName, bool lastFailed = false);
    // The password dialog while it is shown.
    TForm3* PasswordDialog() const { return passwordDialog_; }

    // Whether the watching mode's timer runs; it never runs at an interval below 1 ms.
    bool TimerEnabled() const { return timerEnabled_; }

  protected:
    // The window closes only through "終了" and the exit button.
    void closeEvent(QCloseEvent* event) override;
    // Once framed, the window is moved into the screen's available area if it sticks out.
    void showEvent(QShowEvent* event) override;

  private:
    void ScanWatchFolder(FailureNotices::PassKind kind);
    // Tells the user what the pass did; listed: the password list held passwords at its start.
    void TellOfPass(const PassOutcome& pass, const std::string& folder, bool listed,
                    FailureNotices::PassKind kind);
    void SetTimerEnabled(bool enabled);
    void SetTimerSeconds(const std::string& seconds);
    void Terminate();
    void SetMenuEnabled(bool enabled);

    // Chosen once: where the settings were read is where the user expects them kept.
    const SettingsFiles settingsFiles_ =
        ChooseSettingsFiles(SettingsFilePath(), UserSettingsFilePath());
    DesktopNotifications desktop_;
    FailureNotices failureNotices_{desktop_};
    SuccessNotices successNotices_{desktop_};
    ArrivingArchives arriving_;
    PasswordTrials passwordTrials_;
    std::string passwordArchive_;   // the archive the password dialog names
    TForm2* openDialog_ = nullptr;  // the settings dialog while it is shown
    QPointer<TForm3> passwordDialog_;
    bool timerEnabled_ = false;
    bool terminating_ = false;
    bool passRunning_ = false;
    bool endRequested_ = false;
};

// Where a window of size wanted at wanted goes: there when it fits wholly in the screen's
// available area, else moved just enough to fit, never to a negative coordinate.
QPoint PlacedOnScreen(QPoint wanted, QSize size, QRect available);
