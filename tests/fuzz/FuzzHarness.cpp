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
#include "Crc32.h"

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

// A 7z archive's two CRCs made to fit what the fuzzer changed, the header's and that of
// the fields that say where it is, so that changes to the header reach its reader rather
// than its check; whatever else the bytes are, they stay as they are.
std::string WithSevenZChecksMended(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    constexpr std::string_view kSignature("7z\xBC\xAF\x27\x1C", 6);
    constexpr size_t kStart = 32;
    if (size < kStart || !bytes.starts_with(kSignature)) {
        return bytes;
    }
    auto* fields = reinterpret_cast<uint8_t*>(bytes.data());
    uint64_t offset = 0;
    uint64_t length = 0;
    for (int i = 7; i >= 0; --i) {
        offset = offset << 8 | fields[12 + i];
        length = length << 8 | fields[20 + i];
    }
    const auto put32 = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            fields[at + i] = static_cast<uint8_t>(value >> (8 * i));
        }
    };
    if (offset <= size - kStart && length <= size - kStart - offset) {
        put32(28, sevenzip32::UpdateCrc32(0, {fields + kStart + offset, length}));
    }
    put32(8, sevenzip32::UpdateCrc32(0, {fields + 12, 20}));
    return bytes;
}

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
        const std::string bytes = WithSevenZChecksMended(data, size);
        std::ofstream file(archive, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
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
