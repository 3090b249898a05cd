// TSHBrowseForFolderEx: picks a folder in a modal folder-browsing dialog. Its properties
// choose the tree's root, the folder selected on opening, the text above the tree, the
// options and the placement; its event follows every change of selection and may set
// the status line and enable or disable OK. Execute returns True on a confirmed choice,
// whose path is then in FolderName and whose shown name is in DisplayName.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>

class QWidget;

enum TSelectFolder {
    sfDesktop,
    sfManual,
    sfDrives,
    sfDesktopDir,
    sfFavorites,
    sfPrograms,
    sfRecent,
    sfSendTo,
    sfStartMenu,
    sfStartup,
    sfTemplates
};
enum TRootFolder {
    rfDesktop,
    rfManual,
    rfDrives,
    rfDesktopDir,
    rfFavorites,
    rfPrograms,
    rfRecent,
    rfSendTo,
    rfStartMenu,
    rfStartup,
    rfTemplates
};
enum TSHBrowseOption {
    sboDontGoBelowDomain,
    sboReturnFSAncestors,
    sboReturnOnlyFSDirs,
    sboStatusTextAndShowPath,
    sboStatusText
};
using TSHBrowseOptions = unsigned;  // a set: bit n stands for option n
constexpr TSHBrowseOptions OptionSet(TSHBrowseOption option) {
    return 1u << option;
}
enum TShowStyle { ssNone, ssCenterScreen, ssClient };
enum TOKButtonState { obsNone, obsEnable, obsDisable };

using TSHBrowseEvent = std::function<void(QObject* Sender, QWidget* Wnd, const QString& Path,
                                          QString& ShowText, TOKButtonState& OKButtonState)>;

// Where ssCenterScreen puts a dialog: centred across, a third down, from the screen's origin.
QPoint CenterOnWorkArea(const QRect& workArea, const QSize& dialog);

class TSHBrowseForFolderEx : public QObject {
    Q_OBJECT
  public:
    explicit TSHBrowseForFolderEx(QObject* owner = nullptr);

    TSelectFolder SelectFolder = sfDrives;
    QString SelectFolderName;
    QString Caption;
    TSHBrowseOptions Options = OptionSet(sboReturnOnlyFSDirs);
    TSHBrowseEvent OnSelectionChanged;
    TRootFolder RootFolder = rfDesktop;
    QString RootFolderName;
    TShowStyle ShowStyle = ssClient;

    const QString& FolderName() const { return folderName_; }
    const QString& DisplayName() const { return displayName_; }

    bool Execute();

  protected:
    virtual void DoSelectionChanged(QWidget* Wnd, const QString& Path, QString& ShowText,
                                    TOKButtonState& OKButtonState);

  private:
    friend class FolderBrowserDialog;
    QString folderName_;
    QString displayName_;
};
