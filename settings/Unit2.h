// TForm2: the settings dialog. It shows the main window's three settings, lets the
// user change them (the folder typed or picked in the folder browser), and writes them
// back when "設定" is clicked; "ｷｬﾝｾﾙ" leaves them as they were.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QToolButton>
#include <string>

#include "ELIEDIT.h"
#include "FormBase.h"
#include "SHBFFEX.h"
#include "SpinEdit.h"

// The main window's settings fields, which the dialog writes straight into.
struct SettingsFields {
    std::string& WatchFolder;
    std::string& WatchInterval;
    std::string& DeleteSource;
};

class TForm2 : public TFormBase {
    Q_OBJECT
  public:
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    // Centred over mainWindow when shown.
    TForm2(SettingsFields settings, const QWidget& mainWindow);

    QWidget* Panel1;
    QLabel* Label1;
    TEllipsisEdit* EllipsisEdit1;
    QLabel* Label2;
    TSpinEdit* SpinEdit1;
    QLabel* Label3;
    QLabel* Label5;
    QCheckBox* CheckBox1;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    TSHBrowseForFolderEx* SHBrowseForFolderEx1;

    void FormCreate();
    void EllipsisEdit1EllipsisClick(QObject* Sender);
    void SpeedButton1Click();
    void SpeedButton2Click();

    // Where the dialog goes: centred over the main window by their outer sizes, never
    // left of or above the screen's origin.
    static QPoint CentredOver(const QRect& mainWindow, const QSize& dialog);

  private:
    SettingsFields settings_;
};
