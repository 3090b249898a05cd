// Without the extraction library nothing is called, nothing fails loudly, nothing is deleted.
#include <gtest/gtest.h>

#include "../FileContents.h"
#include "../TemporaryFolder.h"
#include "WatchFolderScan.h"
#include "qeArchiever7ZIP.h"

TEST(WithoutLibrary, ExtractArchiveReturnsFalseAndLeavesTheOutputAlone) {
    TqeArchiever7ZIP archiver(1);
    EXPECT_FALSE(archiver.IsLibraryLoaded());
    std::string output = "untouched";
    int status = 42;
    EXPECT_FALSE(archiver.ExtractArchive("/a.zip", "/", output, status));
    EXPECT_FALSE(archiver.RunCommand("x", output, status));
    EXPECT_EQ(output, "untouched");
    EXPECT_EQ(status, 42);
}

TEST(WithoutLibrary, AScanVisitsEveryArchiveAndDeletesNone) {
    TemporaryFolder folder;
    WriteWholeFile(folder / "a.zip", "a");
    WriteWholeFile(folder / "b.zip", "b");
    ScanWatchFolder(folder.Path().string(), "1", 1);
    EXPECT_TRUE(std::filesystem::exists(folder / "a.zip"));
    EXPECT_TRUE(std::filesystem::exists(folder / "b.zip"));
}
