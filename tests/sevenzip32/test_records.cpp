// The record of what an extraction left: a file untouched since is vouched for by one
// lstat and never read; anything that may have been touched is read and put right; a
// failure that lies in the archive is given again without decoding until the archive or
// what it left changes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <tuple>

#include "../BytesRead.h"
#include "../MountedImage.h"
#include "ExtractionFixture.h"
#include "ExtractionRecord.h"
#include "LastRecord.h"
#include "UniqueFd.h"
#include "Vouching.h"

using namespace testzip;
using ::testing::HasSubstr;

namespace {

constexpr size_t kFileSize = 512 * 1024;
constexpr int kFiles = 8;

std::string Content(int file, char version) {
    std::string content(kFileSize, version);
    content.replace(0, 16, "file " + std::to_string(file) + "          ");
    return content;
}

class RecordTest : public ExtractionTest {
  protected:
    void SetUp() override {
        ExtractionTest::SetUp();
        ::setenv("XDG_CACHE_HOME", (folder_ / "cache").c_str(), 1);
    }

    // Writes the archive and lets a moment pass, so that it is not changed "just now".
    void PutArchive(const std::vector<Entry>& entries) {
        WriteWholeFile(ArchivePath(), Archive(entries));
        Settle();
    }
    static void Settle() { std::this_thread::sleep_for(std::chrono::milliseconds(30)); }

    // One pass into folder, and how many bytes it read.
    std::pair<ExtractionResult, uint64_t> Pass(const std::string& folder) {
        const uint64_t before = BytesRead();
        auto result = RunCommandLine("x -r -hide -aoa -y " + QuoteForCommandLine(ArchivePath()) +
                                     " -o" + QuoteForCommandLine(folder + "/"));
        return {result, BytesRead() - before};
    }
    // Passes until the record vouches for everything written: the files written in the
    // last moment before a pass ended are looked at once more by the next.
    std::pair<ExtractionResult, uint64_t> SettledPass(const std::string& folder) {
        Pass(folder);
        Settle();
        Pass(folder);
        Settle();
        return Pass(folder);
    }
};

std::vector<Entry> Files(char version) {
    std::vector<Entry> entries;
    for (int i = 0; i < kFiles; ++i) {
        entries.push_back(File("dir/file" + std::to_string(i), Content(i, version)));
    }
    return entries;
}

TEST_F(RecordTest, AnUntouchedFolderIsVouchedForWithoutReadingIt) {
    PutArchive(Files('a'));
    const auto [result, read] = SettledPass(OutputFolder());
    EXPECT_THAT(result.report, HasSubstr("(8 already in place); 0 failed."));
    EXPECT_LT(read, 32u * 1024) << "the extracted files or the archive were read again";
}

TEST_F(RecordTest, WhatMayHaveBeenTouchedIsReadAndPutRight) {
    PutArchive(Files('a'));
    SettledPass(OutputFolder());
    // The same size and modification time put back, but the change time moved.
    const std::string edited = Output("dir/file1");
    struct stat before {};
    ::stat(edited.c_str(), &before);
    WriteWholeFile(edited, Content(1, 'x'));
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ::utimensat(AT_FDCWD, edited.c_str(), times, 0);
    // Another file with the same size and time, under the same name: another inode.
    const std::string replaced = Output("dir/file2");
    ::stat(replaced.c_str(), &before);
    WriteWholeFile(replaced + ".other", Content(2, 'y'));
    ::utimensat(AT_FDCWD, (replaced + ".other").c_str(), times, 0);
    std::filesystem::rename(replaced + ".other", replaced);

    const auto [result, read] = Pass(OutputFolder());
    EXPECT_THAT(result.report, HasSubstr("(6 already in place); 0 failed."));
    EXPECT_EQ(ReadWholeFile(edited), Content(1, 'a'));
    EXPECT_EQ(ReadWholeFile(replaced), Content(2, 'a'));

    SettledPass(OutputFolder());
    std::filesystem::remove_all(Output("dir"));  // a whole folder of it, gone
    EXPECT_EQ(Pass(OutputFolder()).first.status, 0);
    EXPECT_EQ(ReadWholeFile(Output("dir/file5")), Content(5, 'a'));
}

TEST_F(RecordTest, ARecordOfAnotherArchiveOrADamagedOneIsIgnored) {
    PutArchive(Files('a'));
    SettledPass(OutputFolder());
    PutArchive(Files('b'));  // a new version under the same name
    auto [result, read] = Pass(OutputFolder());
    EXPECT_THAT(result.report, HasSubstr("Extracted 8 files, 0 folders, 0 links; 0 failed."));
    EXPECT_EQ(ReadWholeFile(Output("dir/file3")), Content(3, 'b'));

    SettledPass(OutputFolder());
    for (const auto& record :
         std::filesystem::directory_iterator(folder_ / "cache/kesto/records")) {
        std::fstream file(record.path(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(100);
        file.put('\x55');
    }
    std::tie(result, read) = Pass(OutputFolder());
    EXPECT_THAT(result.report, HasSubstr("(8 already in place); 0 failed."));
    EXPECT_GE(read, kFiles * kFileSize) << "a damaged record vouched for files";
}

// Where a driver keeps the times, size and modification time vouch: a settled pass reads
// nothing, an edit that moves the time is put right, one that puts size and time back is
// caught by the daily read, and a file changed within the time's resolution of the look
// is read again. A remount, which gives every file another inode, loses nothing.
class DriverTimesTest : public RecordTest,
                        public ::testing::WithParamInterface<MountedImage::Kind> {
  protected:
    // Makes the record of the extraction into folder a day and more older than it is.
    void AgeRecord(const std::string& folder) {
        sevenzip32::ExtractionRecord current;
        struct stat archive {};
        struct stat output {};
        ASSERT_EQ(::stat(ArchivePath().c_str(), &archive), 0);
        ASSERT_EQ(::stat(folder.c_str(), &output), 0);
        const sevenzip32::UniqueFd fd(::open(ArchivePath().c_str(), O_RDONLY));
        current.archive = sevenzip32::RecordedFile::From(archive, sevenzip32::VouchingOf(fd.Get()));
        current.archiveDevice = archive.st_dev;
        current.filesDevice = output.st_dev;
        current.archivePath = ArchivePath();
        current.outputFolder = folder + "/";
        const auto path = sevenzip32::RecordPathFor(current.archivePath, current.outputFolder);
        auto record = sevenzip32::LoadRecord(*path, current);
        ASSERT_TRUE(record.has_value());
        record->filesRead -= 2 * 24 * 60 * 60;
        sevenzip32::SaveRecord(*path, *record);
    }
};

TEST_P(DriverTimesTest, SizeAndTimeVouchAndADailyReadCatchesWhatTheyCannotSee) {
    MountedImage image(GetParam());
    if (!image.Mounted()) {
        GTEST_SKIP() << image.Name()
                     << " cannot be mounted here (needs root, its driver and a loop device)";
    }
    PutArchive(Files('a'));
    const std::string folder = image.Path();
    auto [settled, read] = SettledPass(folder);
    EXPECT_THAT(settled.report, HasSubstr("(8 already in place); 0 failed."));
    EXPECT_LT(read, kFileSize);

    // Another time: put right at the next pass.
    WriteWholeFile(folder + "/dir/file1", Content(1, 'x'));
    Settle();
    EXPECT_THAT(Pass(folder).first.report, HasSubstr("(7 already in place)"));
    EXPECT_EQ(ReadWholeFile(folder + "/dir/file1"), Content(1, 'a'));

    // Size and time put back: unseen until the daily read.
    struct stat before {};
    ASSERT_EQ(::stat((folder + "/dir/file2").c_str(), &before), 0);
    WriteWholeFile(folder + "/dir/file2", Content(2, 'y'));
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, (folder + "/dir/file2").c_str(), times, 0), 0);
    std::tie(settled, read) = SettledPass(folder);
    EXPECT_EQ(ReadWholeFile(folder + "/dir/file2"), Content(2, 'y'));
    AgeRecord(folder);
    std::tie(settled, read) = Pass(folder);
    EXPECT_THAT(settled.report, HasSubstr("(7 already in place)"));
    EXPECT_GE(read, kFiles * kFileSize);
    EXPECT_EQ(ReadWholeFile(folder + "/dir/file2"), Content(2, 'a'));
    EXPECT_LT(SettledPass(folder).second, kFileSize);  // and not again that day

    // Taken out and put back: every inode another, nothing lost, nothing wrongly vouched.
    WriteWholeFile(folder + "/dir/file3", Content(3, 'z'));
    ASSERT_TRUE(image.Remount());
    EXPECT_THAT(Pass(folder).first.report, HasSubstr("(7 already in place)"));
    for (int i = 0; i < kFiles; ++i) {
        EXPECT_EQ(ReadWholeFile(folder + "/dir/file" + std::to_string(i)), Content(i, 'a')) << i;
    }
}

TEST_P(DriverTimesTest, AFileChangedWithinTheTimesResolutionIsReadAgain) {
    MountedImage image(GetParam());
    if (!image.Mounted()) {
        GTEST_SKIP() << image.Name() << " cannot be mounted here";
    }
    std::vector<Entry> entries = Files('a');
    entries[0].extraFields = TimestampExtra(static_cast<uint32_t>(::time(nullptr)));
    PutArchive(entries);
    const std::string folder = image.Path();
    Pass(folder);
    Settle();
    const auto [result, read] = Pass(folder);
    EXPECT_THAT(result.report, HasSubstr("(8 already in place)"));
    EXPECT_GE(read, kFileSize);  // the file of this very second
    EXPECT_LT(read, 2 * kFileSize);
}

INSTANTIATE_TEST_SUITE_P(FileSystems, DriverTimesTest,
                         ::testing::Values(MountedImage::kExfat, MountedImage::kNtfs),
                         [](const auto& info) {
                             return std::string(info.param == MountedImage::kExfat ? "exFAT"
                                                                                   : "NTFS");
                         });

TEST_F(RecordTest, AFailureInTheArchiveIsGivenAgainWithoutDecodingUntilSomethingChanges) {
    Entry damaged = File("damaged.bin", std::string(4 << 20, 'd'), kStored);
    damaged.declaredCrc = 1234;
    PutArchive({File("good.txt", "good"), damaged});
    const auto [first, firstRead] = Pass(OutputFolder());
    EXPECT_EQ(first.status, 1);
    EXPECT_THAT(first.report, HasSubstr("damaged.bin: CRC-32 mismatch"));
    EXPECT_GE(firstRead, 4u << 20);

    Settle();
    const auto [decoded, decodedRead] = Pass(OutputFolder());
    Settle();
    const auto [again, againRead] = Pass(OutputFolder());
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.report, decoded.report);
    EXPECT_LT(againRead, 1u << 20) << "the damaged entry was decoded again";

    std::filesystem::remove(Output("good.txt"));  // what it left changed
    const auto [restored, restoredRead] = Pass(OutputFolder());
    EXPECT_EQ(ReadWholeFile(Output("good.txt")), "good");
    EXPECT_GE(restoredRead, 4u << 20);
}

// Records of archives long gone do not pile up: one not written for a month goes when
// another is written.
TEST_F(RecordTest, RecordsNotWrittenForAMonthGo) {
    const std::filesystem::path records = folder_ / "cache/kesto/records";
    std::filesystem::create_directories(records);
    WriteWholeFile(records / "00000000000000aa", "a record of long ago");
    WriteWholeFile(records / "00000000000000bb", "a recent record");
    WriteWholeFile(records / "notes.txt", "not a record");
    const timespec longAgo[2] = {{::time(nullptr) - 40 * 24 * 3600, 0},
                                 {::time(nullptr) - 40 * 24 * 3600, 0}};
    for (const char* name : {"00000000000000aa", "notes.txt"}) {
        ::utimensat(AT_FDCWD, (records / name).c_str(), longAgo, 0);
    }
    PutArchive(Files('a'));
    Pass(OutputFolder());
    EXPECT_FALSE(std::filesystem::exists(records / "00000000000000aa"));
    EXPECT_TRUE(std::filesystem::exists(records / "00000000000000bb"));
    EXPECT_TRUE(std::filesystem::exists(records / "notes.txt"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(records), {}), 3);
}

}  // namespace

namespace {

using sevenzip32::ExtractionRecord;

// A record holding something in every field, as the tests write and read it by hand.
ExtractionRecord EveryField() {
    ExtractionRecord record;
    record.archive = {11, 2222, 1700000000123456789ull, 1700000001987654321ull, 0100644};
    record.volumes = {{"a.z01", {12, 100, 3, 4, 0100600}}, {"a.z02", {13, 50, 5, 6, 0100600}}};
    record.archiveDevice = 0x801;
    record.filesDevice = 0x802;
    record.archivePath = "/watch/報告書.zip";
    record.outputFolder = "/watch/";
    record.status = 1;
    record.failuresRepeat = true;
    record.wantsPassword = true;
    record.passwordList = {21, 7, 8, 9, 0100600};
    record.reportLines = {"Extracted 1 files, 1 folders, 0 links; 1 failed.",
                          "Failed: 報告書/b.txt: no listed password opens it"};
    record.filesRead = 1700000000;
    record.succeeded = {1, 1, 0};
    record.files = {{31, 5, 10, 11, 0100644}, {32, 0, 12, 13, 040755}, {}};
    record.paths.Add("報告書/a.txt");
    record.paths.Add("報告書");
    record.paths.Add("報告書/b.txt");
    return record;
}

const std::string kOldRecord = std::string(KESTO_TEST_DATA_DIR) + "/record-version-5";

}  // namespace

// Records written before stand in the cache of every user: one written by the code of the
// version they carry reads back field for field, and the same record is written again
// byte for byte.
TEST(RecordFormat, ARecordWrittenBeforeReadsBackTheSame) {
    const ExtractionRecord expected = EveryField();
    const auto loaded = sevenzip32::LoadRecord(kOldRecord, expected);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->archive, expected.archive);
    EXPECT_EQ(loaded->volumes, expected.volumes);
    EXPECT_EQ(loaded->passwordList, expected.passwordList);
    EXPECT_EQ(std::tie(loaded->status, loaded->failuresRepeat, loaded->wantsPassword,
                       loaded->reportLines, loaded->filesRead, loaded->succeeded),
              std::tie(expected.status, expected.failuresRepeat, expected.wantsPassword,
                       expected.reportLines, expected.filesRead, expected.succeeded));
    EXPECT_EQ(loaded->files, expected.files);
    ASSERT_EQ(loaded->paths.Size(), expected.paths.Size());
    for (size_t i = 0; i < expected.paths.Size(); ++i) {
        EXPECT_EQ(loaded->paths[i], expected.paths[i]);
    }
    const TemporaryFolder folder;
    sevenzip32::SaveRecord(folder.Path() / "again", expected);
    EXPECT_EQ(ReadWholeFile(folder / "again"), ReadWholeFile(kOldRecord));
}

// What the last record is good for, from what stands now: only a whole record of the
// archive as it is, whose volumes stand and whose daily read is not due, is used at all;
// it replays only failures that repeat, while the password list is as it was, with every
// file it names in place; one none of whose files stand vouches for nothing.
TEST(RecordFormat, TheLastRecordIsUsedOnlyForWhatItCanVouchFor) {
    using sevenzip32::RecordFacts;
    using sevenzip32::RecordUse;
    using sevenzip32::Standing;
    const RecordFacts usable{true, true, false, true, false};
    struct Row {
        RecordFacts facts;
        Standing standing;
        RecordUse use;
    };
    const auto with = [&](auto change) {
        RecordFacts facts = usable;
        change(facts);
        return facts;
    };
    for (const Row& row : {
             Row{usable, Standing::All, RecordUse::Replay},
             Row{usable, Standing::Some, RecordUse::Vouch},
             Row{usable, Standing::None, RecordUse::Afresh},
             Row{with([](RecordFacts& f) { f.failuresRepeat = false; }), Standing::NotAsked,
                 RecordUse::Vouch},
             Row{with([](RecordFacts& f) { f.passwordListChanged = true; }), Standing::NotAsked,
                 RecordUse::Vouch},
             Row{with([](RecordFacts& f) { f.found = false; }), Standing::NotAsked,
                 RecordUse::Afresh},
             Row{with([](RecordFacts& f) { f.volumesStand = false; }), Standing::NotAsked,
                 RecordUse::Afresh},
             Row{with([](RecordFacts& f) { f.dailyReadDue = true; }), Standing::NotAsked,
                 RecordUse::Afresh},
         }) {
        EXPECT_EQ(sevenzip32::MayReplay(row.facts), row.standing != Standing::NotAsked);
        EXPECT_EQ(sevenzip32::UseOfRecord(row.facts, row.standing), row.use);
    }
}
