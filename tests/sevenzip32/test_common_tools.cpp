// Archives written by the common tools extract completely and byte for byte.
#include <cstdlib>
#include <map>

#include "ExtractionFixture.h"

namespace {

struct Tool {
    const char* name;
    const char* command;  // run inside the source folder; writes the archive at $ARCHIVE
};

const Tool kTools[] = {
    {"bsdtar", "bsdtar -a -cf \"$ARCHIVE\" ."},
    {"zip", "zip -qr \"$ARCHIVE\" ."},
    {"python", "python3 -m zipfile -c \"$ARCHIVE\" *"},
    {"7zz", "7zz a -tzip -bd -bso0 \"$ARCHIVE\" ."},
    {"7zz_deflate_multithreaded", "7zz a -tzip -mmt=2 -bd -bso0 \"$ARCHIVE\" ."},
    {"7zz_bzip2", "7zz a -tzip -mm=BZip2 -bd -bso0 \"$ARCHIVE\" ."},
    {"7zz_lzma", "7zz a -tzip -mm=LZMA -bd -bso0 \"$ARCHIVE\" ."},
    {"7zz_xz", "7zz a -tzip -mm=XZ -bd -bso0 \"$ARCHIVE\" ."},
    {"7zz_deflate64", "7zz a -tzip -mm=Deflate64 -bd -bso0 \"$ARCHIVE\" ."},
    {"7zz_deflate64_ultra", "7zz a -tzip -mm=Deflate64 -mx=9 -bd -bso0 \"$ARCHIVE\" ."},
    {"python_lzma",
     "python3 -c \"import os, zipfile\n"
     "with zipfile.ZipFile(os.environ['ARCHIVE'], 'w', zipfile.ZIP_LZMA) as z:\n"
     "    for folder, _, names in os.walk('.'):\n"
     "        for name in names: z.write(os.path.join(folder, name))\""},
};

std::string Compressible(size_t size) {
    std::string text;
    for (size_t i = 0; text.size() < size; ++i) {
        text += "line " + std::to_string(i * 7919 % 1000) + " of the archive\n";
    }
    return text.substr(0, size);
}

// A block of noise repeated: matches 48 KiB back and far longer than 258 bytes, which
// only Deflate64's wider distances and lengths can say in one go.
std::string RepeatedNoise() {
    std::string block(48 * 1024, '\0');
    uint32_t state = 2463534242u;
    for (char& c : block) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        c = static_cast<char>(state);
    }
    std::string repeated;
    for (int i = 0; i < 8; ++i) {
        repeated += block;
    }
    return repeated;
}

}  // namespace

TEST_F(ExtractionTest, ArchivesOfTheCommonToolsExtractExactly) {
    const std::filesystem::path source = folder_ / "source";
    const std::map<std::string, std::string> files = {
        {"readme.txt", "hello\n"},
        {"empty", ""},
        {"docs/big.txt", Compressible(3 * 1024 * 1024)},
        {"docs/repeats.bin", RepeatedNoise()},
        {"docs/deeper/日本語.txt", "名前"},
    };
    for (const auto& [name, contents] : files) {
        std::filesystem::create_directories((source / name).parent_path());
        WriteWholeFile(source / name, contents);
    }
    for (const Tool& tool : kTools) {
        const std::string archive = folder_ / (std::string(tool.name) + ".zip");
        const std::string command = "cd '" + source.string() + "' && export ARCHIVE='" + archive +
                                    "' && " + tool.command + " >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << tool.name;
        std::filesystem::remove_all(OutputFolder());
        std::filesystem::create_directory(OutputFolder());
        auto result = RunCommandLine("x -r -hide -aoa -y " + QuoteForCommandLine(archive) + " -o" +
                                     QuoteForCommandLine(OutputFolder() + "/"));
        EXPECT_EQ(result.status, 0) << tool.name << ":\n" << result.report;
        for (const auto& [name, contents] : files) {
            EXPECT_EQ(ReadWholeFile(Output(name)), contents) << tool.name << ": " << name;
        }
    }
}

TEST_F(ExtractionTest, ZstandardEntriesExtract) {
    const std::string text = Compressible(200 * 1024);
    WriteWholeFile(folder_ / "plain", text);
    const std::string command =
        "zstd -q -19 -c '" + (folder_ / "plain") + "' > '" + (folder_ / "plain.zst") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    testzip::Entry entry = testzip::File("text.txt", text);
    entry.method = 93;
    entry.compressedOverride = ReadWholeFile(folder_ / "plain.zst");
    auto result = Extract(testzip::Archive({entry}));
    EXPECT_EQ(result.status, 0) << result.report;
    EXPECT_EQ(ReadWholeFile(Output("text.txt")), text);
}
