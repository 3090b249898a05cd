#include "OutputText.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "Utf8.h"

namespace sevenzip32 {

namespace {

constexpr std::string_view kCutMark = "...\n";
constexpr std::string_view kMiddleMark = "...";
// A line is never shortened below this: its start and its end still say what it is about.
constexpr size_t kShortestLine = 64;

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The line with its middle left out, its start and end kept, keep bytes long at most,
// never splitting a character.
std::string WithoutMiddle(std::string_view line, size_t keep) {
    const size_t room = keep - kMiddleMark.size();
    size_t headEnd = room / 2;
    while (headEnd > 0 && IsContinuationByte(line[headEnd])) {
        --headEnd;
    }
    size_t tailStart = line.size() - (room - room / 2);
    while (tailStart < line.size() && IsContinuationByte(line[tailStart])) {
        ++tailStart;
    }
    return std::string(line.substr(0, headEnd)) + std::string(kMiddleMark) +
           std::string(line.substr(tailStart));
}

void CopyBytes(char* buffer, std::string_view bytes) {
    if (!bytes.empty()) {
        std::memcpy(buffer, bytes.data(), bytes.size());
    }
}

// Shortens text to room bytes: the longest lines lose their middles first (a long path,
// most often), so that the lines after them, with the reasons, still fit; then whole
// lines go from the end, marked.
std::string Shortened(std::string_view text, size_t room) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\n', start);
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    size_t total = text.size();
    while (total > room) {
        auto longest =
            std::max_element(lines.begin(), lines.end(),
                             [](const auto& a, const auto& b) { return a.size() < b.size(); });
        if (longest->size() <= kShortestLine) {
            break;
        }
        const size_t excess = total - room;
        const size_t keep =
            longest->size() > excess + kShortestLine ? longest->size() - excess : kShortestLine;
        std::string cut = WithoutMiddle(*longest, keep);
        total -= longest->size() - cut.size();
        *longest = std::move(cut);
    }
    std::string shown;
    for (const std::string& line : lines) {
        const size_t after = shown.size() + line.size() + 1;
        if (after > room || (total > room && after + kCutMark.size() > room)) {
            if (shown.size() + kCutMark.size() <= room) {
                shown += kCutMark;
            }
            break;
        }
        shown += line;
        shown += '\n';
    }
    return shown;
}

}  // namespace

void OutputText::AddLine(std::string_view line) {
    text_ += EscapedForReport(line);
    text_ += '\n';
}

void OutputText::CopyTo(char* buffer, uint32_t capacity) const {
    if (buffer == nullptr || capacity == 0) {
        return;
    }
    const size_t room = capacity - 1;
    const std::string shortened = text_.size() > room ? Shortened(text_, room) : std::string();
    const std::string_view shown = text_.size() > room ? std::string_view(shortened) : text_;
    CopyBytes(buffer, shown);
    buffer[shown.size()] = '\0';
}

}  // namespace sevenzip32
