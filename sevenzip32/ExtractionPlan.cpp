#include "ExtractionPlan.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <optional>
#include <unordered_map>

#include "ComposedName.h"
#include "EntryFailure.h"
#include "EntryPath.h"
#include "MethodDecoder.h"
#include "NameDecoder.h"
#include "ParallelFor.h"
#include "Utf8.h"

namespace sevenzip32 {
namespace {

constexpr uint16_t kHostDos = 0;
constexpr uint16_t kHostUnix = 3;
constexpr uint16_t kHostNtfs = 10;
constexpr uint16_t kHostVfat = 14;
constexpr uint32_t kDosFolderAttribute = 0x10;
constexpr uint64_t kLongestLinkTarget = 4096;
constexpr size_t kEntriesPerThread = 2048;
constexpr uint32_t kUnnamed = UINT32_MAX;

mode_t UnixMode(const CentralHeader& header) {
    return header.Host() == kHostUnix
               ? static_cast<mode_t>(header.Fields().externalAttributes >> 16)
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
int64_t ModificationTime(const CentralHeader& header, LocalHours& hours) {
    if (const auto time = header.Extras().modificationTime) {
        return *time;
    }
    const uint16_t time = header.Fields().dosTime;
    const int64_t hourStart = hours.Start(header.Fields().dosDate, time >> 11);
    return hourStart == 0 ? 0 : hourStart + ((time >> 5) & 0x3F) * 60 + (time & 0x1F) * 2;
}

// Windows writers mark a folder by its DOS attribute alone, some without a trailing slash.
bool IsDosFolder(const CentralHeader& header, const CentralRecord& record) {
    const uint16_t host = header.Host();
    return (host == kHostDos || host == kHostNtfs || host == kHostVfat) &&
           (header.Fields().externalAttributes & kDosFolderAttribute) != 0 && record.size == 0;
}

EntryKind KindOf(const CentralHeader& header, const CentralRecord& record, const EntryPath& path) {
    const mode_t unixMode = UnixMode(header);
    if (S_ISLNK(unixMode)) {
        return EntryKind::Link;
    }
    if (path.namesFolder || S_ISDIR(unixMode) || IsDosFolder(header, record)) {
        return EntryKind::Folder;
    }
    return EntryKind::File;
}

void CheckReadable(const CentralRecord& record, EntryKind kind) {
    if (record.cipher == Cipher::Unreadable) {
        throw EntryFailure(UnreadableCipherReason(record));
    }
    if (!IsMethodSupported(record.method)) {
        throw EntryFailure(Reason::kUnsupportedMethod, std::to_string(record.method));
    }
    if (kind == EntryKind::Link && record.size > kLongestLinkTarget) {
        throw EntryFailure(Reason::kLinkTargetTooLong);
    }
}

// A name's hash with the entry it names: names that come twice are found by sorting
// these, rather than by a set of a million strings. Packed to 12 bytes, since two lists
// of them stand beside the whole plan while it is finished.
#pragma pack(push, 4)
struct NameKey {
    uint64_t hash = 0;
    uint32_t index = kUnnamed;
};
#pragma pack(pop)
static_assert(sizeof(NameKey) == 12, "a million names take 12 MB");

using Reasons = std::vector<std::pair<size_t, std::string>>;
// The hash of a name as the archive spelled it, for the names composition changed.
using Spellings = std::vector<std::pair<size_t, uint64_t>>;

// What one thread plans for its block of entries, joined to the others' in order.
struct PlannedBlock {
    PathList paths;
    Reasons refusals;
    Reasons otherNames;
    Spellings recomposed;
    UnflaggedNames unflagged;
};

// Plans the entries a slice of the central directory at a time, each slice on several
// threads; once all are planned, finds the names that come twice.
class Planner {
  public:
    Planner(mode_t umask, UnflaggedEncoding encoding, const NameRules& names)
        : umask_(umask), encoding_(encoding), nameRules_(names) {}

    void PlanSlice(const CentralSlice& slice) {
        if (slice.First() == 0) {
            const auto expected = static_cast<size_t>(slice.ExpectedCount());
            plan_.entries.reserve(expected);
            plan_.paths.Reserve(expected, static_cast<size_t>(slice.NameBytesAtMost()));
            names_.reserve(expected);
            foldedHashes_.reserve(expected);
        }
        plan_.entries.resize(slice.End());
        names_.resize(slice.End());
        foldedHashes_.resize(slice.End());
        const size_t count = slice.End() - slice.First();
        const size_t threads = ThreadsFor(count, kEntriesPerThread);
        std::vector<PlannedBlock> blocks(threads);
        RunOnThreads(threads, [&](size_t which) {
            PlanBlock(slice, slice.First() + count * which / threads,
                      slice.First() + count * (which + 1) / threads, blocks[which]);
        });
        for (PlannedBlock& block : blocks) {
            plan_.paths.Add(block.paths);
            refusals_.insert(refusals_.end(), std::make_move_iterator(block.refusals.begin()),
                             std::make_move_iterator(block.refusals.end()));
            plan_.otherNames.insert(plan_.otherNames.end(),
                                    std::make_move_iterator(block.otherNames.begin()),
                                    std::make_move_iterator(block.otherNames.end()));
            recomposed_.insert(recomposed_.end(), block.recomposed.begin(), block.recomposed.end());
            unflagged_.Add(block.unflagged);
        }
    }

    const UnflaggedNames& Unflagged() const { return unflagged_; }

    ExtractionPlan Finish() {
        std::vector<NameKey> folded = FoldedNames();
        std::vector<NameKey> names = std::move(names_);
        std::erase_if(names, [](const NameKey& key) { return key.index == kUnnamed; });
        // The two sorts side by side, where there are enough names to be worth a thread.
        const size_t threads = std::min<size_t>(2, ThreadsFor(names.size(), kEntriesPerThread));
        RunOnThreads(threads, [&](size_t which) {
            if (which == 0) {
                SortNames(names);
            }
            if (which == 1 || threads == 1) {
                SortFoldedNames(folded);
            }
        });
        const std::vector<size_t> twice = NamesThatComeTwice(names);
        MarkCaseTwins(folded, twice);
        plan_.refusals = WithNamesThatComeTwice(std::move(refusals_), twice);
        return std::move(plan_);
    }

  private:
    void PlanBlock(const CentralSlice& slice, size_t begin, size_t end, PlannedBlock& block) {
        NameDecoder decoder(encoding_);
        LocalHours hours;
        const std::hash<std::string_view> hash;
        std::string spelled;  // each reused from entry to entry
        std::string name;
        EntryPath path;
        std::string folded;
        for (size_t i = begin; i < end; ++i) {
            const CentralRecord& record = slice.Record(i);
            const CentralHeader header = slice.Header(i);
            PlannedEntry& entry = plan_.entries[i];
            decoder.Decode(header, spelled);
            if (ComposeName(spelled, name)) {
                block.recomposed.emplace_back(i, hash(spelled));
            }
            path.path.clear();
            try {
                NormaliseEntryName(name, path);
                entry.renamed = FitNameRules(nameRules_, path.path);
                entry.kind = KindOf(header, record, path);
                if (path.path.empty() && entry.kind != EntryKind::Folder) {
                    throw EntryFailure(Reason::kNameHasNoFileName);
                }
                names_[i] = {hash(path.path), static_cast<uint32_t>(i)};
                if (entry.kind == EntryKind::File) {
                    CaseFold(path.path, folded);
                    foldedHashes_[i] = hash(folded);
                }
                const bool executable = (UnixMode(header) & 0111) != 0;
                entry.mode = static_cast<uint16_t>(
                    (entry.kind == EntryKind::File && !executable ? 0644 : 0755) & ~umask_);
                entry.modificationTime = ModificationTime(header, hours);
                if (entry.kind != EntryKind::Folder) {
                    CheckReadable(record, entry.kind);
                }
            } catch (const EntryFailure& failure) {
                entry.refused = true;
                block.refusals.emplace_back(i, failure.what());
            }
            if (name != path.path) {
                block.otherNames.emplace_back(i, name);
            }
            block.paths.Add(path.path);
        }
        block.unflagged = decoder.Unflagged();
    }

    // Alike names side by side, the earliest first.
    void SortNames(std::vector<NameKey>& names) const {
        std::sort(names.begin(), names.end(), [&](const NameKey& a, const NameKey& b) {
            if (a.hash != b.hash) {
                return a.hash < b.hash;
            }
            const int order = plan_.paths[a.index].compare(plan_.paths[b.index]);
            return order != 0 ? order < 0 : a.index < b.index;
        });
    }

    // A folder may be listed again; anything else of a name already met fails alone. The
    // entries refused for it, by rising index.
    std::vector<size_t> NamesThatComeTwice(const std::vector<NameKey>& names) {
        std::vector<size_t> twice;
        size_t first = 0;
        for (size_t i = 1; i < names.size(); ++i) {
            const size_t earliest = names[first].index;
            const size_t later = names[i].index;
            if (names[i].hash != names[first].hash || plan_.paths[later] != plan_.paths[earliest]) {
                first = i;
                continue;
            }
            if (plan_.entries[later].kind != EntryKind::Folder ||
                plan_.entries[earliest].kind != EntryKind::Folder) {
                plan_.entries[later].refused = true;
                twice.push_back(later);
                if (SpelledOtherwise(earliest, later)) {
                    inAnotherForm_.push_back(later);
                }
            }
        }
        std::sort(twice.begin(), twice.end());
        std::sort(inAnotherForm_.begin(), inAnotherForm_.end());
        return twice;
    }

    // Whether two entries of one name spelled it in different Unicode forms.
    bool SpelledOtherwise(size_t earlier, size_t later) const {
        const auto spelling = [&](size_t index) -> std::optional<uint64_t> {
            const auto found = std::lower_bound(recomposed_.begin(), recomposed_.end(), index,
                                                [](const std::pair<size_t, uint64_t>& spelled,
                                                   size_t at) { return spelled.first < at; });
            if (found != recomposed_.end() && found->first == index) {
                return found->second;
            }
            return std::nullopt;
        };
        const auto first = spelling(earlier);
        const auto second = spelling(later);
        return first != second;
    }

    // The case-folded names of the files whose names were understood.
    std::vector<NameKey> FoldedNames() {
        std::vector<NameKey> folded;
        for (size_t i = 0; i < plan_.entries.size(); ++i) {
            if (plan_.entries[i].kind == EntryKind::File && names_[i].index != kUnnamed) {
                folded.push_back({foldedHashes_[i], static_cast<uint32_t>(i)});
            }
        }
        foldedHashes_ = {};
        return folded;
    }

    static void SortFoldedNames(std::vector<NameKey>& folded) {
        std::sort(folded.begin(), folded.end(), [](const NameKey& a, const NameKey& b) {
            return a.hash != b.hash ? a.hash < b.hash : a.index < b.index;
        });
    }

    // A file whose name folds onto an earlier file's is a twin, unless it comes twice
    // itself. Only the folded names' hashes are compared: a twin the hash makes up by
    // chance merely comes later.
    void MarkCaseTwins(const std::vector<NameKey>& folded, const std::vector<size_t>& twice) {
        bool earlierFile = false;
        for (size_t i = 0; i < folded.size(); ++i) {
            if (i > 0 && folded[i].hash != folded[i - 1].hash) {
                earlierFile = false;
            }
            const size_t index = folded[i].index;
            if (std::binary_search(twice.begin(), twice.end(), index)) {
                continue;
            }
            plan_.entries[index].caseTwin = earlierFile;
            earlierFile = true;
        }
    }

    // The refusals, with the names that come twice in place of any other reason.
    Reasons WithNamesThatComeTwice(Reasons refusals, const std::vector<size_t>& twice) const {
        Reasons merged;
        merged.reserve(refusals.size() + twice.size());
        auto other = refusals.begin();
        for (const size_t index : twice) {
            for (; other != refusals.end() && other->first <= index; ++other) {
                if (other->first != index) {
                    merged.push_back(std::move(*other));
                }
            }
            const bool inAnotherForm =
                std::binary_search(inAnotherForm_.begin(), inAnotherForm_.end(), index);
            merged.emplace_back(index, TextOf(inAnotherForm ? Reason::kNameComesTwiceInForm
                                                            : Reason::kNameComesTwice));
        }
        merged.insert(merged.end(), std::make_move_iterator(other),
                      std::make_move_iterator(refusals.end()));
        return merged;
    }

    const mode_t umask_;
    const UnflaggedEncoding encoding_;
    const NameRules nameRules_;
    ExtractionPlan plan_;
    Reasons refusals_;                   // but for names that come twice
    Spellings recomposed_;               // by rising index
    std::vector<size_t> inAnotherForm_;  // the names that come twice in another form
    UnflaggedNames unflagged_;
    std::vector<NameKey> names_;          // by index: the entries whose names were understood
    std::vector<uint64_t> foldedHashes_;  // by index, of the files' case-folded names
};

}  // namespace

std::string ExtractionPlan::Name(size_t index) const {
    const auto other = std::lower_bound(
        otherNames.begin(), otherNames.end(), index,
        [](const std::pair<size_t, std::string>& name, size_t at) { return name.first < at; });
    if (other != otherNames.end() && other->first == index) {
        return other->second;
    }
    return std::string(paths[index]);
}

namespace {

PlannedArchive ReadAndPlanIn(ArchiveFile& file, mode_t umask, const NameRules& names,
                             UnflaggedEncoding encoding, UnflaggedNames& unflagged) {
    Planner planner(umask, encoding, names);
    PlannedArchive archive;
    archive.directory =
        ReadCentralDirectory(file, [&](const CentralSlice& slice) { planner.PlanSlice(slice); });
    archive.plan = planner.Finish();
    unflagged = planner.Unflagged();
    return archive;
}

}  // namespace

// Each name is read as it reads while the archive is planned; where that turns out to
// differ from the archive's one encoding (a rare archive: CP932 names of which some are
// valid UTF-8), the directory is read and planned again in that encoding.
PlannedArchive ReadAndPlan(ArchiveFile& file, mode_t umask, const NameRules& names) {
    UnflaggedNames unflagged;
    PlannedArchive archive =
        ReadAndPlanIn(file, umask, names, UnflaggedEncoding::EachAsItReads, unflagged);
    if (unflagged.SomeReadOtherwise()) {
        archive = {};
        archive = ReadAndPlanIn(file, umask, names, unflagged.ArchiveEncoding(), unflagged);
    }
    return archive;
}

}  // namespace sevenzip32
