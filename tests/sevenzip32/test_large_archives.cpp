// An archive of a million entries extracts in memory that does not grow with the
// archive's size beyond a little for each entry.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "../TemporaryFolder.h"

extern "C" int SevenZip(uint32_t ownerWindow, const char* commandLine, char* output,
                        uint32_t outputSize);

namespace {

constexpr uint32_t kEntries = 1'000'000;
constexpr uint32_t kPerFolder = 500;
constexpr uint64_t kMostBytesAnEntry = 160;

void Put16(std::string& out, uint16_t value) {
    out.append({static_cast<char>(value), static_cast<char>(value >> 8)});
}
void Put32(std::string& out, uint32_t value) {
    Put16(out, static_cast<uint16_t>(value));
    Put16(out, static_cast<uint16_t>(value >> 16));
}

// Writes count stored, empty files to path as it goes: a builder holding the whole
// archive would leave its memory behind in this process. The classic count wraps, as
// the format allows.
void WriteEmptyFiles(const std::string& path, uint32_t count) {
    std::ofstream out(path, std::ios::binary);
    std::string local;
    std::string central;
    uint32_t offset = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const std::string name =
            "tree/d" + std::to_string(i / kPerFolder) + "/f" + std::to_string(i) + ".txt";
        local.clear();
        Put32(local, 0x04034b50);
        for (uint16_t field : {20, 0, 0, 0, 0x5821}) {  // version, flags, method, time, date
            Put16(local, field);
        }
        for (uint32_t field : {0u, 0u, 0u}) {  // CRC and both sizes
            Put32(local, field);
        }
        Put16(local, static_cast<uint16_t>(name.size()));
        Put16(local, 0);
        local += name;
        out << local;
        Put32(central, 0x02014b50);
        for (uint16_t field : {3 << 8 | 20, 20, 0, 0, 0, 0x5821}) {
            Put16(central, field);
        }
        for (uint32_t field : {0u, 0u, 0u}) {
            Put32(central, field);
        }
        for (uint16_t field : {static_cast<uint16_t>(name.size()), uint16_t{0}, uint16_t{0},
                               uint16_t{0}, uint16_t{0}}) {
            Put16(central, field);
        }
        Put32(central, 0100644u << 16);
        Put32(central, offset);
        central += name;
        offset += static_cast<uint32_t>(local.size());
    }
    out << central;
    std::string end;
    Put32(end, 0x06054b50);
    for (uint16_t field :
         {uint16_t{0}, uint16_t{0}, static_cast<uint16_t>(count), static_cast<uint16_t>(count)}) {
        Put16(end, field);
    }
    Put32(end, static_cast<uint32_t>(central.size()));
    Put32(end, offset);
    Put16(end, 0);
    out << end;
}

// A line of /proc/self/status, in KiB.
uint64_t StatusKib(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::stoull(line.substr(field.size() + 1));
        }
    }
    return 0;
}

}  // namespace

TEST(LargeArchive, AMillionEntriesTakeAFewBytesEachAtMost) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's own bookkeeping would be measured";
#endif
    if (!std::filesystem::is_directory("/dev/shm")) {
        GTEST_SKIP() << "no tmpfs at /dev/shm";
    }
    TemporaryFolder folder("/dev/shm");
    const std::string archive = folder / "million.zip";
    const std::string output = folder / "out";
    std::filesystem::create_directory(output);
    WriteEmptyFiles(archive, kEntries);
    // The record of the extraction goes with the folder.
    ::setenv("XDG_CACHE_HOME", (folder / "cache").c_str(), 1);

    // Writing 5 resets the peak of the resident set to what is resident now.
    std::ofstream("/proc/self/clear_refs") << "5";
    const uint64_t before = StatusKib("VmRSS");
    std::string report(4096, '\0');
    const std::string commandLine = "x -r -hide -aoa -y \"" + archive + "\" -o\"" + output + "/\"";
    const int status = SevenZip(0, commandLine.c_str(), report.data(), report.size());
    const uint64_t peak = StatusKib("VmHWM");

    EXPECT_EQ(status, 0) << report.c_str();
    EXPECT_NE(report.find("Extracted 1000000 files, 0 folders"), std::string::npos)
        << report.c_str();
    EXPECT_GT(peak, before);
    EXPECT_LT((peak - before) * 1024, kEntries * kMostBytesAnEntry)
        << "peak " << peak << " KiB, " << before << " KiB before";
    EXPECT_TRUE(std::filesystem::is_regular_file(output + "/tree/d1999/f999999.txt"));
}
