// What a hostile user tries first on every verb that writes: an output that is an input, through a link,
// over a folder or a file there already, a name with a line break, and a table whose end token begins
// another key. Each is refused before anything is opened, every file as it was (the fixture compares them).

#include "cli_fixture.h"

namespace rq {
namespace {

using namespace test;

const std::string kNothingWritten = " Nothing was written.\n";
const std::string kAnotherName = " Choose another name.\n";

INSTANTIATE_TEST_SUITE_P(
    HostileRows, CliCommandLine,
    testing::Values(
        refusal("NotesOverAFileCompared",
                {"patch", "create", "@A", "@B", "@OUT", "--format=bps", "--notes", "@B"}, "",
                "The notes cannot be saved as \"@B\": that is one of the files it compares." + kAnotherName),
        refusal("NotesOverThePatch",
                {"patch", "create", "@A", "@B", "@OUT", "--format=bps", "--notes", "@OUT"}, "",
                "The patch cannot be saved as \"@OUT\": that is the notes." + kAnotherName),
        refusal("NotesOverAFolder",
                {"patch", "create", "@A", "@B", "@OUT", "--format=bps", "--notes", "@FOLDER"}, "",
                "\"@FOLDER\" is a folder, not a regular file: nothing is written in its place." +
                    kAnotherName),
        refusal("PatchedFileOverThePatch", {"patch", "apply", "--repair", "@P", "@A", "@P"}, "",
                "The patched file cannot be saved as \"@P\": that is the patch." + kAnotherName),
        refusal("ANameWithALineBreak", {"patch", "create", "@A", "@B", "new\nname.bps"}, "",
                "\"new\\nname.bps\": a file name with a line break or another control character is not made. "
                "Choose another name." +
                    kNothingWritten),
        refusal("TableOverTheFileSearched",
                {"table", "from-hit", "@A", "--relative", "AB", "--offset", "0", "@A"}, "",
                "The table cannot be saved as \"@A\": that is the file searched." + kAnotherName),
        refusal("TableOverAFileThere", {"table", "from-hit", "@A", "--relative", "AB", "--offset", "0", "@B"},
                "", "\"@B\" is there already: give --force to write over it." + kNothingWritten),
        refusal("TemplateOverItsTable",
                {"template", "new", "--table", "@TBL", "--pointers", "0,1,le16", "@TBL"}, "",
                "The template cannot be saved as \"@TBL\": that is the table it reads." + kAnotherName),
        refusal("TemplateNamedWithALineBreak",
                {"template", "new", "--table", "@TBL", "--pointers", "0,1,le16", "--name",
                 "Game\n[FreeSpace]", "@MISSING"},
                "",
                "The name \"Game\\n[FreeSpace]\" holds a line break or another control character, which a "
                "template "
                "cannot hold." +
                    kNothingWritten),
        refusal("TemplateOfCellsPastTheLargestOffset",
                {"template", "new", "--table", "@TBL", "--pointers", "0,1,le16", "--pointers",
                 "7FFFFFF0,5,le32", "@MISSING"},
                "", "Pointer table 2 at 7FFFFFF0 would have cells past offset 7FFFFFFF." + kNothingWritten),
        refusal("TemplateOfOverlappingFreeSpace",
                {"template", "new", "--table", "@TBL", "--pointers", "0,1,le16", "--free", "10-20,1F-30",
                 "@MISSING"},
                "", "The free ranges 10-20 and 1F-30 overlap." + kNothingWritten),
        refusal("TemplateOverItsCommandFile", {"template", "from-cartographer", "@A", "@A"}, "",
                "The template cannot be saved as \"@A\": that is the command file." + kAnotherName),
        refusal("TemplateOverTheGameFile", {"template", "from-cartographer", "@A", "--game", "@B", "@B"}, "",
                "The template cannot be saved as \"@B\": that is the game file." + kAnotherName),
        refusal("TemplateFromCommandsOverAFileThere", {"template", "from-cartographer", "@A", "@TBL"}, "",
                "\"@TBL\" is there already: give --force to write over it." + kNothingWritten),
        refusal("InsertFromTheGameFile",
                {"insert", "--template", "demo.ini", "--program-folder", "@FOLDER", "@A", "@A"}, "",
                "The texts cannot be read from \"@A\": that is the file they are written into." +
                    kNothingWritten),
        // An entity that names a file is neither read nor taken for a text.
        refusal(
            "InsertOfXliffWhoseEntityNamesAFile",
            {"insert", "--template", "demo.ini", "--program-folder", "@FOLDER", "--format", "xliff", "@DEMO",
             "-"},
            "<?xml version=\"1.0\"?>\n<!DOCTYPE x [<!ENTITY e SYSTEM \"@A\">]>\n<xliff version=\"1.2\"><file>"
            "<body><trans-unit id=\"2\"><source>Press Start</source><target>&e;</target></trans-unit>"
            "</body></file></xliff>",
            "standard input, line 2: its DOCTYPE declares entities, which no XLIFF file needs and which are "
            "not expanded." +
                kNothingWritten),
        refusal("CutscenesFromTheGameFile", {"cutscenes", "insert", "@EXE", "@EXE"}, "",
                "The texts cannot be read from \"@EXE\": that is the file they are written into." +
                    kNothingWritten),
        refusal("PictureOverTheGameFile",
                {"render", "--template", "demo.ini", "@DEMO", "--entry", "1", "--png", "@DEMO"}, "",
                "The picture cannot be saved as \"@DEMO\": that is the game file." + kAnotherName),
        refusal("FontSheetOverAFolder", {"font", "--template", "demo.ini", "@DEMO", "--png", "@FOLDER"}, "",
                "\"@FOLDER\" is a folder, not a regular file: nothing is written in its place." +
                    kAnotherName),
        refusal("RewrappedTextsOverTheirTexts", {"wrap", "--template", "demo.ini", "@DEMO", "@J", "-o", "@J"},
                "", "The rewrapped texts cannot be saved as \"@J\": that is the texts." + kAnotherName),
        refusal("MarkedCopyOverTheGameFile", {"mock", "--template", "demo.ini", "@DEMO", "@DEMO"}, "",
                "The marked copy cannot be saved as \"@DEMO\": that is the game file it copies." +
                    kAnotherName),
        refusal("MarkedCopyOverItsTemplate", {"mock", "--template", "@TBL", "@DEMO", "@TBL"}, "",
                "The marked copy cannot be saved as \"@TBL\": that is the template." + kAnotherName),
        refusal("MarkedCopyOverAFileThere", {"mock", "--template", "demo.ini", "@DEMO", "@A"}, "",
                "\"@A\" is there already: give --force to write over it." + kNothingWritten),
        refusal("MarkedCopyNamedWithALineBreak", {"mock", "--template", "demo.ini", "@DEMO", "new\nname.bin"},
                "",
                "\"new\\nname.bin\": a file name with a line break or another control character is not made. "
                "Choose another name." +
                    kNothingWritten),
        refusal("RebasedTemplateOverTheOldFile",
                {"template", "rebase", "--template", "@TBL", "@A", "@B", "-o", "@A"}, "",
                "The new template cannot be saved as \"@A\": that is the old file." + kAnotherName),
        refusal("RebasedTemplateOverTheNewFile",
                {"template", "rebase", "--template", "@TBL", "@A", "@B", "-o", "@B"}, "",
                "The new template cannot be saved as \"@B\": that is the new file." + kAnotherName),
        refusal("RebasedTemplateOverTheOldTemplate",
                {"template", "rebase", "--template", "@TBL", "@A", "@B", "-o", "@TBL"}, "",
                "The new template cannot be saved as \"@TBL\": that is the old template." + kAnotherName),
        refusal("RebasedTemplateOverAFolder",
                {"template", "rebase", "--template", "@TBL", "@A", "@B", "-o", "@FOLDER"}, "",
                "\"@FOLDER\" is a folder, not a regular file: nothing is written in its place." +
                    kAnotherName),
        refusal("RebasedTemplateOverAFileThere",
                {"template", "rebase", "--template", "@TBL", "@A", "@B", "-o", "@P"}, "",
                "\"@P\" is there already: give --force to write over it." + kNothingWritten),
        refusal("RebasedTemplateNamedWithALineBreak",
                {"template", "rebase", "--template", "@TBL", "@A", "@B", "-o", "new\nname.ini"}, "",
                "\"new\\nname.ini\": a file name with a line break or another control character is not made. "
                "Choose another name." +
                    kNothingWritten),
        refusal("MigratedTextsAsXliff", {"migrate", "--template", "demo.ini", "@DEMO", "@J", "-o", "new.xlf"},
                "",
                "migrate carries JSON, PO or CSV texts, not XLIFF: export the translation from the platform "
                "as PO "
                "or CSV and migrate that." +
                    kNothingWritten),
        refusal("MigratedTextsOverTheGameFile",
                {"migrate", "--template", "demo.ini", "@DEMO", "@J", "-o", "@DEMO"}, "",
                "The migrated texts cannot be saved as \"@DEMO\": that is the game file." + kAnotherName),
        refusal("MigratedTextsOverTheOldTexts",
                {"migrate", "--template", "demo.ini", "@DEMO", "@J", "-o", "@J"}, "",
                "The migrated texts cannot be saved as \"@J\": that is the old texts." + kAnotherName),
        refusal("MigratedTextsOverTheTemplate",
                {"migrate", "--template", "@TBL", "@DEMO", "@J", "-o", "@TBL"}, "",
                "The migrated texts cannot be saved as \"@TBL\": that is the template." + kAnotherName),
        refusal("MigratedTextsOverAFolder",
                {"migrate", "--template", "demo.ini", "@DEMO", "@J", "-o", "@FOLDER"}, "",
                "\"@FOLDER\" is a folder, not a regular file: nothing is written in its place." +
                    kAnotherName),
        refusal("MigratedTextsOverAFileThere",
                {"migrate", "--template", "demo.ini", "@DEMO", "@J", "-o", "@B"}, "",
                "\"@B\" is there already: give --force to write over it." + kNothingWritten),
        refusal("MigratedTextsNamedWithALineBreak",
                {"migrate", "--template", "demo.ini", "@DEMO", "@J", "-o", "new\ntexts.po"}, "",
                "\"new\\ntexts.po\": a file name with a line break or another control character is not made. "
                "Choose another name." +
                    kNothingWritten),
        mistake("PictureOfAScalePastTheLargest",
                {"render", "--template", "demo.ini", "@DEMO", "--entry", "1", "--png", "@OUT", "--scale",
                 "17"},
                "romquill-cli: --scale: Value 17 not in range 1 to 16"),
        // Warned of, and used: a save writes another byte after an end token where it must.
        row("AnEndTokenThatBeginsAnotherKey", {"alphabet", "check", "@ENDKEY"}, "", 0,
            "@ENDKEY: line 2: warning: has the end token FF, which begins the longer key FF01 of line 3: an "
            "end "
            "token followed by 01 is read as that key, and the text goes on; a save writes another byte "
            "after an "
            "end token where it must\n")),
    rowName);

#ifndef _WIN32
INSTANTIATE_TEST_SUITE_P(
    HostileLinks, CliCommandLine,
    testing::Values(
        refusal("PatchThroughALinkToAFileCompared", {"patch", "create", "@A", "@B", "@LINK", "--format=bps"},
                "",
                "The patch cannot be saved as \"@LINK\": that is one of the files it compares." +
                    kAnotherName),
        refusal("RebasedTemplateThroughALinkToTheOldFile",
                {"template", "rebase", "--template", "@TBL", "@A", "@B", "-o", "@LINK"}, "",
                "The new template cannot be saved as \"@LINK\": that is the old file." + kAnotherName),
        refusal("MarkedCopyThroughALinkToTheGameFile",
                {"mock", "--template", "demo.ini", "@A", "@LINK", "--force"}, "",
                "The marked copy cannot be saved as \"@LINK\": that is the game file it copies." +
                    kAnotherName),
        refusal("MigratedTextsThroughALinkToTheOldTexts",
                {"migrate", "--template", "demo.ini", "@DEMO", "@A", "-o", "@LINK"}, "",
                "The migrated texts cannot be saved as \"@LINK\": that is the old texts." + kAnotherName),
        // Here only: under Wine the program folder's path begins with "/", which the Windows build's
        // parser takes for an option where it stands alone.
        refusal("MarkedCopyOverAFolder", {"mock", "--template", "demo.ini", "@DEMO", "@FOLDER"}, "",
                "\"@FOLDER\" is a folder, not a regular file: nothing is written in its place." +
                    kAnotherName),
        refusal("AlphabetThroughALinkToItsTable", {"alphabet", "from-tbl", "@LINK", "@A"}, "",
                "The alphabet cannot be saved as \"@A\": that is the table it is made from." + kAnotherName)),
    rowName);
#endif

}  // namespace
}  // namespace rq
