// What became of each entry, written by whichever thread worked on it. An entry counts
// as extracted only once its work returned; whatever the work throws, a standard
// exception or not, even while its reason is being recorded, becomes that entry's
// failure: nothing thrown leaves a worker thread or the library.
#pragma once

#include <algorithm>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "EntryFailure.h"

namespace sevenzip32 {

class EntryOutcomes {
  public:
    explicit EntryOutcomes(size_t count) : states_(count, kPending) {}

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
            states_[entry] = failure.WantsPassword()      ? kWantsPassword
                             : failure.LiesInTheArchive() ? kFailed
                                                          : kFailedFromOutside;
            Record(entry, failure.what());
        } catch (const std::exception& failure) {
            states_[entry] = kFailedFromOutside;
            Record(entry, failure, Reason::kInternalError);
        } catch (...) {
            states_[entry] = kFailedFromOutside;
        }
    }

    bool Succeeded(size_t entry) const { return states_[entry] == kSucceeded; }
    // False when an entry failed for a reason outside the archive, or was never reached:
    // another try might go otherwise. A password wanted counts as in the archive.
    bool EveryFailureLiesInTheArchive() const {
        for (const uint8_t state : states_) {
            if (state == kFailedFromOutside || state == kPending) {
                return false;
            }
        }
        return true;
    }
    // True when an entry failed for want of a password: a new list may open it.
    bool AnyWantsPassword() const {
        return std::find(states_.begin(), states_.end(), kWantsPassword) != states_.end();
    }
    // Calls visit(entry, reason) for each entry that did not succeed, by rising index.
    template <typename Visit>
    void ForEachFailure(Visit visit) {
        std::sort(reasons_.begin(), reasons_.end());
        auto reason = reasons_.begin();
        for (size_t entry = 0; entry < states_.size(); ++entry) {
            while (reason != reasons_.end() && reason->first < entry) {
                ++reason;
            }
            if (states_[entry] == kPending) {
                visit(entry, std::string(TextOf(Reason::kNotReached)));
            } else if (states_[entry] != kSucceeded) {
                visit(entry, reason != reasons_.end() && reason->first == entry
                                 ? reason->second
                                 : std::string(TextOf(Reason::kInternalError)));
            }
        }
    }

  private:
    enum State : uint8_t { kPending, kSucceeded, kFailed, kWantsPassword, kFailedFromOutside };

    void Record(size_t entry, const char* reason) noexcept {
        try {
            const std::lock_guard lock(reasonsLock_);
            reasons_.emplace_back(entry, reason);
        } catch (...) {
            // No memory for the words: the entry still counts as failed.
        }
    }
    void Record(size_t entry, const std::exception& thrown, Reason otherwise) noexcept {
        try {
            Record(entry, ReasonOf(thrown, otherwise).c_str());
        } catch (...) {
            // As above.
        }
    }

    std::vector<uint8_t> states_;  // one byte per entry, so threads never share one
    // Only the failures have words, which the threads add as they meet them.
    std::mutex reasonsLock_;
    std::vector<std::pair<size_t, std::string>> reasons_;
};

}  // namespace sevenzip32
