// The archives read through libarchive, with every promise the library's own formats
// have: tar through each compressor as tar writes it, hostile tar entries, a cut tarball,
// LZH from jlha and with CP932 names at each header level, CAB from gcab, and RAR 4 and 5
// alone and in volumes of both namings, with a volume missing and with encrypted headers.
#include <sys/stat.h>

#include <cstdlib>

#include "ExtractionFixture.h"
#include "FormatBuilders.h"

using testformats::RarVersion;
using testformats::StoredFile;
using ::testing::HasSubstr;

namespace {

const std::map<std::string, std::string>& Files() {
    static const std::map<std::string, std::string> files = [] {
        std::string text;
        for (int i = 0; text.size() < 300 * 1024; ++i) {
            text += "line " + std::to_string(i * 7919 % 1000) + "\n";
        }
        return std::map<std::string, std::string>{
            {"a.txt", "hello\n"}, {"empty", ""}, {"資料/本文.txt", text}};
    }();
    return files;
}

class LibarchiveTest : public ToolArchiveTest {
  protected:
    const std::map<std::string, std::string>& SourceFiles() const override { return Files(); }

    void Run(const std::string& command) {
        const std::string shell =
            "cd '" + Source().string() + "' && " + command + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(shell.c_str()), 0) << command;
    }
    void ExpectEveryFile() {
        for (const auto& [name, contents] : Files()) {
            EXPECT_EQ(ReadWholeFile(Output(name)), contents) << name;
        }
    }
    std::string At(const std::string& name) const { return folder_ / name; }
};

TEST_F(LibarchiveTest, TarThroughEachCompressorGivesEveryFileLinkAndHardLink) {
    std::filesystem::create_symlink("a.txt", Source() / "link");
    std::filesystem::create_hard_link(Source() / "a.txt", Source() / "hard");
    for (const char* create : {"tar cf", "tar czf", "tar cjf", "tar cJf", "tar --zstd -cf"}) {
        SCOPED_TRACE(create);
        EmptyOutput();
        Run(std::string(create) + " '" + At("x.tar") + "' .");
        const auto result = ExtractArchiveAt(At("x.tar"));
        EXPECT_EQ(result.status, 0) << result.report;
        ExpectEveryFile();
        EXPECT_EQ(std::filesystem::read_symlink(Output("link")), "a.txt");
        EXPECT_EQ(ReadWholeFile(Output("hard")), "hello\n");
        std::filesystem::remove(At("x.tar"));
    }
}

// Names that leave the folder, a link out, a FIFO and a device are refused; a name twice
// is the later one; setuid is dropped; nothing lands outside.
TEST_F(LibarchiveTest, HostileTarEntriesAreRefusedAndTheRestLands) {
    const std::string script = R"(
import io, tarfile, sys
with tarfile.open(sys.argv[1], 'w') as tar:
    def add(name, data=b'', **fields):
        info = tarfile.TarInfo(name)
        info.size = len(data)
        for key, value in fields.items():
            setattr(info, key, value)
        tar.addfile(info, io.BytesIO(data))
    add('../escape.txt', b'x')
    add('/absolute.txt', b'x')
    add('out', type=tarfile.SYMTYPE, linkname='../../outside')
    add('fifo', type=tarfile.FIFOTYPE)
    add('device', type=tarfile.CHRTYPE, devmajor=1, devminor=3)
    add('twice.txt', b'first')
    add('twice.txt', b'second')
    add('setuid', b'program', mode=0o4755)
)";
    WriteWholeFile(At("make.py"), script);
    Run("python3 '" + At("make.py") + "' '" + At("hostile.tar") + "'");
    const auto result = ExtractArchiveAt(At("hostile.tar"));
    EXPECT_NE(result.status, 0);
    for (const char* refused : {"../escape.txt", "/absolute.txt", "out", "fifo", "device"}) {
        EXPECT_THAT(result.report, HasSubstr(std::string("Failed: ") + refused)) << result.report;
    }
    EXPECT_THAT(result.report, HasSubstr("a device or a FIFO"));
    EXPECT_EQ(ReadWholeFile(Output("twice.txt")), "second");
    EXPECT_EQ(std::filesystem::status(Output("setuid")).permissions() &
                  (std::filesystem::perms::set_uid | std::filesystem::perms::owner_exec),
              std::filesystem::perms::owner_exec);
    EXPECT_EQ(Tree(OutputFolder()), (std::set<std::string>{"setuid", "twice.txt"}));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "escape.txt"));
}

// A tarball still arriving, through each compressor: the files that came whole land,
// nothing partial does, and the archive fails as cut short, even when only the
// compressor's last bytes are missing and every file came whole.
TEST_F(LibarchiveTest, ACutTarballKeepsWhatCameWholeAndFails) {
    for (const char* create : {"tar czf", "tar cJf", "tar cjf", "tar --zstd -cf"}) {
        Run(std::string(create) + " '" + At("x.tar") + "' a.txt 資料 empty");
        const std::string whole = ReadWholeFile(At("x.tar"));
        std::filesystem::remove(At("x.tar"));
        for (const size_t cut : {whole.size() / 2, whole.size() - 4, size_t{30}}) {
            SCOPED_TRACE(std::string(create) + " cut at " + std::to_string(cut));
            EmptyOutput();
            const auto result = Extract(whole.substr(0, cut));
            EXPECT_NE(result.status, 0);
            EXPECT_THAT(result.report, HasSubstr("Failed: the archive is cut short"))
                << result.report;
            for (const auto& [name, contents] : Files()) {
                if (std::filesystem::exists(Output(name))) {
                    EXPECT_EQ(ReadWholeFile(Output(name)), contents) << name;
                }
            }
        }
    }
}

// LZH as jlha writes it, and names in CP932 at header levels 0, 1 and 2, one with a
// second byte that is "\" in ASCII.
TEST_F(LibarchiveTest, LzhLandsWithItsNamesInUtf8) {
    // jlha writes "?" for what its locale cannot spell: ASCII names for it.
    std::filesystem::create_directory(Source() / "text");
    std::filesystem::copy_file(Source() / "資料/本文.txt", Source() / "text/body.txt");
    Run("jlha a '" + At("x.lzh") + "' a.txt text/body.txt");
    auto result = ExtractArchiveAt(At("x.lzh"));
    EXPECT_EQ(result.status, 0) << result.report;
    EXPECT_EQ(ReadWholeFile(Output("a.txt")), "hello\n");
    EXPECT_EQ(ReadWholeFile(Output("text/body.txt")), Files().at("資料/本文.txt"));

    const std::vector<StoredFile> files = {{"\x93\xFA\x96\x7B\x8C\xEA.txt", "japanese"},  // 日本語
                                           {"\x95\x5C.txt", "table"}};                    // 表
    for (const int level : {0, 1, 2}) {
        SCOPED_TRACE(level);
        EmptyOutput();
        result = Extract(testformats::LzhArchive(files, level));
        EXPECT_EQ(result.status, 0) << result.report;
        EXPECT_EQ(ReadWholeFile(Output("日本語.txt")), "japanese");
        EXPECT_EQ(ReadWholeFile(Output("表.txt")), "table");
    }
}

TEST_F(LibarchiveTest, CabFromGcabGivesEveryFile) {
    for (const char* compress : {"", "-z"}) {
        SCOPED_TRACE(compress);
        EmptyOutput();
        Run(std::string("gcab -c ") + compress + " '" + At("x.cab") +
            "' a.txt empty 資料/本文.txt");
        const auto result = ExtractArchiveAt(At("x.cab"));
        EXPECT_EQ(result.status, 0) << result.report;
        EXPECT_EQ(ReadWholeFile(Output("a.txt")), "hello\n");
        EXPECT_EQ(ReadWholeFile(Output("資料/本文.txt")), Files().at("資料/本文.txt"));
        std::filesystem::remove(At("x.cab"));
    }
}

// RAR 4 and 5, alone and in three volumes named both ways; a set lacking a volume, or whose
// last says more follow, writes nothing; encrypted headers are said so.
TEST_F(LibarchiveTest, RarAloneAndInVolumes) {
    const std::vector<StoredFile> files = {{"a.txt", "hello\n"},
                                           {"資料/本文.txt", Files().at("資料/本文.txt")}};
    struct Row {
        RarVersion version;
        size_t volumes;
        std::vector<std::string> names;
    };
    for (const Row& row : {
             Row{RarVersion::Five, 1, {"x.rar"}},
             Row{RarVersion::Four, 1, {"x.rar"}},
             Row{RarVersion::Five, 3, {"x.part1.rar", "x.part2.rar", "x.part3.rar"}},
             Row{RarVersion::Four, 3, {"x.part01.rar", "x.part02.rar", "x.part03.rar"}},
             Row{RarVersion::Five, 3, {"x.rar", "x.r00", "x.r01"}},
         }) {
        SCOPED_TRACE(row.names.back());
        const auto write = [&](const testformats::RarOptions& options) {
            const auto volumes = testformats::RarArchive(files, options);
            for (size_t i = 0; i < volumes.size(); ++i) {
                WriteWholeFile(At(row.names[i]), volumes[i]);
            }
        };
        write({row.version, row.volumes});
        EmptyOutput();
        auto result = ExtractArchiveAt(At(row.names[0]));
        EXPECT_EQ(result.status, 0) << result.report;
        EXPECT_EQ(ReadWholeFile(Output("a.txt")), "hello\n");
        EXPECT_EQ(ReadWholeFile(Output("資料/本文.txt")), files[1].data);
        if (row.volumes > 1) {
            EXPECT_THAT(result.report, HasSubstr("Volumes: 3"));
            std::filesystem::remove(At(row.names[2]));
            EmptyOutput();
            result = ExtractArchiveAt(At(row.names[0]));
            EXPECT_NE(result.status, 0);
            EXPECT_THAT(result.report,
                        HasSubstr("volume of the archive is missing: " + row.names[2]));
            EXPECT_TRUE(Tree(OutputFolder()).empty());
        }
        write({row.version, row.volumes, false, true});
        EmptyOutput();
        result = ExtractArchiveAt(At(row.names[0]));
        EXPECT_NE(result.status, 0);
        EXPECT_THAT(result.report, HasSubstr("volume of the archive is missing"));
        EXPECT_TRUE(Tree(OutputFolder()).empty());

        write({row.version, row.volumes, true});
        EmptyOutput();
        result = ExtractArchiveAt(At(row.names[0]));
        EXPECT_NE(result.status, 0);
        EXPECT_THAT(result.report, HasSubstr("RAR archive is encrypted"));
        for (const std::string& name : row.names) {
            std::filesystem::remove(At(name));
        }
    }
}

}  // namespace
