// Archives made to harm: nothing may be written outside the output folder, nothing
// good may be lost, and a broken container writes nothing at all.
#include <unistd.h>

#include "ExtractionFixture.h"

using namespace testzip;
using ::testing::HasSubstr;

namespace {

struct RefusedName {
    const char* name;
    const char* reason;
};

void PrintTo(const RefusedName& row, std::ostream* out) {
    *out << row.name;
}

class RefusedNameTest : public ExtractionTest, public ::testing::WithParamInterface<RefusedName> {};

}  // namespace

TEST_P(RefusedNameTest, IsAFailedEntryAndWritesNothing) {
    auto result = Extract(Archive({File(GetParam().name, "payload"), File("good.txt", "fine")}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_THAT(result.report, HasSubstr(GetParam().reason));
    EXPECT_EQ(EverythingWritten(), (std::set<std::string>{"out/good.txt"}));
}

INSTANTIATE_TEST_SUITE_P(Names, RefusedNameTest,
                         ::testing::Values(RefusedName{"../escape.txt", "climbs out"},
                                           RefusedName{"a/../../escape.txt", "climbs out"},
                                           RefusedName{"..\\escape.txt", "climbs out"},
                                           RefusedName{"a\\..\\..\\escape.txt", "climbs out"},
                                           RefusedName{"/tmp/absolute.txt", "absolute"},
                                           RefusedName{"\\absolute.txt", "absolute"},
                                           RefusedName{"C:\\escape.txt", "drive letter"},
                                           RefusedName{"c:escape.txt", "drive letter"},
                                           RefusedName{"bell\a.txt", "control character"},
                                           RefusedName{"./.", "no file name"}));

TEST_F(ExtractionTest, ANulInsideANameIsRefused) {
    auto result = Extract(Archive({File(std::string("safe.txt\0../../x", 16), "payload")}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_TRUE(EverythingWritten().empty());
}

TEST_F(ExtractionTest, LinksThatPointOutsideAreRefused) {
    auto result = Extract(Archive(
        {Link("abs", "/etc/passwd"), Link("up", "../outside"), Link("a/deep", "../../outside"),
         // each alone stays inside, but chained they climb out
         Link("a/l1", ".."), Link("a/l2", "l1/.."), Link("back", "a\\..\\..\\x")}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_EQ(EverythingWritten(), (std::set<std::string>{"out/a/", "out/a/l1"}));
}

TEST_F(ExtractionTest, NoFileIsWrittenThroughALinkOfTheArchive) {
    auto result = Extract(Archive({Link("door", "."), File("door/../../x.txt", "no"),
                                   File("door/inside.txt", "through the link")}));
    EXPECT_EQ(result.status, 1) << result.report;
    // Files go first, so "door" is a real folder by the time the link comes, and the
    // link fails instead of being followed.
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::symlink_status(Output("door"))));
    EXPECT_EQ(ReadWholeFile(Output("door/inside.txt")), "through the link");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "x.txt"));
}

TEST_F(ExtractionTest, AnExistingLinkInTheOutputFolderIsNeverFollowed) {
    const std::string outside = folder_ / "outside";
    std::filesystem::create_directory(outside);
    WriteWholeFile(outside + "/victim.txt", "precious");
    std::filesystem::create_directory_symlink(outside, Output("planted"));
    std::filesystem::create_symlink(outside + "/victim.txt", Output("file-link"));
    auto result = Extract(
        Archive({File("planted/victim.txt", "overwritten"), File("planted/new.txt", "created"),
                 File("file-link", "replaces the link, not its target")}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_THAT(result.report, HasSubstr("symbolic link"));
    EXPECT_EQ(ReadWholeFile(outside + "/victim.txt"), "precious");
    EXPECT_FALSE(std::filesystem::exists(outside + "/new.txt"));
    EXPECT_FALSE(std::filesystem::is_symlink(Output("file-link")));
    EXPECT_EQ(ReadWholeFile(Output("file-link")), "replaces the link, not its target");
}

TEST_F(ExtractionTest, EntriesThatShareBytesFailTheWholeArchive) {
    // The second entry's local header lies inside the first entry's stored data, listed
    // in the order of the file and the other way round.
    Entry inner = File("inner.txt", "hidden inside the outer entry", kStored);
    Entry outer = File("outer.bin", Writer::LocalRecord(inner), kStored);
    for (const bool innerListedFirst : {false, true}) {
        Writer writer;
        writer.AddLocal(outer);
        if (innerListedFirst) {
            writer.AddCentral(inner, 30 + outer.name.size());
        }
        writer.AddCentral(outer, 0);
        if (!innerListedFirst) {
            writer.AddCentral(inner, 30 + outer.name.size());
        }
        auto result = Extract(writer.Finish());
        EXPECT_EQ(result.status, 2) << result.report;
        EXPECT_THAT(result.report, HasSubstr("overlap"));
        EXPECT_TRUE(EverythingWritten().empty());
    }
}

TEST_F(ExtractionTest, EntriesListedOutOfTheFilesOrderExtract) {
    const Entry first = File("first.txt", "stands first in the file");
    const Entry second = File("second.txt", "is listed first");
    Writer writer;
    const uint64_t firstAt = writer.AddLocal(first);
    const uint64_t secondAt = writer.AddLocal(second);
    writer.AddCentral(second, secondAt);
    writer.AddCentral(first, firstAt);
    auto result = Extract(writer.Finish());
    EXPECT_EQ(result.status, 0) << result.report;
    EXPECT_EQ(ReadWholeFile(Output("first.txt")), "stands first in the file");
    EXPECT_EQ(ReadWholeFile(Output("second.txt")), "is listed first");
}

TEST_F(ExtractionTest, TheSameEntryListedTwiceFailsTheWholeArchive) {
    Entry entry = File("twice.txt", "claimed twice");
    Writer writer;
    writer.AddLocal(entry);
    writer.AddCentral(entry, 0);
    writer.AddCentral(entry, 0);
    auto result = Extract(writer.Finish());
    EXPECT_EQ(result.status, 2) << result.report;
    EXPECT_TRUE(EverythingWritten().empty());
}

TEST_F(ExtractionTest, LocalAndCentralHeadersThatDisagreeFailTheWholeArchive) {
    Entry honest = File("honest.txt", "fine");
    Entry disguised = File("harmless.txt", "payload");
    disguised.localName = "../../evil.txt";
    auto result = Extract(Archive({honest, disguised}));
    EXPECT_EQ(result.status, 2) << result.report;
    EXPECT_TRUE(EverythingWritten().empty());
}

// What only differs in form is the same: "\\" for "/" in the local name, the UTF-8 flag
// over ASCII names, the descriptor's and deflate's speed bits. Anything that can change
// what is read still fails the archive.
TEST_F(ExtractionTest, LocalHeadersThatDifferOnlyInFormAgree) {
    struct Row {
        const char* what;
        const char* localName;
        uint16_t localFlags;
        int status;
    };
    for (const Row& row : {
             Row{"backslashes", "test\\Hello.txt", 0x0002, 0},
             Row{"UTF-8 flag, descriptor and speed bits", "test/Hello.txt", 0x0804, 0},
             Row{"UTF-8 flag over a name that is not ASCII", "test/H\xC3\xA9llo.txt", 0x0802, 2},
             Row{"another name", "test/Hello.txz", 0x0002, 2},
             Row{"encryption", "test/Hello.txt", 0x0003, 2},
         }) {
        SCOPED_TRACE(row.what);
        Entry entry = File(std::string(row.localName).find('\xC3') != std::string::npos
                               ? "test/H\xC3\xA9llo.txt"
                               : "test/Hello.txt",
                           "hello");
        entry.flags = 0x0002;
        entry.localName = row.localName;
        entry.localFlags = row.localFlags;
        std::filesystem::remove_all(OutputFolder());
        std::filesystem::create_directory(OutputFolder());
        const auto result = Extract(Archive({entry}));
        EXPECT_EQ(result.status, row.status) << result.report;
        EXPECT_EQ(std::filesystem::exists(Output(entry.name)), row.status == 0);
    }
}

TEST_F(ExtractionTest, ANameThatComesTwiceFailsItsSecondEntry) {
    auto result = Extract(Archive({File("a/b.txt", "first"), File("a/./b.txt", "second"),
                                   File("a//b.txt", "third"), File("a/b.txt/", "")}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_THAT(result.report, HasSubstr("a/./b.txt: the name comes twice"));
    EXPECT_EQ(ReadWholeFile(Output("a/b.txt")), "first");
}

TEST_F(ExtractionTest, SizesAreCountedOnTheBytesProduced) {
    Entry longer = File("longer.bin", std::string(100000, 'x'));
    longer.declaredSize = 1000;
    Entry shorter = File("shorter.bin", "short");
    shorter.declaredSize = 100;
    Entry storedLonger = File("stored.bin", "abcdef", kStored);
    storedLonger.declaredSize = 3;
    WriteWholeFile(Output("longer.bin"), "old");
    auto result = Extract(Archive({longer, shorter, storedLonger, File("ok.txt", "ok")}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_THAT(result.report, HasSubstr("longer.bin: the entry produces more bytes"));
    EXPECT_THAT(result.report, HasSubstr("shorter.bin: the entry produces fewer bytes"));
    EXPECT_EQ(EverythingWritten(), (std::set<std::string>{"out/longer.bin", "out/ok.txt"}));
    EXPECT_EQ(ReadWholeFile(Output("longer.bin")), "old");
}

TEST_F(ExtractionTest, ACrcMismatchLeavesTheGoodFileInPlace) {
    WriteWholeFile(Output("data.txt"), "the good version");
    Entry corrupt = File("data.txt", "the corrupt version");
    corrupt.declaredCrc = Crc32(corrupt.data) ^ 1;
    auto result = Extract(Archive({corrupt}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_THAT(result.report, HasSubstr("CRC-32 mismatch"));
    EXPECT_EQ(ReadWholeFile(Output("data.txt")), "the good version");
    EXPECT_EQ(Tree(OutputFolder()), (std::set<std::string>{"data.txt"}));
}

TEST_F(ExtractionTest, ALargeEntryThatFailsLateLeavesTheGoodFileAndNoTemporary) {
    WriteWholeFile(Output("large.bin"), "the good version");
    Entry corrupt = File("large.bin", std::string(20 * 1024 * 1024, 'L'), kStored);
    corrupt.declaredCrc = 0;
    auto result = Extract(Archive({corrupt}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_EQ(ReadWholeFile(Output("large.bin")), "the good version");
    EXPECT_EQ(Tree(OutputFolder()), (std::set<std::string>{"large.bin"}));
}

TEST_F(ExtractionTest, EncryptedAndUnknownMethodsFailBeforeAnyFileIsCreated) {
    WriteWholeFile(Output("secret.txt"), "kept");
    Entry encrypted = File("secret.txt", "ciphertext", kStored);
    encrypted.flags = 0x0041;
    Entry masked = File("masked.txt", "ciphertext", kStored);
    masked.flags = 0x2001;
    Entry unknown = File("unknown.bin", "ppmd data", kStored);
    unknown.method = 98;
    auto result = Extract(Archive({encrypted, masked, unknown, File("plain.txt", "plain")}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_THAT(result.report, HasSubstr("secret.txt: the entry uses strong encryption"));
    EXPECT_THAT(result.report,
                HasSubstr("masked.txt: the archive's central directory is encrypted"));
    EXPECT_THAT(result.report, HasSubstr("unknown.bin: unsupported compression method: 98"));
    EXPECT_EQ(ReadWholeFile(Output("secret.txt")), "kept");
    EXPECT_EQ(EverythingWritten(), (std::set<std::string>{"out/secret.txt", "out/plain.txt"}));
}

TEST_F(ExtractionTest, DamagedDeflateDataFailsItsEntry) {
    Entry damaged = File("damaged.bin", std::string(50000, 'q'));
    damaged.compressedOverride = std::string("\xff\xff\xff\xff garbage", 12);
    auto result = Extract(Archive({damaged}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_TRUE(EverythingWritten().empty());
}

namespace {

struct BrokenContainer {
    const char* what;
    std::string bytes;
};

class BrokenContainerTest : public ExtractionTest,
                            public ::testing::WithParamInterface<BrokenContainer> {};

std::string CutInsideItsFirstEntry() {
    const std::string whole = Archive({File("a.txt", std::string(5000, 'a')), File("b.txt", "b")});
    return whole.substr(0, 40);
}

}  // namespace

TEST_P(BrokenContainerTest, FailsWithoutWritingAnything) {
    auto result = Extract(GetParam().bytes);
    EXPECT_EQ(result.status, 2) << result.report;
    EXPECT_TRUE(EverythingWritten().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Containers, BrokenContainerTest,
    ::testing::Values(BrokenContainer{"zero bytes", ""},
                      BrokenContainer{"not a zip", "This is a text file, not an archive.\n"},
                      BrokenContainer{"cut inside its first entry", CutInsideItsFirstEntry()}),
    [](const auto& info) {
        std::string name = info.param.what;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST_F(ExtractionTest, AFolderNamedLikeAnArchiveFails) {
    std::filesystem::create_directory(folder_ / "folder.zip");
    auto result =
        RunCommandLine("x -r -hide -aoa -y " + QuoteForCommandLine(folder_ / "folder.zip") + " -o" +
                       QuoteForCommandLine(OutputFolder()));
    EXPECT_EQ(result.status, 2);
    EXPECT_THAT(result.report, HasSubstr("not a regular file"));
}
