// Text in a code page, read into UTF-8 through the C library's iconv.
#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace sevenzip32 {

class CodePageDecoder {
  public:
    // codePage as iconv names it: "GBK", "CP866", "CP1252".
    explicit CodePageDecoder(const char* codePage) : codePage_(codePage) {}
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    // The whole of raw in UTF-8; nothing where it holds what the code page lacks.
    std::optional<std::string> Decode(std::string_view raw);

  private:
    static inline const iconv_t kNotOpen = reinterpret_cast<iconv_t>(-1);

    const char* codePage_;
    iconv_t converter_ = kNotOpen;
};

}  // namespace sevenzip32
