// Runs the library's entry point on archives the tests make, and looks at what it wrote.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "../FileContents.h"
#include "../TemporaryFolder.h"
#include "ZipBuilder.h"
#include "qeArchiever7ZIP.h"

struct ExtractionResult {
    int status = -1;
    std::string report;
};

class ExtractionTest : public ::testing::Test {
  protected:
    void SetUp() override { std::filesystem::create_directory(OutputFolder()); }

    std::string OutputFolder() const { return folder_ / "out"; }
    std::string Output(const std::string& relative) const {
        return OutputFolder() + "/" + relative;
    }
    std::string ArchivePath() const { return folder_ / "archive.zip"; }

    ExtractionResult RunCommandLine(const std::string& commandLine, unsigned outputSize = 8192);
    ExtractionResult ExtractInto(const std::string& archiveBytes, const std::string& outputFolder);
    ExtractionResult Extract(const std::string& archiveBytes) {
        return ExtractInto(archiveBytes, OutputFolder() + "/");
    }

    // Every path below root, relative to it; folders end with "/".
    static std::set<std::string> Tree(const std::string& root);
    // Everything written anywhere in the test's folder except the archive itself.
    std::set<std::string> EverythingWritten() const;

    TemporaryFolder folder_;
};

// Tests of archives the common tools make from a tree of files, with a password list and
// records of the test's own.
class ToolArchiveTest : public ExtractionTest {
  protected:
    void SetUp() override;
    // The tree the archives are made of: contents by name.
    virtual const std::map<std::string, std::string>& SourceFiles() const = 0;

    std::filesystem::path Source() const { return folder_.Path() / "source"; }
    std::string ListPath() const { return folder_ / "config/kesto/passwords.txt"; }
    void KeepPasswords(const std::string& text);
    void EmptyOutput();
    ExtractionResult ExtractArchiveAt(const std::string& path);
};

// The library is handed paths quoted as the program quotes them.
inline std::string QuoteForCommandLine(const std::string& path) {
    return TqeArchiever7ZIP::QuotePath(path);
}
