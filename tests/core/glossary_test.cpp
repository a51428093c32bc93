// Glossaries: TBX and CSV files read into terms, and terms found in texts as translators expect.

#include "exchange/glossary.h"
#include "qa/termmatch.h"
#include "support/testfiles.h"

namespace rq {
namespace {

// Each term as "sources > targets !forbidden @where", the lists joined by "|".
std::string shown(const exchange::Glossary& glossary) {
    const auto joined = [](const std::vector<std::string>& terms) {
        std::string text;
        for (const auto& term : terms) {
            text += (text.empty() ? "" : "|") + term;
        }
        return text;
    };
    std::string text;
    for (const auto& term : glossary.terms) {
        text += joined(term.sources) + " > " + joined(term.targets) + " !" + joined(term.forbidden) + " @" +
                term.where + "\n";
    }
    return text;
}

struct ReadRow {
    const char* name;
    std::string file;
    std::string read;  // shown(), or the refusal
};

class GlossaryFile : public testing::TestWithParam<ReadRow> {};

TEST_P(GlossaryFile, GivesItsTermsOrSaysWhereItIsWrong) {
    const auto read = exchange::parseGlossary(GetParam().file, "g");
    EXPECT_EQ(read ? shown(*read) : read.error(), GetParam().read);
}

const std::string kMartif = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE martif PUBLIC "ISO 12200:1999A//DTD MARTIF core (DXFcdV04)//EN" "TBXcdv04.dtd">
<martif type="TBX" xml:lang="en"><martifHeader><fileDesc><sourceDesc><p>x</p></sourceDesc></fileDesc></martifHeader>
<text><body>
)";

INSTANTIATE_TEST_SUITE_P(
    Rows, GlossaryFile,
    testing::Values(
        ReadRow{"TBX 2 with the root's source language and forbidden terms as platforms mark them",
                kMartif + R"(<termEntry id="1">
  <langSet xml:lang="fr"><tig><term>point de  sauvegarde</term></tig>
    <tig><term>sauvegarde</term></tig>
    <tig><term>save</term><termNote type="administrativeStatus">deprecatedTerm-admn-sts</termNote></tig>
    <ntig><termGrp><term>cache</term><termNote type="administrativeStatus">supersededTerm-admn-sts</termNote>
    </termGrp></ntig>
    <tig><term>sauve</term><termNote type="administrativeStatus">forbidden</termNote></tig></langSet>
  <langSet xml:lang="en-US"><tig><term>save point</term></tig>
    <tig><term>savepoint</term><termNote type="administrativeStatus">obsolete</termNote></tig></langSet>
</termEntry>
<termEntry><langSet xml:lang="fr"><tig><term>merde</term>
  <termNote type="administrativeStatus">deprecatedTerm-admn-sts</termNote></tig></langSet></termEntry>
<termEntry><langSet xml:lang="fr"><tig><term>épée</term></tig></langSet></termEntry>
</body></text></martif>)",
                "save point > point de sauvegarde|sauvegarde !save|cache|sauve @line 5\n"
                " >  !merde @line 15\n"},
        ReadRow{"TBX 2 without a root language takes its first langSet's",
                "<martif><text><body><termEntry><langSet xml:lang='de'><tig><term>Schwert</term></tig>"
                "</langSet><langSet xml:lang='it'><tig><term>spada</term></tig></langSet></termEntry>"
                "<termEntry><langSet xml:lang='it'><tig><term>lama</term></tig></langSet>"
                "<langSet xml:lang='de'><tig><term>Klinge</term></tig></langSet></termEntry></body></text>"
                "</martif>",
                "Schwert > spada ! @line 1\nKlinge > lama ! @line 1\n"},
        ReadRow{"TBX 3 in both styles",
                R"(<tbx type="TBX-Basic" style="dca" xml:lang="en" xmlns="urn:iso:std:iso:30042:ed-2"
 xmlns:basic="http://www.tbxinfo.net/ns/basic"><tbxHeader/><text><body>
<conceptEntry id="c1"><langSec xml:lang="en"><termSec><term>sword</term></termSec></langSec>
<langSec xml:lang="es"><termSec><term>espada</term></termSec>
<termSec><term>sable</term><termNote type="administrativeStatus">deprecatedTerm-admn-sts</termNote></termSec>
<termSec><term>hoja</term><basic:administrativeStatus>supersededTerm-admn-sts</basic:administrativeStatus></termSec>
<termSec><term>filo</term><termNote type="normativeAuthorization">deprecatedTerm</termNote></termSec>
<termSec><term>acero</term><termNote type="administrativeStatus">preferredTerm-admn-sts</termNote></termSec>
</langSec></conceptEntry></body></text></tbx>)",
                "sword > espada|acero !sable|hoja|filo @line 3\n"},
        ReadRow{
            "CSV with several terms a cell and a row that forbids everywhere",
            "source,forbidden,notes,target\r\nsave point,sauve; cache,x,point de sauvegarde;sauvegarde\r\n"
            "\"Hi-Potion\",,\"a, b\",Super-potion\r\n,merde,,\r\n,,,\r\n",
            "save point > point de sauvegarde|sauvegarde !sauve|cache @row 2\n"
            "Hi-Potion > Super-potion ! @row 3\n >  !merde @row 4\n"},
        ReadRow{"CSV separated by semicolons", "source;target;forbidden\nsword;\"épée;glaive\";\n",
                "sword > épée|glaive ! @row 2\n"},
        ReadRow{"malformed XML", kMartif + "<termEntry>\n<langSet xml:lang='fr'></termEntry>",
                "g, line 6: the XML is malformed: Start-end tags mismatch."},
        ReadRow{"XML that is no TBX", "<html>\n<body/></html>",
                "g, line 1: its root element is <html>, not a TBX file's martif or tbx."},
        ReadRow{"a langSet without a language",
                kMartif + "<termEntry>\n<langSet><tig><term>a</term></tig>"
                          "</langSet></termEntry></body></text></martif>",
                "g, line 6: <langSet> has no xml:lang."},
        ReadRow{"CSV without the columns", "source,translation\na,b\n",
                "g, row 1: the header row needs the columns source, target and forbidden, separated by "
                "commas, semicolons or tabs."},
        ReadRow{"CSV target without a source", "source,target,forbidden\na,b,\n,c,d\n",
                "g, row 3: the target \"c\" has no source term to translate."},
        ReadRow{"CSV quote never closed", "source,target,forbidden\na,\"b\n\n",
                "g, row 2: a quote is never closed."},
        ReadRow{"no terms", "source,target,forbidden\n,,\n", "g holds no glossary terms."}),
    test::rowName);

TEST(GlossaryFile, IsReadAsUtf16AndRefusedPastItsLimit) {
    test::TempDir dir;
    const auto file = dir.file("g.csv");
    test::writeText(file, test::utf16(u"source,target,forbidden\r\nsword,\u00E9p\u00E9e,\r\n"));
    const auto read = exchange::readGlossaryFile(file);
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(shown(*read), "sword > épée ! @row 2\n");
    std::filesystem::resize_file(file, exchange::kGlossaryByteLimit + 1);
    EXPECT_FALSE(exchange::readGlossaryFile(file));
}

struct MatchRow {
    const char* name;
    std::string term;
    std::string text;
    bool found;
};

class TermMatch : public testing::TestWithParam<MatchRow> {};

TEST_P(TermMatch, FindsWholeWordsIgnoringCase) {
    const qa::TermMatcher matcher(exchange::Glossary{{{{GetParam().term}, {}, {}, "row 2"}}});
    EXPECT_EQ(!matcher.termsIn(qa::foldText(GetParam().text)).empty(), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TermMatch,
    testing::Values(MatchRow{"a word", "sword", "Take the sword.", true},
                    MatchRow{"part of a word", "sword", "Swordfish and swords", false},
                    MatchRow{"a digit is part of a word", "sword", "sword2", false},
                    MatchRow{"an apostrophe ends a word", "sword", "the sword's edge", true},
                    MatchRow{"ASCII case", "Save Point", "SAVE POINT", true},
                    MatchRow{"accents fold", "ÉPÉE", "une épée", true},
                    MatchRow{"an accent is no other letter", "epee", "une épée", false},
                    MatchRow{"Latin Extended", "łódź", "ŁÓDŹ", true},
                    MatchRow{"Cyrillic", "меч", "МЕЧ!", true},
                    MatchRow{"Greek final sigma", "ΞΊΦΟΣ", "ξίφος", true},
                    MatchRow{"words across a space", "save point", "the save point", true},
                    MatchRow{"words across a line break", "save point", "the save\npoint", true},
                    MatchRow{"words across two spaces", "save point", "the save  point", false},
                    MatchRow{"words in another order", "save point", "point save", false},
                    MatchRow{"a control code is no word", "Name", "Hello <Name>!", false},
                    MatchRow{"a control code is no space", "save point", "save<$0A>point", false},
                    MatchRow{"a control code ends a word", "sword", "<$0A>Sword<Name>", true},
                    MatchRow{"a hyphenated term", "Hi-Potion", "a hi-potion", true},
                    MatchRow{"a hyphenated term is not its words", "Hi-Potion", "hi potion", false}),
    test::rowName);

}  // namespace
}  // namespace rq
