// The full path of the running executable.
#pragma once

#include <filesystem>

namespace platform {

std::filesystem::path ExecutablePath();

}  // namespace platform
