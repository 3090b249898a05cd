// Fuzz bytes read as a recipe for a whole archive rather than as its bytes: many
// entries, long names and names that differ only in case, every method, entries that
// fail (unknown methods, damaged data, lying sizes and CRCs), entries encrypted with
// either cipher under a listed password or another, with damaged headers and codes, and
// a report buffer of any size, split into volumes of any size or not, a volume missing, cut
// short or in another's place; a whole archive cut short, or with an end record in its
// comment. The fuzzer then reaches what real archives hold at real
// sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ArchiveRecipe {
    std::string archive;               // the one named .zip: the whole, or the last volume
    std::vector<std::string> volumes;  // those before it, for disks 0 on; an empty one missing
    uint32_t reportSize = 8192;
};

// The passwords the harness lists; the recipe encrypts with these and with others.
inline constexpr const char* kListedPasswords[] = {"fuzz", "鍵"};

ArchiveRecipe CookArchive(const uint8_t* data, size_t size);
