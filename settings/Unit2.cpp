#include "Unit2.h"

#include <algorithm>

#include "DialogControls.h"
#include "DialogGlyphs.h"
#include "IntegerText.h"

namespace {

constexpr int kClientWidth = 501;
constexpr int kClientHeight = 100;

}  // namespace

TForm2::TForm2(SettingsFields settings, const QWidget& mainWindow) : settings_(settings) {
    setObjectName("Form2");
    setWindowTitle(QString::fromUtf8("設定"));
    // A fixed border and no title-bar buttons, not even the window menu.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    Panel1 = MakeDialogPanel(*this, kClientWidth, kClientHeight);
    Label1 = MakeLabel(Panel1, QString::fromUtf8("監視ﾌｫﾙﾀﾞ"), 26, 20);
    EllipsisEdit1 = new TEllipsisEdit(Panel1);
    EllipsisEdit1->setGeometry(86, 16, 403, 20);
    EllipsisEdit1->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
    Label2 = MakeLabel(Panel1, QString::fromUtf8("監視ｲﾝﾀｰﾊﾞﾙ"), 10, 48);
    SpinEdit1 = new TSpinEdit(Panel1);
    SpinEdit1->setGeometry(86, 44, 41, 21);
    SpinEdit1->setRange(5, 60);
    SpinEdit1->setValue(5);
    SpinEdit1->setFocusPolicy(Qt::ClickFocus);
    Label3 = MakeLabel(Panel1, QString::fromUtf8("秒(5-60)"), 128, 48);
    // The labels name their fields for screen readers.
    Label1->setBuddy(EllipsisEdit1);
    Label2->setBuddy(SpinEdit1);
    Label5 = MakeLabel(Panel1, QString::fromUtf8("解凍元ﾌｧｲﾙ"), 16, 70);
    CheckBox1 = new QCheckBox(QString::fromUtf8("解凍済み元ファイルを削除"), Panel1);
    CheckBox1->setGeometry(86, 70, 163, 17);
    CheckBox1->setFocusPolicy(Qt::ClickFocus);
    SpeedButton1 = MakeSpeedButton(Panel1, "設定", ToolGlyph(), {310, 54, 89, 35});
    SpeedButton2 = MakeSpeedButton(Panel1, "ｷｬﾝｾﾙ", CancelGlyph(), {400, 54, 89, 35});
    SHBrowseForFolderEx1 = new TSHBrowseForFolderEx(this);
    SHBrowseForFolderEx1->Caption = QString::fromUtf8("監視ﾌｫﾙﾀﾞ");

    EllipsisEdit1->OnEllipsisClick = [this](QObject* sender) {
        EllipsisEdit1EllipsisClick(sender);
    };
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });

    move(CentredOver(mainWindow.frameGeometry(), frameGeometry().size()));
    FormCreate();
}

QPoint TForm2::CentredOver(const QRect& mainWindow, const QSize& dialog) {
    return QPoint(std::max(0, mainWindow.left() + (mainWindow.width() - dialog.width()) / 2),
                  std::max(0, mainWindow.top() + (mainWindow.height() - dialog.height()) / 2));
}

void TForm2::FormCreate() {
    EllipsisEdit1->setText(QString::fromStdString(settings_.WatchFolder));
    // The spin box forces the stored value into its range: 120 shows as 60, 0 as 5.
    SpinEdit1->setValue(TextToInteger(settings_.WatchInterval).value_or(SpinEdit1->minimum()));
    CheckBox1->setChecked(settings_.DeleteSource == "1");
}

void TForm2::EllipsisEdit1EllipsisClick(QObject*) {
    if (SHBrowseForFolderEx1->Execute()) {
        EllipsisEdit1->setText(SHBrowseForFolderEx1->FolderName());
    }
}

void TForm2::SpeedButton1Click() {
    settings_.WatchFolder = EllipsisEdit1->text().toStdString();
    // The value as it stands in the text: a typed 99 not yet forced into range stays 99.
    settings_.WatchInterval = std::to_string(SpinEdit1->ValueAsRead());
    settings_.DeleteSource = CheckBox1->isChecked() ? "1" : "0";
    SetModalResult(mrOk);
}

void TForm2::SpeedButton2Click() {
    SetModalResult(mrCancel);
}
