#include "OutputText.h"

#include <cstring>

namespace sevenzip32 {

namespace {
constexpr std::string_view kCutMark = "...\n";
}

void OutputText::AddLine(std::string_view line) {
    text_ += line;
    text_ += '\n';
}

void OutputText::CopyTo(char* buffer, uint32_t capacity) const {
    if (buffer == nullptr || capacity == 0) {
        return;
    }
    const size_t room = capacity - 1;
    std::string_view shown = text_;
    if (shown.size() > room) {
        // Keep whole lines that fit together with the cut mark.
        std::string_view kept;
        if (room >= kCutMark.size()) {
            kept = shown.substr(0, room - kCutMark.size());
            const size_t lastLineEnd = kept.rfind('\n');
            kept = lastLineEnd == std::string_view::npos ? std::string_view{}
                                                         : kept.substr(0, lastLineEnd + 1);
        }
        std::memcpy(buffer, kept.data(), kept.size());
        size_t length = kept.size();
        if (room - length >= kCutMark.size()) {
            std::memcpy(buffer + length, kCutMark.data(), kCutMark.size());
            length += kCutMark.size();
        }
        buffer[length] = '\0';
        return;
    }
    std::memcpy(buffer, shown.data(), shown.size());
    buffer[shown.size()] = '\0';
}

}  // namespace sevenzip32
