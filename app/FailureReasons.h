// The extraction library's reasons in the window's words. Its report says, a line each,
// "Failed: name: reason" or "Failed: reason", perhaps with ": detail" after the reason (a
// path, the system's words for an error); the notification shows "name: 理由: detail".
// The words come from the table both sides share (contract/ReasonTable.h), keyed by the
// library's own text; a reason not found there is shown in the library's words.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The Japanese for a reason as the library words it, without detail.
std::optional<std::string_view> JapaneseReason(std::string_view libraryReason);

// A line of the report as the notification shows it; a line that gives no reason as it is.
// An entry that no listed password opens wants one where passwordsListed is false: the
// list is missing or empty.
std::string ReportLineInJapanese(std::string_view line, bool passwordsListed = true);

// True when the line tells of an entry that no listed password opens.
bool LineWantsPassword(std::string_view line);

// How many entries the report tells of that no listed password opens.
size_t EntriesWantingPassword(std::string_view report);
