// What will be done with each entry of the archive, decided before anything is written:
// where it goes, what it is, and why it is refused when it is. Kept small, since an
// archive may hold millions of entries: a few bytes an entry and its path in one buffer.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "EntryFacts.h"
#include "NameRules.h"
#include "PathList.h"

namespace sevenzip32 {

struct PlannedEntry {
    int64_t modificationTime = 0;
    uint16_t mode = 0644;
    EntryKind kind = EntryKind::File;
    bool refused = false;   // the entry fails without touching the disk
    bool caseTwin = false;  // a file whose name differs from an earlier one's only in case
    bool renamed = false;   // its path is written otherwise than named, as the disk takes it
};

struct ExtractionPlan {
    std::vector<PlannedEntry> entries;  // by central directory index
    // Each entry's path below the output folder, by the same index; empty where the name
    // itself was refused, and for a folder naming the output folder.
    PathList paths;
    // Why the refused entries are refused, by rising index.
    std::vector<std::pair<size_t, std::string>> refusals;
    // The decoded names that read otherwise than their paths, by rising index.
    std::vector<std::pair<size_t, std::string>> otherNames;

    size_t IndexOf(const PlannedEntry& entry) const { return &entry - entries.data(); }
    // The entry's name as decoded, for the report.
    std::string Name(size_t index) const;
};

// Plans each entry from the facts its format's reader gives, a run of entries at a time
// while what they are read from is at hand, several threads to a run. umask is applied to
// the files' modes, as it would be to files the user creates; names are written as the
// output folder's file system takes them.
class EntryPlanner {
  public:
    using ReaderMaker = std::function<std::unique_ptr<EntryFactsReader>()>;

    EntryPlanner(mode_t umask, const NameRules& names);
    ~EntryPlanner();

    // Room for the entries expected, whose names take at most so many bytes.
    void Reserve(size_t expected, size_t nameBytesAtMost);
    // Plans entries first to end - 1, which follow those planned before, with a reader from
    // makeReader for each thread.
    void PlanEntries(size_t first, size_t end, const ReaderMaker& makeReader);
    // Once all are planned: the names that come twice are refused.
    ExtractionPlan Finish();

  private:
    class Planner;
    std::unique_ptr<Planner> planner_;
};

}  // namespace sevenzip32
