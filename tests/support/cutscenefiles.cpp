#include "support/cutscenefiles.h"

#include <vector>

namespace rq::test {

std::string cutsceneShownText(std::size_t room) {
    return "t" + std::to_string(room);
}

std::string writeCutsceneExecutable(const TempDir& dir, const std::string& marker,
                                    cutscenes::Edition edition) {
    const auto rooms = cutscenes::rooms();
    std::vector<Patch> patches = {{0x3C, marker}};
    for (std::size_t i = 0; i < rooms.size(); ++i) {
        if (const auto offset = cutscenes::fileOffset(rooms[i], edition)) {
            const std::string text = cutsceneShownText(i) + '\0';
            patches.push_back(
                {static_cast<std::uint64_t>(*offset), text + std::string(rooms[i].size - text.size(), '~')});
        }
    }
    const std::string path = dir.file("sonic" + marker + ".exe");
    writeImage(path, patches, 0x480000);
    return path;
}

}  // namespace rq::test
