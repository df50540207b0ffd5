#pragma once
// The tavelin-count program over its arguments: the options, the two trees, the count, the
// results, the reports and the viewer. Everything it needs from the process comes in the host,
// so tests run it in-process as well as through the built program.

#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "project/results_output.h"

namespace tavelin::project {

// Exit statuses.
constexpr int kCountOk = 0;          // every file counted or skipped by rule
constexpr int kCountUnreadable = 1;  // some files or folders could not be read (listed)
constexpr int kCountUsage = 2;       // usage error, or nothing could be done

struct CountArguments {
    std::vector<std::string> operands;  // BEFORE AFTER, or REPO REV_BEFORE REV_AFTER with --git
    bool git = false;
    std::optional<OutputFormat> format;
    std::string output;  // -o FILE; empty: standard output
    std::string reports;
    std::vector<std::string> include;
    std::vector<std::string> exclude;
    bool renames = false;
    unsigned jobs = 0;
    std::string settings;
    std::string open;          // --open PATH
    std::string dataFile;      // --data-file OUT PATH: OUT
    std::string dataFilePath;  // ... PATH
    std::string viewer;        // --viewer PROGRAM
    bool progress = true;      // --no-progress turns the bar off
    bool help = false;
    bool version = false;
};

// Parses the arguments (argv[1..]). False with a one-line `error` on a usage error.
bool parseCountArguments(std::span<const std::string> args, CountArguments& out,
                         std::string& error);

struct CountHost {
    std::string programFolder;  // where the settings, the definitions and the viewer are
    std::string userFolder;     // the per-user settings folder
    std::optional<bool> programFolderWritable;
    std::string tempFolder;  // where --open puts its data file and module copies
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    bool terminalOut = false;  // standard output is a terminal (text is the default format)
    bool terminalErr = false;  // standard error is a terminal (the progress bar)
};

int runCount(std::span<const std::string> args, CountHost& host);

extern const std::string_view kCountUsageText;

}  // namespace tavelin::project
