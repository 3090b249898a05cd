// The folder browser: placement, initial selection, root, options, the selection event
// and the results. The modal dialog is worked from a timer while Execute runs.
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <functional>

#include "../TemporaryFolder.h"
#include "SHBFFEX.h"

namespace {

// Runs act on the browser's dialog once it is open.
void WhenOpen(std::function<void(QWidget& dialog)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog != nullptr);
        act(*dialog);
    });
}

QTreeWidget& Tree(QWidget& dialog) {
    return *dialog.findChild<QTreeWidget*>("tree");
}
QPushButton& Ok(QWidget& dialog) {
    return *dialog.findChild<QPushButton*>("ok");
}
QPushButton& Cancel(QWidget& dialog) {
    return *dialog.findChild<QPushButton*>("cancel");
}
QString Selected(QWidget& dialog) {
    return Tree(dialog).currentItem()->data(0, Qt::UserRole).toString();
}

}  // namespace

class FolderBrowser : public QObject {
    Q_OBJECT
  private slots:
    void centringOnTheWorkAreaUsesTheScreensOrigin() {
        QCOMPARE(CenterOnWorkArea(QRect(0, 0, 1024, 738), QSize(300, 400)), QPoint(362, 112));
        QCOMPARE(CenterOnWorkArea(QRect(30, 0, 994, 738), QSize(300, 400)), QPoint(347, 112));
    }

    void defaultsOpenOnTheFileSystemRootAndConfirmIt() {
        TSHBrowseForFolderEx browser;
        browser.Caption = QString::fromUtf8("監視ﾌｫﾙﾀﾞ");
        QString title;
        WhenOpen([&](QWidget& dialog) {
            title = dialog.findChild<QLabel*>("title")->text();
            QCOMPARE(Selected(dialog), QString("/"));
            QCOMPARE(Tree(dialog).topLevelItem(0)->text(0), QString::fromUtf8("デスクトップ"));
            Ok(dialog).click();
        });
        QVERIFY(browser.Execute());
        QCOMPARE(title, QString::fromUtf8("監視ﾌｫﾙﾀﾞ"));
        QCOMPARE(browser.FolderName(), QString("/"));
        QCOMPARE(browser.DisplayName(), QString("/"));
        WhenOpen([](QWidget& dialog) { Cancel(dialog).click(); });
        QVERIFY(!browser.Execute());
        QVERIFY(browser.FolderName().isEmpty() && browser.DisplayName().isEmpty());
    }

    void aManualSelectionOpensOnThatFolderOrElseOnTheRoot() {
        TemporaryFolder folder;
        std::filesystem::create_directories(folder / "inner/deeper");
        TSHBrowseForFolderEx browser;
        browser.SelectFolder = sfManual;
        browser.SelectFolderName = QString::fromStdString(folder / "inner/deeper");
        WhenOpen([](QWidget& dialog) { Ok(dialog).click(); });
        QVERIFY(browser.Execute());
        QCOMPARE(browser.FolderName(), browser.SelectFolderName);
        QCOMPARE(browser.DisplayName(), QString("deeper"));
        browser.SelectFolderName = QString::fromStdString(folder / "missing");
        QString selected = "unset";
        WhenOpen([&](QWidget& dialog) {
            selected = Selected(dialog);
            Cancel(dialog).click();
        });
        browser.Execute();
        QCOMPARE(selected, QString());  // the namespace root, which has no path
    }

    void aManualRootShowsOnlyThatFolderAndAMissingOneShowsNothing() {
        TemporaryFolder folder;
        std::filesystem::create_directories(folder / "only");
        TSHBrowseForFolderEx browser;
        browser.RootFolder = rfManual;
        browser.RootFolderName = QString::fromStdString(folder.Path().string());
        browser.SelectFolder = sfManual;
        browser.SelectFolderName = QString::fromStdString(folder / "only");
        int roots = 0;
        WhenOpen([&](QWidget& dialog) {
            roots = Tree(dialog).topLevelItemCount();
            QCOMPARE(Tree(dialog).topLevelItem(0)->data(0, Qt::UserRole).toString(),
                     browser.RootFolderName);
            Ok(dialog).click();
        });
        QVERIFY(browser.Execute());
        QCOMPARE(roots, 1);
        QCOMPARE(browser.FolderName(), browser.SelectFolderName);
        browser.RootFolder = rfFavorites;  // a place this system lacks
        QVERIFY(!browser.Execute());
        browser.RootFolder = rfDesktop;
        browser.SelectFolder = sfFavorites;
        bool anySelected = true;
        bool okEnabled = true;
        WhenOpen([&](QWidget& dialog) {
            anySelected =
                Tree(dialog).currentItem() != nullptr && Tree(dialog).currentItem()->isSelected();
            okEnabled = Ok(dialog).isEnabled();
            Cancel(dialog).click();
        });
        browser.Execute();
        QVERIFY(!anySelected);
        QVERIFY(!okEnabled);
    }

    void onlyFileSystemFoldersCanBeConfirmedByDefault() {
        TSHBrowseForFolderEx browser;
        browser.SelectFolder = sfDesktop;
        bool okEnabled = true;
        WhenOpen([&](QWidget& dialog) {
            okEnabled = Ok(dialog).isEnabled();
            Cancel(dialog).click();
        });
        browser.Execute();
        QVERIFY(!okEnabled);
        browser.Options = 0;
        WhenOpen([&](QWidget& dialog) {
            okEnabled = Ok(dialog).isEnabled();
            Ok(dialog).click();
        });
        QVERIFY(browser.Execute());
        QVERIFY(okEnabled);
        QVERIFY(browser.FolderName().isEmpty());  // confirmed, but not a file-system folder
        QCOMPARE(browser.DisplayName(), QString::fromUtf8("デスクトップ"));
    }

    void theSelectionEventSetsTheStatusLineAndTheOkButton() {
        TSHBrowseForFolderEx browser;
        browser.Options = OptionSet(sboStatusText);
        std::vector<QString> paths;
        browser.OnSelectionChanged = [&](QObject* sender, QWidget*, const QString& path,
                                         QString& showText, TOKButtonState& ok) {
            QCOMPARE(sender, &browser);
            paths.push_back(path);
            showText = "looking at " + path;
            ok = obsDisable;
        };
        QString status;
        bool okEnabled = true;
        WhenOpen([&](QWidget& dialog) {
            status = dialog.findChild<QLabel*>("status")->text();
            okEnabled = Ok(dialog).isEnabled();
            Cancel(dialog).click();
        });
        browser.Execute();
        QCOMPARE(status, QString("looking at /"));
        QVERIFY(!okEnabled);
        QVERIFY(!paths.empty());
        QCOMPARE(paths.back(), QString("/"));

        browser.Options = OptionSet(sboStatusTextAndShowPath);
        WhenOpen([&](QWidget& dialog) {
            status = dialog.findChild<QLabel*>("status")->text();
            Cancel(dialog).click();
        });
        browser.Execute();
        QCOMPARE(status, QString("/"));  // the path, whatever the event said
    }

    void theClientStylePutsTheDialogOnItsOwnersClientOrigin() {
        QWidget owner;
        owner.setGeometry(200, 150, 300, 100);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        TSHBrowseForFolderEx browser(&owner);
        QPoint at;
        WhenOpen([&](QWidget& dialog) {
            at = dialog.pos();
            Cancel(dialog).click();
        });
        browser.Execute();
        QCOMPARE(at, owner.mapToGlobal(QPoint(0, 0)));
    }
};

QTEST_MAIN(FolderBrowser)
#include "test_folder_browser.moc"
