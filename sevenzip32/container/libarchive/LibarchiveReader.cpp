#include "LibarchiveReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace sevenzip32 {
namespace {

constexpr size_t kReadSize = 1024 * 1024;
constexpr size_t kTarBlock = 512;

// libarchive's calls made in the reader's own locale, on whichever thread makes them.
class InLocale {
  public:
    explicit InLocale(locale_t locale) : previous_(::uselocale(locale)) {}
    ~InLocale() { ::uselocale(previous_); }
    InLocale(const InLocale&) = delete;
    InLocale& operator=(const InLocale&) = delete;

  private:
    locale_t previous_;
};

bool StartsWith(std::span<const uint8_t> bytes, std::string_view prefix, size_t at = 0) {
    return bytes.size() >= at + prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), bytes.begin() + static_cast<ptrdiff_t>(at),
                      [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

// A tar header: its checksum, the sum of its bytes with the checksum's own as spaces,
// stands in octal in those bytes.
bool IsTarHeader(std::span<const uint8_t> block) {
    if (block.size() < kTarBlock) {
        return false;
    }
    uint64_t sum = 0;
    for (size_t i = 0; i < kTarBlock; ++i) {
        sum += i >= 148 && i < 156 ? ' ' : block[i];
    }
    uint64_t stated = 0;
    size_t digits = 0;
    for (size_t i = 148; i < 156; ++i) {
        if (block[i] >= '0' && block[i] <= '7') {
            stated = stated * 8 + (block[i] - '0');
            ++digits;
        } else if (block[i] != ' ' && block[i] != '\0') {
            return false;
        }
    }
    return digits > 0 && sum == stated;
}

bool IsLzh(std::span<const uint8_t> bytes) {
    return bytes.size() >= 7 && bytes[2] == '-' && bytes[3] == 'l' &&
           (bytes[4] == 'h' || bytes[4] == 'z') && bytes[6] == '-';
}

}  // namespace

bool IsLzhArchive(const ArchiveFile& file) {
    std::array<uint8_t, 7> first{};
    const auto size = static_cast<size_t>(std::min<uint64_t>(file.Size(), first.size()));
    file.ReadAt(0, std::span(first).first(size));
    return IsLzh(std::span(first).first(size));
}

bool IsLibarchiveArchive(const ArchiveFile& file) {
    std::array<uint8_t, kTarBlock> first{};
    const auto size = static_cast<size_t>(std::min<uint64_t>(file.Size(), first.size()));
    const std::span<uint8_t> bytes(first.data(), size);
    file.ReadAt(0, bytes);
    const bool lzh = IsLzh(bytes);
    return StartsWith(bytes, std::string_view("Rar!\x1A\x07", 6)) ||
           StartsWith(bytes, std::string_view("MSCF\0\0\0\0", 8)) || lzh ||
           StartsWith(bytes, "\x1F\x8B") || StartsWith(bytes, "BZh") ||
           StartsWith(bytes, std::string_view("\xFD"
                                              "7zXZ\0",
                                              6)) ||
           StartsWith(bytes, "\x28\xB5\x2F\xFD") || IsTarHeader(bytes);
}

size_t ArchiveBytes::Read(std::span<uint8_t> into) {
    const auto count = static_cast<size_t>(std::min<uint64_t>(into.size(), file_.Size() - at_));
    file_.ReadAt(at_, into.first(count));
    at_ += count;
    return count;
}

Compression CompressionOf(const ArchiveFile& file) {
    std::array<uint8_t, 6> first{};
    if (file.Size() < first.size()) {
        return Compression::Other;
    }
    file.ReadAt(0, first);
    if (StartsWith(first, "\x1F\x8B")) {
        return Compression::Gzip;
    }
    if (StartsWith(first, std::string_view("\xFD"
                                           "7zXZ\0",
                                           6))) {
        return Compression::Xz;
    }
    if (StartsWith(first, "BZh")) {
        return Compression::Bzip2;
    }
    return StartsWith(first, "\x28\xB5\x2F\xFD") ? Compression::Zstandard : Compression::Other;
}

LibarchiveReader::LibarchiveReader(const ArchiveFile& file, bool perVolume,
                                   const std::string& options, StreamChain decoding)
    : decoding_(std::move(decoding)), buffer_(kReadSize) {
    locale_.reset(::newlocale(LC_ALL_MASK, "C.UTF-8", nullptr));
    if (!locale_) {
        throw EntryFailure(Reason::kCannotOpenArchive, "no UTF-8 locale",
                           EntryFailure::Cause::Outside);
    }
    InLocale inLocale(locale_.get());
    archive_.reset(archive_read_new());
    archive* const reading = archive_.get();
    if (reading == nullptr) {
        throw std::bad_alloc();
    }
    archive_read_support_format_rar(reading);
    archive_read_support_format_rar5(reading);
    archive_read_support_format_tar(reading);
    archive_read_support_format_lha(reading);
    archive_read_support_format_cab(reading);
    archive_read_support_filter_gzip(reading);
    archive_read_support_filter_bzip2(reading);
    archive_read_support_filter_xz(reading);
    archive_read_support_filter_zstd(reading);
    if (!options.empty() && archive_read_set_options(reading, options.c_str()) != ARCHIVE_OK) {
        Fail();
    }
    if (perVolume) {
        for (const ArchiveFile::Volume& volume : file.Volumes()) {
            parts_.push_back(
                {this, &file, nullptr, volume.start, volume.start + volume.size, volume.start});
        }
    } else {
        parts_.push_back({this, &file, decoding_.Output(), 0, file.Size(), 0});
    }
    for (Part& part : parts_) {
        archive_read_append_callback_data(reading, &part);
    }
    archive_read_set_read_callback(reading, ReadPart);
    archive_read_set_skip_callback(reading, SkipPart);
    archive_read_set_seek_callback(reading, SeekPart);
    archive_read_set_switch_callback(reading, [](archive*, void*, void* next) {
        static_cast<Part*>(next)->at = static_cast<Part*>(next)->begin;
        return ARCHIVE_OK;
    });
    if (archive_read_open1(reading) != ARCHIVE_OK) {
        Fail();
    }
}

archive_entry* LibarchiveReader::Next() {
    InLocale inLocale(locale_.get());
    entry_ = nullptr;
    archive_entry* entry = nullptr;
    const int result = archive_read_next_header(archive_.get(), &entry);
    if (result == ARCHIVE_EOF) {
        return nullptr;
    }
    if (result != ARCHIVE_OK) {
        Fail();
    }
    entry_ = entry;
    ++headers_;
    return entry;
}

uint64_t LibarchiveReader::ReadData(const std::function<void(std::span<const uint8_t>)>& sink) {
    static constexpr std::array<uint8_t, 64 * 1024> kZeros{};
    InLocale inLocale(locale_.get());
    uint64_t written = 0;
    for (;;) {
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int result = archive_read_data_block(archive_.get(), &block, &size, &offset);
        if (result == ARCHIVE_EOF) {
            return written;
        }
        if (result != ARCHIVE_OK || offset < 0 || static_cast<uint64_t>(offset) < written) {
            Fail();
        }
        while (written < static_cast<uint64_t>(offset)) {  // a hole of a sparse file
            const auto zeros =
                static_cast<size_t>(std::min<uint64_t>(kZeros.size(), offset - written));
            sink(std::span(kZeros).first(zeros));
            written += zeros;
        }
        if (size > 0) {
            sink({static_cast<const uint8_t*>(block), size});
            written += size;
        }
    }
}

void LibarchiveReader::DrainDecoded() {
    ByteStream* const decoded = decoding_.Output();
    if (decoded == nullptr) {
        return;
    }
    try {
        while (decoded->Read(buffer_) > 0) {
        }
    } catch (const EntryFailure& failure) {
        throw EntryFailure(failure.Which() == Reason::kDataEndsEarly ? Reason::kCutShort
                                                                     : failure.Which());
    }
}

std::optional<std::string> LibarchiveReader::TextOf(const char* (*field)(archive_entry*)) const {
    InLocale inLocale(locale_.get());
    const char* text = entry_ != nullptr ? field(entry_) : nullptr;
    return text != nullptr ? std::optional<std::string>(text) : std::nullopt;
}

void LibarchiveReader::SkipData() {
    InLocale inLocale(locale_.get());
    if (archive_read_data_skip(archive_.get()) != ARCHIVE_OK) {
        Fail();
    }
}

void LibarchiveReader::Fail() {
    const char* said = archive_error_string(archive_.get());
    const std::string words = said != nullptr ? said : "";
    // libarchive asks its format of encryption: there is none before the first header.
    if ((entry_ != nullptr && archive_entry_is_encrypted(entry_)) ||
        (headers_ > 0 && archive_read_has_encrypted_entries(archive_.get()) > 0)) {
        throw EntryFailure(Reason::kRarEncrypted);
    }
    if (ranOut_) {
        throw EntryFailure(entry_ != nullptr ? Reason::kDataEndsEarly : Reason::kCutShort);
    }
    if (entry_ != nullptr) {
        throw EntryFailure(Reason::kDataDamaged, words);
    }
    throw EntryFailure(Reason::kArchiveDamaged, words);
}

la_ssize_t LibarchiveReader::Read(Part& part, const void** buffer) {
    if (part.stream != nullptr) {
        try {
            const size_t count = part.stream->Read(buffer_);
            *buffer = buffer_.data();
            return static_cast<la_ssize_t>(count);
        } catch (const EntryFailure& failure) {
            ranOut_ = failure.Which() == Reason::kDataEndsEarly;
            throw;
        }
    }
    const auto count = static_cast<size_t>(std::min<uint64_t>(buffer_.size(), part.end - part.at));
    if (count == 0) {
        ranOut_ = ranOut_ || &part == &parts_.back();
        return 0;
    }
    part.file->ReadAt(part.at, std::span(buffer_).first(count));
    part.at += count;
    *buffer = buffer_.data();
    return static_cast<la_ssize_t>(count);
}

la_ssize_t LibarchiveReader::ReadPart(archive* archive, void* data, const void** buffer) {
    Part& part = *static_cast<Part*>(data);
    try {
        return part.reader->Read(part, buffer);
    } catch (const std::exception& failure) {
        archive_set_error(archive, EIO, "%s", failure.what());
        return -1;
    }
}

la_int64_t LibarchiveReader::SkipPart(archive*, void* data, la_int64_t request) {
    Part& part = *static_cast<Part*>(data);
    if (part.stream != nullptr) {
        return 0;  // read through instead
    }
    const auto skipped = std::min<uint64_t>(static_cast<uint64_t>(request), part.end - part.at);
    part.at += skipped;
    return static_cast<la_int64_t>(skipped);
}

la_int64_t LibarchiveReader::SeekPart(archive*, void* data, la_int64_t offset, int whence) {
    Part& part = *static_cast<Part*>(data);
    if (part.stream != nullptr) {
        return ARCHIVE_FATAL;
    }
    const auto size = static_cast<la_int64_t>(part.end - part.begin);
    const auto at = static_cast<la_int64_t>(part.at - part.begin);
    const la_int64_t to = whence == SEEK_SET   ? offset
                          : whence == SEEK_CUR ? at + offset
                                               : size + offset;
    if (to < 0 || to > size) {
        return ARCHIVE_FATAL;
    }
    part.at = part.begin + static_cast<uint64_t>(to);
    return to;
}

}  // namespace sevenzip32
