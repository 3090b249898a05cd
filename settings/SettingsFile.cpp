#include "SettingsFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

#include "ExecutablePath.h"
#include "UserFolders.h"

std::filesystem::path SettingsFilePath() {
    return std::filesystem::path(platform::ExecutablePath()).replace_extension(".ini");
}

std::optional<std::filesystem::path> UserSettingsFilePath() {
    const auto folder = contract::ConfigFolder();
    return folder ? std::optional(*folder / "kesto.ini") : std::nullopt;
}

SettingsFiles ChooseSettingsFiles(const std::filesystem::path& besideProgram,
                                  const std::optional<std::filesystem::path>& ofUser) {
    const bool besideWritable = ::access(besideProgram.c_str(), F_OK) == 0
                                    ? ::access(besideProgram.c_str(), W_OK) == 0
                                    : ::access(besideProgram.parent_path().c_str(), W_OK) == 0;
    if (besideWritable || !ofUser) {
        return {besideProgram, besideProgram};
    }
    return {::access(ofUser->c_str(), F_OK) == 0 ? *ofUser : besideProgram, *ofUser};
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

namespace {

bool SayNotSaved(const std::filesystem::path& file, const std::string& reason) {
    std::cerr << "kesto: the settings could not be saved to " << file << ": " << reason << "\n";
    return false;
}

}  // namespace

// Written beside the file under another name, then renamed over it: a program killed
// while saving, or a full disk, leaves the previous settings whole.
bool SaveSettings(const std::filesystem::path& file, const Settings& settings) {
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    const std::filesystem::path target = std::filesystem::weakly_canonical(file, error);
    if (error) {
        return SayNotSaved(file, error.message());
    }
    const std::filesystem::path temporary = target.string() + ".new";
    const std::string text = settings.WatchFolder + "\r\n" + settings.WatchInterval + "\r\n" +
                             settings.DeleteSource + "\r\n";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return SayNotSaved(file, std::strerror(errno));
    }
    const bool written =
        ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
        ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        const int failure = errno;
        ::unlink(temporary.c_str());
        return SayNotSaved(file, std::strerror(failure));
    }
    return true;
}
