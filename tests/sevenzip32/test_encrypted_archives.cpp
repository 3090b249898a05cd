// Encrypted archives as the common tools write them, opened with the passwords the user
// keeps: both ciphers under every method, passwords in UTF-8 and CP932, a wrong password
// that passes the check byte, an altered entry, and the record of a failure for want of
// a password, which holds only while the list is unchanged.
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <thread>

#include "ExtractionFixture.h"
#include "ZipCrypto.h"

using ::testing::HasSubstr;

namespace {

struct Tool {
    const char* name;
    std::string command;  // run inside the source folder; writes the archive at $ARCHIVE
};

std::vector<Tool> Tools() {
    std::vector<Tool> tools = {
        {"zip", "zip -qr -P secret \"$ARCHIVE\" ."},
        {"zip_to_a_pipe", "zip -qr -P secret - . > \"$ARCHIVE\""},
        {"bsdtar_aes256",
         "bsdtar --options zip:encryption=aes256 --passphrase secret -a -cf "
         "\"$ARCHIVE\" ."},
        {"bsdtar_aes128",
         "bsdtar --options zip:encryption=aes128 --passphrase secret -a -cf "
         "\"$ARCHIVE\" ."},
        {"bsdtar_zipcrypt",
         "bsdtar --options zip:encryption=zipcrypt --passphrase secret -a -cf "
         "\"$ARCHIVE\" ."},
    };
    for (const char* cipher : {"ZipCrypto", "AES128", "AES192", "AES256"}) {
        for (const char* method : {"Deflate", "Copy", "BZip2", "LZMA"}) {
            tools.push_back({"7zz", std::string("7zz a -tzip -psecret -bd -bso0 -mem=") + cipher +
                                        " -mm=" + method + " \"$ARCHIVE\" ."});
        }
    }
    return tools;
}

const std::map<std::string, std::string>& Files() {
    static const std::map<std::string, std::string> files = [] {
        std::string big;
        for (int i = 0; big.size() < 1024 * 1024; ++i) {
            big += "line " + std::to_string(i * 7919 % 1000) + " of the archive\n";
        }
        return std::map<std::string, std::string>{
            {"readme.txt", "hello\n"},
            {"empty", ""},
            {"docs/big.txt", big},
            {"docs/日本語.txt", "名前"},
        };
    }();
    return files;
}

class EncryptedArchiveTest : public ToolArchiveTest {
  protected:
    const std::map<std::string, std::string>& SourceFiles() const override { return Files(); }

    // Runs command in the source folder to write the archive.
    void Make(const std::string& command) {
        std::filesystem::remove(ArchivePath());
        const std::string shell = "cd '" + Source().string() + "' && export ARCHIVE='" +
                                  ArchivePath() + "' && { " + command + "; } >/dev/null 2>&1";
        ASSERT_EQ(std::system(shell.c_str()), 0) << command;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));  // not changed "just now"
    }

    ExtractionResult ExtractArchive() { return ExtractArchiveAt(ArchivePath()); }

    // Every file of the archive, byte for byte.
    void ExpectEveryFile(const std::string& what) {
        for (const auto& [name, contents] : Files()) {
            EXPECT_TRUE(ReadWholeFile(Output(name)) == contents) << what << ": " << name;
        }
    }
};

std::string InCp932(const std::string& utf8) {
    std::string output;
    FILE* pipe = ::popen(("printf '%s' '" + utf8 + "' | iconv -f UTF-8 -t CP932").c_str(), "r");
    char buffer[256];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, got);
    }
    ::pclose(pipe);
    return output;
}

}  // namespace

TEST_F(EncryptedArchiveTest, ArchivesOfTheCommonToolsOpenWithAListedPassword) {
    KeepPasswords("wrong\r\n\nsecret\n");
    for (const Tool& tool : Tools()) {
        Make(tool.command);
        EmptyOutput();
        const auto result = ExtractArchive();
        EXPECT_EQ(result.status, 0) << tool.command << ":\n" << result.report;
        ExpectEveryFile(tool.command);
    }
}

TEST_F(EncryptedArchiveTest, EachEntryOpensWithWhicheverListedPasswordIsItsOwn) {
    KeepPasswords("two\none\n");
    Make(
        "7zz a -tzip -pone -mem=AES256 -bd -bso0 \"$ARCHIVE\" readme.txt empty && "
        "7zz a -tzip -ptwo -mem=ZipCrypto -bd -bso0 \"$ARCHIVE\" docs");
    const auto result = ExtractArchive();
    EXPECT_EQ(result.status, 0) << result.report;
    ExpectEveryFile("two passwords");
}

TEST_F(EncryptedArchiveTest, JapanesePasswordsOpenAsUtf8AndAsCp932) {
    KeepPasswords("秘密の合言葉\n");
    Make("bsdtar --options zip:encryption=aes256 --passphrase 秘密の合言葉 -a -cf \"$ARCHIVE\" .");
    auto result = ExtractArchive();
    EXPECT_EQ(result.status, 0) << result.report;
    ExpectEveryFile("UTF-8, AES");

    EmptyOutput();
    Make("zip -qr -P \"$(printf '%s' 秘密の合言葉 | iconv -f UTF-8 -t CP932)\" \"$ARCHIVE\" .");
    result = ExtractArchive();
    EXPECT_EQ(result.status, 0) << result.report;
    ExpectEveryFile("CP932, the traditional cipher");
    ASSERT_NE(InCp932("秘密の合言葉"), "秘密の合言葉");
}

// One wrong password in 256 passes the traditional cipher's check byte; only the CRC
// then tells, and the next password is tried. Nothing decrypted wrongly is kept.
TEST_F(EncryptedArchiveTest, AWrongPasswordThatPassesTheCheckByteIsCaughtByTheCrc) {
    Make("zip -q -P right \"$ARCHIVE\" docs/big.txt");
    const std::string archive = ReadWholeFile(ArchivePath());
    const auto* bytes = reinterpret_cast<const uint8_t*>(archive.data());
    const size_t headerAt = 30 + bytes[26] + (bytes[27] << 8) + bytes[28] + (bytes[29] << 8);
    const std::span<const uint8_t, sevenzip32::kZipCryptoHeaderSize> header(bytes + headerAt, 12);
    const uint8_t crcCheck = static_cast<uint8_t>(testzip::Crc32(Files().at("docs/big.txt")) >> 24);
    std::string wrong;
    for (int i = 0; wrong.empty(); ++i) {
        const std::string guess = "wrong" + std::to_string(i);
        sevenzip32::ZipCryptoCipher cipher(
            {reinterpret_cast<const uint8_t*>(guess.data()), guess.size()});
        if (cipher.OpenHeader(header, crcCheck, bytes[11])) {
            wrong = guess;
        }
    }
    KeepPasswords(wrong + "\n");
    auto result = ExtractArchive();
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_THAT(result.report, HasSubstr("docs/big.txt: no listed password opens it\n"));
    EXPECT_EQ(Tree(OutputFolder()), std::set<std::string>{});  // nor the folder made for it

    KeepPasswords(wrong + "\nright\n");
    result = ExtractArchive();
    EXPECT_EQ(result.status, 0) << result.report;
    EXPECT_TRUE(ReadWholeFile(Output("docs/big.txt")) == Files().at("docs/big.txt"));
}

TEST_F(EncryptedArchiveTest, AnAlteredAesEntryFailsOnItsCodeWithNothingPutInPlace) {
    KeepPasswords("secret\n");
    Make("7zz a -tzip -psecret -mem=AES256 -mm=Copy -bd -bso0 \"$ARCHIVE\" docs/big.txt");
    std::string archive = ReadWholeFile(ArchivePath());
    archive[archive.size() / 2] ^= 0x20;  // within the entry's encrypted bytes
    WriteWholeFile(ArchivePath(), archive);
    const auto result = ExtractArchive();
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_THAT(result.report, HasSubstr("docs/big.txt: the entry's authentication code does not"));
    EXPECT_EQ(Tree(OutputFolder()), std::set<std::string>{});  // nor the folder made for it
}

// Without the password the failure is given again from the record, until the list of
// passwords changes; no password, nor anything of one, is written anywhere.
TEST_F(EncryptedArchiveTest, AFailureForWantOfAPasswordHoldsWhileTheListIsUnchanged) {
    Make("7zz a -tzip -pcorrect-horse -mem=AES256 -bd -bso0 \"$ARCHIVE\" .");
    for (const bool listExists : {false, true}) {
        std::filesystem::remove_all(folder_ / "cache");
        EmptyOutput();
        if (listExists) {
            KeepPasswords("battery\n");
        }
        const auto first = ExtractArchive();
        EXPECT_EQ(first.status, 1);
        EXPECT_THAT(first.report, HasSubstr("readme.txt: no listed password opens it\n"));
        EXPECT_EQ(ExtractArchive().report, first.report) << "given again from the record";
        ASSERT_EQ(
            std::distance(std::filesystem::directory_iterator(folder_ / "cache/kesto/records"),
                          std::filesystem::directory_iterator()),
            1);
        KeepPasswords("battery\nstaple\ncorrect-horse\n");
        const auto opened = ExtractArchive();
        EXPECT_EQ(opened.status, 0) << opened.report;
        ExpectEveryFile("after the list changed");
        for (const auto& record :
             std::filesystem::directory_iterator(folder_ / "cache/kesto/records")) {
            const std::string bytes = ReadWholeFile(record.path());
            for (const char* password : {"battery", "staple", "correct-horse"}) {
                EXPECT_EQ(bytes.find(password), std::string::npos) << password;
                EXPECT_EQ(first.report.find(password), std::string::npos) << password;
            }
        }
    }
}
