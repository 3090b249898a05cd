// Archives still being written into the watch folder, as a download or a copy writes
// them: one that, or one of whose volumes, changed in size or time since the previous
// pass looked at it, or was modified less than kQuietSeconds before this pass began. A
// pass never waits for one; what it could not extract of it is not yet worth a word.
#pragma once

#include <chrono>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "WatchFolderScan.h"

class ArrivingArchives {
  public:
    static constexpr std::chrono::seconds kQuietSeconds{10};

    // The paths of the pass's archives that are still arriving. Remembers how the pass
    // found each archive, for the next pass to compare.
    std::set<std::string> LookAt(const PassOutcome& pass);

  private:
    // An archive's files as the pass found them: each file's name, size and time.
    using Look = std::vector<std::tuple<std::string, uint64_t, int64_t, int64_t>>;

    std::map<std::string, Look> lastPass_;
};
