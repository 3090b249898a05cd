// Attributes, wildcard matching and enumeration as the scan relies on them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "../TemporaryFolder.h"
#include "FileAttributes.h"
#include "FileDeletion.h"
#include "FileIdentity.h"
#include "FileSystemSync.h"
#include "FolderEntries.h"

using namespace platform;

TEST(MatchesWildcard, MatchesZipNamesInAnyCase) {
    for (const char* name : {"a.zip", "A.ZIP", "b.Zip", ".zip", "x.y.zip", "a b.zip"}) {
        EXPECT_TRUE(MatchesWildcard(name, "*.zip")) << name;
    }
    for (const char* name : {"a.zipx", "a.zi", "azip", "a.zip.part", "zip", ""}) {
        EXPECT_FALSE(MatchesWildcard(name, "*.zip")) << name;
    }
    EXPECT_TRUE(MatchesWildcard("abc", "a?c"));
    EXPECT_TRUE(MatchesWildcard("aXbXc", "a*b*c"));
    EXPECT_FALSE(MatchesWildcard("ab", "a?c"));
}

TEST(FileAttributes, AreWorkedOutFromTheFileStatus) {
    TemporaryFolder folder;
    std::ofstream(folder / "plain.zip") << "x";
    std::ofstream(folder / ".hidden.zip") << "x";
    std::ofstream(folder / "locked.zip") << "x";
    ::chmod((folder / "locked.zip").c_str(), 0444);
    std::filesystem::create_directory(folder / "dir.zip");
    std::filesystem::create_directory(folder / "readonly-dir.zip");
    ::chmod((folder / "readonly-dir.zip").c_str(), 0555);
    EXPECT_EQ(FileAttributes(folder / "plain.zip"), kAttributeArchive);
    EXPECT_EQ(FileAttributes(folder / ".hidden.zip"), kAttributeArchive | kAttributeHidden);
    EXPECT_EQ(FileAttributes(folder / "locked.zip"), kAttributeArchive | kAttributeReadOnly);
    EXPECT_EQ(FileAttributes(folder / "dir.zip"), kAttributeDirectory);
    EXPECT_EQ(FileAttributes(folder / "readonly-dir.zip"),
              kAttributeDirectory | kAttributeReadOnly);
    EXPECT_EQ(FileAttributes(folder / "absent.zip"), kInvalidAttributes);
}

TEST(MatchingEntries, ListsOnlyMatchingNamesAndFailsOnAMissingFolder) {
    TemporaryFolder folder;
    for (const char* name : {"a.zip", "B.ZIP", "c.txt", "d.zip.part"}) {
        std::ofstream(folder / name) << "x";
    }
    auto names = MatchingEntries(folder.Path().string(), "*.zip");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"B.ZIP", "a.zip"}));
    EXPECT_THROW(MatchingEntries(folder / "absent", "*.zip"), std::system_error);
}

TEST(FileIdentity, ChangesWhenTheFileUnderTheNameChanges) {
    TemporaryFolder folder;
    const std::string path = folder / "a.zip";
    std::ofstream(path) << "first";
    const auto first = IdentityOf(path);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isRegularFile);
    EXPECT_EQ(IdentityOf(path), first);
    std::ofstream(folder / "b.zip") << "first";
    std::filesystem::rename(folder / "b.zip", path);
    EXPECT_NE(IdentityOf(path), first);
    EXPECT_FALSE(IdentityOf(folder / "absent"));
}

TEST(DeleteFile, RemovesFilesButNeverFolders) {
    TemporaryFolder folder;
    std::ofstream(folder / "a.zip") << "x";
    std::filesystem::create_directory(folder / "d.zip");
    EXPECT_TRUE(DeleteFile(folder / "a.zip"));
    EXPECT_FALSE(std::filesystem::exists(folder / "a.zip"));
    EXPECT_FALSE(DeleteFile(folder / "d.zip"));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "d.zip"));
    EXPECT_TRUE(SyncFileSystem(folder.Path().string()));
}

// What stands under the name after the checks is confirmed before it goes: a file moved
// onto the name in the meantime stays, and nothing of ours is left beside it.
TEST(DeleteIfStillExpected, RemovesOnlyTheFileThatWasChecked) {
    TemporaryFolder folder;
    const std::string path = folder / "a.zip";
    std::ofstream(path) << "checked";
    const auto checked = IdentityOf(path);
    ASSERT_TRUE(checked);
    std::ofstream(folder / "b.zip") << "arrived later";
    std::filesystem::rename(folder / "b.zip", path);
    EXPECT_FALSE(DeleteIfStillExpected(path, *checked));
    std::ifstream kept(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "arrived later");
    EXPECT_TRUE(DeleteIfStillExpected(path, *IdentityOf(path)));
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}
