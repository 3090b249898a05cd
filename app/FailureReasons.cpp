#include "FailureReasons.h"

#include <algorithm>
#include <iterator>

#include "ExtractionReport.h"
#include "ReasonTable.h"

namespace {

struct ReasonWords {
    std::string_view library;
    std::string_view japanese;
};

constexpr ReasonWords kReasons[] = {
#define KESTO_REASON_WORDS(name, words, japanese) {words, japanese},
    KESTO_REASONS(KESTO_REASON_WORDS)
#undef KESTO_REASON_WORDS
};

constexpr std::string_view kNoPasswordOpensIt = "no listed password opens it";
constexpr std::string_view kPasswordWanted = "パスワードが必要です";
constexpr std::string_view kSeparator = ": ";

// The report's English openings of its reason lines, and what the notification says instead.
struct Opening {
    std::string_view library;
    std::string_view japanese;
};
constexpr Opening kOpenings[] = {
    {"Failed: ", ""},
    {"Command line refused: ", "コマンドラインを受け付けません: "},
    {"Internal error: ", ""},
};

struct ReasonAt {
    size_t at = 0;  // where the reason starts in the line's text
    const ReasonWords* words = nullptr;
};

// The known reason that stands in text between separators, the last one where several
// do: a name comes before its reason, and names are what an archive may make up.
ReasonAt FindReason(std::string_view text) {
    ReasonAt found;
    for (const ReasonWords& words : kReasons) {
        for (size_t at = text.rfind(words.library); at != std::string_view::npos;
             at = at == 0 ? std::string_view::npos : text.rfind(words.library, at - 1)) {
            const size_t end = at + words.library.size();
            const bool startsAPart = at == 0 || text.substr(0, at).ends_with(kSeparator);
            const bool endsAPart = end == text.size() || text.substr(end).starts_with(kSeparator);
            if (startsAPart && endsAPart) {
                if (found.words == nullptr || at > found.at) {
                    found = {at, &words};
                }
                break;
            }
        }
    }
    return found;
}

bool IsNumber(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789.") == std::string_view::npos;
}

// The details the library words itself, rather than a path or the system's words: how
// many entries of an archive cut short were whole, what an entry needed and what was free.
std::string DetailInJapanese(std::string_view detail) {
    for (const std::string_view whole : {" whole entries were read", " whole entry was read"}) {
        if (detail.ends_with(whole) && IsNumber(detail.substr(0, detail.size() - whole.size()))) {
            return "完全に届いたファイルは " +
                   std::string(detail.substr(0, detail.size() - whole.size())) + " 個です";
        }
    }
    constexpr std::string_view kNeeded = " needed, ";
    constexpr std::string_view kFree = " free";
    if (const size_t needed = detail.find(kNeeded);
        needed != std::string_view::npos && detail.ends_with(kFree)) {
        return "必要 " + std::string(detail.substr(0, needed)) + "、空き " +
               std::string(detail.substr(needed + kNeeded.size(),
                                         detail.size() - needed - kNeeded.size() - kFree.size()));
    }
    return std::string(detail);
}

}  // namespace

std::optional<std::string_view> JapaneseReason(std::string_view libraryReason) {
    for (const ReasonWords& words : kReasons) {
        if (words.library == libraryReason) {
            return words.japanese;
        }
    }
    return std::nullopt;
}

std::string ReportLineInJapanese(std::string_view line, bool passwordsListed) {
    for (const Opening& opening : kOpenings) {
        if (!line.starts_with(opening.library)) {
            continue;
        }
        const std::string_view text = line.substr(opening.library.size());
        const ReasonAt reason = FindReason(text);
        if (reason.words == nullptr) {
            return std::string(text);  // in the library's words
        }
        const std::string_view after = text.substr(reason.at + reason.words->library.size());
        const bool wanted = !passwordsListed && reason.words->library == kNoPasswordOpensIt;
        return std::string(opening.japanese)
            .append(text.substr(0, reason.at))
            .append(wanted ? kPasswordWanted : reason.words->japanese)
            .append(after.starts_with(kSeparator)
                        ? std::string(kSeparator) +
                              DetailInJapanese(after.substr(kSeparator.size()))
                        : std::string(after));
    }
    return std::string(line);
}

bool LineWantsPassword(std::string_view line) {
    if (!line.starts_with(kOpenings[0].library)) {
        return false;
    }
    const ReasonAt reason = FindReason(line.substr(kOpenings[0].library.size()));
    return reason.words != nullptr && reason.words->library == kNoPasswordOpensIt;
}

size_t EntriesWantingPassword(std::string_view report) {
    const auto lines = LinesOf(report);
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), LineWantsPassword));
}
