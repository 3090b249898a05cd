#include "SettingsFile.h"

#include <fstream>
#include <iterator>

#include "ExecutablePath.h"

std::filesystem::path SettingsFilePath() {
    return std::filesystem::path(platform::ExecutablePath()).replace_extension(".ini");
}

void LoadSettings(const std::filesystem::path& file, Settings& settings) {
    std::ifstream input(file, std::ios::binary);
    if (!input) {
        return;
    }
    const std::string text((std::istreambuf_iterator<char>(input)),
                           std::istreambuf_iterator<char>());
    if (input.bad()) {
        return;
    }
    std::string* const fields[] = {&settings.WatchFolder, &settings.WatchInterval,
                                   &settings.DeleteSource};
    // At least one line is read, so an empty file gives an empty watch folder.
    size_t lineIndex = 0;
    size_t start = 0;
    do {
        size_t end = text.find('\n', start);
        const size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos) {
            end = text.size();
        } else if (end > start && text[end - 1] == '\r') {
            --end;
        }
        if (lineIndex < std::size(fields)) {
            *fields[lineIndex] = text.substr(start, end - start);
        }
        ++lineIndex;
        start = next;
    } while (start < text.size());
}

void SaveSettings(const std::filesystem::path& file, const Settings& settings) {
    std::ofstream output(file, std::ios::binary | std::ios::trunc);
    output << settings.WatchFolder << "\r\n"
           << settings.WatchInterval << "\r\n"
           << settings.DeleteSource << "\r\n";
}
