// How the volumes of a split archive are named beside it. The extraction library opens
// them by these names and the scan deletes them by the same, so the rule stands here
// once, in a header both include, which adds nothing to link.
//
// Two kinds: the format's own, where name.zip is the last disk and name.z01, name.z02,
// ..., name.z99, name.z100 come before it (in the case of the archive's extension); and
// numbered pieces of one archive file, name.zip.001, name.zip.002, ... (or name.7z.001,
// ...), of which the first is the one named. RAR's volumes follow the one named too: in
// the new way name.part1.rar, name.part2.rar, ... (the number as wide in each), in the old
// way name.rar, name.r00, name.r01, ...
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

// A piece numbered in three digits, name.001 to name.999, whatever comes before.
inline bool IsNumberedPiece(std::string_view name) {
    return name.size() > 4 && name[name.size() - 4] == '.' &&
           std::all_of(name.end() - 3, name.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// The first of pieces cut from a file whose name says nothing of an archive: name.001,
// read as an archive where its bytes begin as one.
inline bool IsFirstRawPiece(std::string_view name) {
    return IsNumberedPiece(name) && name.ends_with(".001") && !IsFirstNumberedVolume(name);
}

inline bool EndsWithInAnyCase(std::string_view name, std::string_view ending) {
    return name.size() > ending.size() &&
           LowerCase(name.substr(name.size() - ending.size())) == ending;
}

// For name.partN.rar, where the number starts and how many digits it has; 0 digits for
// any other name.
struct RarPartNumber {
    size_t at = 0;
    size_t digits = 0;
    uint32_t number = 0;
};
inline RarPartNumber RarPartNumberOf(std::string_view name) {
    if (!EndsWithInAnyCase(name, ".rar")) {
        return {};
    }
    const size_t end = name.size() - 4;
    size_t at = end;
    while (at > 0 && std::isdigit(static_cast<unsigned char>(name[at - 1])) && end - at < 6) {
        --at;
    }
    if (at == end || at < 5 || LowerCase(name.substr(at - 5, 5)) != ".part") {
        return {};
    }
    return {at, end - at,
            static_cast<uint32_t>(std::stoul(std::string(name.substr(at, end - at))))};
}

// The first of RAR's volumes, or a RAR archive alone: name.rar but name.partN.rar past 1.
inline bool IsFirstRarVolume(std::string_view name) {
    const RarPartNumber part = RarPartNumberOf(name);
    return EndsWithInAnyCase(name, ".rar") && (part.digits == 0 || part.number == 1);
}

// A RAR volume after the first: name.partN.rar past 1, or name.r00 to name.r99.
inline bool IsLaterRarVolume(std::string_view name) {
    const RarPartNumber part = RarPartNumberOf(name);
    if (part.digits > 0) {
        return part.number > 1;
    }
    return name.size() > 4 && name[name.size() - 4] == '.' &&
           (name[name.size() - 3] == 'r' || name[name.size() - 3] == 'R') &&
           std::isdigit(static_cast<unsigned char>(name[name.size() - 2])) &&
           std::isdigit(static_cast<unsigned char>(name[name.size() - 1]));
}

// The names of an archive's other volumes, the one named left out, from 0: for name.zip
// the disks before it (name.z01 first), for name.zip.001 the pieces after it (name.zip.002
// first), for name.part1.rar or name.rar the volumes after it (name.part2.rar, or name.r00).
inline std::string OtherVolumeName(std::string_view archiveName, uint32_t other) {
    if (EndsWithInAnyCase(archiveName, ".rar")) {
        const RarPartNumber part = RarPartNumberOf(archiveName);
        const bool upperCase = archiveName[archiveName.size() - 3] == 'R';
        if (part.digits == 0) {
            std::string number = std::to_string(other);
            number.insert(0, number.size() < 2 ? 2 - number.size() : 0, '0');
            return std::string(archiveName.substr(0, archiveName.size() - 4)) +
                   (upperCase ? ".R" : ".r") + number;
        }
        std::string number = std::to_string(part.number + other + 1);
        number.insert(0, number.size() < part.digits ? part.digits - number.size() : 0, '0');
        return std::string(archiveName.substr(0, part.at)) + number +
               std::string(archiveName.substr(archiveName.size() - 4));
    }
    if (IsFirstNumberedVolume(archiveName) || IsFirstRawPiece(archiveName)) {
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
