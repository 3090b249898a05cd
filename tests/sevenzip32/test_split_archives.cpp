// Archives split into volumes by zip -s (name.z01, name.z02, ..., name.zip) extract as one.
// A volume missing, short, a link or a FIFO holds the whole archive back with a reason
// that names it, and is tried again at every pass; the record of an extraction holds only
// while every volume stands as it was read.
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <thread>

#include "../BytesRead.h"
#include "ExtractionFixture.h"

using ::testing::HasSubstr;

namespace {

std::string Noise(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator());
    }
    return bytes;
}

class SplitArchiveTest : public ExtractionTest {
  protected:
    void SetUp() override {
        ExtractionTest::SetUp();
        ::setenv("XDG_CACHE_HOME", (folder_ / "cache").c_str(), 1);
        std::filesystem::create_directories(source_ / "docs");
        WriteWholeFile(source_ / "noise.bin", Noise(700 * 1024, 1));
        WriteWholeFile(source_ / "docs/small.txt", "small\n");
        WriteWholeFile(source_ / "docs/more.bin", Noise(90 * 1024, 2));
    }

    // Splits the source with zip and the options into name beside the test's other files.
    void Split(const std::string& options, const std::string& name = "split.zip") {
        const std::string command =
            "cd '" + source_.string() + "' && zip -qr " + options + " '" + (folder_ / name) + "' .";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));  // not "changed just now"
    }
    ExtractionResult ExtractSplit(const std::string& name = "split.zip") {
        return RunCommandLine("x -r -hide -aoa -y " + QuoteForCommandLine(folder_ / name) + " -o" +
                              QuoteForCommandLine(OutputFolder() + "/"));
    }
    void ExpectEverythingOut(const ExtractionResult& result) {
        EXPECT_EQ(result.status, 0) << result.report;
        for (const char* name : {"noise.bin", "docs/small.txt", "docs/more.bin"}) {
            EXPECT_TRUE(ReadWholeFile(Output(name)) == ReadWholeFile(source_ / name)) << name;
        }
    }
    size_t VolumesOf(const std::string& stem) const {
        size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
            count += entry.path().stem() == stem;
        }
        return count;
    }

    const std::filesystem::path source_ = folder_.Path() / "source";
};

}  // namespace

TEST_F(SplitArchiveTest, SplitsOfEverySizeExtractAsOne) {
    struct Case {
        const char* options;
        size_t volumes;
    };
    // Entries across boundaries, many volumes, one volume, and the zip64 records.
    for (const Case& split : {Case{"-s 100k", 8}, Case{"-s 64k", 13}, Case{"-s 10m", 1},
                              Case{"-fz -s 64k", 13}, Case{"-0 -s 128k", 7}}) {
        SCOPED_TRACE(split.options);
        std::filesystem::remove_all(folder_ / "cache");
        for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
            if (entry.path().stem() == "split") {
                std::filesystem::remove(entry.path());
            }
        }
        Split(split.options);
        EXPECT_EQ(VolumesOf("split"), split.volumes);
        std::filesystem::remove_all(OutputFolder());
        std::filesystem::create_directory(OutputFolder());
        const auto result = ExtractSplit();
        ExpectEverythingOut(result);
        EXPECT_EQ(result.report.find("Volumes: ") != std::string::npos, split.volumes > 1);
    }
}

// Still being copied or downloaded: the archive waits whole, and nothing is replayed.
TEST_F(SplitArchiveTest, AMissingOrShortVolumeHoldsTheArchiveUntilItIsWhole) {
    Split("-s 100k");
    const auto volume = folder_ / "split.z03";
    const std::string whole = ReadWholeFile(volume);
    std::filesystem::rename(volume, folder_ / "aside");
    for (int pass = 0; pass < 2; ++pass) {
        const auto missing = ExtractSplit();
        EXPECT_EQ(missing.status, 2);
        EXPECT_THAT(missing.report,
                    HasSubstr("Failed: a volume of the archive is missing: split.z03\n"));
    }
    WriteWholeFile(volume, whole.substr(0, 40000));
    for (int pass = 0; pass < 2; ++pass) {
        const auto cut = ExtractSplit();
        EXPECT_EQ(cut.status, 2);
        EXPECT_THAT(cut.report, HasSubstr("Failed: a volume of the archive is shorter than the "
                                          "archive says: split.z03\n"));
    }
    EXPECT_EQ(Tree(OutputFolder()), std::set<std::string>{});
    WriteWholeFile(volume, whole);
    ExpectEverythingOut(ExtractSplit());
}

TEST_F(SplitArchiveTest, VolumesAreFoundInAnyCaseButNeverThroughALinkOrAFifo) {
    Split("-s 100k", "UPPER.ZIP");  // beside UPPER.z01 and so on
    for (const char* number : {"1", "2", "3", "4", "5", "6", "7"}) {
        std::filesystem::rename(folder_ / (std::string("UPPER.z0") + number),
                                folder_ / (std::string("upper.Z0") + number));
    }
    ExpectEverythingOut(ExtractSplit("UPPER.ZIP"));

    const auto volume = folder_ / "upper.Z02";
    std::filesystem::rename(volume, folder_ / "aside");
    std::filesystem::create_symlink(folder_ / "aside", volume);
    EXPECT_THAT(ExtractSplit("UPPER.ZIP").report,
                HasSubstr("Failed: a volume of the archive is not a regular file: upper.Z02\n"));
    std::filesystem::remove(volume);
    ASSERT_EQ(::mkfifo(volume.c_str(), 0600), 0);
    EXPECT_THAT(ExtractSplit("UPPER.ZIP").report,
                HasSubstr("Failed: a volume of the archive is not a regular file: upper.Z02\n"));
}

// An unchanged split archive is given again from its record, without reading it; a
// volume put in another's place is read again.
TEST_F(SplitArchiveTest, TheRecordHoldsWhileEveryVolumeStands) {
    Split("-0 -s 128k");
    const auto volume = folder_ / "split.z02";
    const std::string good = ReadWholeFile(volume);
    std::string damaged = good;
    damaged[damaged.size() / 2] ^= 0x55;  // in the stored data of noise.bin
    std::filesystem::remove(volume);
    WriteWholeFile(volume, damaged);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ExtractSplit();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // what it wrote settles
    const auto failed = ExtractSplit();
    EXPECT_THAT(failed.report, HasSubstr("Failed: noise.bin: CRC-32 mismatch\n"));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const uint64_t before = BytesRead();
    EXPECT_EQ(ExtractSplit().report, failed.report);
    EXPECT_LT(BytesRead() - before, 64u * 1024);  // the record, not the archive
    std::filesystem::remove(volume);
    WriteWholeFile(volume, good);
    ExpectEverythingOut(ExtractSplit());
}

// As this library's own test writer splits them: every entry's offsets in zip64 fields,
// the zip64 end records on the last disk, volumes as small as an entry's header and more
// of them than the usual limit on open files.
TEST_F(SplitArchiveTest, Zip64SplitsWithEveryOffsetInItsFieldExtract) {
    struct rlimit limit {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const struct rlimit usual = {std::min<rlim_t>(256, limit.rlim_cur), limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &usual), 0);
    std::vector<testzip::Entry> entries;
    for (int i = 0; i < 40; ++i) {
        entries.push_back(testzip::File("f" + std::to_string(i), Noise(i * 97, i)));
        entries.back().zip64 = i % 2 == 0;
        entries.back().dataDescriptor = i % 3 == 0;
    }
    for (const uint64_t volumeSize : {64u, 1000u, 30000u}) {
        SCOPED_TRACE(volumeSize);
        const auto volumes = testzip::SplitArchive(entries, volumeSize);
        for (size_t disk = 0; disk + 1 < volumes.size(); ++disk) {
            WriteWholeFile(folder_ / ((disk < 9 ? "z64.z0" : "z64.z") + std::to_string(disk + 1)),
                           volumes[disk]);
        }
        WriteWholeFile(folder_ / "z64.zip", volumes.back());
        const auto result = ExtractSplit("z64.zip");
        EXPECT_EQ(result.status, 0) << result.report;
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_TRUE(ReadWholeFile(Output(entries[i].name)) == entries[i].data) << i;
        }
    }
}

// 7-Zip's volumes, raw pieces of one file (name.zip.001, name.zip.002, ...), read as one;
// a piece missing or short holds the archive back, found in any case but never through
// a link; pieces that hold an archive split into disks of its own are refused.
TEST_F(SplitArchiveTest, NumberedVolumesExtractAsOneOnceEveryPieceIsThere) {
    const std::string command = "cd '" + source_.string() + "' && 7zz a -tzip -bd -bso0 -v100k '" +
                                (folder_ / "n.zip") + "' .";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    ASSERT_EQ(VolumesOf("n.zip"), 8u);
    const auto piece = [&](int number) { return folder_ / ("n.zip.00" + std::to_string(number)); };
    const auto extract = [&] {
        std::filesystem::remove_all(OutputFolder());
        std::filesystem::create_directory(OutputFolder());
        return ExtractSplit("n.zip.001");
    };
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // not "changed just now"
    const auto whole = extract();
    ExpectEverythingOut(whole);
    EXPECT_THAT(whole.report, HasSubstr("Volumes: 8\n"));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // what it wrote settles
    const auto inPlace = ExtractSplit("n.zip.001");
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const uint64_t before = BytesRead();
    EXPECT_EQ(ExtractSplit("n.zip.001").report, inPlace.report);
    EXPECT_LT(BytesRead() - before, 64u * 1024);  // the record, not the pieces

    struct Damage {
        int piece;
        size_t keep;  // of its bytes; none: the piece is missing
        const char* reason;
    };
    for (const Damage& damage : {Damage{3, 0, "missing: n.zip.003"},
                                 Damage{3, 40000, "shorter than the archive says: n.zip.003"},
                                 Damage{8, 0, "missing: n.zip.008"},
                                 Damage{8, 100, "shorter than the archive says: n.zip.008"}}) {
        SCOPED_TRACE(damage.reason);
        const std::string bytes = ReadWholeFile(piece(damage.piece));
        std::filesystem::remove(piece(damage.piece));
        if (damage.keep > 0) {
            WriteWholeFile(piece(damage.piece), bytes.substr(0, damage.keep));
        }
        const auto held = extract();
        EXPECT_EQ(held.status, 2) << held.report;
        EXPECT_THAT(held.report, HasSubstr(damage.reason));
        EXPECT_EQ(Tree(OutputFolder()), std::set<std::string>{});
        std::filesystem::remove(piece(damage.piece));
        WriteWholeFile(piece(damage.piece), bytes);
    }

    std::filesystem::rename(piece(2), folder_ / "N.ZIP.002");
    ExpectEverythingOut(extract());
    std::filesystem::rename(folder_ / "N.ZIP.002", folder_ / "aside");
    std::filesystem::create_symlink(folder_ / "aside", piece(2));
    EXPECT_THAT(extract().report, HasSubstr("not a regular file: n.zip.002"));

    Split("-s 100k");
    std::filesystem::copy_file(folder_ / "split.zip", folder_ / "disks.zip.001");
    EXPECT_THAT(ExtractSplit("disks.zip.001").report,
                HasSubstr("numbered volumes hold an archive split into volumes of its own"));
}
