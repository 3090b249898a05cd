// What one extraction of an archive into a folder left behind, kept outside the folder
// (under $XDG_CACHE_HOME/kesto/records/, as contract/UserFolders.h has it) for the next
// pass: the archive's identity, the status and report, and for each entry that succeeded,
// its file's identity as lstat gave it. A file that still stands as recorded, by the rule
// of its file system (Vouching: the change time where the kernel keeps it, else size,
// modification time and mode, with a read once a day), is vouched for without being read.
// A record that cannot be written is simply missing next time; one that is damaged, or of
// another archive, is ignored.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "PathList.h"
#include "Vouching.h"

namespace sevenzip32 {

// 40 bytes a file; its device is the record's.
struct RecordedFile {
    uint64_t inode = 0;
    uint64_t size = 0;
    uint64_t modified = 0;  // in nanoseconds since 1970, wrapping
    uint64_t changed = 0;
    uint32_t mode = 0;  // never 0 for a file that stands: it holds the file's type

    // What vouches for the file on its file system; the rest is left zero.
    static RecordedFile From(const struct stat& status, const Vouching& vouching);
    // The time that moves when the file is touched: its change time where that vouches.
    uint64_t Touched() const { return changed != 0 ? changed : modified; }
    bool IsKnown() const { return mode != 0; }
    bool operator==(const RecordedFile&) const = default;
};

// A volume of a split archive other than the one named, by the name it was found under
// beside it.
struct RecordedVolume {
    std::string name;
    RecordedFile file;

    bool operator==(const RecordedVolume&) const = default;
};

// How many entries of each kind came out.
struct KindCounts {
    uint64_t files = 0;
    uint64_t folders = 0;
    uint64_t links = 0;

    bool operator==(const KindCounts&) const = default;
};

struct ExtractionRecord {
    RecordedFile archive;  // the volume named, for a split archive
    // The other volumes, as they were read: the record holds only while each still stands
    // as it was.
    std::vector<RecordedVolume> volumes;
    uint64_t archiveDevice = 0;
    uint64_t filesDevice = 0;  // the output folder's, which every file recorded is on
    std::string archivePath;
    std::string outputFolder;
    int32_t status = 0;
    // Every failure lay in the archive: the same archive into the same files fails again
    // the same way.
    bool failuresRepeat = false;
    // An entry failed for want of a password: the failure repeats only while the list of
    // passwords is the one recorded here (not known where there was none).
    bool wantsPassword = false;
    RecordedFile passwordList;
    std::vector<std::string> reportLines;
    // When the files were last read and compared rather than vouched for, in seconds
    // since 1970: where only size and time vouch, that is done once a day.
    int64_t filesRead = 0;
    KindCounts succeeded;
    // The file each entry left, by the entry's central directory index: not known for
    // an entry that failed or whose file could not vouch for itself. With each entry's
    // path below the output folder, by the same index.
    std::vector<RecordedFile> files;
    PathList paths;
    // The CRC-32 of the file it was loaded from, which says whether a new one differs.
    uint32_t loadedCrc = 0;

    void ForgetEntries() {
        wantsPassword = false;
        succeeded = {};
        files = {};
        paths = {};
    }
};

// Where the record of archivePath extracted into outputFolder is kept; nothing when the
// user has no cache folder.
std::optional<std::filesystem::path> RecordPathFor(const std::string& archivePath,
                                                   const std::string& outputFolder);

enum class RecordParts {
    Summary,        // all but the files; not checked whole, so only a hint
    Files,          // and the files, without their paths (the entries' plan has them)
    FilesAndPaths,  // all of it
};

// The record at path, when it is whole and of the same archive as current, as it is now,
// into the same folder on the same device.
std::optional<ExtractionRecord> LoadRecord(const std::filesystem::path& path,
                                           const ExtractionRecord& current,
                                           RecordParts parts = RecordParts::FilesAndPaths);

// Calls visit with the recorded files and their paths, a run of at most runLength of
// them at a time from the first entry on, until it returns false: a record of a million
// files is never all in memory. False when the record is not whole, or not current's.
using RecordedRunVisit = std::function<bool(size_t first, const std::vector<RecordedFile>& files,
                                            const PathList& paths)>;
bool VisitRecordedFiles(const std::filesystem::path& path, const ExtractionRecord& current,
                        size_t runLength, const RecordedRunVisit& visit);

// Replaces the record at path, unless the file it makes has unchangedCrc, the CRC of the
// one in place; never fails the extraction, whatever goes wrong.
void SaveRecord(const std::filesystem::path& path, const ExtractionRecord& record,
                std::optional<uint32_t> unchangedCrc = std::nullopt) noexcept;

// Removes the record at path, for an archive whose extraction left nothing to vouch for.
void ForgetRecord(const std::filesystem::path& path) noexcept;

}  // namespace sevenzip32
