#include "WatchFolderScan.h"

#include <vector>

#include "FileAttributes.h"
#include "FolderEntries.h"
#include "qeArchiever7ZIP.h"

namespace {

// One flush for the whole pass, then the archives go: a crash before the flush has
// finished leaves every archive in place, and one after it loses nothing.
void DeleteExtractedArchives(const std::string& scanFolder,
                             const std::vector<ExtractedArchive>& archives) {
    if (archives.empty() || !platform::SyncFileSystem(scanFolder)) {
        return;
    }
    for (const ExtractedArchive& archive : archives) {
        // The name must still stand for that very file, which no one is still writing: a
        // later archive of the pass may have replaced it, or a copy is arriving under it.
        platform::DeleteUnlessBeingWritten(archive.path, archive.identity);
    }
}

}  // namespace

void ScanWatchFolder(const std::string& WatchFolder, const std::string& DeleteSource,
                     uint32_t ownerWindow) {
    std::string scanFolder = WatchFolder;
    if (!scanFolder.empty() && scanFolder.back() == platform::kPathSeparator) {
        scanFolder.pop_back();
    }
    std::vector<ExtractedArchive> extracted;
    try {
        for (const std::string& name : platform::MatchingEntries(scanFolder, "*.zip")) {
            if (auto archive = ExtractOne(scanFolder + platform::kPathSeparator + name,
                                          DeleteSource, ownerWindow)) {
                extracted.push_back(std::move(*archive));
            }
        }
    } catch (...) {
        // A pass that fails ends quietly; the next pass tries again.
    }
    DeleteExtractedArchives(scanFolder, extracted);
}

std::optional<ExtractedArchive> ExtractOne(const std::string& path, const std::string& DeleteSource,
                                           uint32_t ownerWindow) {
    if (platform::FileAttributes(path) == platform::kAttributeDirectory) {
        return std::nullopt;
    }
    const size_t separator = path.rfind(platform::kPathSeparator);
    const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    if (name == "." || name == "..") {
        return std::nullopt;
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
    // Only an archive that was fully extracted goes; whether the name still stands for that
    // very file (the extraction may have replaced it) is asked when it is deleted.
    if (DeleteSource != "1" || !completed || status != 0 || !before || !before->isRegularFile) {
        return std::nullopt;
    }
    return ExtractedArchive{path, *before};
}
