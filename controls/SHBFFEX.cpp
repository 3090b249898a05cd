#include "SHBFFEX.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ShellPlaces.h"

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;

bool Holds(TSHBrowseOptions options, TSHBrowseOption option) {
    return (options & OptionSet(option)) != 0;
}

// A manual name counts only when it names an existing folder.
std::optional<ShellPlace> PlaceFor(int kind, const QString& manualName) {
    if (kind == 1 && !manualName.isEmpty() && QFileInfo(manualName).isDir()) {
        return FolderPlace(QFileInfo(manualName).absoluteFilePath());
    }
    return SpecialPlace(kind);
}

}  // namespace

QPoint CenterOnWorkArea(const QRect& workArea, const QSize& dialog) {
    return QPoint((workArea.width() - dialog.width()) / 2,
                  (workArea.height() - dialog.height()) / 3);
}

// The dialog itself: the text above the tree, a status line, the tree, OK and cancel.
class FolderBrowserDialog : public QDialog {
  public:
    FolderBrowserDialog(TSHBrowseForFolderEx& browser, const ShellPlace& root) : browser_(browser) {
        setWindowTitle(QString::fromUtf8("フォルダの参照"));
        setObjectName("FolderBrowserDialog");
        auto* layout = new QVBoxLayout(this);
        auto* title = new QLabel(browser.Caption, this);
        title->setObjectName("title");
        status_ = new QLabel(this);
        status_->setObjectName("status");
        status_->setVisible(Holds(browser.Options, sboStatusText) ||
                            Holds(browser.Options, sboStatusTextAndShowPath));
        tree_ = new QTreeWidget(this);
        tree_->setObjectName("tree");
        tree_->setHeaderHidden(true);
        ok_ = new QPushButton("OK", this);
        ok_->setObjectName("ok");
        ok_->setDefault(true);
        auto* cancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
        cancel->setObjectName("cancel");
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(ok_);
        buttons->addWidget(cancel);
        layout->addWidget(title);
        layout->addWidget(status_);
        layout->addWidget(tree_);
        layout->addLayout(buttons);
        resize(320, 400);
        connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(tree_, &QTreeWidget::itemExpanded, this,
                [this](QTreeWidgetItem* item) { Fill(item); });
        connect(tree_, &QTreeWidget::currentItemChanged, this,
                [this](QTreeWidgetItem* item) { SelectionChanged(item); });
        tree_->addTopLevelItem(MakeItem(root));
        tree_->topLevelItem(0)->setExpanded(true);
        // Nothing chosen yet: nothing to confirm where only file-system folders count.
        ok_->setEnabled(!Holds(browser.Options, sboReturnOnlyFSDirs) &&
                        !Holds(browser.Options, sboReturnFSAncestors));
    }

    // Selects the item for path, opening the folders on the way; the root when none.
    void Select(const QString& path) {
        QTreeWidgetItem* item = tree_->topLevelItem(0);
        for (QTreeWidgetItem* next = item; next != nullptr;) {
            item = next;
            next = nullptr;
            if (item->data(0, kPathRole).toString() == path) {
                break;
            }
            Fill(item);
            for (int i = 0; i < item->childCount(); ++i) {
                const QString childPath = item->child(i)->data(0, kPathRole).toString();
                if (!childPath.isEmpty() &&
                    (path == childPath ||
                     path.startsWith(childPath == "/" ? "/" : childPath + "/"))) {
                    item->setExpanded(true);
                    next = item->child(i);
                    break;
                }
            }
        }
        tree_->setCurrentItem(item);
    }

    QTreeWidgetItem* Chosen() const { return tree_->currentItem(); }

  private:
    QTreeWidgetItem* MakeItem(const ShellPlace& place) {
        auto* item = new QTreeWidgetItem({place.displayName});
        item->setData(0, kPathRole, place.path);
        for (const ShellPlace& child : place.fixed) {
            item->addChild(MakeItem(child));
        }
        item->setData(0, kFilledRole, !place.fixed.empty() || place.path.isEmpty());
        if (!place.path.isEmpty()) {
            item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        }
        return item;
    }

    // Folders are read when first opened.
    void Fill(QTreeWidgetItem* item) {
        if (item->data(0, kFilledRole).toBool()) {
            return;
        }
        item->setData(0, kFilledRole, true);
        const QDir folder(item->data(0, kPathRole).toString());
        for (const QFileInfo& entry : folder.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot,
                                                           QDir::Name | QDir::IgnoreCase)) {
            item->addChild(MakeItem(FolderPlace(entry.absoluteFilePath())));
        }
        if (item->childCount() == 0) {
            item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
        }
    }

    void SelectionChanged(QTreeWidgetItem* item) {
        const QString path = item == nullptr ? QString() : item->data(0, kPathRole).toString();
        // Only file-system folders can be confirmed when the options ask for that.
        if (Holds(browser_.Options, sboReturnOnlyFSDirs) ||
            Holds(browser_.Options, sboReturnFSAncestors)) {
            ok_->setEnabled(!path.isEmpty());
        }
        QString showText;
        TOKButtonState okState = obsNone;
        browser_.DoSelectionChanged(this, path, showText, okState);
        if (Holds(browser_.Options, sboStatusTextAndShowPath)) {
            showText = path;
        }
        status_->setText(showText);
        if (okState != obsNone) {
            ok_->setEnabled(okState == obsEnable);
        }
    }

    TSHBrowseForFolderEx& browser_;
    QLabel* status_;
    QTreeWidget* tree_;
    QPushButton* ok_;
};

TSHBrowseForFolderEx::TSHBrowseForFolderEx(QObject* owner) : QObject(owner) {}

void TSHBrowseForFolderEx::DoSelectionChanged(QWidget* Wnd, const QString& Path, QString& ShowText,
                                              TOKButtonState& OKButtonState) {
    if (OnSelectionChanged) {
        OnSelectionChanged(this, Wnd, Path, ShowText, OKButtonState);
    }
}

bool TSHBrowseForFolderEx::Execute() {
    folderName_.clear();
    displayName_.clear();
    const auto root = PlaceFor(RootFolder, RootFolderName);
    if (!root) {
        return false;
    }
    const auto selection = PlaceFor(SelectFolder, SelectFolderName);

    FolderBrowserDialog dialog(*this, *root);
    if (selection) {
        dialog.Select(selection->path);
    }
    dialog.ensurePolished();
    auto* owner = qobject_cast<QWidget*>(parent());
    if (ShowStyle == ssCenterScreen) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        dialog.move(CenterOnWorkArea(screen->availableGeometry(), dialog.frameGeometry().size()));
    } else if (ShowStyle == ssClient && owner != nullptr && owner->isWindow() &&
               owner->testAttribute(Qt::WA_WState_Created)) {
        dialog.move(owner->mapToGlobal(QPoint(0, 0)));
    }

    // Application-modal: the program's other windows take no input exactly while the
    // browser is open, and the window that was active is active again afterwards.
    QWidget* active = QApplication::activeWindow();
    dialog.setWindowModality(Qt::ApplicationModal);
    const bool confirmed = dialog.exec() == QDialog::Accepted && dialog.Chosen() != nullptr;
    if (active != nullptr) {
        active->activateWindow();
    }
    if (confirmed) {
        displayName_ = dialog.Chosen()->text(0);
        folderName_ = dialog.Chosen()->data(0, kPathRole).toString();
    }
    return confirmed;
}
