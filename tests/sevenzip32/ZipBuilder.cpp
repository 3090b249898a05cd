#include "ZipBuilder.h"

#include <bzlib.h>
#include <zlib.h>

#include <stdexcept>

namespace testzip {

void Put16(std::string& out, uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}
void Put32(std::string& out, uint32_t value) {
    Put16(out, static_cast<uint16_t>(value));
    Put16(out, static_cast<uint16_t>(value >> 16));
}

void Patch16(std::string& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}
void Patch32(std::string& bytes, size_t at, uint32_t value) {
    Patch16(bytes, at, static_cast<uint16_t>(value));
    Patch16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

namespace {

void Put64(std::string& out, uint64_t value) {
    Put32(out, static_cast<uint32_t>(value));
    Put32(out, static_cast<uint32_t>(value >> 32));
}

std::string RawDeflate(const std::string& data) {
    z_stream stream{};
    if (deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END) {
        throw std::runtime_error("deflate");
    }
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string Bzip2(const std::string& data) {
    unsigned int length = static_cast<unsigned int>(data.size() + data.size() / 100 + 600);
    std::string out(length, '\0');
    if (BZ2_bzBuffToBuffCompress(out.data(), &length, const_cast<char*>(data.data()),
                                 static_cast<unsigned int>(data.size()), 9, 0, 0) != BZ_OK) {
        throw std::runtime_error("bzip2");
    }
    out.resize(length);
    return out;
}

struct Prepared {
    std::string compressed;
    uint32_t crc;
    uint64_t size;
};

Prepared Prepare(const Entry& entry) {
    return {
        entry.compressedOverride ? *entry.compressedOverride : Compress(entry.data, entry.method),
        entry.declaredCrc.value_or(Crc32(entry.data)),
        entry.declaredSize.value_or(entry.data.size())};
}

std::string Zip64Extra(const Prepared& prepared, std::optional<uint64_t> offset) {
    std::string field;
    Put16(field, 0x0001);
    Put16(field, offset ? 24 : 16);
    Put64(field, prepared.size);
    Put64(field, prepared.compressed.size());
    if (offset) {
        Put64(field, *offset);
    }
    return field;
}

}  // namespace

Entry File(std::string name, std::string data, uint16_t method) {
    Entry entry;
    entry.name = std::move(name);
    entry.data = std::move(data);
    entry.method = method;
    return entry;
}

Entry Folder(std::string name) {
    Entry entry;
    entry.name = std::move(name);
    entry.method = kStored;
    entry.externalAttributes = (040755u << 16) | 0x10;
    return entry;
}

Entry Link(std::string name, std::string target) {
    Entry entry;
    entry.name = std::move(name);
    entry.data = std::move(target);
    entry.method = kStored;
    entry.externalAttributes = 0120777u << 16;
    return entry;
}

std::string TimestampExtra(uint32_t modificationTime) {
    std::string field;
    Put16(field, 0x5455);
    Put16(field, 5);
    field += '\x01';
    Put32(field, modificationTime);
    return field;
}

std::string UnicodePathExtra(const std::string& rawName, const std::string& utf8Name) {
    std::string field;
    Put16(field, 0x7075);
    Put16(field, static_cast<uint16_t>(5 + utf8Name.size()));
    field += '\x01';
    Put32(field, Crc32(rawName));
    field += utf8Name;
    return field;
}

uint32_t Crc32(const std::string& data) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string Compress(const std::string& data, uint16_t method) {
    switch (method) {
        case kDeflate:
            return RawDeflate(data);
        case kBzip2:
            return Bzip2(data);
        default:
            return data;
    }
}

std::string Writer::LocalRecord(const Entry& entry) {
    const Prepared prepared = Prepare(entry);
    const std::string& name = entry.localName ? *entry.localName : entry.name;
    const std::string extra = entry.extraFields + (entry.zip64 ? Zip64Extra(prepared, {}) : "");
    const bool later = entry.dataDescriptor;
    std::string out;
    Put32(out, 0x04034b50);
    Put16(out, entry.zip64 ? 45 : 20);
    const uint16_t flags = entry.localFlags.value_or(entry.flags);
    Put16(out, later ? flags | 0x0008 : flags);
    Put16(out, entry.method);
    Put16(out, entry.dosTime);
    Put16(out, entry.dosDate);
    Put32(out, later ? 0 : prepared.crc);
    Put32(out, entry.zip64 ? 0xFFFFFFFF
               : later     ? 0
                           : static_cast<uint32_t>(prepared.compressed.size()));
    Put32(out, entry.zip64 ? 0xFFFFFFFF : later ? 0 : static_cast<uint32_t>(prepared.size));
    Put16(out, static_cast<uint16_t>(name.size()));
    Put16(out, static_cast<uint16_t>(extra.size()));
    out += name;
    out += extra;
    out += prepared.compressed;
    if (later) {
        Put32(out, 0x08074b50);
        Put32(out, prepared.crc);
        Put32(out, static_cast<uint32_t>(prepared.compressed.size()));
        Put32(out, static_cast<uint32_t>(prepared.size));
    }
    return out;
}

uint64_t Writer::AddLocal(const Entry& entry) {
    const uint64_t offset = bytes_.size();
    bytes_ += LocalRecord(entry);
    return offset;
}

void Writer::AddRaw(const std::string& bytes) {
    bytes_ += bytes;
}

void Writer::AddCentral(const Entry& entry, uint64_t offset) {
    const Prepared prepared = Prepare(entry);
    const std::string extra =
        entry.extraFields + (entry.zip64 ? Zip64Extra(prepared, OnDisk(offset)) : "");
    anyZip64_ = anyZip64_ || entry.zip64;
    Put32(central_, 0x02014b50);
    Put16(central_, entry.madeBy);
    Put16(central_, entry.zip64 ? 45 : 20);
    Put16(central_, entry.dataDescriptor ? entry.flags | 0x0008 : entry.flags);
    Put16(central_, entry.method);
    Put16(central_, entry.dosTime);
    Put16(central_, entry.dosDate);
    Put32(central_, prepared.crc);
    Put32(central_, entry.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(prepared.compressed.size()));
    Put32(central_, entry.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(prepared.size));
    Put16(central_, static_cast<uint16_t>(entry.name.size()));
    Put16(central_, static_cast<uint16_t>(extra.size()));
    Put16(central_, 0);  // comment
    Put16(central_, static_cast<uint16_t>(Disk(offset)));
    Put16(central_, 0);  // internal attributes
    Put32(central_, entry.externalAttributes);
    Put32(central_, entry.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(OnDisk(offset)));
    central_ += entry.name;
    central_ += extra;
    ++centralCount_;
}

std::string Writer::Finish() {
    std::string out = bytes_;
    const uint64_t centralOffset = out.size();
    out += central_;
    // The end records all stand on the last disk, the one they begin on.
    const uint32_t lastDisk = Disk(out.size());
    if (anyZip64_) {
        const uint64_t zip64EndOffset = out.size();
        Put32(out, 0x06064b50);
        Put64(out, 44);
        Put16(out, 45);
        Put16(out, 45);
        Put32(out, lastDisk);
        Put32(out, Disk(centralOffset));
        Put64(out, centralCount_);
        Put64(out, centralCount_);
        Put64(out, central_.size());
        Put64(out, OnDisk(centralOffset));
        Put32(out, 0x07064b50);
        Put32(out, lastDisk);
        Put64(out, OnDisk(zip64EndOffset));
        Put32(out, lastDisk + 1);
    }
    Put32(out, 0x06054b50);
    Put16(out, anyZip64_ ? 0xFFFF : static_cast<uint16_t>(lastDisk));
    Put16(out, anyZip64_ ? 0xFFFF : static_cast<uint16_t>(Disk(centralOffset)));
    Put16(out, anyZip64_ ? 0xFFFF : static_cast<uint16_t>(centralCount_));
    Put16(out, anyZip64_ ? 0xFFFF : static_cast<uint16_t>(centralCount_));
    Put32(out, anyZip64_ ? 0xFFFFFFFF : static_cast<uint32_t>(central_.size()));
    Put32(out, anyZip64_ ? 0xFFFFFFFF : static_cast<uint32_t>(OnDisk(centralOffset)));
    Put16(out, 0);
    return out;
}

std::vector<std::string> Writer::FinishVolumes() {
    const uint32_t lastDisk = Disk(bytes_.size() + central_.size());
    const std::string whole = Finish();
    std::vector<std::string> volumes;
    for (uint32_t disk = 0; disk < lastDisk; ++disk) {
        volumes.push_back(whole.substr(disk * volumeSize_, volumeSize_));
    }
    volumes.push_back(whole.substr(lastDisk * volumeSize_));
    return volumes;
}

namespace {

// Each entry once, in order.
void AddAll(Writer& writer, const std::vector<Entry>& entries) {
    std::vector<uint64_t> offsets;
    for (const Entry& entry : entries) {
        offsets.push_back(writer.AddLocal(entry));
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        writer.AddCentral(entries[i], offsets[i]);
    }
}

}  // namespace

std::string Archive(const std::vector<Entry>& entries) {
    Writer writer;
    AddAll(writer, entries);
    return writer.Finish();
}

std::vector<std::string> SplitArchive(const std::vector<Entry>& entries, uint64_t volumeSize) {
    Writer writer(volumeSize);
    writer.AddRaw("PK\x07\x08");
    AddAll(writer, entries);
    return writer.FinishVolumes();
}

}  // namespace testzip
