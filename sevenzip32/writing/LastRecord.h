// What the record of the last extraction of an archive is good for in this one, decided
// from what stands now before the archive is read: to replay (nothing changed since a
// pass that recorded all it left, failures that lay in the archive included), to vouch
// for the files it recorded, or nothing (extract afresh). And the object that owns the
// files loaded from it, once the archive's plan has taken its own room.
#pragma once

#include <filesystem>
#include <optional>

#include "ExtractionRecord.h"

namespace sevenzip32 {

struct RecordFacts {
    bool found = false;         // whole, of this archive as it is now, into this folder
    bool volumesStand = false;  // each other volume it names stands as recorded
    bool dailyReadDue = false;  // where only size and time vouch, the files are read daily
    bool failuresRepeat = false;
    bool passwordListChanged = false;  // it wanted a password, and the list is not as then
};

// How many of the files the record names stand as recorded, when that was asked.
enum class Standing { NotAsked, All, Some, None };

enum class RecordUse { Afresh, Vouch, Replay };

// Whether a replay is possible, and so whether each recorded file is worth one look.
bool MayReplay(const RecordFacts& facts);
RecordUse UseOfRecord(const RecordFacts& facts, Standing standing);

// The files of a record that vouches, loaded once, when the archive has been planned and
// read from the same volumes the record names.
class VouchingRecord {
  public:
    // path: the record, when it is to vouch.
    explicit VouchingRecord(std::optional<std::filesystem::path> path) : path_(std::move(path)) {}

    // The record with its files, for an archive read as current says, or nothing.
    ExtractionRecord* Load(const ExtractionRecord& current, bool readFromRecordedVolumes);
    // The CRC-32 of the record loaded, which says whether a new one differs.
    std::optional<uint32_t> LoadedCrc() const;

  private:
    std::optional<std::filesystem::path> path_;
    std::optional<ExtractionRecord> loaded_;
};

}  // namespace sevenzip32
