// Entry names: from the archive's bytes to UTF-8, then to the path parts a file may
// be written under. A name that could reach outside the output folder is refused.
#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

    // The entry's name in UTF-8; any bytes decode.
    std::string Decode(const CentralRecord& record);

  private:
    static inline const iconv_t kNotOpen = reinterpret_cast<iconv_t>(-1);

    std::optional<std::string> DecodeCp932(std::string_view raw);
    iconv_t cp932_ = kNotOpen;
};

// IBM437, the code page of the format's own when a name is not flagged UTF-8.
std::string DecodeIbm437(std::string_view raw);

struct EntryPath {
    // Never ".", ".." or with a separator; empty only for a folder naming the output folder.
    std::vector<std::string> parts;
    bool namesFolder = false;  // the name ended with a separator
};

// Splits a decoded name at "/" and "\", dropping empty and "." parts; throws
// EntryFailure for absolute names, drive letters, "..", NUL and control characters.
EntryPath SplitEntryPath(std::string_view name);

// The normalised name, used to find names that come twice.
std::string JoinEntryPath(const EntryPath& path);

}  // namespace sevenzip32

namespace sevenzip32 {

// Throws EntryFailure unless a link at linkPath pointing to target stays inside the
// output folder: relative, climbing only at its start and no higher than the top, and
// never climbing after a part that might itself be a link.
void CheckLinkTarget(const EntryPath& linkPath, std::string_view target);

}  // namespace sevenzip32
