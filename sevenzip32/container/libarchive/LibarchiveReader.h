// libarchive's reader over the archive's file, or over a RAR set's volumes one after
// another, with only the formats and filters this library takes from it: RAR 4 and 5, tar
// (plain, or through gzip, bzip2, xz or zstd), LZH and CAB. It runs in a UTF-8 locale of
// its own, so that names read alike whatever the program's locale. Anything libarchive
// says beyond "OK", a warning too, is a failure: of the archive where it is cut short or
// damaged, of the entry where the entry alone is.
#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "ArchiveFile.h"
#include "ByteStream.h"
#include "EntryFailure.h"

namespace sevenzip32 {

// Whether libarchive reads the archive for this library: its first bytes are RAR's, CAB's,
// LZH's, a tar header's, or a compressor's (gzip, bzip2, xz, zstd) that a tar is behind.
bool IsLibarchiveArchive(const ArchiveFile& file);
// Whether they are LZH's.
bool IsLzhArchive(const ArchiveFile& file);
// Which compressor's they are: a tarball the library decompresses itself.
enum class Compression { Other, Gzip, Xz, Bzip2, Zstandard };
Compression CompressionOf(const ArchiveFile& file);

// The archive's bytes from its start, for a decoder.
class ArchiveBytes : public ByteStream {
  public:
    explicit ArchiveBytes(const ArchiveFile& file) : file_(file) {}
    size_t Read(std::span<uint8_t> into) override;

  private:
    const ArchiveFile& file_;
    uint64_t at_ = 0;
};

class LibarchiveReader {
  public:
    // Reads file's volumes one after another, each its own part to libarchive (as RAR's
    // volumes are) where perVolume, else the whole as one stream; options as libarchive
    // takes them ("lha:hdrcharset=CP932"). decoding: where the file is decompressed before
    // libarchive reads it, the streams that do it, the last giving what it holds.
    LibarchiveReader(const ArchiveFile& file, bool perVolume, const std::string& options,
                     StreamChain decoding = {});
    LibarchiveReader(const LibarchiveReader&) = delete;
    LibarchiveReader& operator=(const LibarchiveReader&) = delete;

    // The next entry's header, nullptr at the archive's end.
    archive_entry* Next();
    // How many headers were read so far; the current entry is the last.
    size_t HeadersRead() const { return headers_; }
    // The current entry's bytes in order, holes of a sparse file as zeros; returns how
    // many there were.
    uint64_t ReadData(const std::function<void(std::span<const uint8_t>)>& sink);
    void SkipData();
    archive* Archive() const { return archive_.get(); }
    // A text of the current entry's (its name, a link's target), as libarchive gives it in
    // the reader's locale; nothing where it has none.
    std::optional<std::string> TextOf(const char* (*field)(archive_entry*)) const;
    // Reads what the file holds decompressed to its end, past the archive's end mark, so
    // that a file cut short there fails too.
    void DrainDecoded();
    // Whether the stream asked for bytes past the archive's end.
    bool RanOut() const { return ranOut_; }

  private:
    struct Part {
        LibarchiveReader* reader = nullptr;
        const ArchiveFile* file = nullptr;
        ByteStream* stream = nullptr;  // what the file holds decompressed, read instead
        uint64_t begin = 0;
        uint64_t end = 0;
        uint64_t at = 0;
    };
    static la_ssize_t ReadPart(archive*, void* data, const void** buffer);
    static la_int64_t SkipPart(archive*, void* data, la_int64_t request);
    static la_int64_t SeekPart(archive*, void* data, la_int64_t offset, int whence);
    la_ssize_t Read(Part& part, const void** buffer);

    // Throws for what libarchive said, the current entry's or the whole's.
    [[noreturn]] void Fail();

    struct FreeLocale {
        void operator()(locale_t locale) const { ::freelocale(locale); }
    };
    struct FreeArchive {
        void operator()(archive* archive) const { archive_read_free(archive); }
    };

    StreamChain decoding_;  // gone after libarchive's reader, which reads from it
    std::unique_ptr<std::remove_pointer_t<locale_t>, FreeLocale> locale_;
    std::unique_ptr<archive, FreeArchive> archive_;
    std::vector<Part> parts_;
    std::vector<uint8_t> buffer_;
    size_t headers_ = 0;
    bool ranOut_ = false;
    archive_entry* entry_ = nullptr;
};

}  // namespace sevenzip32
