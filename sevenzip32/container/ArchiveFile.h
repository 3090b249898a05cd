// The archive as open, regular files read by offset, so that several threads can read it
// at once and every reader sees the same files, whatever happens to their names. An
// archive split into volumes reads as the volumes one after another: the format's disks
// (name.z01, name.z02, ..., name.zip), or numbered pieces of one file (name.zip.001,
// name.zip.002, ...).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "EntryFailure.h"
#include "UniqueFd.h"
#include "VolumeLookup.h"

namespace sevenzip32 {

class ArchiveFile {
  public:
    struct Volume {
        std::string name;
        UniqueFd fd;
        uint64_t size = 0;
        uint64_t start = 0;  // where its first byte stands in the whole
    };

    // Opens the archive named: the whole of an archive that is not split, the last disk of
    // one that is, or the first of numbered pieces, with every piece after it up to the
    // first not there. A piece before the last that is not as long as the others (still
    // being copied) fails from outside.
    explicit ArchiveFile(const std::string& path);

    // Of the volume named.
    int Fd() const { return volumes_[named_].fd.Get(); }
    size_t NamedVolume() const { return named_; }
    uint64_t Size() const { return volumes_.back().start + volumes_.back().size; }
    // Fills bytes from offset; a read past the end of the file is a failure.
    void ReadAt(uint64_t offset, std::span<uint8_t> bytes) const;

    // Opens the volumes of disks 0 to lastDisk - 1 beside the named one, which becomes
    // lastDisk. They are opened as the named one is, relative to its folder, and none may
    // be a link. A missing volume, or one that cannot be opened, fails from outside.
    void OpenVolumesBefore(uint32_t lastDisk);
    // Opens the volumes that follow the named one, which is the first (as RAR's are), up
    // to the first not there.
    void OpenFollowingVolumes();
    const std::vector<Volume>& Volumes() const { return volumes_; }
    // Read from more than one file.
    bool IsSplit() const { return volumes_.size() > 1; }
    // Split into the format's disks, whose numbers the records count positions by.
    bool IsSplitIntoDisks() const { return IsSplit() && !numbered_; }
    bool IsNumbered() const { return numbered_; }
    size_t Disks() const { return numbered_ ? 1 : volumes_.size(); }
    // Why numbered pieces hold no whole archive: the piece after the last is missing, or
    // the last is still being copied.
    EntryFailure NumberedPiecesIncomplete() const;
    // Where offset of disk stands in the whole. A disk past the last lies in the archive;
    // an offset past the end of a volume before the last means that volume is short.
    uint64_t Position(uint32_t disk, uint64_t offset) const;
    // The volume that holds position; the last for a position past the end.
    const Volume& VolumeAt(uint64_t position) const;
    // Why what runs from begin to end across a disk's end does not fit: the shortest of
    // the disks from the one with begin to the one with end is short, for the disks of one
    // archive are all of one size but for the last.
    EntryFailure ShortDiskBetween(uint64_t begin, uint64_t end) const;

  private:
    void OpenNumberedPieces();
    // Opens name beside the archive, in any case, never through a link; empty when there
    // is no such file.
    UniqueFd OpenBeside(int folder, VolumeLookup& lookup, std::string& name) const;

    std::string folder_;
    std::vector<Volume> volumes_;
    size_t named_ = 0;
    bool numbered_ = false;
};

}  // namespace sevenzip32
