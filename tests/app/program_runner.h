#pragma once
// Runs a copy of the built program from a program folder of its own, with private lock and work
// folders, no standard input and no display. Module paths given relative resolve in the program
// folder, which is also the current folder of the run.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "temp_folder.h"

namespace tavelin::apptest {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class ProgramRunner {
  public:
    ProgramRunner() {
        std::error_code ec;
        std::filesystem::copy_file(TAVELIN_BINARY, program_.file("tavelin"), ec);
        copied_ = !ec;
    }

    bool copied() const { return copied_; }
    const TempFolder& program() const { return program_; }
    const TempFolder& work() const { return work_; }
    const TempFolder& lock() const { return lock_; }

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

  private:
    TempFolder program_;
    TempFolder work_;
    TempFolder lock_;
    bool copied_ = false;
};

}  // namespace tavelin::apptest
