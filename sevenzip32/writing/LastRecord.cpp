#include "LastRecord.h"

namespace sevenzip32 {

namespace {

bool Usable(const RecordFacts& facts) {
    return facts.found && facts.volumesStand && !facts.dailyReadDue;
}

}  // namespace

bool MayReplay(const RecordFacts& facts) {
    return Usable(facts) && facts.failuresRepeat && !facts.passwordListChanged;
}

RecordUse UseOfRecord(const RecordFacts& facts, Standing standing) {
    if (!Usable(facts) || standing == Standing::None) {
        return RecordUse::Afresh;  // a record none of whose files stand vouches for nothing
    }
    return MayReplay(facts) && standing == Standing::All ? RecordUse::Replay : RecordUse::Vouch;
}

ExtractionRecord* VouchingRecord::Load(const ExtractionRecord& current,
                                       bool readFromRecordedVolumes) {
    if (path_ && !loaded_) {
        loaded_ = LoadRecord(*path_, current, RecordParts::Files);
        path_.reset();
    }
    // A record of other volumes vouches for nothing.
    if (loaded_ && (!readFromRecordedVolumes || loaded_->volumes != current.volumes)) {
        loaded_.reset();
    }
    return loaded_ ? &*loaded_ : nullptr;
}

std::optional<uint32_t> VouchingRecord::LoadedCrc() const {
    return loaded_ ? std::optional(loaded_->loadedCrc) : std::nullopt;
}

}  // namespace sevenzip32
