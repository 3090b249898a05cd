#include "ZipEntryFacts.h"

#include <sys/stat.h>

#include <ctime>
#include <unordered_map>

namespace sevenzip32 {
namespace {

constexpr uint16_t kHostDos = 0;
constexpr uint16_t kHostUnix = 3;
constexpr uint16_t kHostNtfs = 10;
constexpr uint16_t kHostVfat = 14;
constexpr uint32_t kDosFolderAttribute = 0x10;

mode_t UnixMode(const CentralHeader& header) {
    return header.Host() == kHostUnix
               ? static_cast<mode_t>(header.Fields().externalAttributes >> 16)
               : 0;
}

// Windows writers mark a folder by its DOS attribute alone, some without a trailing slash.
bool IsDosFolder(const CentralHeader& header, const CentralRecord& record) {
    const uint16_t host = header.Host();
    return (host == kHostDos || host == kHostNtfs || host == kHostVfat) &&
           (header.Fields().externalAttributes & kDosFolderAttribute) != 0 && record.size == 0;
}

}  // namespace

// Seconds since 1970 of the start of each local hour met. mktime asks the disk for the
// time zone at every call; localtime_r reads the zone once, so the local time is found
// from its offset to UTC. Zones shift their offset on the hour.
class ZipEntryFacts::LocalHours {
  public:
    int64_t Start(uint16_t dosDate, int hour) {
        const uint32_t key = static_cast<uint32_t>(dosDate) << 5 | static_cast<uint32_t>(hour);
        auto [known, added] = starts_.try_emplace(key, 0);
        if (added) {
            std::tm local{};
            local.tm_year = (dosDate >> 9) + 80;
            local.tm_mon = ((dosDate >> 5) & 0x0F) - 1;
            local.tm_mday = dosDate & 0x1F;
            local.tm_hour = hour;
            const std::time_t asIfUtc = ::timegm(&local);
            std::time_t time = asIfUtc - OffsetAt(asIfUtc);
            time = asIfUtc - OffsetAt(time);  // the offset in force at that moment itself
            known->second = static_cast<int64_t>(time);
        }
        return known->second;
    }

    // The extended timestamp field holds seconds since 1970; the DOS time is local time.
    int64_t ModificationTime(const CentralHeader& header) {
        if (const auto time = header.Extras().modificationTime) {
            return *time;
        }
        const uint16_t time = header.Fields().dosTime;
        const int64_t hourStart = Start(header.Fields().dosDate, time >> 11);
        return hourStart == 0 ? 0 : hourStart + ((time >> 5) & 0x3F) * 60 + (time & 0x1F) * 2;
    }

  private:
    static long OffsetAt(std::time_t time) {
        std::tm local{};
        return ::localtime_r(&time, &local) != nullptr ? local.tm_gmtoff : 0;
    }

    std::unordered_map<uint32_t, int64_t> starts_;
};

ZipEntryFacts::ZipEntryFacts(const CentralSlice& slice, UnflaggedEncoding encoding,
                             MethodSupported methodSupported, UnflaggedNames& unflagged)
    : slice_(slice),
      decoder_(encoding),
      methodSupported_(methodSupported),
      unflagged_(unflagged),
      hours_(std::make_unique<LocalHours>()) {}

ZipEntryFacts::~ZipEntryFacts() = default;

void ZipEntryFacts::Read(size_t entry, EntryFacts& facts) {
    const CentralRecord& record = slice_.Record(entry);
    const CentralHeader header = slice_.Header(entry);
    decoder_.Decode(header, facts.name);
    const mode_t unixMode = UnixMode(header);
    facts.kind = S_ISLNK(unixMode)                                  ? EntryKind::Link
                 : S_ISDIR(unixMode) || IsDosFolder(header, record) ? EntryKind::Folder
                                                                    : EntryKind::File;
    facts.executable = (unixMode & 0111) != 0;
    facts.modificationTime = hours_->ModificationTime(header);
    facts.size = record.size;
    facts.unreadable.reset();
    if (record.cipher == Cipher::Unreadable) {
        facts.unreadable = EntryFailure(UnreadableCipherReason(record));
    } else if (!methodSupported_(record.method)) {
        facts.unreadable = EntryFailure(Reason::kUnsupportedMethod, std::to_string(record.method));
    }
}

void ZipEntryFacts::Finish() {
    unflagged_.Add(decoder_.Unflagged());
}

}  // namespace sevenzip32
