#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "files/result.h"

namespace rq::files {

// Where a new file written under the name output lands, looked at before anything is written there.
// Nothing there: a new file. A regular file: it is replaced, and the new file keeps its permissions. A
// symbolic link is kept and the file it leads to is replaced, as an editor saving through a link does.
// Anything else (a folder, a device, a FIFO, a socket, a link that leads nowhere or to one of those) is
// refused, naming it: a rename over it would put a regular file in its place (a device node or a named
// pipe other programs use).
struct OutputPlace {
    std::string path;  // the name itself, or the file its link leads to
    // The permission bits of the file replaced; nothing for a new file, which gets what the umask leaves.
    std::optional<unsigned> mode;
};
[[nodiscard]] Result<OutputPlace> placeOfOutput(const std::string& output);

// The first of inputs that is the same file as output (the same name, another spelling of it, a hard
// link, a symbolic link), or nothing. Every command that reads files and writes one asks before it
// writes: no output may be written over a file that is read. "-" (standard input) names no file.
[[nodiscard]] std::optional<std::string> inputAtOutput(const std::string& output,
                                                       std::initializer_list<std::string_view> inputs);

}  // namespace rq::files
