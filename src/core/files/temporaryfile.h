#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rq::files {

// The file a NewFile is written into, in the folder of the file it replaces, and its move into place.
//
// Where the system can (Linux, on most file systems), it has no name while it is written (O_TMPFILE), so a
// crash at any point leaves nothing. Otherwise, and for the instant between giving it a name and renaming it,
// it is called ".romquill-XXXXXXXX.tmp" (eight hexadecimal digits): short, so that any name the file system
// allows for the output works, and recognisable, so that a leftover of a writer that died is removed by the
// next new file written in the same folder. A leftover is taken for stale only when no process holds it: the
// writer keeps an exclusive flock on it until it is renamed (on Windows, its open handle, which keeps out the
// cleaner's exclusive open), and the system lets go of that when the process ends, however it ends.
struct TemporaryFile {
    int fd = -1;
    std::string name;  // empty while it has none
};

// The calls give 0 or the system's error number (errno, or GetLastError() on Windows).

// Removes stale leftovers in the folder of target first. mode: the permission bits the file gets (those of
// the file it replaces); without it, a new file gets what the umask leaves of 0666.
[[nodiscard]] int openTemporary(const std::string& target, std::optional<unsigned> mode, TemporaryFile& file);

// Renames the file (flushed already) over target and closes it. On failure it is left for
// discardTemporary.
[[nodiscard]] int moveIntoPlace(TemporaryFile& file, const std::string& target);

// Closes the file and removes it.
void discardTemporary(TemporaryFile& file);

// Whether a folder entry's name is that of a temporary file made here.
[[nodiscard]] bool isTemporaryName(std::string_view name);

}  // namespace rq::files
