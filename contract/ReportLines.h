// The lines of the extraction library's report that the program reads, each written and
// read here, so that the library cannot word one otherwise than the program reads it:
//
//   Archive: PATH
//   Volumes: N                          an archive read from several files
//   Extracted F files, D folders, L links (P already in place); X failed.
//   Note: NAME written as PATH          a name written as the disk takes it
//   Failed: [NAME: ]REASON[: DETAIL]    an entry, or the archive as a whole
//   Command line refused: REASON[: DETAIL]
//   Internal error: REASON
//
// Two details the library words itself, and the window words again: how many entries of
// an archive cut short were whole ("N whole entries were read"), and what an entry needed
// and what was free ("8.4 MB needed, 5 KB free").
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ReasonTable.h"

namespace contract {

inline constexpr std::string_view kReportSeparator = ": ";

// The report's lines, without their line ends.
inline std::vector<std::string_view> LinesOf(std::string_view report) {
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < report.size();) {
        const size_t end = std::min(report.find('\n', start), report.size());
        lines.push_back(report.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

namespace report_detail {

inline constexpr std::string_view kArchive = "Archive: ";
inline constexpr std::string_view kVolumes = "Volumes: ";
inline constexpr std::string_view kSummary = "Extracted ";
inline constexpr std::string_view kNote = "Note: ";
inline constexpr std::string_view kWrittenAs = " written as ";
inline constexpr std::string_view kWholeEntries = " whole entries were read";
inline constexpr std::string_view kWholeEntry = " whole entry was read";
inline constexpr std::string_view kNeeded = " needed, ";
inline constexpr std::string_view kFree = " free";

// Takes the word from the front of text.
inline bool TakeWord(std::string_view& text, std::string_view word) {
    if (!text.starts_with(word)) {
        return false;
    }
    text.remove_prefix(word.size());
    return true;
}

// Takes a number followed by after from the front of text.
inline bool TakeNumber(std::string_view& text, uint64_t& number, std::string_view after) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end == text.data()) {
        return false;
    }
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return TakeWord(text, after);
}

}  // namespace report_detail

// A reason in the library's words, with what it is about after it where that helps (a
// path, the system's words for an error, one of the two details below).
inline std::string ReasonText(Reason reason) {
    return std::string(WordsOf(reason));
}
inline std::string ReasonText(Reason reason, std::string_view detail) {
    return ReasonText(reason).append(kReportSeparator).append(detail);
}

inline std::string ArchiveLine(std::string_view path) {
    return std::string(report_detail::kArchive).append(path);
}

inline std::string VolumesLine(uint64_t count) {
    return std::string(report_detail::kVolumes).append(std::to_string(count));
}

inline std::optional<uint64_t> ReadVolumesLine(std::string_view line) {
    uint64_t count = 0;
    if (!report_detail::TakeWord(line, report_detail::kVolumes) ||
        !report_detail::TakeNumber(line, count, "") || !line.empty()) {
        return std::nullopt;
    }
    return count;
}

struct EntryCounts {
    uint64_t files = 0;
    uint64_t folders = 0;
    uint64_t links = 0;
    uint64_t inPlace = 0;  // files and links that stood as the archive holds them already
    uint64_t failed = 0;

    bool operator==(const EntryCounts&) const = default;
};

inline std::string SummaryLine(const EntryCounts& counts) {
    const std::string inPlace =
        counts.inPlace == 0 ? "" : " (" + std::to_string(counts.inPlace) + " already in place)";
    return std::string(report_detail::kSummary) + std::to_string(counts.files) + " files, " +
           std::to_string(counts.folders) + " folders, " + std::to_string(counts.links) + " links" +
           inPlace + "; " + std::to_string(counts.failed) + " failed.";
}

inline std::optional<EntryCounts> ReadSummaryLine(std::string_view line) {
    using report_detail::TakeNumber;
    EntryCounts counts;
    if (!report_detail::TakeWord(line, report_detail::kSummary) ||
        !TakeNumber(line, counts.files, " files, ") ||
        !TakeNumber(line, counts.folders, " folders, ") ||
        !TakeNumber(line, counts.links, " links")) {
        return std::nullopt;
    }
    if (report_detail::TakeWord(line, " (") &&
        !TakeNumber(line, counts.inPlace, " already in place)")) {
        return std::nullopt;
    }
    if (!report_detail::TakeWord(line, "; ") || !TakeNumber(line, counts.failed, " failed.") ||
        !line.empty()) {
        return std::nullopt;
    }
    return counts;
}

struct RenamedEntry {
    std::string_view name;       // as the archive names it
    std::string_view writtenAs;  // as the disk took it
};

inline std::string NoteLine(std::string_view name, std::string_view writtenAs) {
    return std::string(report_detail::kNote)
        .append(name)
        .append(report_detail::kWrittenAs)
        .append(writtenAs);
}

// Both names may hold the words between them, and the disk's rules never add or remove
// them: the split is the one with as many on each side, else the first that gives both
// sides as many parts.
inline std::optional<RenamedEntry> ReadNoteLine(std::string_view line) {
    using report_detail::kWrittenAs;
    if (!report_detail::TakeWord(line, report_detail::kNote)) {
        return std::nullopt;
    }
    std::vector<size_t> splits;
    for (size_t at = line.find(kWrittenAs); at != std::string_view::npos;
         at = line.find(kWrittenAs, at + 1)) {
        splits.push_back(at);
    }
    const auto at = [&](size_t split) {
        return RenamedEntry{line.substr(0, split), line.substr(split + kWrittenAs.size())};
    };
    if (splits.size() % 2 == 1) {
        return at(splits[splits.size() / 2]);
    }
    for (const size_t split : splits) {
        const RenamedEntry renamed = at(split);
        if (std::count(renamed.name.begin(), renamed.name.end(), '/') ==
            std::count(renamed.writtenAs.begin(), renamed.writtenAs.end(), '/')) {
            return renamed;
        }
    }
    return std::nullopt;
}

// What a failure line is about: the archive or one of its entries, the command line, or
// the library itself.
enum class FailureKind : uint8_t { Failed, CommandLineRefused, InternalError };

namespace report_detail {

struct FailureOpening {
    FailureKind kind;
    std::string_view words;
};
inline constexpr FailureOpening kFailureOpenings[] = {
    {FailureKind::Failed, "Failed: "},
    {FailureKind::CommandLineRefused, "Command line refused: "},
    {FailureKind::InternalError, "Internal error: "},
};

}  // namespace report_detail

// The archive's failure, or the command line's or the library's: "Failed: reason".
inline std::string FailureLine(FailureKind kind, std::string_view reasonText) {
    for (const auto& opening : report_detail::kFailureOpenings) {
        if (opening.kind == kind) {
            return std::string(opening.words).append(reasonText);
        }
    }
    return std::string(reasonText);
}

// One entry's: "Failed: name: reason".
inline std::string EntryFailureLine(std::string_view name, std::string_view reasonText) {
    return FailureLine(FailureKind::Failed, std::string(name).append(kReportSeparator))
        .append(reasonText);
}

struct ReportedFailure {
    FailureKind kind = FailureKind::Failed;
    std::string_view text;                 // all after the opening
    std::optional<std::string_view> name;  // the entry's, before the reason
    std::optional<Reason> reason;          // nothing where no known reason stands in text
    std::optional<std::string_view> detail;
};

// A failure line read back. The reason is the known one that stands between separators,
// the last where several do: a name comes before its reason, and names are what an
// archive may make up.
inline std::optional<ReportedFailure> ReadFailureLine(std::string_view line) {
    ReportedFailure failure;
    bool opened = false;
    for (const auto& opening : report_detail::kFailureOpenings) {
        if (line.starts_with(opening.words)) {
            failure.kind = opening.kind;
            failure.text = line.substr(opening.words.size());
            opened = true;
            break;
        }
    }
    if (!opened) {
        return std::nullopt;
    }
    const std::string_view text = failure.text;
    size_t foundAt = 0;
    for (size_t i = 0; i < std::size(kReasonWords); ++i) {
        const std::string_view words = kReasonWords[i];
        for (size_t at = text.rfind(words); at != std::string_view::npos;
             at = at == 0 ? std::string_view::npos : text.rfind(words, at - 1)) {
            const size_t end = at + words.size();
            const bool startsAPart = at == 0 || text.substr(0, at).ends_with(kReportSeparator);
            const bool endsAPart =
                end == text.size() || text.substr(end).starts_with(kReportSeparator);
            if (startsAPart && endsAPart) {
                if (!failure.reason || at > foundAt) {
                    failure.reason = static_cast<Reason>(i);
                    foundAt = at;
                }
                break;
            }
        }
    }
    if (failure.reason) {
        if (foundAt > 0) {
            failure.name = text.substr(0, foundAt - kReportSeparator.size());
        }
        const size_t end = foundAt + WordsOf(*failure.reason).size();
        if (end < text.size()) {
            failure.detail = text.substr(end + kReportSeparator.size());
        }
    }
    return failure;
}

inline std::string CutShortDetail(uint64_t wholeEntries) {
    return std::to_string(wholeEntries)
        .append(wholeEntries == 1 ? report_detail::kWholeEntry : report_detail::kWholeEntries);
}

// How many entries were whole, from the detail of an archive cut short.
inline std::optional<uint64_t> ReadCutShortDetail(std::string_view detail) {
    for (const std::string_view whole :
         {report_detail::kWholeEntries, report_detail::kWholeEntry}) {
        uint64_t count = 0;
        if (std::string_view rest = detail;
            report_detail::TakeNumber(rest, count, whole) && rest.empty()) {
            return count;
        }
    }
    return std::nullopt;
}

struct SpaceFigures {
    std::string_view needed;  // "8.4 MB"
    std::string_view free;
};

inline std::string SpaceDetail(std::string_view needed, std::string_view free) {
    return std::string(needed)
        .append(report_detail::kNeeded)
        .append(free)
        .append(report_detail::kFree);
}

inline std::optional<SpaceFigures> ReadSpaceDetail(std::string_view detail) {
    const size_t needed = detail.find(report_detail::kNeeded);
    if (needed == std::string_view::npos || !detail.ends_with(report_detail::kFree)) {
        return std::nullopt;
    }
    const size_t freeAt = needed + report_detail::kNeeded.size();
    if (freeAt + report_detail::kFree.size() > detail.size()) {
        return std::nullopt;
    }
    return SpaceFigures{
        detail.substr(0, needed),
        detail.substr(freeAt, detail.size() - freeAt - report_detail::kFree.size())};
}

}  // namespace contract
