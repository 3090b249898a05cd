#include "WatchFolderScan.h"

#include "FileAttributes.h"
#include "FileIdentity.h"
#include "FolderEntries.h"
#include "qeArchiever7ZIP.h"

void ScanWatchFolder(const std::string& WatchFolder, const std::string& DeleteSource,
                     uint32_t ownerWindow) {
    std::string scanFolder = WatchFolder;
    if (!scanFolder.empty() && scanFolder.back() == platform::kPathSeparator) {
        scanFolder.pop_back();
    }
    try {
        for (const std::string& name : platform::MatchingEntries(scanFolder, "*.zip")) {
            ExtractOne(scanFolder + platform::kPathSeparator + name, DeleteSource, ownerWindow);
        }
    } catch (...) {
        // A pass that fails ends quietly; the next pass tries again.
    }
}

void ExtractOne(const std::string& path, const std::string& DeleteSource, uint32_t ownerWindow) {
    if (platform::FileAttributes(path) == platform::kAttributeDirectory) {
        return;
    }
    const size_t separator = path.rfind(platform::kPathSeparator);
    const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    if (name == "." || name == "..") {
        return;
    }
    const std::string folder = separator == std::string::npos ? "" : path.substr(0, separator + 1);

    const auto before = platform::IdentityOf(path);
    std::string output;
    int status = -1;
    bool completed = false;
    {
        TqeArchiever7ZIP archiver(ownerWindow);
        completed = archiver.ExtractArchive(path, folder, output, status);
    }
    if (DeleteSource != "1") {
        return;
    }
    // Only an archive that was fully extracted goes, and only if the name still stands
    // for that very file: the extraction may have replaced it, or a new copy arrived.
    if (!completed || status != 0 || !before || !before->isRegularFile ||
        platform::IdentityOf(path) != before) {
        return;
    }
    if (platform::SyncFileSystem(folder)) {
        platform::DeleteFile(path);
    }
}
