// A folder on a file system of USB sticks and SD cards, exFAT, or of Windows disks, NTFS:
// made from an image through a loop device and a FUSE driver (exfat-fuse, ntfs-3g), which
// needs root. Mounted() is false where that cannot be done, and the test skips. Its change
// times come from the driver, not the kernel, and its inode numbers are the driver's own.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "TemporaryFolder.h"

class MountedImage {
  public:
    enum Kind { kExfat, kNtfs };

    explicit MountedImage(Kind kind) : kind_(kind) {
        const char* tools = kind == kExfat ? "mount.exfat-fuse mkfs.exfat" : "ntfs-3g mkntfs";
        if (::geteuid() != 0 ||
            Run(std::string("command -v ") + tools + " losetup >/dev/null 2>&1") != 0) {
            return;
        }
        const std::string image = folder_ / "image";
        mountPoint_ = folder_ / "mounted";
        const std::string format = kind == kExfat ? "mkfs.exfat '" + image + "' >/dev/null"
                                                  : "mkntfs -F -Q -q '" + image + "'";
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
    const char* Name() const { return kind_ == kExfat ? "exFAT" : "NTFS"; }
    // Unmounted and mounted again, as a stick taken out and put back.
    bool Remount() {
        mounted_ = Run("umount '" + mountPoint_ + "'") == 0 && Mount();
        return mounted_;
    }

  private:
    static int Run(const std::string& command) { return std::system(command.c_str()); }
    bool Mount() const {
        const char* driver = kind_ == kExfat ? "mount.exfat-fuse" : "ntfs-3g";
        return Run(std::string(driver) + " '" + loopDevice_ + "' '" + mountPoint_ +
                   "' >/dev/null 2>&1") == 0;
    }

    Kind kind_;
    TemporaryFolder folder_;
    std::string mountPoint_;
    std::string loopDevice_;
    bool mounted_ = false;
};
