// What every format's reader says of each entry, for the plan: the same few facts whatever
// the format, so that the rules above the readers (names made paths, names that come
// twice, modes, what may be read at all) stand once for all of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "EntryFailure.h"

namespace sevenzip32 {

enum class EntryKind : uint8_t { File, Folder, Link };

struct EntryFacts {
    std::string name;                  // in UTF-8, as the archive names it
    EntryKind kind = EntryKind::File;  // as the format marks it; a name ending in "/" is a folder
    bool executable = false;
    int64_t modificationTime = 0;  // seconds since 1970
    uint64_t size = 0;
    // Why its bytes cannot be read (a method or cipher the library does not read), for the
    // entries that have bytes.
    std::optional<EntryFailure> unreadable;
};

// One thread's reader of the facts: the planner asks each entry's of one reader at a time.
class EntryFactsReader {
  public:
    virtual ~EntryFactsReader() = default;
    // Into facts, whose room is reused from entry to entry.
    virtual void Read(size_t entry, EntryFacts& facts) = 0;
    // Called on the planning thread once the reader's entries are planned, in their order.
    virtual void Finish() {}
};

}  // namespace sevenzip32
