// What RAR's own headers say of one volume, read by this library rather than taken from
// libarchive, which hands back a short file and a clean end where a set lacks its last
// volumes: whether the archive is a set of volumes, whether its headers are encrypted,
// and whether this volume's end block says no volume follows it.
#pragma once

#include "ArchiveFile.h"

namespace sevenzip32 {

struct RarVolumeFacts {
    bool isVolume = false;  // the main header's mark of a set of volumes
    bool headersEncrypted = false;
    bool hasEnd = false;      // the volume holds its end block: it is not cut short
    bool endsTheSet = false;  // and that block says no volume follows
};

// The headers of RAR 4 or RAR 5 walked from the volume's start to its end block; a walk
// that leaves the volume finds no end.
RarVolumeFacts ReadRarVolume(const ArchiveFile& file, const ArchiveFile::Volume& volume);

// Whether the archive's first bytes are RAR's signature.
bool IsRarArchive(const ArchiveFile& file);

}  // namespace sevenzip32
