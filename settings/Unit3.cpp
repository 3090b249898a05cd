#include "Unit3.h"

#include <QKeyEvent>

#include "DialogControls.h"
#include "DialogGlyphs.h"
#include "PasswordListFile.h"
#include "Unit2.h"

namespace {

constexpr int kClientWidth = 360;
constexpr int kClientHeight = 100;

}  // namespace

TForm3::TForm3(const QString& archiveName, std::filesystem::path list, QWidget& mainWindow)
    : TFormBase(&mainWindow), list_(std::move(list)) {
    setObjectName("Form3");
    setWindowTitle(QString::fromUtf8("パスワード"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setAttribute(Qt::WA_DeleteOnClose);
    Panel1 = MakeDialogPanel(*this, kClientWidth, kClientHeight);
    Label1 = MakeLabel(Panel1, QString::fromUtf8("書庫"), 46, 16);
    Label2 = MakeLabel(Panel1, archiveName, 86, 16);
    Label2->setFixedWidth(kClientWidth - 86 - 12);
    Label2->setAccessibleName(QString::fromUtf8("書庫"));
    Label3 = MakeLabel(Panel1, QString::fromUtf8("ﾊﾟｽﾜｰﾄﾞ"), 22, 42);
    Edit1 = new QLineEdit(Panel1);
    Edit1->setGeometry(86, 38, 262, 20);
    Edit1->setEchoMode(QLineEdit::Password);
    // Nothing the user types here is offered to other programs or kept by input methods.
    Edit1->setAttribute(Qt::WA_InputMethodEnabled, false);
    Label3->setBuddy(Edit1);  // names the field for screen readers
    Label4 = MakeLabel(Panel1, QString::fromUtf8("前のパスワードでは\n開けませんでした"), 12, 66);
    Label4->setStyleSheet("color: #c00000");
    Label4->hide();
    SpeedButton1 = MakeSpeedButton(Panel1, "解凍", KeyGlyph(), {168, 62, 89, 35});
    SpeedButton2 = MakeSpeedButton(Panel1, "ｷｬﾝｾﾙ", CancelGlyph(), {259, 62, 89, 35});
    SetArchiveName(archiveName);

    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
    connect(Edit1, &QLineEdit::returnPressed, this, [this] { SpeedButton1Click(); });

    move(TForm2::CentredOver(mainWindow.frameGeometry(), frameGeometry().size()));
}

void TForm3::SetArchiveName(const QString& archiveName) {
    Label2->setText(
        Label2->fontMetrics().elidedText(archiveName, Qt::ElideMiddle, Label2->width()));
    Label2->setToolTip(archiveName);
}

void TForm3::SetLastPasswordFailed(bool failed) {
    Label4->setVisible(failed);
}

void TForm3::SpeedButton1Click() {
    // A password that could not be kept stays in the field, to be tried again or left.
    if (Edit1->text().isEmpty()) {
        return;
    }
    const auto added = AppendPassword(list_, Edit1->text().toStdString());
    if (!added) {
        return;
    }
    Edit1->clear();
    if (OnPasswordAdded) {
        OnPasswordAdded(*added);
    }
    close();
}

void TForm3::SpeedButton2Click() {
    Edit1->clear();
    close();
}

void TForm3::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        SpeedButton2Click();
        return;
    }
    TFormBase::keyPressEvent(event);
}
