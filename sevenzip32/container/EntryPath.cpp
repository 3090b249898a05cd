#include "EntryPath.h"

#include "EntryFailure.h"

namespace sevenzip32 {
namespace {

bool IsDriveLetterPart(std::string_view part) {
    return part.size() >= 2 && part[1] == ':' &&
           ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
}

// Appends the parts of name to path, joined by "/"; throws EntryFailure as
// NormaliseEntryName says.
void AppendParts(std::string_view name, EntryPath& entry) {
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            throw EntryFailure(Reason::kNameHoldsControlCharacter);
        }
    }
    if (name.empty()) {
        throw EntryFailure(Reason::kNameEmpty);
    }
    if (name.front() == '/' || name.front() == '\\') {
        throw EntryFailure(Reason::kNameIsAbsolute);
    }
    entry.namesFolder = name.back() == '/' || name.back() == '\\';
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos) {
            end = name.size();
        }
        const std::string_view part = name.substr(start, end - start);
        if (part == "..") {
            throw EntryFailure(Reason::kNameClimbsOut);
        }
        if (start == 0 && IsDriveLetterPart(part)) {
            throw EntryFailure(Reason::kNameHasDriveLetter);
        }
        if (!part.empty() && part != ".") {
            if (!entry.path.empty()) {
                entry.path += '/';
            }
            entry.path += part;
        }
        start = end + 1;
    }
    // "./", as some tools list the archive's top, names the output folder itself.
    if (entry.path.empty() && !entry.namesFolder) {
        throw EntryFailure(Reason::kNameHasNoFileName);
    }
}

}  // namespace

EntryPath NormaliseEntryName(std::string_view name) {
    EntryPath entry;
    NormaliseEntryName(name, entry);
    return entry;
}

void NormaliseEntryName(std::string_view name, EntryPath& entry) {
    entry.path.clear();
    try {
        AppendParts(name, entry);
    } catch (const EntryFailure&) {
        entry.path.clear();  // nothing half made of a refused name
        throw;
    }
}

}  // namespace sevenzip32
