#include "ExtractionPlan.h"

#include <sys/stat.h>

#include <ctime>
#include <unordered_map>
#include <unordered_set>

#include "EntryFailure.h"
#include "MethodDecoder.h"
#include "ParallelFor.h"
#include "Utf8.h"

namespace sevenzip32 {
namespace {

constexpr uint16_t kHostUnix = 3;
constexpr uint16_t kExtendedTimestampExtraId = 0x5455;
constexpr uint64_t kLongestLinkTarget = 4096;
constexpr size_t kEntriesPerThread = 2048;

mode_t UnixMode(const CentralRecord& record) {
    return (record.madeBy >> 8) == kHostUnix ? static_cast<mode_t>(record.externalAttributes >> 16)
                                             : 0;
}

// Seconds since 1970 of the start of each local hour met. mktime asks the disk for the
// time zone at every call; localtime_r reads the zone once, so the local time is found
// from its offset to UTC. Zones shift their offset on the hour.
class LocalHours {
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

  private:
    static long OffsetAt(std::time_t time) {
        std::tm local{};
        return ::localtime_r(&time, &local) != nullptr ? local.tm_gmtoff : 0;
    }

    std::unordered_map<uint32_t, int64_t> starts_;
};

// The extended timestamp field holds seconds since 1970; the DOS time is local time.
int64_t ModificationTime(const CentralRecord& record, LocalHours& hours) {
    if (auto field = record.ExtraField(kExtendedTimestampExtraId);
        field && field->size() >= 5 && ((*field)[0] & 1) != 0) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(field->data() + 1);
        return static_cast<int32_t>(ReadU32(bytes));
    }
    const int64_t hourStart = hours.Start(record.dosDate, record.dosTime >> 11);
    return hourStart == 0
               ? 0
               : hourStart + ((record.dosTime >> 5) & 0x3F) * 60 + (record.dosTime & 0x1F) * 2;
}

EntryKind KindOf(const CentralRecord& record, const EntryPath& path) {
    const mode_t unixMode = UnixMode(record);
    if (S_ISLNK(unixMode)) {
        return EntryKind::Link;
    }
    if (path.namesFolder || S_ISDIR(unixMode)) {
        return EntryKind::Folder;
    }
    return EntryKind::File;
}

void CheckReadable(const CentralRecord& record, EntryKind kind) {
    if (record.IsEncrypted()) {
        throw EntryFailure("the entry is encrypted");
    }
    if (!IsMethodSupported(record.method)) {
        throw EntryFailure("unsupported compression method " + std::to_string(record.method));
    }
    if (kind == EntryKind::Link && record.size > kLongestLinkTarget) {
        throw EntryFailure("the link's target is too long");
    }
}

}  // namespace

std::vector<PlannedEntry> PlanEntries(const CentralDirectory& directory, mode_t umask) {
    std::vector<PlannedEntry> plan(directory.records.size());
    std::vector<uint8_t> named(plan.size(), 0);  // the name was understood: it takes its place
    ParallelFor(
        plan.size(), ThreadsFor(plan.size(), kEntriesPerThread), [&](size_t begin, size_t end) {
            NameDecoder decoder;
            LocalHours hours;
            for (size_t i = begin; i < end; ++i) {
                const CentralRecord& record = directory.records[i];
                PlannedEntry& entry = plan[i];
                entry.index = i;
                entry.name = record.rawName;
                try {
                    entry.name = decoder.Decode(record);
                    entry.path = SplitEntryPath(entry.name);
                    entry.kind = KindOf(record, entry.path);
                    if (entry.path.parts.empty() && entry.kind != EntryKind::Folder) {
                        throw EntryFailure("the name has no file name in it");
                    }
                    named[i] = 1;
                    const bool executable = (UnixMode(record) & 0111) != 0;
                    entry.mode =
                        (entry.kind == EntryKind::File && !executable ? 0644 : 0755) & ~umask;
                    entry.modificationTime = ModificationTime(record, hours);
                    if (entry.kind != EntryKind::Folder) {
                        CheckReadable(record, entry.kind);
                    }
                } catch (const EntryFailure& failure) {
                    entry.refusal = failure.what();
                }
            }
        });
    // A folder may be listed again; anything else of a name already met fails alone.
    std::unordered_map<std::string, EntryKind> seenNames;
    std::unordered_set<std::string> seenFileNamesFolded;
    seenNames.reserve(plan.size());
    for (PlannedEntry& entry : plan) {
        if (!named[entry.index]) {
            continue;
        }
        const std::string joined = JoinEntryPath(entry.path);
        const auto [seen, added] = seenNames.try_emplace(joined, entry.kind);
        if (!added && (entry.kind != EntryKind::Folder || seen->second != EntryKind::Folder)) {
            entry.refusal = "the name comes twice in the archive";
        } else if (entry.kind == EntryKind::File) {
            entry.caseTwin = !seenFileNamesFolded.insert(CaseFolded(joined)).second;
        }
    }
    return plan;
}

}  // namespace sevenzip32
