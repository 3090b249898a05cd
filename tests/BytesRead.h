// How many bytes this process has read, for tests that a pass reads nothing it need not.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

// Bytes this process has read through read() and its kin, as the kernel counts them.
inline uint64_t BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") {
            return value;
        }
    }
    return 0;
}
