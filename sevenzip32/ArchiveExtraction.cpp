#include "ArchiveExtraction.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "BackgroundBytes.h"
#include "ComposedName.h"
#include "DiskBudget.h"
#include "EntryFailure.h"
#include "EntryOutcomes.h"
#include "FileInPlace.h"
#include "FilesAsLeft.h"
#include "FolderCache.h"
#include "FoldersLeftEmpty.h"
#include "LinkTarget.h"
#include "NameSpelling.h"
#include "ParallelFor.h"
#include "PathParts.h"
#include "PublishLink.h"
#include "ReportLines.h"
#include "TemporaryFile.h"
#include "Utf8.h"
#include "Vouching.h"

namespace sevenzip32 {
namespace {

constexpr uint64_t kFreeSpaceCheckWhileWritingEvery = 8ull * 1024 * 1024;
constexpr uint64_t kWriteInBackgroundFrom = 8ull * 1024 * 1024;
constexpr size_t kComparingBufferSize = 256 * 1024;

// What one thread keeps between entries. The buffers are taken at the first entry that
// needs them: a pass that finds everything vouched for reads nothing.
struct WorkerTools {
    WorkerTools(const OutputFolder& output, EntrySource& source)
        : reader(source.Reader()), folders(output) {}

    // The entry's file name within its folder, as the system calls take it.
    const std::string& Leaf(std::string_view path) {
        leaf.assign(LastPart(path));
        return leaf;
    }

    std::span<uint8_t> ComparingBuffer() {
        if (comparingBuffer.empty()) {
            comparingBuffer.resize(kComparingBufferSize);
        }
        return comparingBuffer;
    }

    std::unique_ptr<EntryReader> reader;
    FolderCache folders;
    std::vector<uint8_t> comparingBuffer;
    std::string leaf;
};

}  // namespace

std::string SummaryLine(const KindCounts& succeeded, uint64_t inPlace, uint64_t failed) {
    return contract::SummaryLine(
        {succeeded.files, succeeded.folders, succeeded.links, inPlace, failed});
}

namespace {

uint64_t& CountOf(KindCounts& counts, EntryKind kind) {
    switch (kind) {
        case EntryKind::Folder:
            return counts.folders;
        case EntryKind::Link:
            return counts.links;
        default:
            return counts.files;
    }
}

class ArchiveExtraction {
  public:
    // previous, when there is one, vouches for the files it recorded.
    ArchiveExtraction(EntrySource& source, ExtractionPlan plan, const OutputFolder& output,
                      ExtractionRecord* previous)
        : source_(source),
          plan_(std::move(plan)),
          output_(output),
          previous_(previous),
          outcomes_(plan_.entries.size()),
          inPlace_(plan_.entries.size(), 0) {
        for (const auto& [index, reason] : plan_.refusals) {
            outcomes_.Refuse(index, reason);
        }
    }

    // Folders first, then files on several threads, then links, so that no file is ever
    // written below a link of the archive.
    void Run() {
        WorkerTools tools(output_, source_);
        for (const PlannedEntry& entry : plan_.entries) {
            if (IsPending(entry, EntryKind::Folder)) {
                Attempt(entry, [&] {
                    if (!seen_[Index(entry)].IsKnown()) {
                        tools.folders.Folder(Path(entry));
                    }
                });
            }
        }
        RunFilesInParallel();
        // A name that differs from an earlier file's only in case comes after it, so that
        // where the file system takes the two for one, the earlier is the one kept.
        for (const PlannedEntry& entry : plan_.entries) {
            if (IsPending(entry, EntryKind::File) && entry.caseTwin) {
                Attempt(entry, [&] { ExtractFile(entry, tools); });
            }
        }
        for (const PlannedEntry& entry : plan_.entries) {
            if (IsPending(entry, EntryKind::Link)) {
                Attempt(entry, [&] { ExtractLink(entry, tools); });
            }
        }
        RemoveFoldersLeftEmpty();
    }

    // Looks at what the last record vouches for, then has the source read where the
    // entries still to be worked on lie. What stands as it was left needs no reading at all.
    // What is seen is kept from here on, after the check of the entries' bytes, which
    // takes room of its own for a moment.
    void Prepare() {
        const bool checkedBefore = previous_ && previous_->status != kArchiveRejected;
        if (checkedBefore) {
            // What the record holds becomes what was seen, where it still stands: one
            // list of files, not two.
            seen_ = std::move(previous_->files);
            seen_.resize(plan_.entries.size());
            VouchForWhatWasLeft();
        }
        source_.Prepare([&](size_t i) { return seen_.empty() || !seen_[i].IsKnown(); },
                        checkedBefore);
        seen_.resize(plan_.entries.size());
    }

    ExtractionStatus Report(std::vector<std::string>& lines) {
        KindCounts succeeded;
        size_t failed = 0;
        size_t inPlace = 0;
        for (size_t i = 0; i < plan_.entries.size(); ++i) {
            if (outcomes_.Succeeded(i)) {
                ++CountOf(succeeded, plan_.entries[i].kind);
                inPlace += inPlace_[i];
            } else {
                ++failed;
            }
        }
        lines.push_back(SummaryLine(succeeded, inPlace, failed));
        for (size_t i = 0; i < plan_.entries.size(); ++i) {
            if (plan_.entries[i].renamed && outcomes_.Succeeded(i)) {
                lines.push_back(contract::NoteLine(plan_.Name(i), plan_.paths[i]));
            }
        }
        outcomes_.ForEachFailure([&](size_t i, const std::string& reason) {
            lines.push_back(contract::EntryFailureLine(plan_.Name(i), reason));
        });
        const auto archiveFailure = source_.ArchiveFailure();
        if (archiveFailure) {
            lines.push_back(contract::FailureLine(contract::FailureKind::Failed, *archiveFailure));
        }
        return failed == 0 && !archiveFailure ? kExtractedAll : kSomeEntriesFailed;
    }

    // What each entry that succeeded left, as lstat gives it after the last write; a file
    // changed too recently to vouch for itself is left out, and looked at next time.
    // The last call: what was seen and the plan's paths move into the record.
    void RecordWhatWasLeft(ExtractionRecord& record) {
        const RacyLimit racy;
        FolderCache folders(output_, FolderCache::kLooking);
        bool everySuccessRecorded = true;
        for (size_t i = 0; i < plan_.entries.size(); ++i) {
            RecordedFile& left = seen_[i];
            const std::string_view path = plan_.paths[i];
            const bool succeeded = outcomes_.Succeeded(i);
            CountOf(record.succeeded, plan_.entries[i].kind) += succeeded;
            if (!succeeded || path.empty()) {  // failed, or the output folder itself
                left = {};
                continue;
            }
            if (!left.IsKnown()) {
                left = StandingNow(path, place_, folders);
            }
            if (!left.IsKnown() || racy.IsRacy(left.Touched(), place_.vouching)) {
                everySuccessRecorded = false;
                left = {};
            }
        }
        record.failuresRepeat = everySuccessRecorded && outcomes_.EveryFailureLiesInTheArchive();
        record.wantsPassword = outcomes_.AnyWantsPassword();
        record.files = std::move(seen_);
        record.paths = std::move(plan_.paths);
    }

  private:
    size_t Index(const PlannedEntry& entry) const { return plan_.IndexOf(entry); }
    std::string_view Path(const PlannedEntry& entry) const { return plan_.paths[Index(entry)]; }

    // The folders above the entries that failed, but for those the archive names.
    void RemoveFoldersLeftEmpty() const {
        std::vector<std::string_view> above;
        for (size_t i = 0; i < plan_.entries.size(); ++i) {
            if (!outcomes_.Succeeded(i)) {
                for (auto folder = FolderPart(plan_.paths[i]); !folder.empty();
                     folder = FolderPart(folder)) {
                    above.push_back(folder);
                }
            }
        }
        if (above.empty()) {
            return;
        }
        std::vector<std::string_view> named;
        for (size_t i = 0; i < plan_.entries.size(); ++i) {
            if (plan_.entries[i].kind == EntryKind::Folder) {
                named.push_back(plan_.paths[i]);
            }
        }
        std::sort(named.begin(), named.end());
        std::erase_if(above, [&](std::string_view folder) {
            return std::binary_search(named.begin(), named.end(), folder);
        });
        RemoveEmptyFoldersMadeHere(output_, std::move(above));
    }

    static bool IsPending(const PlannedEntry& entry, EntryKind kind) {
        return entry.kind == kind && !entry.refused;
    }

    template <typename Work>
    void Attempt(const PlannedEntry& entry, Work work) {
        outcomes_.Attempt(Index(entry), work);
    }

    void RunFilesInParallel() {
        const auto& entries = plan_.entries;
        auto isOurs = [](const PlannedEntry& entry) {
            return IsPending(entry, EntryKind::File) && !entry.caseTwin;
        };
        // Each thread takes a run of entries at a time, as the source reads them best.
        const std::vector<size_t> runs = source_.RunStarts(plan_);
        std::atomic<size_t> next{0};
        auto work = [&] {
            WorkerTools tools(output_, source_);
            for (size_t run = next++; run + 1 < runs.size(); run = next++) {
                for (size_t i = runs[run]; i < runs[run + 1]; ++i) {
                    if (isOurs(entries[i])) {
                        Attempt(entries[i], [&] { ExtractFile(entries[i], tools); });
                    }
                }
            }
        };
        const auto files =
            static_cast<size_t>(std::count_if(entries.begin(), entries.end(), isOurs));
        RunOnThreads(source_.Threads(files, runs.size() - 1), [&](size_t which) {
            try {
                work();
            } catch (...) {
                // A helper that cannot even set itself up leaves its share to the others;
                // an entry no thread reached counts as failed.
                if (which == 0) {
                    throw;
                }
            }
        });
    }

    void ExtractFile(const PlannedEntry& entry, WorkerTools& tools) {
        const size_t index = Index(entry);
        if (seen_[index].IsKnown()) {
            return;  // vouched for by the record
        }
        const uint64_t size = source_.Size(index);
        const std::optional<uint32_t> crc = source_.Crc(index);
        const SharedFd folder = tools.folders.FolderOf(Path(entry));
        const std::string& name = tools.Leaf(Path(entry));
        const ExpectedFile expected{size, crc.value_or(0), entry.mode, entry.modificationTime,
                                    user_};
        if (entry.caseTwin && NameStandsSpelledOtherwise(folder->Get(), name)) {
            throw EntryFailure(Reason::kNameComesTwiceInCase);
        }
        // A folder this extraction made holds nothing to compare with and nothing stale.
        // An entry without a CRC can be told only by decrypting it.
        const bool newFolder = tools.folders.LastIsNew();
        if (!newFolder && crc &&
            KeepIfAlreadyInPlace(folder->Get(), name, expected, tools.ComparingBuffer())) {
            inPlace_[index] = 1;
            NoteWhatWasLeft(index, folder->Get(), name);
            return;
        }
        if (!newFolder) {
            tools.folders.PrepareToWrite();
        }
        std::optional<struct stat> left;
        auto attempt = [&](const EntryFeed& feed) {
            left = WriteFile(entry, size, folder, name, feed);
        };
        tools.reader->Read(index, std::ref(attempt));
        if (left) {
            Note(index, *left);
        } else {
            NoteWhatWasLeft(index, folder->Get(), name);
        }
    }

    // The entry's bytes into a temporary, put in place under name once all of them
    // checked out; a failure leaves nothing. Returns the file as it stands, where that
    // was known without a look by name.
    std::optional<struct stat> WriteFile(const PlannedEntry& entry, uint64_t size,
                                         const SharedFd& folder, const std::string& name,
                                         const EntryFeed& feed) {
        DiskClaim claim(budget_, size);
        TemporaryFile file(folder, TemporaryFile::Kind::AnonymousWherePossible, entry.mode);
        std::optional<BackgroundBytes> background;
        if (size >= kWriteInBackgroundFrom) {
            background.emplace([&](std::span<const uint8_t> bytes) { file.Write(bytes); });
        }
        uint64_t sinceCheck = 0;
        auto write = [&](std::span<const uint8_t> bytes) {
            background ? background->Write(bytes) : file.Write(bytes);
            claim.Wrote(bytes.size());
            sinceCheck += bytes.size();
            if (sinceCheck >= kFreeSpaceCheckWhileWritingEvery) {
                budget_.CheckWhileWriting(file.Fd());
                sinceCheck = 0;
            }
        };
        // Lent by reference: a sink holding all it touches would cost an allocation a file.
        feed(std::ref(write));
        if (background) {
            background->Finish();
            background.reset();
        }
        return file.Publish(name, entry.mode, entry.modificationTime);
    }

    // The file as it stands once written or found, for the record; asked here, where its
    // folder is at hand, rather than once more at the end.
    void NoteWhatWasLeft(size_t index, int folder, const std::string& name) {
        struct stat status {};
        if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
            Note(index, status);
        }
    }
    void Note(size_t index, const struct stat& status) {
        if (status.st_dev == place_.device) {
            seen_[index] = RecordedFile::From(status, place_.vouching);
        }
    }

    void VouchForWhatWasLeft() {
        LookInRuns(plan_.entries.size(), output_, [&](size_t i, FolderCache& folders) {
            const PlannedEntry& entry = plan_.entries[i];
            RecordedFile& recorded = seen_[i];
            if (recorded.IsKnown() && !entry.refused &&
                StillAsRecorded(plan_.paths[i], recorded, place_, folders)) {
                inPlace_[i] = entry.kind != EntryKind::Folder;
            } else {
                recorded = {};
            }
            return true;
        });
    }

    void ExtractLink(const PlannedEntry& entry, WorkerTools& tools) {
        const size_t index = Index(entry);
        if (seen_[index].IsKnown()) {
            return;  // vouched for by the record
        }
        std::string target;
        tools.reader->Read(index, [&](const EntryFeed& feed) {
            target.clear();
            feed(
                [&](std::span<const uint8_t> bytes) { target.append(bytes.begin(), bytes.end()); });
        });
        // Composed as the names are, so that it still finds the file it points to.
        if (std::string composed; IsValidUtf8(target) && ComposeName(target, composed)) {
            target = std::move(composed);
        }
        CheckLinkTarget(Path(entry), target);
        const SharedFd folder = tools.folders.FolderOf(Path(entry));
        const std::string& name = tools.Leaf(Path(entry));
        if (IsLinkInPlace(folder->Get(), name, target)) {
            inPlace_[index] = 1;
            NoteWhatWasLeft(index, folder->Get(), name);
            return;
        }
        tools.folders.PrepareToWrite();
        PublishLink(folder->Get(), name, target);
        NoteWhatWasLeft(index, folder->Get(), name);
    }

    EntrySource& source_;
    ExtractionPlan plan_;
    const OutputFolder& output_;
    // Which every file recorded is on, and how it vouches there.
    const FilesPlace place_{output_.Device(), VouchingOf(output_.Fd())};
    ExtractionRecord* previous_;
    DiskBudget budget_{output_.Fd()};
    EntryOutcomes outcomes_;
    std::vector<uint8_t> inPlace_;  // one byte per entry, so threads never share one
    // What each entry left, as the record vouched for it or as it stood once done.
    std::vector<RecordedFile> seen_;
    const uid_t user_ = ::geteuid();
};

}  // namespace

ExtractionStatus ExtractPlannedArchive(ReadArchive& archive, const OutputFolder& output,
                                       ExtractionRecord* previous, std::vector<std::string>& lines,
                                       ExtractionRecord* record) {
    ArchiveExtraction extraction(*archive.source, std::move(archive.plan), output, previous);
    extraction.Prepare();
    extraction.Run();
    const ExtractionStatus status = extraction.Report(lines);
    if (record != nullptr) {
        extraction.RecordWhatWasLeft(*record);
    }
    return status;
}

}  // namespace sevenzip32
