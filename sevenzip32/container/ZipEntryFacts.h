// A ZIP entry's facts, from its central header: its name decoded (one encoding for all
// the names an archive does not flag), its kind from the host's attributes, its time from
// the extended timestamp or the DOS time, and whether its method and cipher can be read.
#pragma once

#include "CentralDirectory.h"
#include "EntryFacts.h"
#include "NameDecoder.h"

namespace sevenzip32 {

class ZipEntryFacts : public EntryFactsReader {
  public:
    using MethodSupported = bool (*)(uint16_t method);

    // unflagged is told, once this reader is finished, what its unflagged names could be.
    ZipEntryFacts(const CentralSlice& slice, UnflaggedEncoding encoding,
                  MethodSupported methodSupported, UnflaggedNames& unflagged);
    ~ZipEntryFacts() override;

    void Read(size_t entry, EntryFacts& facts) override;
    void Finish() override;

  private:
    class LocalHours;

    const CentralSlice& slice_;
    NameDecoder decoder_;
    const MethodSupported methodSupported_;
    UnflaggedNames& unflagged_;
    std::unique_ptr<LocalHours> hours_;
};

}  // namespace sevenzip32
