// Any bytes as a character table (.tbl) made into an alphabet, and as an alphabet written out as a table:
// what each writer writes, its reader reads back as the same texts. The same bytes as a table read as such
// and as game bytes through it: any bytes decode, and a text the table writes reads back as itself.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>

#include "exchange/tablefile.h"
#include "exchangeinput.h"
#include "templates/alphabet.h"
#include "templates/table.h"

namespace {

using fuzz::require;

struct Folder {
    std::filesystem::path path;
    Folder() {
        path = std::filesystem::temp_directory_path() / ("romquill-tbl-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

std::string writeFile(const Folder& folder, std::string_view name, std::string_view bytes) {
    const auto path = folder.path / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    require(static_cast<bool>(out));
    return path.string();
}

// The alphabet as a table: every code the table gives reads, through the alphabet, as the table's text.
void requireTableReadsBack(const std::string& alphabetPath) {
    const auto table = rq::exchange::tableFromAlphabet(alphabetPath);
    require(table.ok());
    const auto parsed = rq::exchange::parseTable(*table);
    require(parsed.ok());
    const rq::templates::Alphabet alphabet = rq::templates::Alphabet::read(alphabetPath);
    for (const auto& entry : parsed->entries) {
        require(rq::files::bytesToUtf8(alphabet.decode(entry.code)) == entry.text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Folder folder;
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const auto table = rq::exchange::parseTable(input);
    const auto made = rq::exchange::alphabetFromTable(input);
    require(table.ok() || !made.ok());
    if (made) {
        // Every entry no note speaks of is carried whole: its code reads as its text.
        const rq::templates::Alphabet alphabet = rq::templates::Alphabet::parse(made->ini);
        require(alphabet.charLength() == made->charLength && made->carried > 0);
        std::set<int> noted;
        for (const auto& note : made->notes) {
            noted.insert(note.line);
        }
        for (const auto& entry : table->entries) {
            if (!noted.contains(entry.line)) {
                const auto bytes = rq::files::utf8ToBytes(entry.text);
                require(bytes.ok() && alphabet.decode(entry.code) == *bytes);
            }
        }
        requireTableReadsBack(writeFile(folder, "made.ini", made->ini));
    }
    requireTableReadsBack(writeFile(folder, "input.ini", input));

    const auto codec = rq::templates::Table::parse(input);
    const auto decoded = codec.decode(input);
    require(decoded.length <= input.size());
    if (const auto written = codec.encode(decoded.text)) {
        require(codec.decode(*written).text == decoded.text);
    }
    return 0;
}
