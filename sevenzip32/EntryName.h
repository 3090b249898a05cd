// Entry names: from the archive's bytes to UTF-8, then to the path parts a file may
// be written under. A name that could reach outside the output folder is refused.
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>
#include <vector>

#include "CentralDirectory.h"

namespace sevenzip32 {

bool IsValidUtf8(std::string_view text);

// Decodes names that are neither flagged UTF-8 nor valid UTF-8 from the Japanese
// Windows code page, in which archives made on our users' machines name their files.
class NameDecoder {
  public:
    NameDecoder();
    ~NameDecoder();
    NameDecoder(const NameDecoder&) = delete;
    NameDecoder& operator=(const NameDecoder&) = delete;

    // The entry's name in UTF-8; throws EntryFailure when it cannot be decoded.
    std::string Decode(const CentralRecord& record);

  private:
    std::string DecodeCp932(std::string_view raw);
    iconv_t cp932_;
};

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
