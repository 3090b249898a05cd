// Tells the user, through the desktop's notification service, about the archives a pass
// could not fully extract: each archive once as it is, however many passes meet it again;
// a new or changed one again. Several of one pass share one notification. Nothing waits
// for the service: without one, or with a slow one, passes go on as before.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "WatchFolderScan.h"

struct FailureNotice {
    std::string summary;
    std::string body;  // the subset of markup notification servers read, escaped
};

class FailureNotices {
  public:
    // The notice for the archives of failed not yet told of, or nothing to say.
    std::optional<FailureNotice> NoticeFor(const std::vector<ArchiveOutcome>& failed);
    // Sends the notice for failed, if there is one.
    void Announce(const std::vector<ArchiveOutcome>& failed);

  private:
    using ArchiveState = std::tuple<uint64_t, uint64_t, uint64_t, int64_t, int64_t>;
    std::set<ArchiveState> told_;
};
