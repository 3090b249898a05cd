// ZIP archives: the central directory planned a slice at a time, and each entry read
// through its own ranges, decrypted where it is encrypted.
#include <algorithm>

#include "CentralDirectory.h"
#include "EntryDecoder.h"
#include "EntryExtents.h"
#include "FilesAsLeft.h"
#include "LocalHeaders.h"
#include "MethodDecoder.h"
#include "ParallelFor.h"
#include "PathParts.h"
#include "ReadArchive.h"
#include "ReportLines.h"
#include "ZipEntryFacts.h"

namespace sevenzip32 {
namespace {

constexpr size_t kLongestFolderRun = 256;

class ZipEntryReader : public EntryReader {
  public:
    ZipEntryReader(const ArchiveFile& file, const CentralDirectory& directory,
                   EntryUnlocker* unlocker)
        : file_(file), directory_(directory), unlocker_(unlocker) {}

    void Read(size_t entry, const EntryAttempt& attempt) override {
        const CentralRecord& record = directory_.records[entry];
        if (!record.IsEncrypted()) {
            attempt([&](const ChunkSink& sink) { decoder_.Decode(file_, record, sink); });
            return;
        }
        if (unlocker_ == nullptr) {
            throw EntryFailure(Reason::kEncrypted);
        }
        decoder_.Unlock(file_, record, *unlocker_, [&](EntryBytes& decrypted) {
            attempt(
                [&](const ChunkSink& sink) { decoder_.Decode(file_, record, sink, &decrypted); });
        });
    }

  private:
    const ArchiveFile& file_;
    const CentralDirectory& directory_;
    EntryUnlocker* unlocker_;
    EntryDecoder decoder_;
};

class ZipEntries : public EntrySource {
  public:
    ZipEntries(const ArchiveFile& file, CentralDirectory directory, EntryUnlocker* unlocker)
        : file_(file), directory_(std::move(directory)), unlocker_(unlocker) {}

    uint64_t Size(size_t entry) const override { return directory_.records[entry].size; }
    std::optional<uint32_t> Crc(size_t entry) const override {
        const CentralRecord& record = directory_.records[entry];
        return record.HasCrc() ? std::optional(record.crc) : std::nullopt;
    }

    // An archive unchanged since a pass that checked all of it needs no second check.
    void Prepare(const std::function<bool(size_t)>& wanted, bool checkedBefore) override {
        ReadLocalHeaders(file_, directory_, wanted);
        if (!checkedBefore) {
            CheckEntriesDisjoint(file_, directory_);
        }
    }

    // Neighbouring entries of one folder, a long folder's cut into several runs: a thread
    // does not open folders again for every file, and threads do not wait for each
    // other's hold on a folder.
    std::vector<size_t> RunStarts(const ExtractionPlan& plan) const override {
        std::vector<size_t> starts;
        std::string_view folder;
        for (size_t i = 0; i < plan.entries.size(); ++i) {
            const std::string_view here = FolderPart(plan.paths[i]);
            if (starts.empty() || here != folder || i - starts.back() >= kLongestFolderRun) {
                starts.push_back(i);
                folder = here;
            }
        }
        starts.push_back(plan.entries.size());
        return starts;
    }

    // Many small entries are worth a thread only where there are enough of them.
    size_t Threads(size_t files, size_t /*runs*/) const override {
        return ThreadsFor(files, kFilesPerThread);
    }

    std::unique_ptr<EntryReader> Reader() override {
        return std::make_unique<ZipEntryReader>(file_, directory_, unlocker_);
    }

    // What was read of an archive cut short is never all it holds.
    std::optional<std::string> ArchiveFailure() const override {
        if (!directory_.cutShort) {
            return std::nullopt;
        }
        return contract::ReasonText(Reason::kCutShort,
                                    contract::CutShortDetail(directory_.records.size()));
    }

  private:
    const ArchiveFile& file_;
    CentralDirectory directory_;
    EntryUnlocker* unlocker_;
};

struct PlannedZip {
    ExtractionPlan plan;
    CentralDirectory directory;
};

PlannedZip ReadAndPlanIn(ArchiveFile& file, mode_t umask, const NameRules& names,
                         UnflaggedEncoding encoding, UnflaggedNames& unflagged) {
    EntryPlanner planner(umask, names);
    CentralDirectory directory = ReadCentralDirectory(file, [&](const CentralSlice& slice) {
        if (slice.First() == 0) {
            planner.Reserve(static_cast<size_t>(slice.ExpectedCount()),
                            static_cast<size_t>(slice.NameBytesAtMost()));
        }
        planner.PlanEntries(slice.First(), slice.End(), [&] {
            return std::make_unique<ZipEntryFacts>(slice, encoding, IsMethodSupported, unflagged);
        });
    });
    return {planner.Finish(), std::move(directory)};
}

}  // namespace

// Each name is read as it reads while the archive is planned; where that turns out to
// differ from the archive's one encoding (a rare archive: CP932 names of which some are
// valid UTF-8), the directory is read and planned again in that encoding. The passwords
// are read only for an archive with encrypted entries.
ReadArchive ReadZipArchive(ArchiveFile& file, mode_t umask, const NameRules& names,
                           ArchivePasswords& passwords) {
    UnflaggedNames unflagged;
    PlannedZip planned =
        ReadAndPlanIn(file, umask, names, UnflaggedEncoding::EachAsItReads, unflagged);
    if (unflagged.SomeReadOtherwise()) {
        const UnflaggedEncoding encoding = unflagged.ArchiveEncoding();
        planned = {};
        planned = ReadAndPlanIn(file, umask, names, encoding, unflagged);
    }
    const auto& records = planned.directory.records;
    EntryUnlocker* unlocker =
        std::any_of(records.begin(), records.end(),
                    [](const CentralRecord& record) { return record.IsEncrypted(); })
            ? &passwords.Unlocker()
            : nullptr;
    return {std::move(planned.plan),
            std::make_unique<ZipEntries>(file, std::move(planned.directory), unlocker)};
}

}  // namespace sevenzip32
