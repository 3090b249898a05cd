#include "PublishLink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "EntryFailure.h"
#include "TemporaryNames.h"

namespace sevenzip32 {

void PublishLink(int folderFd, const std::string& name, const std::string& target) {
    // Another extraction may remove the link between its creation and its renaming,
    // taking it for a dead writer's: then it is made again.
    for (int attempt = 0;; ++attempt) {
        const std::string temporaryName = NewTemporaryName();
        if (::symlinkat(target.c_str(), folderFd, temporaryName.c_str()) != 0) {
            throw SystemFailure(Reason::kCannotCreateLink);
        }
        if (::renameat(folderFd, temporaryName.c_str(), folderFd, name.c_str()) == 0) {
            return;
        }
        const int error = errno;
        ::unlinkat(folderFd, temporaryName.c_str(), 0);
        if (error != ENOENT || attempt == 2) {
            throw SystemFailure(Reason::kCannotPutLinkInPlace, error);
        }
    }
}

}  // namespace sevenzip32
