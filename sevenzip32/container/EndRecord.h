// The end records, which say where the central directory is: the classic one within the
// last 64 KiB of the archive, the zip64 one its locator points to, and which of the
// signatures found there is the archive's own rather than bytes of a comment.
#pragma once

#include <cstdint>

#include "ArchiveFile.h"

namespace sevenzip32 {

// Where the chosen end records put the central directory.
struct DirectoryPlace {
    uint64_t offset = 0;  // of its first byte in the whole file, a stub included
    uint64_t size = 0;
    uint64_t entryCount = 0;
    // Bytes before the archive (a self-extractor's stub, padding) move every offset alike.
    uint64_t shift = 0;
    bool countMayWrap = true;  // a classic 16-bit count, which wraps past 65,535
    // The directory stands a multiple of 4 GiB past where its 32-bit offset says: an
    // archive over 4 GiB written without zip64, whose local header offsets wrap too.
    bool offsetsWrap = false;
};

// The end record whose central directory is there. Where the last signature's records
// name a last disk past the first, the volumes before it are opened. Several signatures
// (one may stand in a comment) are told apart by whose directory is there, then by whose
// comment reaches the end of the file; two that still name two directories are refused,
// and so is an empty directory in a file that begins with an entry.
DirectoryPlace LocateDirectory(ArchiveFile& file);

}  // namespace sevenzip32
