// What became of each entry, written by whichever thread worked on it. An entry counts
// as extracted only once its work returned; whatever the work throws, a standard
// exception or not, even while its reason is being recorded, becomes that entry's
// failure: nothing thrown leaves a worker thread or the library.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "EntryFailure.h"

namespace sevenzip32 {

class EntryOutcomes {
  public:
    explicit EntryOutcomes(size_t count) : states_(count, kPending), reasons_(count) {}

    // Fails the entry before any work, for a reason found while planning.
    void Refuse(size_t entry, const std::string& reason) noexcept {
        states_[entry] = kFailed;
        Record(entry, reason.c_str());
    }

    template <typename Work>
    void Attempt(size_t entry, Work work) noexcept {
        try {
            work();
            states_[entry] = kSucceeded;
        } catch (const EntryFailure& failure) {
            states_[entry] = failure.LiesInTheArchive() ? kFailed : kFailedFromOutside;
            Record(entry, failure.what());
        } catch (const std::exception& failure) {
            states_[entry] = kFailedFromOutside;
            Record(entry, failure.what());
        } catch (...) {
            states_[entry] = kFailedFromOutside;
        }
    }

    bool Succeeded(size_t entry) const { return states_[entry] == kSucceeded; }
    // False when an entry failed for a reason outside the archive, or was never reached:
    // another try might go otherwise.
    bool EveryFailureLiesInTheArchive() const {
        for (const uint8_t state : states_) {
            if (state == kFailedFromOutside || state == kPending) {
                return false;
            }
        }
        return true;
    }
    std::string Reason(size_t entry) const {
        if (states_[entry] == kPending) {
            return "the entry was not reached";
        }
        return reasons_[entry].empty() ? "an internal error stopped the entry" : reasons_[entry];
    }

  private:
    enum State : uint8_t { kPending, kSucceeded, kFailed, kFailedFromOutside };

    void Record(size_t entry, const char* reason) noexcept {
        try {
            reasons_[entry] = reason;
        } catch (...) {
            // No memory for the words: the entry still counts as failed.
        }
    }

    std::vector<uint8_t> states_;  // one byte per entry, so threads never share one
    std::vector<std::string> reasons_;
};

}  // namespace sevenzip32
