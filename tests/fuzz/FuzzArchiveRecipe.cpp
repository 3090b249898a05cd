// libFuzzer target: bytes as a recipe for an archive of many entries (see ArchiveRecipe.h).
#include <unistd.h>

#include "ArchiveRecipe.h"
#include "FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path root = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("kesto-fuzz-recipe-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    const ArchiveRecipe cooked = CookArchive(data, size);
    ExtractArchiveBytes(reinterpret_cast<const uint8_t*>(cooked.archive.data()),
                        cooked.archive.size(), root, cooked.reportSize, cooked.volumes);
    return 0;
}
