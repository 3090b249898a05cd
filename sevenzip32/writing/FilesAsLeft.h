// What stands now where an extraction left its files: one lstat a file, reached through
// the output folder's folders without following links, on several threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string_view>

#include "ExtractionRecord.h"
#include "FolderCache.h"
#include "OutputFolder.h"
#include "ParallelFor.h"

namespace sevenzip32 {

// Below this many files a thread of its own is not worth starting.
constexpr size_t kFilesPerThread = 32;

// Calls look(i, folders) for each i below count on several threads, each taking runs of
// neighbouring indices (mostly the entries of one folder) with folders of its own;
// look returns false to stop them all. For lstats: a cold disk answers those of
// neighbouring files faster when asked more at once.
template <typename Look>
bool LookInRuns(size_t count, const OutputFolder& output, Look look) {
    constexpr size_t kRunLength = 32;
    std::atomic<size_t> next{0};
    std::atomic<bool> going{true};
    RunOnThreads(ThreadsFor(count, kFilesPerThread), [&](size_t) {
        FolderCache folders(output, FolderCache::kLooking);
        for (size_t first = next.fetch_add(kRunLength); first < count && going;
             first = next.fetch_add(kRunLength)) {
            for (size_t i = first; i < std::min(first + kRunLength, count) && going; ++i) {
                going = going && look(i, folders);
            }
        }
    });
    return going;
}

// Where an extraction's files are: the output folder's device, and how a file there
// vouches for itself.
struct FilesPlace {
    uint64_t device = 0;
    Vouching vouching;
};

// What stands at the path: one lstat, no open, no read. Nothing known where a folder on
// the way is gone or no folder, or where the file is on another device than the output
// folder (one mounted below it may vouch otherwise).
RecordedFile StandingNow(std::string_view path, const FilesPlace& place, FolderCache& folders);

// True when the path stands for the very file recorded, untouched since.
inline bool StillAsRecorded(std::string_view path, const RecordedFile& recorded,
                            const FilesPlace& place, FolderCache& folders) {
    return StandingNow(path, place, folders) == recorded;
}

}  // namespace sevenzip32
