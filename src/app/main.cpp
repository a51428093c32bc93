#include <QApplication>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string_view>

#include "files/common.h"
#include "kit/dialogs.h"
#include "kit/qtcodepage.h"
#include "kit/windowtools.h"
#include "launcher/loader.h"
#include "programwindows.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "Usage: romquill [OPTION]... [FILE]\n"
    "Opens the launcher; with FILE, loads it as Load... does.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n"
    "  --             ends the options: FILE may begin with \"-\"\n"
    "\n"
    "Qt's own options (-style NAME, -platform NAME, ...) are taken too.\n";

#ifdef _WIN32
// A program without a console of its own writes to the console it was started from, when there is one and
// its output is not redirected. What it writes goes out unchanged, as romquill-cli's does: no CR is added.
void useParentConsole() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        FILE* stream = nullptr;
        static_cast<void>(freopen_s(&stream, "CONOUT$", "w", stdout));
        static_cast<void>(freopen_s(&stream, "CONOUT$", "w", stderr));
    }
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}
#else
void useParentConsole() {}
#endif

// --help and --version are answered before the application starts, so that they need no display.
std::optional<int> answerAtOnce(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") {
            break;
        }
        if (arg == "-h" || arg == "--help" || arg == "--version") {
            useParentConsole();
            std::cout << (arg == "--version" ? "romquill " ROMQUILL_VERSION "\n" : kUsage) << std::flush;
            return 0;
        }
    }
    return std::nullopt;
}

struct FileArgument {
    std::optional<QString> file;
    QString error;
};

// What Qt left of the arguments, once it took its own: at most one file.
FileArgument fileArgument(const QStringList& args) {
    FileArgument found;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg.startsWith(QLatin1Char('-'))) {
            return {std::nullopt, QStringLiteral("unknown option \"%1\".").arg(arg)};
        } else if (found.file) {
            return {std::nullopt,
                    QStringLiteral("one file at a time: \"%1\" and \"%2\".").arg(*found.file, arg)};
        } else {
            found.file = arg;
        }
    }
    return found;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const auto answered = answerAtOnce(argc, argv)) {
        return *answered;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Romquill"));
    const FileArgument named = fileArgument(QCoreApplication::arguments());
    if (!named.error.isEmpty()) {
        useParentConsole();
        std::cerr << "romquill: " << named.error.toStdString() << '\n'
                  << kUsage.substr(0, kUsage.find('\n') + 1);
        return kExitUsage;
    }
    rq::files::setApplicationFolder(rq::kit::toPath(QCoreApplication::applicationDirPath()));

    rq::kit::QtDialogs dialogs;
    rq::launcher::LoaderWindow launcher(dialogs, rq::programWindows());
    rq::kit::centreOnScreen(&launcher);
    launcher.show();
    if (named.file) {
        launcher.loadFile(*named.file);
    }
    // Closing the launcher closes only the launcher; the process ends with its last window.
    return QApplication::exec();
}
