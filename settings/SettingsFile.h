// The settings file: three lines, the watch folder, the interval in seconds and the
// delete option, each kept as the text it is. It lives beside the executable, so that a
// copy of the program in a folder of its own carries its settings; where that place
// cannot be written (a system-wide install), in the user's configuration folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

struct Settings {
    std::string WatchFolder;
    std::string WatchInterval;
    std::string DeleteSource;
};

// The executable's path with its extension replaced by ".ini".
std::filesystem::path SettingsFilePath();

// $XDG_CONFIG_HOME/kesto/kesto.ini, by default ~/.config/kesto/kesto.ini; nothing where
// the user has no configuration folder (contract/UserFolders.h).
std::optional<std::filesystem::path> UserSettingsFilePath();

struct SettingsFiles {
    std::filesystem::path load;
    std::filesystem::path save;
};

// Beside the program when that file can be written (it exists and is writable, or its
// folder is) or the user has no file of their own; else the user's file, which a readable
// file beside the program seeds until the user's file exists.
SettingsFiles ChooseSettingsFiles(const std::filesystem::path& besideProgram,
                                  const std::optional<std::filesystem::path>& ofUser);

// Reads the three lines into settings; a missing or unreadable file leaves the fields
// not yet read as they were. The defaults for texts that are not integers are the
// caller's to apply, between its other start-up steps.
void LoadSettings(const std::filesystem::path& file, Settings& settings);

// Writes the three lines, each ended by CR LF, creating the file's folder where missing.
// A file that cannot be written is said so on standard error, and false returned.
bool SaveSettings(const std::filesystem::path& file, const Settings& settings);
