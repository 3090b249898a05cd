// The binding hands the library exactly the agreed call: owner window once, then one
// command line with an 8192-byte zeroed buffer per extraction.
#include <gmock/gmock.h>

#include <stdexcept>

#include "FakeLibraryFixture.h"
#include "qeArchiever7ZIP.h"

using ::testing::ElementsAre;

TEST_F(FakeLibraryTest, CreationLoadsTheLibraryAndSetsTheOwnerWindowOnce) {
    TqeArchiever7ZIP archiver(0x2A00017);
    EXPECT_TRUE(archiver.IsLibraryLoaded());
    EXPECT_EQ(Fake().setOwnerWindowCalls, 1);
    EXPECT_EQ(Fake().ownerWindowSet, 0x2A00017u);
    EXPECT_TRUE(Fake().calls.empty());
}

TEST_F(FakeLibraryTest, ExtractArchiveBuildsTheCommandLineWithQuotedPaths) {
    TqeArchiever7ZIP archiver(77);
    std::string output = "untouched";
    int status = -1;
    EXPECT_TRUE(archiver.ExtractArchive("/in/my \"best\" a.zip", "/in/", output, status));
    ASSERT_EQ(Fake().calls.size(), 1u);
    EXPECT_EQ(Fake().calls[0].commandLine,
              "x -r -hide -aoa -y \"/in/my \"\"best\"\" a.zip\" -o\"/in/\"");
    EXPECT_EQ(Fake().calls[0].ownerWindow, 77u);
    EXPECT_EQ(Fake().calls[0].outputSize, 8192u);
    EXPECT_TRUE(Fake().calls[0].outputWasZeroFilled);
    EXPECT_EQ(output, "");
    EXPECT_EQ(status, 0);
}

TEST_F(FakeLibraryTest, QuotePathDoublesEveryQuote) {
    EXPECT_EQ(TqeArchiever7ZIP::QuotePath("/a b"), "\"/a b\"");
    EXPECT_EQ(TqeArchiever7ZIP::QuotePath("\""), "\"\"\"\"");
    EXPECT_EQ(TqeArchiever7ZIP::QuotePath(""), "\"\"");
}

TEST_F(FakeLibraryTest, EveryCallGetsAFreshZeroedBufferAndTheOutputUpToItsZero) {
    TqeArchiever7ZIP archiver(1);
    std::string output;
    int status = 0;
    Fake().output = std::string(8192, 'x');  // fills the whole buffer, no zero left
    EXPECT_TRUE(archiver.RunCommand("first", output, status));
    EXPECT_EQ(output.size(), 8192u);
    Fake().output = std::string("short\0rest", 10);
    EXPECT_TRUE(archiver.RunCommand("second", output, status));
    EXPECT_EQ(output, "short");
    ASSERT_EQ(Fake().calls.size(), 2u);
    EXPECT_TRUE(Fake().calls[1].outputWasZeroFilled);
}

TEST_F(FakeLibraryTest, AFailingStatusStillCountsAsACompletedCall) {
    TqeArchiever7ZIP archiver(1);
    Fake().onCall = [](const std::string&) { return 2; };
    std::string output;
    int status = 0;
    EXPECT_TRUE(archiver.ExtractArchive("/a.zip", "/", output, status));
    EXPECT_EQ(status, 2);
}

TEST_F(FakeLibraryTest, ALibraryThatThrowsGivesFalseAndWhatItHadWritten) {
    TqeArchiever7ZIP archiver(1);
    Fake().output = "partial report";
    Fake().onCall = [](const std::string&) -> int { throw std::runtime_error("inside"); };
    std::string output;
    int status = 123;
    EXPECT_FALSE(archiver.ExtractArchive("/a.zip", "/", output, status));
    EXPECT_EQ(output, "partial report");
    EXPECT_EQ(status, 123);
}

TEST_F(FakeLibraryTest, EachWrapperLoadsAndSetsTheOwnerAgain) {
    for (uint32_t window : {5u, 6u}) {
        TqeArchiever7ZIP archiver(window);
        std::string output;
        int status = 0;
        archiver.ExtractArchive("/a.zip", "/", output, status);
    }
    EXPECT_EQ(Fake().setOwnerWindowCalls, 2);
    std::vector<uint32_t> windows;
    for (const auto& call : Fake().calls) {
        windows.push_back(call.ownerWindow);
    }
    EXPECT_THAT(windows, ElementsAre(5u, 6u));
}
