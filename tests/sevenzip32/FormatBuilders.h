// RAR and LZH archives written byte by byte for the tests, from the formats' published
// descriptions, since no Debian tool writes RAR and none writes LZH names in CP932. Every
// file is stored, which is all the structure needs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testformats {

struct StoredFile {
    std::string name;  // as the archive stores it: UTF-8 for RAR, any bytes for LZH
    std::string data;
};

enum class RarVersion { Four, Five };

struct RarOptions {
    RarVersion version = RarVersion::Five;
    size_t volumes = 1;  // the files' bytes split over this many, each with its headers
    bool encryptedHeaders = false;
    bool lastSaysMoreFollow = false;  // the last volume's end wrongly says another follows
};

// The volumes, first to last.
std::vector<std::string> RarArchive(const std::vector<StoredFile>& files,
                                    const RarOptions& options);

// An LZH archive of header level 0, 1 or 2.
std::string LzhArchive(const std::vector<StoredFile>& files, int level);

}  // namespace testformats
