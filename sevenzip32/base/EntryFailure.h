// The reason one entry, or the whole archive, could not be extracted, and whether it lies
// in the archive (damaged data, a method or encryption we do not read: it fails again the
// same way, however often it is tried) or outside it (the disk, permissions, the system:
// worth trying again).
#pragma once

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace sevenzip32 {

class EntryFailure : public std::runtime_error {
  public:
    enum class Cause { InTheArchive, Outside };

    explicit EntryFailure(const std::string& reason, Cause cause = Cause::InTheArchive)
        : std::runtime_error(reason), cause_(cause) {}

    bool LiesInTheArchive() const { return cause_ == Cause::InTheArchive; }

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
