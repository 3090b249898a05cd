// A first pass over the archive's headers, through libarchive: each entry's facts as the
// plan takes them, and which header's bytes it has. Names are UTF-8 where the format says
// so, or where every name of the archive is; else all of them are read as CP932, as
// Japanese LZH writers store them. In a tar, a name that comes again replaces the one
// before, as tar itself has it. A hard link has the bytes of the file it names; devices
// and FIFOs are never made.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "EntryFacts.h"
#include "LibarchiveReader.h"

namespace sevenzip32 {

struct ListedEntry {
    size_t header = 0;      // its header's place in the stream, from 1
    size_t dataHeader = 0;  // the header whose bytes it has: its own, or a hard link's file's
    bool sizeKnown = true;
    std::string linkTarget;  // a symbolic link's
};

// How libarchive is asked to give an LZH's names: as bytes, each a Latin-1 character
// (whose UTF-8 is undone here), or from CP932.
inline constexpr const char* kLzhNamesAsBytes = "lha:hdrcharset=ISO-8859-1";
inline constexpr const char* kLzhNamesInCp932 = "lha:hdrcharset=CP932";

struct LibarchiveListing {
    std::vector<EntryFacts> facts;
    std::vector<ListedEntry> entries;
    // Why the pass stopped before the archive's end: what came before it stands.
    std::optional<EntryFailure> stopped;
};

// Throws where not one entry could be read, or an entry is encrypted. namesInLatin1: the
// reader gives names as Latin-1 characters, one a byte.
LibarchiveListing ListEntries(LibarchiveReader& reader, bool namesInLatin1);

bool AllNamesAreUtf8(const LibarchiveListing& listing);

// The listed facts, for the planner.
class ListedEntryFacts : public EntryFactsReader {
  public:
    explicit ListedEntryFacts(const std::vector<EntryFacts>& facts) : facts_(facts) {}
    void Read(size_t entry, EntryFacts& facts) override { facts = facts_[entry]; }

  private:
    const std::vector<EntryFacts>& facts_;
};

}  // namespace sevenzip32
