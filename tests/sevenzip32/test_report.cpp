// The report fits whatever buffer the host gives, whatever the archive's failures: a
// terminated, valid text that keeps the summary and as many whole reasons as fit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "Extraction.h"
#include "ExtractionFixture.h"
#include "OutputText.h"
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

}  // namespace
