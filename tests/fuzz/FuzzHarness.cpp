#include "FuzzHarness.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <variant>
#include <vector>

#include "ArchiveRecipe.h"
#include "CommandLine.h"

extern "C" int SevenZip(uint32_t ownerWindow, const char* commandLine, char* output,
                        uint32_t outputSize);

namespace {

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// Everything below root except the archive and the output folder's own contents.
bool OnlyTheArchiveAndTheOutputFolder(const std::filesystem::path& root) {
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        if (entry.path().filename() != "work") {
            return false;
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(root / "work")) {
        const auto name = entry.path().filename();
        if (name != "input.zip" && name != "out" && !name.string().starts_with("input.z")) {
            return false;
        }
    }
    return true;
}

// The passwords the recipes encrypt with, listed where the library looks for them, in a
// folder of the process's own that goes with it.
class ListedPasswords {
  public:
    ListedPasswords() : folder_(std::filesystem::temp_directory_path() / "kesto-fuzz-XXXXXX") {
        std::string pattern = folder_.string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder_ = pattern;
        std::filesystem::create_directories(folder_ / "kesto");
        std::ofstream list(folder_ / "kesto/passwords.txt");
        for (const char* password : kListedPasswords) {
            list << password << "\n";
        }
        ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
    }
    ~ListedPasswords() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

  private:
    std::filesystem::path folder_;
};

}  // namespace

void ExtractArchiveBytes(const uint8_t* data, size_t size, const std::filesystem::path& root,
                         uint32_t reportSize, const std::vector<std::string>& volumes) {
    static const ListedPasswords passwords;
    const std::filesystem::path work = root / "work";
    const std::filesystem::path archive = work / "input.zip";
    const std::filesystem::path out = work / "out";
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(out);
    for (size_t disk = 0; disk < volumes.size(); ++disk) {
        if (!volumes[disk].empty()) {
            const std::string number = std::to_string(disk + 1);
            std::ofstream((work / ("input.z" + std::string(number.size() < 2 ? "0" : "") + number)),
                          std::ios::binary)
                << volumes[disk];
        }
    }
    {
        std::ofstream file(archive, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const std::string commandLine =
        "x -r -hide -aoa -y " + Quoted(archive.string()) + " -o" + Quoted(out.string() + "/");
    std::vector<char> report(reportSize + 16, '\x7F');
    SevenZip(0, commandLine.c_str(), report.data(), reportSize);
    const bool terminated =
        reportSize == 0 || std::memchr(report.data(), '\0', reportSize) != nullptr;
    const bool withinBuffer =
        std::all_of(report.begin() + reportSize, report.end(), [](char c) { return c == '\x7F'; });
    if (!terminated || !withinBuffer || !OnlyTheArchiveAndTheOutputFolder(root)) {
        std::abort();
    }
}

void ParseCommandLineBytes(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto parsed = sevenzip32::ParseCommandLine(text);
    if (const auto* request = std::get_if<sevenzip32::ExtractRequest>(&parsed)) {
        if (request->archivePath.empty() || request->outputFolder.empty()) {
            std::abort();
        }
    }
}
