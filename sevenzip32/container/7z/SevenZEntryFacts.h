// A 7z entry's facts: its name from UTF-16, its kind from the folder mark and the
// attributes (the Unix mode above the Windows ones where the archive flags it, as
// Linux writers set it for links), its time from Windows' 100 ns since 1601.
#pragma once

#include <optional>
#include <vector>

#include "ArchiveHeader.h"
#include "EntryFacts.h"

namespace sevenzip32::sevenz {

class SevenZEntryFacts : public EntryFactsReader {
  public:
    // sizes: each file's, 0 for those without a stream; unreadable: by file, why its
    // folder cannot be decoded.
    SevenZEntryFacts(const std::vector<FileEntry>& files, const std::vector<uint64_t>& sizes,
                     const std::vector<std::optional<EntryFailure>>& unreadable)
        : files_(files), sizes_(sizes), unreadable_(unreadable) {}

    void Read(size_t entry, EntryFacts& facts) override;

  private:
    const std::vector<FileEntry>& files_;
    const std::vector<uint64_t>& sizes_;
    const std::vector<std::optional<EntryFailure>>& unreadable_;
};

}  // namespace sevenzip32::sevenz
