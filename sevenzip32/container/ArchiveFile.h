// The archive as open, regular files read by offset, so that several threads can read it
// at once and every reader sees the same files, whatever happens to their names. An
// archive split into volumes (name.z01, name.z02, ..., name.zip) reads as the volumes one
// after another.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "UniqueFd.h"

namespace sevenzip32 {

class ArchiveFile {
  public:
    struct Volume {
        std::string name;
        UniqueFd fd;
        uint64_t size = 0;
        uint64_t start = 0;  // where its first byte stands in the whole
    };

    // Opens the archive's last volume, the one named, which is the whole of an archive
    // that is not split.
    explicit ArchiveFile(const std::string& path);

    // Of the volume named .zip.
    int Fd() const { return volumes_.back().fd.Get(); }
    uint64_t Size() const { return volumes_.back().start + volumes_.back().size; }
    // Fills bytes from offset; a read past the end of the file is a failure.
    void ReadAt(uint64_t offset, std::span<uint8_t> bytes) const;

    // Opens the volumes of disks 0 to lastDisk - 1 beside the named one, which becomes
    // lastDisk. They are opened as the named one is, relative to its folder, and none may
    // be a link. A missing volume, or one that cannot be opened, fails from outside.
    void OpenVolumesBefore(uint32_t lastDisk);
    const std::vector<Volume>& Volumes() const { return volumes_; }
    bool IsSplit() const { return volumes_.size() > 1; }
    // Where offset of disk stands in the whole. A disk past the last lies in the archive;
    // an offset past the end of a volume before the last means that volume is short.
    uint64_t Position(uint32_t disk, uint64_t offset) const;
    // The volume that holds position; the last for a position past the end.
    const Volume& VolumeAt(uint64_t position) const;

  private:
    std::string folder_;
    std::vector<Volume> volumes_;
};

}  // namespace sevenzip32
