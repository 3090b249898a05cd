// Entry names from the archive's bytes to UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "CentralDirectory.h"
#include "CodePageGuess.h"

namespace sevenzip32 {

// How the names that are not flagged UTF-8 (and have no Unicode path field) are read. One
// archive was written on one machine, so all of its names are read alike: a CP932 name
// that happens to be valid UTF-8, as half-width katakana often is, still reads as CP932.
enum class UnflaggedEncoding : uint8_t { EachAsItReads, Utf8, Cp932, Ibm437, Gbk, Cp866, Cp1252 };

// What the unflagged names beyond ASCII could be, counted while they are read each as it
// reads: valid UTF-8 first, else CP932, else IBM437, the format's own; and for those
// that are not UTF-8, how each code page reads them.
struct UnflaggedNames {
    size_t readAsUtf8 = 0;
    size_t readAsCp932 = 0;
    bool anyNotUtf8 = false;
    CodePageTally codePages;

    void Add(const UnflaggedNames& more);
    // UTF-8 if every such name is that, else the code page the names as a whole read in.
    UnflaggedEncoding ArchiveEncoding() const;
    // True when some name read as it reads came out otherwise than in the archive's encoding.
    bool SomeReadOtherwise() const;
};

class NameDecoder {
  public:
    explicit NameDecoder(UnflaggedEncoding encoding) : encoding_(encoding) {}
    NameDecoder(const NameDecoder&) = delete;
    NameDecoder& operator=(const NameDecoder&) = delete;

    // The entry's name in UTF-8, into name, whose room is reused; any bytes decode.
    void Decode(const CentralHeader& header, std::string& name);
    // The unflagged names met, while each is read as it reads.
    const UnflaggedNames& Unflagged() const { return unflagged_; }

  private:
    // Valid UTF-8 as it stands, else CP932, else IBM437; says which it was.
    UnflaggedEncoding ReadAsItReads(std::string_view raw, std::string& name);
    void CountUnflagged(std::string_view raw, UnflaggedEncoding read);
    void ReadIn(UnflaggedEncoding encoding, std::string_view raw, std::string& name);

    const UnflaggedEncoding encoding_;
    UnflaggedNames unflagged_;
    CodePageReader codePages_;
};

}  // namespace sevenzip32
