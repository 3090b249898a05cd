// What writers that died (killed while extracting) left in a folder.
#pragma once

namespace sevenzip32 {

// Removes the temporaries of dead writers from the folder: names of ours alone, and only
// those no live writer holds.
void RemoveStaleTemporaries(int folderFd);

}  // namespace sevenzip32
