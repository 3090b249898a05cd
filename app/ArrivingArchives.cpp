#include "ArrivingArchives.h"

namespace {

using Clock = std::chrono::system_clock;

Clock::time_point ModifiedAt(const platform::FileIdentity& identity) {
    return Clock::time_point(std::chrono::duration_cast<Clock::duration>(
        std::chrono::seconds(identity.modifiedSeconds) +
        std::chrono::nanoseconds(identity.modifiedNanoseconds)));
}

}  // namespace

std::set<std::string> ArrivingArchives::LookAt(const PassOutcome& pass) {
    // A time further ahead than the pass itself was set by hand or by a wrong clock, and
    // says nothing of a writer.
    const Clock::time_point latest = Clock::now() + kQuietSeconds;
    std::set<std::string> arriving;
    std::map<std::string, Look> looks;
    for (const ArchiveOutcome& archive : pass.archives) {
        if (!archive.identity) {
            continue;
        }
        std::vector<std::pair<std::string, platform::FileIdentity>> files = {
            {archive.path, *archive.identity}};
        for (const platform::ArrivedFile& volume : archive.volumes) {
            files.emplace_back(volume.path, volume.identity);
        }
        Look look;
        bool recent = false;
        for (const auto& [path, identity] : files) {
            look.emplace_back(path, identity.size, identity.modifiedSeconds,
                              identity.modifiedNanoseconds);
            const Clock::time_point modified = ModifiedAt(identity);
            recent = recent || (modified > pass.began - kQuietSeconds && modified <= latest);
        }
        const auto before = lastPass_.find(archive.path);
        if (recent || (before != lastPass_.end() && before->second != look)) {
            arriving.insert(archive.path);
        }
        looks.emplace(archive.path, std::move(look));
    }
    lastPass_ = std::move(looks);
    return arriving;
}
