// RAR, tar, LZH and CAB archives, read through libarchive with every promise the
// library's own formats have: a first pass lists the entries' facts for the plan, a second
// hands each file's bytes over in the stream's order, each put in place only when it has
// as many bytes as its header declares. A RAR set is read only when its last volume says
// it is the last; what came whole before a cut or damage stands, and the archive fails.
#include "CompressedStreams.h"
#include "LibarchiveListing.h"
#include "RarVolumes.h"
#include "ReadAheadStream.h"
#include "ReadArchive.h"
#include "ReportLines.h"
#include "VolumeNames.h"

namespace sevenzip32 {
namespace {

// libarchive's reader of the archive; a compressed tarball decompressed by the library's
// own decoders (ISA-L's inflater for gzip, liblzma, libbz2, libzstd), ahead of
// libarchive's reading on a thread of their own.
std::unique_ptr<LibarchiveReader> OpenReader(const ArchiveFile& file, bool perVolume,
                                             const std::string& options) {
    StreamChain decoding;
    const Compression compression = perVolume ? Compression::Other : CompressionOf(file);
    if (compression != Compression::Other) {
        ByteStream& below = decoding.Add(std::make_unique<ArchiveBytes>(file));
        ByteStream& decoded =
            decoding.Add(compression == Compression::Gzip    ? MakeGzipStream(below)
                         : compression == Compression::Xz    ? MakeXzStream(below)
                         : compression == Compression::Bzip2 ? MakeBzip2Stream(below)
                                                             : MakeZstandardStream(below));
        decoding.Add(std::make_unique<ReadAheadStream>(decoded));
    }
    return std::make_unique<LibarchiveReader>(file, perVolume, options, std::move(decoding));
}

class LibarchiveEntries;

// One thread's reader: the stream, a header at a time; an entry behind it (a hard link's
// file) starts the stream again.
class LibarchiveEntryReader : public EntryReader {
  public:
    explicit LibarchiveEntryReader(const LibarchiveEntries& entries) : entries_(entries) {}
    void Read(size_t entry, const EntryAttempt& attempt) override;

  private:
    void MoveTo(size_t header);

    const LibarchiveEntries& entries_;
    std::unique_ptr<LibarchiveReader> reader_;
};

class LibarchiveEntries : public EntrySource {
  public:
    LibarchiveEntries(const ArchiveFile& file, bool perVolume, std::string options,
                      LibarchiveListing listing)
        : file_(file),
          perVolume_(perVolume),
          options_(std::move(options)),
          listing_(std::move(listing)) {}

    const LibarchiveListing& Listing() const { return listing_; }

    uint64_t Size(size_t entry) const override { return listing_.facts[entry].size; }
    std::optional<uint32_t> Crc(size_t) const override { return std::nullopt; }
    void Prepare(const std::function<bool(size_t)>&, bool) override {}
    // The stream is read once, in order, on one thread.
    std::vector<size_t> RunStarts(const ExtractionPlan& plan) const override {
        return {0, plan.entries.size()};
    }
    size_t Threads(size_t, size_t) const override { return 1; }
    std::unique_ptr<EntryReader> Reader() override {
        return std::make_unique<LibarchiveEntryReader>(*this);
    }
    std::optional<std::string> ArchiveFailure() const override {
        if (!listing_.stopped) {
            return std::nullopt;
        }
        return listing_.stopped->what();
    }

  private:
    friend class LibarchiveEntryReader;

    const ArchiveFile& file_;
    const bool perVolume_;
    const std::string options_;
    LibarchiveListing listing_;
};

void LibarchiveEntryReader::MoveTo(size_t header) {
    if (!reader_ || reader_->HeadersRead() >= header) {
        reader_ = OpenReader(entries_.file_, entries_.perVolume_, entries_.options_);
    }
    while (reader_->HeadersRead() < header) {
        if (reader_->HeadersRead() > 0) {
            reader_->SkipData();
        }
        if (reader_->Next() == nullptr) {
            throw EntryFailure(Reason::kDataEndsEarly);
        }
    }
}

void LibarchiveEntryReader::Read(size_t entry, const EntryAttempt& attempt) {
    const ListedEntry& listed = entries_.listing_.entries[entry];
    const uint64_t declared = entries_.listing_.facts[entry].size;
    if (entries_.listing_.facts[entry].kind == EntryKind::Link) {
        attempt([&](const ChunkSink& sink) {
            sink({reinterpret_cast<const uint8_t*>(listed.linkTarget.data()),
                  listed.linkTarget.size()});
        });
        return;
    }
    if (entries_.listing_.facts[entry].kind == EntryKind::Folder) {
        attempt([](const ChunkSink&) {});
        return;
    }
    MoveTo(listed.dataHeader);
    attempt([&](const ChunkSink& sink) {
        uint64_t written = 0;
        reader_->ReadData([&](std::span<const uint8_t> bytes) {
            written += bytes.size();
            if (listed.sizeKnown && written > declared) {
                throw EntryFailure(Reason::kMoreBytesThanDeclared);
            }
            sink(bytes);
        });
        if (listed.sizeKnown && written != declared) {
            throw EntryFailure(Reason::kFewerBytesThanDeclared);
        }
    });
}

// RAR's volumes are all there, up to one that says it is the last.
void OpenRarVolumes(ArchiveFile& file) {
    const RarVolumeFacts first = ReadRarVolume(file, file.Volumes()[0]);
    if (first.headersEncrypted) {
        throw EntryFailure(Reason::kRarEncrypted);
    }
    if (!first.isVolume && (first.endsTheSet || !first.hasEnd)) {
        return;  // alone; one cut short fails as libarchive reads it
    }
    file.OpenFollowingVolumes();
    const auto& volumes = file.Volumes();
    const RarVolumeFacts last = volumes.size() == 1 ? first : ReadRarVolume(file, volumes.back());
    if (!last.hasEnd) {
        throw EntryFailure(Reason::kVolumeShort, volumes.back().name, EntryFailure::Cause::Outside);
    }
    if (!last.endsTheSet) {
        throw EntryFailure(
            Reason::kVolumeMissing,
            contract::OtherVolumeName(volumes[0].name, static_cast<uint32_t>(volumes.size() - 1)),
            EntryFailure::Cause::Outside);
    }
}

}  // namespace

ReadArchive ReadLibarchiveArchive(ArchiveFile& file, mode_t umask, const NameRules& names) {
    const bool rar = IsRarArchive(file);
    if (rar) {
        OpenRarVolumes(file);
    }
    const bool perVolume = rar && file.IsSplit();
    const auto list = [&](const std::string& options) {
        const auto reader = OpenReader(file, perVolume, options);
        return ListEntries(*reader, options == kLzhNamesAsBytes);
    };
    // An LZH's names are UTF-8 where all of them are, else CP932 (whose second bytes may
    // be "\", which libarchive takes for a separator in names read as bytes).
    std::string options = IsLzhArchive(file) ? kLzhNamesAsBytes : "";
    LibarchiveListing listing = list(options);
    if (!options.empty() && !AllNamesAreUtf8(listing)) {
        options = kLzhNamesInCp932;
        listing = list(options);
    }
    auto source = std::make_unique<LibarchiveEntries>(file, perVolume, std::move(options),
                                                      std::move(listing));
    const std::vector<EntryFacts>& facts = source->Listing().facts;
    EntryPlanner planner(umask, names);
    size_t nameBytes = 0;
    for (const EntryFacts& each : facts) {
        nameBytes += each.name.size();
    }
    planner.Reserve(facts.size(), nameBytes);
    planner.PlanEntries(0, facts.size(), [&] { return std::make_unique<ListedEntryFacts>(facts); });
    return {planner.Finish(), std::move(source)};
}

}  // namespace sevenzip32
