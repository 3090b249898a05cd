#include "ShellPlaces.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

std::optional<ShellPlace> ExistingFolder(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isDir()) {
        return std::nullopt;
    }
    return FolderPlace(path);
}

QString Location(QStandardPaths::StandardLocation location) {
    return QStandardPaths::writableLocation(location);
}

ShellPlace NamespaceRoot() {
    ShellPlace root{QString::fromUtf8("デスクトップ"), QString(), {}};
    root.fixed.push_back(FolderPlace(QDir::homePath()));
    if (auto desktop = ExistingFolder(Location(QStandardPaths::DesktopLocation));
        desktop && desktop->path != QDir::homePath()) {
        root.fixed.push_back(*desktop);
    }
    root.fixed.push_back(FolderPlace("/"));
    return root;
}

}  // namespace

ShellPlace FolderPlace(const QString& path) {
    const QString name = path == "/" ? QString("/") : QFileInfo(path).fileName();
    return ShellPlace{name, QDir::cleanPath(path), {}};
}

std::optional<ShellPlace> SpecialPlace(int ordinal) {
    const QString home = QDir::homePath();
    switch (ordinal) {
        case 0:
        case 1:
            return NamespaceRoot();
        case 2:
            return FolderPlace("/");
        case 3:
            return ExistingFolder(Location(QStandardPaths::DesktopLocation));
        case 5:
        case 8:
            return ExistingFolder(Location(QStandardPaths::ApplicationsLocation));
        case 9:
            return ExistingFolder(Location(QStandardPaths::GenericConfigLocation) + "/autostart");
        case 10:
            return ExistingFolder(home + "/Templates");
        default:  // favourites, recent documents, send-to: this system has no such folder
            return std::nullopt;
    }
}
