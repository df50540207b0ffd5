#pragma once
// The HTML comparison report: the two code lists side by side, each row in the colour of its
// line status, optionally with line numbers and the two warning lists, and the five step counts.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "datafiles/module_panes.h"
#include "datafiles/records.h"
#include "datafiles/viewer_settings.h"
#include "display/code_lists.h"
#include "warnings/warning_list.h"

namespace tavelin {

class MessageSink;

struct ReportInputs {
    const CodeListModels* codeLists = nullptr;  // left and right list, with the tab width
    const ModulePanes* panes = nullptr;         // module texts and descriptors
    const WarningList* leftWarnings = nullptr;
    const WarningList* rightWarnings = nullptr;
    bool warningsShown = false;
    int subItemColumns = 2;  // 2, plus one per configured extra column
    bool extra1 = false;     // [CSVEXT1NO] > 0
    bool extra2 = false;     // [CSVEXT2NO] > 0
    std::string extra1Name;
    std::string extra2Name;
    std::uint32_t deletedColour = 0x0000FF;  // 0x00BBGGRR
    std::uint32_t addedColour = 0x00FF00;
    std::uint32_t blankColour = 0x00FFFF;
    StepCountRecord counts;
};

// The report of what the lists show: both lists, the module texts, the warning lists and the
// settings that decide the report's columns and colours.
ReportInputs reportInputsFor(const CodeListModels& lists, const ModulePanes& panes,
                             const WarningList& left, const WarningList& right,
                             const CounterSettings& counter, const ViewerSettings& viewer,
                             const ExtraColumnNames& extra, const StepCountRecord& counts);

// "<", ">" and "&" replaced. A Shift-JIS double-byte character (a lead byte and a trail byte) is
// copied whole, so its trail byte is never taken for a special character; a lead byte without a
// trail byte after it is copied alone and the next byte is examined as any other ('<', '>' and
// '&' are never trail bytes, so markup cannot hide behind a lead byte).
std::string escapeHtml(std::string_view text);

// Where the report's bytes go, a block at a time.
class ReportSink {
  public:
    virtual ~ReportSink() = default;
    // Returns false when the bytes could not be taken.
    virtual bool write(std::string_view bytes) = 0;
    // Takes a whole block, leaving `block` empty (a sink may swap in a buffer of its own).
    virtual bool take(std::string& block) {
        const bool ok = write(block);
        block.clear();
        return ok;
    }
};

// Writes the report into the sink, with text-mode CR LF line ends, formatting and escaping the
// rows as it goes (a large buffer in between, nothing else held). Returns false when the sink
// refused a block.
bool streamHtmlReport(const ReportInputs& inputs, ReportSink& sink);

// The report as bytes, with text-mode CR LF line ends.
std::string renderHtmlReport(const ReportInputs& inputs);

// Starts the thread that writes a report file's blocks while the next one is formatted. Throws
// std::system_error when no thread can be started, as std::thread does; the blocks are then
// written on the caller's thread.
using ReportWriterStart = std::function<std::thread(std::function<void()>)>;

// Writes what `fill` streams into its sink to `path`. The bytes go to a new temporary file in
// the same folder, which takes the place of the file at `path` only once every byte is written,
// flushed and closed; on any failure (fill returning false, a write, the flush, the close or the
// replacing failing) only the temporary file is removed, so a file already at `path` stays as it
// was. An exception from fill is passed on once the file is closed and removed. A symbolic link
// keeps pointing at the file it names, which is replaced; a path that names something other than
// a regular file (a device) is written directly and never removed. Returns 0, or -1 on failure,
// and then shows "Data cannot be preserved, because the capacity of the disk is insufficient."
// unless `silent`. An empty startWriter starts a std::thread.
int writeReportFile(const std::string& path, const std::function<bool(ReportSink&)>& fill,
                    bool silent, MessageSink& messages, const ReportWriterStart& startWriter = {});

// Writes the report to `path` with writeReportFile.
int writeHtmlReport(const std::string& path, const ReportInputs& inputs, bool silent,
                    MessageSink& messages);

struct ReportPathInputs {
    const ModulePanes* panes = nullptr;
    std::string outPath;  // [OUTPATH]; an empty one takes the program folder
    std::string programFolder;
    std::string reportFolder;  // /p
    std::string reportName;    // /n
};

// The automatic report's path: <[OUTPATH]>[/<reportFolder>]/<name>.html. Returns 0, or -1 when
// there is no module or the path would be longer than 521 characters. Unless there is no module,
// usedOutPath receives the [OUTPATH] the path is built on (the program folder for an empty one).
int buildReportPath(const ReportPathInputs& inputs, std::string& path, std::string& usedOutPath);

// A module or file name made safe as a report file name: path separators, "..", and characters
// a file name cannot hold become "_" (Shift-JIS double-byte characters, a lead byte and a valid
// trail byte, are kept whole).
std::string safeReportName(std::string_view name);

}  // namespace tavelin
