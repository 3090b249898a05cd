// The settings file: three lines in, three lines out, whatever state the file is in.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../FileContents.h"
#include "../TemporaryFolder.h"
#include "IntegerText.h"
#include "SettingsFile.h"
#include "UserFolders.h"

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

TEST(SaveSettings, CreatesTheFoldersOfTheFile) {
    TemporaryFolder folder;
    EXPECT_TRUE(SaveSettings(folder / "config/kesto/kesto.ini", Settings{"a", "5", "0"}));
    EXPECT_EQ(ReadWholeFile(folder / "config/kesto/kesto.ini"), "a\r\n5\r\n0\r\n");
}

TEST(SaveSettings, AFileThatCannotBeWrittenIsSaidSoOnStandardError) {
    TemporaryFolder folder;
    WriteWholeFile(folder / "file", "");
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveSettings(folder / "file/kesto.ini", Settings{"a", "5", "0"}));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("could not be saved"),
              std::string::npos);
}

TEST(UserSettingsFilePath, FollowsXdgConfigHomeElseHome) {
    ::setenv("HOME", "/home/someone", 1);
    ::setenv("XDG_CONFIG_HOME", "/elsewhere/config", 1);
    EXPECT_EQ(UserSettingsFilePath(), "/elsewhere/config/kesto/kesto.ini");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(UserSettingsFilePath(), "/home/someone/.config/kesto/kesto.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserSettingsFilePath(), "/home/someone/.config/kesto/kesto.ini");
    // Without a folder of the user's, the settings stay beside the program, and there is
    // no list of passwords for the dialog to write while the library reads another.
    for (const char* home : {"relative/home", ""}) {
        ::setenv("HOME", home, 1);
        EXPECT_EQ(UserSettingsFilePath(), std::nullopt) << home;
        EXPECT_EQ(contract::PasswordListPath(), std::nullopt) << home;
        EXPECT_EQ(ChooseSettingsFiles("/beside/kesto.ini", UserSettingsFilePath()).save,
                  "/beside/kesto.ini");
    }
    ::setenv("HOME", "/home/someone", 1);
}

// Where the program's folder can or cannot be written, as an ordinary user finds it: as
// root, the choice is made in a child that has become nobody.
TEST(ChooseSettingsFiles, BesideTheProgramWhereWritableElseTheUsersFile) {
    TemporaryFolder folder;
    std::filesystem::permissions(folder.Path(), std::filesystem::perms(0755));
    const std::filesystem::path user = folder / "user/kesto.ini";
    struct Row {
        const char* name;
        bool folderWritable;
        bool besideExists, besideWritable, userExists;
        bool loadBeside, saveBeside;
    };
    const Row rows[] = {
        {"a portable copy", true, false, false, false, true, true},
        {"its file writable in a read-only folder", false, true, true, false, true, true},
        {"installed, first start: the file beside seeds", false, true, false, false, true, false},
        {"installed, saved once", false, true, false, true, false, false},
        {"installed, no file at all", false, false, false, false, true, false},
    };
    int number = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::filesystem::path program = folder / ("program" + std::to_string(number++));
        std::filesystem::create_directories(program);
        std::filesystem::create_directories(user.parent_path());
        std::filesystem::remove(user);
        const std::filesystem::path beside = program / "kesto.ini";
        if (row.besideExists) {
            WriteWholeFile(beside, "");
            std::filesystem::permissions(beside,
                                         std::filesystem::perms(row.besideWritable ? 0666 : 0444));
        }
        if (row.userExists) {
            WriteWholeFile(user, "");
        }
        std::filesystem::permissions(program,
                                     std::filesystem::perms(row.folderWritable ? 0777 : 0555));
        const pid_t child = ::fork();
        if (child == 0) {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                ::_exit(9);
            }
            const SettingsFiles chosen = ChooseSettingsFiles(beside, user);
            ::_exit((chosen.load == beside ? 1 : 0) | (chosen.save == beside ? 2 : 0) |
                    (chosen.save == beside || chosen.save == user ? 0 : 4));
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), (row.loadBeside ? 1 : 0) | (row.saveBeside ? 2 : 0));
        std::filesystem::permissions(program, std::filesystem::perms(0755));
    }
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
