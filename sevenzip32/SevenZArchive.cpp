// 7z archives: the header (packed or encrypted, as the format allows) read into the
// entries' facts, and each folder of coders decoded as one stream that yields its files in
// order, each checked by its own size and CRC before it is put in place. Folders are
// decoded on several threads at once; a file already in place is decoded through, not
// written.
#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <string>

#include "ArchiveHeader.h"
#include "CoderStreams.h"
#include "Crc32.h"
#include "MethodDecoder.h"
#include "ParallelFor.h"
#include "PpmdH.h"
#include "ReadAheadStream.h"
#include "ReadArchive.h"
#include "ReportLines.h"
#include "SevenZAes.h"
#include "SevenZEntryFacts.h"

namespace sevenzip32 {
namespace {

using sevenz::ArchiveHeader;
using sevenz::StreamsInfo;

constexpr uint64_t kLargestHeader = uint64_t{1} << 30;
constexpr size_t kOutputBufferSize = 256 * 1024;
constexpr int kMostEncodedHeaders = 4;
// A folder is decoded ahead of its files' writing where it makes at least this much.
constexpr uint64_t kReadAheadFrom = 4 * 1024 * 1024;

// The bytes of one packed stream, read from the archive a buffer at a time.
class PackedStream : public ByteStream {
  public:
    PackedStream(const ArchiveFile& file, uint64_t offset, uint64_t size)
        : file_(file), offset_(offset), left_(size) {}

    size_t Read(std::span<uint8_t> into) override {
        const auto count = static_cast<size_t>(std::min<uint64_t>(into.size(), left_));
        file_.ReadAt(offset_, into.first(count));
        offset_ += count;
        left_ -= count;
        return count;
    }

  private:
    const ArchiveFile& file_;
    uint64_t offset_;
    uint64_t left_;
};

// Where each packed stream of the archive begins, and how long it is.
using PackedStreams = std::vector<std::pair<uint64_t, uint64_t>>;

// Where each coder's input streams start among the folder's, by coder.
std::vector<uint32_t> FirstInputs(const sevenz::Folder& folder) {
    std::vector<uint32_t> first;
    uint32_t at = 0;
    for (const sevenz::Coder& coder : folder.coders) {
        first.push_back(at);
        at += coder.inStreams;
    }
    return first;
}

// Refuses a folder whose coders this library does not read, by the first one's name.
// Every coder it reads makes one stream, so a coder's index is that of its output; BCJ2
// alone takes four.
void CheckCoders(const sevenz::Folder& folder) {
    for (const sevenz::Coder& coder : folder.coders) {
        const CoderType type = CoderOfId(coder.id);
        const uint32_t inputs = type.kind == CoderKind::Bcj2 ? 4 : 1;
        if (type.kind == CoderKind::Unknown || coder.inStreams != inputs || coder.outStreams != 1) {
            throw EntryFailure(Reason::kUnsupportedMethod, type.name);
        }
    }
}

const sevenz::Coder* AesCoderOf(const sevenz::Folder& folder) {
    for (const sevenz::Coder& coder : folder.coders) {
        if (CoderOfId(coder.id).kind == CoderKind::Aes) {
            return &coder;
        }
    }
    return nullptr;
}

// The keys of one archive: each password's in UTF-16, and each key derived once for each
// salt it is asked for, whichever thread asks.
class ArchiveKeys {
  public:
    explicit ArchiveKeys(const PasswordList* list) {
        if (list != nullptr) {
            for (const SecretBytes& candidate : list->Candidates()) {
                if (auto password = SevenZPassword(candidate.Span())) {
                    passwords_.push_back(std::move(*password));
                }
            }
        }
    }

    size_t Count() const { return passwords_.size(); }

    std::span<const uint8_t> Key(const sevenz::Coder& aes, size_t password) {
        const SevenZAesProperties properties = ReadSevenZAesProperties(aes.properties);
        const std::lock_guard lock(lock_);
        const std::string salted(aes.properties.begin(), aes.properties.end());
        auto [key, added] = keys_.try_emplace({salted, password}, SecretBytes());
        if (added) {
            key->second = DeriveSevenZKey(properties, passwords_[password].Span());
        }
        return key->second.Span();
    }

    // The password that opened a folder last is tried first for the next.
    size_t LastOpened() const { return lastOpened_; }
    void Opened(size_t password) { lastOpened_ = password; }

  private:
    std::vector<SecretBytes> passwords_;
    std::mutex lock_;
    // By the coder's properties (its salt and rounds) and the password.
    std::map<std::pair<std::string, size_t>, SecretBytes> keys_;
    std::atomic<size_t> lastOpened_{0};
};

// A folder's coders built over its packed streams, from its output down: each coder's
// inputs are other coders' outputs or packed streams. LZMA and LZMA2 take the filters
// over them into liblzma's one chain.
class FolderStreams {
  public:
    // packed: where each of the archive's packed streams begins and how long it is.
    // readAhead: decode on a thread of its own, ahead of the reader.
    FolderStreams(const ArchiveFile& file, const PackedStreams& packed,
                  const sevenz::Folder& folder, std::span<const uint8_t> key, bool readAhead)
        : file_(file),
          packed_(packed),
          folder_(folder),
          firstInputs_(FirstInputs(folder)),
          key_(key) {
        output_ = &Output(folder.MainOutStream(), 0);
        if (readAhead) {
            output_ = &ahead_.emplace(*output_);
        }
        buffer_.resize(kOutputBufferSize);
    }

    // At most the next most bytes of the folder's output; empty once it has ended.
    std::span<const uint8_t> Next(uint64_t most) {
        if (left_.empty()) {
            left_ = std::span<const uint8_t>(buffer_).first(output_->Read(buffer_));
        }
        const auto count = static_cast<size_t>(std::min<uint64_t>(most, left_.size()));
        const auto chunk = left_.first(count);
        left_ = left_.subspan(count);
        return chunk;
    }

  private:
    ByteStream& Keep(std::unique_ptr<ByteStream> stage) {
        stages_.push_back(std::move(stage));
        return *stages_.back();
    }

    // What feeds input stream in: another coder's output, or a packed stream.
    ByteStream& Input(uint32_t in, size_t depth) {
        for (const sevenz::BindPair& pair : folder_.bindPairs) {
            if (pair.inIndex == in) {
                return Output(pair.outIndex, depth + 1);
            }
        }
        const auto packed =
            std::find(folder_.packedStreams.begin(), folder_.packedStreams.end(), in);
        const size_t index =
            folder_.firstPackedStream + static_cast<size_t>(packed - folder_.packedStreams.begin());
        if (packed == folder_.packedStreams.end() || index >= packed_.size()) {
            throw EntryFailure(Reason::k7zHeaderDamaged);
        }
        return Keep(
            std::make_unique<PackedStream>(file_, packed_[index].first, packed_[index].second));
    }

    ByteStream& Output(uint32_t coderIndex, size_t depth) {
        if (depth > folder_.coders.size() || coderIndex >= folder_.coders.size()) {
            throw EntryFailure(Reason::k7zHeaderDamaged);
        }
        const sevenz::Coder& coder = folder_.coders[coderIndex];
        const CoderType type = CoderOfId(coder.id);
        const uint32_t in = firstInputs_[coderIndex];
        switch (type.kind) {
            case CoderKind::Copy:
                return Input(in, depth);
            case CoderKind::Aes:
                return Keep(MakeSevenZAesStream(key_, ReadSevenZAesProperties(coder.properties).iv,
                                                Input(in, depth)));
            case CoderKind::Lzma:
            case CoderKind::Lzma2:
            case CoderKind::Filter:
                return LzmaChain(coderIndex, depth);
            case CoderKind::Deflate:
            case CoderKind::Deflate64:
            case CoderKind::Bzip2:
                return Keep(MakeMethodStream(type.kind, Input(in, depth),
                                             folder_.unpackSizes.at(coderIndex)));
            case CoderKind::Ppmd:
                return Keep(MakePpmdHStream(coder.properties, Input(in, depth),
                                            folder_.unpackSizes.at(coderIndex),
                                            kMostDecoderMemory));
            case CoderKind::Bcj2: {
                ByteStream& code = Input(in, depth);
                ByteStream& calls = Input(in + 1, depth);
                ByteStream& jumps = Input(in + 2, depth);
                return Keep(MakeBcj2Stream(code, calls, jumps, Input(in + 3, depth)));
            }
            default:
                throw EntryFailure(Reason::kUnsupportedMethod, type.name);
        }
    }

    // The filters from this coder down to the LZMA or LZMA2 coder under them, in one
    // chain over that coder's input.
    ByteStream& LzmaChain(uint32_t coderIndex, size_t depth) {
        std::vector<LzmaChainCoder> chain;
        for (;;) {
            const sevenz::Coder& coder = folder_.coders[coderIndex];
            const CoderType type = CoderOfId(coder.id);
            chain.push_back({type.lzmaFilter, coder.properties});
            const uint32_t in = firstInputs_[coderIndex];
            if (type.kind != CoderKind::Filter) {
                return Keep(MakeLzmaChainStream(chain, Input(in, depth), kMostDecoderMemory));
            }
            const auto bound =
                std::find_if(folder_.bindPairs.begin(), folder_.bindPairs.end(),
                             [&](const sevenz::BindPair& pair) { return pair.inIndex == in; });
            const auto below = bound == folder_.bindPairs.end()
                                   ? CoderKind::Unknown
                                   : CoderOfId(folder_.coders[bound->outIndex].id).kind;
            if (below != CoderKind::Filter && below != CoderKind::Lzma &&
                below != CoderKind::Lzma2) {
                throw EntryFailure(Reason::kUnsupportedMethod, type.name);  // over something else
            }
            coderIndex = bound->outIndex;
            if (++depth > folder_.coders.size()) {
                throw EntryFailure(Reason::k7zHeaderDamaged);
            }
        }
    }

    const ArchiveFile& file_;
    const PackedStreams& packed_;
    const sevenz::Folder& folder_;
    const std::vector<uint32_t> firstInputs_;
    std::span<const uint8_t> key_;
    std::vector<std::unique_ptr<ByteStream>> stages_;
    std::optional<ReadAheadStream> ahead_;  // over stages_, so stopped before they go
    ByteStream* output_ = nullptr;
    std::vector<uint8_t> buffer_;
    std::span<const uint8_t> left_;
};
// Where a file's bytes stand in its folder's output.
struct FileStream {
    size_t folder = 0;
    uint64_t offset = 0;
    uint64_t size = 0;
    std::optional<uint32_t> crc;
};

bool IsPasswordReason(const EntryFailure& failure) {
    return failure.LiesInTheArchive() && failure.Which() != Reason::kNeedsTooMuchMemory &&
           failure.Which() != Reason::kUnsupportedMethod;
}

// Calls attempt with each listed password from first on until one returns: the format has
// no test of a password but data that decodes and checks out. A failure a wrong password
// would give moves on to the next; after the last, or with none listed, no listed password
// opens it.
template <typename Attempt>
void WithEachPassword(ArchiveKeys& keys, size_t first, Attempt attempt) {
    const size_t count = keys.Count();
    for (size_t tried = 0; tried < count; ++tried) {
        const size_t password = (first + tried) % count;
        try {
            attempt(password);
            keys.Opened(password);
            return;
        } catch (const EntryFailure& failure) {
            if (!IsPasswordReason(failure)) {
                throw;
            }
        }
    }
    throw EntryFailure(Reason::kNoPasswordOpensIt, EntryFailure::Cause::WantsPassword);
}

class SevenZEntries;

// One thread's reader: the folder it decodes, how far, and with which password.
class SevenZEntryReader : public EntryReader {
  public:
    explicit SevenZEntryReader(SevenZEntries& entries) : entries_(entries) {}

    void Read(size_t entry, const EntryAttempt& attempt) override;

  private:
    void Start(size_t folder);
    void SkipTo(uint64_t offset);
    void Feed(const FileStream& stream, const ChunkSink& sink);

    SevenZEntries& entries_;
    std::optional<FolderStreams> streams_;
    size_t folder_ = SIZE_MAX;
    uint64_t position_ = 0;
    size_t password_ = 0;
    size_t openedFolder_ = SIZE_MAX;  // the folder a file of which password_ opened
};

class SevenZEntries : public EntrySource {
  public:
    SevenZEntries(const ArchiveFile& file, ArchiveHeader header, PackedStreams packed,
                  std::unique_ptr<ArchiveKeys> keys)
        : file_(file),
          header_(std::move(header)),
          packed_(std::move(packed)),
          keys_(std::move(keys)) {
        const auto& folders = header_.streams.folders;
        const auto& subStreams = header_.streams.subStreams;
        size_t folder = 0;
        size_t sub = 0;
        uint64_t offset = 0;
        for (const sevenz::FileEntry& file : header_.files) {
            if (!file.hasStream) {
                streams_.emplace_back();
                continue;
            }
            while (folder < folders.size() && sub >= subStreams[folder].size()) {
                ++folder;
                sub = 0;
                offset = 0;
            }
            const sevenz::SubStream& stream = subStreams.at(folder)[sub++];
            streams_.push_back(FileStream{folder, offset, stream.size, stream.crc});
            offset += stream.size;
        }
        for (const sevenz::Folder& each : folders) {
            try {
                CheckCoders(each);
                unreadable_.emplace_back();
            } catch (const EntryFailure& failure) {
                unreadable_.push_back(failure);
            }
        }
    }

    const ArchiveHeader& Header() const { return header_; }
    // Each file's size, and why the folder it is in cannot be read, for the plan.
    std::vector<uint64_t> Sizes() const {
        std::vector<uint64_t> sizes;
        for (const auto& stream : streams_) {
            sizes.push_back(stream ? stream->size : 0);
        }
        return sizes;
    }
    std::vector<std::optional<EntryFailure>> Unreadable() const {
        std::vector<std::optional<EntryFailure>> unreadable;
        for (const auto& stream : streams_) {
            unreadable.push_back(stream ? unreadable_[stream->folder] : std::nullopt);
        }
        return unreadable;
    }

    uint64_t Size(size_t entry) const override {
        return streams_[entry] ? streams_[entry]->size : 0;
    }
    std::optional<uint32_t> Crc(size_t entry) const override {
        return streams_[entry] ? streams_[entry]->crc : std::optional<uint32_t>(0);
    }
    void Prepare(const std::function<bool(size_t)>&, bool) override {}

    // A folder's files on one thread, in order.
    std::vector<size_t> RunStarts(const ExtractionPlan& plan) const override {
        std::vector<size_t> starts = {0};
        std::optional<size_t> folder;
        for (size_t i = 0; i < streams_.size(); ++i) {
            if (!streams_[i]) {
                continue;
            }
            if (folder && *folder != streams_[i]->folder) {
                starts.push_back(i);
            }
            folder = streams_[i]->folder;
        }
        starts.push_back(plan.entries.size());
        return starts;
    }
    size_t Threads(size_t /*files*/, size_t runs) const override { return ThreadsFor(runs, 1); }
    // Whether a large folder is decoded ahead of its writing: where there are fewer
    // folders than cores, a core would stand idle otherwise.
    bool ReadsAhead(const sevenz::Folder& folder) const {
        const auto cores = std::max(1u, std::thread::hardware_concurrency());
        return header_.streams.folders.size() < cores && folder.UnpackSize() >= kReadAheadFrom;
    }
    std::unique_ptr<EntryReader> Reader() override {
        return std::make_unique<SevenZEntryReader>(*this);
    }

  private:
    friend class SevenZEntryReader;

    const ArchiveFile& file_;
    ArchiveHeader header_;
    PackedStreams packed_;
    std::unique_ptr<ArchiveKeys> keys_;               // where a folder is encrypted
    std::vector<std::optional<FileStream>> streams_;  // by file
    std::vector<std::optional<EntryFailure>> unreadable_;
};

void SevenZEntryReader::Start(size_t folder) {
    streams_.reset();
    folder_ = SIZE_MAX;
    const sevenz::Folder& each = entries_.header_.streams.folders[folder];
    const sevenz::Coder* aes = AesCoderOf(each);
    const auto key =
        aes != nullptr ? entries_.keys_->Key(*aes, password_) : std::span<const uint8_t>();
    streams_.emplace(entries_.file_, entries_.packed_, each, key, entries_.ReadsAhead(each));
    folder_ = folder;
    position_ = 0;
}

void SevenZEntryReader::SkipTo(uint64_t offset) {
    while (position_ < offset) {
        const auto chunk = streams_->Next(offset - position_);
        if (chunk.empty()) {
            throw EntryFailure(Reason::kDataEndsEarly);
        }
        position_ += chunk.size();
    }
}

void SevenZEntryReader::Feed(const FileStream& stream, const ChunkSink& sink) {
    uint32_t crc = 0;
    for (uint64_t left = stream.size; left > 0;) {
        const auto chunk = streams_->Next(left);
        if (chunk.empty()) {
            throw EntryFailure(Reason::kDataEndsEarly);
        }
        crc = UpdateCrc32(crc, chunk);
        position_ += chunk.size();
        left -= chunk.size();
        sink(chunk);
    }
    if (stream.crc && crc != *stream.crc) {
        throw EntryFailure(Reason::kCrcMismatch);
    }
}

// An encrypted folder is decoded with each password from the one that opened a folder
// last, until one gives a file that checks out.
void SevenZEntryReader::Read(size_t entry, const EntryAttempt& attempt) {
    const std::optional<FileStream>& stream = entries_.streams_[entry];
    if (!stream) {
        attempt([](const ChunkSink&) {});
        return;
    }
    if (entries_.unreadable_[stream->folder]) {
        throw *entries_.unreadable_[stream->folder];
    }
    const auto read = [&] {
        if (folder_ != stream->folder || position_ > stream->offset) {
            Start(stream->folder);
        }
        SkipTo(stream->offset);
        attempt([&](const ChunkSink& sink) { Feed(*stream, sink); });
    };
    if (AesCoderOf(entries_.header_.streams.folders[stream->folder]) == nullptr ||
        openedFolder_ == stream->folder) {
        read();
        return;
    }
    const size_t first = folder_ == stream->folder ? password_ : entries_.keys_->LastOpened();
    WithEachPassword(*entries_.keys_, first, [&](size_t password) {
        if (password != password_) {
            password_ = password;
            folder_ = SIZE_MAX;  // begun anew with this one
        }
        read();
    });
    openedFolder_ = stream->folder;
}

// Where each packed stream begins and how long it is; an archive whose packed streams run
// past its end was cut short, or a volume of it is missing.
PackedStreams PackedStreamsOf(const ArchiveFile& file, const StreamsInfo& streams) {
    PackedStreams packed;
    uint64_t at = sevenz::kSignatureHeaderSize + streams.packPosition;
    for (const uint64_t size : streams.packSizes) {
        if (at > file.Size() || size > file.Size() - at) {
            throw file.IsNumbered() ? file.NumberedPiecesIncomplete()
                                    : EntryFailure(Reason::kCutShort, contract::CutShortDetail(0));
        }
        packed.emplace_back(at, size);
        at += size;
    }
    return packed;
}

// The whole output of a packed header's one folder, checked by its CRC.
std::vector<uint8_t> DecodeHeader(const ArchiveFile& file, const StreamsInfo& streams,
                                  ArchivePasswords& passwords, std::unique_ptr<ArchiveKeys>& keys) {
    if (streams.folders.size() != 1 || streams.folders[0].UnpackSize() > kLargestHeader) {
        throw EntryFailure(Reason::k7zHeaderDamaged);
    }
    const sevenz::Folder& folder = streams.folders[0];
    CheckCoders(folder);
    const PackedStreams packed = PackedStreamsOf(file, streams);
    const auto decode = [&](std::span<const uint8_t> key) {
        FolderStreams decoding(file, packed, folder, key, false);
        std::vector<uint8_t> header;
        for (uint64_t left = folder.UnpackSize(); left > 0;) {
            const auto chunk = decoding.Next(left);
            if (chunk.empty()) {
                throw EntryFailure(Reason::k7zHeaderDamaged);
            }
            header.insert(header.end(), chunk.begin(), chunk.end());
            left -= chunk.size();
        }
        if (folder.crc && UpdateCrc32(0, header) != *folder.crc) {
            throw EntryFailure(Reason::k7zHeaderDamaged);
        }
        return header;
    };
    const sevenz::Coder* aes = AesCoderOf(folder);
    if (aes == nullptr) {
        return decode({});
    }
    if (!keys) {
        keys = std::make_unique<ArchiveKeys>(&passwords.List());
    }
    std::vector<uint8_t> header;
    WithEachPassword(*keys, keys->LastOpened(),
                     [&](size_t password) { header = decode(keys->Key(*aes, password)); });
    return header;
}

// The signature header, then the header it points to, decoded as often as it was packed.
ArchiveHeader ReadArchiveHeader(const ArchiveFile& file, ArchivePasswords& passwords,
                                std::unique_ptr<ArchiveKeys>& keys) {
    const auto cut = [&] {
        return file.IsNumbered() ? file.NumberedPiecesIncomplete()
                                 : EntryFailure(Reason::kCutShort, contract::CutShortDetail(0));
    };
    if (file.Size() < sevenz::kSignatureHeaderSize) {
        throw cut();
    }
    std::array<uint8_t, sevenz::kSignatureHeaderSize> start{};
    file.ReadAt(0, start);
    const sevenz::SignatureHeader signature = sevenz::ReadSignatureHeader(start);
    if (signature.nextHeaderSize == 0) {
        return {};  // an archive of nothing
    }
    const uint64_t room = file.Size() - sevenz::kSignatureHeaderSize;
    if (signature.nextHeaderOffset > room ||
        signature.nextHeaderSize > room - signature.nextHeaderOffset) {
        throw cut();
    }
    if (signature.nextHeaderSize > kLargestHeader) {
        throw EntryFailure(Reason::k7zHeaderDamaged);
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(signature.nextHeaderSize));
    file.ReadAt(sevenz::kSignatureHeaderSize + signature.nextHeaderOffset, bytes);
    if (UpdateCrc32(0, bytes) != signature.nextHeaderCrc) {
        throw EntryFailure(Reason::k7zHeaderDamaged);
    }
    for (int packed = 0; packed <= kMostEncodedHeaders; ++packed) {
        sevenz::HeaderOrEncoded read = sevenz::ReadHeader(bytes);
        if (read.header) {
            return std::move(*read.header);
        }
        bytes = DecodeHeader(file, *read.encoded, passwords, keys);
    }
    throw EntryFailure(Reason::k7zHeaderDamaged);
}

}  // namespace

ReadArchive ReadSevenZArchive(const ArchiveFile& file, mode_t umask, const NameRules& names,
                              ArchivePasswords& passwords) {
    std::unique_ptr<ArchiveKeys> keys;
    ArchiveHeader header = ReadArchiveHeader(file, passwords, keys);
    PackedStreams packed = PackedStreamsOf(file, header.streams);
    const auto& folders = header.streams.folders;
    if (!keys && std::any_of(folders.begin(), folders.end(), [](const sevenz::Folder& folder) {
            return AesCoderOf(folder) != nullptr;
        })) {
        keys = std::make_unique<ArchiveKeys>(&passwords.List());
    }
    auto source = std::make_unique<SevenZEntries>(file, std::move(header), std::move(packed),
                                                  std::move(keys));
    const auto& files = source->Header().files;
    const std::vector<uint64_t> sizes = source->Sizes();
    const std::vector<std::optional<EntryFailure>> unreadable = source->Unreadable();
    EntryPlanner planner(umask, names);
    if (!files.empty()) {
        size_t nameBytes = 0;
        for (const sevenz::FileEntry& each : files) {
            nameBytes += each.name.size() * 3;  // UTF-8 takes at most 3 bytes a UTF-16 unit
        }
        planner.Reserve(files.size(), nameBytes);
        planner.PlanEntries(0, files.size(), [&] {
            return std::make_unique<sevenz::SevenZEntryFacts>(files, sizes, unreadable);
        });
    }
    return {planner.Finish(), std::move(source)};
}

bool IsSevenZArchive(const ArchiveFile& file) {
    std::array<uint8_t, sizeof sevenz::kSignature> start{};
    if (file.Size() < start.size()) {
        return false;
    }
    file.ReadAt(0, start);
    return std::equal(start.begin(), start.end(), std::begin(sevenz::kSignature));
}

}  // namespace sevenzip32
