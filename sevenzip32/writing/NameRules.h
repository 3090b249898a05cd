// What the file system under the output folder takes as a name. Windows' file systems
// (exFAT and FAT on USB sticks and SD cards, NTFS) refuse "*:<>?\| in a name and count its
// length in UTF-16 units; Linux's count bytes, 255 of them on ext4, XFS and Btrfs. A name
// one refuses is written as a Japanese user would write it there: those characters in
// their full-width forms, and a part too long shortened at a character, its extension
// kept, with a mark of the whole part so that two long names that begin alike stay apart.
#pragma once

#include <cstddef>
#include <string>

namespace sevenzip32 {

struct NameRules {
    bool windowsNames = false;  // the characters refused, the length in UTF-16 units
    size_t longestPart = 255;
};

// The rules of the file system the folder open at fd is on. FUSE block-device drivers
// (exfat-fuse, ntfs-3g) are taken for the Windows file systems they serve.
NameRules NameRulesOf(int folderFd);

// Rewrites each part of path, its parts joined by "/", as rules take it; true when any
// part changed.
bool FitNameRules(const NameRules& rules, std::string& path);

}  // namespace sevenzip32
