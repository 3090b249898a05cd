// TForm3: the password dialog, opened from a notification of an archive that no listed
// password opens. It names the archive, says when the password last entered did not open
// it, takes the password masked, and on "解凍" adds it to the list the user keeps;
// "ｷｬﾝｾﾙ" leaves the list as it was. It is not modal: passes go on while it is open.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <filesystem>
#include <functional>

#include "FormBase.h"
#include "PasswordListFile.h"

class TForm3 : public TFormBase {
    Q_OBJECT
  public:
    // Centred over mainWindow, which owns it, when shown; list is where "解凍" adds the
    // password.
    TForm3(const QString& archiveName, std::filesystem::path list, QWidget& mainWindow);

    QWidget* Panel1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;  // that the last password did not open the archive
    QLineEdit* Edit1;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;

    // Called once the password is in the list, with the line that holds it.
    std::function<void(const AddedPassword&)> OnPasswordAdded;

    void SetArchiveName(const QString& archiveName);
    void SetLastPasswordFailed(bool failed);
    void SpeedButton1Click();
    void SpeedButton2Click();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    std::filesystem::path list_;
};
