// The result formats over rows with arbitrary names: the input is split at NUL bytes into paths,
// reasons and languages. JSON and the HTML page must stay valid UTF-8 with every name escaped.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "project/results_output.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavelin::project;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || text[i] == '\0') {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    std::vector<FileRow> rows;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        FileRow row;
        row.path = parts[i];
        row.language = parts[i + 1].substr(0, 8);
        row.status = static_cast<RowStatus>(parts[i + 1].size() % 8);
        if (!row.counted()) {
            row.reason = parts[i + 1];
        }
        row.counts.newSteps = static_cast<std::int32_t>(parts[i].size());
        rows.push_back(row);
    }
    const Summary summary = summarise(rows);
    const ResultHeading heading{parts.front(), parts.back(), true};
    for (OutputFormat f : {OutputFormat::Text, OutputFormat::Csv, OutputFormat::Json,
                           OutputFormat::Markdown, OutputFormat::Html}) {
        const std::string out = formatResults(f, rows, summary, heading);
        const bool mustBeUtf8 = f != OutputFormat::Csv;
        if (mustBeUtf8 && !tavelin::isWellFormedUtf8(out)) {
            __builtin_trap();
        }
        if ((f == OutputFormat::Html || f == OutputFormat::Markdown) &&
            out.find("<scr") != out.rfind("<script>\n")) {
            __builtin_trap();
        }
    }
    return 0;
}
