// The library takes exactly the command line the binding builds, and refuses all else
// without touching the disk.
#include <gmock/gmock.h>

#include "CommandLine.h"
#include "ExtractionFixture.h"

using sevenzip32::CommandLineError;
using sevenzip32::ExtractRequest;
using sevenzip32::ParseCommandLine;

namespace {

struct Accepted {
    const char* commandLine;
    const char* archive;
    const char* folder;
};

void PrintTo(const Accepted& row, std::ostream* out) {
    *out << row.commandLine;
}

class AcceptedCommandLine : public ::testing::TestWithParam<Accepted> {};

}  // namespace

TEST_P(AcceptedCommandLine, YieldsTheArchiveAndTheFolder) {
    auto parsed = ParseCommandLine(GetParam().commandLine);
    ASSERT_TRUE(std::holds_alternative<ExtractRequest>(parsed))
        << std::get<CommandLineError>(parsed).Text();
    EXPECT_EQ(std::get<ExtractRequest>(parsed).archivePath, GetParam().archive);
    EXPECT_EQ(std::get<ExtractRequest>(parsed).outputFolder, GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, AcceptedCommandLine,
    ::testing::Values(Accepted{R"(x -r -hide -aoa -y "/in/a.zip" -o"/in/")", "/in/a.zip", "/in/"},
                      Accepted{R"(x -r -hide -aoa -y "/in/my ""best"".zip" -o"/in/")",
                               "/in/my \"best\".zip", "/in/"},
                      Accepted{R"(x -r -hide -aoa -y "/in/ends with quote""" -o"/a ""b""/")",
                               "/in/ends with quote\"", "/a \"b\"/"},
                      Accepted{R"(x -y -aoa -hide -r /plain.zip -o/out)", "/plain.zip", "/out"}));

TEST(RefusedCommandLine, GivesOneLineOfReason) {
    for (const char* commandLine : {
             "",
             R"(e -r -hide -aoa -y "a.zip" -o"/out/")",
             R"(x -r -hide -aoa "a.zip" -o"/out/")",
             R"(x -r -hide -aoa -y -y "a.zip" -o"/out/")",
             R"(x -r -hide -aoa -y -p"secret" "a.zip" -o"/out/")",
             R"(x -r -hide -aoa -y "a.zip" "b.zip" -o"/out/")",
             R"(x -r -hide -aoa -y "a.zip" -o"/out/" -o"/other/")",
             R"(x -r -hide -aoa -y "a.zip")",
             R"(x -r -hide -aoa -y "a.zip" -o"")",
             R"(x -r -hide -aoa -y -o"/out/")",
             R"(x -r -hide -aoa -y "a.zip -o"/out/")",
         }) {
        auto parsed = ParseCommandLine(commandLine);
        ASSERT_TRUE(std::holds_alternative<CommandLineError>(parsed)) << commandLine;
        EXPECT_FALSE(std::get<CommandLineError>(parsed).Text().empty());
    }
}

TEST_F(ExtractionTest, ARefusedCommandLineWritesNothingAndSaysWhyOnOneLine) {
    WriteWholeFile(ArchivePath(), testzip::Archive({testzip::File("a.txt", "a")}));
    auto result = RunCommandLine("x -r -hide -y " + QuoteForCommandLine(ArchivePath()) + " -o" +
                                 QuoteForCommandLine(OutputFolder()));
    EXPECT_EQ(result.status, 3);
    EXPECT_THAT(result.report, ::testing::StartsWith("Command line refused: "));
    EXPECT_EQ(std::count(result.report.begin(), result.report.end(), '\n'), 1);
    EXPECT_TRUE(EverythingWritten().empty());
}
