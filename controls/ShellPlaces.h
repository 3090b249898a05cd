// The places of this system that stand for the special folders a folder browser offers:
// the namespace root (the home folder, the desktop folder and the file system), the
// drives folder (the file system root) and the XDG folders.
#pragma once

#include <QString>
#include <optional>
#include <vector>

struct ShellPlace {
    QString displayName;
    QString path;                   // empty: the place is not a file-system folder
    std::vector<ShellPlace> fixed;  // children of a place that is not in the file system
};

// The place for a special-folder ordinal (0 to 10, as TSelectFolder and TRootFolder
// number them); nothing when this system lacks it. Ordinal 1 (manual) is the root.
std::optional<ShellPlace> SpecialPlace(int ordinal);

// A file-system folder as a place.
ShellPlace FolderPlace(const QString& path);
