// Runs one pass over a watch folder, as a click on the one-shot button does:
//   scan-driver FOLDER DELETE_SOURCE [--measure]
// With --measure it prints the pass's wall time in milliseconds and the kibibytes it read
// from the disk, counted around the pass alone.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "WatchFolderScan.h"

namespace {

long long BytesReadFromDisk() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "read_bytes:") {
            return value;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool measure = argc == 4 && std::strcmp(argv[3], "--measure") == 0;
    if (argc != 3 && !measure) {
        std::fprintf(stderr, "usage: %s FOLDER DELETE_SOURCE [--measure]\n", argv[0]);
        return 64;
    }
    const long long readBefore = BytesReadFromDisk();
    const auto start = std::chrono::steady_clock::now();
    ScanWatchFolder(argv[1], argv[2], 0);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (measure) {
        std::printf("%lld %lld\n",
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()),
                    (BytesReadFromDisk() - readBefore) / 1024);
    }
    return 0;
}
