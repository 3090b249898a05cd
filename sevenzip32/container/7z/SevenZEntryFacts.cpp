#include "SevenZEntryFacts.h"

#include <sys/stat.h>

#include "Utf8.h"

namespace sevenzip32::sevenz {
namespace {

constexpr uint32_t kFolderAttribute = 0x10;
constexpr uint32_t kUnixModeAbove = 0x8000;
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr uint64_t kTicksASecond = 10000000;

}  // namespace

void SevenZEntryFacts::Read(size_t entry, EntryFacts& facts) {
    const FileEntry& file = files_[entry];
    Utf16ToUtf8(file.name, facts.name);
    const uint32_t attributes = file.attributes.value_or(0);
    const mode_t unixMode = (attributes & kUnixModeAbove) != 0 ? attributes >> 16 : 0;
    facts.kind = S_ISLNK(unixMode) && file.hasStream ? EntryKind::Link
                 : file.isFolder || S_ISDIR(unixMode) || (attributes & kFolderAttribute) != 0
                     ? EntryKind::Folder
                     : EntryKind::File;
    facts.executable = (unixMode & 0111) != 0;
    facts.modificationTime =
        file.modificationTime
            ? static_cast<int64_t>(*file.modificationTime / kTicksASecond) - kSecondsFrom1601To1970
            : 0;
    facts.size = sizes_[entry];
    facts.unreadable = unreadable_[entry];
    if (file.isAnti) {
        facts.unreadable = EntryFailure(Reason::kUnsupportedMethod, "anti-item");
    }
}

}  // namespace sevenzip32::sevenz
