#include "PasswordTrials.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "FailureReasons.h"

namespace {

std::string_view FileName(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

void Wipe(std::string& secret) {
    ::explicit_bzero(secret.data(), secret.size());
    secret.clear();
}

}  // namespace

size_t EntriesWantingPassword(const ArchiveOutcome& archive) {
    if (archive.extracted) {
        return 0;
    }
    size_t wanting = 0;
    std::string_view report = archive.report;
    while (!report.empty()) {
        const size_t end = std::min(report.find('\n'), report.size());
        wanting += LineWantsPassword(report.substr(0, end)) ? 1 : 0;
        report.remove_prefix(std::min(end + 1, report.size()));
    }
    return wanting;
}

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
        const size_t now = EntriesWantingPassword(archive);
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
            wantingBefore_.begin(), wantingBefore_.end(),
            [&](const auto& archive) { return FileName(archive.first) == trial.archiveName; });
        if (!openedSome && stillWanting != wantingBefore_.end() &&
            TakeOutPassword(trial.list, trial.password)) {
            failed.insert(stillWanting->first);
        }
        Wipe(trial.password.password);
    }
    std::erase_if(trials_, [](const Trial& trial) { return trial.tried; });
    return failed;
}
