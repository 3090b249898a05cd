#include "ExtractionRecord.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <type_traits>

#include "Crc32.h"
#include "FolderNames.h"
#include "Interrupted.h"
#include "TemporaryFile.h"
#include "UniqueFd.h"
#include "UserFolders.h"
#include "Vouching.h"

namespace sevenzip32 {
namespace {

constexpr char kMagic[8] = {'K', 'E', 'S', 'T', 'O', 'R', 'E', 'C'};
constexpr uint32_t kVersion = 5;

uint64_t Fnv1a(std::string_view text) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : text) {
        hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
    }
    return hash;
}

// Writes a record into a file as it goes, through a buffer, with a CRC-32 over it all.
class Writer {
  public:
    explicit Writer(TemporaryFile& file) : file_(file) {}

    template <typename Number>
    requires std::is_arithmetic_v<Number>
    void Put(Number value) {
        bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
        if (bytes_.size() >= kBufferSize) {
            Flush();
        }
    }
    void Put(std::string_view text) {
        Put(static_cast<uint32_t>(text.size()));
        bytes_ += text;
    }
    void Put(const RecordedFile& file) {
        Put(file.inode);
        Put(file.size);
        Put(file.modified);
        Put(file.changed);
        Put(file.mode);
    }
    // The CRC-32 of all that came before closes the record; returns it.
    uint32_t Finish() {
        Flush();
        const uint32_t crc = crc_;
        Put(crc);
        file_.Write({reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size()});
        return crc;
    }

  private:
    static constexpr size_t kBufferSize = 64 * 1024;

    void Flush() {
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(bytes_.data()),
                                             bytes_.size());
        crc_ = UpdateCrc32(crc_, bytes);
        file_.Write(bytes);
        bytes_.clear();
    }

    TemporaryFile& file_;
    std::string bytes_;
    uint32_t crc_ = 0;
};

// Reads what Writer wrote, a buffer at a time: the record of a million files takes tens
// of MB, which are never all in memory beside the record made from them. Any read past
// the end makes the whole record invalid; the CRC-32 of all that was read says whether it
// is whole.
class Reader {
  public:
    Reader(int fd, uint64_t size) : fd_(fd), left_(size) {}

    template <typename Number>
    Number Get() {
        Number value{};
        Take(&value, sizeof value);
        return value;
    }
    // Valid until the next call.
    std::string_view GetText() {
        const uint32_t size = Get<uint32_t>();
        if (size > left_) {
            valid_ = false;
            return {};
        }
        text_.resize(size);
        Take(text_.data(), size);
        return text_;
    }
    RecordedFile GetFile() {
        RecordedFile file;
        file.inode = Get<uint64_t>();
        file.size = Get<uint64_t>();
        file.modified = Get<uint64_t>();
        file.changed = Get<uint64_t>();
        file.mode = Get<uint32_t>();
        return file;
    }
    bool Valid() const { return valid_; }
    uint64_t Left() const { return left_; }
    uint32_t Crc() const { return crc_; }

  private:
    static constexpr size_t kBufferSize = 64 * 1024;

    void Take(void* into, size_t count) {
        if (!valid_ || count > left_) {
            valid_ = false;
            return;
        }
        auto* out = static_cast<char*>(into);
        while (count > 0) {
            if (at_ == filled_ && !Refill()) {
                valid_ = false;
                return;
            }
            const size_t taken = std::min(count, filled_ - at_);
            std::memcpy(out, buffer_.data() + at_, taken);
            crc_ = UpdateCrc32(crc_, {reinterpret_cast<const uint8_t*>(out), taken});
            out += taken;
            at_ += taken;
            count -= taken;
            left_ -= taken;
        }
    }
    bool Refill() {
        buffer_.resize(kBufferSize);
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(kBufferSize, left_));
        const ssize_t got =
            contract::RetryWhileInterrupted([&] { return ::read(fd_, buffer_.data(), wanted); });
        at_ = 0;
        filled_ = got > 0 ? static_cast<size_t>(got) : 0;
        return filled_ > 0;
    }

    int fd_;
    uint64_t left_;  // of the bytes this reader may take
    std::vector<char> buffer_;
    size_t at_ = 0;
    size_t filled_ = 0;
    std::string text_;
    uint32_t crc_ = 0;
    bool valid_ = true;
};

// Each file of a record takes at least this many bytes, so a count can be checked
// against them.
constexpr size_t kSmallestFile = 8 * 4 + 4 + 4;

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

RecordedFile RecordedFile::From(const struct stat& status, const Vouching& vouching) {
    return {vouching.stableInodes ? static_cast<uint64_t>(status.st_ino) : 0,
            static_cast<uint64_t>(status.st_size), NanosecondsOf(status.st_mtim),
            vouching.changeTimes ? NanosecondsOf(status.st_ctim) : 0,
            static_cast<uint32_t>(status.st_mode)};
}

std::optional<std::filesystem::path> RecordPathFor(const std::string& archivePath,
                                                   const std::string& outputFolder) {
    const auto folder = contract::CacheFolder();
    if (!folder) {
        return std::nullopt;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%016llx",
                  static_cast<unsigned long long>(Fnv1a(archivePath + '\0' + outputFolder)));
    return *folder / "records" / name;
}

namespace {

// A record file open for reading, its summary read: all but the files.
struct OpenedRecord {
    UniqueFd fd;
    off_t size = 0;
    Reader reader{-1, 0};
    ExtractionRecord summary;
    uint64_t fileCount = 0;

    // After the files: whether the record is whole, by its CRC-32.
    bool Whole() const {
        uint32_t storedCrc = 0;
        return reader.Valid() && reader.Left() == 0 &&
               ::pread(fd.Get(), &storedCrc, sizeof storedCrc, size - 4) == sizeof storedCrc &&
               storedCrc == reader.Crc();
    }
};

std::optional<OpenedRecord> OpenRecord(const std::filesystem::path& path,
                                       const ExtractionRecord& current) {
    OpenedRecord opened;
    opened.fd.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (!opened.fd.IsOpen() || ::fstat(opened.fd.Get(), &status) != 0 ||
        static_cast<uint64_t>(status.st_size) < sizeof kMagic + 8) {
        return std::nullopt;
    }
    opened.size = status.st_size;
    // The body, then the CRC-32 of the body.
    opened.reader = Reader(opened.fd.Get(), static_cast<uint64_t>(status.st_size) - 4);
    Reader& reader = opened.reader;
    char magic[sizeof kMagic];
    for (char& c : magic) {
        c = reader.Get<char>();
    }
    if (std::memcmp(magic, kMagic, sizeof kMagic) != 0) {
        return std::nullopt;
    }
    ExtractionRecord& record = opened.summary;
    if (reader.Get<uint32_t>() != kVersion) {
        return std::nullopt;
    }
    record.archive = reader.GetFile();
    record.archiveDevice = reader.Get<uint64_t>();
    record.filesDevice = reader.Get<uint64_t>();
    record.archivePath = reader.GetText();
    record.outputFolder = reader.GetText();
    const uint32_t volumeCount = reader.Get<uint32_t>();
    for (uint32_t i = 0; i < volumeCount && reader.Valid(); ++i) {
        RecordedVolume volume;
        volume.name = reader.GetText();
        volume.file = reader.GetFile();
        record.volumes.push_back(std::move(volume));
    }
    if (!reader.Valid() || record.archive != current.archive ||
        record.archiveDevice != current.archiveDevice ||
        record.filesDevice != current.filesDevice || record.archivePath != current.archivePath ||
        record.outputFolder != current.outputFolder) {
        return std::nullopt;
    }
    record.status = reader.Get<int32_t>();
    record.failuresRepeat = reader.Get<uint8_t>() != 0;
    record.wantsPassword = reader.Get<uint8_t>() != 0;
    record.passwordList = reader.GetFile();
    const uint32_t lineCount = reader.Get<uint32_t>();
    for (uint32_t i = 0; i < lineCount && reader.Valid(); ++i) {
        record.reportLines.emplace_back(reader.GetText());
    }
    record.filesRead = reader.Get<int64_t>();
    for (uint64_t& count : record.succeeded) {
        count = reader.Get<uint64_t>();
    }
    opened.fileCount = reader.Get<uint64_t>();
    if (!reader.Valid() || reader.Left() / kSmallestFile < opened.fileCount) {
        return std::nullopt;
    }
    return opened;
}

}  // namespace

std::optional<ExtractionRecord> LoadRecord(const std::filesystem::path& path,
                                           const ExtractionRecord& current, RecordParts parts) {
    auto opened = OpenRecord(path, current);
    if (!opened || parts == RecordParts::Summary) {
        return opened ? std::optional(std::move(opened->summary)) : std::nullopt;
    }
    ExtractionRecord& record = opened->summary;
    Reader& reader = opened->reader;
    const bool withPaths = parts == RecordParts::FilesAndPaths;
    record.files.reserve(opened->fileCount);
    if (withPaths) {
        record.paths.Reserve(opened->fileCount, reader.Left() - opened->fileCount * kSmallestFile);
    }
    for (uint64_t i = 0; i < opened->fileCount && reader.Valid(); ++i) {
        record.files.push_back(reader.GetFile());
        const std::string_view entryPath = reader.GetText();
        if (withPaths) {
            record.paths.Add(entryPath);
        }
    }
    if (!opened->Whole()) {
        return std::nullopt;
    }
    record.loadedCrc = reader.Crc();
    return std::move(record);
}

bool VisitRecordedFiles(const std::filesystem::path& path, const ExtractionRecord& current,
                        size_t runLength, const RecordedRunVisit& visit) {
    auto opened = OpenRecord(path, current);
    if (!opened) {
        return false;
    }
    Reader& reader = opened->reader;
    std::vector<RecordedFile> files;
    PathList paths;
    for (uint64_t first = 0; first < opened->fileCount && reader.Valid(); first += runLength) {
        files.clear();
        paths = {};
        const auto count =
            static_cast<size_t>(std::min<uint64_t>(runLength, opened->fileCount - first));
        for (size_t i = 0; i < count && reader.Valid(); ++i) {
            files.push_back(reader.GetFile());
            paths.Add(reader.GetText());
        }
        if (reader.Valid() && !visit(static_cast<size_t>(first), files, paths)) {
            return true;  // seen enough
        }
    }
    return opened->Whole();
}

void SaveRecord(const std::filesystem::path& path, const ExtractionRecord& record,
                std::optional<uint32_t> unchangedCrc) noexcept {
    try {
        std::error_code ignored;
        std::filesystem::create_directories(path.parent_path(), ignored);
        const auto folder = std::make_shared<const UniqueFd>(
            ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder->IsOpen()) {
            return;
        }
        TemporaryFile file(folder);
        Writer writer(file);
        for (const char c : kMagic) {
            writer.Put(c);
        }
        writer.Put(kVersion);
        writer.Put(record.archive);
        writer.Put(record.archiveDevice);
        writer.Put(record.filesDevice);
        writer.Put(record.archivePath);
        writer.Put(record.outputFolder);
        writer.Put(static_cast<uint32_t>(record.volumes.size()));
        for (const RecordedVolume& volume : record.volumes) {
            writer.Put(volume.name);
            writer.Put(volume.file);
        }
        writer.Put(record.status);
        writer.Put(static_cast<uint8_t>(record.failuresRepeat));
        writer.Put(static_cast<uint8_t>(record.wantsPassword));
        writer.Put(record.passwordList);
        writer.Put(static_cast<uint32_t>(record.reportLines.size()));
        for (const std::string& line : record.reportLines) {
            writer.Put(line);
        }
        writer.Put(record.filesRead);
        for (uint64_t count : record.succeeded) {
            writer.Put(count);
        }
        writer.Put(static_cast<uint64_t>(record.files.size()));
        for (size_t i = 0; i < record.files.size(); ++i) {
            writer.Put(record.files[i]);
            writer.Put(record.paths[i]);
        }
        if (writer.Finish() == unchangedCrc) {
            return;  // the same as the one in place
        }
        // Not flushed: a record a crash cuts short fails its CRC and is ignored.
        ForgetRecord(path);
        file.Publish(path.filename(), 0600, ::time(nullptr));
        ForgetOldRecords(folder->Get());
    } catch (...) {
        // No record this time: the next pass checks the files' own bytes.
    }
}

void ForgetRecord(const std::filesystem::path& path) noexcept {
    ::unlink(path.c_str());
}

}  // namespace sevenzip32
