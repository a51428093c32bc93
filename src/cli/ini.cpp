#include <ostream>

#include "files/codepage.h"
#include "files/iniReadWriteDelete.h"
#include "verbs.h"

namespace rq::cli {

int iniCommand(const Given& given, Console& console) {
    // INI files hold code-page bytes; arguments and output are UTF-8.
    std::string names[3];
    for (std::size_t i = 1; i < given.operands.size(); ++i) {
        const auto bytes = files::utf8ToBytes(given.operands[i]);
        if (!bytes) {
            console.say(bytes.error());
            return kExitUsage;
        }
        names[i - 1] = *bytes;
    }
    const auto file = console.input(given.operands[0]);
    if (!file) {
        console.say(file.error());
        return kExitRefused;
    }
    console.out() << files::bytesToUtf8(files::iniRead(*file, names[0], names[1], names[2])) << '\n';
    return kExitOk;
}

}  // namespace rq::cli
