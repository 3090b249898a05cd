// Every input the fuzz targets ever found, and a few of their corpus, replayed: each must
// go through the library without a crash or a broken promise.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "../TemporaryFolder.h"
#include "ArchiveRecipe.h"
#include "FuzzHarness.h"

namespace {

std::vector<std::filesystem::path> Inputs(const char* target) {
    std::vector<std::filesystem::path> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(KESTO_FUZZ_REGRESSIONS) / target)) {
        if (entry.is_regular_file() && entry.path().filename() != ".gitkeep") {
            inputs.push_back(entry.path());
        }
    }
    return inputs;
}

std::vector<uint8_t> Bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(FuzzRegressions, ArchivesGoThroughTheLibrary) {
    const auto inputs = Inputs("archive");
    ASSERT_FALSE(inputs.empty());
    TemporaryFolder root;
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.filename().string());
        const auto bytes = Bytes(input);
        ExtractArchiveBytes(bytes.data(), bytes.size(), root.Path());
    }
}

TEST(FuzzRegressions, CookedArchivesGoThroughTheLibrary) {
    const auto inputs = Inputs("archive-recipe");
    ASSERT_FALSE(inputs.empty());
    TemporaryFolder root;
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.filename().string());
        const auto bytes = Bytes(input);
        const ArchiveRecipe cooked = CookArchive(bytes.data(), bytes.size());
        ExtractArchiveBytes(reinterpret_cast<const uint8_t*>(cooked.archive.data()),
                            cooked.archive.size(), root.Path(), cooked.reportSize, cooked.volumes);
    }
}

TEST(FuzzRegressions, CommandLinesGoThroughTheParser) {
    const auto inputs = Inputs("command-line");
    ASSERT_FALSE(inputs.empty());
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.filename().string());
        const auto bytes = Bytes(input);
        ParseCommandLineBytes(bytes.data(), bytes.size());
    }
}
