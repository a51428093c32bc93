#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// CommandLineToArgvW
#include <shellapi.h>

#include <streambuf>

namespace {

std::string utf8Of(const wchar_t* text, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

// The arguments as the user typed them, from the wide command line: argv holds them in the ANSI code page
// when Windows is older than the manifest's UTF-8 setting.
std::vector<std::string> arguments() {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide != nullptr && i < count; ++i) {
        args.push_back(utf8Of(wide[i], -1));
        args.back().pop_back();  // the terminating zero that a length of -1 counts
    }
    LocalFree(wide);
    return args;
}

// A console shows UTF-16 whatever its code page; each whole line goes out in one WriteConsoleW, so that no
// character is cut between two writes.
class ConsoleLines : public std::streambuf {
  public:
    explicit ConsoleLines(HANDLE console) : m_console(console) {}

  protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) {
            m_line += traits_type::to_char_type(c);
            if (c == '\n') {
                sync();
            }
        }
        return traits_type::not_eof(c);
    }
    int sync() override {
        if (m_line.empty()) {
            return 0;
        }
        const int size =
            MultiByteToWideChar(CP_UTF8, 0, m_line.data(), static_cast<int>(m_line.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(size), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, m_line.data(), static_cast<int>(m_line.size()), wide.data(), size);
        m_line.clear();
        DWORD written = 0;
        return WriteConsoleW(m_console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) ? 0
                                                                                                         : -1;
    }

  private:
    HANDLE m_console;
    std::string m_line;
};

// Bytes go out as the verbs write them: text mode would put a CR before every LF of a dump. A stream that is
// a console gets whole lines in UTF-16 instead.
void prepareStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    const auto attach = [](std::ostream& stream, DWORD which) {
        HANDLE handle = GetStdHandle(which);
        DWORD mode = 0;
        if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
            // Never freed: the stream flushes into it until the very end of the program.
            stream.rdbuf(new ConsoleLines(handle));
        }
    };
    attach(std::cout, STD_OUTPUT_HANDLE);
    attach(std::cerr, STD_ERROR_HANDLE);
}

}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    static_cast<void>(argc);
    static_cast<void>(argv);
    prepareStreams();
    const std::vector<std::string> args = arguments();
#else
    const std::vector<std::string> args(argv + 1, argv + argc);
#endif
    int status = rq::cli::kExitRefused;
    // The verbs report failures as messages; this is the last guard against one that was missed.
    try {
        status = rq::cli::run(args, {std::cout, std::cerr, std::cin, false});
    } catch (const std::exception& e) {
        rq::cli::say(std::cerr, e.what());
        return rq::cli::kExitRefused;
    }
    std::cout.flush();
    // Standard output writes through the C library, which keeps what it could not write: flushing it
    // again gives the system's reason.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        rq::cli::say(std::cerr, std::string("standard output: ") + std::strerror(errno) + ".");
        return status == rq::cli::kExitOk ? rq::cli::kExitRefused : status;
    }
    return status;
}
