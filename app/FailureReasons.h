// The extraction library's failure lines in the window's words: "Failed: name: reason:
// detail" is shown "name: 理由: detail". The lines are read as contract/ReportLines.h
// writes them, and the words come from the table both sides share; a reason not found
// there is shown in the library's words.
#pragma once

#include <string>
#include <string_view>

// A line of the report as the notification shows it; a line that gives no reason as it is.
// An entry that no listed password opens wants one where passwordsListed is false: the
// list is missing or empty.
std::string ReportLineInJapanese(std::string_view line, bool passwordsListed = true);

// True when the line tells of an entry, or the archive as a whole, that no listed
// password opens.
bool LineWantsPassword(std::string_view line);

// True when it tells so of the archive as a whole, whose names are encrypted.
bool ArchiveWantsPassword(std::string_view line);

// How many entries the report tells of that no listed password opens.
size_t EntriesWantingPassword(std::string_view report);
