// The report written into the caller's buffer: never longer than the buffer, always
// zero-terminated; what does not fit is cut at a line's end and marked.
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
