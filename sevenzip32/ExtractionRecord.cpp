#include "ExtractionRecord.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

#include "Crc32.h"
#include "FolderNames.h"
#include "TemporaryFile.h"
#include "UniqueFd.h"

namespace sevenzip32 {
namespace {

constexpr char kMagic[8] = {'K', 'E', 'S', 'T', 'O', 'R', 'E', 'C'};
constexpr uint32_t kVersion = 2;

uint64_t Fnv1a(std::string_view text) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : text) {
        hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
    }
    return hash;
}

class Writer {
  public:
    template <typename Number>
    void Put(Number value) {
        bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void Put(const std::string& text) {
        Put(static_cast<uint32_t>(text.size()));
        bytes_ += text;
    }
    void Put(const RecordedFile& file) {
        Put(file.device);
        Put(file.inode);
        Put(file.size);
        Put(file.modifiedSeconds);
        Put(file.modifiedNanoseconds);
        Put(file.changedSeconds);
        Put(file.changedNanoseconds);
        Put(file.mode);
    }
    std::string& Bytes() { return bytes_; }

  private:
    std::string bytes_;
};

// Reads what Writer wrote; any read past the end makes the whole record invalid.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    template <typename Number>
    Number Get() {
        Number value{};
        if (bytes_.size() - at_ < sizeof value) {
            valid_ = false;
            return value;
        }
        std::memcpy(&value, bytes_.data() + at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    std::string GetText() {
        const uint32_t size = Get<uint32_t>();
        if (bytes_.size() - at_ < size) {
            valid_ = false;
            return {};
        }
        std::string text(bytes_.substr(at_, size));
        at_ += size;
        return text;
    }
    RecordedFile GetFile() {
        RecordedFile file;
        file.device = Get<uint64_t>();
        file.inode = Get<uint64_t>();
        file.size = Get<uint64_t>();
        file.modifiedSeconds = Get<int64_t>();
        file.modifiedNanoseconds = Get<int64_t>();
        file.changedSeconds = Get<int64_t>();
        file.changedNanoseconds = Get<int64_t>();
        file.mode = Get<uint32_t>();
        return file;
    }
    bool Valid() const { return valid_; }
    size_t Left() const { return bytes_.size() - at_; }

  private:
    std::string_view bytes_;
    size_t at_ = 0;
    bool valid_ = true;
};

// Each file of a record takes at least this many bytes, so a count can be checked
// against them.
constexpr size_t kSmallestFile = 8 + 8 * 7 + 4 + 4;

// Records not written for a month go when another is written: those of archives long
// gone, and those of archives untouched since, whose files the next pass then looks at
// once more before recording them afresh.
constexpr time_t kRecordKeptSeconds = 30 * 24 * 3600;

bool IsRecordName(std::string_view name) {
    return name.size() == 16 && std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

void ForgetOldRecords(int folderFd) {
    const time_t oldest = ::time(nullptr) - kRecordKeptSeconds;
    ForEachName(folderFd, [&](const char* name) {
        struct stat status {};
        if (IsRecordName(name) && ::fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(status.st_mode) && status.st_mtim.tv_sec < oldest) {
            ::unlinkat(folderFd, name, 0);
        }
        return true;
    });
}

}  // namespace

RecordedFile RecordedFile::From(const struct stat& status) {
    return {static_cast<uint64_t>(status.st_dev),
            static_cast<uint64_t>(status.st_ino),
            static_cast<uint64_t>(status.st_size),
            status.st_mtim.tv_sec,
            status.st_mtim.tv_nsec,
            status.st_ctim.tv_sec,
            status.st_ctim.tv_nsec,
            static_cast<uint32_t>(status.st_mode)};
}

std::optional<std::filesystem::path> RecordPathFor(const std::string& archivePath,
                                                   const std::string& outputFolder) {
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    std::filesystem::path folder;
    if (cacheHome != nullptr && cacheHome[0] == '/') {
        folder = cacheHome;
    } else if (home != nullptr && home[0] == '/') {
        folder = std::filesystem::path(home) / ".cache";
    } else {
        return std::nullopt;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%016llx",
                  static_cast<unsigned long long>(Fnv1a(archivePath + '\0' + outputFolder)));
    return folder / "kesto" / "records" / name;
}

std::optional<ExtractionRecord> LoadRecord(const std::filesystem::path& path,
                                           const RecordedFile& archive,
                                           const std::string& archivePath,
                                           const std::string& outputFolder) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < sizeof kMagic + 8 || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        return std::nullopt;
    }
    const std::string_view body(bytes.data(), bytes.size() - 4);
    uint32_t storedCrc = 0;
    std::memcpy(&storedCrc, bytes.data() + body.size(), sizeof storedCrc);
    if (UpdateCrc32(0, {reinterpret_cast<const uint8_t*>(body.data()), body.size()}) != storedCrc) {
        return std::nullopt;
    }
    Reader reader(body.substr(sizeof kMagic));
    ExtractionRecord record;
    if (reader.Get<uint32_t>() != kVersion) {
        return std::nullopt;
    }
    record.archive = reader.GetFile();
    record.archivePath = reader.GetText();
    record.outputFolder = reader.GetText();
    if (!reader.Valid() || record.archive != archive || record.archivePath != archivePath ||
        record.outputFolder != outputFolder) {
        return std::nullopt;
    }
    record.status = reader.Get<int32_t>();
    record.failuresRepeat = reader.Get<uint8_t>() != 0;
    const uint32_t lineCount = reader.Get<uint32_t>();
    for (uint32_t i = 0; i < lineCount && reader.Valid(); ++i) {
        record.reportLines.push_back(reader.GetText());
    }
    for (uint64_t& count : record.succeeded) {
        count = reader.Get<uint64_t>();
    }
    const uint64_t fileCount = reader.Get<uint64_t>();
    if (!reader.Valid() || reader.Left() / kSmallestFile < fileCount) {
        return std::nullopt;
    }
    for (uint64_t i = 0; i < fileCount; ++i) {
        const uint64_t entry = reader.Get<uint64_t>();
        if (!record.entries.empty() && entry <= record.entries.back()) {
            return std::nullopt;
        }
        RecordedFile file = reader.GetFile();
        record.Add(entry, file, reader.GetText());
    }
    if (!reader.Valid() || reader.Left() != 0) {
        return std::nullopt;
    }
    return record;
}

void SaveRecord(const std::filesystem::path& path, const ExtractionRecord& record) noexcept {
    try {
        Writer writer;
        writer.Bytes().append(kMagic, sizeof kMagic);
        writer.Put(kVersion);
        writer.Put(record.archive);
        writer.Put(record.archivePath);
        writer.Put(record.outputFolder);
        writer.Put(record.status);
        writer.Put(static_cast<uint8_t>(record.failuresRepeat));
        writer.Put(static_cast<uint32_t>(record.reportLines.size()));
        for (const std::string& line : record.reportLines) {
            writer.Put(line);
        }
        for (uint64_t count : record.succeeded) {
            writer.Put(count);
        }
        writer.Put(static_cast<uint64_t>(record.files.size()));
        for (size_t i = 0; i < record.files.size(); ++i) {
            writer.Put(record.entries[i]);
            writer.Put(record.files[i]);
            writer.Put(record.paths[i]);
        }
        std::string& bytes = writer.Bytes();
        const uint32_t crc =
            UpdateCrc32(0, {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
        writer.Put(crc);

        std::error_code ignored;
        std::filesystem::create_directories(path.parent_path(), ignored);
        const UniqueFd folder(
            ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder.IsOpen()) {
            return;
        }
        TemporaryFile file(folder.Get());
        file.Write({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
        // Not flushed: a record a crash cuts short fails its CRC and is ignored.
        ForgetRecord(path);
        file.Publish(path.filename(), 0600, ::time(nullptr));
        ForgetOldRecords(folder.Get());
    } catch (...) {
        // No record this time: the next pass checks the files' own bytes.
    }
}

void ForgetRecord(const std::filesystem::path& path) noexcept {
    ::unlink(path.c_str());
}

}  // namespace sevenzip32
