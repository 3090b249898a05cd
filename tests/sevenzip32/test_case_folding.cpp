// Names that differ only in case: two files where the file system tells them apart, and
// where it does not (exFAT), the earlier file kept and the later one failed, never
// silently replaced.
#include "../MountedImage.h"
#include "Extraction.h"
#include "ExtractionFixture.h"

using namespace testzip;
using namespace sevenzip32;
using ::testing::HasSubstr;

namespace {

// Pairs far apart and close together, so that the twins meet on different threads too.
std::string TwinsArchive() {
    std::vector<Entry> entries = {File("Readme.txt", "first"), File("README.TXT", "second")};
    for (int i = 0; i < 200; ++i) {
        entries.push_back(
            File("dir/name" + std::to_string(i) + ".txt", "lower " + std::to_string(i)));
    }
    for (int i = 0; i < 200; ++i) {
        entries.push_back(
            File("DIR/NAME" + std::to_string(i) + ".TXT", "upper " + std::to_string(i)));
    }
    entries.push_back(File("ÉTÉ.txt", "first summer"));
    entries.push_back(File("été.txt", "second summer"));
    return Archive(entries);
}

TEST_F(ExtractionTest, NamesDifferingInCaseAreTwoFilesWhereTheFileSystemTellsThemApart) {
    const auto result = Extract(TwinsArchive());
    EXPECT_EQ(result.status, kExtractedAll) << result.report;
    EXPECT_EQ(ReadWholeFile(Output("README.TXT")), "second");
    EXPECT_EQ(ReadWholeFile(Output("DIR/NAME7.TXT")), "upper 7");
}

TEST_F(ExtractionTest, OnExfatTheEarlierOfTwoCaseTwinsIsKept) {
    MountedImage exfat(MountedImage::kExfat);
    if (!exfat.Mounted()) {
        GTEST_SKIP() << "exFAT cannot be mounted here (needs root, exfat-fuse and a loop device)";
    }
    WriteWholeFile(ArchivePath(), TwinsArchive());
    for (int pass = 0; pass < 2; ++pass) {
        const auto result =
            RunCommandLine("x -r -hide -aoa -y " + QuoteForCommandLine(ArchivePath()) + " -o" +
                               QuoteForCommandLine(exfat.Path() + "/"),
                           65536);
        EXPECT_EQ(result.status, kSomeEntriesFailed);
        EXPECT_THAT(result.report, HasSubstr("; 202 failed."));
        EXPECT_THAT(
            result.report,
            HasSubstr("README.TXT: the name comes twice in the archive, differing only in case"));
        EXPECT_EQ(ReadWholeFile(exfat.Path() + "/Readme.txt"), "first");
        EXPECT_EQ(ReadWholeFile(exfat.Path() + "/été.txt"), "first summer");
        for (int i = 0; i < 200; i += 37) {
            EXPECT_EQ(ReadWholeFile(exfat.Path() + "/dir/name" + std::to_string(i) + ".txt"),
                      "lower " + std::to_string(i));
        }
    }
}

}  // namespace
