// Every decoder gives the same bytes however its input is split and however small its
// output buffer: streams of several MiB fed whole, a byte at a time and in random pieces.
#include <bzlib.h>
#include <gtest/gtest.h>
#include <lzma.h>
#include <zstd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>

#include "../TemporaryFolder.h"
#include "EntryFailure.h"
#include "MethodDecoder.h"
#include "ZipBuilder.h"

using namespace sevenzip32;

namespace {

using Bytes = std::string;

struct Stream {
    uint16_t method;
    Bytes compressed;
    Bytes expected;
};

// Text that compresses, noise that does not, and long repeats, so that streams hold
// every kind of block their encoders write.
Bytes Mixed(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes data;
    while (data.size() < size) {
        switch (random() % 3) {
            case 0:
                for (int i = 0; i < 200; ++i) {
                    data += "line " + std::to_string(random() % 1000) + " of the entry\n";
                }
                break;
            case 1:
                for (int i = 0; i < 20000; ++i) {
                    data += static_cast<char>(random());
                }
                break;
            default:
                if (!data.empty()) {
                    data += data.substr(data.size() / 2, 40000);
                }
        }
    }
    return data.substr(0, size);
}

// Deflate64 written by hand, so that the stream holds what encoders seldom write: length
// code 285 with its 16 extra bits, distance codes 30 and 31, stored and empty blocks.
class Deflate64Writer {
  public:
    void EmptyFixedBlock(bool last = false) {
        Bits(last ? 1 : 0, 1);
        Bits(1, 2);
        Symbol(256);
    }

    void LiteralBlock(const Bytes& literals) {
        Bits(0, 1);
        Bits(1, 2);
        for (char c : literals) {
            Literal(static_cast<uint8_t>(c));
        }
        Symbol(256);
    }

    // A dynamic block header whose code-length code claims more codes than there are.
    void OversubscribedBlock() {
        Bits(1, 1);
        Bits(2, 2);
        Bits(0, 5);
        Bits(0, 5);
        Bits(15, 4);
        for (int i = 0; i < 19; ++i) {
            Bits(1, 3);
        }
    }

    const Bytes& Written() const { return bytes_; }

    void StoredBlock(const Bytes& data) {
        Bits(0, 1);
        Bits(0, 2);
        bitCount_ = (bitCount_ + 7) / 8 * 8;
        Bits(static_cast<uint32_t>(data.size()), 16);
        Bits(static_cast<uint32_t>(~data.size()) & 0xFFFF, 16);
        for (char c : data) {
            Bits(static_cast<uint8_t>(c), 8);
        }
        expected_ += data;
    }

    // Literals and matches of every length and distance code, at random.
    void FixedBlock(size_t symbols, std::mt19937& random) {
        Bits(0, 1);
        Bits(1, 2);
        for (size_t i = 0; i < symbols; ++i) {
            if (expected_.size() < 70000 || random() % 4 != 0) {
                Literal(static_cast<uint8_t>(random() % 7 == 0 ? random() : 'a' + random() % 4));
                continue;
            }
            const size_t longest = random() % 64 == 0 ? 65538 : 300;
            Match(3 + random() % (longest - 2), 1 + random() % 65536);
        }
        Symbol(256);
    }

    // Ends with a last block whose header begins on a byte's last bit, so that a split
    // between bytes cuts the header in two.
    Bytes Finish() {
        StoredBlock("end");
        Bits(0, 1);
        Bits(1, 2);
        for (int i = 0; i < 5; ++i) {
            Literal(0xF0);  // 9 bits each: the block ends on bit 7
        }
        Symbol(256);
        Bits(1, 1);
        Bits(1, 2);
        for (char c : std::string("the end")) {
            Literal(static_cast<uint8_t>(c));
        }
        Symbol(256);
        return bytes_;
    }
    const Bytes& Expected() const { return expected_; }

  private:
    static constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                 15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                 67, 83, 99, 115, 131, 163, 195, 227, 3};
    static constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};

    void Bits(uint32_t value, int count) {
        for (int i = 0; i < count; ++i, ++bitCount_) {
            if (bitCount_ % 8 == 0) {
                bytes_ += '\0';
            }
            bytes_.back() =
                static_cast<char>(bytes_.back() | ((value >> i) & 1) << (bitCount_ % 8));
        }
    }
    // Huffman codes go most significant bit first.
    void Code(uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) {
            Bits((code >> i) & 1, 1);
        }
    }
    void Symbol(int symbol) {
        if (symbol < 144) {
            Code(0x30 + symbol, 8);
        } else if (symbol < 256) {
            Code(0x190 + symbol - 144, 9);
        } else if (symbol < 280) {
            Code(symbol - 256, 7);
        } else {
            Code(0xC0 + symbol - 280, 8);
        }
    }
    void Literal(uint8_t byte) {
        Symbol(byte);
        expected_ += static_cast<char>(byte);
    }
    void Match(size_t length, size_t distance) {
        distance = std::min(distance, expected_.size());
        int code = 28;  // 285: 3 plus 16 bits, any length
        for (int c = 27; c >= 0 && length <= 258; --c) {
            if (kLengthBase[c] <= length && length - kLengthBase[c] < (1u << kLengthExtra[c])) {
                code = c;
                break;
            }
        }
        Symbol(257 + code);
        Bits(static_cast<uint32_t>(length - kLengthBase[code]), kLengthExtra[code]);
        int distanceCode = 0;
        uint32_t base = 1;
        for (;; ++distanceCode) {
            const int extra = distanceCode < 4 ? 0 : distanceCode / 2 - 1;
            if (distance < base + (1u << extra)) {
                Code(distanceCode, 5);
                Bits(static_cast<uint32_t>(distance - base), extra);
                break;
            }
            base += 1u << extra;
        }
        for (size_t i = 0; i < length; ++i) {
            expected_ += expected_[expected_.size() - distance];
        }
    }

    Bytes bytes_;
    size_t bitCount_ = 0;
    Bytes expected_;
};

Stream HandMadeDeflate64(uint32_t seed, size_t blocks) {
    std::mt19937 random(seed);
    Deflate64Writer writer;
    writer.FixedBlock(70000, random);  // enough history for the farthest distances
    for (size_t i = 0; i < blocks; ++i) {
        switch (random() % 3) {
            case 0:
                writer.EmptyFixedBlock();
                break;
            case 1:
                writer.StoredBlock(Mixed(random() % 65536, seed + static_cast<uint32_t>(i)));
                break;
            default:
                writer.FixedBlock(random() % 20000, random);
        }
    }
    const Bytes compressed = writer.Finish();
    return {kMethodDeflate64, compressed, writer.Expected()};
}

// What 7zz writes: the raw stream of the first entry of an archive it makes of data.
Bytes Deflate64By7zz(const Bytes& data) {
    TemporaryFolder folder;
    std::ofstream(folder.Path() / "data", std::ios::binary) << data;
    const std::string command = "cd '" + folder.Path().string() +
                                "' && 7zz a -tzip -mm=Deflate64 -bd -bso0 -bsp0 a.zip data";
    if (std::system(command.c_str()) != 0) {
        return {};
    }
    std::ifstream in(folder.Path() / "a.zip", std::ios::binary);
    const Bytes zip((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto u16 = [&](size_t at) {
        return static_cast<uint8_t>(zip[at]) | static_cast<uint8_t>(zip[at + 1]) << 8;
    };
    const uint32_t size = u16(18) | static_cast<uint32_t>(u16(20)) << 16;
    return zip.substr(30 + u16(26) + u16(28), size);
}

Bytes Bzip2Streams(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all += testzip::Compress(part, testzip::kBzip2);
    }
    return all;
}

// Several xz streams with stream padding between them, as the format allows.
Bytes XzStreams(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        Bytes out(lzma_stream_buffer_bound(part.size()), '\0');
        size_t written = 0;
        lzma_easy_buffer_encode(1, LZMA_CHECK_CRC64, nullptr,
                                reinterpret_cast<const uint8_t*>(part.data()), part.size(),
                                reinterpret_cast<uint8_t*>(out.data()), &written, out.size());
        all += out.substr(0, written) + Bytes(8, '\0');
    }
    return all;
}

// Zstandard frames, a skippable frame among them.
Bytes ZstandardFrames(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        Bytes out(ZSTD_compressBound(part.size()), '\0');
        out.resize(ZSTD_compress(out.data(), out.size(), part.data(), part.size(), 3));
        all += out;
        all += Bytes("\x50\x2A\x4D\x18\x05\x00\x00\x00skip!", 13);
    }
    return all;
}

// LZMA as ZIP keeps it: version, the properties' size and properties, then raw data
// ending with an end marker.
Bytes ZipLzma(const Bytes& data) {
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 1);
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&stream, &options) != LZMA_OK) {
        return {};
    }
    Bytes out(data.size() + data.size() / 2 + 4096, '\0');
    stream.next_in = reinterpret_cast<const uint8_t*>(data.data());
    stream.avail_in = data.size();
    stream.next_out = reinterpret_cast<uint8_t*>(out.data());
    stream.avail_out = out.size();
    const bool encoded = lzma_code(&stream, LZMA_FINISH) == LZMA_STREAM_END;
    out.resize(out.size() - stream.avail_out);
    lzma_end(&stream);
    if (!encoded) {
        return {};
    }
    return Bytes("\x09\x14\x05\x00", 4) + out.substr(0, 5) + out.substr(13);
}

// Made only by the test that runs them: listing the tests must stay quick.
struct StreamMaker {
    std::string name;
    std::function<Stream()> make;
};

const Bytes& Large() {
    static const Bytes data = Mixed(3 << 20, 1);
    return data;
}
const Bytes& Small() {
    static const Bytes data = Mixed(200000, 2);
    return data;
}

const StreamMaker kStreams[] = {
    {"deflate",
     [] {
         return Stream{kMethodDeflate, testzip::Compress(Large(), testzip::kDeflate), Large()};
     }},
    {"bzip2_two_streams",
     [] {
         return Stream{kMethodBzip2, Bzip2Streams({Small(), Large()}), Small() + Large()};
     }},
    {"xz_two_streams_padded",
     [] {
         return Stream{kMethodXz, XzStreams({Large(), Small()}), Large() + Small()};
     }},
    {"zstd_frames_skippable",
     [] {
         return Stream{kMethodZstandard, ZstandardFrames({Small(), Large()}), Small() + Large()};
     }},
    {"lzma_end_marker",
     [] {
         return Stream{kMethodLzma, ZipLzma(Large()), Large()};
     }},
    {"deflate64_7zz",
     [] {
         return Stream{kMethodDeflate64, Deflate64By7zz(Large()), Large()};
     }},
    {"deflate64_by_hand_7", [] { return HandMadeDeflate64(7, 60); }},
    {"deflate64_by_hand_8", [] { return HandMadeDeflate64(8, 60); }},
};

// Feeds the stream in pieces of the sizes pieceSize gives, into output buffers of
// outputSize bytes, as the entry decoder does: the same input again until it is taken,
// an empty input once it has all been given.
Bytes DecodeSplit(uint16_t method, const Bytes& compressed, uint64_t size,
                  const std::function<size_t()>& pieceSize, size_t outputSize) {
    auto decoder = MakeMethodDecoder(method);
    decoder->Reset(size);
    std::vector<uint8_t> output(outputSize);
    Bytes produced;
    size_t given = 0;
    std::span<const uint8_t> pending;
    for (;;) {
        if (pending.empty() && given < compressed.size()) {
            const size_t piece = std::min(pieceSize(), compressed.size() - given);
            pending = {reinterpret_cast<const uint8_t*>(compressed.data()) + given, piece};
            given += piece;
        }
        const auto step = decoder->Decode(pending, output);
        pending = pending.subspan(step.consumed);
        produced.append(reinterpret_cast<const char*>(output.data()), step.produced);
        if (step.finished) {
            break;
        }
        if (step.consumed == 0 && step.produced == 0) {
            throw std::runtime_error("the decoder made no progress");
        }
    }
    if (!pending.empty() || given != compressed.size()) {
        throw std::runtime_error("the stream ended before its input");
    }
    return produced;
}

class EverySplit : public ::testing::TestWithParam<StreamMaker> {};

TEST_P(EverySplit, GivesTheSameBytes) {
    const Stream stream = GetParam().make();
    ASSERT_FALSE(stream.compressed.empty());
    std::mt19937 random(99);
    const struct {
        std::string name;
        std::function<size_t()> pieceSize;
        size_t outputSize;
    } splits[] = {
        {"whole", [] { return SIZE_MAX; }, 256 * 1024},
        {"256 KiB reads, 7-byte output", [] { return 256 * 1024; }, 7},
        {"random reads", [&] { return 1 + random() % 300000; }, 256 * 1024},
        {"small random reads", [&] { return 1 + random() % 700; }, 1 + random() % 5000},
    };
    for (const auto& split : splits) {
        EXPECT_EQ(DecodeSplit(stream.method, stream.compressed, stream.expected.size(),
                              split.pieceSize, split.outputSize),
                  stream.expected)
            << split.name;
    }
    if (stream.compressed.size() <= (1 << 20)) {
        EXPECT_EQ(DecodeSplit(
                      stream.method, stream.compressed, stream.expected.size(), [] { return 1; },
                      256 * 1024),
                  stream.expected)
            << "byte by byte";
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, EverySplit, ::testing::ValuesIn(kStreams),
                         [](const auto& info) { return info.param.name; });

// A block that fills the output buffer exactly, then empty blocks: no byte is left to
// give, and yet the stream is not over.
TEST(Deflate64, EmptyBlocksAfterAFullOutputAreNotDamage) {
    Deflate64Writer writer;
    writer.LiteralBlock(Bytes(4096, 'k'));
    for (int i = 0; i < 100000; ++i) {  // more than the decoder holds at once
        writer.EmptyFixedBlock();
    }
    writer.EmptyFixedBlock(true);
    for (size_t piece : {size_t{1}, size_t{700}, size_t{100000}, SIZE_MAX}) {
        EXPECT_EQ(DecodeSplit(
                      kMethodDeflate64, writer.Written(), 4096, [&] { return piece; }, 4096),
                  writer.Expected());
    }
}

TEST(Deflate64, DamagedOrCutStreamsFailUnderEverySplit) {
    Deflate64Writer damaged;
    damaged.LiteralBlock("before");
    damaged.OversubscribedBlock();
    const Stream whole = HandMadeDeflate64(3, 4);
    const Bytes cases[] = {
        damaged.Written(),
        whole.compressed.substr(0, whole.compressed.size() - 1),
        whole.compressed.substr(0, whole.compressed.size() / 2),
        whole.compressed + "x",
        Bytes(),
    };
    for (const Bytes& compressed : cases) {
        for (size_t piece : {size_t{1}, size_t{333}, SIZE_MAX}) {
            EXPECT_THROW(DecodeSplit(
                             kMethodDeflate64, compressed, whole.expected.size(),
                             [&] { return piece; }, 1000),
                         EntryFailure);
        }
    }
}

}  // namespace
