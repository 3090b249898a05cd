#include "ExtractionFixture.h"

#include <cstdint>
#include <vector>

extern "C" int SevenZip(uint32_t ownerWindow, const char* commandLine, char* output,
                        uint32_t outputSize);

ExtractionResult ExtractionTest::RunCommandLine(const std::string& commandLine,
                                                unsigned outputSize) {
    std::vector<char> output(outputSize + 16, '\x7F');
    ExtractionResult result;
    result.status = SevenZip(0, commandLine.c_str(), output.data(), outputSize);
    // The library must stop at the size it was given.
    for (size_t i = outputSize; i < output.size(); ++i) {
        EXPECT_EQ(output[i], '\x7F') << "wrote past the output buffer";
    }
    if (outputSize > 0) {
        result.report.assign(output.data());
    }
    return result;
}

ExtractionResult ExtractionTest::ExtractInto(const std::string& archiveBytes,
                                             const std::string& outputFolder) {
    WriteWholeFile(ArchivePath(), archiveBytes);
    return RunCommandLine("x -r -hide -aoa -y " + QuoteForCommandLine(ArchivePath()) + " -o" +
                          QuoteForCommandLine(outputFolder));
}

std::set<std::string> ExtractionTest::Tree(const std::string& root) {
    std::set<std::string> paths;
    for (auto it = std::filesystem::recursive_directory_iterator(root);
         it != std::filesystem::recursive_directory_iterator(); ++it) {
        std::string relative = it->path().lexically_relative(root).string();
        if (it->is_directory() && !it->is_symlink()) {
            relative += "/";
        }
        paths.insert(relative);
    }
    return paths;
}

std::set<std::string> ExtractionTest::EverythingWritten() const {
    std::set<std::string> paths = Tree(folder_.Path().string());
    paths.erase("archive.zip");
    paths.erase("out/");
    return paths;
}

void ToolArchiveTest::SetUp() {
    ExtractionTest::SetUp();
    ::setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (folder_ / "cache").c_str(), 1);
    for (const auto& [name, contents] : SourceFiles()) {
        std::filesystem::create_directories((Source() / name).parent_path());
        WriteWholeFile(Source() / name, contents);
    }
}

void ToolArchiveTest::KeepPasswords(const std::string& text) {
    std::filesystem::create_directories(folder_ / "config/kesto");
    WriteWholeFile(ListPath(), text);
}

void ToolArchiveTest::EmptyOutput() {
    std::filesystem::remove_all(OutputFolder());
    std::filesystem::create_directory(OutputFolder());
}

ExtractionResult ToolArchiveTest::ExtractArchiveAt(const std::string& path) {
    return RunCommandLine("x -r -hide -aoa -y " + QuoteForCommandLine(path) + " -o" +
                          QuoteForCommandLine(OutputFolder() + "/"));
}
