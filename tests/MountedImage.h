// A folder on a file system of USB sticks and SD cards, exFAT, or of Windows disks, NTFS:
// made from an image through a loop device and a FUSE driver (exfat-fuse, ntfs-3g), which
// needs root. Mounted() is false where that cannot be done, and the test skips. Its change
// times come from the driver, not the kernel, and its inode numbers are the driver's own.
// An ext4 image the same way, through the kernel, for a disk of a size of its own.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "TemporaryFolder.h"

class MountedImage {
  public:
    enum Kind { kExfat, kNtfs, kExt4 };

    explicit MountedImage(Kind kind) : kind_(kind) {
        const char* tools = kind == kExfat  ? "mount.exfat-fuse mkfs.exfat"
                            : kind == kNtfs ? "ntfs-3g mkntfs"
                                            : "mkfs.ext4";
        if (::geteuid() != 0 ||
            Run(std::string("command -v ") + tools + " losetup >/dev/null 2>&1") != 0) {
            return;
        }
        const std::string image = folder_ / "image";
        mountPoint_ = folder_ / "mounted";
        const std::string format = kind == kExfat  ? "mkfs.exfat '" + image + "' >/dev/null"
                                   : kind == kNtfs ? "mkntfs -F -Q -q '" + image + "'"
                                                   : "mkfs.ext4 -q -F '" + image + "'";
        if (Run("truncate -s 512M '" + image + "' && " + format + " && mkdir '" + mountPoint_ +
                "'") != 0) {
            return;
        }
        FILE* losetup = ::popen(("losetup -f --show '" + image + "' 2>/dev/null").c_str(), "r");
        char device[64] = {};
        if (losetup == nullptr) {
            return;
        }
        if (std::fgets(device, sizeof device, losetup) != nullptr) {
            loopDevice_ = device;
            loopDevice_.erase(loopDevice_.find_last_not_of('\n') + 1);
        }
        ::pclose(losetup);
        mounted_ = !loopDevice_.empty() && Mount();
    }
    ~MountedImage() {
        if (mounted_) {
            Run("umount '" + mountPoint_ + "'");
        }
        if (!loopDevice_.empty()) {
            Run("losetup -d '" + loopDevice_ + "'");
        }
    }
    MountedImage(const MountedImage&) = delete;
    MountedImage& operator=(const MountedImage&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& Path() const { return mountPoint_; }
    const char* Name() const {
        return kind_ == kExfat ? "exFAT" : kind_ == kNtfs ? "NTFS" : "ext4";
    }
    // Unmounted and mounted again, as a stick taken out and put back.
    bool Remount() {
        mounted_ = Run("umount '" + mountPoint_ + "'") == 0 && Mount();
        return mounted_;
    }

  private:
    static int Run(const std::string& command) { return std::system(command.c_str()); }
    bool Mount() const {
        const char* driver = kind_ == kExfat  ? "mount.exfat-fuse"
                             : kind_ == kNtfs ? "ntfs-3g"
                                              : "mount -t ext4";
        return Run(std::string(driver) + " '" + loopDevice_ + "' '" + mountPoint_ +
                   "' >/dev/null 2>&1") == 0;
    }

    Kind kind_;
    TemporaryFolder folder_;
    std::string mountPoint_;
    std::string loopDevice_;
    bool mounted_ = false;
};
