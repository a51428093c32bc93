#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "files/common.h"
#include "support/testfiles.h"

namespace rq::test {

// What a run of one of the project's programs gave.
struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

#ifdef _WIN32
// One argument as the C runtime splits a command line: quotes around it, a quote escaped, and the
// backslashes before a quote (or before the closing one) doubled.
inline std::wstring quotedForWindows(const std::string& word) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    const std::filesystem::path wide = files::fsPath(word);
    for (const wchar_t c : wide.native()) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    return quoted.append(2 * backslashes, L'\\') + L"\"";
}

// Runs a built program as a user would, in the given folder (the current one when empty): no shell, its
// streams into files of its own and standard input from the input file, else from NUL.
inline ToolRun runTool(const std::string& program, const std::vector<std::string>& args,
                       const std::string& folder = {}, const std::string& input = {}) {
    const TempDir scratch;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const auto create = [&inherit](const std::wstring& name, DWORD access, DWORD disposition) {
        return CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE out = create(files::fsPath(scratch.file("out")).native(), GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = create(files::fsPath(scratch.file("err")).native(), GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE in = create(input.empty() ? L"NUL" : files::fsPath(input).native(), GENERIC_READ, OPEN_EXISTING);
    // Absolute, in the test's own current folder: the build names programs with '/' from the drive's root.
    std::error_code ec;
    std::wstring command =
        quotedForWindows(files::pathText(std::filesystem::absolute(files::fsPath(program), ec)));
    for (const auto& arg : args) {
        command += L" " + quotedForWindows(arg);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const std::wstring where = files::fsPath(folder).native();
    ToolRun run;
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       folder.empty() ? nullptr : where.c_str(), &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        run.exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    const DWORD started = run.exitCode == -1 ? GetLastError() : 0;
    CloseHandle(out);
    CloseHandle(err);
    CloseHandle(in);
    run.out = readAll(scratch.file("out"));
    run.err = started != 0 ? "cannot start: error " + std::to_string(started) : readAll(scratch.file("err"));
    return run;
}
#else
inline std::string quotedForShell(const std::string& word) {
    std::string quoted = "'";
    for (const char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Runs a built program as a user would, in the given folder (the current one when empty), standard input
// from the input file (else /dev/null). Both streams go to files, so a program that writes much to one
// cannot stall on the other.
inline ToolRun runTool(const std::string& program, const std::vector<std::string>& args,
                       const std::string& folder = {}, const std::string& input = {}) {
    const TempDir scratch;
    std::string command = folder.empty() ? std::string() : "cd " + quotedForShell(folder) + " && ";
    command += quotedForShell(program);
    for (const auto& arg : args) {
        command += " " + quotedForShell(arg);
    }
    command += " >" + quotedForShell(scratch.file("out")) + " 2>" + quotedForShell(scratch.file("err")) +
               " <" + quotedForShell(input.empty() ? "/dev/null" : input);
    const int status = std::system(command.c_str());
    ToolRun run;
    run.exitCode = (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    run.out = readAll(scratch.file("out"));
    run.err = readAll(scratch.file("err"));
    return run;
}

#endif

// Runs a romquill-cli command line in-process, as the program's main does, its output into out when given
// and input as its standard input; a --program-folder it takes lasts only for the run.
inline ToolRun runCli(const std::vector<std::string>& args, std::ostream* out = nullptr,
                      const std::string& input = {}) {
    const std::string folder = files::applicationFolder();
    std::ostringstream text, err;
    std::istringstream in(input);
    const int exitCode = rq::cli::run(args, {out != nullptr ? *out : text, err, in});
    files::setApplicationFolder(folder);
    return {exitCode, text.str(), err.str()};
}

}  // namespace rq::test
