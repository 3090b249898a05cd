// A pass with the real extraction library: archives extract beside themselves, and go
// only when asked and only when every entry came out.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "../FileContents.h"
#include "../TemporaryFolder.h"
#include "../sevenzip32/FormatBuilders.h"
#include "../sevenzip32/ZipBuilder.h"
#include "WatchFolderScan.h"

using namespace testzip;

namespace {

// 300 KiB that do not compress.
std::string Noise() {
    std::string noise(300 * 1024, '\0');
    for (size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<char>(i * 2654435761u >> 13);
    }
    return noise;
}

}  // namespace

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

// A split archive goes with all of its volumes, once every entry came out; while a volume
// is missing, still being written or the extraction failed, none goes.
TEST(ScanEndToEnd, ASplitArchiveGoesWithEveryVolumeOrNotAtAll) {
    TemporaryFolder watch;
    std::filesystem::create_directory(watch / "source");
    const std::string noise = Noise();
    WriteWholeFile(watch / "source/noise.bin", noise);
    const std::string split =
        "cd '" + (watch / "source") + "' && zip -q -0 -s 64k ../split.zip noise.bin";
    ASSERT_EQ(std::system(split.c_str()), 0);
    std::filesystem::remove_all(watch / "source");
    const std::vector<std::string> volumes = {"split.z01", "split.z02", "split.z03", "split.z04",
                                              "split.zip"};
    const auto standing = [&] {
        size_t count = 0;
        for (const std::string& name : volumes) {
            count += std::filesystem::exists(watch / name);
        }
        return count;
    };

    std::filesystem::rename(watch / "split.z03", watch / "aside");
    ScanWatchFolder(watch.Path().string(), "1", 1);
    EXPECT_EQ(standing(), volumes.size() - 1);
    std::filesystem::rename(watch / "aside", watch / "split.z03");
    {
        const int writer = ::open((watch / "split.z02").c_str(), O_WRONLY | O_APPEND);
        ASSERT_GE(writer, 0);
        ScanWatchFolder(watch.Path().string(), "1", 1);
        EXPECT_TRUE(ReadWholeFile(watch / "noise.bin") == noise);
        EXPECT_EQ(standing(), volumes.size()) << "a volume still being written keeps them all";
        ::close(writer);
    }
    ScanWatchFolder(watch.Path().string(), "1", 1);
    EXPECT_EQ(standing(), 0u);
    EXPECT_TRUE(ReadWholeFile(watch / "noise.bin") == noise);
}

// 7-Zip's numbered volumes go all together once extracted, and none while one is missing;
// an archive whose end record names nothing while it holds entries is never taken for empty.
TEST(ScanEndToEnd, NumberedVolumesGoTogetherAndAnArchiveReadAsEmptyStays) {
    TemporaryFolder watch;
    std::filesystem::create_directory(watch / "source");
    const std::string noise = Noise();
    WriteWholeFile(watch / "source/noise.bin", noise);
    const std::string numbered = "cd '" + (watch / "source") +
                                 "' && 7zz a -tzip -mx0 -bd -bso0 -v64k ../pieces.zip noise.bin";
    ASSERT_EQ(std::system(numbered.c_str()), 0);
    std::filesystem::remove_all(watch / "source");
    std::string empty = Archive({File("kept.txt", "kept")});
    const size_t end = empty.rfind(std::string("PK\x05\x06", 4));
    for (size_t field = end + 8; field < end + 20; ++field) {
        empty[field] = '\0';  // no entries, in no bytes, at the start
    }
    WriteWholeFile(watch / "empty.zip", empty);
    const auto pieces = [&] {
        size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(watch.Path())) {
            count += entry.path().stem() == "pieces.zip";
        }
        return count;
    };
    ASSERT_EQ(pieces(), 5u);

    std::filesystem::rename(watch / "pieces.zip.004", watch / "aside");
    ScanWatchFolder(watch.Path().string(), "1", 1);
    EXPECT_EQ(pieces(), 4u);
    EXPECT_FALSE(std::filesystem::exists(watch / "noise.bin"));
    std::filesystem::rename(watch / "aside", watch / "pieces.zip.004");
    ScanWatchFolder(watch.Path().string(), "1", 1);
    EXPECT_EQ(pieces(), 0u);
    EXPECT_TRUE(ReadWholeFile(watch / "noise.bin") == noise);
    EXPECT_TRUE(std::filesystem::exists(watch / "empty.zip"));
    EXPECT_FALSE(std::filesystem::exists(watch / "kept.txt"));
}

// A 7z goes once extracted, and a set of numbered 7z volumes with every volume; a set
// with a volume missing stays whole.
TEST(ScanEndToEnd, SevenZArchivesAndTheirVolumesGoTogether) {
    TemporaryFolder watch;
    TemporaryFolder source;
    WriteWholeFile(source / "写真.txt", "photo");
    WriteWholeFile(source / "noise.bin", Noise());
    const auto make = [&](const std::string& switches, const std::string& archive) {
        const std::string command = "cd '" + source.Path().string() + "' && 7zz a -bd -bso0 " +
                                    switches + " '" + (watch / archive) + "' . >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
    };
    make("", "写真.7z");
    make("-v100k -mx=0", "資料.7z");
    make("-v100k -mx=0", "欠け.7z");
    ASSERT_TRUE(std::filesystem::exists(watch / "資料.7z.004"));
    std::filesystem::remove(watch / "欠け.7z.002");
    ScanWatchFolder(watch.Path().string(), "1", 1);

    EXPECT_EQ(ReadWholeFile(watch / "写真.txt"), "photo");
    EXPECT_EQ(ReadWholeFile(watch / "noise.bin"), Noise());
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(watch.Path())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"noise.bin", "写真.txt", "欠け.7z.001", "欠け.7z.003",
                                              "欠け.7z.004"}));
}

// Raw pieces of a ZIP cut by any tool, named anything.001, ...: read as one and gone
// together; pieces of what is no archive are left alone.
TEST(ScanEndToEnd, RawPiecesOfAZipAreReadByTheirBytes) {
    TemporaryFolder watch;
    const std::string zip = Archive({File("noise.bin", Noise(), kStored)});
    const size_t third = zip.size() / 3 + 1;
    for (size_t i = 0; i < 3; ++i) {
        WriteWholeFile(watch / ("backup.00" + std::to_string(i + 1)), zip.substr(i * third, third));
    }
    WriteWholeFile(watch / "movie.001", "not an archive");
    WriteWholeFile(watch / "movie.002", "at all");
    ScanWatchFolder(watch.Path().string(), "1", 1);

    EXPECT_TRUE(ReadWholeFile(watch / "noise.bin") == Noise());
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(watch.Path())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"movie.001", "movie.002", "noise.bin"}));
}

// A tarball, an LZH and a RAR set in either naming go once extracted, every volume with
// them; a RAR set with a volume missing stays whole, and a later volume is never taken
// for an archive of its own.
TEST(ScanEndToEnd, TarballsLzhAndRarSetsGoWithEveryVolume) {
    TemporaryFolder watch;
    TemporaryFolder source;
    WriteWholeFile(source / "写真.txt", "photo");
    const auto run = [&](const std::string& command) {
        ASSERT_EQ(std::system(("cd '" + source.Path().string() + "' && " + command).c_str()), 0);
    };
    run("tar czf '" + (watch / "src.tar.gz") + "' 写真.txt");
    WriteWholeFile(source / "readme.txt", "read me");
    run("jlha a '" + (watch / "old.lzh") + "' readme.txt >/dev/null");
    const std::vector<testformats::StoredFile> files = {{"noise.bin", Noise()}};
    const auto writeSet = [&](const std::vector<std::string>& names) {
        const auto volumes = testformats::RarArchive(files, {testformats::RarVersion::Five, 3});
        for (size_t i = 0; i < names.size(); ++i) {
            WriteWholeFile(watch / names[i], volumes[i]);
        }
    };
    writeSet({"new.part1.rar", "new.part2.rar", "new.part3.rar"});
    writeSet({"old.rar", "old.r00", "old.r01"});
    writeSet({"gap.part1.rar", "gap.part2.rar", "gap.part3.rar"});
    std::filesystem::remove(watch / "gap.part2.rar");
    ScanWatchFolder(watch.Path().string(), "1", 1);

    EXPECT_EQ(ReadWholeFile(watch / "写真.txt"), "photo");
    EXPECT_EQ(ReadWholeFile(watch / "readme.txt"), "read me");
    EXPECT_TRUE(ReadWholeFile(watch / "noise.bin") == Noise());
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(watch.Path())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"gap.part1.rar", "gap.part3.rar", "noise.bin",
                                              "readme.txt", "写真.txt"}));
}
