// On a disk that fills, entries that would eat into the reserve fail, leave what they
// would have replaced untouched, and leave no temporary file behind.
#include <sys/mount.h>
#include <unistd.h>

#include "ExtractionFixture.h"

using namespace testzip;

namespace {

// A 96 MiB memory file system mounted over the output folder for one test.
class SmallDiskTest : public ExtractionTest {
  protected:
    void SetUp() override {
        ExtractionTest::SetUp();
        if (::geteuid() != 0 ||
            ::mount("kesto-test", OutputFolder().c_str(), "tmpfs", 0, "size=96m") != 0) {
            GTEST_SKIP() << "cannot mount a small file system here (needs root); skipped";
        }
        mounted_ = true;
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
    // 96 MiB with a 64 MiB reserve leaves room for about 32 MiB.
    const std::string big(40 * 1024 * 1024, 'b');
    auto result = Extract(Archive({File("small.txt", "fits"), File("big.bin", big)}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_THAT(result.report, ::testing::HasSubstr("big.bin: not enough free space"));
    EXPECT_EQ(ReadWholeFile(Output("small.txt")), "fits");
    EXPECT_EQ(ReadWholeFile(Output("big.bin")), "the old big file");
    EXPECT_EQ(Tree(OutputFolder()), (std::set<std::string>{"small.txt", "big.bin"}));
}

TEST_F(SmallDiskTest, AnEntryThatHidesItsSizeIsStoppedWhileWriting) {
    // Declares little, produces far more: it fails on the bytes produced, long before
    // the disk runs out, and nothing of it remains.
    Entry liar = File("liar.bin", std::string(60 * 1024 * 1024, 'l'));
    liar.declaredSize = 1024;
    auto result = Extract(Archive({liar}));
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_TRUE(Tree(OutputFolder()).empty());
}
