#include "Extraction.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <zip.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "ArchiveFile.h"
#include "BackgroundWriter.h"
#include "CentralDirectory.h"
#include "EntryDecoder.h"
#include "EntryFailure.h"
#include "ExtractionPlan.h"
#include "FileInPlace.h"
#include "FreeSpace.h"
#include "OutputFolder.h"
#include "TemporaryFile.h"

namespace sevenzip32 {
namespace {

constexpr uint64_t kFreeSpaceCheckWhileWritingEvery = 8ull * 1024 * 1024;
constexpr uint64_t kWriteInBackgroundFrom = 8ull * 1024 * 1024;
constexpr size_t kMostThreads = 4;
constexpr size_t kFilesPerThread = 32;
constexpr size_t kComparingBufferSize = 256 * 1024;

struct ZipDiscarder {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipDiscarder>;

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

// libzip checks that every local header agrees with its central record.
ZipHandle OpenCheckedByLibzip(const ArchiveFile& file) {
    UniqueFd copy(::fcntl(file.Fd(), F_DUPFD_CLOEXEC, 0));
    if (!copy.IsOpen()) {
        throw SystemFailure("cannot open the archive");
    }
    int error = 0;
    ZipHandle archive(zip_fdopen(copy.Get(), ZIP_CHECKCONS, &error));
    if (!archive) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, error);
        std::string text =
            std::string("not a readable ZIP archive: ") + zip_error_strerror(&reason);
        zip_error_fini(&reason);
        throw EntryFailure(text);
    }
    copy.Release();  // libzip owns it now
    return archive;
}

// Our reading of the central directory and libzip's must describe the same entries.
// Names are not compared: libzip puts the Unicode path field's name in place of the raw one.
void CheckAgreesWithLibzip(const CentralDirectory& directory, zip_t* archive) {
    if (zip_get_num_entries(archive, 0) != static_cast<zip_int64_t>(directory.records.size())) {
        throw EntryFailure("the archive's entry count is ambiguous");
    }
    for (size_t i = 0; i < directory.records.size(); ++i) {
        const CentralRecord& record = directory.records[i];
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, i, ZIP_FL_ENC_RAW, &stat) != 0 || stat.size != record.size ||
            stat.comp_size != record.compressedSize || stat.crc != record.crc ||
            stat.comp_method != record.method) {
            throw EntryFailure("the archive's central directory is ambiguous");
        }
    }
}

// What one thread keeps between entries.
struct WorkerTools {
    explicit WorkerTools(const OutputFolder& output)
        : folders(output), comparingBuffer(kComparingBufferSize) {}

    EntryDecoder decoder;
    FolderCache folders;
    std::vector<uint8_t> comparingBuffer;
};

class ArchiveExtraction {
  public:
    ArchiveExtraction(const ArchiveFile& file, zip_t* archive, const CentralDirectory& directory,
                      std::vector<PlannedEntry> plan, const OutputFolder& output)
        : file_(file),
          archive_(archive),
          directory_(directory),
          plan_(std::move(plan)),
          output_(output),
          failures_(plan_.size()),
          inPlace_(plan_.size(), 0) {
        for (size_t i = 0; i < plan_.size(); ++i) {
            failures_[i] = plan_[i].refusal;
        }
    }

    // Folders first, then files (several threads for the ones read straight from the
    // file), then links, so that no file is ever written below a link of the archive.
    void Run() {
        for (const PlannedEntry& entry : Pending(EntryKind::Folder)) {
            Attempt(entry, [&] { output_.OpenFolder(entry.path.parts); });
        }
        RunFilesInParallel();
        WorkerTools tools(output_);
        for (const PlannedEntry& entry : Pending(EntryKind::File)) {
            if (!IsMethodReadDirectly(Record(entry).method)) {
                Attempt(entry, [&] { ExtractFile(entry, tools); });
            }
        }
        for (const PlannedEntry& entry : Pending(EntryKind::Link)) {
            Attempt(entry, [&] { ExtractLink(entry, tools); });
        }
    }

    ExtractionStatus Report(OutputText& report) const {
        size_t counts[3] = {0, 0, 0};
        size_t failed = 0;
        size_t inPlace = 0;
        for (size_t i = 0; i < plan_.size(); ++i) {
            if (failures_[i].empty()) {
                ++counts[static_cast<int>(plan_[i].kind)];
                inPlace += inPlace_[i];
            } else {
                ++failed;
            }
        }
        const std::string inPlaceNote =
            inPlace == 0 ? "" : " (" + std::to_string(inPlace) + " already in place)";
        report.AddLine("Extracted " + std::to_string(counts[0]) + " files, " +
                       std::to_string(counts[1]) + " folders, " + std::to_string(counts[2]) +
                       " links" + inPlaceNote + "; " + std::to_string(failed) + " failed.");
        for (size_t i = 0; i < plan_.size(); ++i) {
            if (!failures_[i].empty()) {
                report.AddLine("Failed: " + plan_[i].name + ": " + failures_[i]);
            }
        }
        return failed == 0 ? kExtractedAll : kSomeEntriesFailed;
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
        try {
            work();
        } catch (const std::exception& failure) {
            failures_[entry.index] = failure.what();
        }
    }

    void RunFilesInParallel() {
        std::vector<std::reference_wrapper<const PlannedEntry>> files;
        for (const PlannedEntry& entry : Pending(EntryKind::File)) {
            if (IsMethodReadDirectly(Record(entry).method)) {
                files.push_back(entry);
            }
        }
        std::atomic<size_t> next{0};
        auto work = [&] {
            WorkerTools tools(output_);
            for (size_t i = next++; i < files.size(); i = next++) {
                Attempt(files[i], [&] { ExtractFile(files[i], tools); });
            }
        };
        const size_t wanted = (files.size() + kFilesPerThread - 1) / kFilesPerThread;
        const size_t threads = std::clamp<size_t>(
            std::min<size_t>(wanted, std::thread::hardware_concurrency()), 1, kMostThreads);
        std::vector<std::jthread> helpers;
        for (size_t i = 1; i < threads; ++i) {
            helpers.emplace_back(work);
        }
        work();
    }

    void ExtractFile(const PlannedEntry& entry, WorkerTools& tools) {
        const CentralRecord& record = Record(entry);
        const int folder = tools.folders.FolderOf(entry.path.parts);
        const ExpectedFile expected{record.size, record.crc, entry.mode, entry.modificationTime};
        if (KeepIfAlreadyInPlace(folder, entry.path.parts.back(), expected,
                                 tools.comparingBuffer)) {
            inPlace_[entry.index] = 1;
            return;
        }
        tools.folders.RequireRoomFor(record.size);
        TemporaryFile file(folder);
        std::optional<BackgroundWriter> background;
        if (record.size >= kWriteInBackgroundFrom) {
            background.emplace(file);
        }
        uint64_t sinceCheck = 0;
        tools.decoder.Decode(file_, archive_, entry.index, record,
                             [&](std::span<const uint8_t> bytes) {
                                 background ? background->Write(bytes) : file.Write(bytes);
                                 sinceCheck += bytes.size();
                                 if (sinceCheck >= kFreeSpaceCheckWhileWritingEvery) {
                                     RequireRoomFor(file.Fd(), 0);
                                     sinceCheck = 0;
                                 }
                             });
        if (background) {
            background->Finish();
            background.reset();
        }
        file.Publish(entry.path.parts.back(), entry.mode, entry.modificationTime);
    }

    void ExtractLink(const PlannedEntry& entry, WorkerTools& tools) {
        std::string target;
        tools.decoder.Decode(
            file_, archive_, entry.index, Record(entry),
            [&](std::span<const uint8_t> bytes) { target.append(bytes.begin(), bytes.end()); });
        CheckLinkTarget(entry.path, target);
        const int folder = tools.folders.FolderOf(entry.path.parts);
        if (IsLinkInPlace(folder, entry.path.parts.back(), target)) {
            inPlace_[entry.index] = 1;
            return;
        }
        PublishLink(folder, entry.path.parts.back(), target);
    }

    const ArchiveFile& file_;
    zip_t* archive_;
    const CentralDirectory& directory_;
    const std::vector<PlannedEntry> plan_;
    const OutputFolder& output_;
    std::vector<std::string> failures_;
    std::vector<uint8_t> inPlace_;  // one byte per entry, so threads never share one
};

}  // namespace

ExtractionStatus Extract(const ExtractRequest& request, OutputText& report) {
    report.AddLine("Archive: " + request.archivePath);
    try {
        const ArchiveFile file(request.archivePath);
        if (file.Size() == 0) {
            throw EntryFailure("the file is empty, not a ZIP archive");
        }
        const ZipHandle archive = OpenCheckedByLibzip(file);
        const CentralDirectory directory = ReadCentralDirectory(file);
        CheckAgreesWithLibzip(directory, archive.get());
        CheckEntriesDisjoint(directory);
        const OutputFolder output(request.outputFolder);
        ArchiveExtraction extraction(file, archive.get(), directory,
                                     PlanEntries(directory, CurrentUmask()), output);
        extraction.Run();
        return extraction.Report(report);
    } catch (const std::exception& failure) {
        report.AddLine(std::string("Failed: ") + failure.what());
        return kArchiveRejected;
    }
}

}  // namespace sevenzip32
