// The reason one entry, or the whole archive, could not be extracted, and whether it lies
// in the archive (damaged data, a method or encryption we do not read: it fails again the
// same way, however often it is tried), in the passwords the user keeps (it fails again
// until the list changes) or outside it (the disk, permissions, the system: worth trying
// again).
#pragma once

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace sevenzip32 {

class EntryFailure : public std::runtime_error {
  public:
    enum class Cause { InTheArchive, WantsPassword, Outside };

    explicit EntryFailure(const std::string& reason, Cause cause = Cause::InTheArchive)
        : std::runtime_error(reason), cause_(cause) {}

    // True too for a password none of the listed ones is: with the same list, it fails
    // again the same way.
    bool LiesInTheArchive() const { return cause_ != Cause::Outside; }
    bool WantsPassword() const { return cause_ == Cause::WantsPassword; }

  private:
    Cause cause_;
};

// The failure of a system call, with the call's own words for errno.
inline EntryFailure SystemFailure(const std::string& what, int error = errno) {
    return EntryFailure(what + ": " + std::strerror(error), EntryFailure::Cause::Outside);
}

inline EntryFailure NotEnoughSpace() {
    return EntryFailure("not enough free space on the disk", EntryFailure::Cause::Outside);
}

}  // namespace sevenzip32
