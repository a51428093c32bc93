#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/result.h"

namespace rq::files {

// One room of a game file to be written in place: where, the new bytes, and its name for messages
// ("Entry 3 ("Title")").
struct RoomWrite {
    std::uint64_t offset = 0;
    std::string bytes;
    std::string name;
};

// A range of a file, start included, end excluded.
struct FileRange {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
};

// What every save gives the write path besides its rooms, so that no planner can forget either: the ranges
// its writes may touch (the rooms of what it saves, cells it rewrites, free space), named for messages, and
// the proof that reads what it saved back the way its readers will read it.
struct SaveGuard {
    std::vector<FileRange> allowed;
    std::string allowedName;        // "the rooms of the entries saved, ...": said of a write outside them
    std::function<Status()> proof;  // required
};

// The ranges the rooms themselves cover: what a save into places of a fixed table (a header's fields, the
// cutscene rooms) may write, the table deciding where.
[[nodiscard]] std::vector<FileRange> rangesOf(std::span<const RoomWrite> rooms);

// The one path by which anything writes into a game file. Before the file is opened, every room must lie
// inside the guard's allowed ranges, and rooms that overlap must agree on the bytes they share. Then, in
// order: lock the file (one save at a time), check every room against the size seen on the open
// descriptor, reserve the rooms' disk blocks, keep their old bytes in the undo file beside the game file
// (flushed), write, flush the game file, read every room back, run the guard's proof, remove the undo
// file. A refusal writes nothing; a failure part-way names the rooms written and not written and leaves the
// undo file, from which recoverInterruptedSave puts every old byte back. When the read-back or the proof
// fails, every old byte is written back from the undo file's copy, and the message ends with " Every byte
// was put back.".
[[nodiscard]] Status writeRooms(const std::string& gameFile, std::span<const RoomWrite> rooms,
                                const SaveGuard& guard);

// "FILE.romquill-undo" beside the file's resolved path (symbolic links followed): there only while a save
// runs, or after one was interrupted. It records the file's size and identity (device and inode, or the
// Windows file ID) with the old bytes.
[[nodiscard]] std::string undoPath(const std::string& gameFile);
// Also true for an undo file that is damaged or a dangling link, which block saves just the same, and for one
// left by a save through another hard link in the same folder.
[[nodiscard]] bool hasInterruptedSave(const std::string& gameFile);

// Under the save's lock (refused while a save runs): puts back the bytes the undo file kept and removes it;
// gives what was done, as a message to show. An undo file shorter than its header declares was cut short
// before the game file was touched: it is only removed. One that is damaged, made for another file, or
// whose rooms or size do not fit the file is kept, and nothing is restored.
[[nodiscard]] Result<std::string> recoverInterruptedSave(const std::string& gameFile);

// Forgets an interrupted save, whatever its undo file holds: the game file stays as it is now. Refused
// while a save runs.
[[nodiscard]] Status discardInterruptedSave(const std::string& gameFile);

// Faults that are hard to make for real, for tests.
struct WriteFaults {
    std::function<void()> afterCheck;   // runs once the file is locked and its rooms checked
    int failingWrite = 0;               // the Nth room write (from 1) fails as on a full disk
    std::function<void()> beforeProof;  // runs once the rooms are written, before a proof reads them
};
void setWriteFaults(WriteFaults faults);

// A whole new file (an exported alphabet) through NewFile: written under a temporary name, flushed, then
// renamed over path, so a failure leaves no half-made file and an older file at path stays until the end;
// what is no regular file at path is refused.
[[nodiscard]] Status writeNewFile(const std::string& path, std::string_view bytes);

}  // namespace rq::files
