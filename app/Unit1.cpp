#include "Unit1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <climits>

#include "IntegerText.h"
#include "KestoPictures.h"
#include "PassOffTheWindowThread.h"
#include "PasswordListFile.h"
#include "SettingsFile.h"
#include "Unit2.h"
#include "Unit3.h"
#include "UserFolders.h"
#include "WatchFolderScan.h"

namespace {

constexpr int kClientWidth = 363;
constexpr int kClientHeight = 75;
constexpr const char* kIdleCaption = "連続解凍";
constexpr const char* kWatchingCaption = "停止";

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

TqeButton* MakeButton(QWidget* parent, const char* name, QRect geometry, const char* caption,
                      int captionTop) {
    auto* button = new TqeButton(parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->CaptionA().SetCaption(QString::fromUtf8(caption));
    button->SetCaptionTop(captionTop);
    return button;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : TFormBase(parent) {
    setObjectName("Form1");
    setWindowTitle("Kesto 1.01");
    setWindowIcon(KestoIcon());
    // Window menu and minimise only: no maximise, and no close.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint);
    QFont windowFont("Tahoma");
    windowFont.setPixelSize(11);
    setFont(windowFont);

    MainMenu1 = new QMenuBar(this);
    File1 = MainMenu1->addMenu(QString::fromUtf8("ファイル"));
    Exit1 = File1->addAction(QString::fromUtf8("終了"));
    N1 = MainMenu1->addAction(QString::fromUtf8("設定"));
    connect(Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
    connect(N1, &QAction::triggered, this, [this] { N1Click(); });
    const int menuHeight = MainMenu1->sizeHint().height();
    MainMenu1->setGeometry(0, 0, kClientWidth, menuHeight);

    Panel1 = new QWidget(this);
    Panel1->setGeometry(0, menuHeight, kClientWidth, 56);
    Panel1->setAutoFillBackground(true);
    QPalette panelPalette = Panel1->palette();
    panelPalette.setColor(QPalette::Window, ColorToRGB(clSkyBlue));
    Panel1->setPalette(panelPalette);

    qeButton1 = MakeButton(Panel1, "qeButton1", {0, 2, 143, 51}, "一発解凍", 20);
    qeButton1->SetColor(clSkyBlue);
    qeButton2 = MakeButton(Panel1, "qeButton2", {144, 2, 143, 51}, kIdleCaption, 20);
    qeButton3 = MakeButton(Panel1, "qeButton3", {288, 2, 73, 51}, "", 25);
    qeButton3->Image().SetPicture({TPicture::Kind::Icon, DoorPicture(devicePixelRatioF())});
    qeButton3->Image().SetLeft(20);
    qeButton3->Image().SetTop(9);
    qeButton3->setAccessibleName(
        QString::fromUtf8("終了"));  // a picture alone, named as the menu item
    qeButton1->OnClick = [this](QObject* sender) { qeButton1Click(sender); };
    qeButton2->OnClick = [this](QObject* sender) { qeButton2Click(sender); };
    qeButton3->OnClick = [this](QObject* sender) { qeButton3Click(sender); };

    StatusBar1 =
        new TStatusBar({{30, Qt::AlignHCenter}, {40, Qt::AlignHCenter}, {0, Qt::AlignLeft}}, this);
    StatusBar1->setGeometry(0, menuHeight + 56, kClientWidth, 19);

    Timer1 = new QTimer(this);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    failureNotices_.OnPasswordWanted = [this](const std::string& archiveName, bool lastFailed) {
        AskForPassword(archiveName, lastFailed);
    };

    setFixedSize(kClientWidth, menuHeight + kClientHeight);
    // The position is the frame's; its size is known once a window manager has framed
    // the window, so a title bar's height is allowed for until then, and the window is
    // fitted again once shown.
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    move(PlacedOnScreen(QPoint(454, 339), size() + QSize(0, titleBar),
                        QGuiApplication::primaryScreen()->availableGeometry()));
    FormCreate();
}

TForm1::~TForm1() {
    FormDestroy();
}

void TForm1::FormCreate() {
    Settings stored;
    LoadSettings(settingsFiles_.load, stored);
    WatchFolder = stored.WatchFolder;
    WatchInterval = stored.WatchInterval;
    DeleteSource = stored.DeleteSource;

    StatusBar1->SetPanelText(2, Text(WatchFolder));
    qeButton1->setEnabled(!WatchFolder.empty());
    qeButton2->setEnabled(!WatchFolder.empty());
    if (!IsIntegerText(WatchInterval)) {
        WatchInterval = "5";
    }
    StatusBar1->SetPanelText(0, Text(WatchInterval) + QString::fromUtf8("秒"));
    SetTimerSeconds(WatchInterval);
    if (!IsIntegerText(DeleteSource)) {
        DeleteSource = "0";
    }
    StatusBar1->SetPanelText(1, DeleteSource == "1" ? QString::fromUtf8("削除") : "-");
}

void TForm1::FormDestroy() {
    SaveSettings(settingsFiles_.save, Settings{WatchFolder, WatchInterval, DeleteSource});
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->windowTitle() == QApplication::applicationDisplayName()) {
            window->showNormal();
            break;
        }
    }
}

void TForm1::ApplySettingsToDisplay() {
    qeButton1->setEnabled(!WatchFolder.empty());
    qeButton2->setEnabled(!WatchFolder.empty());
    StatusBar1->SetPanelText(2, Text(WatchFolder));
    StatusBar1->SetPanelText(0, Text(WatchInterval) + QString::fromUtf8("秒"));
    SetTimerSeconds(WatchInterval);
    StatusBar1->SetPanelText(1, DeleteSource == "1" ? QString::fromUtf8("削除") : "-");
}

void TForm1::qeButton1Click(QObject*) {
    qeButton2->setEnabled(false);
    qeButton3->setEnabled(false);
    qeButton1->SetGradBeginColor(clSkyBlue);
    qeButton1->SetGradEndColor(clSkyBlue);
    SetMenuEnabled(false);
    ScanWatchFolder(FailureNotices::PassKind::OneShot);
    qeButton2->setEnabled(true);
    qeButton3->setEnabled(true);
    qeButton1->SetGradBeginColor(clWhite);
    qeButton1->SetGradEndColor(clSilver);
    SetMenuEnabled(true);
}

void TForm1::qeButton2Click(QObject*) {
    if (qeButton2->CaptionA().Caption() == QString::fromUtf8(kIdleCaption)) {
        qeButton2->CaptionA().SetCaption(QString::fromUtf8(kWatchingCaption));
        qeButton1->setEnabled(false);
        qeButton3->setEnabled(false);
        qeButton2->SetGradBeginColor(clSkyBlue);
        qeButton2->SetGradEndColor(clSkyBlue);
        SetMenuEnabled(false);
        SetTimerEnabled(true);
    } else {
        qeButton2->CaptionA().SetCaption(QString::fromUtf8(kIdleCaption));
        qeButton1->setEnabled(true);
        qeButton3->setEnabled(true);
        qeButton2->SetGradBeginColor(clWhite);
        qeButton2->SetGradEndColor(clSilver);
        SetMenuEnabled(true);
        SetTimerEnabled(false);
    }
}

void TForm1::qeButton3Click(QObject*) {
    Terminate();
}

void TForm1::Exit1Click() {
    Terminate();
}

void TForm1::N1Click() {
    {
        TForm2 dialog({WatchFolder, WatchInterval, DeleteSource}, *this);
        openDialog_ = &dialog;
        dialog.ShowModal();
        openDialog_ = nullptr;
    }
    // Whatever closed the dialog, the window shows the settings as they now are.
    ApplySettingsToDisplay();
    if (endRequested_) {
        Terminate();
    }
}

void TForm1::Timer1Timer() {
    // Ticks are taken only between passes: one that comes during a pass is dropped, so a
    // pass that outlasts the interval is followed by the next tick's pass and no other.
    if (passRunning_) {
        return;
    }
    ScanWatchFolder(FailureNotices::PassKind::OnTimer);
}

void TForm1::ScanWatchFolder(FailureNotices::PassKind kind) {
    const std::string folder = WatchFolder;
    const std::string deleteSource = DeleteSource;
    const auto ownerWindow = static_cast<uint32_t>(winId());
    const auto list = contract::PasswordListPath();
    const bool listed = list && LookAtPasswordList(*list).holdsPasswords;
    passwordTrials_.PassBegins();
    passRunning_ = true;
    PassOutcome pass;
    RunPassOffTheWindowThread([&] { pass = ::ScanWatchFolder(folder, deleteSource, ownerWindow); });
    passRunning_ = false;
    TellOfPass(pass, folder, listed, kind);
    if (endRequested_) {
        Terminate();
    }
}

void TForm1::TellOfPass(const PassOutcome& pass, const std::string& folder, bool listed,
                        FailureNotices::PassKind kind) {
    PasswordsAfterPass passwords;
    passwords.listed = listed;
    passwords.triedInVain = passwordTrials_.PassEnded(pass);
    if (const auto list = contract::PasswordListPath()) {
        passwords.list = platform::IdentityOf(list->string());
    }
    failureNotices_.Announce(pass, arriving_.LookAt(pass), passwords, kind);
    successNotices_.Announce(pass, folder);
}

void TForm1::AskForPassword(const std::string& archiveName, bool lastFailed) {
    const auto list = contract::PasswordListPath();
    if (!list) {
        return;  // no folder of the user's to keep it in, nor for the library to read
    }
    if (passwordDialog_ == nullptr) {
        passwordDialog_ = new TForm3(Text(archiveName), *list, *this);
        // A new password is tried at once when the window is idle; while it watches, the
        // next tick tries it.
        passwordDialog_->OnPasswordAdded = [this, list = *list](const AddedPassword& added) {
            passwordTrials_.Added(list, added, passwordArchive_);
            QTimer::singleShot(0, this, [this] {
                if (!TimerEnabled() && qeButton1->isEnabled() && openDialog_ == nullptr) {
                    qeButton1Click(qeButton1);
                }
            });
        };
    } else {
        passwordDialog_->SetArchiveName(Text(archiveName));
    }
    passwordArchive_ = archiveName;
    passwordDialog_->SetLastPasswordFailed(lastFailed);
    passwordDialog_->show();
    passwordDialog_->raise();
    passwordDialog_->activateWindow();
}

void TForm1::EndInOrder() {
    if (openDialog_ != nullptr) {
        endRequested_ = true;  // once the dialog is closed, as by its cancel button
        openDialog_->SpeedButton2Click();
    } else if (passRunning_) {
        endRequested_ = true;  // once the pass is done
    } else {
        Terminate();
    }
}

void TForm1::SetMenuEnabled(bool enabled) {
    File1->menuAction()->setEnabled(enabled);
    N1->setEnabled(enabled);
}

void TForm1::SetTimerSeconds(const std::string& seconds) {
    const int64_t milliseconds = int64_t{TextToInteger(seconds).value_or(0)} * 1000;
    Timer1->setInterval(static_cast<int>(std::clamp<int64_t>(milliseconds, 0, INT_MAX)));
    SetTimerEnabled(timerEnabled_);
}

void TForm1::SetTimerEnabled(bool enabled) {
    timerEnabled_ = enabled;
    // Qt's timer at 0 ms would fire without pause; at 0 the watching mode never scans.
    if (enabled && Timer1->interval() > 0) {
        Timer1->start();
    } else {
        Timer1->stop();
    }
}

void TForm1::Terminate() {
    terminating_ = true;
    QApplication::quit();
}

QPoint PlacedOnScreen(QPoint wanted, QSize size, QRect available) {
    const auto fit = [](int at, int length, int first, int end) {
        return std::max({std::min(at, end - length), first, 0});
    };
    return {fit(wanted.x(), size.width(), available.left(), available.left() + available.width()),
            fit(wanted.y(), size.height(), available.top(), available.top() + available.height())};
}

void TForm1::showEvent(QShowEvent* event) {
    TFormBase::showEvent(event);
    QTimer::singleShot(0, this, [this] {
        const QRect available = screen()->availableGeometry();
        const QRect frame = frameGeometry();
        if (!available.contains(frame)) {
            move(PlacedOnScreen(frame.topLeft(), frame.size(), available));
        }
    });
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!terminating_) {
        event->ignore();
    }
}
