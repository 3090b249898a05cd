// The names of our temporaries: made unique to this process and extraction, and told
// apart from anything else a folder holds.
#pragma once

#include <string>
#include <string_view>

namespace sevenzip32 {

// A name no other file in the folder has, for creating something before renaming it.
std::string NewTemporaryName();

// True for the names NewTemporaryName makes, in this process or any other.
bool IsTemporaryName(std::string_view name);

}  // namespace sevenzip32
