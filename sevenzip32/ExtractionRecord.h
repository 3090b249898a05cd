// What one extraction of an archive into a folder left behind, kept outside the folder
// (under $XDG_CACHE_HOME/kesto/records/) for the next pass: the archive's identity, the
// status and report, and for each entry that succeeded, its file's identity as lstat gave
// it. A file whose lstat still matches exactly, on a file system whose kernel keeps change
// times, is vouched for without being read. A record that cannot be written is simply
// missing next time; one that is damaged, or of another archive, is ignored.
#pragma once

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sevenzip32 {

struct RecordedFile {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;
    int64_t changedSeconds = 0;
    int64_t changedNanoseconds = 0;
    uint32_t mode = 0;

    static RecordedFile From(const struct stat& status);
    bool operator==(const RecordedFile&) const = default;
};

struct ExtractionRecord {
    RecordedFile archive;
    std::string archivePath;
    std::string outputFolder;
    int32_t status = 0;
    // Every failure lay in the archive: the same archive into the same files fails again
    // the same way.
    bool failuresRepeat = false;
    std::vector<std::string> reportLines;
    // How many files, folders and links succeeded.
    std::array<uint64_t, 3> succeeded{};
    // The file each entry that succeeded left, by the entry's central directory index,
    // in rising order of index, with its path below the output folder.
    std::vector<uint64_t> entries;
    std::vector<RecordedFile> files;
    std::vector<std::string> paths;

    bool operator==(const ExtractionRecord&) const = default;

    void ForgetEntries() {
        succeeded = {};
        entries.clear();
        files.clear();
        paths.clear();
    }
    void Add(uint64_t entry, const RecordedFile& file, std::string path) {
        entries.push_back(entry);
        files.push_back(file);
        paths.push_back(std::move(path));
    }
    const RecordedFile* Find(uint64_t entry) const {
        const auto found = std::lower_bound(entries.begin(), entries.end(), entry);
        return found != entries.end() && *found == entry ? &files[found - entries.begin()]
                                                         : nullptr;
    }
};

// Where the record of archivePath extracted into outputFolder is kept; nothing when the
// user has no cache folder.
std::optional<std::filesystem::path> RecordPathFor(const std::string& archivePath,
                                                   const std::string& outputFolder);

// The record at path, when it is whole and of this archive, as it is now, into this folder.
std::optional<ExtractionRecord> LoadRecord(const std::filesystem::path& path,
                                           const RecordedFile& archive,
                                           const std::string& archivePath,
                                           const std::string& outputFolder);

// Replaces the record at path; never fails the extraction, whatever goes wrong.
void SaveRecord(const std::filesystem::path& path, const ExtractionRecord& record) noexcept;

// Removes the record at path, for an archive whose extraction left nothing to vouch for.
void ForgetRecord(const std::filesystem::path& path) noexcept;

}  // namespace sevenzip32
