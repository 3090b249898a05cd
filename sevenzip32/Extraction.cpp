// The extraction of one archive with its record, and the entry point's one operation.
#include "Extraction.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <optional>
#include <vector>

#include "ArchiveExtraction.h"
#include "ArchiveFile.h"
#include "EntryFailure.h"
#include "EntryPath.h"
#include "ExtractionRecord.h"
#include "FilesAsLeft.h"
#include "LastRecord.h"
#include "LibarchiveReader.h"
#include "NameRules.h"
#include "OutputFolder.h"
#include "ReadArchive.h"
#include "ReportLines.h"
#include "UserFolders.h"
#include "VolumeLookup.h"
#include "Vouching.h"

namespace sevenzip32 {
namespace {

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

// One extraction with its record: the record of the last one vouches for files, a failure
// that lay in the archive is given again without decoding when nothing changed since,
// and what this one left is recorded for the next.
class RecordedExtraction {
  public:
    explicit RecordedExtraction(const ExtractRequest& request)
        : request_(request),
          recordPath_(RecordPathFor(request.archivePath, request.outputFolder)) {}

    // How many files the archive was read from, or was last read from where a record held.
    size_t VolumeCount() const { return record_.volumes.size() + 1; }

    ExtractionStatus Run(std::vector<std::string>& lines) {
        record_.archivePath = request_.archivePath;
        record_.outputFolder = request_.outputFolder;
        record_.filesRead = ::time(nullptr);
        std::optional<ArchiveFile> opened;
        ArchivePasswords passwords;
        try {
            ArchiveFile& file = opened.emplace(request_.archivePath);
            archiveVouching_ = VouchingOf(file.Fd());
            struct stat status {};
            archiveKnown_ = ::fstat(file.Fd(), &status) == 0;
            if (archiveKnown_) {
                record_.archive = RecordedFile::From(status, archiveVouching_);
                record_.archiveDevice = status.st_dev;
            }
            const OutputFolder output(request_.outputFolder);
            record_.filesDevice = output.Device();
            filesVouching_ = VouchingOf(output.Fd());

            const auto last = Recordable() ? LoadRecord(*recordPath_, record_, RecordParts::Summary)
                                           : std::nullopt;
            const RecordFacts facts = FactsOf(last);
            // Nothing changed since the last pass, which recorded all it left: it holds as
            // it was, without reading the archive's directory.
            const Standing standing =
                MayReplay(facts) ? WhatRecordedStands(*last, output) : Standing::NotAsked;
            const RecordUse use = UseOfRecord(facts, standing);
            if (use == RecordUse::Replay) {
                record_.volumes = last->volumes;  // as it opens none
                return Replay(*last, lines);
            }
            if (use == RecordUse::Vouch) {
                record_.filesRead = last->filesRead;
            }
            if (file.Size() == 0) {
                throw EntryFailure(Reason::kEmptyFile);
            }
            // The record waits on the disk while the archive is planned, and comes back
            // without the paths, which the plan has: the two never take room at once.
            vouching_ = VouchingRecord(use == RecordUse::Vouch ? recordPath_ : std::nullopt);
            const NameRules names = NameRulesOf(output.Fd());
            ReadArchive archive = IsSevenZArchive(file)
                                      ? ReadSevenZArchive(file, CurrentUmask(), names, passwords)
                                  : IsLibarchiveArchive(file)
                                      ? ReadLibarchiveArchive(file, CurrentUmask(), names)
                                      : ReadZipArchive(file, CurrentUmask(), names, passwords);
            NoteVolumes(file);
            ExtractionRecord* previous = vouching_.Load(record_, volumesKnown_);
            record_.filesRead = previous ? previous->filesRead : ::time(nullptr);
            record_.status = ExtractPlannedArchive(archive, output, previous, lines,
                                                   Recordable() ? &record_ : nullptr);
        } catch (const std::exception& failure) {
            const auto* entryFailure = dynamic_cast<const EntryFailure*>(&failure);
            lines.push_back(contract::FailureLine(contract::FailureKind::Failed,
                                                  ReasonOf(failure, Reason::kExtractionStopped)));
            record_.status = kArchiveRejected;
            record_.failuresRepeat = entryFailure != nullptr && entryFailure->LiesInTheArchive();
            record_.ForgetEntries();
            // An archive whose names are encrypted may open with another list.
            record_.wantsPassword = entryFailure != nullptr && entryFailure->WantsPassword();
            if (opened) {
                NoteVolumes(*opened);  // those it had opened: the record holds while they stand
            }
        }
        NotePasswords(passwords);
        Save(lines);
        return static_cast<ExtractionStatus>(record_.status);
    }

  private:
    // A record is kept only of an archive whose files, each volume's too, are known.
    bool Recordable() const { return archiveKnown_ && volumesKnown_ && recordPath_.has_value(); }

    RecordFacts FactsOf(const std::optional<ExtractionRecord>& last) const {
        if (!last) {
            return {};
        }
        return {true, VolumesStandAsRecorded(*last), DailyReadDue(*last), last->failuresRepeat,
                PasswordListChanged(*last)};
    }

    // Where only size and time vouch, the files are read once a day. The day is shortened
    // by up to a quarter, alike for each record, so that the archives extracted in one
    // pass are not all read again in one pass.
    bool DailyReadDue(const ExtractionRecord& record) const {
        constexpr int64_t kDay = 24 * 60 * 60;
        if (filesVouching_.changeTimes) {
            return false;
        }
        const auto spread =
            static_cast<int64_t>(std::hash<std::string>{}(recordPath_->string()) % (kDay / 4));
        return ::time(nullptr) - record.filesRead >= kDay - spread;
    }

    // One look at each volume the record names, in the archive's folder: the volumes are
    // known only once the archive's end has been read.
    bool VolumesStandAsRecorded(const ExtractionRecord& record) const {
        if (record.volumes.empty()) {
            return true;
        }
        const UniqueFd folder(::open(FolderOfArchive(request_.archivePath).c_str(),
                                     O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        return folder.IsOpen() &&
               std::all_of(record.volumes.begin(), record.volumes.end(),
                           [&](const RecordedVolume& volume) {
                               struct stat status {};
                               return ::fstatat(folder.Get(), volume.name.c_str(), &status,
                                                AT_SYMLINK_NOFOLLOW) == 0 &&
                                      RecordedFile::From(status, archiveVouching_) == volume.file;
                           });
    }

    // The volumes other than the one named, as they were read; a record of others vouches
    // for nothing, and one of a volume that cannot be looked at is not kept.
    void NoteVolumes(const ArchiveFile& file) {
        const auto& volumes = file.Volumes();
        record_.volumes.clear();
        volumesKnown_ = true;
        for (size_t i = 0; i < volumes.size(); ++i) {
            struct stat status {};
            if (i == file.NamedVolume()) {
                continue;
            }
            const bool known = ::fstat(volumes[i].fd.Get(), &status) == 0;
            volumesKnown_ = volumesKnown_ && known;
            record_.volumes.push_back(
                {volumes[i].name,
                 known ? RecordedFile::From(status, archiveVouching_) : RecordedFile{}});
        }
    }

    // Which list of passwords was tried, where the archive needed one.
    void NotePasswords(const ArchivePasswords& passwords) {
        if (const PasswordList* list = passwords.Read(); list && list->Identity()) {
            record_.passwordList = RecordedFile::From(*list->Identity(), kWholeIdentity);
        }
    }

    // An entry that wanted a password may open with the list as it is now.
    static bool PasswordListChanged(const ExtractionRecord& last) {
        if (!last.wantsPassword) {
            return false;
        }
        const auto path = contract::PasswordListPath();
        const auto identity = path ? PasswordListIdentity(*path) : std::nullopt;
        return (identity ? RecordedFile::From(*identity, kWholeIdentity) : RecordedFile{}) !=
               last.passwordList;
    }

    // One lstat of each file the record names, on several threads, a run of the record
    // at a time, until one stands as recorded and another does not. A path not as the
    // plan would have written it is not followed; the files below a folder that is gone
    // cost nothing. All only for a record that is whole.
    Standing WhatRecordedStands(const ExtractionRecord& last, const OutputFolder& output) const {
        constexpr size_t kRecordRun = 64 * 1024;
        const FilesPlace place{last.filesDevice, filesVouching_};
        std::atomic<bool> anyStands{false};
        std::atomic<bool> anyGone{false};
        const bool whole = VisitRecordedFiles(
            *recordPath_, record_, kRecordRun,
            [&](size_t, const std::vector<RecordedFile>& files, const PathList& paths) {
                LookInRuns(files.size(), output, [&](size_t i, FolderCache& folders) {
                    if (!files[i].IsKnown()) {
                        return true;
                    }
                    bool stands = false;
                    try {
                        const std::string_view path = paths[i];
                        stands = NormaliseEntryName(path).path == path &&
                                 StillAsRecorded(path, files[i], place, folders);
                    } catch (const EntryFailure&) {
                    }
                    (stands ? anyStands : anyGone) = true;
                    return !(anyStands && anyGone);
                });
                return !(anyStands && anyGone);
            });
        if (!whole) {
            return Standing::None;  // a damaged record vouches for nothing
        }
        if (!anyGone) {
            return Standing::All;
        }
        return anyStands ? Standing::Some : Standing::None;
    }

    // A pass that extracted everything says so again, with everything in place.
    static ExtractionStatus Replay(const ExtractionRecord& last, std::vector<std::string>& lines) {
        if (last.status == kExtractedAll) {
            const auto& succeeded = last.succeeded;
            lines.push_back(SummaryLine(succeeded, succeeded.files + succeeded.links, 0));
        } else {
            lines.insert(lines.end(), last.reportLines.begin(), last.reportLines.end());
        }
        return static_cast<ExtractionStatus>(last.status);
    }

    // An archive changed a moment ago might change again within the same tick, and then
    // look like the one recorded: it gets a record only once it, and each volume, has been
    // still a while.
    void Save(const std::vector<std::string>& lines) {
        const RacyLimit racy;
        const auto isRacy = [&](const RecordedFile& file) {
            return racy.IsRacy(file.Touched(), archiveVouching_);
        };
        if (!Recordable() || isRacy(record_.archive) ||
            std::any_of(record_.volumes.begin(), record_.volumes.end(),
                        [&](const RecordedVolume& volume) { return isRacy(volume.file); })) {
            return;
        }
        record_.reportLines = lines;
        // A pass that found everything as recorded has nothing new to say.
        SaveRecord(*recordPath_, record_, vouching_.LoadedCrc());
    }

    const ExtractRequest& request_;
    const std::optional<std::filesystem::path> recordPath_;
    ExtractionRecord record_;
    VouchingRecord vouching_{std::nullopt};
    bool archiveKnown_ = false;
    bool volumesKnown_ = true;  // until one of them cannot be looked at
    Vouching archiveVouching_;
    Vouching filesVouching_;
};

}  // namespace

ExtractionStatus Extract(const ExtractRequest& request, OutputText& report) {
    report.AddLine(contract::ArchiveLine(request.archivePath));
    std::vector<std::string> lines;
    RecordedExtraction extraction(request);
    const ExtractionStatus status = extraction.Run(lines);
    // Which files the archive was read from: all of them go, or none, with the archive.
    if (extraction.VolumeCount() > 1) {
        report.AddLine(contract::VolumesLine(extraction.VolumeCount()));
    }
    for (const std::string& line : lines) {
        report.AddLine(line);
    }
    return status;
}

}  // namespace sevenzip32
