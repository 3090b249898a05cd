#include "SevenZRecipe.h"

#include <lzma.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <memory>

#include "ArchiveRecipe.h"
#include "SevenZAes.h"

namespace {

using testzip::Crc32;

constexpr char kSignature[] = {'7', 'z', '\xBC', '\xAF', '\x27', '\x1C', 0, 4};
constexpr char kAesId[] = {'\x06', '\xF1', '\x07', '\x01'};

// The format's numbers: as many leading one bits in the first byte as bytes follow it.
void PutNumber(std::string& out, uint64_t value) {
    int extra = 0;
    while (extra < 8 && value >= uint64_t{1} << (7 * (extra + 1))) {
        ++extra;
    }
    const auto marker = static_cast<uint8_t>(0xFF00 >> extra);
    out +=
        static_cast<char>(extra == 8 ? 0xFF : marker | static_cast<uint8_t>(value >> (8 * extra)));
    for (int i = 0; i < extra; ++i) {
        out += static_cast<char>(value >> (8 * i));
    }
}

void Put64(std::string& out, uint64_t value) {
    testzip::Put32(out, static_cast<uint32_t>(value));
    testzip::Put32(out, static_cast<uint32_t>(value >> 32));
}

struct Coder {
    std::string id;
    std::string properties;
    uint32_t inputs = 1;
    uint64_t unpackSize = 0;
};

// Coders in a chain, the first making the folder's output, each reading the next's; the
// last reads packed[0]. BCJ2's folder is the one coder reading four packed streams.
struct Folder {
    std::vector<Coder> coders;
    std::vector<std::string> packed;
    std::vector<uint64_t> streamSizes;
    std::vector<uint32_t> streamCrcs;
};

// liblzma's raw encoding of data through the chain, outermost filter first; each
// filter's 7z properties are what liblzma encodes for it.
std::string RawEncode(const std::string& data, const std::vector<lzma_filter>& chain,
                      std::vector<std::string>& properties) {
    std::vector<lzma_filter> filters = chain;
    filters.push_back({LZMA_VLI_UNKNOWN, nullptr});
    std::string out(data.size() + data.size() / 2 + 4096, '\0');
    size_t written = 0;
    if (lzma_raw_buffer_encode(
            filters.data(), nullptr, reinterpret_cast<const uint8_t*>(data.data()), data.size(),
            reinterpret_cast<uint8_t*>(out.data()), &written, out.size()) != LZMA_OK) {
        return {};
    }
    for (const lzma_filter& filter : chain) {
        uint32_t size = 0;
        lzma_properties_size(&size, &filter);
        std::string encoded(size, '\0');
        lzma_properties_encode(&filter, reinterpret_cast<uint8_t*>(encoded.data()));
        properties.push_back(encoded);
    }
    out.resize(written);
    return out;
}

// data packed by one of the coders; what a coder of the recipe's own bytes makes is
// mostly damage for its decoder to meet.
Folder Pack(Recipe& recipe, const std::string& data) {
    Folder folder;
    lzma_options_lzma lzma;
    lzma_lzma_preset(&lzma, 1);
    lzma.dict_size = 1 << 16;
    lzma_options_delta delta{
        LZMA_DELTA_TYPE_BYTE, 1 + recipe.Number(3), 0, 0, 0, 0, nullptr, nullptr};
    const auto lzmaChain = [&](const std::vector<lzma_filter>& chain,
                               const std::vector<std::string>& ids) {
        std::vector<std::string> properties;
        folder.packed = {RawEncode(data, chain, properties)};
        for (size_t i = 0; i < ids.size(); ++i) {
            folder.coders.push_back({ids[i], properties[i], 1, data.size()});
        }
    };
    switch (recipe.Number(7)) {
        case 0:
            folder.coders = {{std::string(1, '\0'), "", 1, data.size()}};
            folder.packed = {data};
            break;
        case 1:
            lzmaChain({{LZMA_FILTER_LZMA2, &lzma}}, {"\x21"});
            break;
        case 2:
            lzmaChain({{LZMA_FILTER_DELTA, &delta}, {LZMA_FILTER_LZMA2, &lzma}}, {"\x03", "\x21"});
            break;
        case 3:
            lzmaChain({{LZMA_FILTER_X86, nullptr}, {LZMA_FILTER_LZMA1, &lzma}},
                      {std::string("\x03\x03\x01\x03", 4), std::string("\x03\x01\x01", 3)});
            break;
        case 4:
            folder.coders = {{std::string("\x04\x02\x02", 3), "", 1, data.size()}};
            folder.packed = {testzip::Compress(data, testzip::kBzip2)};
            break;
        case 5:
            folder.coders = {{std::string("\x04\x01\x08", 3), "", 1, data.size()}};
            folder.packed = {testzip::Compress(data, testzip::kDeflate)};
            break;
        case 6: {
            std::string properties(1, static_cast<char>(2 + recipe.Number(14)));
            testzip::Put32(properties, uint32_t{1} << (11 + recipe.Number(9)));
            folder.coders = {{std::string("\x03\x04\x01", 3), properties, 1, data.size()}};
            folder.packed = {std::string(1, '\0') + recipe.Bytes(recipe.Number(4096))};
            break;
        }
        default:  // BCJ2: the code as it is, the rest from the recipe
            folder.coders = {{std::string("\x03\x03\x01\x1B", 4), "", 4, data.size()}};
            folder.packed = {data, recipe.Bytes(recipe.Number(64)), recipe.Bytes(recipe.Number(64)),
                             std::string(1, '\0') + recipe.Bytes(4 + recipe.Number(64))};
            return folder;
    }
    return folder;
}

// The last coder's packed bytes put under 7z's AES, with a listed password or another,
// and few rounds, so that the fuzzer stays fast.
void Encrypt(Recipe& recipe, Folder& folder) {
    const std::string password = recipe.Chance(6) ? kListedPasswords[recipe.Number(1)]
                                                  : "unlisted" + std::to_string(recipe.Number(9));
    sevenzip32::SevenZAesProperties properties;
    properties.cyclesPower = static_cast<uint8_t>(recipe.Number(4));
    const std::string salt = recipe.Bytes(recipe.Number(16));
    properties.salt.assign(salt.begin(), salt.end());
    std::string iv = recipe.Bytes(16);
    iv.resize(16, '\0');
    std::copy(iv.begin(), iv.end(), properties.iv.begin());
    const auto utf16 = sevenzip32::SevenZPassword(
        {reinterpret_cast<const uint8_t*>(password.data()), password.size()});
    const sevenzip32::SecretBytes key = sevenzip32::DeriveSevenZKey(properties, utf16->Span());

    std::string plain = folder.packed[0];
    const uint64_t unpadded = plain.size();
    plain.resize((plain.size() + 15) / 16 * 16, '\0');
    std::string encrypted(plain.size(), '\0');
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                            EVP_CIPHER_CTX_free);
    int length = 0;
    EVP_EncryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, key.data(), properties.iv.data());
    EVP_CIPHER_CTX_set_padding(context.get(), 0);
    EVP_EncryptUpdate(context.get(), reinterpret_cast<uint8_t*>(encrypted.data()), &length,
                      reinterpret_cast<const uint8_t*>(plain.data()),
                      static_cast<int>(plain.size()));

    // The rounds' power, whether salt and vector follow, and their sizes less one.
    std::string written(
        1, static_cast<char>(properties.cyclesPower | 0x40 | (salt.empty() ? 0 : 0x80)));
    written += static_cast<char>((salt.empty() ? 0 : (salt.size() - 1) << 4) | 0x0F);
    written += salt + iv;
    folder.coders.push_back({std::string(kAesId, 4), written, 1, unpadded});
    folder.packed = {encrypted};
}

void PutFolder(std::string& out, const Folder& folder) {
    PutNumber(out, folder.coders.size());
    for (const Coder& coder : folder.coders) {
        out += static_cast<char>(coder.id.size() | (coder.inputs != 1 ? 0x10 : 0) |
                                 (coder.properties.empty() ? 0 : 0x20));
        out += coder.id;
        if (coder.inputs != 1) {
            PutNumber(out, coder.inputs);
            PutNumber(out, 1);
        }
        if (!coder.properties.empty()) {
            PutNumber(out, coder.properties.size());
            out += coder.properties;
        }
    }
    for (size_t i = 1; i < folder.coders.size(); ++i) {
        PutNumber(out, i - 1);  // the input of the coder before reads this one's output
        PutNumber(out, i);
    }
    if (folder.packed.size() > 1) {
        for (size_t i = 0; i < folder.packed.size(); ++i) {
            PutNumber(out, i);
        }
    }
}

// The streams' description: where the packed streams are, the folders, and (for files)
// each folder's streams.
std::string StreamsInfo(const std::vector<Folder>& folders, uint64_t packPosition,
                        bool withSubStreams, std::optional<uint32_t> folderCrc = {}) {
    std::string out;
    out += '\x06';
    PutNumber(out, packPosition);
    size_t packedCount = 0;
    for (const Folder& folder : folders) {
        packedCount += folder.packed.size();
    }
    PutNumber(out, packedCount);
    out += '\x09';
    for (const Folder& folder : folders) {
        for (const std::string& packed : folder.packed) {
            PutNumber(out, packed.size());
        }
    }
    out += '\0';
    out += "\x07\x0B";
    PutNumber(out, folders.size());
    out += '\0';
    for (const Folder& folder : folders) {
        PutFolder(out, folder);
    }
    out += '\x0C';
    for (const Folder& folder : folders) {
        for (const Coder& coder : folder.coders) {
            PutNumber(out, coder.unpackSize);
        }
    }
    if (folderCrc) {
        out += "\x0A\x01";
        testzip::Put32(out, *folderCrc);
    }
    out += '\0';
    if (withSubStreams) {
        out += "\x08\x0D";
        for (const Folder& folder : folders) {
            PutNumber(out, folder.streamSizes.size());
        }
        out += '\x09';
        for (const Folder& folder : folders) {
            for (size_t i = 0; i + 1 < folder.streamSizes.size(); ++i) {
                PutNumber(out, folder.streamSizes[i]);
            }
        }
        out += "\x0A\x01";
        for (const Folder& folder : folders) {
            for (const uint32_t crc : folder.streamCrcs) {
                testzip::Put32(out, crc);
            }
        }
        out += '\0';
    }
    out += '\0';
    return out;
}

std::string Bits(const std::vector<bool>& bits) {
    std::string out((bits.size() + 7) / 8, '\0');
    for (size_t i = 0; i < bits.size(); ++i) {
        if (bits[i]) {
            out[i / 8] = static_cast<char>(out[i / 8] | 0x80 >> (i % 8));
        }
    }
    return out;
}

void PutProperty(std::string& out, char id, const std::string& value) {
    out += id;
    PutNumber(out, value.size());
    out += value;
}

}  // namespace

std::string SevenZArchiveOf(Recipe& recipe, const std::vector<testzip::Entry>& entries) {
    std::vector<Folder> folders;
    std::string packed;
    std::vector<bool> emptyStream;
    std::vector<bool> emptyFile;
    std::string names;
    std::string attributes;
    for (const testzip::Entry& entry : entries) {
        const bool isFolder = entry.name.ends_with('/');
        const std::string name =
            isFolder ? entry.name.substr(0, entry.name.size() - 1) : entry.name;
        const auto utf16 = sevenzip32::SevenZPassword(
            {reinterpret_cast<const uint8_t*>(name.data()), name.size()});
        names.append(reinterpret_cast<const char*>(utf16->data()), utf16->size());
        names.append(2, '\0');
        testzip::Put32(attributes,
                       (isFolder ? 0x10 : 0) | 0x8000 | (entry.externalAttributes & 0xFFFF0000));
        emptyStream.push_back(isFolder || entry.data.empty());
        if (emptyStream.back()) {
            emptyFile.push_back(!isFolder);
            continue;
        }
        if (folders.empty() || recipe.Chance(4)) {
            folders.emplace_back();
        }
        Folder& folder = folders.back();
        folder.streamSizes.push_back(entry.declaredSize.value_or(entry.data.size()));
        folder.streamCrcs.push_back(entry.declaredCrc.value_or(Crc32(entry.data)));
    }
    // Each folder's files' bytes, packed once all are known.
    size_t file = 0;
    for (Folder& folder : folders) {
        std::string data;
        for (size_t i = 0; i < folder.streamSizes.size(); ++file) {
            if (!emptyStream[file]) {
                data += entries[file].data;
                ++i;
            }
        }
        const auto sizes = folder.streamSizes;
        const auto crcs = folder.streamCrcs;
        folder = Pack(recipe, data);
        folder.streamSizes = sizes;
        folder.streamCrcs = crcs;
        if (folder.coders[0].inputs == 1 && recipe.Chance(1)) {
            Encrypt(recipe, folder);
        }
        for (const std::string& stream : folder.packed) {
            packed += stream;
        }
    }

    std::string header = "\x01";
    if (!folders.empty()) {
        header += '\x04';
        header += StreamsInfo(folders, 0, true);
    }
    header += '\x05';
    PutNumber(header, entries.size());
    if (std::find(emptyStream.begin(), emptyStream.end(), true) != emptyStream.end()) {
        PutProperty(header, '\x0E', Bits(emptyStream));
        PutProperty(header, '\x0F', Bits(emptyFile));
    }
    PutProperty(header, '\x11', std::string(1, '\0') + names);
    PutProperty(header, '\x15', std::string("\x01\x00", 2) + attributes);
    header += std::string(2, '\0');  // the files' end, the header's end

    // Now and then the header packed, and encrypted too, after the files' streams.
    if (recipe.Chance(3)) {
        Folder headerFolder = Pack(recipe, header);
        if (headerFolder.coders[0].inputs == 1 && recipe.Chance(3)) {
            Encrypt(recipe, headerFolder);
        }
        const uint64_t at = packed.size();
        for (const std::string& stream : headerFolder.packed) {
            packed += stream;
        }
        header = "\x17" + StreamsInfo({headerFolder}, at, false, Crc32(header));
    }

    std::string archive(kSignature, sizeof kSignature);
    std::string start;
    Put64(start, packed.size());
    Put64(start, header.size());
    testzip::Put32(start, Crc32(header));
    testzip::Put32(archive, Crc32(start));
    return archive + start + packed + header;
}
