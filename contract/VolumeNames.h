// How the volumes of a split archive are named beside it. The extraction library opens
// them by these names and the scan deletes them by the same, so the rule stands here
// once, in a header both include, which adds nothing to link.
//
// Two kinds: the format's own, where name.zip is the last disk and name.z01, name.z02,
// ..., name.z99, name.z100 come before it (in the case of the archive's extension); and
// numbered pieces of one archive file, name.zip.001, name.zip.002, ... (or name.7z.001,
// ...), of which the first is the one named.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

namespace contract {

inline std::string LowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// name.zip.001 or name.7z.001, the extension in any case.
inline bool IsFirstNumberedVolume(std::string_view name) {
    for (const std::string_view ending : {".zip.001", ".7z.001"}) {
        if (name.size() > ending.size() &&
            LowerCase(name.substr(name.size() - ending.size())) == ending) {
            return true;
        }
    }
    return false;
}

// The names of an archive's other volumes, the one named left out, from 0: for name.zip
// the disks before it (name.z01 first), for name.zip.001 the pieces after it (name.zip.002
// first).
inline std::string OtherVolumeName(std::string_view archiveName, uint32_t other) {
    if (IsFirstNumberedVolume(archiveName)) {
        std::string number = std::to_string(other + 2);
        number.insert(0, number.size() < 3 ? 3 - number.size() : 0, '0');
        return std::string(archiveName.substr(0, archiveName.size() - 3)) + number;
    }
    const size_t dot = archiveName.rfind('.');
    const std::string_view stem =
        dot == std::string_view::npos ? archiveName : archiveName.substr(0, dot);
    const bool upperCase = dot != std::string_view::npos && dot + 1 < archiveName.size() &&
                           std::isupper(static_cast<unsigned char>(archiveName[dot + 1]));
    const std::string number = std::to_string(other + 1);
    return std::string(stem) + (upperCase ? ".Z" : ".z") + (number.size() < 2 ? "0" : "") + number;
}

}  // namespace contract
