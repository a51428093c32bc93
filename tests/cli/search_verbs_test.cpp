// find, table from-hit, pointers and template new on the demo file: each output form once, and their
// refusals. What they find and make is the core's, tested there.
#include "cli_fixture.h"

namespace rq::test {
namespace {

INSTANTIATE_TEST_SUITE_P(
    Search, CliCommandLine,
    testing::Values(
        row("RelativeHits", {"find", "@DEMO", "--relative", "Press"}, "", 0,
            "0x210 8-bit: P=10 r=2C e=1F s=2D\n"),
        row("RelativeHitsAsJson", {"find", "--json", "@DEMO", "--relative=Press", "--width", "1"}, "", 0,
            "{\n  \"hits\": [\n    {\n      \"offset\": 528,\n      \"width\": 1,\n      \"endian\": null,\n"
            "      \"codes\": {\n        \"P\": \"10\",\n"),
        row("TableHits",
            {"find", "--program-folder", "@FOLDER", "@DEMO", "--table", "demo-menu.ini", "Start"}, "", 0,
            "0x216 (5 bytes)\n"),
        row("TableHitsAsJson", {"find", "@DEMO", "--table", "@TBL", "--text", "AA", "--json"}, "", 0,
            "{\n  \"hits\": [],\n  \"more\": false\n}\n"),
        mistake(
            "NeitherModeNorBoth", {"find", "@DEMO"},
            "romquill-cli: find takes one of --relative WORD and --table TABLE.\nUsage: romquill-cli find"),
        refusal("AWordTooShort", {"find", "@DEMO", "--relative", "AB"}, "",
                "The word \"AB\" has too few letters or digits to mean anything"),
        row("ATableFromAHit",
            {"table", "from-hit", "@DEMO", "--relative", "Press", "--offset", "0x210", "@OUT"}, "", 0,
            "Wrote @OUT from the 8-bit hit at 0x210.\n"),
        refusal("NoHitThere",
                {"table", "from-hit", "@DEMO", "--relative", "Press", "--offset", "211", "@OUT"}, "",
                "The word \"Press\" does not match at 0x211. Nothing was written.\n"),
        refusal("ATableOverAFile",
                {"table", "from-hit", "@DEMO", "--relative", "Press", "--offset", "210", "@A"}, "",
                "\"@A\" is there already: give --force to write over it. Nothing was written.\n"),
        row("PointerTables", {"pointers", "@DEMO", "300", "0x320", "350", "370"}, "", 0,
            "be32 base 0: table at 0x3F0, stride 4, 4 cells, 4 of the 4 strings\n"),
        row("PointerTablesAsJson", {"pointers", "--json", "@DEMO", "300", "320"}, "", 0,
            "[\n  {\n    \"format\": \"be32\",\n    \"base\": 0,\n    \"table\": 1008,\n"),
        refusal("OnePointer", {"pointers", "@DEMO", "300"}, "",
                "pointers needs the offsets of at least 2 strings.\n"),
        row("ATemplate",
            {"template", "new", "--program-folder", "@FOLDER", "--table", "demo-script.tbl", "--pointers",
             "3F0,4,be32", "@OUT"},
            "", 0, "Wrote @OUT: 4 entries through demo-script.tbl.\n"),
        refusal("ATemplateOfAFormatThatIsNot",
                {"template", "new", "--table", "demo-script.tbl", "--pointers", "3F0,4,le8", "@OUT"}, "",
                "--pointers is OFFSET,COUNT,FORMAT[,BASE[,START-END]]")),
    rowName);

}  // namespace
}  // namespace rq::test
