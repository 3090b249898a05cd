// Fuzz bytes read as a recipe for a whole archive rather than as its bytes: many
// entries, long names and names that differ only in case, every method, entries that
// fail (encrypted, unknown methods, damaged data, lying sizes and CRCs), and a report
// buffer of any size. The fuzzer then reaches what real archives hold at real sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct ArchiveRecipe {
    std::string archive;
    uint32_t reportSize = 8192;
};

ArchiveRecipe CookArchive(const uint8_t* data, size_t size);
