#include <ostream>

#include "commands.h"
#include "files/codepage.h"
#include "files/iniReadWriteDelete.h"

namespace rq::cli {

int iniCommand(Arguments args, Streams io) {
    if (args.size() < 3 || args.size() > 4) {
        io.err << "Usage: romquill-cli ini FILE SECTION KEY [DEFAULT]\n";
        return kExitUsage;
    }
    // INI files hold code-page bytes; arguments and output are UTF-8.
    std::string names[3];
    for (std::size_t i = 1; i < args.size(); ++i) {
        const auto bytes = utf8ToBytes(args[i]);
        if (!bytes) {
            io.err << "romquill-cli: " << bytes.error() << '\n';
            return kExitUsage;
        }
        names[i - 1] = *bytes;
    }
    io.out << bytesToUtf8(iniRead(args[0], names[0], names[1], names[2])) << '\n';
    return kExitOk;
}

}  // namespace rq::cli
