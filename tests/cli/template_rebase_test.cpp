// template rebase on a pair of revisions made here: what it prints, the template it writes, and that the new
// template reads the new file as the old one read the old.

#include <nlohmann/json.hpp>

#include "cli_fixture.h"

namespace rq {
namespace {

using namespace test;
using namespace std::string_literals;

// Four entries and a table of two cells. In the new revision: entry1 moved, entry2 stayed, entry3 changed,
// entry4's string and cell moved, and the table moved as a whole over strings that stayed.
const std::string kOldIni =
    "; Test game\r\n[TextFormattingSystem]\r\nNumberOfEntries=4\r\n0=t.tbl\r\n"
    "[entry1]\r\nTextFormat=0\r\nComment=one\r\nLength=3\r\nhexlocation = 0010\r\n"
    "[entry2]\r\nTextFormat=0\r\nComment=two\r\nLength=3\r\nHexLocation=20\r\n"
    "[entry3]\r\nTextFormat=0\r\nComment=three caf\xE9\r\nLength=3\r\nHexLocation=30\r\n"
    "[entry4]\r\nTextFormat=0\r\nComment=four\r\nPointer=a0\r\nFormat=le16\r\n"
    "[PointerTable1]\r\nOffset=00C0\r\nCount=2\r\nFormat=le16\r\nTextFormat=0\r\nComment=Line\r\n"
    "[entry1]\r\nHexLocation=10\r\n";
const std::string kNewIni =
    "; Test game\r\n[TextFormattingSystem]\r\nNumberOfEntries=4\r\n0=t.tbl\r\n"
    "[entry1]\r\nTextFormat=0\r\nComment=one\r\nLength=3\r\nhexlocation = 0050\r\n"
    "[entry2]\r\nTextFormat=0\r\nComment=two\r\nLength=3\r\nHexLocation=20\r\n"
    "; Not found in the new file, kept as it was: its bytes, from 0x30 in the old file, are nowhere in the "
    "new file.\r\n"
    "[entry3]\r\nTextFormat=0\r\nComment=three caf\xE9\r\nLength=3\r\nHexLocation=30\r\n"
    "[entry4]\r\nTextFormat=0\r\nComment=four\r\nPointer=B0\r\nFormat=le16\r\n"
    "[PointerTable1]\r\nOffset=00D0\r\nCount=2\r\nFormat=le16\r\nTextFormat=0\r\nComment=Line\r\n"
    "[entry1]\r\nHexLocation=10\r\n";

class CliRebase : public CliOwnFolder {
  protected:
    void SetUp() override {
        write("plugins/alphabets/t.tbl", "41=A\n42=B\n43=C\n44=D\n45=E\n/00\n");
        write("old.ini", kOldIni);
        const std::string fill(0x100, '\xFF');
        writeImage(m_old, {{0, fill},
                           {0x10, "ABC"},
                           {0x20, "BCD"},
                           {0x30, "CDE"},
                           {0x40, "DEAD\0"s},
                           {0x70,
                            "AB\0\xFF"
                            "CD\0"s},
                           {0xA0, "\x40\0"s},
                           {0xC0, "\x70\0\x74\0"s}});
        writeImage(m_new, {{0, fill},
                           {0x50, "ABC"},
                           {0x20, "BCD"},
                           {0x30, "CDA"},
                           {0x60, "DEAD\0"s},
                           {0x70,
                            "AB\0\xFF"
                            "CD\0"s},
                           {0xB0, "\x60\0"s},
                           {0xD0, "\x70\0\x74\0"s}});
    }

    // Each entry's text as dump reads it with a template from a file.
    std::vector<std::string> texts(const std::string& ini, const std::string& game) const {
        std::vector<std::string> read;
        const auto dumped = nlohmann::json::parse(run({"dump", "--template", ini, game}).out);
        for (const auto& entry : dumped["entries"]) {
            read.push_back(entry["text"]);
        }
        return read;
    }

    std::string m_old = m_dir.file("old.bin");
    std::string m_new = m_dir.file("new.bin");
    std::string m_ini = m_dir.file("new.ini");
};

TEST_F(CliRebase, WritesOnlyTheValuesThatChangedAndSaysWhatBecameOfEachEntry) {
    const auto ran = runCli({"--program-folder", m_dir.file(""), "template", "rebase", "--template",
                             m_dir.file("old.ini"), m_old, m_new, "-o", m_ini});
    EXPECT_EQ(ran.err, "");
    EXPECT_EQ(ran.exitCode, 0);
    EXPECT_EQ(
        ran.out,
        "6 entries: 1 in place, 4 moved, 1 not found, 0 ambiguous\n"
        "[PointerTable1]: moved from 0xC0 to 0xD0\n"
        "Entry 1 (\"one\"): moved from 0x10 to 0x50\n"
        "Entry 3 (\"three caf\xC3\xA9\"): not found: its bytes, from 0x30 in the old file, are nowhere in "
        "the new file\n"
        "Entry 4 (\"four\"): moved: its string from 0x40 to 0x60, its cell from 0xA0 to 0xB0\n"
        "Entry 5 (\"Line 1\"): moved: its string still at 0x70, its cell from 0xC0 to 0xD0\n"
        "Entry 6 (\"Line 2\"): moved: its string still at 0x74, its cell from 0xC2 to 0xD2\n");
    EXPECT_EQ(readAll(m_ini), kNewIni);
    auto before = texts(m_dir.file("old.ini"), m_old);
    auto after = texts(m_ini, m_new);
    ASSERT_EQ(before.size(), 6u);
    ASSERT_EQ(after.size(), 6u);
    before.erase(before.begin() + 2);  // entry3, not found: its text changed
    after.erase(after.begin() + 2);
    EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace rq
