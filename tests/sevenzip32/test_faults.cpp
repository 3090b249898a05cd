// Faults from outside: a FIFO where an archive should be, reports longer than the
// buffer, and work that throws what no one expects.
#include <sys/stat.h>
#include <sys/wait.h>

#include <fcntl.h>

#include <future>
#include <map>

#include "EntryOutcomes.h"
#include "ExtractionFixture.h"
#include "StaleTemporaries.h"
#include "TemporaryFile.h"

using namespace testzip;
using ::testing::HasSubstr;

TEST_F(ExtractionTest, AFifoNamedLikeAnArchiveIsRefusedAtOnce) {
    const std::string fifo = folder_ / "arriving.zip";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto running = std::async(std::launch::async, [&] {
        return RunCommandLine("x -r -hide -aoa -y " + QuoteForCommandLine(fifo) + " -o" +
                              QuoteForCommandLine(OutputFolder()));
    });
    const bool answered = running.wait_for(std::chrono::seconds(1)) == std::future_status::ready;
    if (!answered) {  // let the hung open go, so the test can end
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    }
    ASSERT_TRUE(answered);
    auto result = running.get();
    EXPECT_EQ(result.status, 2);
    EXPECT_THAT(result.report, HasSubstr("not a regular file"));
}

TEST_F(ExtractionTest, AReportLongerThanTheBufferKeepsItsReason) {
    const std::string longPath = "/" + std::string(9000, 'p') + ".zip";
    auto result = RunCommandLine("x -r -hide -aoa -y " + QuoteForCommandLine(longPath) + " -o" +
                                 QuoteForCommandLine(OutputFolder()));
    EXPECT_EQ(result.status, 2);
    EXPECT_LT(result.report.size(), 8192u);
    EXPECT_THAT(result.report, HasSubstr("Archive: /ppp"));
    EXPECT_THAT(result.report, HasSubstr("ppp...ppp"));  // the middle left out
    EXPECT_THAT(result.report, HasSubstr("Failed: cannot open the archive: File name too long"));
}

TEST_F(ExtractionTest, WhatAKilledWriterLeftIsRemovedAndALiveWritersTemporaryIsNot) {
    const auto folder = std::make_shared<const sevenzip32::UniqueFd>(
        ::open(OutputFolder().c_str(), O_RDONLY | O_DIRECTORY));
    const pid_t child = ::fork();
    if (child == 0) {
        // Dies in the middle of writing, as a killed extraction does: nothing cleans up.
        sevenzip32::TemporaryFile dying(folder, sevenzip32::TemporaryFile::Kind::Named);
        dying.Write(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("half"), 4));
        const timespec longAgo[2] = {{1, 0}, {1, 0}};
        ::futimens(dying.Fd(), longAgo);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    sevenzip32::TemporaryFile living(folder, sevenzip32::TemporaryFile::Kind::Named);
    WriteWholeFile(Output(".kesto-a-name-like-ours.tmp"), "not ours");
    WriteWholeFile(Output("notes.tmp"), "the user's");
    const auto before = Tree(OutputFolder());
    ASSERT_EQ(before.size(), 4u);

    auto result = Extract(Archive({File("new.txt", "new")}));
    EXPECT_EQ(result.status, 0) << result.report;
    auto after = Tree(OutputFolder());
    after.erase("new.txt");
    EXPECT_EQ(after.size(), 3u) << "only the dead writer's temporary goes";
    for (const std::string& name : after) {
        EXPECT_TRUE(before.count(name)) << name;
    }
}

TEST(EntryOutcomes, WhateverTheWorkThrowsFailsThatEntryAlone) {
    sevenzip32::EntryOutcomes outcomes(5);
    outcomes.Attempt(0, [] {});
    outcomes.Attempt(1, [] { throw 42; });
    outcomes.Attempt(2, [] { throw std::bad_alloc(); });
    outcomes.Attempt(3, [] { throw std::runtime_error("disk on fire"); });
    EXPECT_TRUE(outcomes.Succeeded(0));
    for (size_t entry : {1, 2, 3, 4}) {
        EXPECT_FALSE(outcomes.Succeeded(entry)) << entry;
    }
    std::map<size_t, std::string> reasons;
    outcomes.ForEachFailure([&](size_t entry, const std::string& reason) {
        EXPECT_TRUE(reasons.emplace(entry, reason).second) << entry;
    });
    EXPECT_EQ(reasons[1], "an internal error stopped the entry");
    EXPECT_EQ(reasons[2], "not enough memory");
    EXPECT_EQ(reasons[3], "an internal error stopped the entry: disk on fire");
    EXPECT_EQ(reasons[4], "the entry was not reached");
    EXPECT_EQ(reasons.size(), 4u);
}

// Another extraction's sweep may probe a temporary between its creation and its lock:
// the writer waits for the probe and goes on, never failing the entry for it.
TEST_F(ExtractionTest, ASweepProbingANewTemporaryNeverFailsItsWriter) {
    const auto folder = std::make_shared<const sevenzip32::UniqueFd>(
        ::open(OutputFolder().c_str(), O_RDONLY | O_DIRECTORY));
    std::atomic<bool> writing{true};
    auto sweeping = std::async(std::launch::async, [&] {
        while (writing) {
            sevenzip32::RemoveStaleTemporaries(folder->Get());
        }
    });
    size_t failures = 0;
    for (int i = 0; i < 20000; ++i) {
        try {
            sevenzip32::TemporaryFile file(folder, sevenzip32::TemporaryFile::Kind::Named);
        } catch (const std::exception& failure) {
            ++failures;
            ADD_FAILURE() << failure.what();
        }
    }
    writing = false;
    sweeping.get();
    EXPECT_EQ(failures, 0u);
}

// Where the file system has anonymous files, a killed writer leaves nothing at all, and
// a file replaced through one is replaced whole.
TEST_F(ExtractionTest, AnAnonymousTemporaryOfAKilledWriterLeavesNothing) {
    const auto folder = std::make_shared<const sevenzip32::UniqueFd>(
        ::open(OutputFolder().c_str(), O_RDONLY | O_DIRECTORY));
    WriteWholeFile(Output("kept.txt"), "old");
    const pid_t child = ::fork();
    if (child == 0) {
        sevenzip32::TemporaryFile dying(folder);
        dying.Write(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("half"), 4));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(Tree(OutputFolder()), std::set<std::string>{"kept.txt"});

    sevenzip32::TemporaryFile replacement(folder);
    replacement.Write(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("new"), 3));
    replacement.Publish("kept.txt", 0644, 1);
    sevenzip32::TemporaryFile fresh(folder);
    fresh.Publish("fresh.txt", 0600, 1);
    EXPECT_EQ(ReadWholeFile(Output("kept.txt")), "new");
    EXPECT_EQ(Tree(OutputFolder()), (std::set<std::string>{"kept.txt", "fresh.txt"}));
}
