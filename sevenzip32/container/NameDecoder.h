// Entry names from the archive's bytes to UTF-8.
#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

#include "CentralDirectory.h"

namespace sevenzip32 {

// Decodes entry names to UTF-8: names that are neither flagged UTF-8 nor valid UTF-8
// come from the Japanese Windows code page, in which archives made on our users'
// machines name their files, or else from IBM437.
class NameDecoder {
  public:
    NameDecoder() = default;
    ~NameDecoder();
    NameDecoder(const NameDecoder&) = delete;
    NameDecoder& operator=(const NameDecoder&) = delete;

    // The entry's name in UTF-8, into name, whose room is reused; any bytes decode.
    void Decode(const CentralHeader& header, std::string& name);

  private:
    static inline const iconv_t kNotOpen = reinterpret_cast<iconv_t>(-1);

    std::optional<std::string> DecodeCp932(std::string_view raw);
    iconv_t cp932_ = kNotOpen;
};

// IBM437, the code page of the format's own when a name is not flagged UTF-8.
std::string DecodeIbm437(std::string_view raw);

}  // namespace sevenzip32
