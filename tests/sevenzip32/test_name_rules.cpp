// The names the disk takes, as a pure rule over a path: full-width forms where Windows'
// file systems refuse a character, and parts too long shortened at a character, their
// extension kept, with a mark of the whole that keeps two alike beginnings apart.
#include <gtest/gtest.h>

#include <string>

#include "NameRules.h"
#include "PathParts.h"

using namespace sevenzip32;

namespace {

constexpr NameRules kExt4{false, 255};
constexpr NameRules kExfat{true, 255};

std::string Repeated(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) {
        repeated += text;
    }
    return repeated;
}

// Length as the rules count it: UTF-16 units on Windows' file systems, bytes elsewhere.
size_t Length(const NameRules& rules, const std::string& part) {
    if (!rules.windowsNames) {
        return part.size();
    }
    size_t units = 0;
    for (const char c : part) {
        const auto byte = static_cast<unsigned char>(c);
        units += ((byte & 0xC0) != 0x80) + (byte >= 0xF0);
    }
    return units;
}

TEST(NameRules, PartsThatFitStayByteForByte) {
    struct Row {
        NameRules rules;
        std::string path;
    };
    for (const Row& row : {
             Row{kExt4, "会議: 11月.txt"},
             Row{kExt4, "a/b?/c*.txt"},
             Row{kExt4, Repeated("い", 85)},             // 255 bytes
             Row{kExfat, Repeated("あ", 200) + ".txt"},  // 204 units, 604 bytes
             Row{kExfat, Repeated("😀", 127) + "a"},      // 255 units
             Row{kExfat, "folder/報告書 (最終).txt"},
         }) {
        std::string path = row.path;
        EXPECT_FALSE(FitNameRules(row.rules, path)) << row.path;
        EXPECT_EQ(path, row.path);
    }
}

TEST(NameRules, CharactersWindowsRefusesBecomeFullWidthThere) {
    struct Row {
        std::string path;
        std::string written;
    };
    for (const Row& row : {
             Row{"会議: 11月.txt", "会議： 11月.txt"},
             Row{"q?/x.txt", "q？/x.txt"},
             Row{"a*b<c>d|e\"f\\g.txt", "a＊b＜c＞d｜e＂f＼g.txt"},
             Row{"ok/also ok/what?", "ok/also ok/what？"},
         }) {
        std::string path = row.path;
        EXPECT_TRUE(FitNameRules(kExfat, path)) << row.path;
        EXPECT_EQ(path, row.written);
    }
}

// Each part too long is cut at a character to the rule's length, keeps its extension and
// ends with a mark of its whole; the parts that fit are left as they are.
TEST(NameRules, PartsTooLongAreShortenedApart) {
    struct Row {
        NameRules rules;
        std::string part;
        std::string extension;
    };
    for (const Row& row : {
             Row{kExt4, Repeated("あ", 100) + ".txt", ".txt"},
             Row{kExt4, Repeated("a", 300), ""},
             Row{kExt4, Repeated("漢", 90), ""},
             Row{kExfat, Repeated("😀", 128) + ".jpeg", ".jpeg"},
             Row{kExfat, Repeated(":", 300) + ".txt", ".txt"},
         }) {
        for (const std::string& other : {Repeated("x", 255), std::string("ok")}) {
            std::string path = "top/" + row.part + "/" + other;
            ASSERT_TRUE(FitNameRules(row.rules, path));
            std::vector<std::string> parts;
            ForEachPart(path, [&](std::string_view part) {
                parts.emplace_back(part);
                return true;
            });
            ASSERT_EQ(parts.size(), 3u) << path;
            EXPECT_EQ(parts[0], "top");
            EXPECT_EQ(parts[2], other);
            const std::string& written = parts[1];
            EXPECT_LE(Length(row.rules, written), row.rules.longestPart) << written;
            EXPECT_TRUE(written.ends_with(row.extension)) << written;
            EXPECT_NE(written.find("…~"), std::string::npos) << written;
            EXPECT_EQ(written.find_first_of(row.rules.windowsNames ? "\"*:<>?\\|" : ""),
                      std::string::npos)
                << written;
            std::string again = path;
            EXPECT_FALSE(FitNameRules(row.rules, again)) << "a fitted path fits";
        }
    }
    std::string first = Repeated("い", 84) + "-first.txt";
    std::string second = Repeated("い", 84) + "-second.txt";
    ASSERT_TRUE(FitNameRules(kExt4, first));
    ASSERT_TRUE(FitNameRules(kExt4, second));
    EXPECT_NE(first, second);
}

}  // namespace
