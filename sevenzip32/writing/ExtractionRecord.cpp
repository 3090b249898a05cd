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
    void Field(Number value) {
        bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
        if (bytes_.size() >= kBufferSize) {
            Flush();
        }
    }
    void Flag(bool value) { Field(static_cast<uint8_t>(value)); }
    void Text(std::string_view text) {
        Field(static_cast<uint32_t>(text.size()));
        bytes_ += text;
    }
    template <typename Item, typename Visit>
    void List(const std::vector<Item>& items, Visit visit) {
        Field(static_cast<uint32_t>(items.size()));
        for (const Item& item : items) {
            visit(item);
        }
    }
    // The CRC-32 of all that came before closes the record; returns it.
    uint32_t Finish() {
        Flush();
        const uint32_t crc = crc_;
        Field(crc);
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
    requires std::is_arithmetic_v<Number>
    void Field(Number& value) {
        value = {};
        Take(&value, sizeof value);
    }
    void Flag(bool& value) {
        uint8_t stored = 0;
        Field(stored);
        value = stored != 0;
    }
    void Text(std::string& text) { text = ViewText(); }
    // Valid until the next call.
    void Text(std::string_view& text) { text = ViewText(); }
    template <typename Item, typename Visit>
    void List(std::vector<Item>& items, Visit visit) {
        uint32_t count = 0;
        Field(count);
        for (uint32_t i = 0; i < count && valid_; ++i) {
            visit(items.emplace_back());
        }
    }
    bool Valid() const { return valid_; }
    uint64_t Left() const { return left_; }
    uint32_t Crc() const { return crc_; }

  private:
    static constexpr size_t kBufferSize = 64 * 1024;

    std::string_view ViewText() {
        uint32_t size = 0;
        Field(size);
        if (size > left_) {
            valid_ = false;
            return {};
        }
        text_.resize(size);
        Take(text_.data(), size);
        return text_;
    }
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

// The record's fields, in the order they stand in the file. The writer and the reader
// walk the same lists (Record and File are const for the one, not for the other), so that
// neither can gain a field the other lacks.
template <typename Io, typename File>
constexpr void FileFields(Io& io, File& file) {
    io.Field(file.inode);
    io.Field(file.size);
    io.Field(file.modified);
    io.Field(file.changed);
    io.Field(file.mode);
}

// Whose record it is: what must be the archive's as it is now before more is read.
template <typename Io, typename Record>
void HeadFields(Io& io, Record& record) {
    FileFields(io, record.archive);
    io.Field(record.archiveDevice);
    io.Field(record.filesDevice);
    io.Text(record.archivePath);
    io.Text(record.outputFolder);
    io.List(record.volumes, [&](auto& volume) {
        io.Text(volume.name);
        FileFields(io, volume.file);
    });
}

// What the extraction came to; then the count of the entries' files.
template <typename Io, typename Record>
void SummaryFields(Io& io, Record& record) {
    io.Field(record.status);
    io.Flag(record.failuresRepeat);
    io.Flag(record.wantsPassword);
    FileFields(io, record.passwordList);
    io.List(record.reportLines, [&](auto& line) { io.Text(line); });
    io.Field(record.filesRead);
    io.Field(record.succeeded.files);
    io.Field(record.succeeded.folders);
    io.Field(record.succeeded.links);
}

// Each entry's file and its path, as many as the count says.
template <typename Io, typename File, typename Path>
constexpr void EntryFields(Io& io, File& file, Path& path) {
    FileFields(io, file);
    io.Text(path);
}

// Counts the bytes the fields it is walked over take, each text and list as if empty.
class Sizer {
  public:
    template <typename Number>
    requires std::is_arithmetic_v<Number>
    constexpr void Field(const Number& value) { size_ += sizeof value; }
    constexpr void Flag(bool) { size_ += 1; }
    constexpr void Text(std::string_view) { size_ += sizeof(uint32_t); }
    constexpr size_t Size() const { return size_; }

  private:
    size_t size_ = 0;
};

// Each file of a record takes at least this many bytes, so a count can be checked
// against them: its fields and an empty path.
constexpr size_t SmallestFile() {
    Sizer sizer;
    RecordedFile file;
    std::string_view path;
    EntryFields(sizer, file, path);
    return sizer.Size();
}
constexpr size_t kSmallestFile = SmallestFile();

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
        reader.Field(c);
    }
    uint32_t version = 0;
    reader.Field(version);
    if (std::memcmp(magic, kMagic, sizeof kMagic) != 0 || version != kVersion) {
        return std::nullopt;
    }
    ExtractionRecord& record = opened.summary;
    HeadFields(reader, record);
    if (!reader.Valid() || record.archive != current.archive ||
        record.archiveDevice != current.archiveDevice ||
        record.filesDevice != current.filesDevice || record.archivePath != current.archivePath ||
        record.outputFolder != current.outputFolder) {
        return std::nullopt;
    }
    SummaryFields(reader, record);
    reader.Field(opened.fileCount);
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
        std::string_view entryPath;
        EntryFields(reader, record.files.emplace_back(), entryPath);
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
            std::string_view entryPath;
            EntryFields(reader, files.emplace_back(), entryPath);
            paths.Add(entryPath);
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
            writer.Field(c);
        }
        writer.Field(kVersion);
        HeadFields(writer, record);
        SummaryFields(writer, record);
        writer.Field(static_cast<uint64_t>(record.files.size()));
        for (size_t i = 0; i < record.files.size(); ++i) {
            const std::string_view entryPath = record.paths[i];
            EntryFields(writer, record.files[i], entryPath);
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
