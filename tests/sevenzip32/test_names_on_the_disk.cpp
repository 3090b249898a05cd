// Names as the disk they land on takes them: on a USB stick's or a Windows disk's file
// system the characters it refuses are written full-width, and everywhere a name too long
// for the file system is shortened, its extension kept; the report says how each was
// written, and a second pass finds them in place.
#include <filesystem>

#include "../MountedImage.h"
#include "ExtractionFixture.h"

using namespace testzip;
using ::testing::HasSubstr;

namespace {

std::string Repeated(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) {
        repeated += text;
    }
    return repeated;
}

class NamesOnTheDiskTest : public ExtractionTest {
  protected:
    ExtractionResult ExtractTo(const std::string& folder) {
        return RunCommandLine("x -r -hide -aoa -y " + QuoteForCommandLine(ArchivePath()) + " -o" +
                              QuoteForCommandLine(folder + "/"));
    }
};

}  // namespace

TEST_F(NamesOnTheDiskTest, CharactersWindowsRefusesLandFullWidthThere) {
    WriteWholeFile(ArchivePath(),
                   Archive({File("会議: 11月.txt", "minutes"), File("q?/x.txt", "in a folder"),
                            File("a*b<c>d|e\"f.txt", "every one"), File("ab:c.txt", "first"),
                            File("ab：c.txt", "second")}));
    for (const MountedImage::Kind kind : {MountedImage::kExfat, MountedImage::kNtfs}) {
        MountedImage disk(kind);
        if (!disk.Mounted()) {
            GTEST_SKIP() << disk.Name() << " cannot be mounted here (needs root and its driver)";
        }
        SCOPED_TRACE(disk.Name());
        const auto result = ExtractTo(disk.Path());
        EXPECT_EQ(result.status, 1) << result.report;
        EXPECT_THAT(result.report, HasSubstr("Note: 会議: 11月.txt written as 会議： 11月.txt\n"));
        EXPECT_THAT(result.report, HasSubstr("Note: q?/x.txt written as q？/x.txt\n"));
        EXPECT_THAT(result.report, HasSubstr("Failed: ab：c.txt: the name comes twice"));
        EXPECT_EQ(ReadWholeFile(disk.Path() + "/会議： 11月.txt"), "minutes");
        EXPECT_EQ(ReadWholeFile(disk.Path() + "/q？/x.txt"), "in a folder");
        EXPECT_EQ(ReadWholeFile(disk.Path() + "/a＊b＜c＞d｜e＂f.txt"), "every one");
        EXPECT_EQ(ReadWholeFile(disk.Path() + "/ab：c.txt"), "first");
        // Given again from the record, which holds the names as written.
        EXPECT_EQ(ExtractTo(disk.Path()).report, result.report);
    }
    // Where the file system takes them, names stay byte for byte.
    EXPECT_EQ(ExtractTo(OutputFolder()).status, 0);
    EXPECT_EQ(ReadWholeFile(Output("会議: 11月.txt")), "minutes");
}

// 100 kana make 300 bytes, 90 kanji 270: each over the 255 bytes of ext4, XFS and Btrfs.
TEST_F(NamesOnTheDiskTest, NamesTooLongForTheFileSystemAreShortenedApart) {
    const std::string folder = Repeated("漢", 90);
    const std::string shared = Repeated("い", 84);  // 252 bytes
    const std::vector<Entry> entries = {
        File(Repeated("あ", 100) + ".txt", "long"), File(folder + "/one.txt", "one"),
        File(folder + "/two.txt", "two"), File(shared + "-first.txt", "first"),
        File(shared + "-second.txt", "second")};
    WriteWholeFile(ArchivePath(), Archive(entries));
    const auto result = ExtractTo(OutputFolder());
    EXPECT_EQ(result.status, 0) << result.report;
    EXPECT_THAT(result.report, HasSubstr("Note: " + folder + "/one.txt written as "));
    std::map<std::string, std::string> written;  // contents by name
    for (const auto& entry : std::filesystem::recursive_directory_iterator(OutputFolder())) {
        const std::string name = entry.path().filename().string();
        const std::string path = entry.path().lexically_relative(OutputFolder());
        EXPECT_LE(name.size(), 255u) << name;
        EXPECT_THAT(path, ::testing::HasSubstr("…~"));
        if (entry.is_regular_file()) {
            EXPECT_TRUE(name.ends_with(".txt")) << name;
            written[ReadWholeFile(entry.path())] = path;
        }
    }
    ASSERT_EQ(written.size(), 5u);
    EXPECT_EQ(std::filesystem::path(written["one"]).parent_path(),
              std::filesystem::path(written["two"]).parent_path());
    EXPECT_THAT(ExtractTo(OutputFolder()).report, HasSubstr("(5 already in place)"));
}
