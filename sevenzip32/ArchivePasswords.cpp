#include "ArchivePasswords.h"

#include "UserFolders.h"

namespace sevenzip32 {

EntryUnlocker& ArchivePasswords::Unlocker() {
    if (!unlocker_) {
        const auto path = contract::PasswordListPath();
        list_ = path ? PasswordList::Load(*path) : PasswordList();
        unlocker_.emplace(*list_);
    }
    return *unlocker_;
}

}  // namespace sevenzip32
