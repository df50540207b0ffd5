#include "project/results_output.h"

#include <algorithm>
#include <cstdio>

#include "platform/codepage.h"

namespace tavelin::project {

namespace {

std::string hexByte(unsigned char b, const char* prefix) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%s%02x", prefix, b);
    return buf;
}

std::string hexBytes(std::string_view text) {
    std::string out;
    for (char c : text) {
        out += hexByte(static_cast<unsigned char>(c), "");
    }
    return out;
}

// Walks the text as UTF-8: valid sequences go to `good`, each other byte to `bad`.
template <class Good, class Bad>
void walkUtf8(std::string_view text, Good good, Bad bad) {
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t cp = 0;
        const std::size_t n = decodeUtf8(text, i, cp);
        if (n == 0) {
            bad(static_cast<unsigned char>(text[i]));
            ++i;
        } else {
            good(text.substr(i, n));
            i += n;
        }
    }
}

std::string number(std::int64_t v) {
    return std::to_string(v);
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

}  // namespace

bool parseOutputFormat(std::string_view name, OutputFormat& format) {
    if (name == "text") {
        format = OutputFormat::Text;
    } else if (name == "csv") {
        format = OutputFormat::Csv;
    } else if (name == "json") {
        format = OutputFormat::Json;
    } else if (name == "markdown" || name == "md") {
        format = OutputFormat::Markdown;
    } else if (name == "html") {
        format = OutputFormat::Html;
    } else {
        return false;
    }
    return true;
}

void Totals::add(const FileRow& row) {
    ++files;
    newSteps += row.counts.newSteps;
    originalSteps += row.counts.originalSteps;
    changedSteps += row.counts.changedSteps;
    reusedSteps += row.counts.reusedSteps;
    deletedSteps += row.counts.deletedSteps;
    afterSteps += std::max(row.afterSteps, 0);
    beforeSteps += std::max(row.beforeSteps, 0);
}

CountValues countValues(const FileRow& row) {
    return {row.counts.newSteps,    row.counts.originalSteps, row.counts.changedSteps,
            row.counts.reusedSteps, row.counts.deletedSteps,  row.afterSteps,
            row.beforeSteps};
}

CountValues countValues(const Totals& t) {
    return {t.newSteps,     t.originalSteps, t.changedSteps, t.reusedSteps,
            t.deletedSteps, t.afterSteps,    t.beforeSteps};
}

Summary summarise(const std::vector<FileRow>& rows) {
    Summary s;
    for (const FileRow& row : rows) {
        if (row.counted()) {
            s.languages[row.language].add(row);
            s.all.add(row);
            continue;
        }
        ++(row.status == RowStatus::Failed ? s.unreadable : s.skipped);
        // The reason without the detail after a colon: "folder cannot be listed".
        const std::string reason = row.reason.substr(0, row.reason.find(':'));
        ++s.reasons[row.status == RowStatus::Failed ? "unreadable" : reason];
    }
    return s;
}

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
    return out;
}

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    walkUtf8(
        text,
        [&](std::string_view seq) {
            const auto c = static_cast<unsigned char>(seq[0]);
            if (seq.size() > 1) {
                out += seq;
            } else if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c == '\n') {
                out += "\\n";
            } else if (c == '\r') {
                out += "\\r";
            } else if (c == '\t') {
                out += "\\t";
            } else if (c < 0x20 || c == 0x7F) {
                out += hexByte(c, "\\u00");
            } else if (c == '<' || c == '>' || c == '&') {
                // Safe inside a script element too.
                out += hexByte(c, "\\u00");
            } else {
                out += static_cast<char>(c);
            }
        },
        [&](unsigned char) { out += kReplacement; });
    out += '"';
    return out;
}

std::string htmlText(std::string_view text) {
    std::string out;
    walkUtf8(
        text,
        [&](std::string_view seq) {
            if (seq.size() > 1) {
                out += seq;
                return;
            }
            const char c = seq[0];
            switch (c) {
                case '&':
                    out += "&amp;";
                    break;
                case '<':
                    out += "&lt;";
                    break;
                case '>':
                    out += "&gt;";
                    break;
                case '"':
                    out += "&quot;";
                    break;
                case '\'':
                    out += "&#39;";
                    break;
                default:
                    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                        // Line ends and other controls shown, not obeyed.
                        out += hexByte(static_cast<unsigned char>(c), "\\x");
                    } else {
                        out += c;
                    }
            }
        },
        [&](unsigned char) { out += kReplacement; });
    return out;
}

std::string printable(std::string_view text) {
    std::string out;
    walkUtf8(
        text,
        [&](std::string_view seq) {
            const auto c = static_cast<unsigned char>(seq[0]);
            if (seq.size() == 1 && (c < 0x20 || c == 0x7F || c == '\\')) {
                out += c == '\\' ? std::string("\\\\") : hexByte(c, "\\x");
            } else {
                out += seq;
            }
        },
        [&](unsigned char b) { out += hexByte(b, "\\x"); });
    return out;
}

namespace {

// Columns shared by the tables: the five counts and both sides' steps (empty where absent).
std::vector<std::string> countCells(const CountValues& values) {
    std::vector<std::string> cells;
    for (std::int64_t v : values) {
        cells.push_back(v < 0 ? std::string() : number(v));
    }
    return cells;
}

std::vector<std::string> countCells(const FileRow& row) {
    return row.counted() ? countCells(countValues(row)) : std::vector<std::string>(kCountColumns);
}

std::vector<std::string> totalCells(const Totals& t) {
    return countCells(countValues(t));
}

// The JSON keys of the count columns.
constexpr std::array<std::string_view, kCountColumns> kJsonCountKeys = {
    "new", "original", "changed", "reused", "deleted", "after_steps", "before_steps"};

// ", \"new\": 1, ..." with null for an absent side.
void appendJsonCounts(std::string& out, const CountValues& values) {
    for (std::size_t i = 0; i < kCountColumns; ++i) {
        out += ", \"";
        out += kJsonCountKeys[i];
        out += "\": ";
        out += values[i] < 0 ? std::string("null") : number(values[i]);
    }
}

const std::vector<std::string> kCountHeadings = {"New",     "Original", "Changed", "Re-used",
                                                 "Deleted", "After",    "Before"};

std::string statusText(const FileRow& row) {
    return std::string(statusName(row.status));
}

std::string pathText(const FileRow& row) {
    std::string s = printable(row.path);
    if (!row.beforePath.empty()) {
        s += " <- " + printable(row.beforePath);
    }
    if (!row.reason.empty()) {
        s += " (" + printable(row.reason) + ")";
    }
    return s;
}

std::string footnote(const Summary& s) {
    std::string out = "Not counted: " + std::to_string(s.skipped + s.unreadable) + " file(s)";
    if (!s.reasons.empty()) {
        out += " (";
        bool first = true;
        for (const auto& [reason, n] : s.reasons) {
            out += (first ? "" : ", ") + printable(reason) + " " + std::to_string(n);
            first = false;
        }
        out += ")";
    }
    return out;
}

std::string formatText(const std::vector<FileRow>& rows, const Summary& s, const ResultHeading& h) {
    std::vector<std::vector<std::string>> table;
    std::vector<std::string> heading = {"Status"};
    heading.insert(heading.end(), kCountHeadings.begin(), kCountHeadings.end());
    heading.insert(heading.end(), {"Language", "Path"});
    table.push_back(heading);
    for (const FileRow& row : rows) {
        std::vector<std::string> cells = {statusText(row)};
        const std::vector<std::string> counts = countCells(row);
        cells.insert(cells.end(), counts.begin(), counts.end());
        cells.push_back(printable(row.language));
        cells.push_back(pathText(row));
        table.push_back(std::move(cells));
    }
    const std::size_t fileRows = table.size();
    auto totalRow = [&table](std::string label, const std::string& language, const Totals& t) {
        std::vector<std::string> cells = {std::move(label)};
        const std::vector<std::string> counts = totalCells(t);
        cells.insert(cells.end(), counts.begin(), counts.end());
        cells.push_back(language);
        cells.push_back(std::to_string(t.files) + " file(s)");
        table.push_back(std::move(cells));
    };
    for (const auto& [language, t] : s.languages) {
        totalRow("total", printable(language), t);
    }
    totalRow("TOTAL", "", s.all);
    // Widths in bytes of UTF-8 characters, counted as one column each.
    auto width = [](const std::string& cell) {
        std::size_t w = 0;
        for (char c : cell) {
            w += (static_cast<unsigned char>(c) & 0xC0U) != 0x80U ? 1 : 0;
        }
        return w;
    };
    std::vector<std::size_t> widths(heading.size(), 0);
    for (const auto& cells : table) {
        for (std::size_t i = 0; i + 1 < cells.size(); ++i) {
            widths[i] = std::max(widths[i], width(cells[i]));
        }
    }
    std::string out = "Before: " + printable(h.before) + "\nAfter:  " + printable(h.after) + "\n\n";
    for (std::size_t r = 0; r < table.size(); ++r) {
        if (r == fileRows) {
            out += '\n';
        }
        const auto& cells = table[r];
        std::string line;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const std::size_t pad = i + 1 < cells.size() ? widths[i] - width(cells[i]) : 0;
            const bool right = i >= 1 && i <= kCountHeadings.size();
            if (right) {
                line.append(pad, ' ');
            }
            line += cells[i];
            if (!right && i + 1 < cells.size()) {
                line.append(pad, ' ');
            }
            if (i + 1 < cells.size()) {
                line += "  ";
            }
        }
        while (!line.empty() && line.back() == ' ') {
            line.pop_back();
        }
        out += line + "\n";
    }
    out += "\n" + footnote(s) + "\n";
    if (!h.complete) {
        out += "Cancelled: the count is incomplete.\n";
    }
    return out;
}

std::string formatCsv(const std::vector<FileRow>& rows, const Summary& s) {
    std::string out =
        "path,before_path,language,status,reason,new,original,changed,reused,deleted,"
        "after_steps,before_steps,report\r\n";
    for (const FileRow& row : rows) {
        out += csvField(row.path) + "," + csvField(row.beforePath) + "," + csvField(row.language) +
               "," + statusText(row) + "," + csvField(row.reason);
        for (const std::string& c : countCells(row)) {
            out += "," + c;
        }
        out += "," + csvField(row.report) + "\r\n";
    }
    auto total = [&](const std::string& language, const Totals& t) {
        out += "," + std::string() + "," + csvField(language) + ",total," +
               std::to_string(t.files) + " file(s)";
        for (const std::string& c : totalCells(t)) {
            out += "," + c;
        }
        out += ",\r\n";
    };
    for (const auto& [language, t] : s.languages) {
        total(language, t);
    }
    total("", s.all);
    return out;
}

void jsonTotals(std::string& out, const Totals& t) {
    out += "\"files\": " + std::to_string(t.files);
    appendJsonCounts(out, countValues(t));
}

std::string formatJson(const std::vector<FileRow>& rows, const Summary& s, const ResultHeading& h) {
    std::string out = "{\n  \"format\": \"tavelin-count\",\n  \"version\": 1,\n";
    out += "  \"before\": " + jsonString(h.before) + ",\n  \"after\": " + jsonString(h.after) +
           ",\n  \"complete\": " + (h.complete ? "true" : "false") + ",\n  \"files\": [";
    bool first = true;
    for (const FileRow& row : rows) {
        out += first ? "\n    {" : ",\n    {";
        first = false;
        out += "\"path\": " + jsonString(row.path);
        if (!row.beforePath.empty()) {
            out += ", \"before_path\": " + jsonString(row.beforePath);
        }
        out += ", \"language\": " + jsonString(row.language) + ", \"status\": \"" +
               statusText(row) + "\"";
        if (!row.reason.empty()) {
            out += ", \"reason\": " + jsonString(row.reason);
        }
        appendJsonCounts(out, countValues(row));
        if (!row.report.empty()) {
            out += ", \"report\": " + jsonString(row.report);
        }
        if (!isWellFormedUtf8(row.path)) {
            out += ", \"path_hex\": \"" + hexBytes(row.path) + "\"";
        }
        if (!row.beforePath.empty() && !isWellFormedUtf8(row.beforePath)) {
            out += ", \"before_path_hex\": \"" + hexBytes(row.beforePath) + "\"";
        }
        out += "}";
    }
    out += first ? "],\n  \"languages\": [" : "\n  ],\n  \"languages\": [";
    first = true;
    for (const auto& [language, t] : s.languages) {
        out += first ? "\n    {" : ",\n    {";
        first = false;
        out += "\"language\": " + jsonString(language) + ", ";
        jsonTotals(out, t);
        out += "}";
    }
    out += first ? "],\n  \"total\": {" : "\n  ],\n  \"total\": {";
    jsonTotals(out, s.all);
    out += "},\n  \"not_counted\": {\"skipped\": " + std::to_string(s.skipped) +
           ", \"unreadable\": " + std::to_string(s.unreadable) + ", \"reasons\": {";
    first = true;
    for (const auto& [reason, n] : s.reasons) {
        out += (first ? "" : ", ") + jsonString(reason) + ": " + std::to_string(n);
        first = false;
    }
    out += "}}\n}\n";
    return out;
}

// A Markdown table cell: HTML-escaped (Markdown passes HTML through), "|" and "\" escaped, and
// what Markdown would take as emphasis or code left as it is by the backslash escapes.
std::string markdownCell(std::string_view text) {
    std::string out;
    for (char c : htmlText(text)) {
        if (c == '|' || c == '\\' || c == '*' || c == '_' || c == '`' || c == '[' || c == ']') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

std::string formatMarkdown(const std::vector<FileRow>& rows, const Summary& s,
                           const ResultHeading& h) {
    std::string out =
        "Step counts of " + markdownCell(h.after) + " against " + markdownCell(h.before) + "\n\n";
    out +=
        "| Path | Language | Status | New | Original | Changed | Re-used | Deleted | After | "
        "Before |\n|---|---|---|--:|--:|--:|--:|--:|--:|--:|\n";
    for (const FileRow& row : rows) {
        std::string path = markdownCell(row.path);
        if (!row.beforePath.empty()) {
            path += " &lt;- " + markdownCell(row.beforePath);
        }
        std::string status = statusText(row);
        if (!row.reason.empty()) {
            status += " (" + markdownCell(row.reason) + ")";
        }
        out += "| " + path + " | " + markdownCell(row.language) + " | " + status;
        for (const std::string& c : countCells(row)) {
            out += " | " + c;
        }
        out += " |\n";
    }
    out +=
        "\n| Language | Files | New | Original | Changed | Re-used | Deleted | After | Before |\n"
        "|---|--:|--:|--:|--:|--:|--:|--:|--:|\n";
    auto total = [&](const std::string& name, const Totals& t) {
        out += "| " + name + " | " + std::to_string(t.files);
        for (const std::string& c : totalCells(t)) {
            out += " | " + c;
        }
        out += " |\n";
    };
    for (const auto& [language, t] : s.languages) {
        total(markdownCell(language), t);
    }
    total("**Total**", s.all);
    out += "\n" + markdownCell(footnote(s)) + "\n";
    if (!h.complete) {
        out += "\nCancelled: the count is incomplete.\n";
    }
    return out;
}

}  // namespace

std::string htmlSummaryPage(const std::vector<FileRow>& rows, const Summary& s,
                            const ResultHeading& h, bool links) {
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Step counts</title>\n<style>\n"
        "body{font-family:sans-serif;margin:1em}table{border-collapse:collapse;margin:1em 0}\n"
        "th,td{border:1px solid #aaa;padding:2px 6px}td.n{text-align:right}\n"
        "th{background:#eee;cursor:pointer}tr.added{background:#e6ffe6}"
        "tr.deleted{background:#ffe6e6}tr.changed,tr.renamed{background:#fffbe0}"
        "tr.skipped,tr.unreadable{color:#777}\n</style>\n</head>\n<body>\n";
    out += "<h1>Step counts</h1>\n<p>After: " + htmlText(h.after) +
           "<br>\nBefore: " + htmlText(h.before) + "</p>\n";
    if (!h.complete) {
        out += "<p><strong>Cancelled: the count is incomplete.</strong></p>\n";
    }
    out +=
        "<table class=\"sortable\" id=\"files\">\n<thead><tr><th>Path</th><th>Language</th>"
        "<th>Status</th>";
    for (const std::string& c : kCountHeadings) {
        out += "<th>" + c + "</th>";
    }
    out += "</tr></thead>\n<tbody>\n";
    for (const FileRow& row : rows) {
        out += "<tr class=\"" + statusText(row) + "\"><td>";
        std::string path = htmlText(row.path);
        if (links && !row.report.empty()) {
            // Report names hold only [A-Za-z0-9._~-]: nothing to escape in the address.
            path = "<a href=\"" + htmlText(row.report) + "\">" + path + "</a>";
        }
        out += path;
        if (!row.beforePath.empty()) {
            out += " &larr; " + htmlText(row.beforePath);
        }
        out += "</td><td>" + htmlText(row.language) + "</td><td>" + statusText(row);
        if (!row.reason.empty()) {
            out += " (" + htmlText(row.reason) + ")";
        }
        out += "</td>";
        for (const std::string& c : countCells(row)) {
            out += "<td class=\"n\">" + c + "</td>";
        }
        out += "</tr>\n";
    }
    out +=
        "</tbody>\n</table>\n<table class=\"sortable\" id=\"languages\">\n<thead><tr>"
        "<th>Language</th><th>Files</th>";
    for (const std::string& c : kCountHeadings) {
        out += "<th>" + c + "</th>";
    }
    out += "</tr></thead>\n<tbody>\n";
    auto total = [&](const std::string& name, const Totals& t) {
        out += "<tr><td>" + name + "</td><td class=\"n\">" + std::to_string(t.files) + "</td>";
        for (const std::string& c : totalCells(t)) {
            out += "<td class=\"n\">" + c + "</td>";
        }
        out += "</tr>\n";
    };
    for (const auto& [language, t] : s.languages) {
        total(htmlText(language), t);
    }
    out += "</tbody>\n<tfoot>\n";
    total("<strong>Total</strong>", s.all);
    out += "</tfoot>\n</table>\n<p>" + htmlText(footnote(s)) + "</p>\n";
    // Sorting by a click on a heading: numbers as numbers, the same heading again reverses.
    out +=
        "<script>\n"
        "document.querySelectorAll('table.sortable').forEach(function(t){\n"
        " t.querySelectorAll('th').forEach(function(th,i){\n"
        "  th.addEventListener('click',function(){\n"
        "   var b=t.tBodies[0],r=Array.prototype.slice.call(b.rows),up=th.dataset.dir!=='up';\n"
        "   th.dataset.dir=up?'up':'down';\n"
        "   r.sort(function(x,y){var a=x.cells[i].textContent,c=y.cells[i].textContent,\n"
        "    m=parseFloat(a),n=parseFloat(c),d=(!isNaN(m)&&!isNaN(n))?m-n:a<c?-1:a>c?1:0;\n"
        "    return up?d:-d;});\n"
        "   r.forEach(function(x){b.appendChild(x);});\n"
        "  });\n"
        " });\n"
        "});\n"
        "</script>\n</body>\n</html>\n";
    return out;
}

std::string formatResults(OutputFormat format, const std::vector<FileRow>& rows,
                          const Summary& summary, const ResultHeading& heading) {
    switch (format) {
        case OutputFormat::Text:
            return formatText(rows, summary, heading);
        case OutputFormat::Csv:
            return formatCsv(rows, summary);
        case OutputFormat::Json:
            return formatJson(rows, summary, heading);
        case OutputFormat::Markdown:
            return formatMarkdown(rows, summary, heading);
        case OutputFormat::Html:
            return htmlSummaryPage(rows, summary, heading, false);
    }
    return {};
}

}  // namespace tavelin::project
