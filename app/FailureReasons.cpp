#include "FailureReasons.h"

#include <algorithm>

#include "ReportLines.h"

namespace {

using contract::FailureKind;
using contract::kReportSeparator;
using contract::Reason;

constexpr std::string_view kPasswordWanted = "パスワードが必要です";

// What the notification says in place of each opening of a failure line.
std::string_view OpeningInJapanese(FailureKind kind) {
    return kind == FailureKind::CommandLineRefused ? "コマンドラインを受け付けません: " : "";
}

// The details the library words itself, rather than a path or the system's words: how
// many entries of an archive cut short were whole, what an entry needed and what was free.
std::string DetailInJapanese(std::string_view detail) {
    if (const auto whole = contract::ReadCutShortDetail(detail)) {
        return "完全に届いたファイルは " + std::to_string(*whole) + " 個です";
    }
    if (const auto space = contract::ReadSpaceDetail(detail)) {
        return "必要 " + std::string(space->needed) + "、空き " + std::string(space->free);
    }
    return std::string(detail);
}

bool WantsPassword(const contract::ReportedFailure& failure) {
    return failure.kind == FailureKind::Failed && failure.reason == Reason::kNoPasswordOpensIt;
}

}  // namespace

std::string ReportLineInJapanese(std::string_view line, bool passwordsListed) {
    const auto failure = contract::ReadFailureLine(line);
    if (!failure) {
        return std::string(line);
    }
    if (!failure->reason) {
        return std::string(failure->text);  // in the library's words
    }
    std::string shown(OpeningInJapanese(failure->kind));
    if (failure->name) {
        shown.append(*failure->name).append(kReportSeparator);
    }
    shown.append(!passwordsListed && WantsPassword(*failure)
                     ? kPasswordWanted
                     : contract::JapaneseOf(*failure->reason));
    if (failure->detail) {
        shown.append(kReportSeparator).append(DetailInJapanese(*failure->detail));
    }
    return shown;
}

bool LineWantsPassword(std::string_view line) {
    const auto failure = contract::ReadFailureLine(line);
    return failure && WantsPassword(*failure);
}

bool ArchiveWantsPassword(std::string_view line) {
    const auto failure = contract::ReadFailureLine(line);
    return failure && WantsPassword(*failure) && !failure->name;
}

size_t EntriesWantingPassword(std::string_view report) {
    const auto lines = contract::LinesOf(report);
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), LineWantsPassword));
}
