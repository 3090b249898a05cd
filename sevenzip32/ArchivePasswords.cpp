#include "ArchivePasswords.h"

#include "UserFolders.h"

namespace sevenzip32 {

const PasswordList& ArchivePasswords::List() {
    if (!list_) {
        const auto path = contract::PasswordListPath();
        list_ = path ? PasswordList::Load(*path) : PasswordList();
    }
    return *list_;
}

EntryUnlocker& ArchivePasswords::Unlocker() {
    if (!unlocker_) {
        unlocker_.emplace(List());
    }
    return *unlocker_;
}

}  // namespace sevenzip32
