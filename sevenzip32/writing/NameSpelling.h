// Whether a name reaches a file stored under another spelling: on a file system that
// folds case (exFAT, CIFS, ext4 with case folding), "README.TXT" opens "Readme.txt". Inode
// numbers cannot tell, since FUSE drivers give each spelling a number of its own; the
// folder's listing can.
#pragma once

#include <string>

namespace sevenzip32 {

// True when name opens something in the folder that the folder does not list under
// exactly that name.
bool NameStandsSpelledOtherwise(int folderFd, const std::string& name);

}  // namespace sevenzip32
