// The report fits whatever buffer the host gives, whatever the archive's failures: a
// terminated, valid text that keeps the summary and as many whole reasons as fit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "Extraction.h"
#include "ExtractionFixture.h"
#include "OutputText.h"
#include "ReportLines.h"
#include "Utf8.h"

using namespace sevenzip32;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// Each line shown is one of the lines added, whole or with its middle left out, in the
// order added; only a last "..." stands for lines left out.
void ExpectFaithful(const std::string& shown, const std::vector<std::string>& added) {
    size_t next = 0;
    for (const std::string& line : Lines(shown)) {
        if (line == "..." && next < added.size()) {
            continue;
        }
        ASSERT_LT(next, added.size()) << line;
        const std::string& original = added[next++];
        if (line == original) {
            continue;
        }
        const size_t mark = line.find("...");
        ASSERT_NE(mark, std::string::npos) << line;
        EXPECT_THAT(original, StartsWith(line.substr(0, mark)));
        EXPECT_TRUE(original.ends_with(line.substr(mark + 3))) << line;
    }
}

TEST(Report, FitsEveryBufferWithWholeLinesInOrder) {
    std::mt19937 random(5);
    for (int round = 0; round < 40; ++round) {
        std::vector<std::string> added = {"Archive: /home/user/Downloads/archive.zip",
                                          "Extracted 0 files, 0 folders, 0 links; 400 failed."};
        const size_t count = random() % 500;
        for (size_t i = 0; i < count; ++i) {
            const size_t nameLength = random() % 5 == 0 ? random() % 3000 : random() % 80;
            std::string name;
            for (size_t k = 0; k < nameLength; ++k) {
                name += k % 7 == 3 ? "名" : std::string(1, static_cast<char>('a' + k % 26));
            }
            added.push_back("Failed: " + name + ": the entry is encrypted");
        }
        OutputText report;
        for (const std::string& line : added) {
            report.AddLine(line);
        }
        for (uint32_t capacity :
             {1u, 2u, 5u, 40u, 100u, 600u, 8192u, static_cast<uint32_t>(1 + random() % 70000)}) {
            std::vector<char> buffer(capacity + 8, '\x7F');
            report.CopyTo(buffer.data(), capacity);
            const std::string shown(buffer.data());
            ASSERT_LT(shown.size(), capacity);
            EXPECT_EQ(buffer[capacity], '\x7F');
            EXPECT_TRUE(IsValidUtf8(shown));
            ExpectFaithful(shown, added);
            if (capacity >= 200) {
                EXPECT_THAT(shown, HasSubstr(added[1] + "\n")) << "the summary line is kept";
            }
        }
    }
}

TEST_F(ExtractionTest, ManyFailingEntriesStillGiveAReport) {
    std::vector<testzip::Entry> entries;
    for (int i = 0; i < 400; ++i) {
        testzip::Entry entry =
            testzip::File("secret-" + std::string(60, 'x') + std::to_string(i) + ".txt",
                          "ciphertext of twenty bytes", testzip::kStored);
        entry.flags = 0x0001;
        entries.push_back(entry);
    }
    WriteWholeFile(ArchivePath(), testzip::Archive(entries));
    const std::string command =
        "x -r -hide -aoa -y " + QuoteForCommandLine(ArchivePath()) + " -o" + OutputFolder() + "/";
    for (unsigned size : {8192u, 3u, 0u, 1u}) {
        const ExtractionResult result = RunCommandLine(command, size);
        EXPECT_EQ(result.status, kSomeEntriesFailed);
        if (size == 8192) {
            EXPECT_THAT(result.report, HasSubstr("; 400 failed.\n"));
            EXPECT_THAT(result.report, HasSubstr(": no listed password opens it\n...\n"));
        }
    }
}

// Every line the program relies on reads back as it was written, whatever the names and
// details hold: separators, reason words, the words between a note's two names.
TEST(ReportLines, ReadBackAsWritten) {
    using namespace contract;
    for (const uint64_t count : {2ull, 100ull, 18446744073709551615ull}) {
        EXPECT_EQ(ReadVolumesLine(VolumesLine(count)), count);
    }
    for (const EntryCounts& counts :
         {EntryCounts{}, EntryCounts{3, 1, 2, 0, 7}, EntryCounts{200000, 40, 0, 199999, 0}}) {
        EXPECT_EQ(ReadSummaryLine(SummaryLine(counts)), counts);
    }
    for (const auto& [name, written] : std::vector<std::pair<std::string, std::string>>{
             {"会議: 11月.txt", "会議： 11月.txt"},
             {"a written as b/c?.txt", "a written as b/c？.txt"},
             {"q?/x written as y", "q？/x written as y"}}) {
        const std::string line = NoteLine(name, written);
        const auto read = ReadNoteLine(line);
        ASSERT_TRUE(read) << name;
        EXPECT_EQ(read->name, name);
        EXPECT_EQ(read->writtenAs, written);
    }
    for (uint64_t whole : {0, 1, 13}) {
        EXPECT_EQ(ReadCutShortDetail(CutShortDetail(whole)), whole);
    }
    const std::string spaceDetail = SpaceDetail("8.4 MB", "5 KB");
    const auto space = ReadSpaceDetail(spaceDetail);
    ASSERT_TRUE(space);
    EXPECT_EQ(space->needed, "8.4 MB");
    EXPECT_EQ(space->free, "5 KB");

    const std::vector<std::optional<std::string>> names = {
        std::nullopt, "", "a.txt", "CRC-32 mismatch: 資料/a.txt", "x: the name is empty: "};
    const std::vector<std::optional<std::string>> details = {std::nullopt, "a/b: No such file",
                                                             CutShortDetail(3)};
    for (int i = 0; i < static_cast<int>(Reason::kCount); ++i) {
        const auto reason = static_cast<Reason>(i);
        for (const auto& name : names) {
            for (const auto& detail : details) {
                const std::string text = detail ? ReasonText(reason, *detail) : ReasonText(reason);
                const std::string line =
                    name ? EntryFailureLine(*name, text) : FailureLine(FailureKind::Failed, text);
                const auto read = ReadFailureLine(line);
                ASSERT_TRUE(read) << line;
                EXPECT_EQ(read->reason, reason) << line;
                EXPECT_EQ(read->name, name) << line;
                EXPECT_EQ(read->detail, detail) << line;
            }
        }
    }
    const std::string refusal =
        FailureLine(FailureKind::CommandLineRefused, ReasonText(Reason::kUnknownSwitch, "-q"));
    const auto refused = ReadFailureLine(refusal);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind, FailureKind::CommandLineRefused);
    EXPECT_EQ(refused->reason, Reason::kUnknownSwitch);
    EXPECT_FALSE(ReadFailureLine("Extracted 1 files, 0 folders, 0 links; 0 failed."));
}

// What the library writes is what the program reads: the summary, a failed entry with its
// reason, a note, the count of volumes.
TEST_F(ExtractionTest, ItsLinesReadAsTheProgramReadsThem) {
    testzip::Entry damaged = testzip::File("壊れ: た.txt", "contents", testzip::kStored);
    damaged.declaredCrc = 1234;
    const ExtractionResult result =
        Extract(testzip::Archive({testzip::File("a.txt", "a"), testzip::Folder("d/"), damaged}));
    EXPECT_EQ(result.status, kSomeEntriesFailed);
    const auto lines = contract::LinesOf(result.report);
    ASSERT_EQ(lines.size(), 3u) << result.report;
    EXPECT_EQ(contract::ReadSummaryLine(lines[1]), (contract::EntryCounts{1, 1, 0, 0, 1}));
    const auto failure = contract::ReadFailureLine(lines[2]);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->name, "壊れ: た.txt");
    EXPECT_EQ(failure->reason, contract::Reason::kCrcMismatch);
}

}  // namespace
