#include "LibarchiveListing.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "CodePageDecoder.h"
#include "Utf8.h"

namespace sevenzip32 {
namespace {

// A tar's name as tar compares it: no "./" before or between, no doubled or last "/".
std::string TarKey(std::string_view name) {
    std::string key;
    size_t at = 0;
    while (at < name.size()) {
        const size_t slash = std::min(name.find('/', at), name.size());
        const std::string_view part = name.substr(at, slash - at);
        if (!part.empty() && part != ".") {
            if (!key.empty()) {
                key += '/';
            }
            key += part;
        }
        at = slash + 1;
    }
    return key;
}

// Latin-1 characters back to the bytes they stood for.
std::string Latin1Bytes(const std::string& utf8) {
    std::string bytes;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<uint8_t>(utf8[i]);
        if ((byte & 0xFE) == 0xC2 && i + 1 < utf8.size()) {
            bytes += static_cast<char>((byte & 0x03) << 6 | (utf8[++i] & 0x3F));
        } else {
            bytes += static_cast<char>(byte);
        }
    }
    return bytes;
}

bool IsTar(archive* archive) {
    return (archive_format(archive) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_TAR;
}

// One header's facts.
EntryFacts FactsOf(const LibarchiveReader& reader, archive_entry* entry) {
    EntryFacts facts;
    facts.name = reader.TextOf(archive_entry_pathname)
                     .value_or(reader.TextOf(archive_entry_pathname_utf8).value_or(""));
    facts.executable = (archive_entry_perm(entry) & 0111) != 0;
    facts.modificationTime = archive_entry_mtime(entry);
    facts.size =
        archive_entry_size_is_set(entry) ? static_cast<uint64_t>(archive_entry_size(entry)) : 0;
    switch (archive_entry_filetype(entry)) {
        case AE_IFREG:
            break;
        case AE_IFDIR:
            facts.kind = EntryKind::Folder;
            facts.size = 0;
            break;
        case AE_IFLNK:
            facts.kind = EntryKind::Link;
            break;
        default:
            facts.unreadable = EntryFailure(Reason::kDeviceNotCreated);
            facts.size = 0;
    }
    return facts;
}

}  // namespace

bool AllNamesAreUtf8(const LibarchiveListing& listing) {
    return std::all_of(listing.facts.begin(), listing.facts.end(),
                       [](const EntryFacts& facts) { return IsValidUtf8(facts.name); });
}

LibarchiveListing ListEntries(LibarchiveReader& reader, bool namesInLatin1) {
    LibarchiveListing listing;
    std::unordered_map<std::string, size_t> byName;  // the last entry of each raw name
    bool tar = false;
    try {
        while (archive_entry* entry = reader.Next()) {
            if (archive_entry_is_encrypted(entry)) {
                throw EntryFailure(Reason::kRarEncrypted);
            }
            tar = IsTar(reader.Archive());
            EntryFacts facts = FactsOf(reader, entry);
            if (namesInLatin1) {
                facts.name = Latin1Bytes(facts.name);
            }
            ListedEntry listed{reader.HeadersRead(),
                               reader.HeadersRead(),
                               archive_entry_size_is_set(entry) != 0,
                               {}};
            if (facts.kind == EntryKind::Link) {
                listed.linkTarget = reader.TextOf(archive_entry_symlink).value_or("");
                facts.size = listed.linkTarget.size();
            }
            if (const auto file = reader.TextOf(archive_entry_hardlink)) {
                facts.unreadable.reset();  // its type is its file's
                const auto found = byName.find(*file);
                if (found == byName.end() || listing.facts[found->second].kind != EntryKind::File ||
                    listing.facts[found->second].unreadable) {
                    facts.unreadable = EntryFailure(Reason::kLinkHasNoTarget);
                } else {
                    const size_t of = found->second;
                    facts.kind = EntryKind::File;
                    facts.size = listing.facts[of].size;
                    facts.executable = listing.facts[of].executable;
                    listed.dataHeader = listing.entries[of].dataHeader;
                    listed.sizeKnown = listing.entries[of].sizeKnown;
                }
            }
            byName[facts.name] = listing.facts.size();
            listing.facts.push_back(std::move(facts));
            listing.entries.push_back(std::move(listed));
            try {
                reader.SkipData();
            } catch (const EntryFailure& failure) {
                listing.facts.back().unreadable = failure;
                throw;
            }
        }
        reader.DrainDecoded();
    } catch (const EntryFailure& failure) {
        if (listing.facts.empty() || failure.Which() == Reason::kRarEncrypted) {
            throw;
        }
        // Cut within an entry's data, the entry fails as it; the archive was cut short.
        listing.stopped = reader.RanOut() ? EntryFailure(Reason::kCutShort) : failure;
    }

    // One encoding for all the names the format left unsaid.
    if (!AllNamesAreUtf8(listing)) {
        CodePageDecoder cp932("CP932");
        for (EntryFacts& facts : listing.facts) {
            // Left as it is where it is not CP932 either: the plan refuses what is not UTF-8.
            facts.name = cp932.Decode(facts.name).value_or(facts.name);
        }
    }
    // A tar's later entry of a name stands in the earlier's place.
    if (tar) {
        std::map<std::string, size_t> last;
        for (size_t i = 0; i < listing.facts.size(); ++i) {
            last[TarKey(listing.facts[i].name)] = i;
        }
        size_t kept = 0;
        for (size_t i = 0; i < listing.facts.size(); ++i) {
            if (last[TarKey(listing.facts[i].name)] != i) {
                continue;
            }
            if (kept != i) {
                listing.facts[kept] = std::move(listing.facts[i]);
                listing.entries[kept] = std::move(listing.entries[i]);
            }
            ++kept;
        }
        listing.facts.resize(kept);
        listing.entries.resize(kept);
    }
    return listing;
}

}  // namespace sevenzip32
