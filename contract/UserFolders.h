// Where Kesto keeps what is the user's, by the XDG rule, for the program and the
// extraction library alike: under $XDG_CONFIG_HOME or $XDG_CACHE_HOME where that is an
// absolute path, else under ~/.config or ~/.cache where $HOME is one; nowhere when neither
// is, rather than in whatever folder the program happened to start in.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace contract {

// variable's folder, else homeFolder below $HOME, with "kesto" below it.
inline std::optional<std::filesystem::path> KestoFolder(const char* variable,
                                                        const char* homeFolder) {
    const char* set = std::getenv(variable);
    if (set != nullptr && set[0] == '/') {
        return std::filesystem::path(set) / "kesto";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::filesystem::path(home) / homeFolder / "kesto";
    }
    return std::nullopt;
}

// $XDG_CONFIG_HOME/kesto, by default ~/.config/kesto: the settings, the passwords.
inline std::optional<std::filesystem::path> ConfigFolder() {
    return KestoFolder("XDG_CONFIG_HOME", ".config");
}

// $XDG_CACHE_HOME/kesto, by default ~/.cache/kesto: the records of extractions.
inline std::optional<std::filesystem::path> CacheFolder() {
    return KestoFolder("XDG_CACHE_HOME", ".cache");
}

// The passwords the user keeps, one a line, the only place a password is ever written.
inline std::optional<std::filesystem::path> PasswordListPath() {
    const auto folder = ConfigFolder();
    return folder ? std::optional(*folder / "passwords.txt") : std::nullopt;
}

}  // namespace contract
