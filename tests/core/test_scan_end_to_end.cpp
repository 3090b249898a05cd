// A pass with the real extraction library: archives extract beside themselves, and go
// only when asked and only when every entry came out.
#include <gtest/gtest.h>

#include "../FileContents.h"
#include "../TemporaryFolder.h"
#include "../sevenzip32/ZipBuilder.h"
#include "WatchFolderScan.h"

using namespace testzip;

TEST(ScanEndToEnd, ExtractsEachArchiveBesideItselfAndDeletesOnlyCompleteOnes) {
    TemporaryFolder watch;
    WriteWholeFile(watch / "photos.zip",
                   Archive({File("photos/1.jpg", "one"), File("photos/2.jpg", "two")}));
    Entry corrupt = File("report.txt", "contents");
    corrupt.declaredCrc = 0;
    WriteWholeFile(watch / "damaged.zip", Archive({File("fine.txt", "fine"), corrupt}));
    WriteWholeFile(watch / "partial.zip", Archive({File("x.txt", "x")}).substr(0, 20));
    ScanWatchFolder(watch.Path().string() + "/", "1", 1);

    EXPECT_EQ(ReadWholeFile(watch / "photos/1.jpg"), "one");
    EXPECT_EQ(ReadWholeFile(watch / "photos/2.jpg"), "two");
    EXPECT_FALSE(std::filesystem::exists(watch / "photos.zip"));
    EXPECT_EQ(ReadWholeFile(watch / "fine.txt"), "fine");
    EXPECT_FALSE(std::filesystem::exists(watch / "report.txt"));
    EXPECT_TRUE(std::filesystem::exists(watch / "damaged.zip"));
    EXPECT_TRUE(std::filesystem::exists(watch / "partial.zip"));
}

TEST(ScanEndToEnd, AnArchiveThatHoldsItsOwnNameIsKeptAndTheInnerOneWaitsItsTurn) {
    TemporaryFolder watch;
    const std::string inner = Archive({File("deepest.txt", "bottom")});
    WriteWholeFile(watch / "nest.zip", Archive({File("nest.zip", inner, kStored)}));
    ScanWatchFolder(watch.Path().string(), "1", 1);
    // The outer archive was replaced by the inner one, which is not deleted unextracted.
    EXPECT_EQ(ReadWholeFile(watch / "nest.zip"), inner);
    ScanWatchFolder(watch.Path().string(), "1", 1);
    EXPECT_EQ(ReadWholeFile(watch / "deepest.txt"), "bottom");
    EXPECT_FALSE(std::filesystem::exists(watch / "nest.zip"));
}
