#include "Extraction.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

#include "ArchiveFile.h"
#include "BackgroundWriter.h"
#include "CentralDirectory.h"
#include "ChangeTimes.h"
#include "DiskBudget.h"
#include "EntryDecoder.h"
#include "EntryFailure.h"
#include "EntryName.h"
#include "EntryOutcomes.h"
#include "ExtractionPlan.h"
#include "ExtractionRecord.h"
#include "FileInPlace.h"
#include "NameSpelling.h"
#include "OutputFolder.h"
#include "ParallelFor.h"
#include "TemporaryFile.h"

namespace sevenzip32 {
namespace {

constexpr uint64_t kFreeSpaceCheckWhileWritingEvery = 8ull * 1024 * 1024;
constexpr uint64_t kWriteInBackgroundFrom = 8ull * 1024 * 1024;
constexpr size_t kFilesPerThread = 32;
constexpr size_t kRunLength = 32;
constexpr size_t kComparingBufferSize = 256 * 1024;

// The umask, read without changing it, since the host program may have other threads.
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        unsigned int mask = 0;
        if (std::sscanf(line.c_str(), "Umask: %o", &mask) == 1) {
            return static_cast<mode_t>(mask);
        }
    }
    return 022;
}

// What one thread keeps between entries. The buffers are taken at the first entry that
// needs them: a pass that finds everything vouched for reads nothing.
struct WorkerTools {
    explicit WorkerTools(const OutputFolder& output) : folders(output) {}

    std::span<uint8_t> ComparingBuffer() {
        if (comparingBuffer.empty()) {
            comparingBuffer.resize(kComparingBufferSize);
        }
        return comparingBuffer;
    }

    EntryDecoder decoder;
    FolderCache folders;
    std::vector<uint8_t> comparingBuffer;
};

// Calls look(i, folders) for each i below count on several threads, each taking runs of
// neighbouring indices (mostly the entries of one folder) with folders of its own;
// look returns false to stop them all. For lstats: a cold disk answers those of
// neighbouring files faster when asked more at once.
template <typename Look>
bool LookInRuns(size_t count, const OutputFolder& output, Look look) {
    std::atomic<size_t> next{0};
    std::atomic<bool> going{true};
    RunOnThreads(ThreadsFor(count, kFilesPerThread), [&](size_t) {
        FolderCache folders(output);
        for (size_t first = next.fetch_add(kRunLength); first < count && going;
             first = next.fetch_add(kRunLength)) {
            for (size_t i = first; i < std::min(first + kRunLength, count) && going; ++i) {
                going = going && look(i, folders);
            }
        }
    });
    return going;
}

// What stands under the name, reached through folders without following links: one
// lstat, no open, no read. Nothing where a folder on the way is gone or no folder.
std::optional<RecordedFile> StandingNow(std::span<const std::string> parts, FolderCache& folders) {
    try {
        struct stat status {};
        if (!parts.empty() && ::fstatat(folders.FolderOf(parts), parts.back().c_str(), &status,
                                        AT_SYMLINK_NOFOLLOW) == 0) {
            return RecordedFile::From(status);
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

// True when the name stands for the very file recorded, untouched since.
bool StillAsRecorded(std::span<const std::string> parts, const RecordedFile& recorded,
                     FolderCache& folders) {
    return StandingNow(parts, folders) == recorded;
}

// The report's first line after the archive's name.
std::string SummaryLine(const std::array<uint64_t, 3>& succeeded, uint64_t inPlace,
                        uint64_t failed) {
    const std::string inPlaceNote =
        inPlace == 0 ? "" : " (" + std::to_string(inPlace) + " already in place)";
    return "Extracted " + std::to_string(succeeded[0]) + " files, " + std::to_string(succeeded[1]) +
           " folders, " + std::to_string(succeeded[2]) + " links" + inPlaceNote + "; " +
           std::to_string(failed) + " failed.";
}

class ArchiveExtraction {
  public:
    // previous, when there is one, vouches for the files it recorded.
    ArchiveExtraction(const ArchiveFile& file, CentralDirectory& directory,
                      std::vector<PlannedEntry> plan, const OutputFolder& output,
                      const ExtractionRecord* previous)
        : file_(file),
          directory_(directory),
          plan_(std::move(plan)),
          output_(output),
          previous_(previous),
          outcomes_(plan_.size()),
          inPlace_(plan_.size(), 0),
          seen_(plan_.size()) {
        for (size_t i = 0; i < plan_.size(); ++i) {
            if (!plan_[i].refusal.empty()) {
                outcomes_.Refuse(i, plan_[i].refusal);
            }
        }
    }

    // Folders first, then files on several threads, then links, so that no file is ever
    // written below a link of the archive.
    void Run() {
        WorkerTools tools(output_);
        for (const PlannedEntry& entry : Pending(EntryKind::Folder)) {
            Attempt(entry, [&] {
                if (!seen_[entry.index]) {
                    tools.folders.Folder(entry.path.parts);
                }
            });
        }
        RunFilesInParallel();
        // A name that differs from an earlier file's only in case comes after it, so that
        // where the file system takes the two for one, the earlier is the one kept.
        for (const PlannedEntry& entry : Pending(EntryKind::File)) {
            if (entry.caseTwin) {
                Attempt(entry, [&] { ExtractFile(entry, tools); });
            }
        }
        for (const PlannedEntry& entry : Pending(EntryKind::Link)) {
            Attempt(entry, [&] { ExtractLink(entry, tools); });
        }
    }

    // Looks at what the last record vouches for, then reads the local headers of the
    // entries still to be worked on. An archive unchanged since a pass that checked all of
    // it needs no second check, and what stands as it was left needs no reading at all.
    void Prepare() {
        const bool checkedBefore = previous_ && previous_->status != kArchiveRejected;
        if (checkedBefore) {
            VouchForWhatWasLeft();
        }
        ReadLocalHeaders(file_, directory_, [&](size_t i) { return !seen_[i]; });
        if (!checkedBefore) {
            CheckEntriesDisjoint(directory_);
        }
    }

    ExtractionStatus Report(std::vector<std::string>& lines) const {
        std::array<uint64_t, 3> succeeded{};
        size_t failed = 0;
        size_t inPlace = 0;
        for (size_t i = 0; i < plan_.size(); ++i) {
            if (outcomes_.Succeeded(i)) {
                ++succeeded[static_cast<int>(plan_[i].kind)];
                inPlace += inPlace_[i];
            } else {
                ++failed;
            }
        }
        lines.push_back(SummaryLine(succeeded, inPlace, failed));
        for (size_t i = 0; i < plan_.size(); ++i) {
            if (!outcomes_.Succeeded(i)) {
                lines.push_back("Failed: " + plan_[i].name + ": " + outcomes_.Reason(i));
            }
        }
        return failed == 0 ? kExtractedAll : kSomeEntriesFailed;
    }

    // What each entry that succeeded left, as lstat gives it after the last write; a file
    // changed too recently to vouch for itself is left out, and looked at next time.
    // Only files on the output folder's own file system: another one mounted below it
    // may not keep change times.
    void RecordWhatWasLeft(ExtractionRecord& record) const {
        const RacyLimit racy;
        struct stat folder {};
        if (::fstat(output_.Fd(), &folder) != 0) {
            return;
        }
        FolderCache folders(output_);
        record.entries.reserve(plan_.size());
        record.files.reserve(plan_.size());
        record.paths.reserve(plan_.size());
        bool everySuccessRecorded = true;
        for (const PlannedEntry& entry : plan_) {
            if (!outcomes_.Succeeded(entry.index)) {
                continue;
            }
            ++record.succeeded[static_cast<int>(entry.kind)];
            if (entry.path.parts.empty()) {
                continue;  // the output folder itself
            }
            std::optional<RecordedFile> left = seen_[entry.index];
            if (!left) {
                left = StandingNow(entry.path.parts, folders);
            }
            if (!left || left->device != folder.st_dev ||
                racy.IsRacy(left->changedSeconds, left->changedNanoseconds)) {
                everySuccessRecorded = false;
                continue;
            }
            record.Add(entry.index, *left, JoinEntryPath(entry.path));
        }
        record.failuresRepeat = everySuccessRecorded && outcomes_.EveryFailureLiesInTheArchive();
    }

  private:
    const CentralRecord& Record(const PlannedEntry& entry) const {
        return directory_.records[entry.index];
    }

    std::vector<std::reference_wrapper<const PlannedEntry>> Pending(EntryKind kind) const {
        std::vector<std::reference_wrapper<const PlannedEntry>> entries;
        for (const PlannedEntry& entry : plan_) {
            if (entry.kind == kind && entry.refusal.empty()) {
                entries.push_back(entry);
            }
        }
        return entries;
    }

    template <typename Work>
    void Attempt(const PlannedEntry& entry, Work work) {
        outcomes_.Attempt(entry.index, work);
    }

    void RunFilesInParallel() {
        auto files = Pending(EntryKind::File);
        std::erase_if(files, [](const PlannedEntry& entry) { return entry.caseTwin; });
        // Neighbouring entries share a folder: each thread takes a run of them at a time,
        // so it does not open folders again for every file.
        std::atomic<size_t> next{0};
        auto work = [&] {
            WorkerTools tools(output_);
            for (size_t first = next.fetch_add(kRunLength); first < files.size();
                 first = next.fetch_add(kRunLength)) {
                for (size_t i = first; i < std::min(first + kRunLength, files.size()); ++i) {
                    Attempt(files[i], [&] { ExtractFile(files[i], tools); });
                }
            }
        };
        RunOnThreads(ThreadsFor(files.size(), kFilesPerThread), [&](size_t which) {
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
        if (seen_[entry.index]) {
            return;  // vouched for by the record
        }
        const CentralRecord& record = Record(entry);
        const int folder = tools.folders.FolderOf(entry.path.parts);
        const ExpectedFile expected{record.size, record.crc, entry.mode, entry.modificationTime,
                                    user_};
        if (entry.caseTwin && NameStandsSpelledOtherwise(folder, entry.path.parts.back())) {
            throw EntryFailure("the name comes twice in the archive, differing only in case");
        }
        // A folder this extraction made holds nothing to compare with and nothing stale.
        const bool newFolder = tools.folders.LastIsNew();
        if (!newFolder && KeepIfAlreadyInPlace(folder, entry.path.parts.back(), expected,
                                               tools.ComparingBuffer())) {
            inPlace_[entry.index] = 1;
            NoteWhatWasLeft(entry, folder);
            return;
        }
        DiskClaim claim(budget_, record.size);
        if (!newFolder) {
            tools.folders.PrepareToWrite();
        }
        TemporaryFile file(folder, TemporaryFile::Kind::AnonymousWherePossible, entry.mode);
        std::optional<BackgroundWriter> background;
        if (record.size >= kWriteInBackgroundFrom) {
            background.emplace(file);
        }
        uint64_t sinceCheck = 0;
        tools.decoder.Decode(file_, record, [&](std::span<const uint8_t> bytes) {
            background ? background->Write(bytes) : file.Write(bytes);
            claim.Wrote(bytes.size());
            sinceCheck += bytes.size();
            if (sinceCheck >= kFreeSpaceCheckWhileWritingEvery) {
                budget_.CheckWhileWriting(file.Fd());
                sinceCheck = 0;
            }
        });
        if (background) {
            background->Finish();
            background.reset();
        }
        file.Publish(entry.path.parts.back(), entry.mode, entry.modificationTime);
        NoteWhatWasLeft(entry, folder);
    }

    // The file as it stands once written or found, for the record; asked here, where its
    // folder is at hand, rather than once more at the end.
    void NoteWhatWasLeft(const PlannedEntry& entry, int folder) {
        struct stat status {};
        if (::fstatat(folder, entry.path.parts.back().c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
            seen_[entry.index] = RecordedFile::From(status);
        }
    }

    void VouchForWhatWasLeft() {
        LookInRuns(plan_.size(), output_, [&](size_t i, FolderCache& folders) {
            const PlannedEntry& entry = plan_[i];
            const RecordedFile* recorded = previous_->Find(entry.index);
            if (recorded != nullptr && entry.refusal.empty() &&
                StillAsRecorded(entry.path.parts, *recorded, folders)) {
                seen_[entry.index] = *recorded;
                inPlace_[entry.index] = entry.kind != EntryKind::Folder;
            }
            return true;
        });
    }

    void ExtractLink(const PlannedEntry& entry, WorkerTools& tools) {
        if (seen_[entry.index]) {
            return;  // vouched for by the record
        }
        std::string target;
        tools.decoder.Decode(file_, Record(entry), [&](std::span<const uint8_t> bytes) {
            target.append(bytes.begin(), bytes.end());
        });
        CheckLinkTarget(entry.path, target);
        const int folder = tools.folders.FolderOf(entry.path.parts);
        if (IsLinkInPlace(folder, entry.path.parts.back(), target)) {
            inPlace_[entry.index] = 1;
            NoteWhatWasLeft(entry, folder);
            return;
        }
        tools.folders.PrepareToWrite();
        PublishLink(folder, entry.path.parts.back(), target);
        NoteWhatWasLeft(entry, folder);
    }

    const ArchiveFile& file_;
    CentralDirectory& directory_;
    const std::vector<PlannedEntry> plan_;
    const OutputFolder& output_;
    const ExtractionRecord* previous_;
    DiskBudget budget_{output_.Fd()};
    EntryOutcomes outcomes_;
    std::vector<uint8_t> inPlace_;  // one byte per entry, so threads never share one
    // What each entry left, as the record vouched for it or as it stood once done.
    std::vector<std::optional<RecordedFile>> seen_;
    const uid_t user_ = ::geteuid();
};

// One extraction with its record: the record of the last one vouches for files, a failure
// that lay in the archive is given again without decoding when nothing changed since,
// and what this one left is recorded for the next.
class RecordedExtraction {
  public:
    explicit RecordedExtraction(const ExtractRequest& request)
        : request_(request),
          recordPath_(RecordPathFor(request.archivePath, request.outputFolder)) {}

    ExtractionStatus Run(std::vector<std::string>& lines) {
        record_.archivePath = request_.archivePath;
        record_.outputFolder = request_.outputFolder;
        try {
            const ArchiveFile file(request_.archivePath);
            if (::fstat(file.Fd(), &archive_) == 0) {
                record_.archive = RecordedFile::From(archive_);
                archiveKnown_ = true;
            }
            const OutputFolder output(request_.outputFolder);
            LoadPrevious(output);
            // Nothing changed since the last pass, which recorded all it left: it holds as it
            // was, without reading the archive's directory.
            if (previous_ && previous_->failuresRepeat && EverythingRecordedStands(output)) {
                return Replay(lines);
            }
            if (file.Size() == 0) {
                throw EntryFailure("the file is empty, not a ZIP archive");
            }
            CentralDirectory directory = ReadCentralDirectory(file);
            ArchiveExtraction extraction(file, directory, PlanEntries(directory, CurrentUmask()),
                                         output, previous_ ? &*previous_ : nullptr);
            extraction.Prepare();
            extraction.Run();
            record_.status = extraction.Report(lines);
            if (trusted_) {
                extraction.RecordWhatWasLeft(record_);
            }
        } catch (const std::exception& failure) {
            const auto* entryFailure = dynamic_cast<const EntryFailure*>(&failure);
            lines.push_back(std::string("Failed: ") + failure.what());
            record_.status = kArchiveRejected;
            record_.failuresRepeat = entryFailure != nullptr && entryFailure->LiesInTheArchive();
            record_.ForgetEntries();
        }
        Save(lines);
        return static_cast<ExtractionStatus>(record_.status);
    }

  private:
    void LoadPrevious(const OutputFolder& output) {
        trusted_ = archiveKnown_ && recordPath_ && KeepsChangeTimes(output.Fd());
        if (trusted_) {
            previous_ = LoadRecord(*recordPath_, record_.archive, request_.archivePath,
                                   request_.outputFolder);
        }
    }

    // One lstat of each file the record names, on several threads.
    bool EverythingRecordedStands(const OutputFolder& output) const {
        const ExtractionRecord& record = *previous_;
        return LookInRuns(record.files.size(), output, [&](size_t i, FolderCache& folders) {
            try {
                return StillAsRecorded(SplitEntryPath(record.paths[i]).parts, record.files[i],
                                       folders);
            } catch (const EntryFailure&) {
                return false;
            }
        });
    }

    // A pass that extracted everything says so again, with everything in place.
    ExtractionStatus Replay(std::vector<std::string>& lines) const {
        if (previous_->status == kExtractedAll) {
            const auto& succeeded = previous_->succeeded;
            lines.push_back(SummaryLine(succeeded, succeeded[0] + succeeded[2], 0));
        } else {
            lines.insert(lines.end(), previous_->reportLines.begin(), previous_->reportLines.end());
        }
        return static_cast<ExtractionStatus>(previous_->status);
    }

    // An archive changed a moment ago might change again within the same tick, and then
    // look like the one recorded: it gets a record only once it has been still a while.
    void Save(const std::vector<std::string>& lines) {
        if (!trusted_ || RacyLimit().IsRacy(archive_)) {
            return;
        }
        record_.reportLines = lines;
        // A pass that found everything as recorded has nothing new to say.
        if (!previous_ || !(record_ == *previous_)) {
            SaveRecord(*recordPath_, record_);
        }
    }

    const ExtractRequest& request_;
    const std::optional<std::filesystem::path> recordPath_;
    ExtractionRecord record_;
    struct stat archive_ {};
    std::optional<ExtractionRecord> previous_;
    bool archiveKnown_ = false;
    bool trusted_ = false;
};

}  // namespace

ExtractionStatus Extract(const ExtractRequest& request, OutputText& report) {
    report.AddLine("Archive: " + request.archivePath);
    std::vector<std::string> lines;
    const ExtractionStatus status = RecordedExtraction(request).Run(lines);
    for (const std::string& line : lines) {
        report.AddLine(line);
    }
    return status;
}

}  // namespace sevenzip32
