#include "Cp932.h"

namespace sevenzip32 {

Cp932Codec::~Cp932Codec() {
    if (converter_ != kNotOpen) {
        iconv_close(converter_);
    }
}

std::optional<size_t> Cp932Codec::Convert(std::span<const uint8_t> input,
                                          std::span<uint8_t> output) {
    if (converter_ == kNotOpen) {
        converter_ = direction_ == Direction::FromCp932 ? iconv_open("UTF-8", "CP932")
                                                        : iconv_open("CP932", "UTF-8");
        if (converter_ == kNotOpen) {
            return std::nullopt;
        }
    }
    iconv(converter_, nullptr, nullptr, nullptr, nullptr);  // from the initial state
    // iconv only reads through its input pointer.
    char* in = const_cast<char*>(reinterpret_cast<const char*>(input.data()));
    size_t inLeft = input.size();
    char* out = reinterpret_cast<char*>(output.data());
    size_t outLeft = output.size();
    if (iconv(converter_, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) {
        return std::nullopt;
    }
    return output.size() - outLeft;
}

}  // namespace sevenzip32
