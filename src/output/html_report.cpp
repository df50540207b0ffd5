#include "output/html_report.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "datafiles/line_reader.h"
#include "platform/messages.h"
#include "platform/paths.h"

namespace tavelin {

namespace {

constexpr const char* kSaveFailed =
    "Data cannot be preserved, because the capacity of the disk is insufficient.";

bool isSjisLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF);
}

// 0x00BBGGRR to 0xRRGGBB.
std::uint32_t toRgb(std::uint32_t colour) {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

std::string statusBlock(std::uint32_t colour) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "<div style=\"background-color:#%06x\">", toRgb(colour));
    return buffer;
}

// Collects the report with LF line ends; text mode turns them into CR LF when written.
class ReportText {
  public:
    void put(std::string_view s) { text_.append(s); }
    void putf(const char* format, std::string_view arg) {
        std::string a(arg);
        const int n = std::snprintf(nullptr, 0, format, a.c_str());
        std::string out(static_cast<std::size_t>(n), '\0');
        std::snprintf(out.data(), out.size() + 1, format, a.c_str());
        text_.append(out);
    }
    void putNumber(const char* format, long long value) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, format, value);
        text_.append(buffer);
    }
    std::string textMode() const { return toTextMode(text_); }

  private:
    std::string text_;
};

void writeCodeBlock(ReportText& out, const ReportInputs& in, int list,
                    const std::array<std::string, 4>& blocks) {
    const CodeList& codeList = in.codeLists->lists[static_cast<std::size_t>(list)];
    const int side = codeList.side;
    const LineTable& rows = in.panes->rows[static_cast<std::size_t>(side)];
    const ModuleDescriptor* module = in.panes->module(side);
    std::uint8_t current = 0;
    for (std::size_t r = 0; r < codeList.captions.size(); ++r) {
        const LineRecord record = r < rows.size() ? rows[r] : LineRecord{0, -1};
        const std::uint8_t status = record.status > 3 ? 0 : record.status;
        if (status != current) {
            out.put("</div>");
            out.put(blocks[status]);
            current = status;
        }
        const std::string text = escapeHtml(codeList.captions[r]);
        if (!in.warningsShown) {
            out.put(text);
            out.put("\n");
            continue;
        }
        long long number = 0;
        if (status != static_cast<std::uint8_t>(LineStatus::Blank) && record.lineIndex >= 0) {
            number = static_cast<long long>(record.lineIndex) +
                     (module != nullptr ? module->lineNumber : 0);
        }
        if (number > 0) {
            out.putNumber("%08lld ", number);
        } else {
            out.put("         ");
        }
        out.put(text);
        out.put("\n");
    }
}

void writeWarningTable(ReportText& out, const ReportInputs& in, const WarningList* list) {
    out.put("<table border=\"1\" width=\"380\">\n<tr>\n");
    out.put("<td nowrap>Line No.</td>\n<td nowrap>Code No.</td>\n<td nowrap>Description</td>\n");
    if (in.extra1) {
        out.putf("<td nowrap>%s</td>\n", escapeHtml(in.extra1Name));
    }
    if (in.extra2) {
        out.putf("<td nowrap>%s</td>\n", escapeHtml(in.extra2Name));
    }
    out.put("</tr>\n");
    if (list != nullptr) {
        for (const WarningRow& row : list->rows) {
            out.put("<tr>\n");
            out.putf("<td>%s</td>\n", escapeHtml(row.caption));
            for (int c = 0; c < in.subItemColumns; ++c) {
                const std::string item = static_cast<std::size_t>(c) < row.subItems.size()
                                             ? row.subItems[static_cast<std::size_t>(c)]
                                             : "";
                out.putf("<td>%s</td>\n", escapeHtml(item));
            }
            out.put("</tr>\n");
        }
    }
    out.put("</table>\n");
}

}  // namespace

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (isSjisLead(c)) {
            out.push_back(text[i]);
            if (i + 1 < text.size()) {
                out.push_back(text[++i]);
            }
            continue;
        }
        switch (c) {
            case '<':
                out.append("&lt;");
                break;
            case '>':
                out.append("&gt;");
                break;
            case '&':
                out.append("&amp;");
                break;
            default:
                out.push_back(text[i]);
        }
    }
    return out;
}

std::string renderHtmlReport(const ReportInputs& in) {
    const std::array<std::string, 4> blocks{
        "<div style=\"background-color:#ffffff\">", statusBlock(in.deletedColour),
        statusBlock(in.addedColour), statusBlock(in.blankColour)};
    ReportText out;
    out.put(
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
        "\"http://www.w3.org/TR/html4/loose.dtd\">\n");
    out.put("<html>\n<head>\n");
    out.put("<meta name=\"GENERATOR\" content=\"Tavelin! Version 1.68E\">\n");
    out.put("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=SHIFT_JIS\">\n");
    out.put("<meta http-equiv=\"Content-Style-Type\" content=\"text/css\">\n");
    out.put("<title>Tavelin! Save data</title>\n</head>\n");
    out.put(
        "<body bgcolor=\"#ffffff\" text=\"#000000\" link=\"#0000ff\" vlink=\"#0000ff\" "
        "alink=\"#0000ff\">\n\n");
    out.put("<a name=\"topmain\"></a>\n<table border=\"1\">\n");
    out.put("<caption>Tavelin! Code cmparison result</caption>\n");
    out.put("<tr><th bgcolor=\"#ffccff\">");
    out.put(escapeHtml(in.codeLists->lists[0].heading));
    out.put("</th><th bgcolor=\"#ffccff\">");
    out.put(escapeHtml(in.codeLists->lists[1].heading));
    out.put("</th></tr>\n\n");
    out.put("<tr>\n<td>\n<pre style=\"background-color:#ffffff\">\n");
    out.put(blocks[0]);
    writeCodeBlock(out, in, 0, blocks);
    out.put("</div></pre>\n</td>\n\n<td>\n<pre style=\"background-color:#ffffff\">\n");
    out.put(blocks[0]);
    writeCodeBlock(out, in, 1, blocks);
    out.put("</div></pre>\n</td>\n</tr>\n\n</table>\n\n");
    if (in.warningsShown) {
        out.put("<table><tr><td valign=\"top\">\n");
        writeWarningTable(out, in, in.leftWarnings);
        out.put("</td><td valign=\"top\">\n");
        writeWarningTable(out, in, in.rightWarnings);
        out.put("</td></tr></table>\n");
    }
    out.put("<p align=\"left\"><table border=\"1\">\n<tbody>\n<tr>\n");
    for (const char* label : {"New", "Original", "Changed", "Re-used", "Deleted"}) {
        out.putf("<td align=left><font>%s</font></td>\n", label);
    }
    out.put("</tr>\n<tr>\n");
    for (std::int32_t value : {in.counts.newSteps, in.counts.originalSteps, in.counts.changedSteps,
                               in.counts.reusedSteps, in.counts.deletedSteps}) {
        out.putNumber("<td align=right><font>%lld</font></td>\n", value);
    }
    out.put("</tr>\n</tbody>\n</table></p>\n\n<hr>\n\n");
    out.put("<p align=\"right\"><a href=\"#topmain\">PAGE TOP</a></p>\n\n");
    out.put("<p align=\"left\" style=\"background:#ccffcc\">");
    out.put("Written by Tavelin, the module comparison and step counting viewer.");
    out.put("</p>\n</body>\n</html>\n");
    return out.textMode();
}

int writeHtmlReport(const std::string& path, const ReportInputs& inputs, bool silent,
                    MessageSink& messages) {
    const std::string bytes = renderHtmlReport(inputs);
    bool ok = false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file != nullptr) {
        ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        ok = (std::fflush(file) == 0) && ok;
        ok = (std::fclose(file) == 0) && ok;
    }
    if (ok) {
        return 0;
    }
    if (!silent) {
        messages.showMessage(kSaveFailed);
    }
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return -1;
}

std::string safeReportName(std::string_view name) {
    std::string out(name);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
            ++i;  // a double-byte character: its second byte may look like a separator
            continue;
        }
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' ||
            c == '"' || c == '<' || c == '>' || c == '|') {
            out[i] = '_';
        } else if (c == '.' && i + 1 < out.size() && out[i + 1] == '.') {
            out[i] = '_';
            out[i + 1] = '_';
            ++i;
        }
    }
    return out;
}

int buildReportPath(const ReportPathInputs& in, std::string& path) {
    const ModuleDescriptor* module = in.panes->module(kBefore);
    if (module == nullptr) {
        module = in.panes->module(kAfter);
    }
    if (module == nullptr) {
        return -1;
    }
    std::string name = module->moduleName.empty() ? fileNameOf(module->path) : module->moduleName;
    if (in.outPath->empty()) {
        *in.outPath = in.programFolder;
    }
    const std::string& base = *in.outPath;
    const std::string baseName = safeReportName(in.reportName.empty() ? name : in.reportName);
    // The separator before the sub-folder counts too.
    std::size_t length = base.size() + baseName.size() + 6;
    if (!in.reportFolder.empty()) {
        length += in.reportFolder.size() + 1;
    }
    if (length > kMaxPath) {
        return -1;
    }
    path = in.reportFolder.empty() ? joinPath(base, baseName + ".html")
                                   : joinPath(joinPath(base, in.reportFolder), baseName + ".html");
    return 0;
}

}  // namespace tavelin
