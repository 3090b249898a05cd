// The 7z header as the format's own tool writes it: plain or packed, solid or not, with
// a coder graph of four streams, encrypted names; and cut or changed, never read past.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "../FileContents.h"
#include "../TemporaryFolder.h"
#include "ArchiveHeader.h"
#include "Crc32.h"
#include "EntryFailure.h"

using namespace sevenzip32;
using namespace sevenzip32::sevenz;

namespace {

const std::vector<uint8_t> kLzma = {0x03, 0x01, 0x01};
const std::vector<uint8_t> kLzma2 = {0x21};
const std::vector<uint8_t> kBcj2 = {0x03, 0x03, 0x01, 0x1B};
const std::vector<uint8_t> kAes = {0x06, 0xF1, 0x07, 0x01};

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

uint32_t CrcOf(const std::string& text) {
    const auto bytes = Bytes(text);
    return UpdateCrc32(0, bytes);
}

class SevenZHeaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(folder_ / "in/資料");
        WriteWholeFile(folder_ / "in/a.txt", kA);
        WriteWholeFile(folder_ / "in/資料/b.txt", kB);
        WriteWholeFile(folder_ / "in/empty", "");
    }

    // The archive 7zz writes of the input with these switches, as bytes.
    std::vector<uint8_t> Archive(const std::string& switches) {
        const std::string archive = folder_ / "x.7z";
        std::filesystem::remove(archive);
        const std::string command = "cd '" + (folder_ / "in") + "' && 7zz a -bd -bso0 " + switches +
                                    " '" + archive + "' a.txt 資料 empty";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return Bytes(ReadWholeFile(archive));
    }

    // The header's bytes, checked against the signature header's CRC.
    static std::span<const uint8_t> HeaderBytesOf(const std::vector<uint8_t>& archive) {
        const SignatureHeader start = ReadSignatureHeader(
            std::span<const uint8_t, kSignatureHeaderSize>(archive.data(), kSignatureHeaderSize));
        const auto header = std::span(archive).subspan(
            kSignatureHeaderSize + start.nextHeaderOffset, start.nextHeaderSize);
        EXPECT_EQ(UpdateCrc32(0, header), start.nextHeaderCrc);
        return header;
    }

    const std::string kA = "hello\n";
    const std::string kB = "world, a little longer\n";
    TemporaryFolder folder_;
};

TEST_F(SevenZHeaderTest, PlainHeadersGiveFoldersSubStreamsAndFiles) {
    struct Row {
        const char* switches;
        size_t folders;
        std::vector<uint8_t> firstCoder;
        size_t coders;
    };
    for (const Row& row : {
             Row{"-mhc=off", 1, kLzma2, 1},
             Row{"-mhc=off -ms=off", 2, kLzma2, 1},
             Row{"-mhc=off -m0=LZMA", 1, kLzma, 1},
             Row{"-mhc=off -mf=BCJ2", 1, kBcj2, 4},
         }) {
        SCOPED_TRACE(row.switches);
        const auto archive = Archive(row.switches);
        const HeaderOrEncoded read = ReadHeader(HeaderBytesOf(archive));
        ASSERT_TRUE(read.header);
        const ArchiveHeader& header = *read.header;
        ASSERT_EQ(header.streams.folders.size(), row.folders);
        const Folder& folder = header.streams.folders[0];
        ASSERT_EQ(folder.coders.size(), row.coders);
        const auto& graph = folder.coders;
        EXPECT_TRUE(std::any_of(graph.begin(), graph.end(),
                                [&](const Coder& coder) { return coder.id == row.firstCoder; }));
        EXPECT_EQ(folder.bindPairs.size(), folder.OutStreamCount() - 1);
        EXPECT_EQ(folder.packedStreams.size(), row.coders == 4 ? 4u : 1u);

        std::map<std::u16string, const FileEntry*> files;
        for (const FileEntry& file : header.files) {
            files[file.name] = &file;
        }
        ASSERT_EQ(files.size(), 4u);
        EXPECT_TRUE(files.at(u"資料")->isFolder);
        EXPECT_FALSE(files.at(u"empty")->hasStream);
        EXPECT_FALSE(files.at(u"empty")->isFolder);
        for (const char16_t* name : {u"a.txt", u"資料/b.txt"}) {
            EXPECT_TRUE(files.at(name)->hasStream);
            ASSERT_TRUE(files.at(name)->attributes);
            EXPECT_EQ(*files.at(name)->attributes >> 16, 0100644u) << "the Unix mode above";
            EXPECT_TRUE(files.at(name)->modificationTime);
        }
        std::vector<std::pair<uint64_t, std::optional<uint32_t>>> streams;
        for (const auto& inFolder : header.streams.subStreams) {
            for (const SubStream& stream : inFolder) {
                streams.emplace_back(stream.size, stream.crc);
            }
        }
        std::sort(streams.begin(), streams.end());
        EXPECT_EQ(streams, (std::vector<std::pair<uint64_t, std::optional<uint32_t>>>{
                               {kA.size(), CrcOf(kA)}, {kB.size(), CrcOf(kB)}}));
    }
}

TEST_F(SevenZHeaderTest, PackedHeadersGiveTheStreamsThatDecodeThem) {
    struct Row {
        const char* switches;
        std::vector<std::vector<uint8_t>> coders;
    };
    for (const Row& row : {
             Row{"", {kLzma}},
             Row{"-psecret -mhe=on", {kAes, kLzma}},
         }) {
        SCOPED_TRACE(row.switches);
        const auto archive = Archive(row.switches);
        const HeaderOrEncoded read = ReadHeader(HeaderBytesOf(archive));
        ASSERT_TRUE(read.encoded);
        ASSERT_EQ(read.encoded->folders.size(), 1u);
        const Folder& folder = read.encoded->folders[0];
        std::vector<std::vector<uint8_t>> ids;
        for (const Coder& coder : folder.coders) {
            ids.push_back(coder.id);
        }
        EXPECT_TRUE(std::is_permutation(ids.begin(), ids.end(), row.coders.begin(),
                                        row.coders.end()));
        EXPECT_TRUE(folder.crc);
        ASSERT_EQ(read.encoded->packSizes.size(), 1u);
        EXPECT_LE(kSignatureHeaderSize + read.encoded->packPosition + read.encoded->packSizes[0],
                  archive.size());
    }
}

// A changed byte in the signature header's version or fields fails it; a header cut anywhere, or
// with any byte changed, is read within its bytes and either makes sense or is refused.
TEST_F(SevenZHeaderTest, DamageIsRefusedWithinTheBytes) {
    auto archive = Archive("-mhc=off -mf=BCJ2");
    for (size_t at = 6; at < kSignatureHeaderSize; ++at) {
        if (at == 7) {
            continue;  // the minor version, which readers take as it comes
        }
        auto changed = archive;
        changed[at] ^= 0x40;
        EXPECT_THROW(ReadSignatureHeader(std::span<const uint8_t, kSignatureHeaderSize>(
                         changed.data(), kSignatureHeaderSize)),
                     EntryFailure)
            << at;
    }
    const auto header = HeaderBytesOf(archive);
    for (size_t length = 0; length < header.size(); ++length) {
        EXPECT_THROW(ReadHeader(header.first(length)), EntryFailure) << length;
    }
    for (size_t at = 0; at < header.size(); ++at) {
        for (const uint8_t flip : {0x01, 0x80, 0xFF}) {
            std::vector<uint8_t> changed(header.begin(), header.end());
            changed[at] ^= flip;
            try {
                ReadHeader(changed);
            } catch (const EntryFailure& failure) {
                EXPECT_EQ(failure.Which(), Reason::k7zHeaderDamaged);
            }
        }
    }
}

}  // namespace
