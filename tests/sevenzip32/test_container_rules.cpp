// The container is read by the format's rules, as the common tools read it: what they
// all open opens here, and what two readers could see two ways is refused.
#include "ExtractionFixture.h"

using namespace testzip;
using ::testing::HasSubstr;

namespace {

Entry Alpha() {
    return File("a.txt", "alpha");
}
Entry Beta() {
    return File("b.txt", "beta, a little longer");
}
Entry Zip64(Entry entry) {
    entry.zip64 = true;
    return entry;
}
Entry Described(Entry entry) {
    entry.dataDescriptor = true;
    return entry;
}

std::string Plain() {
    return Archive({Alpha(), Beta()});
}
std::string WithZip64() {
    return Archive({Zip64(Alpha()), Beta()});
}
size_t EndRecordAt(const std::string& archive) {
    return archive.rfind(std::string("PK\x05\x06", 4));
}

struct Case {
    const char* what;
    std::string bytes;
    int status;  // 0: both files come out; 1: a.txt fails alone; 2: nothing is written
};

std::vector<Case> Cases() {
    std::vector<Case> cases;
    cases.push_back({"stub before the archive", std::string(1000, 'S') + Plain(), 0});
    cases.push_back({"stub before a zip64 archive", std::string(777, 'S') + WithZip64(), 0});
    cases.push_back({"bytes after the end record", Plain() + "trailing bytes", 0});
    {
        std::string bytes = Plain();
        Patch16(bytes, bytes.size() - 2, 10);  // the comment is shorter than it says
        cases.push_back({"end comment length off", bytes + "abcd", 0});
    }
    {
        // The form bsdtar writes: bit 3, CRC and compressed size zero, size filled in.
        std::string bytes = Archive({Described(Alpha()), Beta()});
        Patch32(bytes, 22, static_cast<uint32_t>(Alpha().data.size()));
        cases.push_back({"local size beside a data descriptor", bytes, 0});
    }
    {
        std::string bytes = WithZip64();
        Patch16(bytes, EndRecordAt(bytes) + 4, 0xFFFF);
        Patch16(bytes, EndRecordAt(bytes) + 6, 0xFFFF);
        cases.push_back({"zip64 disk fields marked in the classic record", bytes, 0});
    }
    {
        Entry padded = Alpha();
        padded.extraFields = TimestampExtra(1700000000) + std::string("\0\0", 2);
        cases.push_back({"extra fields padded with stray bytes", Archive({padded, Beta()}), 0});
    }
    {
        std::string bytes = Archive({Described(Alpha()), Beta()});
        const size_t descriptorSize = Writer::LocalRecord(Described(Alpha())).size() - 4;
        Patch32(bytes, descriptorSize, 99);
        cases.push_back({"a data descriptor that disagrees", bytes, 2});
    }
    {
        std::string bytes = WithZip64();
        Patch16(bytes, EndRecordAt(bytes) + 8, 1);
        Patch16(bytes, EndRecordAt(bytes) + 10, 1);
        cases.push_back({"end records that disagree", bytes, 2});
    }
    {
        std::string bytes = Plain();
        Patch16(bytes, EndRecordAt(bytes) + 8, 3);
        Patch16(bytes, EndRecordAt(bytes) + 10, 3);
        cases.push_back({"a count the records do not match", bytes, 2});
    }
    {
        Entry hiding = Alpha();
        hiding.compressedOverride = Compress(hiding.data, kDeflate) + "hidden";
        cases.push_back({"deflate data ending before its size", Archive({hiding, Beta()}), 1});
    }
    // Local headers the directory does not name, first, between two entries and last: a
    // reader of the local headers would extract them.
    for (const size_t hiddenAt : {0, 1, 2}) {
        Writer writer;
        std::vector<uint64_t> offsets;
        const std::vector<Entry> named = {Alpha(), Beta()};
        for (size_t i = 0; i <= named.size(); ++i) {
            if (i == hiddenAt) {
                writer.AddLocal(File("hidden.txt", "not in the directory"));
            }
            if (i < named.size()) {
                offsets.push_back(writer.AddLocal(named[i]));
            }
        }
        for (size_t i = 0; i < named.size(); ++i) {
            writer.AddCentral(named[i], offsets[i]);
        }
        cases.push_back({"an entry the directory does not name", writer.Finish(), 2});
    }
    return cases;
}

}  // namespace

TEST_F(ExtractionTest, TheContainerIsReadByTheFormatsRules) {
    for (const Case& c : Cases()) {
        std::filesystem::remove_all(OutputFolder());
        std::filesystem::create_directory(OutputFolder());
        auto result = Extract(c.bytes);
        EXPECT_EQ(result.status, c.status) << c.what << ":\n" << result.report;
        if (c.status == 2) {
            EXPECT_TRUE(EverythingWritten().empty()) << c.what;
            continue;
        }
        EXPECT_EQ(ReadWholeFile(Output("b.txt")), Beta().data) << c.what;
        EXPECT_EQ(std::filesystem::exists(Output("a.txt")), c.status == 0) << c.what;
    }
}

TEST_F(ExtractionTest, MoreEntriesThanTheClassicCountHoldsAndRepeatedFolders) {
    std::vector<Entry> entries(65536, Folder("d/"));
    entries.push_back(File("d/f.txt", "after the count wrapped"));
    auto result = Extract(Archive(entries));
    EXPECT_EQ(result.status, 0) << result.report;
    EXPECT_EQ(ReadWholeFile(Output("d/f.txt")), "after the count wrapped");
}
