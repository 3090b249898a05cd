// 7z archives as the format's own tool writes them, extracted with every promise a ZIP
// has: each coder and filter, solid and not, packed and plain headers, passwords for the
// data and for the names, numbered volumes, damage and cuts, names as Japanese users type
// them, empty files and folders, links that would leave the folder.
#include <chrono>
#include <cstdlib>
#include <map>
#include <thread>

#include "ExtractionFixture.h"

using ::testing::HasSubstr;

namespace {

const std::map<std::string, std::string>& Files() {
    static const std::map<std::string, std::string> files = [] {
        std::string text;
        std::string program;
        for (int i = 0; text.size() < 512 * 1024; ++i) {
            text += "line " + std::to_string(i * 7919 % 1000) + " of the archive\n";
            program += std::string("\xE8\x10\x20\x00\x00\x55\x48\x89\xE5", 9) +
                       static_cast<char>(i & 0x7F);
        }
        return std::map<std::string, std::string>{
            {"a.txt", "hello\n"},
            {"empty", ""},
            {"資料/本文.txt", text},
            {"資料/prog.bin", program},
            {"資料/true", ReadWholeFile("/bin/true")},  // machine code the branch filters change
            // Decomposed, as macOS writes it: lands composed.
            {"\xE3\x81\x8B\xE3\x82\x99.txt", "ga"},
        };
    }();
    return files;
}

class SevenZArchiveTest : public ToolArchiveTest {
  protected:
    void SetUp() override {
        ToolArchiveTest::SetUp();
        std::filesystem::create_directories(Source() / "空のフォルダ");
    }
    const std::map<std::string, std::string>& SourceFiles() const override { return Files(); }

    // 7zz's archive of the source, with these switches, at path.
    void Make(const std::string& switches, const std::string& path) {
        const std::string shell = "cd '" + Source().string() + "' && 7zz a -bd -bso0 -bse0 " +
                                  switches + " '" + path + "' . >/dev/null 2>&1";
        ASSERT_EQ(std::system(shell.c_str()), 0) << switches;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));  // not changed "just now"
    }

    // Where a file of the source lands: the decomposed name composed.
    std::string Landed(const std::string& name) const {
        return Output(name.starts_with("\xE3\x81\x8B\xE3\x82\x99") ? "\xE3\x81\x8C.txt" : name);
    }

    void ExpectEveryFile() {
        for (const auto& [name, contents] : Files()) {
            EXPECT_EQ(ReadWholeFile(Landed(name)), contents) << name;
        }
        EXPECT_TRUE(std::filesystem::is_directory(Output("空のフォルダ")));
    }

    std::string Archive7z() const { return folder_ / "写真.7z"; }
};

TEST_F(SevenZArchiveTest, EveryCoderAndFilterGivesEveryFile) {
    for (const char* switches : {
             "",  // LZMA2, solid, a packed header
             "-ms=off",
             "-mhc=off -mx=1",
             "-m0=LZMA",
             "-m0=Deflate",
             "-m0=Deflate64",
             "-m0=BZip2",
             "-m0=Copy",
             "-mf=BCJ",
             "-m0=ARM64 -m1=LZMA2",
             "-m0=Delta:4 -m1=LZMA",
             "-m0=ARM -m1=LZMA2 -mf=off",
             "-mf=BCJ2",
             "-mf=BCJ2 -m0=LZMA -ms=off",
             "-m0=PPMd",
             "-m0=PPMd:mem=1m:o=32 -ms=off",  // the model fills, and starts anew
             "-m0=PPMd:mem=64m:o=2",
         }) {
        SCOPED_TRACE(switches);
        std::filesystem::remove(Archive7z());
        Make(switches, Archive7z());
        EmptyOutput();
        const auto result = ExtractArchiveAt(Archive7z());
        EXPECT_EQ(result.status, 0) << result.report;
        ExpectEveryFile();
        EXPECT_EQ(Tree(OutputFolder()).size(), 8u);
        // Nothing changed: nothing is written again.
        EXPECT_THAT(ExtractArchiveAt(Archive7z()).report, HasSubstr("(6 already in place)"));
    }
}

// The format is its signature's: a 7z named .zip is a 7z.
TEST_F(SevenZArchiveTest, TheSignatureNamesTheFormat) {
    Make("", Archive7z());
    std::filesystem::rename(Archive7z(), ArchivePath());
    EXPECT_EQ(ExtractArchiveAt(ArchivePath()).status, 0);
    ExpectEveryFile();
}

// A coder this library does not read is named by its id in the refusal: PPMd's id with
// its last byte changed, in a plain header whose CRC is mended to match.
TEST_F(SevenZArchiveTest, CodersThisLibraryDoesNotReadAreNamed) {
    Make("-m0=PPMd -mhc=off", Archive7z());
    std::string bytes = ReadWholeFile(Archive7z());
    const auto put32 = [&](size_t at, uint32_t value) {
        for (size_t i = 0; i < 4; ++i) {
            bytes[at + i] = static_cast<char>(value >> (8 * i));
        }
    };
    size_t header = 0;
    for (size_t i = 8; i-- > 0;) {
        header = header << 8 | static_cast<uint8_t>(bytes[12 + i]);
    }
    header += 32;
    const size_t id = bytes.find(std::string("\x23\x03\x04\x01", 4), header);  // with properties
    ASSERT_NE(id, std::string::npos);
    bytes[id + 3] = 0x7F;
    put32(28, testzip::Crc32(bytes.substr(header)));
    put32(8, testzip::Crc32(bytes.substr(12, 20)));
    const auto result = Extract(bytes);
    EXPECT_NE(result.status, 0);
    EXPECT_THAT(result.report, HasSubstr("unsupported compression method: 03047F"));
    EXPECT_FALSE(std::filesystem::exists(Output("資料/本文.txt")));
}

// With the password listed, for the data alone or the names too; without it or with a
// wrong one, nothing is written and the reason is the password.
TEST_F(SevenZArchiveTest, PasswordsOpenTheDataAndTheNames) {
    for (const char* switches : {"-psecret", "-psecret -mhe=on", "-psecret -ms=off -m0=Copy"}) {
        SCOPED_TRACE(switches);
        std::filesystem::remove(Archive7z());
        Make(switches, Archive7z());
        for (const std::string& list : {std::string(), std::string("wrong\n")}) {
            KeepPasswords(list);
            EmptyOutput();
            const auto result = ExtractArchiveAt(Archive7z());
            EXPECT_NE(result.status, 0);
            EXPECT_THAT(result.report, HasSubstr("no listed password opens it"));
            EXPECT_FALSE(std::filesystem::exists(Output("資料/本文.txt")));
            EXPECT_FALSE(std::filesystem::exists(Output("a.txt")));
        }
        KeepPasswords("wrong\nsecret\n");
        EmptyOutput();
        const auto result = ExtractArchiveAt(Archive7z());
        EXPECT_EQ(result.status, 0) << result.report;
        ExpectEveryFile();
    }
}

TEST_F(SevenZArchiveTest, NumberedVolumesAreOneArchiveOnlyWhenAllAreThere) {
    const std::string first = folder_ / "資料.7z.001";
    Make("-v100k -mx=0", folder_ / "資料.7z");
    ASSERT_TRUE(std::filesystem::exists(folder_ / "資料.7z.003"));
    EXPECT_EQ(ExtractArchiveAt(first).status, 0);
    ExpectEveryFile();
    EXPECT_THAT(ExtractArchiveAt(first).report, HasSubstr("Volumes: "));

    std::filesystem::rename(folder_ / "資料.7z.002", folder_ / "moved");
    EmptyOutput();
    const auto missing = ExtractArchiveAt(first);
    EXPECT_NE(missing.status, 0);
    EXPECT_EQ(Tree(OutputFolder()).size(), 0u) << missing.report;
}

// A changed byte fails its file, or the header; a cut archive has no header and writes
// nothing; a block's failure is its own files'.
TEST_F(SevenZArchiveTest, DamageFailsWhatItTouchesAndNothingElse) {
    Make("-ms=off -mhc=off", Archive7z());
    std::string bytes = ReadWholeFile(Archive7z());
    for (size_t cut : {bytes.size() - 1, bytes.size() / 2, size_t{40}, size_t{10}}) {
        EmptyOutput();
        const auto result = Extract(bytes.substr(0, cut));
        EXPECT_NE(result.status, 0);
        EXPECT_THAT(result.report, HasSubstr("cut short")) << cut;
        EXPECT_EQ(Tree(OutputFolder()).size(), 0u);
    }
    // The text's packed bytes begin somewhere in the first half; change one in the middle
    // of the largest packed stream by looking for the file's output failing alone.
    std::string damaged = bytes;
    damaged[bytes.size() / 3] ^= 0x55;
    EmptyOutput();
    const auto result = Extract(damaged);
    EXPECT_NE(result.status, 0);
    size_t whole = 0;
    for (const auto& [name, contents] : Files()) {
        if (std::filesystem::exists(Landed(name))) {
            EXPECT_EQ(ReadWholeFile(Landed(name)), contents);
            ++whole;
        }
    }
    EXPECT_GE(whole, Files().size() - 1) << result.report;

    std::string header = bytes;
    header[header.size() - 20] ^= 0x01;
    EmptyOutput();
    const auto refused = Extract(header);
    EXPECT_NE(refused.status, 0);
    EXPECT_THAT(refused.report, HasSubstr("header is damaged"));
    EXPECT_EQ(Tree(OutputFolder()).size(), 0u);
}

TEST_F(SevenZArchiveTest, LinksStayInsideTheFolder) {
    std::filesystem::create_symlink("a.txt", Source() / "inside");
    std::filesystem::create_symlink("../../outside", Source() / "out");
    Make("-snl", Archive7z());
    const auto result = ExtractArchiveAt(Archive7z());
    EXPECT_NE(result.status, 0);
    EXPECT_THAT(result.report, HasSubstr("out: the link points outside the output folder"));
    EXPECT_EQ(std::filesystem::read_symlink(Output("inside")), "a.txt");
    EXPECT_FALSE(std::filesystem::exists(Output("out")));
}

}  // namespace
