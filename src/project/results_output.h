#pragma once
// The results of a project count as text for people and for programs: an aligned table, CSV
// (RFC 4180), JSON (schema below), Markdown and an HTML page, all from the rows in path order,
// so that the same trees always give the same bytes.
//
// JSON schema, version 1 (fields are only ever added; a change of meaning raises "version"):
//   { "format": "tavelin-count", "version": 1, "before": S, "after": S,
//     "complete": B,                               false when the count was cancelled
//     "files": [ { "path": S, "before_path": S?,   before_path for moved and renamed files
//                  "language": S, "status": S,     added deleted changed unchanged moved renamed
//                                                  skipped unreadable
//                  "reason": S?,                   skipped and unreadable files
//                  "new": N, "original": N, "changed": N, "reused": N, "deleted": N,
//                  "after_steps": N|null, "before_steps": N|null,
//                  "report": S?,                   the report file, with --reports
//                  "path_hex": S?, "before_path_hex": S? } ],
//     "languages": [ { "language": S, "files": N, "new": N, ..., "after_steps": N,
//                      "before_steps": N } ],
//     "total": { "files": N, "new": N, ..., "after_steps": N, "before_steps": N },
//     "not_counted": { "skipped": N, "unreadable": N, "reasons": { S: N, ... } } }
// Strings are UTF-8. A path that is not valid UTF-8 is written with U+FFFD for each byte that is
// not part of a valid sequence, and its exact bytes follow in "path_hex" (two lower-case hex
// digits a byte), so nothing is lost.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "project/tree_count.h"

namespace tavelin::project {

enum class OutputFormat { Text, Csv, Json, Markdown, Html };

// "text", "csv", "json", "markdown" (or "md"), "html"; false for anything else.
bool parseOutputFormat(std::string_view name, OutputFormat& format);

struct Totals {
    std::size_t files = 0;
    std::int64_t newSteps = 0;
    std::int64_t originalSteps = 0;
    std::int64_t changedSteps = 0;
    std::int64_t reusedSteps = 0;
    std::int64_t deletedSteps = 0;
    std::int64_t afterSteps = 0;
    std::int64_t beforeSteps = 0;

    void add(const FileRow& row);
};

// The seven count columns every format shows, in order: New, Original, Changed, Re-used,
// Deleted, the steps after and the steps before. A row gives its counts as they are (a side
// that is absent -1), whether it was counted or not.
inline constexpr std::size_t kCountColumns = 7;
using CountValues = std::array<std::int64_t, kCountColumns>;
CountValues countValues(const FileRow& row);
CountValues countValues(const Totals& totals);

struct Summary {
    std::map<std::string, Totals> languages;  // counted files by language
    Totals all;
    std::size_t skipped = 0;
    std::size_t unreadable = 0;
    std::map<std::string, std::size_t> reasons;  // not counted, by reason
};

Summary summarise(const std::vector<FileRow>& rows);

struct ResultHeading {
    std::string before;  // what was compared, as named on the command line
    std::string after;
    bool complete = true;
};

std::string formatResults(OutputFormat format, const std::vector<FileRow>& rows,
                          const Summary& summary, const ResultHeading& heading);

// The HTML page: the table (rows linked to their reports when `links`), the totals by language
// and in all, sortable by any column in a browser that runs scripts, a plain table otherwise.
std::string htmlSummaryPage(const std::vector<FileRow>& rows, const Summary& summary,
                            const ResultHeading& heading, bool links);

// Escapes for the formats (exposed for the tests and the fuzz target).
std::string csvField(std::string_view text);
std::string jsonString(std::string_view text);
std::string htmlText(std::string_view text);
// Bytes as a terminal can show them: control characters and invalid UTF-8 as \xNN.
std::string printable(std::string_view text);

}  // namespace tavelin::project
