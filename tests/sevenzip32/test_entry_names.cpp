// Entry names become safe paths; link targets are judged before any link
// is made.
#include <gtest/gtest.h>

#include "EntryFailure.h"
#include "EntryPath.h"
#include "LinkTarget.h"
#include "PathParts.h"
#include "Utf8.h"

using namespace sevenzip32;

TEST(NormaliseEntryName, NormalisesSeparatorsAndDots) {
    struct Row {
        const char* name;
        const char* path;
        bool folder;
    };
    for (const Row& row : {
             Row{"a/b/c.txt", "a/b/c.txt", false},
             Row{"a\\b\\c.txt", "a/b/c.txt", false},
             Row{"./a//./b/", "a/b", true},
             Row{"a\\", "a", true},
             Row{"dir/C:file", "dir/C:file", false},
             Row{"...", "...", false},
             Row{"..hidden", "..hidden", false},
         }) {
        const EntryPath entry = NormaliseEntryName(row.name);
        EXPECT_EQ(entry.path, row.path) << row.name;
        EXPECT_EQ(entry.namesFolder, row.folder) << row.name;
    }
    EXPECT_EQ(FolderPart("a/b/c.txt"), "a/b");
    EXPECT_EQ(LastPart("a/b/c.txt"), "c.txt");
    EXPECT_EQ(FolderPart("c.txt"), "");
    EXPECT_EQ(LastPart("c.txt"), "c.txt");
}

TEST(NormaliseEntryName, RefusesWhatCouldLeaveTheFolder) {
    for (const char* name : {"", "/", "..", "a/..", "a/../b", "../a", "\\a", "/etc/x", "D:/x",
                             "d:x", "a\tb", "a\x7f", ".", "./."}) {
        EXPECT_THROW(NormaliseEntryName(name), EntryFailure) << name;
    }
    // How some tools list the archive's top: the output folder itself.
    EXPECT_TRUE(NormaliseEntryName("./").path.empty());
}

TEST(IsValidUtf8, AcceptsOnlyWellFormedSequences) {
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("\xE8\xA7\xA3\xE5\x87\x8D"));
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("\x83\x65"));          // CP932
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE8\xA7"));          // cut short
}

TEST(CheckLinkTarget, AllowsOnlyTargetsInsideTheFolder) {
    const std::string_view top = "link";
    const std::string_view deep = "a/b/link";
    EXPECT_NO_THROW(CheckLinkTarget(top, "file"));
    EXPECT_NO_THROW(CheckLinkTarget(top, "./a/b"));
    EXPECT_NO_THROW(CheckLinkTarget(deep, "../../file"));
    EXPECT_NO_THROW(CheckLinkTarget(deep, "../x/./y"));
    EXPECT_THROW(CheckLinkTarget(top, "../file"), EntryFailure);
    EXPECT_THROW(CheckLinkTarget(deep, "../../../file"), EntryFailure);
    EXPECT_THROW(CheckLinkTarget(deep, "x/../../.."), EntryFailure);
    EXPECT_THROW(CheckLinkTarget(top, "/etc"), EntryFailure);
    EXPECT_THROW(CheckLinkTarget(top, ""), EntryFailure);
    EXPECT_THROW(CheckLinkTarget(top, "a\\..\\.."), EntryFailure);
}
