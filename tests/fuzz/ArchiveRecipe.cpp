#include "ArchiveRecipe.h"

#include <lzma.h>
#include <zstd.h>

#include <algorithm>
#include <vector>

#include "MethodDecoder.h"
#include "RecipeBytes.h"
#include "SevenZRecipe.h"
#include "WinZipAes.h"
#include "ZipBuilder.h"
#include "ZipCrypto.h"

namespace {

using sevenzip32::kMethodDeflate64;
using sevenzip32::kMethodLzma;
using sevenzip32::kMethodXz;
using sevenzip32::kMethodZstandard;
constexpr uint16_t kUnknownMethod = 99;

// Names from a small alphabet, so that folders are shared and names meet again in
// another case; now and then a very long one.
std::string Name(Recipe& recipe) {
    static const std::string kAlphabet[] = {"a", "B",  "b", "/",  ".", "é",
                                            "É", "名", "-", "..", "\\"};
    const size_t length = recipe.Chance(1) ? 100 + recipe.Number(400) : 1 + recipe.Number(12);
    std::string name;
    for (size_t i = 0; i < length; ++i) {
        name += kAlphabet[recipe.Number(std::size(kAlphabet) - 1)];
    }
    return name;
}

std::string Content(Recipe& recipe) {
    if (recipe.Chance(1)) {  // large and repetitive: many reads, many blocks
        const std::string unit = recipe.Bytes(1 + recipe.Number(64));
        std::string content;
        const size_t size = recipe.Number(2 << 20);
        while (content.size() < size && !unit.empty()) {
            content += unit;
        }
        return content;
    }
    return recipe.Bytes(recipe.Number(2048));
}

std::string Xz(const std::string& data) {
    std::string out(lzma_stream_buffer_bound(data.size()), '\0');
    size_t written = 0;
    if (lzma_easy_buffer_encode(
            0, LZMA_CHECK_CRC32, nullptr, reinterpret_cast<const uint8_t*>(data.data()),
            data.size(), reinterpret_cast<uint8_t*>(out.data()), &written, out.size()) != LZMA_OK) {
        return {};
    }
    return out.substr(0, written);
}

std::string Zstandard(const std::string& data) {
    std::string out(ZSTD_compressBound(data.size()), '\0');
    out.resize(ZSTD_compress(out.data(), out.size(), data.data(), data.size(), 1));
    return out;
}

// Deriving an AES key costs a thousand rounds: an archive gets only a few such entries.
constexpr int kAesEntriesAtMost = 8;

std::span<const uint8_t> AsBytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::span<uint8_t> AsBytes(std::string& text) {
    return {reinterpret_cast<uint8_t*>(text.data()), text.size()};
}

// Encrypts the entry's bytes as the traditional cipher or WinZip's AES would, under a
// listed password or another, now and then with a damaged header or code.
void Encrypt(Recipe& recipe, testzip::Entry& entry, int& aesEntries) {
    const std::string password = recipe.Chance(6) ? kListedPasswords[recipe.Number(1)]
                                                  : "unlisted" + std::to_string(recipe.Number(9));
    std::string plain = entry.compressedOverride ? *entry.compressedOverride
                                                 : testzip::Compress(entry.data, entry.method);
    std::string encrypted(plain.size(), '\0');
    entry.flags |= 0x0001;
    if (aesEntries >= kAesEntriesAtMost || recipe.Chance(4)) {
        std::string header = recipe.Bytes(11);
        header.resize(11);
        header += static_cast<char>(testzip::Crc32(entry.data) >> 24);
        std::string encryptedHeader(header.size(), '\0');
        sevenzip32::ZipCryptoCipher cipher(AsBytes(password));
        cipher.Encrypt(AsBytes(header), AsBytes(encryptedHeader));
        cipher.Encrypt(AsBytes(plain), AsBytes(encrypted));
        if (recipe.Chance(1)) {
            Damage(recipe, encryptedHeader);
        }
        entry.compressedOverride = encryptedHeader + encrypted;
        return;
    }
    ++aesEntries;
    const auto strength = static_cast<uint8_t>(1 + recipe.Number(2));
    const size_t keySize = sevenzip32::AesKeySize(strength);
    std::string salt = recipe.Bytes(sevenzip32::AesSaltSize(strength));
    salt.resize(sevenzip32::AesSaltSize(strength));
    const sevenzip32::SecretBytes keys = sevenzip32::Pbkdf2HmacSha1(
        AsBytes(password), AsBytes(salt), 1000, 2 * keySize + sevenzip32::kAesVerifierSize);
    const std::string header =
        salt + std::string(reinterpret_cast<const char*>(keys.data()) + 2 * keySize,
                           sevenzip32::kAesVerifierSize);
    auto cipher = sevenzip32::WinZipAesCipher::Open(AsBytes(password), strength, AsBytes(header));
    cipher->Encrypt(AsBytes(plain), AsBytes(encrypted));
    const auto code = cipher->Code();
    std::string trailer(code.begin(), code.end());
    if (recipe.Chance(1)) {
        Damage(recipe, recipe.Chance(4) ? trailer : encrypted);
    }
    // The vendor's version (AE-2 keeps no CRC), "AE", the strength, the real method.
    const bool secondKind = recipe.Chance(4);
    std::string field = {'\x01',
                         '\x99',
                         '\x07',
                         '\x00',
                         secondKind ? '\x02' : '\x01',
                         '\x00',
                         'A',
                         'E',
                         static_cast<char>(strength),
                         static_cast<char>(entry.method & 0xFF),
                         static_cast<char>(entry.method >> 8)};
    entry.extraFields += field;
    if (secondKind) {
        entry.declaredCrc = 0;
    }
    entry.method = 99;
    entry.compressedOverride = header + encrypted + trailer;
}

testzip::Entry Entry(Recipe& recipe, int& aesEntries) {
    const std::string name = Name(recipe);
    if (recipe.Chance(1)) {
        return testzip::Folder(name + "/");
    }
    if (recipe.Chance(1) && recipe.Chance(2)) {
        return testzip::Link(name, Name(recipe));
    }
    const std::string content = Content(recipe);
    testzip::Entry entry = testzip::File(name, content, testzip::kStored);
    switch (recipe.Number(7)) {
        case 0:
            break;
        case 1:
        case 2:
            entry = testzip::File(name, content, testzip::kDeflate);
            break;
        case 3:
            entry = testzip::File(name, content, testzip::kBzip2);
            break;
        case 4:
            entry.method = kMethodXz;
            entry.compressedOverride = Xz(content);
            break;
        case 5:
            entry.method = kMethodZstandard;
            entry.compressedOverride = Zstandard(content);
            break;
        default:  // methods read from the recipe's own bytes: mostly damaged
            entry.method = std::vector<uint16_t>{kMethodDeflate64, kMethodLzma,
                                                 kUnknownMethod}[recipe.Number(2)];
            entry.compressedOverride = recipe.Bytes(recipe.Number(4096));
    }
    if (recipe.Chance(1)) {
        Encrypt(recipe, entry, aesEntries);
    }
    if (recipe.Chance(1)) {
        entry.declaredCrc = recipe.Number(UINT32_MAX);
    }
    if (recipe.Chance(1)) {
        entry.declaredSize = recipe.Number(1 << 22);
    }
    if (entry.compressedOverride && recipe.Chance(1)) {
        Damage(recipe, *entry.compressedOverride);
    }
    entry.zip64 = recipe.Chance(1);
    entry.dataDescriptor = recipe.Chance(1);
    return entry;
}

// As archives arrive from the wild: cut short anywhere (a download that broke off), or
// with an end record of its own in the comment, empty or naming part of the directory,
// at the comment's end or within it.
void AsItArrives(Recipe& recipe, std::string& archive) {
    const size_t end = archive.rfind(std::string("PK\x05\x06", 4));
    switch (recipe.Number(7)) {
        case 6:
            archive.resize(recipe.Number(static_cast<uint32_t>(archive.size())));
            break;
        case 7: {
            std::string record = archive.substr(end, 22);
            const uint16_t count = static_cast<uint16_t>(recipe.Number(UINT16_MAX));
            const uint32_t size = recipe.Chance(4) ? 0 : recipe.Number(UINT32_MAX);
            for (size_t i = 0; i < 2; ++i) {
                record[8 + i] = record[10 + i] = static_cast<char>(count >> (8 * i));
            }
            for (size_t i = 0; i < 4; ++i) {
                record[12 + i] = static_cast<char>(size >> (8 * i));
            }
            std::string comment = recipe.Bytes(recipe.Number(64)) + record;
            if (recipe.Chance(4)) {
                comment += recipe.Bytes(recipe.Number(64));
            }
            archive[end + 20] = static_cast<char>(comment.size());
            archive[end + 21] = static_cast<char>(comment.size() >> 8);
            archive += comment;
            break;
        }
        default:
            break;
    }
}

}  // namespace

ArchiveRecipe CookArchive(const uint8_t* data, size_t size) {
    Recipe recipe(data, size);
    ArchiveRecipe cooked;
    constexpr uint32_t kReportSizes[] = {0, 1, 3, 64, 8192, 8192, 8192, 70000};
    cooked.reportSize = kReportSizes[recipe.Number(7)];
    const size_t count = recipe.Chance(2) ? recipe.Number(2000) : recipe.Number(20);
    std::vector<testzip::Entry> entries;
    int aesEntries = 0;
    for (size_t i = 0; i < count; ++i) {
        entries.push_back(Entry(recipe, aesEntries));
    }
    // Decided last, and never where the recipe has run out, so that recipes found before
    // split archives and 7z were cooked still make the archives they made.
    const uint32_t form = recipe.Number(7);
    if (form == 5 && !recipe.RanOut()) {
        cooked.archive = SevenZArchiveOf(recipe, entries);
        if (recipe.Chance(1)) {
            cooked.archive.resize(recipe.Number(static_cast<uint32_t>(cooked.archive.size())));
        }
        return cooked;
    }
    if (form < 6) {
        cooked.archive = testzip::Archive(entries);
        AsItArrives(recipe, cooked.archive);
        return cooked;
    }
    cooked.volumes = testzip::SplitArchive(entries, uint64_t{64} << recipe.Number(14));
    cooked.archive = cooked.volumes.back();
    cooked.volumes.pop_back();
    if (cooked.volumes.empty()) {
        return cooked;
    }
    std::string& volume = cooked.volumes[recipe.Number(cooked.volumes.size() - 1)];
    switch (recipe.Number(7)) {
        case 1:
            volume.clear();  // missing
            break;
        case 2:
            volume.resize(recipe.Number(volume.size()));  // still being copied
            break;
        case 3:
            std::swap(volume, cooked.volumes[recipe.Number(cooked.volumes.size() - 1)]);
            break;
        default:
            break;
    }
    return cooked;
}
