#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>

#include "files/asciitext.h"
#include "files/codepage.h"
#include "files/readwritetext.h"
#include "headers/headerfields.h"
#include "verbs.h"

namespace rq::cli {
namespace {

using headers::Kind;
using Json = nlohmann::ordered_json;

std::string_view kindName(Kind kind) {
    return kind == Kind::Gba ? "gba" : "megadrive";
}

std::string checkValueText(Kind kind, std::uint32_t value) {
    return "0x" + files::hexText(value, kind == Kind::Gba ? 2 : 4);
}

void print(const std::string& file, Kind kind, const headers::HeaderTexts& read,
           const headers::Checksum& checksum, bool json, std::ostream& out) {
    const auto fields = headers::fields(kind);
    if (json) {
        Json texts = Json::object();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            texts[std::string(fields[i].control)] = read.texts[i];
        }
        const Json document = {
            {"kind", kindName(kind)},
            {"fields", std::move(texts)},
            {"checksum",
             {{"stored", checksum.stored}, {"computed", checksum.computed}, {"right", checksum.right()}}}};
        out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
        return;
    }
    // Quoted, so that the spaces a Mega Drive header pads with show; escaped, so that a header's bytes
    // cannot command the terminal.
    constexpr std::size_t kColumn = 18;
    out << (kind == Kind::Gba ? "GBA" : "Mega Drive") << " header of " << files::escapeControls(file) << '\n';
    for (std::size_t i = 0; i < fields.size(); ++i) {
        out << "  " << fields[i].control << std::string(kColumn - fields[i].control.size(), ' ') << '"'
            << files::escapeControls(read.texts[i]) << "\"\n";
    }
    out << "  checksum" << std::string(kColumn - 8, ' ') << "stored " << checkValueText(kind, checksum.stored)
        << ", computed " << checkValueText(kind, checksum.computed) << ": "
        << (checksum.right() ? "right" : "wrong") << '\n';
}

// The given texts by field, the last of a field's texts counting; a name that is no field is refused.
Result<std::vector<std::optional<std::string>>> givenFields(const Given& given, Kind kind) {
    std::vector<std::optional<std::string>> after(headers::fields(kind).size());
    for (const std::string& set : given.sets) {
        const std::string control = set.substr(0, set.find('=')), text = set.substr(set.find('=') + 1);
        const auto field = headers::findField(kind, control);
        if (!field) {
            return Error{"A " + std::string(kind == Kind::Gba ? "GBA" : "Mega Drive") +
                             " header has no field \"" + control + "\"." + std::string(kNothingWritten),
                         ErrorKind::Refusal};
        }
        after[*field] = text;
    }
    return after;
}

struct HeaderState {
    headers::HeaderTexts read;
    headers::Checksum checksum;
};

Result<HeaderState> readState(const std::string& file, Kind kind) {
    const auto checksum = headers::readChecksum(file, kind);
    if (!checksum) {
        return checksum.failure();
    }
    auto read = headers::readHeader(file, kind);
    if (read.readFailed) {
        return Error{std::string(files::kRomNotFound)};
    }
    return HeaderState{std::move(read), *checksum};
}

// The changed fields, then the checksum, whose GBA value covers them.
Status writeChanges(const Given& given, const std::string& file, Kind kind, const HeaderState& current,
                    std::ostream& out) {
    const auto after = givenFields(given, kind);
    if (!after) {
        return after.failure();
    }
    const auto edits = headers::changedFields(kind, current.read.texts, *after);
    if (!edits) {
        return edits.failure();
    }
    if (const auto saved = headers::saveHeader(file, kind, *edits); !saved) {
        return saved;
    }
    if (!given.json && !given.sets.empty()) {
        out << "Writing complete! " << edits->size() << (edits->size() == 1 ? " field" : " fields")
            << " written.\n";
    }
    if (given.fixChecksum) {
        if (const auto fixed = headers::fixChecksum(file, kind); !fixed) {
            return Error{(edits->empty() ? "" : "The fields were written, but not the checksum: ") +
                         fixed.error()};
        }
    }
    return success();
}

}  // namespace

int headerCommand(const Given& given, Console& console) {
    const std::string& file = given.operands[0];
    const bool writing = !given.sets.empty() || given.fixChecksum;
    const std::string unwritten(writing ? kNothingWritten : "");
    // Told by its extension, which standard input has none of.
    const auto kind = headers::kindOf(file);
    if (!kind) {
        console.say("\"" + file + "\" is neither a GBA ROM (.gba) nor a Mega Drive ROM (.bin)." + unwritten);
        return kExitRefused;
    }
    auto state = readState(file, *kind);
    if (!state) {
        console.say(file, state.error() + unwritten);
        return kExitRefused;
    }
    if (writing) {
        if (const auto written = writeChanges(given, file, *kind, *state, console.out()); !written) {
            console.say(file, written.error());
            return kExitRefused;
        }
        state = readState(file, *kind);
        if (!state) {
            console.say(file, state.error());
            return kExitRefused;
        }
    }
    print(file, *kind, state->read, state->checksum, given.json, console.out());
    return kExitOk;
}

}  // namespace rq::cli
