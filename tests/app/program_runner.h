#pragma once
// Runs a copy of the built program from a program folder of its own, with private lock and work
// folders, no standard input and no display. Module paths given relative resolve in the program
// folder, which is also the current folder of the run.

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <optional>
#include <utility>
#include <vector>
#else
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <string>

#include "temp_folder.h"

namespace tavelin::apptest {

// One argument of a run, quoted as the platform's command line wants it (no characters of its
// own to escape: the tests' arguments hold no quotes).
inline std::string quoted(const std::string& argument) {
#ifdef _WIN32
    return "\"" + argument + "\"";
#else
    return "'" + argument + "'";
#endif
}

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

#ifdef _WIN32
// The C library writes standard output and error in text mode on Windows (CR LF); the tests
// compare the lines.
inline std::string withoutCarriageReturns(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' || i + 1 >= text.size() || text[i + 1] != '\n') {
            out.push_back(text[i]);
        }
    }
    return out;
}
#endif

class ProgramRunner {
  public:
    ProgramRunner() {
        std::error_code ec;
        std::filesystem::copy_file(TAVELIN_BINARY, program_.file(kProgramName), ec);
        copied_ = !ec;
    }

    bool copied() const { return copied_; }
    const TempFolder& program() const { return program_; }
    const TempFolder& work() const { return work_; }
    const TempFolder& lock() const { return lock_; }

#ifdef _WIN32
    // env: more variables for the run ("NAME='value' ..."; an empty value removes the
    // variable). The arguments are passed as they stand (no quoting).
    RunResult run(const std::string& args, const std::string& env = "") const {
        // The child inherits this process's environment, changed for the run and restored.
        std::vector<std::pair<std::string, std::optional<std::string>>> saved;
        auto setVariable = [&saved](const std::string& name, const std::string& value) {
            const char* old = std::getenv(name.c_str());
            saved.emplace_back(name,
                               old != nullptr ? std::optional<std::string>(old) : std::nullopt);
            SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
            _putenv_s(name.c_str(), value.c_str());
        };
        setVariable("XDG_RUNTIME_DIR", lock_.path());
        setVariable("TEMP", work_.path());
        for (const auto& [name, value] : parseAssignments(env)) {
            setVariable(name, value);
        }

        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        auto create = [&inherit](const std::string& path, DWORD access, DWORD disposition) {
            return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        };
        HANDLE in = create("NUL", GENERIC_READ, OPEN_EXISTING);
        HANDLE out = create(lock_.file("stdout.txt"), GENERIC_WRITE, CREATE_ALWAYS);
        HANDLE err = create(lock_.file("stderr.txt"), GENERIC_WRITE, CREATE_ALWAYS);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in;
        startup.hStdOutput = out;
        startup.hStdError = err;
        PROCESS_INFORMATION process{};
        std::string commandLine = "\"" + program_.file(kProgramName) + "\" " + args;
        RunResult r;
        if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                           program_.path().c_str(), &startup, &process)) {
            WaitForSingleObject(process.hProcess, INFINITE);
            DWORD code = 0;
            if (GetExitCodeProcess(process.hProcess, &code)) {
                r.exitCode = static_cast<int>(code);
            }
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        for (HANDLE h : {in, out, err}) {
            if (h != INVALID_HANDLE_VALUE) {
                CloseHandle(h);
            }
        }
        for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
            SetEnvironmentVariableA(it->first.c_str(), it->second ? it->second->c_str() : nullptr);
            _putenv_s(it->first.c_str(), it->second ? it->second->c_str() : "");
        }
        r.out = withoutCarriageReturns(lock_.read("stdout.txt"));
        r.err = withoutCarriageReturns(lock_.read("stderr.txt"));
        std::filesystem::remove(lock_.file("stdout.txt"));
        std::filesystem::remove(lock_.file("stderr.txt"));
        return r;
    }
#else
    // env: more variables for the run ("NAME='value' ...").
    RunResult run(const std::string& args, const std::string& env = "") const {
        const std::string command =
            "cd '" + program_.path() +
            "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR='" +
            lock_.path() + "' TEMP='" + work_.path() + "' " + env + " ./tavelin " + args + " >'" +
            lock_.file("stdout.txt") + "' 2>'" + lock_.file("stderr.txt") + "' </dev/null";
        const int status = std::system(command.c_str());
        RunResult r;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = lock_.read("stdout.txt");
        r.err = lock_.read("stderr.txt");
        std::filesystem::remove(lock_.file("stdout.txt"));
        std::filesystem::remove(lock_.file("stderr.txt"));
        return r;
    }
#endif

  private:
#ifdef _WIN32
    static constexpr const char* kProgramName = "tavelin.exe";

    // "NAME='value' OTHER=" as (name, value) pairs.
    static std::vector<std::pair<std::string, std::string>> parseAssignments(
        const std::string& env) {
        std::vector<std::pair<std::string, std::string>> out;
        std::size_t pos = 0;
        while (pos < env.size()) {
            if (env[pos] == ' ') {
                ++pos;
                continue;
            }
            const std::size_t eq = env.find('=', pos);
            if (eq == std::string::npos) {
                break;
            }
            std::string name = env.substr(pos, eq - pos);
            std::string value;
            pos = eq + 1;
            if (pos < env.size() && env[pos] == '\'') {
                const std::size_t close = env.find('\'', pos + 1);
                value = env.substr(pos + 1, close - pos - 1);
                pos = close == std::string::npos ? env.size() : close + 1;
            } else {
                const std::size_t space = env.find(' ', pos);
                value = env.substr(pos, space - pos);
                pos = space == std::string::npos ? env.size() : space;
            }
            out.emplace_back(std::move(name), std::move(value));
        }
        return out;
    }
#else
    static constexpr const char* kProgramName = "tavelin";
#endif

    TempFolder program_;
    TempFolder work_;
    TempFolder lock_;
    bool copied_ = false;
};

}  // namespace tavelin::apptest
