#include "ArchiveFile.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>

#include "EntryFailure.h"
#include "Interrupted.h"
#include "VolumeNames.h"

namespace sevenzip32 {
namespace {

// The size of the volume open at fd, which must be a regular file.
uint64_t VolumeSize(int fd, const std::string& name) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        throw SystemFailure(Reason::kCannotOpenVolume, name);
    }
    if (!S_ISREG(status.st_mode)) {
        throw EntryFailure(Reason::kVolumeNotRegularFile, name, EntryFailure::Cause::Outside);
    }
    return static_cast<uint64_t>(status.st_size);
}

// A split archive keeps all its volumes open at once: the soft limit on descriptors, often
// 1,024, is raised as far as the hard one allows to leave room for them beside the rest.
void MakeRoomForDescriptors(uint32_t volumes) {
    constexpr rlim_t kForTheRest = 1024;
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= volumes + kForTheRest) {
        return;
    }
    limit.rlim_cur = std::min<rlim_t>(volumes + kForTheRest, limit.rlim_max);
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace

// Opened without blocking, so that a FIFO or a device under the name cannot hold the
// extraction waiting for a writer; anything but a regular file is refused at once.
ArchiveFile::ArchiveFile(const std::string& path) {
    folder_ = FolderOfArchive(path);
    Volume whole;
    whole.name = path.substr(path.rfind('/') + 1);
    whole.fd.Reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!whole.fd.IsOpen()) {
        throw SystemFailure(Reason::kCannotOpenArchive);
    }
    struct stat status {};
    if (::fstat(whole.fd.Get(), &status) != 0) {
        throw SystemFailure(Reason::kCannotReadArchiveAttributes);
    }
    if (!S_ISREG(status.st_mode)) {
        throw EntryFailure(Reason::kArchiveNotRegularFile);
    }
    whole.size = static_cast<uint64_t>(status.st_size);
    volumes_.push_back(std::move(whole));
    if (contract::IsFirstNumberedVolume(volumes_[0].name) ||
        contract::IsFirstRawPiece(volumes_[0].name)) {
        OpenNumberedPieces();
    }
}

UniqueFd ArchiveFile::OpenBeside(int folder, VolumeLookup& lookup, std::string& name) const {
    const auto open = [&] {
        return UniqueFd(
            ::openat(folder, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    };
    UniqueFd fd = open();
    if (!fd.IsOpen() && errno == ENOENT) {
        if (auto spelled = lookup.InAnyCase(name)) {
            name = std::move(*spelled);
            fd = open();
        }
    }
    if (!fd.IsOpen() && errno != ENOENT) {
        if (errno == ELOOP) {
            throw EntryFailure(Reason::kVolumeNotRegularFile, name, EntryFailure::Cause::Outside);
        }
        throw SystemFailure(Reason::kCannotOpenVolume, name);
    }
    return fd;
}

void ArchiveFile::OpenFollowingVolumes() {
    if (IsSplit()) {
        return;
    }
    const UniqueFd folder(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsOpen()) {
        throw SystemFailure(Reason::kCannotOpenVolume, folder_);
    }
    VolumeLookup lookup(folder.Get());
    for (uint32_t other = 0;; ++other) {
        Volume volume;
        volume.name = contract::OtherVolumeName(volumes_[0].name, other);
        volume.fd = OpenBeside(folder.Get(), lookup, volume.name);
        if (!volume.fd.IsOpen()) {
            break;
        }
        MakeRoomForDescriptors(other + 2);
        volume.size = VolumeSize(volume.fd.Get(), volume.name);
        volume.start = volumes_.back().start + volumes_.back().size;
        volumes_.push_back(std::move(volume));
    }
}

// Pieces cut from one file are all of one size but for the last, which is no longer.
void ArchiveFile::OpenNumberedPieces() {
    numbered_ = true;
    OpenFollowingVolumes();
    const uint64_t pieceSize = volumes_[0].size;
    for (size_t i = 1; i < volumes_.size(); ++i) {
        const bool longer = volumes_[i].size > pieceSize;
        if (longer || (i + 1 < volumes_.size() && volumes_[i].size < pieceSize)) {
            throw EntryFailure(Reason::kVolumeShort, volumes_[longer ? 0 : i].name,
                               EntryFailure::Cause::Outside);
        }
    }
}

EntryFailure ArchiveFile::NumberedPiecesIncomplete() const {
    const Volume& last = volumes_.back();
    if (last.size < volumes_[0].size) {
        return EntryFailure(Reason::kVolumeShort, last.name, EntryFailure::Cause::Outside);
    }
    const auto next =
        contract::OtherVolumeName(volumes_[0].name, static_cast<uint32_t>(volumes_.size() - 1));
    return EntryFailure(Reason::kVolumeMissing, next, EntryFailure::Cause::Outside);
}

void ArchiveFile::OpenVolumesBefore(uint32_t lastDisk) {
    if (lastDisk == 0 || IsSplit()) {
        return;
    }
    const UniqueFd folder(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsOpen()) {
        throw SystemFailure(Reason::kCannotOpenVolume, folder_);
    }
    MakeRoomForDescriptors(lastDisk);
    VolumeLookup lookup(folder.Get());
    std::vector<Volume> volumes;
    volumes.reserve(static_cast<size_t>(lastDisk) + 1);
    uint64_t start = 0;
    for (uint32_t disk = 0; disk < lastDisk; ++disk) {
        Volume volume;
        volume.name = contract::OtherVolumeName(volumes_.back().name, disk);
        volume.fd = OpenBeside(folder.Get(), lookup, volume.name);
        if (!volume.fd.IsOpen()) {
            throw EntryFailure(Reason::kVolumeMissing, volume.name, EntryFailure::Cause::Outside);
        }
        volume.size = VolumeSize(volume.fd.Get(), volume.name);
        volume.start = start;
        start += volume.size;
        volumes.push_back(std::move(volume));
    }
    volumes_.back().start = start;
    volumes.push_back(std::move(volumes_.back()));
    volumes_ = std::move(volumes);
    named_ = volumes_.size() - 1;
}

uint64_t ArchiveFile::Position(uint32_t disk, uint64_t offset) const {
    if (disk >= Disks()) {
        throw EntryFailure(Reason::kDiskNumberPastTheLast);
    }
    if (numbered_) {
        return offset;
    }
    const Volume& volume = volumes_[disk];
    if (offset > volume.size && disk + 1 < volumes_.size()) {
        throw EntryFailure(Reason::kVolumeShort, volume.name, EntryFailure::Cause::Outside);
    }
    return volume.start + offset;
}

const ArchiveFile::Volume& ArchiveFile::VolumeAt(uint64_t position) const {
    const auto after =
        std::upper_bound(volumes_.begin(), volumes_.end(), position,
                         [](uint64_t at, const Volume& volume) { return at < volume.start; });
    return *std::prev(after);
}

EntryFailure ArchiveFile::ShortDiskBetween(uint64_t begin, uint64_t end) const {
    const Volume* first = &VolumeAt(begin);
    const Volume* last = &VolumeAt(end);
    const Volume* shortest = first;
    for (const Volume* volume = first; volume < last; ++volume) {
        if (volume->size < shortest->size) {
            shortest = volume;
        }
    }
    if (shortest == &volumes_.back()) {
        return EntryFailure(Reason::kTruncated);
    }
    return EntryFailure(Reason::kVolumeShort, shortest->name, EntryFailure::Cause::Outside);
}

void ArchiveFile::ReadAt(uint64_t offset, std::span<uint8_t> bytes) const {
    if (offset > Size() || bytes.size() > Size() - offset) {
        throw EntryFailure(Reason::kTruncated);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const uint64_t at = offset + done;
        const Volume& volume = IsSplit() ? VolumeAt(at) : volumes_[0];
        const size_t wanted = static_cast<size_t>(
            std::min<uint64_t>(bytes.size() - done, volume.start + volume.size - at));
        const ssize_t got = contract::RetryWhileInterrupted([&] {
            return ::pread(volume.fd.Get(), bytes.data() + done, wanted,
                           static_cast<off_t>(at - volume.start));
        });
        if (got < 0) {
            throw SystemFailure(Reason::kCannotReadArchive);
        }
        if (got == 0) {
            // A volume grew shorter since it was opened, or the archive did.
            throw EntryFailure(Reason::kTruncated);
        }
        done += static_cast<size_t>(got);
    }
}

}  // namespace sevenzip32
