// Fuzz bytes read as a recipe for a whole archive rather than as its bytes: many
// entries, long names and names that differ only in case, every method, entries that
// fail (unknown methods, damaged data, lying sizes and CRCs), entries encrypted with
// either cipher under a listed password or another, with damaged headers and codes, and
// a report buffer of any size. The fuzzer then reaches what real archives hold at real sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct ArchiveRecipe {
    std::string archive;
    uint32_t reportSize = 8192;
};

// The passwords the harness lists; the recipe encrypts with these and with others.
inline constexpr const char* kListedPasswords[] = {"fuzz", "鍵"};

ArchiveRecipe CookArchive(const uint8_t* data, size_t size);
