// One pass over the watch folder, seen from the library's side: which archives it is
// handed, with which folder, and which archives go afterwards.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "../FileContents.h"
#include "../TemporaryFolder.h"
#include "FakeLibraryFixture.h"
#include "WatchFolderScan.h"

using ::testing::UnorderedElementsAre;

namespace {

std::string CommandFor(const std::string& archive, const std::string& folder) {
    return "x -r -hide -aoa -y \"" + archive + "\" -o\"" + folder + "\"";
}

class ScanTest : public FakeLibraryTest {
  protected:
    std::vector<std::string> CommandLines() {
        std::vector<std::string> lines;
        for (const auto& call : Fake().calls) {
            lines.push_back(call.commandLine);
        }
        return lines;
    }
    std::string Folder() const { return watch_.Path().string(); }
    std::string In(const std::string& name) const { return watch_ / name; }

    TemporaryFolder watch_;
};

}  // namespace

TEST_F(ScanTest, EveryZipInAnyCaseGoesToTheLibraryWithItsFolder) {
    WriteWholeFile(In("a.zip"), "a");
    WriteWholeFile(In("B.ZIP"), "b");
    WriteWholeFile(In("notes.txt"), "n");
    WriteWholeFile(In("c.zip.part"), "c");
    ScanWatchFolder(Folder(), "0", 99);
    EXPECT_THAT(CommandLines(), UnorderedElementsAre(CommandFor(In("a.zip"), Folder() + "/"),
                                                     CommandFor(In("B.ZIP"), Folder() + "/")));
    EXPECT_EQ(Fake().calls[0].ownerWindow, 99u);
}

TEST_F(ScanTest, OneTrailingSeparatorIsRemovedAndNoMore) {
    WriteWholeFile(In("a.zip"), "a");
    ScanWatchFolder(Folder() + "/", "0", 1);
    ScanWatchFolder(Folder(), "0", 1);
    ScanWatchFolder(Folder() + "//", "0", 1);
    EXPECT_EQ(CommandLines(),
              (std::vector<std::string>{CommandFor(In("a.zip"), Folder() + "/"),
                                        CommandFor(In("a.zip"), Folder() + "/"),
                                        CommandFor(Folder() + "//a.zip", Folder() + "//")}));
}

TEST_F(ScanTest, AFolderNamedLikeAnArchiveIsSkippedUnlessItHasFurtherAttributes) {
    std::filesystem::create_directory(In("plain-folder.zip"));
    std::filesystem::create_directory(In(".hidden-folder.zip"));
    ScanWatchFolder(Folder(), "1", 1);
    EXPECT_EQ(CommandLines(),
              (std::vector<std::string>{CommandFor(In(".hidden-folder.zip"), Folder() + "/")}));
    EXPECT_TRUE(std::filesystem::is_directory(In(".hidden-folder.zip")));
}

TEST_F(ScanTest, AnEmptyMissingOrUnsetWatchFolderMakesAPassThatDoesNothing) {
    ScanWatchFolder(Folder(), "1", 1);
    ScanWatchFolder(In("missing"), "1", 1);
    ScanWatchFolder("", "1", 1);
    EXPECT_TRUE(Fake().calls.empty());
}

TEST_F(ScanTest, WithoutDeletionEveryPassExtractsEveryArchiveAgain) {
    WriteWholeFile(In("a.zip"), "a");
    WriteWholeFile(In("b.zip"), "b");
    ScanWatchFolder(Folder(), "0", 1);
    ScanWatchFolder(Folder(), "0", 1);
    EXPECT_EQ(Fake().calls.size(), 4u);
    EXPECT_TRUE(std::filesystem::exists(In("a.zip")));
}

TEST_F(ScanTest, OnlyFullyExtractedArchivesAreDeleted) {
    for (const char* name : {"good.zip", "failed.zip", "thrown.zip", "replaced.zip"}) {
        WriteWholeFile(In(name), name);
    }
    const std::string replacedPath = In("replaced.zip");
    Fake().onCall = [&](const std::string& commandLine) {
        if (commandLine.find("failed.zip") != std::string::npos) {
            return 1;
        }
        if (commandLine.find("thrown.zip") != std::string::npos) {
            throw std::runtime_error("library failure");
        }
        if (commandLine.find("replaced.zip") != std::string::npos) {
            // The archive held an archive of the same name, which took its place.
            WriteWholeFile(replacedPath + ".new", "the inner archive");
            std::filesystem::rename(replacedPath + ".new", replacedPath);
        }
        return 0;
    };
    ScanWatchFolder(Folder(), "1", 1);
    EXPECT_EQ(Fake().calls.size(), 4u);
    EXPECT_FALSE(std::filesystem::exists(In("good.zip")));
    EXPECT_EQ(ReadWholeFile(In("failed.zip")), "failed.zip");
    EXPECT_EQ(ReadWholeFile(In("thrown.zip")), "thrown.zip");
    EXPECT_EQ(ReadWholeFile(In("replaced.zip")), "the inner archive");
}

TEST_F(ScanTest, OnlyDeleteSourceOneDeletes) {
    WriteWholeFile(In("a.zip"), "a");
    for (const char* deleteSource : {"0", "2", "", "01", " 1"}) {
        ScanWatchFolder(Folder(), deleteSource, 1);
        EXPECT_TRUE(std::filesystem::exists(In("a.zip"))) << '"' << deleteSource << '"';
    }
    ScanWatchFolder(Folder(), "1", 1);
    EXPECT_FALSE(std::filesystem::exists(In("a.zip")));
}

TEST_F(ScanTest, AnArchiveReplacedLaterInThePassIsKept) {
    WriteWholeFile(In("a.zip"), "a");
    WriteWholeFile(In("b.zip"), "b");
    std::string firstArchive;
    Fake().onCall = [&](const std::string& commandLine) {
        const std::string archive =
            commandLine.find("a.zip") != std::string::npos ? "a.zip" : "b.zip";
        if (firstArchive.empty()) {
            firstArchive = archive;
        } else {
            // The second archive held a new copy of the first, which must not go unextracted.
            WriteWholeFile(In(firstArchive) + ".new", "new copy");
            std::filesystem::rename(In(firstArchive) + ".new", In(firstArchive));
        }
        return 0;
    };
    ScanWatchFolder(Folder(), "1", 1);
    EXPECT_EQ(ReadWholeFile(In(firstArchive)), "new copy");
    EXPECT_EQ(std::filesystem::exists(In("a.zip")) + std::filesystem::exists(In("b.zip")), 1);
}

TEST_F(ScanTest, AnArchiveStillOpenForWritingIsNotDeletedUntilItsWriterCloses) {
    WriteWholeFile(In("arriving.zip"), "a whole archive, as far as anyone can tell");
    const int writer = ::open(In("arriving.zip").c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(writer, 0);
    ScanWatchFolder(Folder(), "1", 1);
    EXPECT_TRUE(std::filesystem::exists(In("arriving.zip")));
    ::close(writer);
    ScanWatchFolder(Folder(), "1", 1);
    EXPECT_FALSE(std::filesystem::exists(In("arriving.zip")));
    EXPECT_EQ(Fake().calls.size(), 2u);
}
