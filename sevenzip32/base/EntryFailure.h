// The reason one entry, or the whole archive, could not be extracted, and whether it lies
// in the archive (damaged data, a method or encryption we do not read: it fails again the
// same way, however often it is tried), in the passwords the user keeps (it fails again
// until the list changes) or outside it (the disk, permissions, the system: worth trying
// again).
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "Reasons.h"
#include "ReportLines.h"

namespace sevenzip32 {

class EntryFailure : public std::runtime_error {
  public:
    enum class Cause { InTheArchive, WantsPassword, Outside };

    explicit EntryFailure(Reason reason, Cause cause = Cause::InTheArchive)
        : std::runtime_error(contract::ReasonText(reason)), reason_(reason), cause_(cause) {}
    // The reason, then what it is about: "reason: detail".
    EntryFailure(Reason reason, std::string_view detail, Cause cause = Cause::InTheArchive)
        : std::runtime_error(contract::ReasonText(reason, detail)),
          reason_(reason),
          cause_(cause) {}

    Reason Which() const { return reason_; }

    // True too for a password none of the listed ones is: with the same list, it fails
    // again the same way.
    bool LiesInTheArchive() const { return cause_ != Cause::Outside; }
    bool WantsPassword() const { return cause_ == Cause::WantsPassword; }

  private:
    Reason reason_;
    Cause cause_;
};

// The failure of a system call, with the call's own words for errno.
inline EntryFailure SystemFailure(Reason what, int error = errno) {
    return EntryFailure(what, std::strerror(error), EntryFailure::Cause::Outside);
}

// The same, about the named path.
inline EntryFailure SystemFailure(Reason what, const std::string& name, int error = errno) {
    return EntryFailure(what, name + ": " + std::strerror(error), EntryFailure::Cause::Outside);
}

// The words for anything thrown: a failure's own, or otherwise's with what was thrown.
inline std::string ReasonOf(const std::exception& thrown, Reason otherwise) {
    if (dynamic_cast<const EntryFailure*>(&thrown) != nullptr) {
        return thrown.what();
    }
    if (dynamic_cast<const std::bad_alloc*>(&thrown) != nullptr) {
        return std::string(TextOf(Reason::kOutOfMemory));
    }
    return contract::ReasonText(otherwise, thrown.what());
}

// A number of bytes as a person reads it: "5 KB", "3.2 GB".
inline std::string BytesInWords(uint64_t bytes) {
    static constexpr const char* kUnits[] = {"bytes", "KB", "MB", "GB", "TB", "PB"};
    double value = static_cast<double>(bytes);
    size_t unit = 0;
    while (value >= 1000 && unit + 1 < std::size(kUnits)) {
        value /= 1000;
        ++unit;
    }
    char words[32];
    std::snprintf(words, sizeof words, unit > 0 && value < 10 ? "%.1f %s" : "%.0f %s", value,
                  kUnits[unit]);
    return words;
}

// With what was needed and what was free above the reserve.
inline EntryFailure NotEnoughSpace(uint64_t needed, uint64_t free) {
    return EntryFailure(Reason::kNotEnoughSpace,
                        contract::SpaceDetail(BytesInWords(needed), BytesInWords(free)),
                        EntryFailure::Cause::Outside);
}

}  // namespace sevenzip32
