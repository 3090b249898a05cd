// libFuzzer target: any bytes as an archive.
#include <unistd.h>

#include "FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path root = [] {
        auto path =
            std::filesystem::temp_directory_path() / ("kesto-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    ExtractArchiveBytes(data, size, root);
    return 0;
}
