// Extracting an archive again leaves what is already in place untouched, and puts back
// exactly what a rewrite would give wherever the folder differs from the archive.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <optional>

#include "ExtractionFixture.h"

using namespace testzip;
using ::testing::HasSubstr;

namespace {

constexpr int64_t kArchiveTime = 1700000000;

struct stat StatusOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status;
}

void SetModificationTime(const std::string& path, int64_t seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

class FilesInPlaceTest : public ExtractionTest {
  protected:
    void SetUp() override {
        ExtractionTest::SetUp();
        previousUmask_ = ::umask(022);
        Entry small = File("a.txt", "alpha");
        // Larger than one read, so the comparison goes on across reads.
        Entry large = File("sub/b.bin", std::string(700 * 1024, 'b') + "end", kStored);
        for (Entry* entry : {&small, &large}) {
            entry->extraFields = TimestampExtra(kArchiveTime);
        }
        archive_ = Archive({small, large, Link("l", "a.txt")});
        auto first = Extract(archive_);
        ASSERT_EQ(first.status, 0) << first.report;
    }
    void TearDown() override { ::umask(previousUmask_); }

    std::string archive_;
    mode_t previousUmask_ = 022;
};

}  // namespace

TEST_F(FilesInPlaceTest, ASecondExtractionChangesNothing) {
    const auto fileBefore = StatusOf(Output("sub/b.bin"));
    const auto linkBefore = StatusOf(Output("l"));
    const auto folderBefore = StatusOf(OutputFolder());
    auto second = Extract(archive_);
    EXPECT_EQ(second.status, 0) << second.report;
    EXPECT_THAT(second.report,
                HasSubstr("Extracted 2 files, 0 folders, 1 links (3 already in place); 0 failed."));
    for (const auto& [path, before] : {std::pair{Output("sub/b.bin"), fileBefore},
                                       {Output("l"), linkBefore},
                                       {OutputFolder(), folderBefore}}) {
        const auto after = StatusOf(path);
        EXPECT_EQ(after.st_ino, before.st_ino) << path;
        EXPECT_EQ(after.st_ctim.tv_sec, before.st_ctim.tv_sec) << path;
        EXPECT_EQ(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec) << path << " was written";
    }
}

TEST_F(FilesInPlaceTest, WhatDiffersFromTheArchiveIsPutBack) {
    struct Case {
        const char* what;
        std::function<void(const std::string& path)> change;
        std::optional<bool> keepsItsInode;  // nothing: the file system may reuse it
    };
    const Case cases[] = {
        {"edited, size and time put back",
         [](const std::string& path) {
             WriteWholeFile(path, "alphX");
             SetModificationTime(path, kArchiveTime);
         },
         false},
        {"grown", [](const std::string& path) { WriteWholeFile(path, "alpha and more"); }, false},
        {"removed", [](const std::string& path) { std::filesystem::remove(path); }, std::nullopt},
        {"mode changed", [](const std::string& path) { ::chmod(path.c_str(), 0600); }, true},
        {"time changed", [](const std::string& path) { SetModificationTime(path, 5); }, true},
        {"mode changed under a second name",
         [&](const std::string& path) {
             std::filesystem::create_hard_link(path, folder_ / "elsewhere");
             ::chmod(path.c_str(), 0600);
         },
         false},
        {"a link to the same bytes",
         [&](const std::string& path) {
             WriteWholeFile(folder_ / "same", "alpha");
             std::filesystem::remove(path);
             std::filesystem::create_symlink(folder_ / "same", path);
         },
         false},
    };
    for (const Case& c : cases) {
        const std::string path = Output("a.txt");
        const ino_t inode = StatusOf(path).st_ino;
        c.change(path);
        auto result = Extract(archive_);
        EXPECT_EQ(result.status, 0) << c.what << ": " << result.report;
        const auto after = StatusOf(path);
        EXPECT_TRUE(S_ISREG(after.st_mode)) << c.what;
        EXPECT_EQ(ReadWholeFile(path), "alpha") << c.what;
        EXPECT_EQ(after.st_mode & 07777, 0644u) << c.what;
        EXPECT_EQ(after.st_mtim.tv_sec, kArchiveTime) << c.what;
        EXPECT_EQ(after.st_mtim.tv_nsec, 0) << c.what;
        if (c.keepsItsInode) {
            EXPECT_EQ(after.st_ino == inode, *c.keepsItsInode) << c.what;
        }
    }
    EXPECT_EQ(StatusOf(folder_ / "elsewhere").st_mode & 07777, 0600u)
        << "a file's other name must not change with it";
}

TEST_F(FilesInPlaceTest, AFolderWhereAFileBelongsFailsThatEntryAlone) {
    std::filesystem::remove(Output("a.txt"));
    std::filesystem::create_directory(Output("a.txt"));
    auto result = Extract(archive_);
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.report, HasSubstr("Failed: a.txt: cannot put the file in place"));
    EXPECT_TRUE(std::filesystem::is_directory(Output("a.txt")));
}
