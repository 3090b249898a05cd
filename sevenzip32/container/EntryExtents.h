// Where each entry lies in the file and what may lie between them: no two entries claim
// the same bytes, none runs into the directory, and none runs across a volume's end into
// the next entry (a volume still being copied).
#pragma once

#include <cstdint>
#include <vector>

#include "ArchiveFile.h"
#include "CentralDirectory.h"

namespace sevenzip32 {

// Where the next thing in the file begins after each entry's local header: the next
// entry's local header, or the central directory after the last.
class NextEntryStarts {
  public:
    explicit NextEntryStarts(const CentralDirectory& directory);

    uint64_t After(size_t index) const;

  private:
    const CentralDirectory& directory_;
    // The entries' local header offsets in rising order, for an archive that does not
    // list its entries in the order they stand; most do, and need no room for it.
    std::vector<uint64_t> sorted_;
};

// A volume before the last that is shorter than it was written (still being copied)
// moves everything after it: an entry that runs across its end then runs into the next
// entry or the directory. The least an entry takes is its local header without extra
// fields, then its data. An overlap within one volume is the archive's own, found later.
void CheckNoVolumeIsShort(const ArchiveFile& file, const CentralDirectory& directory);

// Fails when two entries claim the same bytes of the file, an entry runs into the
// central directory, or bytes no entry claims begin with a local header: an entry the
// directory does not name, which a reader of the local headers would extract, so that
// the archive holds more than its directory says.
void CheckEntriesDisjoint(const ArchiveFile& file, const CentralDirectory& directory);

}  // namespace sevenzip32
