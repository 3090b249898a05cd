// Archives as they arrive from the wild: a comment that holds an end record of its own,
// and a download cut short, whose whole entries come out while the call still fails and
// nothing partial is ever put in place.
#include <sys/stat.h>

#include "ExtractionFixture.h"

using namespace testzip;
using ::testing::HasSubstr;

namespace {

const std::string kEndSignature("PK\x05\x06", 4);

std::vector<Entry> TwoFiles() {
    return {File("a.txt", "alpha"), File("b.txt", "beta, a little longer")};
}

// The archive with comment as its end record's comment.
std::string WithComment(std::string archive, const std::string& comment) {
    Patch16(archive, archive.size() - 2, static_cast<uint16_t>(comment.size()));
    return archive + comment;
}

// An end record naming the first entries' central headers of archive, as a comment may
// hold one: count entries in size bytes at the real directory's offset.
std::string EndRecordNaming(const std::string& archive, uint16_t count, uint32_t size) {
    std::string record = archive.substr(archive.rfind(kEndSignature), 22);
    Patch16(record, 8, count);
    Patch16(record, 10, count);
    Patch32(record, 12, size);
    return record;
}

struct EndRecordCase {
    const char* what;
    std::string bytes;
    int status;  // 0: both files come out; 2: nothing is written
    const char* reason;
};

std::vector<EndRecordCase> EndRecordCases() {
    const std::string plain = Archive(TwoFiles());
    const size_t firstCentralSize = 46 + 5;  // "a.txt", no extra fields
    const std::string namingOne = EndRecordNaming(plain, 1, firstCentralSize);
    std::string namingNothing = plain;
    const size_t end = namingNothing.rfind(kEndSignature);
    Patch16(namingNothing, end + 8, 0);
    Patch16(namingNothing, end + 10, 0);
    Patch32(namingNothing, end + 12, 0);
    Patch32(namingNothing, end + 16, static_cast<uint32_t>(end));
    return {
        {"a comment ending in an empty end record",
         WithComment(plain, kEndSignature + std::string(18, '\0')), 0, ""},
        {"a comment holding an end record, then more comment",
         WithComment(plain, namingOne + "and more of the comment"), 0, ""},
        {"a comment ending in an end record of another directory", WithComment(plain, namingOne), 2,
         "two end records that name two directories"},
        {"an empty directory in a file that begins with entries", namingNothing, 2,
         "names no entries, yet the archive holds some"},
    };
}

// The archive and where each entry's local record begins; the last offset is where the
// central directory does.
struct Laid {
    std::string bytes;
    std::vector<size_t> starts;
};

Laid LaidOut(const std::vector<Entry>& entries) {
    Laid laid{Archive(entries), {}};
    size_t at = 0;
    for (const Entry& entry : entries) {
        laid.starts.push_back(at);
        at += Writer::LocalRecord(entry).size();
    }
    laid.starts.push_back(at);
    return laid;
}

std::vector<Entry> FiveEntries() {
    Entry described = File("docs/described.txt", std::string(3000, 'd'));
    described.dataDescriptor = true;
    Entry big = File("big.bin", std::string(20000, 'b'), kStored);
    return {File("a.txt", "first"), described, big, Folder("empty/"),
            File("last.txt", "the last one")};
}

}  // namespace

TEST_F(ExtractionTest, TheEndRecordIsTheOneWhoseDirectoryIsThere) {
    for (const EndRecordCase& c : EndRecordCases()) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(OutputFolder());
        std::filesystem::create_directory(OutputFolder());
        const auto result = Extract(c.bytes);
        EXPECT_EQ(result.status, c.status) << result.report;
        EXPECT_THAT(result.report, HasSubstr(c.reason));
        if (c.status == 0) {
            EXPECT_EQ(ReadWholeFile(Output("a.txt")), "alpha");
            EXPECT_EQ(ReadWholeFile(Output("b.txt")), "beta, a little longer");
        } else {
            EXPECT_TRUE(EverythingWritten().empty());
        }
    }
}

// Cut inside a local header, inside data, inside a data descriptor, right before the
// directory and inside it: every entry before the cut comes out, none after it, and
// nothing of the entry it cuts.
TEST_F(ExtractionTest, ADownloadCutShortGivesItsWholeEntriesAndFails) {
    const std::vector<Entry> entries = FiveEntries();
    const Laid laid = LaidOut(entries);
    const size_t describedDataEnd = laid.starts[2] - 16;
    struct Cut {
        const char* where;
        size_t length;
        size_t whole;
    };
    for (const Cut& cut : {Cut{"inside the first header", 12, 0},
                           Cut{"inside the third header", laid.starts[2] + 20, 2},
                           Cut{"inside the data", laid.starts[2] + 5000, 2},
                           Cut{"inside a data descriptor", describedDataEnd + 9, 1},
                           Cut{"before the directory", laid.starts[5], 5},
                           Cut{"inside the directory", laid.starts[5] + 60, 5}}) {
        SCOPED_TRACE(cut.where);
        std::filesystem::remove_all(OutputFolder());
        std::filesystem::create_directory(OutputFolder());
        const auto result = Extract(laid.bytes.substr(0, cut.length));
        EXPECT_EQ(result.status, cut.whole == 0 ? 2 : 1) << result.report;
        EXPECT_THAT(result.report, HasSubstr("Failed: the archive is cut short: " +
                                             std::to_string(cut.whole) + " whole entr"));
        std::set<std::string> expected;
        for (size_t i = 0; i < cut.whole; ++i) {
            const std::string& name = entries[i].name;
            expected.insert("out/" + name);
            if (name.find('/') != std::string::npos && name.back() != '/') {
                expected.insert("out/" + name.substr(0, name.find('/') + 1));
            }
            if (name.back() != '/') {
                EXPECT_EQ(ReadWholeFile(Output(name)), entries[i].data) << name;
            }
        }
        EXPECT_EQ(EverythingWritten(), expected);
    }
}

// A download still arriving is extracted again as it grows: what an earlier pass put
// in place is found in place, not written again, and the whole archive then succeeds.
TEST_F(ExtractionTest, WhatArrivedIsNotWrittenAgainWhenTheRestArrives) {
    const Laid laid = LaidOut(FiveEntries());
    EXPECT_EQ(Extract(laid.bytes.substr(0, laid.starts[3] + 10)).status, 1);
    struct stat before {};
    ASSERT_EQ(::stat(Output("big.bin").c_str(), &before), 0);
    const auto whole = Extract(laid.bytes);
    EXPECT_EQ(whole.status, 0) << whole.report;
    EXPECT_THAT(whole.report, HasSubstr("(3 already in place)"));
    struct stat after {};
    ASSERT_EQ(::stat(Output("big.bin").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(ReadWholeFile(Output("last.txt")), "the last one");
}

// As the common tools write them, cut where downloads break.
TEST_F(ExtractionTest, ArchivesOfTheCommonToolsCutShortGiveWhatArrived) {
    const auto source = folder_.Path() / "source";
    std::filesystem::create_directories(source);
    for (int i = 0; i < 20; ++i) {
        std::string data(3000 * (i + 1), '\0');
        for (size_t j = 0; j < data.size(); ++j) {
            data[j] = static_cast<char>((j * 2654435761u + i) >> 11);
        }
        WriteWholeFile(source / ("f" + std::to_string(i) + ".bin"), data);
    }
    for (const std::string tool : {"zip -qr", "7zz a -tzip -bd -bso0"}) {
        SCOPED_TRACE(tool);
        const std::string made = folder_ / "made.zip";
        std::filesystem::remove(made);
        const std::string command = "cd '" + source.string() + "' && " + tool + " '" + made + "' .";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const std::string whole = ReadWholeFile(made);
        for (const double share : {0.3, 0.7, 0.99}) {
            std::filesystem::remove_all(OutputFolder());
            std::filesystem::create_directory(OutputFolder());
            const auto result = Extract(
                whole.substr(0, static_cast<size_t>(static_cast<double>(whole.size()) * share)));
            EXPECT_EQ(result.status, 1) << result.report;
            EXPECT_THAT(result.report, HasSubstr("cut short"));
            const auto written = Tree(OutputFolder());
            EXPECT_GE(written.size(), share < 0.5 ? 3u : 12u) << result.report;
            for (const std::string& name : written) {
                EXPECT_TRUE(ReadWholeFile(Output(name)) == ReadWholeFile(source / name)) << name;
            }
        }
    }
}
