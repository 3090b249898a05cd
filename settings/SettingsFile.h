// The settings file beside the executable: three lines, the watch folder, the interval
// in seconds and the delete option, each kept as the text it is.
#pragma once

#include <filesystem>
#include <string>

struct Settings {
    std::string WatchFolder;
    std::string WatchInterval;
    std::string DeleteSource;
};

// The executable's path with its extension replaced by ".ini".
std::filesystem::path SettingsFilePath();

// Reads the three lines into settings; a missing or unreadable file leaves the fields
// not yet read as they were. The defaults for texts that are not integers are the
// caller's to apply, between its other start-up steps.
void LoadSettings(const std::filesystem::path& file, Settings& settings);

// Writes the three lines, each ended by CR LF; a file that cannot be written is skipped.
void SaveSettings(const std::filesystem::path& file, const Settings& settings);
