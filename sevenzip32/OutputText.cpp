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
    std::string shortened;
    std::string_view shown = text_;
    if (shown.size() > room) {
        // The longest lines lose their middles first (a long path, most often), so that
        // the lines after them, with the reasons, still fit.
        std::vector<std::string> lines;
        for (size_t start = 0; start < text_.size();) {
            const size_t end = text_.find('\n', start);
            lines.emplace_back(text_.substr(start, end - start));
            start = end + 1;
        }
        size_t total = text_.size();
        for (;;) {
            auto longest =
                std::max_element(lines.begin(), lines.end(),
                                 [](const auto& a, const auto& b) { return a.size() < b.size(); });
            if (total <= room || longest->size() <= kShortestLine) {
                break;
            }
            const size_t keep = std::max(kShortestLine, longest->size() - (total - room));
            std::string cut = WithoutMiddle(*longest, keep);
            total -= longest->size() - cut.size();
            *longest = std::move(cut);
        }
        for (const std::string& line : lines) {
            shortened += line;
            shortened += '\n';
        }
        shown = shortened;
    }
    if (shown.size() > room) {
        // Keep whole lines that fit together with the cut mark.
        std::string_view kept;
        if (room >= kCutMark.size()) {
            kept = shown.substr(0, room - kCutMark.size());
            const size_t lastLineEnd = kept.rfind('\n');
            kept = lastLineEnd == std::string_view::npos ? std::string_view{}
                                                         : kept.substr(0, lastLineEnd + 1);
        }
        CopyBytes(buffer, kept);
        size_t length = kept.size();
        if (room - length >= kCutMark.size()) {
            CopyBytes(buffer + length, kCutMark);
            length += kCutMark.size();
        }
        buffer[length] = '\0';
        return;
    }
    CopyBytes(buffer, shown);
    buffer[shown.size()] = '\0';
}

}  // namespace sevenzip32
