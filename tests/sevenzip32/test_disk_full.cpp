// On a disk that fills, entries that would eat into the reserve fail, leave what they
// would have replaced untouched, and leave no temporary file behind.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "../MountedImage.h"
#include "DiskBudget.h"
#include "EntryFailure.h"
#include "ExtractionFixture.h"

using namespace testzip;

namespace {

constexpr uint64_t kMiB = 1024 * 1024;

// Fills the file system of folder with one file, the filler, until bytes are free.
void FillLeaving(const std::string& folder, uint64_t bytes) {
    struct statvfs disk {};
    ASSERT_EQ(::statvfs(folder.c_str(), &disk), 0);
    const uint64_t available = uint64_t{disk.f_bavail} * disk.f_frsize;
    ASSERT_GT(available, bytes);
    const int filler = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(filler, 0);
    struct stat status {};
    ASSERT_EQ(::fstat(filler, &status), 0);
    EXPECT_EQ(::fallocate(filler, 0, status.st_size, static_cast<off_t>(available - bytes)), 0);
    ::close(filler);
}

// A 96 MiB memory file system mounted over the output folder for one test, all but
// 36 MiB of it taken by a filler; its reserve is 1% of it.
class SmallDiskTest : public ExtractionTest {
  protected:
    void SetUp() override {
        ExtractionTest::SetUp();
        if (::geteuid() != 0 ||
            ::mount("kesto-test", OutputFolder().c_str(), "tmpfs", 0, "size=96m") != 0) {
            GTEST_SKIP() << "cannot mount a small file system here (needs root); skipped";
        }
        mounted_ = true;
        FillLeaving(OutputFolder(), 36 * kMiB);
    }
    void TearDown() override {
        if (mounted_) {
            ::umount2(OutputFolder().c_str(), MNT_DETACH);
        }
    }
    bool mounted_ = false;
};

}  // namespace

TEST_F(SmallDiskTest, AnEntryThatWouldLeaveTooLittleFreeFailsAndKeepsTheOldFile) {
    WriteWholeFile(Output("big.bin"), "the old big file");
    // 36 MiB free with a reserve of about 1 MiB leaves room for about 35 MiB.
    const std::string big(40 * kMiB, 'b');
    auto result = Extract(Archive({File("small.txt", "fits"), File("big.bin", big)}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_THAT(result.report, ::testing::ContainsRegex("big.bin: not enough free space on the "
                                                        "disk: 42 MB needed, 3[67] MB free\n"));
    EXPECT_EQ(ReadWholeFile(Output("small.txt")), "fits");
    EXPECT_EQ(ReadWholeFile(Output("big.bin")), "the old big file");
    EXPECT_EQ(Tree(OutputFolder()), (std::set<std::string>{"small.txt", "big.bin", "filler"}));
}

TEST_F(SmallDiskTest, AnEntryThatHidesItsSizeIsStoppedWhileWriting) {
    // Declares little, produces far more: it fails on the bytes produced, long before
    // the disk runs out, and nothing of it remains.
    Entry liar = File("liar.bin", std::string(60 * 1024 * 1024, 'l'));
    liar.declaredSize = 1024;
    auto result = Extract(Archive({liar}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_EQ(Tree(OutputFolder()), std::set<std::string>{"filler"});
}

TEST_F(SmallDiskTest, TwoLargeEntriesWrittenSideBySideShareOneReserve) {
    // Enough entries for two threads, each starting on one of the 30 MiB entries; 36 MiB
    // with the reserve leaves room for one of them.
    std::vector<Entry> entries;
    for (int i = 0; i < 64; ++i) {
        const bool large = i % 32 == 0;
        entries.push_back(File("f" + std::to_string(i),
                               large ? std::string(30 * 1024 * 1024, 'a' + i / 32) : "small",
                               kStored));
    }
    auto result = Extract(Archive(entries));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_EQ(std::filesystem::exists(Output("f0")) + std::filesystem::exists(Output("f32")), 1);
    struct statvfs disk {};
    ASSERT_EQ(::statvfs(OutputFolder().c_str(), &disk), 0);
    EXPECT_GE(uint64_t{disk.f_bavail} * disk.f_frsize,
              uint64_t{disk.f_blocks} * disk.f_frsize / 100);
}

TEST_F(SmallDiskTest, AnEntryStopsWhenSomethingElseEatsTheRoomWhileItIsWritten) {
    const int folder = ::open(OutputFolder().c_str(), O_RDONLY | O_DIRECTORY);
    sevenzip32::DiskBudget budget(folder);
    budget.Claim(20 * 1024 * 1024);
    EXPECT_NO_THROW(budget.CheckWhileWriting(folder));
    WriteWholeFile(Output("someone-else.bin"), std::string(20 * 1024 * 1024, 'x'));
    EXPECT_THROW(budget.CheckWhileWriting(folder), sevenzip32::EntryFailure);
    ::close(folder);
}

// A full disk lies outside the archive: the next pass tries again, and once there is
// room, extracts.
TEST_F(SmallDiskTest, AFullDiskIsTriedAgainAtTheNextPass) {
    ::setenv("XDG_CACHE_HOME", (folder_ / "cache").c_str(), 1);
    WriteWholeFile(ArchivePath(), Archive({File("a.txt", "fits")}));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const std::string command = "x -r -hide -aoa -y " + QuoteForCommandLine(ArchivePath()) + " -o" +
                                QuoteForCommandLine(OutputFolder() + "/");
    FillLeaving(OutputFolder(), 100 * 1024);  // well within the reserve
    for (int pass = 0; pass < 2; ++pass) {
        auto result = RunCommandLine(command);
        EXPECT_THAT(result.report, ::testing::HasSubstr("a.txt: not enough free space"));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    std::filesystem::remove(Output("filler"));
    EXPECT_EQ(RunCommandLine(command).status, 0);
    EXPECT_EQ(ReadWholeFile(Output("a.txt")), "fits");
}

// A disk nearly full takes what fits, however large it is: the reserve is at most
// 64 MiB, above what the file system itself holds back.
TEST_F(ExtractionTest, ANearlyFullDiskTakesWhatFitsAndSaysWhatWasNeededAndFree) {
    MountedImage disk(MountedImage::kExt4);
    if (!disk.Mounted()) {
        GTEST_SKIP() << "cannot mount an ext4 image here (needs root); skipped";
    }
    FillLeaving(disk.Path(), 10 * kMiB);  // of 512 MiB, whose 1% is the reserve
    const auto extract = [&](const std::string& bytes) {
        return ExtractInto(bytes, disk.Path() + "/");
    };
    const auto small = extract(Archive({File("small.txt", std::string(5000, 's'))}));
    EXPECT_EQ(small.status, 0) << small.report;
    const auto large = extract(Archive({File("large.bin", std::string(8 * kMiB, 'l'), kStored)}));
    EXPECT_EQ(large.status, 1) << large.report;
    EXPECT_THAT(large.report, ::testing::ContainsRegex(
                                  "large.bin: not enough free space on the disk: 8.4 MB needed, "
                                  "[0-9.]+ MB free\n"));
    EXPECT_FALSE(std::filesystem::exists(disk.Path() + "/large.bin"));
}
