#pragma once
// The count of a whole project: two trees paired by path, every pair counted as the viewer's
// unattended run counts it, on several threads, one result row per file. The command-line
// counter and the window's folder comparison both run it.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "datafiles/records.h"
#include "project/count_setup.h"
#include "project/glob.h"
#include "project/tree_source.h"

namespace tavelin::project {

enum class RowStatus : std::uint8_t {
    Added,      // only in the after tree
    Deleted,    // only in the before tree
    Changed,    // in both, bytes differ
    Unchanged,  // in both, same bytes
    Moved,      // only in one tree each, same bytes (counted as unchanged)
    Renamed,    // --renames: same name in another folder, at least half of the steps match
    Skipped,    // not counted by rule: no definition, binary, link, special file
    Failed,     // could not be read (a file or a folder)
};

// "added", "deleted", "changed", "unchanged", "moved", "renamed", "skipped", "unreadable".
std::string_view statusName(RowStatus status);

struct FileRow {
    std::string path;        // the after path (the before path of a deleted file)
    std::string beforePath;  // moved and renamed files: where the file was; else empty
    std::string language;    // the definition's name; empty when skipped for want of one
    RowStatus status = RowStatus::Skipped;
    std::string reason;  // skipped and unreadable rows: why
    StepCountRecord counts;
    std::int32_t afterSteps = -1;  // counted steps of each side, -1 when absent
    std::int32_t beforeSteps = -1;
    std::string report;  // the comparison report's file name in the report folder, if any

    bool counted() const { return status != RowStatus::Skipped && status != RowStatus::Failed; }
};

// A row whose pair differs (changed, added, deleted, renamed): it gets a report, and the window
// steps to it as the next changed file.
bool isChange(RowStatus status);

// The order of the rows: by path, then by the before path of a moved or renamed file (bytes).
bool rowBefore(const FileRow& a, const FileRow& b);

struct CountOptions {
    PathFilter filter;
    bool renames = false;
    unsigned jobs = 0;         // worker threads; 0: one per processor
    std::string reportFolder;  // --reports DIR; empty: no reports
};

// What the caller hears while a count runs. Every callback may be called from a worker thread;
// calls are never concurrent with each other.
struct CountCallbacks {
    // A row as soon as it is finished (in no particular order).
    std::function<void(const FileRow&)> onRow;
    // Files finished of the total, after every row.
    std::function<void(std::size_t done, std::size_t total)> onProgress;
    // Set by the caller to stop: the files being counted finish, no new one starts.
    const std::atomic<bool>* cancel = nullptr;
};

struct TreeCount {
    std::vector<FileRow> rows;  // sorted by path (bytes)
    bool cancelled = false;
    std::size_t total = 0;          // files planned
    std::size_t reportsFailed = 0;  // reports that could not be written
};

// A file is binary when its first 8 KiB hold a NUL byte and it is not UTF-16 text.
bool looksBinary(std::span<const unsigned char> bytes);

// Counts the two trees. Reports, when asked for, are written as each pair finishes; the index
// page is the caller's (writeIndexPage).
TreeCount countTrees(const CountSetup& setup, TreeSource& before, TreeSource& after,
                     const CountOptions& options, const CountCallbacks& callbacks = {});

// The report file name of a path: the path's characters outside [A-Za-z0-9._-] and the folder
// separators made "_", cut to a reasonable length, ".html" added; `taken` holds the names given
// so far (compared without letter case) and a name already taken gets "~2", "~3", ... .
std::string reportFileName(std::string_view path, std::unordered_set<std::string>& taken);

}  // namespace tavelin::project
