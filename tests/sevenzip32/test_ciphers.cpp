// The two ciphers against answers that do not come from this library: PBKDF2-HMAC-SHA1
// from RFC 6070, the AES counter stream and the authentication code from the openssl
// command; and every decrypting stream fed whole, byte by byte and in random pieces.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "EntryFailure.h"
#include "WinZipAes.h"
#include "ZipCrypto.h"

using namespace sevenzip32;

namespace {

std::span<const uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string Hex(std::span<const uint8_t> bytes) {
    std::string hex;
    char digits[3];
    for (const uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    return hex;
}

// What the command prints, without its final newline.
std::string Output(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, got);
    }
    ::pclose(pipe);
    while (!output.empty() && output.back() == '\n') {
        output.pop_back();
    }
    return output;
}

std::string Noise(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    return bytes;
}

// Pieces of a stream: whole, a byte at a time, and at random.
std::vector<std::vector<size_t>> Splits(size_t size) {
    std::vector<std::vector<size_t>> splits = {{size}, std::vector<size_t>(size, 1)};
    std::mt19937 random(7);
    for (int round = 0; round < 4; ++round) {
        std::vector<size_t> pieces;
        for (size_t left = size; left > 0;) {
            const size_t piece = std::min<size_t>(left, 1 + random() % (round < 2 ? 17 : 70000));
            pieces.push_back(piece);
            left -= piece;
        }
        splits.push_back(pieces);
    }
    return splits;
}

template <typename Cipher>
std::string DecryptInPieces(Cipher& cipher, const std::string& input,
                            const std::vector<size_t>& pieces) {
    std::string output(input.size(), '\0');
    size_t at = 0;
    for (const size_t piece : pieces) {
        cipher.Decrypt(Bytes(std::string_view(input).substr(at, piece)),
                       {reinterpret_cast<uint8_t*>(output.data()) + at, piece});
        at += piece;
    }
    return output;
}

struct Pbkdf2Vector {
    std::string password;
    std::string salt;
    unsigned rounds;
    const char* derived;
};

}  // namespace

TEST(Ciphers, Pbkdf2HmacSha1GivesTheAnswersOfRfc6070) {
    const Pbkdf2Vector vectors[] = {
        {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
        {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
        {"password", "salt", 4096, "4b007901b765489abead49d926f721d065a429c1"},
        {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
         "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
        {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096,
         "56fa6aa75548099dcc37d7f03425e0c3"},
    };
    for (const Pbkdf2Vector& vector : vectors) {
        const size_t length = std::string_view(vector.derived).size() / 2;
        EXPECT_EQ(
            Hex(Pbkdf2HmacSha1(Bytes(vector.password), Bytes(vector.salt), vector.rounds, length)
                    .Span()),
            vector.derived)
            << vector.password << " " << vector.rounds;
    }
}

// The key stream is AES of a little-endian counter from 1 (which carries into its second
// byte at block 256), and the code is HMAC-SHA1 of the encrypted bytes, cut to 10.
TEST(Ciphers, WinZipAesKeepsTheFormatsCounterAndCode) {
    for (const uint8_t strength : {1, 2, 3}) {
        const size_t keySize = AesKeySize(strength);
        const std::string password = "pass phrase";
        const std::string salt = Noise(AesSaltSize(strength), strength);
        const SecretBytes keys =
            Pbkdf2HmacSha1(Bytes(password), Bytes(salt), 1000, 2 * keySize + kAesVerifierSize);
        const std::string header =
            salt +
            std::string(reinterpret_cast<const char*>(keys.data()) + 2 * keySize, kAesVerifierSize);
        auto cipher = WinZipAesCipher::Open(Bytes(password), strength, Bytes(header));
        ASSERT_TRUE(cipher);
        const size_t blocks = 300;
        const std::string zeros(blocks * 16, '\0');
        const std::string stream = DecryptInPieces(*cipher, zeros, {zeros.size()});

        std::string counters;
        for (uint32_t block = 1; block <= blocks; ++block) {
            std::string counter(16, '\0');
            counter[0] = static_cast<char>(block & 0xFF);
            counter[1] = static_cast<char>(block >> 8);
            counters += counter;
        }
        const std::string key = Hex(keys.Span().first(keySize));
        const std::string expected =
            Output("printf '" +
                   [&] {
                       std::string escaped;
                       for (const char c : counters) {
                           char octal[8];
                           std::snprintf(octal, sizeof octal, "\\%03o", static_cast<uint8_t>(c));
                           escaped += octal;
                       }
                       return escaped;
                   }() +
                   "' | openssl enc -aes-" + std::to_string(keySize * 8) + "-ecb -nopad -K " + key +
                   " | od -An -v -tx1 | tr -d ' \\n'");
        EXPECT_EQ(Hex(Bytes(stream)), expected) << "strength " << int(strength);

        const std::string macKey = Hex(keys.Span().subspan(keySize, keySize));
        const std::string code =
            Output("head -c " + std::to_string(zeros.size()) +
                   " /dev/zero | openssl dgst -sha1 -mac HMAC -macopt hexkey:" + macKey +
                   " -binary | head -c 10 | od -An -v -tx1 | tr -d ' \\n'");
        // The code is over the encrypted bytes as they stand: here the zeros fed in.
        std::vector<uint8_t> trailer(kAesCodeSize);
        for (size_t i = 0; i < trailer.size(); ++i) {
            trailer[i] = static_cast<uint8_t>(std::stoi(code.substr(2 * i, 2), nullptr, 16));
        }
        EXPECT_NO_THROW(cipher->Finish(trailer));
    }
}

TEST(Ciphers, AWrongPasswordFailsTheVerifierAndAnAlteredByteTheCode) {
    const std::string password = "right";
    const std::string salt = Noise(16, 1);
    const SecretBytes keys = Pbkdf2HmacSha1(Bytes(password), Bytes(salt), 1000, 66);
    const std::string header =
        salt + std::string(reinterpret_cast<const char*>(keys.data()) + 64, 2);
    EXPECT_FALSE(WinZipAesCipher::Open(Bytes("wrong"), 3, Bytes(header)));
    EXPECT_FALSE(WinZipAesCipher::Open(Bytes(password), 4, Bytes(header))) << "no such strength";

    // A small entry's code is computed as it is read, a large one's on a thread beside.
    for (const size_t size : {size_t{5000}, size_t{20} << 20}) {
        const std::string plain = Noise(size, 2);
        auto writer = WinZipAesCipher::Open(Bytes(password), 3, Bytes(header));
        std::string encrypted(plain.size(), '\0');
        writer->Encrypt(Bytes(plain), {reinterpret_cast<uint8_t*>(encrypted.data()), size});
        const auto code = writer->Code();
        for (const bool altered : {false, true}) {
            std::string read = encrypted;
            if (altered) {
                read[size - 1234] ^= 0x01;
            }
            auto reader = WinZipAesCipher::Open(Bytes(password), 3, Bytes(header));
            EXPECT_EQ(DecryptInPieces(*reader, read, {size / 3, size - size / 3}) == plain,
                      !altered);
            if (altered) {
                EXPECT_THROW(reader->Finish(code), EntryFailure) << size;
            } else {
                EXPECT_NO_THROW(reader->Finish(code)) << size;
            }
        }
    }
}

TEST(Ciphers, EveryDecryptingStreamGivesTheSameBytesForEverySplit) {
    const std::string plain = Noise(150 * 1000, 3);
    const std::string password = "秘密";
    for (int kind = 0; kind < 4; ++kind) {
        const uint8_t strength = static_cast<uint8_t>(kind);  // 0: the traditional cipher
        std::string header;
        std::string encrypted(plain.size(), '\0');
        std::span<uint8_t> out{reinterpret_cast<uint8_t*>(encrypted.data()), encrypted.size()};
        std::array<uint8_t, kAesCodeSize> code{};
        if (kind == 0) {
            ZipCryptoCipher(Bytes(password)).Encrypt(Bytes(plain), out);
        } else {
            const size_t keySize = AesKeySize(strength);
            const std::string salt = Noise(AesSaltSize(strength), 4);
            const SecretBytes keys =
                Pbkdf2HmacSha1(Bytes(password), Bytes(salt), 1000, 2 * keySize + kAesVerifierSize);
            header = salt + std::string(reinterpret_cast<const char*>(keys.data()) + 2 * keySize,
                                        kAesVerifierSize);
            auto writer = WinZipAesCipher::Open(Bytes(password), strength, Bytes(header));
            writer->Encrypt(Bytes(plain), out);
            code = writer->Code();
        }
        for (const auto& pieces : Splits(plain.size())) {
            if (kind == 0) {
                ZipCryptoCipher reader(Bytes(password));
                EXPECT_EQ(DecryptInPieces(reader, encrypted, pieces), plain);
            } else {
                auto reader = WinZipAesCipher::Open(Bytes(password), strength, Bytes(header));
                EXPECT_EQ(DecryptInPieces(*reader, encrypted, pieces), plain)
                    << "AES strength " << int(strength) << " in " << pieces.size() << " pieces";
                EXPECT_NO_THROW(reader->Finish(code));
            }
        }
    }
}
