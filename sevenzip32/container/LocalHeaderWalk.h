// A download cut short has no central directory: what arrived of it is found by walking
// the local headers from the start, as long as each entry is whole, and making for each
// the central header the directory would have held. The first entry that is not whole
// ends the walk, and nothing after it is read.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "ArchiveFile.h"

namespace sevenzip32 {

// Where the first local header stands: at the start, or after a self-extractor's stub.
std::optional<uint64_t> FirstLocalHeader(const ArchiveFile& file);

// Walks from start while each entry's data, and its data descriptor where it has one,
// end inside the file, and hands the central headers made for them to withHeaders a
// slice at a time. Returns where the walk stopped: where the first entry not whole, or
// anything but an entry, begins. Whether the data of each checks out is for its decoding.
uint64_t WalkLocalHeaders(const ArchiveFile& file, uint64_t start,
                          const std::function<void(std::span<const uint8_t>)>& withHeaders);

}  // namespace sevenzip32
