#include "SettingsFile.h"

#include <fcntl.h>
#include <unistd.h>

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

// Written beside the file under another name, then renamed over it: a program killed
// while saving, or a full disk, leaves the previous settings whole.
void SaveSettings(const std::filesystem::path& file, const Settings& settings) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::weakly_canonical(file, error);
    if (error) {
        return;
    }
    const std::filesystem::path temporary = target.string() + ".new";
    const std::string text = settings.WatchFolder + "\r\n" + settings.WatchInterval + "\r\n" +
                             settings.DeleteSource + "\r\n";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    const bool written =
        ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
        ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
    }
}
