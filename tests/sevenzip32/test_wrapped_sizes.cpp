// An entry over 4 GiB as macOS's Archive Utility writes it: no zip64 field, its sizes
// modulo 4 GiB, a data descriptor. It is read on to where its data ends, and taken only
// when what came out is its size modulo 4 GiB and its CRC checks.
#include <zlib.h>

#include <fstream>
#include <optional>

#include "ExtractionFixture.h"

using namespace testzip;

namespace {

constexpr uint64_t kChunk = 1024 * 1024;
constexpr uint64_t kSize = 4608 * kChunk;  // 4.5 GiB

// Raw deflate of kSize zeros, about 5 MB: one chunk's stream, flushed so that the
// compressor starts afresh, stands for every chunk alike.
std::string DeflatedZeros() {
    z_stream stream{};
    if (deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    const std::string zeros(kChunk, '\0');
    auto next = [&](int flush, size_t input) {
        std::string out(kChunk, '\0');
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
        stream.avail_in = static_cast<uInt>(input);
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = static_cast<uInt>(out.size());
        deflate(&stream, flush);
        out.resize(out.size() - stream.avail_out);
        return out;
    };
    const std::string chunk = next(Z_FULL_FLUSH, kChunk);
    if (next(Z_FULL_FLUSH, kChunk) != chunk) {
        throw std::runtime_error("a flushed chunk is not the same twice");
    }
    std::string whole;
    whole.reserve(chunk.size() * (kSize / kChunk) + 16);
    for (uint64_t i = 0; i < kSize / kChunk; ++i) {
        whole += chunk;
    }
    whole += next(Z_FINISH, 0);
    deflateEnd(&stream);
    return whole;
}

uint32_t CrcOfZeros() {
    const std::string zeros(kChunk, '\0');
    const uLong chunk = crc32(0, reinterpret_cast<const Bytef*>(zeros.data()), kChunk);
    uLong crc = 0;
    for (uint64_t i = 0; i < kSize / kChunk; ++i) {
        crc = crc32_combine(crc, chunk, kChunk);
    }
    return static_cast<uint32_t>(crc);
}

}  // namespace

TEST_F(ExtractionTest, AnEntryOver4GiBWithoutZip64IsReadToWhereItsDataEnds) {
    if (std::filesystem::space(folder_.Path()).available < kSize + (1ull << 30)) {
        GTEST_SKIP() << "no room for 4.5 GiB";
    }
    Entry big = File("big.bin", "");
    big.compressedOverride = DeflatedZeros();
    big.declaredCrc = CrcOfZeros();
    big.declaredSize = kSize;  // written modulo 4 GiB
    big.dataDescriptor = true;
    Entry lying = big;
    lying.name = "lying.bin";
    lying.declaredSize = kSize - 1;

    const auto result = Extract(Archive({big, File("after.txt", "after")}));
    EXPECT_EQ(result.status, 0) << result.report;
    EXPECT_EQ(std::filesystem::file_size(Output("big.bin")), kSize);
    EXPECT_EQ(ReadWholeFile(Output("after.txt")), "after");
    std::filesystem::remove(Output("big.bin"));

    // Read on, it does not come to the size it gives.
    const auto refused = Extract(Archive({lying}));
    EXPECT_EQ(refused.status, 1) << refused.report;
    EXPECT_THAT(refused.report, ::testing::HasSubstr("lying.bin: the entry produces more bytes"));
    EXPECT_FALSE(std::filesystem::exists(Output("lying.bin")));
}

namespace {

// A local header, or with offset a central one, of 32-bit fields that wrap.
std::string Header(const std::string& name, uint16_t method, uint32_t crc, uint64_t size,
                   std::optional<uint64_t> offset = std::nullopt) {
    std::string out;
    Put32(out, offset ? 0x02014b50 : 0x04034b50);
    if (offset) {
        Put16(out, 20);  // made by
    }
    Put16(out, 20);
    Put16(out, 0);
    Put16(out, method);
    Put32(out, 0x5A216000);  // DOS time and date
    Put32(out, crc);
    Put32(out, static_cast<uint32_t>(size));
    Put32(out, static_cast<uint32_t>(size));
    Put16(out, static_cast<uint16_t>(name.size()));
    Put16(out, 0);
    if (offset) {
        out += std::string(6, '\0');  // comment, disk, internal attributes
        Put32(out, 0);                // external attributes
        Put32(out, static_cast<uint32_t>(*offset));
    }
    return out + name;
}

}  // namespace

// The whole archive past 4 GiB without zip64: the directory's offset and every offset
// after the first 4 GiB wrapped, and each is found again where it really stands. The
// large entry is of a method not read, so that only its headers are; its bytes are a
// hole in a sparse file.
TEST_F(ExtractionTest, OffsetsThatWrappedPast4GiBAreFoundWhereTheyStand) {
    const uint64_t bigSize = (uint64_t{1} << 32) + 4096;
    const std::string bigHeader = Header("big.bin", 98, 0, bigSize);
    const uint64_t afterAt = bigHeader.size() + bigSize;
    const std::string after = Header("after.txt", kStored, Crc32("after"), 5) + "after";
    const uint64_t directoryAt = afterAt + after.size();
    std::string tail = after;
    tail += Header("big.bin", 98, 0, bigSize, 0);
    tail += Header("after.txt", kStored, Crc32("after"), 5, afterAt);
    const uint64_t directorySize = tail.size() - after.size();
    Put32(tail, 0x06054b50);
    tail += std::string(4, '\0');
    Put16(tail, 2);
    Put16(tail, 2);
    Put32(tail, static_cast<uint32_t>(directorySize));
    Put32(tail, static_cast<uint32_t>(directoryAt));
    Put16(tail, 0);
    {
        std::ofstream out(ArchivePath(), std::ios::binary);
        out << bigHeader;
        out.seekp(static_cast<std::streamoff>(afterAt));
        out << tail;
    }
    const auto result = RunCommandLine("x -r -hide -aoa -y " + QuoteForCommandLine(ArchivePath()) +
                                       " -o" + QuoteForCommandLine(OutputFolder() + "/"));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_THAT(result.report, ::testing::HasSubstr("big.bin: unsupported compression method"));
    EXPECT_EQ(ReadWholeFile(Output("after.txt")), "after");
}
