#include <ostream>

#include "editor/entrytexts.h"
#include "editor/freespace.h"
#include "editor/mocktexts.h"
#include "files/common.h"
#include "files/filehandle.h"
#include "files/newfile.h"
#include "templateverbs.h"

namespace rq::cli {
namespace {

constexpr std::size_t kBlock = 1 << 20;

// Every byte of the file at path, appended to made.
Status copyInto(const std::string& path, files::NewFile& made) {
    const auto source = files::FileHandle::open(path, files::FileHandle::Mode::Read);
    if (!source) {
        return source.failure();
    }
    for (std::uint64_t at = 0; at < source->openedSize(); at += kBlock) {
        const auto block = source->readAt(at, kBlock);
        if (!block) {
            return block.failure();
        }
        if (auto appended = made.append(*block); !appended) {
            return appended;
        }
    }
    return success();
}

// The copy read back against the file it was made from, before it takes its name.
Status sameBytes(files::NewFile& made, const std::string& path) {
    const auto source = files::FileHandle::open(path, files::FileHandle::Mode::Read);
    if (!source) {
        return source.failure();
    }
    if (made.size() != source->openedSize()) {
        return Error{"\"" + made.path() + "\" did not read back as written."};
    }
    for (std::uint64_t at = 0; at < source->openedSize(); at += kBlock) {
        const auto expected = source->readAt(at, kBlock);
        if (!expected) {
            return expected.failure();
        }
        const auto back = made.readAt(at, expected->size());
        if (!back) {
            return back.failure();
        }
        if (*back != *expected) {
            return Error{"\"" + made.path() + "\" did not read back as written."};
        }
    }
    return success();
}

// A whole new file at path holding the bytes of the file at from, proven by reading it back.
Status copyFile(const std::string& from, const std::string& path) {
    auto created = files::NewFile::create(path);
    if (!created) {
        return created.failure();
    }
    files::NewFile made = std::move(created).value();
    if (auto copied = copyInto(from, made); !copied) {
        return copied;
    }
    if (auto proven = sameBytes(made, from); !proven) {
        return proven;
    }
    return made.commit();
}

// A refusal of the save into the private copy, as said of OUT, which was never written.
std::string refusalOf(std::string text, const std::string& copy, const std::string& outPath) {
    for (auto at = text.find(copy); at != std::string::npos; at = text.find(copy, at + outPath.size())) {
        text.replace(at, copy.size(), outPath);
    }
    return text.ends_with(kNothingWritten) ? text : text + std::string(kNothingWritten);
}

}  // namespace

// The texts are saved, with the rooms, moves and proof of any translation's save, into a copy in a folder
// of this run's own (where its lock and undo file trouble nobody), and the copy proven is then made beside
// OUT and renamed over it: a failure at any step leaves neither a half-made OUT nor an undo file.
int mockCommand(const Given& given, Console& console) {
    const std::string& outPath = given.operands[1];
    const auto opened = readTemplateAndTexts(given, console);
    if (!opened) {
        return kExitRefused;
    }
    const auto& [templatePath, gameFile, gameTemplate, texts, rooms, moving] = *opened;
    const auto work = files::TemporaryFolder::create();
    if (!work) {
        console.say(work.error() + std::string(kNothingWritten));
        return kExitRefused;
    }
    const std::string copy = files::pathText(files::fsPath(work->path()) /
                                             files::fsPath(outPath == "-" ? "mock" : outPath).filename());
    if (const auto copied = copyFile(gameFile, copy); !copied) {
        console.say(refusalOf(copied.error(), copy, outPath));
        return kExitRefused;
    }
    auto freeSpace = editor::freeSpaceIn(gameTemplate, rooms, copy);
    const auto marks = editor::mockTexts(
        gameTemplate, texts, rooms, freeSpace ? std::optional(std::move(freeSpace).value()) : std::nullopt);
    if (const auto saved = editor::saveEntryTexts(templatePath, copy, texts, marks.texts, rooms); !saved) {
        console.say(outPath, refusalOf(saved.error(), copy, outPath));
        return kExitRefused;
    }
    const auto out = console.output(outPath);
    if (!out) {
        console.say(out.error());
        return kExitRefused;
    }
    if (const auto made = copyFile(copy, *out); !made) {
        console.say(made.error());
        return kExitRefused;
    }
    if (!console.finishOutput()) {
        return kExitRefused;
    }
    for (const std::string& line : marks.left) {
        console.warn(line);
    }
    // Standard output may be the file itself.
    std::ostream& told = outPath == "-" ? console.err() : console.out();
    told << "Writing complete! " << marks.marked << (marks.marked == 1 ? " entry" : " entries") << " marked";
    if (!marks.left.empty()) {
        told << ", " << marks.left.size() << " left as " << (marks.left.size() == 1 ? "it was" : "they were");
    }
    told << ".\n";
    return kExitOk;
}

}  // namespace rq::cli
