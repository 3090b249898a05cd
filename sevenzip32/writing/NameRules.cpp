#include "NameRules.h"

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>

#include <cstdio>
#include <fstream>
#include <span>
#include <string_view>

#include "Crc32.h"
#include "FileSystemTypes.h"
#include "PathParts.h"

namespace sevenzip32 {
namespace {

constexpr size_t kWindowsLongestPart = 255;   // UTF-16 units
constexpr size_t kLongestKeptExtension = 16;  // bytes, the dot included
constexpr std::string_view kShortenedMark = "…~";

// The characters Windows refuses in a name and their full-width forms.
constexpr std::string_view kRefusedByWindows = "\"*:<>?\\|";
struct FullWidth {
    char ascii;
    std::string_view wide;
};
constexpr FullWidth kFullWidth[] = {{'"', "＂"}, {'*', "＊"}, {':', "："},  {'<', "＜"},
                                    {'>', "＞"}, {'?', "？"}, {'\\', "＼"}, {'|', "｜"}};

// Whether the mount of the device is a FUSE block device's, from the mount table.
bool IsFuseBlockDevice(dev_t device) {
    std::ifstream mounts("/proc/self/mountinfo");
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    for (std::string line; std::getline(mounts, line);) {
        // "id parent major:minor root point options ... - type source options"
        const size_t third = line.find(' ', line.find(' ') + 1) + 1;
        const size_t separator = line.find(" - ");
        if (third == 0 || separator == std::string::npos ||
            line.compare(third, wanted.size() + 1, wanted + " ") != 0) {
            continue;
        }
        return line.compare(separator + 3, 8, "fuseblk ") == 0;
    }
    return false;
}

size_t LengthOf(std::string_view part, const NameRules& rules) {
    if (!rules.windowsNames) {
        return part.size();
    }
    size_t units = 0;
    for (const char c : part) {
        const auto byte = static_cast<unsigned char>(c);
        units += (byte & 0xC0) != 0x80;  // a character's first byte
        units += byte >= 0xF0;           // beyond the BMP: a surrogate pair
    }
    return units;
}

// The part cut at a character so that it and the mark of the whole with the extension
// fit: "長い名前…~3f2a.txt".
std::string Shortened(std::string_view part, const NameRules& rules) {
    const size_t dot = part.rfind('.');
    const std::string_view extension =
        dot != std::string_view::npos && dot > 0 && part.size() - dot <= kLongestKeptExtension
            ? part.substr(dot)
            : std::string_view();
    char hash[8];
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(part.data()), part.size());
    std::snprintf(hash, sizeof hash, "%04x", UpdateCrc32(0, bytes) & 0xFFFF);
    const std::string tail = std::string(kShortenedMark) + hash + std::string(extension);
    const size_t room = rules.longestPart - LengthOf(tail, rules);
    std::string_view stem = part.substr(0, part.size() - extension.size());
    size_t end = 0;
    size_t length = 0;
    for (size_t at = 0; at < stem.size();) {
        size_t next = at + 1;
        while (next < stem.size() && (static_cast<unsigned char>(stem[next]) & 0xC0) == 0x80) {
            ++next;
        }
        length += LengthOf(stem.substr(at, next - at), rules);
        if (length > room) {
            break;
        }
        end = at = next;
    }
    return std::string(stem.substr(0, end)) + tail;
}

// What rules refuse in a part, each mended apart.
bool HoldsRefusedCharacters(const NameRules& rules, std::string_view part) {
    return rules.windowsNames && part.find_first_of(kRefusedByWindows) != std::string_view::npos;
}
bool IsTooLong(const NameRules& rules, std::string_view part) {
    return LengthOf(part, rules) > rules.longestPart;
}

// One part as rules take it.
void FitPart(const NameRules& rules, std::string& part) {
    if (HoldsRefusedCharacters(rules, part)) {
        std::string wide;
        for (const char c : part) {
            const FullWidth* refused = nullptr;
            for (const FullWidth& form : kFullWidth) {
                refused = form.ascii == c ? &form : refused;
            }
            if (refused != nullptr) {
                wide.append(refused->wide);
            } else {
                wide.push_back(c);
            }
        }
        part = std::move(wide);
    }
    if (IsTooLong(rules, part)) {
        part = Shortened(part, rules);
    }
}

}  // namespace

NameRules NameRulesOf(int folderFd) {
    struct statfs fileSystem {};
    struct stat folder {};
    if (::fstatfs(folderFd, &fileSystem) != 0 || ::fstat(folderFd, &folder) != 0) {
        return {};
    }
    switch (static_cast<unsigned long>(fileSystem.f_type)) {
        case kExfatMagic:
        case MSDOS_SUPER_MAGIC:
        case kNtfs3Magic:
            return {true, kWindowsLongestPart};
        case kFuseMagic:
            if (IsFuseBlockDevice(folder.st_dev)) {
                return {true, kWindowsLongestPart};
            }
            break;
        default:
            break;
    }
    return {false, fileSystem.f_namelen > 0 ? static_cast<size_t>(fileSystem.f_namelen) : 255};
}

bool FitNameRules(const NameRules& rules, std::string& path) {
    // Most names fit: they are looked at, not copied.
    bool allFit = true;
    ForEachPart(path, [&](std::string_view part) {
        allFit = !HoldsRefusedCharacters(rules, part) && !IsTooLong(rules, part);
        return allFit;
    });
    if (allFit) {
        return false;
    }
    std::string fitted;
    ForEachPart(path, [&](std::string_view part) {
        std::string written(part);
        FitPart(rules, written);
        fitted.append(fitted.empty() ? "" : "/").append(written);
        return true;
    });
    path = std::move(fitted);
    return true;
}

}  // namespace sevenzip32
