// Archives as the common tools write them extract completely, exactly, with their
// paths, modes and times.
#include <sys/stat.h>

#include <chrono>
#include <random>

#include "ExtractionFixture.h"
#include "Utf8.h"

using namespace testzip;
using ::testing::HasSubstr;

namespace {

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator() % 7 == 0 ? generator() : 'a' + generator() % 4);
    }
    return bytes;
}

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

int64_t ModificationTimeOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mtim.tv_sec;
}

}  // namespace

TEST_F(ExtractionTest, StoredDeflatedAndBzip2EntriesExtractWithTheirFolders) {
    // Large enough to be written in the background while it is decoded.
    const std::string big = RandomBytes(9 * 1024 * 1024 + 17, 1);
    auto result = Extract(Archive({
        Folder("docs/"),
        File("docs/readme.txt", "hello\n", kStored),
        File("docs/deep/er/data.bin", big, kDeflate),
        File("compressed.txt", std::string(100000, 'z'), kBzip2),
        File("empty", "", kDeflate),
    }));
    EXPECT_EQ(result.status, 0) << result.report;
    EXPECT_THAT(result.report, HasSubstr("Extracted 4 files, 1 folders, 0 links; 0 failed."));
    EXPECT_EQ(Tree(OutputFolder()),
              (std::set<std::string>{"docs/", "docs/readme.txt", "docs/deep/", "docs/deep/er/",
                                     "docs/deep/er/data.bin", "compressed.txt", "empty"}));
    EXPECT_EQ(ReadWholeFile(Output("docs/readme.txt")), "hello\n");
    EXPECT_EQ(ReadWholeFile(Output("docs/deep/er/data.bin")), big);
    EXPECT_EQ(ReadWholeFile(Output("compressed.txt")), std::string(100000, 'z'));
    EXPECT_EQ(ReadWholeFile(Output("empty")), "");
}

TEST_F(ExtractionTest, ExistingFilesAreOverwrittenWithoutAsking) {
    WriteWholeFile(Output("a.txt"), "old contents that are longer than the new ones");
    auto result = Extract(Archive({File("a.txt", "new")}));
    EXPECT_EQ(result.status, 0) << result.report;
    EXPECT_EQ(ReadWholeFile(Output("a.txt")), "new");
    EXPECT_EQ(Tree(OutputFolder()), (std::set<std::string>{"a.txt"}));
}

TEST_F(ExtractionTest, ModesFollowTheArchiveAndTheUmask) {
    Entry script = File("run.sh", "#!/bin/sh\n");
    script.externalAttributes = 0104775u << 16;  // setuid and group-writable asked for
    Entry plain = File("plain.txt", "x");
    plain.externalAttributes = 0100666u << 16;
    Entry fromDos = File("dos.txt", "x");
    fromDos.madeBy = 20;  // MS-DOS: no Unix mode at all
    fromDos.externalAttributes = 0x20;
    const mode_t previous = ::umask(027);
    auto result = Extract(Archive({script, plain, fromDos, Folder("sub/")}));
    ::umask(previous);
    EXPECT_EQ(result.status, 0) << result.report;
    EXPECT_EQ(ModeOf(Output("run.sh")), 0750u);
    EXPECT_EQ(ModeOf(Output("plain.txt")), 0640u);
    EXPECT_EQ(ModeOf(Output("dos.txt")), 0640u);
    EXPECT_EQ(ModeOf(Output("sub")), 0750u);
}

TEST_F(ExtractionTest, ModificationTimesComeFromTheExtendedTimestampOrTheDosTime) {
    Entry stamped = File("stamped.txt", "x");
    stamped.extraFields = TimestampExtra(1700000000);
    Entry dated = File("dated.txt", "x");
    dated.dosDate = static_cast<uint16_t>((2020 - 1980) << 9 | 6 << 5 | 15);
    dated.dosTime = static_cast<uint16_t>(13 << 11 | 45 << 5 | 10 / 2);
    auto result = Extract(Archive({stamped, dated}));
    EXPECT_EQ(result.status, 0) << result.report;
    EXPECT_EQ(ModificationTimeOf(Output("stamped.txt")), 1700000000);
    std::tm local{};
    local.tm_year = 120;
    local.tm_mon = 5;
    local.tm_mday = 15;
    local.tm_hour = 13;
    local.tm_min = 45;
    local.tm_sec = 10;
    local.tm_isdst = -1;
    EXPECT_EQ(ModificationTimeOf(Output("dated.txt")), std::mktime(&local));
}

TEST_F(ExtractionTest, Zip64AndDataDescriptorsAreRead) {
    Entry wide = File("wide.bin", RandomBytes(70000, 2));
    wide.zip64 = true;
    Entry described = File("described.txt", "sizes come after the data");
    described.dataDescriptor = true;
    auto result = Extract(Archive({wide, described}));
    EXPECT_EQ(result.status, 0) << result.report;
    EXPECT_EQ(ReadWholeFile(Output("wide.bin")), wide.data);
    EXPECT_EQ(ReadWholeFile(Output("described.txt")), described.data);
}

namespace {

Entry Flagged(Entry entry) {
    entry.flags |= 0x0800;
    return entry;
}

// ガイド/プログラム.txt as macOS writes it: each voiced kana a base and a combining mark.
const std::string kGuideDecomposed = "カ\u3099イト\u3099";
const std::string kProgramDecomposed = "フ\u309Aロク\u3099ラム.txt";

struct NamesCase {
    const char* what;
    std::vector<Entry> entries;
    std::vector<std::string> landsAs;  // by entry
};

}  // namespace

TEST_F(ExtractionTest, NamesAreDecodedInTheArchivesOneEncodingAndComposed) {
    Entry withField = File("\x82\xa0.txt", "");
    withField.extraFields = UnicodePathExtra(withField.name, "\xE3\x81\x82-field.txt");
    const std::vector<NamesCase> cases = {
        {"flagged, a Unicode field, and CP932 whose trail byte is a backslash",
         {File("\x83\x65\x83\x58\x83\x67\\\x93\xfa\x96\x7b\x8c\xea.txt", ""),
          Flagged(File("\xE8\xA7\xA3\xE5\x87\x8D.txt", "")), withField,
          File("\x83\x5C\x83\x74\x83\x67.txt", "")},
         {"テスト/日本語.txt", "解凍.txt", "あ-field.txt", "ソフト.txt"}},
        {"unflagged UTF-8 throughout",
         {File("caf\xC3\xA9.txt", ""), File("\xE6\x97\xA5\xE6\x9C\xAC.txt", "")},
         {"café.txt", "日本.txt"}},
        {"CP932 of which one name is valid UTF-8 too",
         {File("\x8E\x91\x97\xBF/\x95\xF1\x8D\x90\x8F\x91.txt", ""),
          File("\xC3\xDE\xB0\xC0.csv", ""), File("\xC5\xB6\xDE\xB2.txt", "")},
         {"資料/報告書.txt", "ﾃﾞｰﾀ.csv", "ﾅｶﾞｲ.txt"}},
        {"neither UTF-8 nor CP932: IBM437 for all, a lying flag for itself",
         {File("caf\x82 na\x8Bve.txt", ""), File("\x83\x65\x83\x58\x83\x67.txt", ""),
          Flagged(File("\x83\x65\x83\x58\x83\x67-flag.txt", ""))},
         {"café naïve.txt", "âeâXâg.txt", "テスト-flag.txt"}},
        {"Russian in CP866, one name ASCII",
         {File("\x8F\xE0\xA8\xA2\xA5\xE2/\x84\xAE\xAA\xE3\xAC\xA5\xAD\xE2.txt", ""),
          File("\xAE\xE2\xE7\xF1\xE2 \xA7\xA0 \xAC\xA0\xE0\xE2.txt", ""), File("plan.txt", "")},
         {"Привет/Документ.txt", "отчёт за март.txt", "plan.txt"}},
        {"Chinese in GBK, one name that CP932 reads as half-width katakana",
         {File("\xD6\xD0\xCE\xC4.txt", ""), File("\xCE\xC4\xBC\xFE\xCB\xB5\xC3\xF7.txt", "")},
         {"中文.txt", "文件说明.txt"}},
        {"French and German in CP1252",
         {File("fran\xE7" "ais \xE9t\xE9.txt", ""), File("Gr\xF6\xDF" "e.txt", "")},
         {"français été.txt", "Größe.txt"}},
        {"decomposed, flagged and not",
         {Flagged(File(kGuideDecomposed + "/" + kProgramDecomposed, "")),
          File(kProgramDecomposed, "")},
         {"ガイド/プログラム.txt", "プログラム.txt"}},
        {"forms mixed within a path",
         {Flagged(File(kGuideDecomposed + "/a.txt", "")),
          Flagged(File("ガイド/" + kProgramDecomposed, ""))},
         {"ガイド/a.txt", "ガイド/プログラム.txt"}},
        {"a compatibility ideograph keeps its shape",
         {Flagged(File("\uFA10.txt", ""))},
         {"\uFA10.txt"}},
    };
    for (const NamesCase& names : cases) {
        SCOPED_TRACE(names.what);
        std::filesystem::remove_all(OutputFolder());
        std::filesystem::create_directory(OutputFolder());
        std::vector<Entry> entries = names.entries;
        for (size_t i = 0; i < entries.size(); ++i) {
            entries[i].data = names.landsAs[i];
        }
        const auto result = Extract(Archive(entries));
        EXPECT_EQ(result.status, 0) << result.report;
        for (const std::string& name : names.landsAs) {
            EXPECT_EQ(ReadWholeFile(Output(name)), name);
        }
    }
}

TEST_F(ExtractionTest, NamesThatComeTwiceInAnotherFormKeepTheFirst) {
    const auto result = Extract(Archive({
        Flagged(File("ガ.txt", "composed")),
        Flagged(File("カ\u3099.txt", "decomposed")),
        Flagged(File(kGuideDecomposed + "/a.txt", "first")),
        Flagged(File("ガイド/a.txt", "second")),
        Flagged(File(kGuideDecomposed + "/a.txt", "third")),
    }));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(ReadWholeFile(Output("ガ.txt")), "composed");
    EXPECT_EQ(ReadWholeFile(Output("ガイド/a.txt")), "first");
    const char* const inAnotherForm =
        "the name comes twice in the archive, differing only in its Unicode form\n";
    EXPECT_THAT(result.report, HasSubstr("Failed: ガ.txt: " + std::string(inAnotherForm)));
    EXPECT_THAT(result.report, HasSubstr("Failed: ガイド/a.txt: " + std::string(inAnotherForm)));
    EXPECT_THAT(result.report, HasSubstr("Failed: ガイド/a.txt: the name comes twice in the "
                                         "archive\n"));
}

TEST_F(ExtractionTest, ManyFilesAcrossFoldersAllArriveIntact) {
    std::vector<Entry> entries;
    for (int i = 0; i < 600; ++i) {
        std::string name = "f";
        name += std::to_string(i % 13);
        name += "/n";
        name += std::to_string(i);
        entries.push_back(File(name, RandomBytes(static_cast<size_t>(i * 37 % 5000), i),
                               i % 3 == 0 ? kStored : kDeflate));
    }
    auto result = Extract(Archive(entries));
    EXPECT_EQ(result.status, 0) << result.report;
    for (const Entry& entry : entries) {
        ASSERT_EQ(ReadWholeFile(Output(entry.name)), entry.data) << entry.name;
    }
    EXPECT_EQ(Tree(OutputFolder()).size(), 600u + 13u) << "no temporary file may stay";
}

TEST_F(ExtractionTest, LinksThatStayInsideAreCreated) {
    auto result =
        Extract(Archive({File("lib/real.so", "elf"), Link("lib/alias.so", "real.so"),
                         Link("top", "lib/../lib"), Link("lib/up", "../lib/real.so"),
                         Flagged(File(kGuideDecomposed, "")), Link("guide", kGuideDecomposed)}));
    // "lib/../lib" climbs after descending and is refused; the others stay inside.
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_EQ(std::filesystem::read_symlink(Output("lib/alias.so")), "real.so");
    EXPECT_EQ(std::filesystem::read_symlink(Output("lib/up")), "../lib/real.so");
    EXPECT_EQ(std::filesystem::read_symlink(Output("guide")), "ガイド");  // composed as names are
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(Output("top"))));
}

TEST_F(ExtractionTest, AnArchiveWithNoEntriesSucceedsAndWritesNothing) {
    auto result = Extract(Archive({}));
    EXPECT_EQ(result.status, 0) << result.report;
    EXPECT_TRUE(EverythingWritten().empty());
}

TEST_F(ExtractionTest, QuotesAndSpacesInBothPathsArePassedThrough) {
    const std::string folder = folder_ / "say \"cheese\" here";
    std::filesystem::create_directory(folder);
    const std::string archive = folder + "/my \"best\" archive.zip";
    WriteWholeFile(archive, Archive({File("inside.txt", "ok")}));
    auto result = RunCommandLine("x -r -hide -aoa -y " + QuoteForCommandLine(archive) + " -o" +
                                 QuoteForCommandLine(folder + "/"));
    EXPECT_EQ(result.status, 0) << result.report;
    EXPECT_EQ(ReadWholeFile(folder + "/inside.txt"), "ok");
}

TEST_F(ExtractionTest, TheReportFitsAnyBufferAndIsZeroTerminated) {
    std::vector<Entry> entries;
    for (int i = 0; i < 50; ++i) {
        Entry broken = File("broken-entry-with-a-long-name-" + std::to_string(i), "data");
        broken.declaredCrc = 1;
        entries.push_back(broken);
    }
    WriteWholeFile(ArchivePath(), Archive(entries));
    const std::string commandLine = "x -r -hide -aoa -y " + QuoteForCommandLine(ArchivePath()) +
                                    " -o" + QuoteForCommandLine(OutputFolder());
    for (unsigned size : {0u, 1u, 2u, 7u, 64u, 333u}) {
        auto result = RunCommandLine(commandLine, size);
        EXPECT_EQ(result.status, 1);
        EXPECT_LT(result.report.size(), std::max(size, 1u));
    }
    auto full = RunCommandLine(commandLine, 8192);
    EXPECT_THAT(full.report, HasSubstr("broken-entry-with-a-long-name-49: CRC-32 mismatch"));
    auto cut = RunCommandLine(commandLine, 333);
    EXPECT_THAT(cut.report, ::testing::EndsWith("...\n"));
}

TEST_F(ExtractionTest, AnyNameDecodesAndTheReportStaysOneValidLinePerFact) {
    Entry western = File("caf\x82 na\x8Bve.txt", "IBM437");  // not CP932 either
    Entry lyingFlag = File("\x83\x65\x83\x58\x83\x67.txt", "flagged UTF-8, but CP932");
    lyingFlag.flags = 0x0800;
    Entry forged = File("x.txt\nFailed: everything", "a name that forges a report line");
    auto result = Extract(Archive({western, lyingFlag, forged}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_EQ(ReadWholeFile(Output("café naïve.txt")), "IBM437");
    EXPECT_EQ(ReadWholeFile(Output("テスト.txt")), "flagged UTF-8, but CP932");
    EXPECT_THAT(
        result.report,
        HasSubstr("Failed: x.txt\\x0AFailed: everything: the name holds a control character\n"));
    EXPECT_EQ(std::count(result.report.begin(), result.report.end(), '\n'), 3);
    EXPECT_TRUE(sevenzip32::IsValidUtf8(result.report));
}

// Windows writers mark some folders by their DOS attribute alone, with no trailing slash.
TEST_F(ExtractionTest, AnEntryMarkedAFolderTheDosWayIsAFolder) {
    Entry folder = File("dosfolder", "", kStored);
    folder.madeBy = 0 << 8 | 20;  // MS-DOS
    folder.externalAttributes = 0x10;
    const auto result = Extract(Archive({folder, File("dosfolder/in.txt", "inside")}));
    EXPECT_EQ(result.status, 0) << result.report;
    EXPECT_EQ(ReadWholeFile(Output("dosfolder/in.txt")), "inside");
}

// A folder made only for entries that all failed goes again; one the archive names, one
// that was there before and one that holds anything stay.
TEST_F(ExtractionTest, FailuresLeaveNoEmptyFolderBehind) {
    Entry locked = File("報告書/sub/locked.txt", "needs a password");
    locked.flags = 1;  // encrypted, with no password listed
    locked.compressedOverride = std::string(20, 'x');
    Entry damaged = File("報告書/damaged.txt", "damaged");
    damaged.declaredCrc = 1;
    Entry alsoDamaged = damaged;
    alsoDamaged.name = "kept/damaged.txt";
    Entry inMine = damaged;
    inMine.name = "mine/damaged.txt";
    Entry beside = damaged;
    beside.name = "ok/damaged.txt";
    std::filesystem::create_directory(Output("mine"));
    const auto result = Extract(Archive({locked, damaged, Folder("kept/"), alsoDamaged, inMine,
                                         beside, File("ok/good.txt", "good")}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_EQ(Tree(OutputFolder()),
              (std::set<std::string>{"kept/", "mine/", "ok/", "ok/good.txt"}));
}
