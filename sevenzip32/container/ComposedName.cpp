#include "ComposedName.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

#include "Utf8.h"

namespace sevenzip32 {
namespace {

bool IsCompatibilityIdeograph(uint32_t c) {
    return (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x2F800 && c <= 0x2FA1F);
}

struct MallocFree {
    void operator()(utf8proc_uint8_t* bytes) const { std::free(bytes); }
};

void AppendNfc(std::string_view run, std::string& composed) {
    if (run.empty()) {
        return;
    }
    utf8proc_uint8_t* result = nullptr;
    const utf8proc_ssize_t length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(run.data()),
                     static_cast<utf8proc_ssize_t>(run.size()), &result,
                     static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    const std::unique_ptr<utf8proc_uint8_t, MallocFree> owned(result);
    if (length == UTF8PROC_ERROR_NOMEM) {
        throw std::bad_alloc();
    }
    if (length < 0) {
        composed += run;  // not UTF-8 after all: left as it is
        return;
    }
    composed.append(reinterpret_cast<const char*>(result), static_cast<size_t>(length));
}

}  // namespace

bool ComposeName(std::string_view text, std::string& composed) {
    composed.clear();
    if (std::all_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        composed.assign(text);
        return false;  // ASCII is in every form already
    }
    // The runs between compatibility ideographs are composed each on its own; no mark
    // combines across an ideograph.
    size_t runStart = 0;
    for (size_t at = 0; at < text.size();) {
        uint32_t codePoint = 0;
        const size_t length = std::max<size_t>(1, Utf8SequenceAt(text, at, &codePoint));
        if (IsCompatibilityIdeograph(codePoint)) {
            AppendNfc(text.substr(runStart, at - runStart), composed);
            composed += text.substr(at, length);
            runStart = at + length;
        }
        at += length;
    }
    AppendNfc(text.substr(runStart), composed);
    return composed != text;
}

}  // namespace sevenzip32
