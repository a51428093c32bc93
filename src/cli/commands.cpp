#include <algorithm>
#include <array>
#include <ostream>
#include <string>

#include "commands.h"
#include "files/codepage.h"
#include "verbs.h"

namespace rq::cli {
namespace {

constexpr std::array kVerbs = {
    VerbHelp{"identify", "identify FILE...",
             "Identifies each file as the launcher does and prints its path, a tab and the game name\n"
             "(or, for a refused file, why it was refused). Exits 1 when any file is refused."},
    VerbHelp{"ini", "ini FILE SECTION KEY [DEFAULT]",
             "Prints one value of an INI file exactly as the program reads it (UTF-8).\n"
             "DEFAULT is printed when the file, the section or the key is missing (empty when not given)."},
    VerbHelp{"dump", "dump --template T [--program-folder DIR] [--format json|po|csv|atlas|xliff] FILE",
             "Prints every entry of template T as read from FILE, as JSON in UTF-8:\n"
             "  {\"template\": ..., \"file\": ..., \"entries\": [{\"entry\": 1, \"comment\": ...,\n"
             "   \"offset\": \"200\", \"length\": 16, \"text\": ...}, ...]}\n"
             "Offsets are hexadecimal; texts are as the editor shows them.\n"
             "--format po prints a gettext PO file for Poedit or Weblate instead: msgctxt\n"
             "\"entry N\", the text without its padding spaces as msgid (an empty one as \" \"),\n"
             "the entry's limit as \"#. Room for N characters.\" and \"#, max-length:N\" (for an entry\n"
             "of a table file, \"#. Room for N bytes: M characters always fit.\" and M).\n"
             "--format csv prints CSV for spreadsheets, with the columns\n"
             "entry,offset,length,limit,comment,original,translation,locked,previous (filled by\n"
             "migrate for a fuzzy translation); a cell that begins with =, +, - or @ gets an\n"
             "apostrophe in front, which insert takes off.\n"
             "An entry whose template says Lock=yes is marked read-only: \"locked\": true in JSON,\n"
             "\"#, read-only\" in PO (after max-length on the same line), \"yes\" in the locked column.\n"
             "--format xliff prints XLIFF 1.2 for translation platforms: a trans-unit a text, its\n"
             "resname the entry's number, the text as source, the comment and the room as notes, the\n"
             "limit as maxwidth (size-unit char, or byte for an entry of a table file; none for a\n"
             "pointer entry) and translate=\"no\" for a locked entry. A text with a control character\n"
             "other than tab and line breaks, which XML cannot carry, is refused: dump it as JSON or CSV.\n"
             "--format atlas prints a script for the Atlas inserter that writes every string back\n"
             "where it was read: its table files, #JMP to each room, #WRITE for each pointer cell,\n"
             "the original as // lines, then the text with the table's labels, a line break as\n"
             "its code <$XX> and a line end, and the end token. Entries of an INI alphabet are\n"
             "left out with a warning; the free space is listed as commented #JMP lines.\n"
             "T is a file name in the program folder's plugins/games/, or else a path. The program\n"
             "folder is the one beside this program, or DIR; alphabets and table files (.tbl) come from\n"
             "its plugins/alphabets/. Through a table, a byte no code starts shows as <$XX>.\n"
             "Exits 1 when the template is refused or FILE cannot be read."},
    VerbHelp{
        "insert",
        "insert --template T [--program-folder DIR] [--format json|po|csv|atlas|xliff [--layout atlas]] FILE "
        "TEXTS",
        "Writes the texts of TEXTS (JSON as dump prints it; only \"entry\" and \"text\" are read)\n"
        "into FILE as the editor's \"Save data to file\" does: each text padded with spaces to its\n"
        "entry's limit and encoded through the entry's alphabet (through a table file: in the fewest\n"
        "bytes, then its end token or padding, checked by reading it back). Entries left out keep FILE's\n"
        "text. Everything is checked before the first byte is written: on any refusal (bad JSON,\n"
        "an entry the template lacks, a text longer than its entry's limit, a character the alphabet\n"
        "cannot write) FILE is left as it was and the exit status is 1. T and DIR as for dump.\n"
        "TEXTS may also be a PO or CSV file as dump --format po|csv writes it (by its\n"
        "extension, or --format): each msgstr or translation is a new text; an empty or\n"
        "fuzzy one keeps the text; a PO file without msgctxt is matched by its \"#:\" lines,\n"
        "a CSV file may be separated by commas, semicolons or tabs. Every problem is listed\n"
        "with its line or row, among them a msgid or original that matches neither the text\n"
        "FILE holds nor its translation. A translation that is its original as a spreadsheet\n"
        "converts a number (\"007\" as \"7\") is written, with a warning. A change to a locked\n"
        "entry (Lock=yes) is refused, in every format, naming the entry.\n"
        "An XLIFF file (.xlf, .xliff) gives each trans-unit's target, by its resname (else its id);\n"
        "a unit without a target, with an empty one or with one whose state is new or needs-*\n"
        "(but needs-review-*) keeps the text. XML that is not well-formed is refused with its line.\n"
        "--format atlas reads TEXTS as the classic inserter's script (#JMP, #W16, #CREATEPTR,\n"
        "#PTRTBL, #WRITE, #AUTOWRITE, ... with the script's own tables): each text goes to the\n"
        "entry whose pointer cells it writes (a #FIXEDLENGTH text, or one without pointers, to the\n"
        "entry at its place), through the same save: in place when it fits, else to free space,\n"
        "where the script's #JMP rooms count too. A text no entry has, a table other than the\n"
        "entry's and a command it cannot follow are refused with their lines.\n"
        "--layout atlas writes the script as the classic inserter does, byte for byte, not through\n"
        "the template's entries: each text one after another from its #JMP (encoded by the longest\n"
        "text of the table at each place), each pointer at its cell, and embedded pointers\n"
        "(#EMBTYPE, #EMBSET, #EMBWRITE), which only this layout places. Where the inserter would cut\n"
        "a text at its #JMP's last byte or its #FIXEDLENGTH, leave a pointer unwritten or stop on a\n"
        "character the table lacks, and for a write past FILE's end or two over one byte, it refuses\n"
        "before the first byte, naming the line. Prints \"Writing complete! N strings and M\n"
        "pointers written.\""},
    VerbHelp{"check", "check --template T [--program-folder DIR] [FILE]",
             "Lists every problem of template T and its alphabets, one a line (file, section, key, value\n"
             "and what is wrong): values the format does not allow, missing alphabets, alphabets without\n"
             "CharLength, a Length that is not a multiple of CharLength, entries whose rooms overlap and,\n"
             "with FILE, entries that run past its end; for a table file, each line it cannot read (FILE:\n"
             "line N: what); values of [Font], [Box] and [BoxN] the format does not allow, a Box=N that\n"
             "names no section, box labels an entry's table lacks and, with FILE, a font that runs past its\n"
             "end. Prints \"no problems\" and exits 0 when there are none; exits 1 otherwise. T and DIR\n"
             "as for dump."},
    VerbHelp{
        "qa",
        "qa --template T [--program-folder DIR] [--format json|po|csv|atlas|xliff [--layout atlas]] FILE "
        "TEXTS "
        "[--glossary TERMS] [--json]",
        "Checks a translation before it is written: TEXTS, read as insert reads it (JSON, PO, CSV or XLIFF\n"
        "by its extension, or an inserter script by --format atlas; entries it leaves out or keeps are "
        "their text in FILE), against the texts\n"
        "template T reads from FILE. One line a problem, \"entry N: SEVERITY: CHECK: message\":\n"
        "  locked             error: a change to an entry the template locks (Lock=yes)\n"
        "  too-long           error: more than the entry's room (characters, or bytes with its end\n"
        "                     token); a pointer entry also fits nowhere in its free space\n"
        "  missing-character  error: characters the alphabet or table file lacks\n"
        "  control-codes      error: not the original's control codes and <$XX> bytes, in any order\n"
        "  untranslated       warning: the text is the original\n"
        "  spaces             warning: leading, trailing or double spaces the original lacks\n"
        "  inconsistent       warning: an original that other entries translate differently\n"
        "  too-wide           error: with the game's font, a line wider than its box (pixels)\n"
        "  too-many-lines     error: a box of more lines than it holds\n"
        "  no-glyph           error: characters the font has no glyph for\n"
        "  glossary           warning: with --glossary, an original holds a term and its translation\n"
        "                     none of the term's agreed translations\n"
        "  forbidden-term     error: with --glossary, a translation holds a term the glossary forbids\n"
        "                     for a term its original holds, or forbids everywhere\n"
        "TERMS is a TBX file as translation platforms export it, or CSV with the header row\n"
        "source,target,forbidden (several terms a cell separated by \";\"); terms match whole words,\n"
        "ignoring case.\n"
        "Padding spaces count for nothing. --json prints a JSON array of objects {\"entry\": N,\n"
        "\"check\", \"severity\", \"message\"} instead. Prints \"no problems\" when there are none.\n"
        "Exits 1 when any error is found, or TEXTS is refused as insert refuses it (with --layout\n"
        "atlas, as that layout refuses it too); 0 otherwise. T and DIR as for dump."},
    VerbHelp{"recover", "recover [--discard] FILE",
             "A save that was interrupted (the program killed, the power gone, a disk error) leaves the\n"
             "old bytes of the rooms it was writing in FILE.romquill-undo, beside the file a link leads to.\n"
             "recover puts them back into FILE and removes the undo file; with --discard it only removes\n"
             "the undo file, keeping FILE as it is now. Until then, insert refuses to write FILE. Exits 1\n"
             "when there is nothing to recover, a save of FILE is running, or FILE cannot be restored; a\n"
             "damaged undo file, or one made for another file, is kept."},
    VerbHelp{
        "cutscenes", "cutscenes [--format json|po|csv|xliff] (dump FILE | insert [--force] FILE TEXTS)",
        "The cutscene and message texts of the PC executable of Sonic Adventure DX, (E) or (J), as the\n"
        "cutscene editor shows them, without a template.\n"
        "dump prints them as JSON in UTF-8, keys in the editor's order:\n"
        "  {\"edition\": \"E\", \"texts\": {\"sonic[0]\": ..., \"tikaltxt[0]\": ..., \"playas1\": ...}}\n"
        "The edition is \"E\", \"J\" or null; a file of neither edition has no playas texts.\n"
        "insert writes the texts of TEXTS (as dump prints them; only \"texts\" is read, any of its\n"
        "keys) into FILE as the editor's saves do: each text padded with spaces to its size. Only texts\n"
        "that differ from what FILE shows now are written; the others keep their bytes. Everything is\n"
        "checked first: on any refusal (bad JSON, an unknown key, a text longer than its size, a\n"
        "character without a byte in the code page, a text past the end of FILE) FILE is left as it was\n"
        "and the exit status is 1.\n"
        "insert refuses a FILE that does not start with \"MZ\" or whose byte at 0x3C names neither\n"
        "edition (a ROM given by mistake), unless --force is given.\n"
        "--format po|csv|xliff, and PO, CSV or XLIFF files for insert, as for dump and insert; the\n"
        "keys stand in msgctxt, in the entry column and as resname.\n"
        "Exits 1 when FILE cannot be read."},
    VerbHelp{
        "header", "header FILE [--json] [--set CONTROL=TEXT]... [--fix-checksum]",
        "The header of a GBA ROM (.gba) or Mega Drive ROM (.bin), chosen by the extension, as the header\n"
        "editors show it: every field by its control name (romtitle, shortname, region, maker,\n"
        "devicetype, version; consolename, ..., dash, ..., region), each text in quotes, and whether the\n"
        "header's checksum is right (GBA: the check byte at 0xBD; Mega Drive: the word at 0x18E).\n"
        "--json prints one object instead:\n"
        "  {\"kind\": \"gba\", \"fields\": {\"romtitle\": ..., ...},\n"
        "   \"checksum\": {\"stored\": 90, \"computed\": 16, \"right\": false}}\n"
        "--set CONTROL=TEXT (repeatable) writes a field as the editors' saves do: padded to its size\n"
        "(GBA with zero bytes, Mega Drive with spaces); only texts that differ from what FILE shows are\n"
        "written. devicetype, version and dash cannot be set. --fix-checksum then writes the right\n"
        "checksum, and only its bytes. Everything is checked first: on any refusal (an unknown or locked\n"
        "field, a text longer than its field, a character without a byte in the code page, a control\n"
        "character, a file too short for its header) FILE is left as it was and the exit status is 1, as\n"
        "for a file that is not a .gba or .bin file or cannot be read. The fields are printed with their\n"
        "control characters escaped (\\n, \\t, \\xNN)."},
    VerbHelp{
        "alphabet", "alphabet (from-tbl TABLE.tbl OUT.ini | to-tbl ALPHABET.ini | check ALPHABET.ini)",
        "Alphabets and the community's character tables (.tbl, UTF-8, \"HEX=TEXT\" a line).\n"
        "from-tbl writes the alphabet OUT.ini made from TABLE.tbl: CharLength from the keys, a Load code\n"
        "for every entry, a save code for every one-character text (the first code of a text wins).\n"
        "It prints, by line number, what it could not carry: keys of another length than the rest, end\n"
        "tokens, control codes, table switches, characters outside code page 1252, characters an INI\n"
        "key cannot hold, duplicate keys, and texts of two codes (as warnings on standard error when\n"
        "OUT.ini is \"-\"). Exits 1 and writes nothing when the table is neither UTF-8 nor Shift-JIS or\n"
        "has no entry an alphabet can carry.\n"
        "to-tbl prints ALPHABET.ini as a table: \"#\" lines for its problems, then every code it reads.\n"
        "check lists what check lists for an alphabet, and the codes that do not read back as\n"
        "themselves (two codes with one text: which one a save writes). Given a table (a name ending in\n"
        ".tbl), which a template can name as its text format itself, it lists the lines a read cannot\n"
        "use (\"!\" lines, keys that are not whole bytes or longer than 32); as warnings, the entries whose\n"
        "text is written as other bytes (a save writes one code of a text), and what other tools read and\n"
        "it reads too: a second line of a key (the first is read, both texts are written as the key), a\n"
        "Shift-JIS file, \";\" comments, \"@\" lines and keys alone (skipped), a control code without its\n"
        "count (left out), an end token that begins a longer key. Exits 1 when there are any but\n"
        "warnings."},
    VerbHelp{
        "patch",
        "patch (create ORIGINAL MODIFIED OUT [--format bps|ips|ups] [--notes FILE] | apply [--reverse | "
        "--repair] PATCH FILE OUT | info PATCH)",
        "Patches share a translation without the game file.\n"
        "create writes the patch that turns ORIGINAL into MODIFIED, as BPS, IPS or UPS by OUT's\n"
        "extension (.bps, .ips, .ups) or --format, and prints its size and the number of changed ranges.\n"
        "BPS and UPS carry the sizes and CRC32s of both files; BPS is the one to prefer. IPS cannot reach\n"
        "past 16 MiB. It then prints the size, CRC32, MD5 and SHA-1 of both files, as release notes give\n"
        "them; --notes FILE writes them to FILE as well.\n"
        "apply writes OUT: FILE with PATCH applied (IPS, BPS or UPS, by its first bytes). OUT must not\n"
        "be FILE, and appears only when complete. A BPS or UPS patch refuses a FILE it was not made for\n"
        "(or one already patched); IPS records out of order or overlapping are applied, with a warning.\n"
        "--reverse applies a UPS patch backwards: FILE is the patched file, OUT the original.\n"
        "A refusal says when FILE is the right game in another form: a 512-byte copier header, 16-bit\n"
        "words byte-swapped, or the interleaved SMD layout. --repair then applies the patch to FILE\n"
        "without the header, in the normal byte order or layout; FILE itself is not changed. A job of\n"
        "64 MiB or more shows its progress on standard error.\n"
        "OUT of create and apply is never a folder, a device or a pipe; a link there is kept and the\n"
        "file it leads to is replaced. OUT given as \"-\" is written to standard output once it is\n"
        "complete, and nothing else is printed there.\n"
        "info prints the format, the sizes and CRC32s, the metadata and the changed ranges (offset,\n"
        "length), one a line.\n"
        "Exits 1 when a patch cannot be made, applied or read."},
    VerbHelp{
        "find",
        "find FILE (--relative WORD [--width 1|2] [--endian little|big] | --table TABLE [--program-folder "
        "DIR] "
        "(--text TEXT | TEXT)) [--json]",
        "Finds text in a game file whose encoding is not known yet.\n"
        "--relative finds the places whose codes step as the letters of WORD do (\"PRESS\": R is P + 2,\n"
        "E is P - 11), one byte a code and two bytes a code in either order unless --width and\n"
        "--endian say which; each hit gives the code of every letter. WORD holds A-Z, a-z, 0-9 and ?\n"
        "(any one code); letters of one case step together, and so do digits. WORD may be a phrase:\n"
        "a space or an ASCII punctuation mark matches any one code, the same mark the same code, and\n"
        "the hit gives its code too (a ? before a letter or a digit stands for an unknown one).\n"
        "--table finds every place whose bytes spell TEXT under TABLE (a .tbl file or an INI alphabet,\n"
        "by name in the program folder's plugins/alphabets/ or as a path), however the game wrote it;\n"
        "a hit inside a string says where the string starts, after the end token before it.\n"
        "Hits are listed by offset, at most 1000; --json prints them as JSON."},
    VerbHelp{
        "table",
        "table from-hit FILE --relative WORD --offset HEX [--width 1|2] [--endian little|big] [--end HEX] "
        "[--force] OUT.tbl",
        "Writes the table OUT.tbl that a relative hit implies: the runs A-Z, a-z and 0-9 of the kinds WORD\n"
        "holds, on the codes found at HEX, then the space and the punctuation of WORD on the codes they\n"
        "had there. --end adds the end token HEX (its bytes as they lie in the file) as /HEX=<end>; it\n"
        "must not be, begin or end one of the table's codes. An existing OUT.tbl is written over only\n"
        "with --force."},
    VerbHelp{"pointers", "pointers FILE OFFSET... [--json]",
             "Finds the pointer tables that point at the strings at OFFSET... (hexadecimal, at least 2):\n"
             "cells of 2, 3 or 4 bytes in either order, with the bases of GBA and Mega Drive games and of\n"
             "16 KiB banks at 4000, 8000 and C000 (counted from the file's start, or from the end of a\n"
             "512-byte copier header or a 16-byte cartridge header), in runs at a regular stride. Best\n"
             "first: the run that explains the most strings, then the one that reaches them first and holds\n"
             "the fewest other cells; each with its format, base (and region), the table's first cell, its\n"
             "stride and cells, and how many of the strings it explains."},
    VerbHelp{
        "template",
        "template (new --table TABLE --pointers OFFSET,COUNT,FORMAT[,BASE[,START-END[,STRIDE]]]... "
        "[--free START-END[,START-END...] [--fill HEX]] | from-cartographer COMMANDS.txt [--game FILE]) "
        "[--name NAME] [--program-folder DIR] [--force] OUT.ini | template rebase --template OLD.ini "
        "[--program-folder DIR] [--force] OLD NEW -o NEW.ini",
        "new writes the template OUT.ini whose entries are the COUNT cells of each pointer table at OFFSET\n"
        "(--pointers given once a table, in order; FORMAT le16 to be32, BASE and the region START-END\n"
        "in hexadecimal, STRIDE in bytes, as pointers prints them; an empty field keeps its default:\n"
        "118,3,le32,08000000,,8), each string read through TABLE up to its end token. --free gives the\n"
        "ranges where longer strings may move ([FreeSpace]), whose free bytes hold --fill (FF when not\n"
        "given). dump and insert work with it at once once TABLE is in the program folder's\n"
        "plugins/alphabets/.\n"
        "from-cartographer writes the template OUT.ini that reads what a dumper's command file\n"
        "COMMANDS.txt dumps, block by block: a POINTER or POINTER_RELATIVE block as a pointer table\n"
        "(STOP excluded; a negative #BASE POINTER as Base, a positive one as a Region), a RAW block as\n"
        "entries from #SCRIPT START to #SCRIPT STOP (included), one a #STRING LENGTH for FIXED_STRING,\n"
        "else one after each end token of its table as they stand in --game FILE, which it then needs.\n"
        "Each #TABLE, found beside COMMANDS.txt, is copied into plugins/alphabets/ when it is not there\n"
        "(one of that name with other bytes is never replaced: its blocks are left out). #GAME NAME\n"
        "names the game unless --name does, #BLOCK NAME the comments. It prints, by line number, each\n"
        "key a template cannot carry; that key's block is left out.\n"
        "rebase carries the template OLD.ini of the file OLD to NEW, another revision of the game, and\n"
        "writes it as NEW.ini: each entry's bytes in OLD (its Length, or up to its end token) are looked\n"
        "for in NEW. Found where the template reads them, it is in place; found at one other place, it\n"
        "moved: its HexLocation, or for a pointer entry the cells in NEW that hold the new place (Pointer),\n"
        "is rewritten; a [PointerTableN] whose cells all moved by one distance moves as a whole (Offset).\n"
        "An entry found nowhere is not found, one found at several places (none its own) ambiguous: both\n"
        "are kept as they were, under a comment line. Every other line of OLD.ini is kept as it is. It\n"
        "prints \"N entries: N in place, N moved, N not found, N ambiguous\" and a line for each entry\n"
        "that is not in place, and exits 0 once NEW.ini is written, whatever was not found."},
    VerbHelp{
        "font", "font --template T [--program-folder DIR] FILE [--png SHEET.png] [--json]",
        "Reads the font template T describes ([Font]) from FILE and says what it is:\n"
        "  96 glyphs of 8x8, 1bpp, from 0x1000; widths from 0x1C00 (2 to 8 pixels)\n"
        "--png writes every glyph with its code, 16 a row, its palette indices as greys and a red bar\n"
        "as long as its advance. --json prints {\"format\", \"width\", \"height\", \"glyphs\": [{\"index\",\n"
        "\"code\", \"advance\", \"rows\": [\"00110000\", ...]}]} instead: a hexadecimal digit a pixel,\n"
        "its palette index (two for 8bpp-gba). Exits 1 when T has no [Font] or it runs past FILE's end."},
    VerbHelp{"render",
             "render --template T [--program-folder DIR] FILE --entry N [--text TEXT | TEXTS] --png OUT.png "
             "[--scale S]",
             "Draws entry N's text in the game's font, box after box, one below the other, as the game\n"
             "draws it: the text FILE holds, its translation in TEXTS (JSON, PO, CSV or XLIFF, as insert\n"
             "reads it), or TEXT. Palette index 0 is white, the others black; each box is its Width by\n"
             "Lines glyphs high, times S (1 to 16), the picture wider or taller where the text runs past\n"
             "it, such pixels red. It prints what it drew:\n"
             "  entry 7: 2 boxes; widest line 151 of 144 pixels (box 1, line 2); box 2 has 4 lines of 3\n"
             "Exits 1 when the entry has no box ([Box], or [BoxN] with Box=N) or T has no [Font]."},
    VerbHelp{"wrap",
             "wrap --template T [--program-folder DIR] [--format json|po|csv|xliff] FILE TEXTS [-o OUT]",
             "Rewraps each translation of TEXTS whose entry has a box as a translator would by hand: words\n"
             "(runs between spaces) fill a line up to the box's Width in the game's font, a full box goes\n"
             "on after its BoxBreak; the translation's own line and box breaks are replaced, every other\n"
             "character and control code is kept in order. A word wider than a line is said on standard\n"
             "error and left on a line of its own. Wrapping twice gives the same texts. OUT (standard\n"
             "output when not given) is written as TEXTS is, JSON, PO, CSV or XLIFF, ready for insert."},
    VerbHelp{"mock", "mock --template T [--program-folder DIR] [--force] FILE OUT",
             "Writes OUT, a copy of FILE in which every entry reads as its number, E and at least four\n"
             "digits (E0012), a space, then as much of its text as its room holds, so that a tester can\n"
             "tell in an emulator which entry each string on screen is. The texts go through insert's\n"
             "save: a pointer entry whose mark does not fit its string moves to free space while a block\n"
             "holds it, any other mark is cut to its room. An entry that is locked, or whose alphabet or\n"
             "table cannot write its number, is left as it was, with a warning naming it. FILE is never\n"
             "written; an existing OUT is written over only with --force."},
    VerbHelp{"migrate",
             "migrate --template NEW.ini [--program-folder DIR] [--format json|po|csv] NEW.bin OLD_TEXTS "
             "-o NEW_TEXTS [--force]",
             "Carries the translations of OLD_TEXTS (JSON, PO or CSV as dump, wrap or migrate write them,\n"
             "by its extension or --format) to the entries of template NEW.ini over NEW.bin, another\n"
             "revision of the game, as gettext's msgmerge carries a catalogue. Each entry takes, in this\n"
             "order: the translation with its entry number and its original; else one with its original\n"
             "under any number (entries renumbered); else, under its number, one whose original has at\n"
             "least 60% of its characters in common with its own (fuzzy); else none (new). Translations\n"
             "no entry took are obsolete. A fuzzy translation is marked for checking, its old original\n"
             "beside it: \"#, fuzzy\" and \"#| msgid\" in PO, \"fuzzy\": true and \"previous\" in JSON, the\n"
             "previous column in CSV; insert passes it over until the mark is removed (in CSV, by\n"
             "emptying the previous cell). Obsolete translations follow the entries: \"#~\" messages in\n"
             "PO, an \"obsolete\" array in JSON, rows whose entry is \"~N\" in CSV. A JSON dump without\n"
             "\"original\" fields gives each entry's text only: it is taken by entry number, fuzzy,\n"
             "unless it is the new original. NEW_TEXTS (\"-\": standard output) is written in the\n"
             "format its extension names, else as OLD_TEXTS; an existing file only with --force. Prints\n"
             "\"N entries: K kept, F fuzzy, W new; O obsolete\" (on standard error when NEW_TEXTS is\n"
             "standard output)."},
    VerbHelp{"help", "help [COMMAND]", "Prints the commands, or what COMMAND does, as COMMAND --help does."},
};

// What holds for every verb, said once after the list.
constexpr std::string_view kConventions =
    "Options may come before, between or after the other arguments, their values as the next\n"
    "argument or after \"=\" (--format=po); -- ends the options. A file given as \"-\" is standard\n"
    "input, or standard output for a file a command writes; a file written in place cannot be \"-\".\n"
    "--program-folder DIR may also come before the command.\n";

}  // namespace

std::span<const VerbHelp> verbHelps() {
    return kVerbs;
}

void printUsage(std::ostream& stream) {
    stream << "Usage: romquill-cli [--program-folder DIR] COMMAND [ARGUMENTS]\n\nCommands:\n";
    for (const auto& verb : kVerbs) {
        stream << "  romquill-cli " << verb.synopsis << "\n";
    }
    stream << "  romquill-cli --version\n\n"
           << kConventions << "Run 'romquill-cli help COMMAND' for what a command does.\n";
}

void printVerbUsage(std::string_view name, std::ostream& stream, bool withHelp) {
    const auto verb =
        std::find_if(kVerbs.begin(), kVerbs.end(), [name](const VerbHelp& v) { return v.name == name; });
    if (verb == kVerbs.end()) {
        printUsage(stream);
        return;
    }
    stream << "Usage: romquill-cli " << verb->synopsis << '\n';
    if (withHelp) {
        stream << '\n' << verb->help << '\n';
    }
}

void say(std::ostream& err, std::string_view message) {
    // Each line escaped on its own, so that the message's own line breaks stay and nothing a file holds can
    // start a line or command the terminal. A "\r\n" of a message becomes a plain line break.
    err << "romquill-cli: ";
    for (std::size_t start = 0;;) {
        const std::size_t end = message.find('\n', start);
        std::string_view line = message.substr(start, end == std::string_view::npos ? end : end - start);
        if (end != std::string_view::npos && line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        err << files::escapeControls(line) << '\n';
        if (end == std::string_view::npos || end + 1 == message.size()) {
            return;
        }
        start = end + 1;
    }
}

}  // namespace rq::cli
