#include "WatchFolderScan.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "ArchiveVolumes.h"
#include "ArrivedFileDeletion.h"
#include "ExtractionReport.h"
#include "FileAttributes.h"
#include "FileSystemSync.h"
#include "FolderEntries.h"
#include "VolumeNames.h"
#include "qeArchiever7ZIP.h"

namespace {

// One flush for the whole pass, then the archives go: a crash before the flush has
// finished leaves every archive in place, and one after it loses nothing.
void DeleteExtractedArchives(const std::string& scanFolder,
                             const std::vector<std::vector<platform::ArrivedFile>>& archives) {
    if (archives.empty() || !platform::SyncFileSystem(scanFolder)) {
        return;
    }
    for (const auto& files : archives) {
        // The names must still stand for those very files, which no one is still writing:
        // a later archive of the pass may have replaced one, or a copy is arriving under it.
        platform::DeleteAllUnlessAnyBeingWritten(files);
    }
}

// A raw piece goes only where its bytes begin as an archive the library reads in pieces:
// a ZIP's local header, a self-extractor's program stub, or 7z's signature.
bool BeginsAsArchive(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char first[6] = {};
    file.read(first, sizeof first);
    const std::string_view bytes(first, static_cast<size_t>(file.gcount()));
    return bytes.starts_with("PK\x03\x04") || bytes.starts_with("MZ") ||
           bytes.starts_with("7z\xBC\xAF\x27\x1C");
}

// The archives a pass hands over, by name: ZIP and 7z, the first of numbered volumes,
// the first of a RAR set, tarballs, LZH and CAB. Never a later volume on its own, and never
// a lone .gz or .xz, nor a disk image.
bool IsArchiveToExtract(const std::string& name) {
    static constexpr const char* kPatterns[] = {
        "*.zip",    "*.7z",  "*.tar",     "*.tar.gz", "*.tgz", "*.tar.bz2", "*.tbz2",
        "*.tar.xz", "*.txz", "*.tar.zst", "*.tzst",   "*.lzh", "*.lha",     "*.cab"};
    return contract::IsFirstNumberedVolume(name) || contract::IsFirstRarVolume(name) ||
           std::any_of(std::begin(kPatterns), std::end(kPatterns), [&](const char* pattern) {
               return platform::MatchesWildcard(name, pattern);
           });
}

}  // namespace

PassOutcome ScanWatchFolder(const std::string& WatchFolder, const std::string& DeleteSource,
                            uint32_t ownerWindow) {
    PassOutcome pass{std::chrono::system_clock::now(), {}};
    std::string scanFolder = WatchFolder;
    if (!scanFolder.empty() && scanFolder.back() == platform::kPathSeparator) {
        scanFolder.pop_back();
    }
    const bool deleting = DeleteSource == "1";
    std::vector<std::vector<platform::ArrivedFile>> toDelete;
    try {
        // The archives, and the volumes of split archives: name.z01, ..., name.zip.002,
        // ..., name.part2.rar, ..., name.r00, ..., and raw pieces name.001, name.002, ...
        const std::vector<std::string> names = platform::MatchingEntries(scanFolder, "*");
        const VolumesBeside volumes(names);
        for (const std::string& name : names) {
            if (!IsArchiveToExtract(name) &&
                !(contract::IsFirstRawPiece(name) &&
                  BeginsAsArchive(scanFolder + platform::kPathSeparator + name))) {
                continue;
            }
            // As they are before the archive is read: only what was read may go.
            const auto seenVolumes = volumes.Of(scanFolder, name);
            auto archive = ExtractOne(scanFolder + platform::kPathSeparator + name, ownerWindow);
            if (!archive) {
                continue;
            }
            // Only an archive that was fully extracted goes, with every volume it was read
            // from; whether the names still stand for those very files (the extraction may
            // have replaced one) is asked when they are deleted.
            archive->volumes = seenVolumes;
            if (archive->extracted && deleting && archive->identity &&
                archive->identity->isRegularFile) {
                if (auto files =
                        ArchiveWithItsVolumes({archive->path, *archive->identity}, seenVolumes,
                                              VolumeCountIn(archive->report))) {
                    toDelete.push_back(std::move(*files));
                }
            }
            pass.archives.push_back(std::move(*archive));
        }
    } catch (...) {
        // A pass that fails ends quietly; the next pass tries again.
    }
    DeleteExtractedArchives(scanFolder, toDelete);
    return pass;
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
