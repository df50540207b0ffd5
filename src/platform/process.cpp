#include "platform/process.h"

#include <thread>

#include "platform/codepage.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <errno.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;  // NOLINT: POSIX declares it nowhere
#endif

namespace tavelin {

#ifdef _WIN32

namespace {

// One argument quoted as the C runtime splits command lines.
void appendQuoted(std::wstring& line, const std::wstring& arg) {
    line.push_back(L'"');
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        line.push_back(c);
    }
    line.append(2 * backslashes, L'\\');
    line.push_back(L'"');
}

// Paths and arguments are in the machine's ANSI code page, as the C runtime gives them.
std::wstring widen(const std::string& s) {
    const std::u16string units = fileSystemToUtf16(s);
    return {units.begin(), units.end()};
}

}  // namespace

bool startDetached(const std::string& program, const std::vector<std::string>& args) {
    const std::wstring exe = widen(program);
    std::wstring line;
    appendQuoted(line, exe);
    for (const std::string& a : args) {
        line.push_back(L' ');
        appendQuoted(line, widen(a));
    }
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS,
                        nullptr, nullptr, &si, &pi)) {
        return false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

bool isTerminal(std::FILE* stream) {
    return stream != nullptr && _isatty(_fileno(stream)) != 0;
}

std::string executableName(const std::string& program) {
    return program + ".exe";
}

#else

bool startDetached(const std::string& program, const std::vector<std::string>& args) {
    if (::access(program.c_str(), X_OK) != 0) {
        return false;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    // A child of a child: the program is adopted by init when the intermediate one exits, so
    // it neither becomes a zombie of ours nor ends with us.
    const pid_t middle = ::fork();
    if (middle < 0) {
        return false;
    }
    if (middle == 0) {
        ::setsid();
        pid_t pid = 0;
        const int rc = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
        ::_exit(rc == 0 ? 0 : 127);
    }
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool isTerminal(std::FILE* stream) {
    return stream != nullptr && ::isatty(::fileno(stream)) != 0;
}

std::string executableName(const std::string& program) {
    return program;
}

#endif

unsigned processorCount() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : n;
}

}  // namespace tavelin
