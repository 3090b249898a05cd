#include "ExtractionPlan.h"

#include <algorithm>
#include <functional>
#include <optional>

#include "ComposedName.h"
#include "EntryFailure.h"
#include "EntryPath.h"
#include "ParallelFor.h"
#include "Utf8.h"

namespace sevenzip32 {
namespace {

constexpr uint64_t kLongestLinkTarget = 4096;
constexpr size_t kEntriesPerThread = 2048;
constexpr uint32_t kUnnamed = UINT32_MAX;

// What may be read at all: a method or cipher the library reads, a link's target not
// larger than a link takes.
void CheckReadable(const EntryFacts& facts, EntryKind kind) {
    if (facts.unreadable) {
        throw *facts.unreadable;
    }
    if (kind == EntryKind::Link && facts.size > kLongestLinkTarget) {
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
    std::unique_ptr<EntryFactsReader> reader;
};

}  // namespace

// Plans the entries a run at a time, each run on several threads; once all are planned,
// finds the names that come twice.
class EntryPlanner::Planner {
  public:
    Planner(mode_t umask, const NameRules& names) : umask_(umask), nameRules_(names) {}

    void Reserve(size_t expected, size_t nameBytesAtMost) {
        plan_.entries.reserve(expected);
        plan_.paths.Reserve(expected, nameBytesAtMost);
        names_.reserve(expected);
        foldedHashes_.reserve(expected);
    }

    void PlanEntries(size_t first, size_t end, const ReaderMaker& makeReader) {
        plan_.entries.resize(end);
        names_.resize(end);
        foldedHashes_.resize(end);
        const size_t count = end - first;
        const size_t threads = ThreadsFor(count, kEntriesPerThread);
        std::vector<PlannedBlock> blocks(threads);
        for (PlannedBlock& block : blocks) {
            block.reader = makeReader();
        }
        RunOnThreads(threads, [&](size_t which) {
            PlanBlock(first + count * which / threads, first + count * (which + 1) / threads,
                      blocks[which]);
        });
        for (PlannedBlock& block : blocks) {
            block.reader->Finish();
            plan_.paths.Add(block.paths);
            refusals_.insert(refusals_.end(), std::make_move_iterator(block.refusals.begin()),
                             std::make_move_iterator(block.refusals.end()));
            plan_.otherNames.insert(plan_.otherNames.end(),
                                    std::make_move_iterator(block.otherNames.begin()),
                                    std::make_move_iterator(block.otherNames.end()));
            recomposed_.insert(recomposed_.end(), block.recomposed.begin(), block.recomposed.end());
        }
    }

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
    void PlanBlock(size_t begin, size_t end, PlannedBlock& block) {
        const std::hash<std::string_view> hash;
        EntryFacts facts;  // each reused from entry to entry
        std::string name;
        EntryPath path;
        std::string folded;
        for (size_t i = begin; i < end; ++i) {
            PlannedEntry& entry = plan_.entries[i];
            block.reader->Read(i, facts);
            if (ComposeName(facts.name, name)) {
                block.recomposed.emplace_back(i, hash(facts.name));
            }
            path.path.clear();
            try {
                NormaliseEntryName(name, path);
                entry.renamed = FitNameRules(nameRules_, path.path);
                entry.kind = facts.kind == EntryKind::File && path.namesFolder ? EntryKind::Folder
                                                                               : facts.kind;
                if (path.path.empty() && entry.kind != EntryKind::Folder) {
                    throw EntryFailure(Reason::kNameHasNoFileName);
                }
                names_[i] = {hash(path.path), static_cast<uint32_t>(i)};
                if (entry.kind == EntryKind::File) {
                    CaseFold(path.path, folded);
                    foldedHashes_[i] = hash(folded);
                }
                entry.mode = static_cast<uint16_t>(
                    (entry.kind == EntryKind::File && !facts.executable ? 0644 : 0755) & ~umask_);
                entry.modificationTime = facts.modificationTime;
                if (entry.kind != EntryKind::Folder) {
                    CheckReadable(facts, entry.kind);
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
    const NameRules nameRules_;
    ExtractionPlan plan_;
    Reasons refusals_;                    // but for names that come twice
    Spellings recomposed_;                // by rising index
    std::vector<size_t> inAnotherForm_;   // the names that come twice in another form
    std::vector<NameKey> names_;          // by index: the entries whose names were understood
    std::vector<uint64_t> foldedHashes_;  // by index, of the files' case-folded names
};

EntryPlanner::EntryPlanner(mode_t umask, const NameRules& names)
    : planner_(std::make_unique<Planner>(umask, names)) {}

EntryPlanner::~EntryPlanner() = default;

void EntryPlanner::Reserve(size_t expected, size_t nameBytesAtMost) {
    planner_->Reserve(expected, nameBytesAtMost);
}

void EntryPlanner::PlanEntries(size_t first, size_t end, const ReaderMaker& makeReader) {
    planner_->PlanEntries(first, end, makeReader);
}

ExtractionPlan EntryPlanner::Finish() {
    return planner_->Finish();
}

std::string ExtractionPlan::Name(size_t index) const {
    const auto other = std::lower_bound(
        otherNames.begin(), otherNames.end(), index,
        [](const std::pair<size_t, std::string>& name, size_t at) { return name.first < at; });
    if (other != otherNames.end() && other->first == index) {
        return other->second;
    }
    return std::string(paths[index]);
}

}  // namespace sevenzip32
