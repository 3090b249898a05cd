// The coders of a 7z folder give the same bytes however the streams below hand theirs
// over: whole, a byte at a time, or in pieces of every size.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "../FileContents.h"
#include "../TemporaryFolder.h"
#include "ArchiveHeader.h"
#include "CoderStreams.h"
#include "EntryFailure.h"
#include "MethodDecoder.h"
#include "ReadAheadStream.h"

using namespace sevenzip32;

namespace {

// Bytes handed over in pieces of random sizes up to the piece size.
class PiecesStream : public ByteStream {
  public:
    PiecesStream(std::string bytes, size_t piece, uint32_t seed)
        : bytes_(std::move(bytes)), piece_(piece), random_(seed) {}

    size_t Read(std::span<uint8_t> into) override {
        const size_t most = 1 + random_() % piece_;
        const size_t count = std::min({into.size(), most, bytes_.size() - at_});
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), count, into.begin());
        at_ += count;
        return count;
    }

  private:
    std::string bytes_;
    size_t piece_;
    std::mt19937 random_;
    size_t at_ = 0;
};

std::string Drain(ByteStream& stream, size_t buffer) {
    std::string out;
    std::vector<uint8_t> room(buffer);
    for (size_t read; (read = stream.Read(room)) > 0;) {
        out.append(room.begin(), room.begin() + static_cast<std::ptrdiff_t>(read));
    }
    return out;
}

std::string OutputOf(const std::string& command) {
    TemporaryFolder folder;
    const std::string out = folder / "out";
    EXPECT_EQ(std::system((command + " > '" + out + "'").c_str()), 0) << command;
    return ReadWholeFile(out);
}

const size_t kPieces[] = {1, 3, 64, 4096, 1 << 20};

TEST(CoderStreams, AnLzmaChainGivesTheSameBytesForEverySplit) {
    const std::string original = ReadWholeFile("/bin/true");
    // LZMA2 with a dictionary of 1 MiB (properties byte 16) under the x86 converter.
    const std::string packed = OutputOf("xz --format=raw --x86 --lzma2=dict=1MiB -c /bin/true");
    for (const size_t piece : kPieces) {
        PiecesStream below(packed, piece, static_cast<uint32_t>(piece));
        const auto stream = MakeLzmaChainStream(
            {{CoderOfId(std::vector<uint8_t>{0x03, 0x03, 0x01, 0x03}).lzmaFilter, {}},
             {CoderOfId(std::vector<uint8_t>{0x21}).lzmaFilter, {16}}},
            below, kMostDecoderMemory);
        EXPECT_EQ(Drain(*stream, piece % 2 == 0 ? 65536 : 7), original) << piece;
    }
}

// BCJ2's four streams as the format's own tool leaves them, each stored as it is.
TEST(CoderStreams, BranchConversionGivesTheSameBytesForEverySplit) {
    TemporaryFolder folder;
    const std::string original = ReadWholeFile("/bin/true");
    WriteWholeFile(folder / "true", original);
    const std::string archive = folder / "x.7z";
    ASSERT_EQ(std::system(("cd '" + folder.Path().string() +
                           "' && 7zz a -bso0 -mhc=off -m0=BCJ2 -m1=Copy -m2=Copy -m3=Copy "
                           "-mb0s0:1 -mb0s1:2 -mb0s2:3 x.7z true >/dev/null")
                              .c_str()),
              0);
    const std::string bytes = ReadWholeFile(archive);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    const sevenz::SignatureHeader start = sevenz::ReadSignatureHeader(
        std::span<const uint8_t, sevenz::kSignatureHeaderSize>(data, sevenz::kSignatureHeaderSize));
    const auto header = sevenz::ReadHeader(
        {data + sevenz::kSignatureHeaderSize + start.nextHeaderOffset, start.nextHeaderSize});
    ASSERT_TRUE(header.header);
    const sevenz::StreamsInfo& streams = header.header->streams;
    ASSERT_EQ(streams.folders.size(), 1u);
    const sevenz::Folder& folder7z = streams.folders[0];
    // Each of BCJ2's inputs is fed by a stored stream: the one its copier reads, or its own.
    std::vector<uint32_t> firstInput;
    uint32_t inputs = 0;
    size_t bcj2 = folder7z.coders.size();
    for (size_t c = 0; c < folder7z.coders.size(); ++c) {
        firstInput.push_back(inputs);
        inputs += folder7z.coders[c].inStreams;
        if (CoderOfId(folder7z.coders[c].id).kind == CoderKind::Bcj2) {
            bcj2 = c;
        }
    }
    ASSERT_LT(bcj2, folder7z.coders.size());
    std::vector<std::string> packed;
    uint64_t at = sevenz::kSignatureHeaderSize + streams.packPosition;
    for (const uint64_t size : streams.packSizes) {
        packed.push_back(bytes.substr(at, size));
        at += size;
    }
    std::vector<std::string> feeds(4);
    for (uint32_t k = 0; k < 4; ++k) {
        uint32_t stream = firstInput[bcj2] + k;
        for (const sevenz::BindPair& pair : folder7z.bindPairs) {
            if (pair.inIndex == stream) {
                stream = firstInput[pair.outIndex];  // the copier's input
                break;
            }
        }
        const auto found =
            std::find(folder7z.packedStreams.begin(), folder7z.packedStreams.end(), stream);
        ASSERT_NE(found, folder7z.packedStreams.end());
        feeds[k] = packed[static_cast<size_t>(found - folder7z.packedStreams.begin())];
    }
    for (const size_t piece : kPieces) {
        std::vector<std::unique_ptr<PiecesStream>> below;
        for (uint32_t in = 0; in < 4; ++in) {
            below.push_back(std::make_unique<PiecesStream>(feeds[in], piece, piece + in));
        }
        const auto stream = MakeBcj2Stream(*below[0], *below[1], *below[2], *below[3]);
        EXPECT_EQ(Drain(*stream, piece % 2 == 0 ? 65536 : 5), original) << piece;
    }
}

}  // namespace

// Decoded ahead on a thread of its own, a stream still gives its bytes in order, then what
// failed below it once they are read; one dropped half read stops its thread.
TEST(CoderStreams, ReadingAheadKeepsTheBytesAndTheFailureInOrder) {
    class FailsAfter : public PiecesStream {
      public:
        using PiecesStream::PiecesStream;
        size_t Read(std::span<uint8_t> into) override {
            const size_t read = PiecesStream::Read(into);
            if (read == 0) {
                throw EntryFailure(Reason::kDataDamaged);
            }
            return read;
        }
    };
    std::string bytes(3 * 1024 * 1024 + 17, '\0');
    std::mt19937 random(7);
    std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<char>(random()); });
    for (const size_t piece : {size_t{3}, size_t{4096}, size_t{1} << 21}) {
        PiecesStream below(bytes, piece, 1);
        ReadAheadStream ahead(below);
        EXPECT_EQ(Drain(ahead, piece % 2 == 0 ? 65536 : 7), bytes) << piece;

        FailsAfter failing(bytes, piece, 2);
        ReadAheadStream failingAhead(failing);
        std::vector<uint8_t> room(bytes.size() + 1);
        size_t read = 0;
        EXPECT_THROW(
            for (size_t count; (count = failingAhead.Read(std::span(room).subspan(read))) > 0;) {
                read += count;
            },
            EntryFailure);
        EXPECT_EQ(std::string(room.begin(), room.begin() + static_cast<std::ptrdiff_t>(read)),
                  bytes);
        EXPECT_THROW(failingAhead.Read(room), EntryFailure);  // and again, as often as asked

        PiecesStream dropped(bytes, piece, 3);
        ReadAheadStream{dropped}.Read(room);
    }
}
