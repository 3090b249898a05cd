#include "PasswordTrials.h"

#include <algorithm>
#include <cstring>

#include "FailureReasons.h"

namespace {

void Wipe(std::string& secret) {
    ::explicit_bzero(secret.data(), secret.size());
    secret.clear();
}

}  // namespace

void PasswordTrials::Added(const std::filesystem::path& list, AddedPassword password,
                           const std::string& archiveName) {
    trials_.push_back({list, std::move(password), archiveName});
}

void PasswordTrials::PassBegins() {
    for (Trial& trial : trials_) {
        trial.tried = true;
    }
}

std::set<std::string> PasswordTrials::PassEnded(const PassOutcome& pass) {
    std::map<std::string, size_t> wanting;
    bool openedSome = false;
    for (const ArchiveOutcome& archive : pass.archives) {
        const size_t now = archive.extracted ? 0 : EntriesWantingPassword(archive.report);
        const auto before = wantingBefore_.find(archive.path);
        openedSome = openedSome || (before != wantingBefore_.end() && now < before->second);
        if (now > 0) {
            wanting.emplace(archive.path, now);
        }
    }
    wantingBefore_ = std::move(wanting);

    std::set<std::string> failed;
    for (Trial& trial : trials_) {
        if (!trial.tried) {
            continue;
        }
        const auto stillWanting = std::find_if(
            pass.archives.begin(), pass.archives.end(), [&](const ArchiveOutcome& archive) {
                return archive.Name() == trial.archiveName && wantingBefore_.contains(archive.path);
            });
        if (!openedSome && stillWanting != pass.archives.end() &&
            TakeOutPassword(trial.list, trial.password)) {
            failed.insert(stillWanting->path);
        }
        Wipe(trial.password.password);
    }
    std::erase_if(trials_, [](const Trial& trial) { return trial.tried; });
    return failed;
}
