// The passwords the user keeps, read only once an archive turns out to need them, and at
// most once an extraction; asked for on the thread that reads the archive.
#pragma once

#include <optional>

#include "EntryUnlocker.h"
#include "PasswordList.h"

namespace sevenzip32 {

class ArchivePasswords {
  public:
    const PasswordList& List();
    EntryUnlocker& Unlocker();
    // The list as it was read; nothing when it was never needed.
    const PasswordList* Read() const { return list_ ? &*list_ : nullptr; }

  private:
    std::optional<PasswordList> list_;
    std::optional<EntryUnlocker> unlocker_;
};

}  // namespace sevenzip32
