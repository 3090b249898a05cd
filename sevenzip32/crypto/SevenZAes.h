// 7z's AES-256 coder: a key made from the password (as UTF-16LE) and the coder's salt by
// 2^n rounds of SHA-256, then the data in CBC with the coder's initial vector. It has no
// check value: a wrong password shows only as data that does not decode or check.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "ByteStream.h"
#include "SecretBytes.h"

namespace sevenzip32 {

struct SevenZAesProperties {
    uint8_t cyclesPower = 0;  // 2^cyclesPower rounds
    std::vector<uint8_t> salt;
    std::array<uint8_t, 16> iv{};
};

// From the coder's properties; fails the archive's header where they make no sense.
SevenZAesProperties ReadSevenZAesProperties(std::span<const uint8_t> properties);

// A password the user keeps, in UTF-8, as the format takes it: UTF-16LE; nothing where
// it is not UTF-8 (the CP932 forms tried for the other format).
std::optional<SecretBytes> SevenZPassword(std::span<const uint8_t> utf8);

// The key for one password; takes a fraction of a second, so a caller keeps it.
SecretBytes DeriveSevenZKey(const SevenZAesProperties& properties,
                            std::span<const uint8_t> utf16Password);

// The decrypted bytes of below, whose length is a whole number of blocks.
std::unique_ptr<ByteStream> MakeSevenZAesStream(std::span<const uint8_t> key,
                                                const std::array<uint8_t, 16>& iv,
                                                ByteStream& below);

}  // namespace sevenzip32
