// A folder on exFAT, the file system of USB sticks and SD cards: case-insensitive, and
// its change times kept by a FUSE driver, not the kernel. Made from an image through a
// loop device and exfat-fuse, which needs root; Mounted() is false where that cannot be
// done, and the test skips.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "TemporaryFolder.h"

class ExfatFolder {
  public:
    ExfatFolder() {
        if (::geteuid() != 0 || std::system("command -v mount.exfat-fuse mkfs.exfat losetup "
                                            ">/dev/null 2>&1") != 0) {
            return;
        }
        const std::string image = folder_ / "exfat.img";
        mountPoint_ = folder_ / "mounted";
        if (Run("truncate -s 512M '" + image + "' && mkfs.exfat '" + image +
                "' >/dev/null && mkdir '" + mountPoint_ + "'") != 0) {
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
        mounted_ = !loopDevice_.empty() && Run("mount.exfat-fuse '" + loopDevice_ + "' '" +
                                               mountPoint_ + "' >/dev/null 2>&1") == 0;
    }
    ~ExfatFolder() {
        if (mounted_) {
            Run("umount '" + mountPoint_ + "'");
        }
        if (!loopDevice_.empty()) {
            Run("losetup -d '" + loopDevice_ + "'");
        }
    }
    ExfatFolder(const ExfatFolder&) = delete;
    ExfatFolder& operator=(const ExfatFolder&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& Path() const { return mountPoint_; }

  private:
    static int Run(const std::string& command) { return std::system(command.c_str()); }

    TemporaryFolder folder_;
    std::string mountPoint_;
    std::string loopDevice_;
    bool mounted_ = false;
};
