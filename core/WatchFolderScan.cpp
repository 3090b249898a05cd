#include "WatchFolderScan.h"

#include <vector>

#include "ArrivedFileDeletion.h"
#include "FileAttributes.h"
#include "FileSystemSync.h"
#include "FolderEntries.h"
#include "qeArchiever7ZIP.h"

namespace {

// One flush for the whole pass, then the archives go: a crash before the flush has
// finished leaves every archive in place, and one after it loses nothing.
void DeleteExtractedArchives(const std::string& scanFolder,
                             const std::vector<ArchiveOutcome>& archives) {
    if (archives.empty() || !platform::SyncFileSystem(scanFolder)) {
        return;
    }
    for (const ArchiveOutcome& archive : archives) {
        // The name must still stand for that very file, which no one is still writing: a
        // later archive of the pass may have replaced it, or a copy is arriving under it.
        platform::DeleteUnlessBeingWritten(archive.path, *archive.identity);
    }
}

}  // namespace

std::vector<ArchiveOutcome> ScanWatchFolder(const std::string& WatchFolder,
                                            const std::string& DeleteSource, uint32_t ownerWindow) {
    std::string scanFolder = WatchFolder;
    if (!scanFolder.empty() && scanFolder.back() == platform::kPathSeparator) {
        scanFolder.pop_back();
    }
    std::vector<ArchiveOutcome> toDelete;
    std::vector<ArchiveOutcome> failed;
    try {
        for (const std::string& name : platform::MatchingEntries(scanFolder, "*.zip")) {
            auto archive = ExtractOne(scanFolder + platform::kPathSeparator + name, ownerWindow);
            if (!archive) {
                continue;
            }
            // Only an archive that was fully extracted goes; whether the name still stands
            // for that very file (the extraction may have replaced it) is asked when it is
            // deleted.
            if (!archive->extracted) {
                failed.push_back(std::move(*archive));
            } else if (DeleteSource == "1" && archive->identity &&
                       archive->identity->isRegularFile) {
                toDelete.push_back(std::move(*archive));
            }
        }
    } catch (...) {
        // A pass that fails ends quietly; the next pass tries again.
    }
    DeleteExtractedArchives(scanFolder, toDelete);
    return failed;
}

std::optional<ArchiveOutcome> ExtractOne(const std::string& path, uint32_t ownerWindow) {
    if (platform::FileAttributes(path) == platform::kAttributeDirectory) {
        return std::nullopt;
    }
    const size_t separator = path.rfind(platform::kPathSeparator);
    const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    if (name == "." || name == "..") {
        return std::nullopt;
    }
    const std::string folder = separator == std::string::npos ? "" : path.substr(0, separator + 1);

    ArchiveOutcome outcome;
    outcome.path = path;
    outcome.identity = platform::IdentityOf(path);
    int status = -1;
    bool completed = false;
    {
        TqeArchiever7ZIP archiver(ownerWindow);
        completed = archiver.ExtractArchive(path, folder, outcome.report, status);
    }
    outcome.extracted = completed && status == 0;
    if (!completed) {
        outcome.report = "The extraction library could not be called.";
    }
    return outcome;
}
