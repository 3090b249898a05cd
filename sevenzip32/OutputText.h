// The report written into the caller's buffer: valid UTF-8, one line per fact (names are
// escaped as they are added), never longer than the buffer, always
// zero-terminated. What does not fit loses the middles of its longest lines first, then
// whole lines from its end, each cut marked.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sevenzip32 {

class OutputText {
  public:
    void AddLine(std::string_view line);
    // Copies the text into buffer (capacity bytes, the zero included).
    void CopyTo(char* buffer, uint32_t capacity) const;

  private:
    std::string text_;
};

}  // namespace sevenzip32
