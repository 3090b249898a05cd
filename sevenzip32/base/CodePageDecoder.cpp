#include "CodePageDecoder.h"

namespace sevenzip32 {

CodePageDecoder::~CodePageDecoder() {
    if (converter_ != kNotOpen) {
        iconv_close(converter_);
    }
}

std::optional<std::string> CodePageDecoder::Decode(std::string_view raw) {
    if (converter_ == kNotOpen) {
        converter_ = iconv_open("UTF-8", codePage_);
        if (converter_ == kNotOpen) {
            return std::nullopt;
        }
    }
    iconv(converter_, nullptr, nullptr, nullptr, nullptr);  // from the initial state
    std::string decoded(raw.size() * 4 + 4, '\0');
    // iconv only reads through its input pointer.
    char* in = const_cast<char*>(raw.data());
    size_t inLeft = raw.size();
    char* out = decoded.data();
    size_t outLeft = decoded.size();
    if (iconv(converter_, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) {
        return std::nullopt;
    }
    decoded.resize(decoded.size() - outLeft);
    return decoded;
}

}  // namespace sevenzip32
