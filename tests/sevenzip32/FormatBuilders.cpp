#include "FormatBuilders.h"

#include <algorithm>

#include "ZipBuilder.h"

namespace testformats {
namespace {

using testzip::Crc32;
using testzip::Put16;
using testzip::Put32;

constexpr uint32_t kDosTime = 0x5A216000;  // 2025-01-01 12:00:00

// A file's bytes in one volume: volumes hold the files one after another, the last of a
// volume going on into the next.
struct Piece {
    const StoredFile* file = nullptr;
    std::string data;
    bool before = false;  // it began in the volume before
    bool after = false;   // it goes on in the next
};

std::vector<std::vector<Piece>> Pieces(const std::vector<StoredFile>& files, size_t volumes) {
    size_t total = 0;
    for (const StoredFile& file : files) {
        total += file.data.size();
    }
    const size_t capacity = std::max<size_t>(1, (total + volumes - 1) / volumes);
    std::vector<std::vector<Piece>> pieces(volumes);
    size_t volume = 0;
    size_t used = 0;
    for (const StoredFile& file : files) {
        size_t offset = 0;
        do {
            if (used >= capacity && volume + 1 < volumes) {
                ++volume;
                used = 0;
            }
            const size_t left = file.data.size() - offset;
            const size_t take = volume + 1 == volumes ? left : std::min(left, capacity - used);
            pieces[volume].push_back({&file, file.data.substr(offset, take), offset > 0,
                                      offset + take < file.data.size()});
            offset += take;
            used += take;
        } while (offset < file.data.size());
    }
    return pieces;
}

// RAR 5's numbers: seven bits a byte, low first.
void PutNumber(std::string& out, uint64_t value) {
    do {
        out += static_cast<char>((value & 0x7F) | (value > 0x7F ? 0x80 : 0));
        value >>= 7;
    } while (value != 0);
}

// A RAR 5 header: its CRC over its size and its body.
std::string Rar5Header(const std::string& body) {
    std::string sized;
    PutNumber(sized, body.size());
    sized += body;
    std::string header;
    Put32(header, Crc32(sized));
    return header + sized;
}

std::string Rar5Volume(const std::vector<Piece>& pieces, size_t volume, const RarOptions& options) {
    std::string out("Rar!\x1A\x07\x01\x00", 8);
    if (options.encryptedHeaders) {
        std::string body;
        PutNumber(body, 4);  // the archive's encryption header
        PutNumber(body, 0);
        PutNumber(body, 0);  // its version: AES-256
        PutNumber(body, 0);
        body += static_cast<char>(15);
        body += std::string(16, 's');
        return out + Rar5Header(body);
    }
    std::string main;
    PutNumber(main, 1);
    PutNumber(main, 0);
    if (options.volumes > 1) {  // a volume of a set, numbered past the first
        PutNumber(main, volume > 0 ? 3 : 1);
        if (volume > 0) {
            PutNumber(main, volume);
        }
    } else {
        PutNumber(main, 0);
    }
    out += Rar5Header(main);
    for (const Piece& piece : pieces) {
        std::string body;
        PutNumber(body, 2);  // a file
        const uint64_t flags =
            0x0002 | (piece.before ? 0x0008 : 0) | (piece.after ? 0x0010 : 0);  // with data
        PutNumber(body, flags);
        PutNumber(body, piece.data.size());
        PutNumber(body, 0x0004);  // a CRC follows
        PutNumber(body, piece.file->data.size());
        PutNumber(body, 0100644);
        Put32(body, piece.after ? Crc32(piece.data) : Crc32(piece.file->data));
        PutNumber(body, 0);  // stored
        PutNumber(body, 1);  // Unix
        PutNumber(body, piece.file->name.size());
        body += piece.file->name;
        out += Rar5Header(body) + piece.data;
    }
    std::string end;
    PutNumber(end, 5);
    PutNumber(end, 0);
    PutNumber(end, volume + 1 < options.volumes || options.lastSaysMoreFollow ? 1 : 0);
    return out + Rar5Header(end);
}

// A RAR 4 block: its CRC's low half over the rest.
std::string Rar4Block(uint8_t type, uint16_t flags, const std::string& rest) {
    std::string block;
    block += static_cast<char>(type);
    Put16(block, flags);
    Put16(block, static_cast<uint16_t>(7 + rest.size()));
    block += rest;
    std::string out;
    Put16(out, static_cast<uint16_t>(Crc32(block)));
    return out + block;
}

std::string Rar4Volume(const std::vector<Piece>& pieces, size_t volume, const RarOptions& options) {
    std::string out("Rar!\x1A\x07\x00", 7);
    uint16_t mainFlags = options.encryptedHeaders ? 0x0080 : 0;
    if (options.volumes > 1) {
        mainFlags |= 0x0001 | 0x0010 | (volume == 0 ? 0x0100 : 0);  // a set, named partN
    }
    out += Rar4Block(0x73, mainFlags, std::string(6, '\0'));
    if (options.encryptedHeaders) {
        return out + std::string(64, 'e');
    }
    for (const Piece& piece : pieces) {
        const uint16_t flags = 0x8000 | (piece.before ? 0x0001 : 0) | (piece.after ? 0x0002 : 0);
        std::string rest;
        Put32(rest, static_cast<uint32_t>(piece.data.size()));
        Put32(rest, static_cast<uint32_t>(piece.file->data.size()));
        rest += '\x03';  // Unix
        Put32(rest, piece.after ? Crc32(piece.data) : Crc32(piece.file->data));
        Put32(rest, kDosTime);
        rest += '\x14';  // version 2.0
        rest += '\x30';  // stored
        Put16(rest, static_cast<uint16_t>(piece.file->name.size()));
        Put32(rest, 0100644);
        rest += piece.file->name;
        out += Rar4Block(0x74, flags, rest) + piece.data;
    }
    const bool more = volume + 1 < options.volumes || options.lastSaysMoreFollow;
    return out + Rar4Block(0x7B, more ? 0x0001 : 0, "");
}

// CRC-16 as LZH keeps it (reflected, 0xA001, from 0).
uint16_t Crc16(const std::string& data) {
    uint16_t crc = 0;
    for (const unsigned char byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<uint16_t>((crc & 1) != 0 ? (crc >> 1) ^ 0xA001 : crc >> 1);
        }
    }
    return crc;
}

}  // namespace

std::vector<std::string> RarArchive(const std::vector<StoredFile>& files,
                                    const RarOptions& options) {
    const auto pieces = Pieces(files, options.volumes);
    std::vector<std::string> volumes;
    for (size_t volume = 0; volume < options.volumes; ++volume) {
        volumes.push_back(options.version == RarVersion::Five
                              ? Rar5Volume(pieces[volume], volume, options)
                              : Rar4Volume(pieces[volume], volume, options));
    }
    return volumes;
}

std::string LzhArchive(const std::vector<StoredFile>& files, int level) {
    std::string out;
    for (const StoredFile& file : files) {
        std::string header = "-lh0-";
        const uint16_t crc = Crc16(file.data);
        if (level == 2) {
            // The next header's size, then headers of a type, their data and the next's
            // size: the header's own CRC (its field zero while it is made), then the name.
            std::string extended;
            Put16(extended, 5);
            extended += '\x00';
            const size_t crcAt = extended.size();
            Put16(extended, 0);
            Put16(extended, static_cast<uint16_t>(3 + file.name.size()));
            extended += '\x01';
            extended += file.name;
            Put16(extended, 0);
            Put32(header, static_cast<uint32_t>(file.data.size()));
            Put32(header, static_cast<uint32_t>(file.data.size()));
            Put32(header, 1735732800);  // 2025-01-01 12:00:00 UTC
            header += '\x20';
            header += '\x02';
            Put16(header, crc);
            header += 'U';
            std::string whole;
            Put16(whole, static_cast<uint16_t>(2 + header.size() + extended.size()));
            whole += header + extended;
            testzip::Patch16(whole, whole.size() - extended.size() + crcAt, Crc16(whole));
            out += whole + file.data;
            continue;
        }
        Put32(header, static_cast<uint32_t>(file.data.size()));
        Put32(header, static_cast<uint32_t>(file.data.size()));
        Put32(header, kDosTime);
        header += '\x20';
        header += static_cast<char>(level);
        header += static_cast<char>(file.name.size());
        header += file.name;
        Put16(header, crc);
        if (level == 1) {
            header += 'U';
            Put16(header, 0);  // no extended headers
        }
        uint8_t sum = 0;
        for (const unsigned char byte : header) {
            sum = static_cast<uint8_t>(sum + byte);
        }
        out += static_cast<char>(header.size());
        out += static_cast<char>(sum);
        out += header + file.data;
    }
    return out + '\0';
}

}  // namespace testformats
