// One format's way to its entries' bytes, for the extraction that plans and writes them:
// what each entry declares, which entries are best read together, and a reader a thread
// that hands each entry's bytes over checked. ZIP reads each entry on its own; a 7z solid
// block is one stream of many entries in order.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ExtractionPlan.h"

namespace sevenzip32 {

using ChunkSink = std::function<void(std::span<const uint8_t>)>;
// Hands all of an entry's bytes to the sink and returns once they checked out by size and
// CRC; throws EntryFailure where they do not.
using EntryFeed = std::function<void(const ChunkSink&)>;
// What becomes of one attempt at an entry's bytes: all of it starts again at a second.
using EntryAttempt = std::function<void(const EntryFeed&)>;

// One thread's reader of entries.
class EntryReader {
  public:
    virtual ~EntryReader() = default;
    // Calls attempt with the entry's bytes; for an encrypted entry once for each password
    // that may open it, until an attempt returns. Entries are best read in the order of
    // their runs; any order works.
    virtual void Read(size_t entry, const EntryAttempt& attempt) = 0;
};

class EntrySource {
  public:
    virtual ~EntrySource() = default;

    // As the archive declares them.
    virtual uint64_t Size(size_t entry) const = 0;
    virtual std::optional<uint32_t> Crc(size_t entry) const = 0;
    // Reads what tells where the wanted entries' bytes lie and checks what must hold
    // before any is written; checkedBefore: the whole archive was checked by a pass before.
    virtual void Prepare(const std::function<bool(size_t)>& wanted, bool checkedBefore) = 0;
    // Where the runs of entries best read together on one thread start, in order, and
    // the end of the entries last.
    virtual std::vector<size_t> RunStarts(const ExtractionPlan& plan) const = 0;
    virtual std::unique_ptr<EntryReader> Reader() = 0;
    // How many threads read files runs of files.
    virtual size_t Threads(size_t files, size_t runs) const = 0;
    // Why the archive as a whole failed though its entries may not have (a download cut
    // short holds more than was read), as the report words it.
    virtual std::optional<std::string> ArchiveFailure() const { return std::nullopt; }
};

}  // namespace sevenzip32
