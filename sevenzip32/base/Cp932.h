// Text between UTF-8 and CP932, the code page Japanese Windows writes names and
// passwords in, through the C library's iconv: names an archive does not flag are read
// from it, and each listed password is also tried in it.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace sevenzip32 {

class Cp932Codec {
  public:
    enum class Direction { FromCp932, ToCp932 };

    explicit Cp932Codec(Direction direction) : direction_(direction) {}
    ~Cp932Codec();
    Cp932Codec(const Cp932Codec&) = delete;
    Cp932Codec& operator=(const Cp932Codec&) = delete;

    // Converts the whole of input into output, and says how many bytes it wrote; nothing
    // where input holds what the other side lacks, or output is too small. Makes no copy
    // of input.
    std::optional<size_t> Convert(std::span<const uint8_t> input, std::span<uint8_t> output);

  private:
    static inline const iconv_t kNotOpen = reinterpret_cast<iconv_t>(-1);

    const Direction direction_;
    iconv_t converter_ = kNotOpen;  // opened at the first text that needs it
};

}  // namespace sevenzip32
