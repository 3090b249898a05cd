// The settings file: three lines in, three lines out, whatever state the file is in.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../FileContents.h"
#include "../TemporaryFolder.h"
#include "IntegerText.h"
#include "SettingsFile.h"

namespace {

Settings Load(const std::string& path) {
    Settings settings;
    LoadSettings(path, settings);
    return settings;
}

}  // namespace

TEST(LoadSettings, ReadsLinesEndedByLfOrCrLf) {
    TemporaryFolder folder;
    struct Row {
        std::string text;
        Settings expected;
    };
    for (const Row& row : {
             Row{"/in\r\n10\r\n1\r\n", {"/in", "10", "1"}},
             Row{"/in\n10\n1", {"/in", "10", "1"}},
             Row{"/in\r\n", {"/in", "", ""}},
             Row{"/in", {"/in", "", ""}},
             Row{"", {"", "", ""}},
             Row{"\r\n\r\n", {"", "", ""}},
             Row{"a\rb\r\n5\r\n0\r\nfourth\r\nfifth\r\n", {"a\rb", "5", "0"}},
             Row{"/with spaces/ \r\n 7\r\n2\r\n", {"/with spaces/ ", " 7", "2"}},
         }) {
        WriteWholeFile(folder / "kesto.ini", row.text);
        const Settings settings = Load(folder / "kesto.ini");
        EXPECT_EQ(settings.WatchFolder, row.expected.WatchFolder) << row.text;
        EXPECT_EQ(settings.WatchInterval, row.expected.WatchInterval) << row.text;
        EXPECT_EQ(settings.DeleteSource, row.expected.DeleteSource) << row.text;
    }
}

TEST(LoadSettings, AMissingFileLeavesTheFieldsAsTheyWere) {
    TemporaryFolder folder;
    Settings settings{"kept", "", ""};
    LoadSettings(folder / "absent.ini", settings);
    EXPECT_EQ(settings.WatchFolder, "kept");
    EXPECT_EQ(settings.WatchInterval, "");
}

TEST(SaveSettings, WritesThreeCrLfLinesAndDropsLaterOnes) {
    TemporaryFolder folder;
    const std::string path = folder / "kesto.ini";
    WriteWholeFile(path, "old\r\n9\r\n1\r\nfourth line\r\n");
    Settings settings = Load(path);
    settings.WatchFolder = "/new folder";
    SaveSettings(path, settings);
    EXPECT_EQ(ReadWholeFile(path), "/new folder\r\n9\r\n1\r\n");
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
}

TEST(SaveSettings, ALinkedSettingsFileIsWrittenWhereItLeads) {
    TemporaryFolder folder;
    WriteWholeFile(folder / "elsewhere.ini", "old\r\n9\r\n1\r\n");
    std::filesystem::create_symlink(folder / "elsewhere.ini", folder / "kesto.ini");
    SaveSettings(folder / "kesto.ini", Settings{"/kept", "7", "0"});
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "kesto.ini"));
    EXPECT_EQ(ReadWholeFile(folder / "elsewhere.ini"), "/kept\r\n7\r\n0\r\n");
}

TEST(SaveSettings, AFolderThatCannotBeWrittenIsSkippedQuietly) {
    TemporaryFolder folder;
    EXPECT_NO_THROW(SaveSettings(folder / "missing/kesto.ini", Settings{"a", "5", "0"}));
    EXPECT_FALSE(std::filesystem::exists(folder / "missing/kesto.ini"));
}

TEST(SettingsFilePath, IsTheExecutableWithIni) {
    char executable[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", executable, sizeof executable - 1), 0);
    EXPECT_EQ(SettingsFilePath(), std::string(executable) + ".ini");
}

TEST(IsIntegerText, FollowsTheStandardIntegerConversion) {
    struct Row {
        const char* text;
        std::optional<int32_t> value;
    };
    for (const Row& row : {
             Row{"5", 5},
             Row{"120", 120},
             Row{"0", 0},
             Row{"007", 7},
             Row{"  42", 42},
             Row{"-3", -3},
             Row{"+8", 8},
             Row{"$1F", 31},
             Row{"x10", 16},
             Row{"X10", 16},
             Row{"0x1a", 26},
             Row{"0X1A", 26},
             Row{"-$10", -16},
             Row{"2147483647", 2147483647},
             Row{"-2147483648", INT32_MIN},
             Row{"$7FFFFFFF", 2147483647},
             Row{"", std::nullopt},
             Row{" ", std::nullopt},
             Row{"abc", std::nullopt},
             Row{"5 ", std::nullopt},
             Row{"5s", std::nullopt},
             Row{"1.5", std::nullopt},
             Row{"2147483648", std::nullopt},
             Row{"-2147483649", std::nullopt},
             Row{"$80000000", std::nullopt},
             Row{"99999999999999999999", std::nullopt},
             Row{"$", std::nullopt},
             Row{"0x", std::nullopt},
             Row{"-", std::nullopt},
             Row{"$G", std::nullopt},
             Row{"\t5", std::nullopt},
         }) {
        EXPECT_EQ(TextToInteger(row.text), row.value) << '"' << row.text << '"';
        EXPECT_EQ(IsIntegerText(row.text), row.value.has_value()) << '"' << row.text << '"';
    }
}
