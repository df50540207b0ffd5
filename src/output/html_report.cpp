#include "output/html_report.h"

#include <algorithm>
#include <array>
#include <bit>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <span>
#include <system_error>
#include <thread>

#include "display/captions.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/replacing_file.h"
#include "platform/simd.h"
#include "text/encoding.h"
#include "text/text_rules.h"

namespace tavelin {

namespace {

constexpr const char* kSaveFailed =
    "Data cannot be preserved, because the capacity of the disk is insufficient.";

// 0x00BBGGRR to 0xRRGGBB.
std::uint32_t toRgb(std::uint32_t colour) {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

std::string statusBlock(std::uint32_t colour) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "<div style=\"background-color:#%06x\">", toRgb(colour));
    return buffer;
}

// Bytes that need a look: the three special characters and everything from 0x80 (a lead byte).
constexpr bool needsLook(unsigned char c) {
    return c == '<' || c == '>' || c == '&' || c >= 0x80;
}

// Escapes into `out` (see escapeHtml).
void appendEscaped(std::string_view text, std::string& out) {
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t run = i;
        while (run < n && !needsLook(static_cast<unsigned char>(text[run]))) {
            ++run;
        }
        if (run > i) {
            out.append(text.substr(i, run - i));
            i = run;
            if (i == n) {
                break;
            }
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (text::isShiftJisLead(c) && i + 1 < n &&
            text::isShiftJisTrail(static_cast<unsigned char>(text[i + 1]))) {
            out.push_back(text[i]);
            out.push_back(text[++i]);
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
}

// Bytes a plain row copies as they are: not a control byte of the caption (NUL, TAB, CR, LF),
// not a special character of HTML, not a lead byte.
constexpr std::array<bool, 256> makePlainBytes() {
    std::array<bool, 256> plain{};
    for (unsigned c = 0; c < 256; ++c) {
        plain[c] = c != 0 && c != '\t' && c != '\r' && c != '\n' && c != '<' && c != '>' &&
                   c != '&' && !text::isShiftJisLead(c);
    }
    return plain;
}
constexpr std::array<bool, 256> kPlainByte = makePlainBytes();

// The end of the plain bytes of `line` from `i` on; `readable` bytes from the line's start may be
// read (the text goes on after a row). Sixteen at a time where the target has SSE2: a byte below
// 0x20 or from 0x80 (both below 0x20 when compared as signed) or one of "<>&" stops the fast
// scan, and the table decides from there.
std::size_t plainRunEnd(std::span<const unsigned char> line, std::size_t i,
                        [[maybe_unused]] std::size_t readable) {
    const std::size_t n = line.size();
#ifdef TAVELIN_SIMD_SSE2
    const __m128i space = _mm_set1_epi8(0x20);
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i gt = _mm_set1_epi8('>');
    const __m128i amp = _mm_set1_epi8('&');
    while (i < n && i + 16 <= readable) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + i));
        const __m128i stop =
            _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(v, space), _mm_cmpeq_epi8(v, lt)),
                         _mm_or_si128(_mm_cmpeq_epi8(v, gt), _mm_cmpeq_epi8(v, amp)));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(stop));
        if (mask != 0) {
            i += static_cast<std::size_t>(std::countr_zero(mask));
            break;
        }
        i += 16;
    }
    if (i >= n) {
        return n;
    }
#endif
    while (i < n && kPlainByte[line[i]]) {
        ++i;
    }
    return i;
}

// The report's text on its way to the sink: LF becomes CR LF (the file is a text-mode file),
// and a block goes to the sink whenever the buffer is full.
class ReportText {
  public:
    explicit ReportText(ReportSink& sink) : sink_(sink) { buffer_.reserve(kBlock + 4096); }

    // Fixed text of the report.
    void put(std::string_view s) {
        for (;;) {
            const std::size_t lf = s.find('\n');
            if (lf == std::string_view::npos) {
                buffer_.append(s);
                break;
            }
            buffer_.append(s.substr(0, lf));
            buffer_.append("\r\n");
            s.remove_prefix(lf + 1);
        }
        flushIfFull();
    }
    // A row of 8-bit text shown as it is (no conversion): its caption and its escaping in one
    // pass, byte for byte what escaping the code-page caption gives. NUL becomes a blank, a TAB
    // blanks up to the next tab stop, CR and LF are dropped but take a column, and a lead byte
    // is copied with a trail byte after it.
    void putPlainRow(std::span<const unsigned char> line, std::size_t readable, int tabWidth) {
        std::string& out = buffer_;
        const std::size_t n = line.size();
        int column = 0;
        std::size_t i = 0;
        while (i < n) {
            const std::size_t run = plainRunEnd(line, i, readable);
            if (run > i) {
                out.append(reinterpret_cast<const char*>(line.data() + i), run - i);
                column += static_cast<int>(run - i);
                i = run;
                continue;
            }
            const unsigned char c = line[i];
            switch (c) {
                case '\t': {
                    const int blanks = tabWidth - column % tabWidth;
                    out.append(static_cast<std::size_t>(blanks), ' ');
                    column += blanks;
                    break;
                }
                case '\r':
                case '\n':
                    ++column;
                    break;
                case '\0':
                    out.push_back(' ');
                    ++column;
                    break;
                case '<':
                    out.append("&lt;");
                    ++column;
                    break;
                case '>':
                    out.append("&gt;");
                    ++column;
                    break;
                case '&':
                    out.append("&amp;");
                    ++column;
                    break;
                default:
                    out.push_back(static_cast<char>(c));
                    ++column;
                    if (text::isShiftJisLead(c) && i + 1 < n &&
                        text::isShiftJisTrail(line[i + 1])) {
                        out.push_back(static_cast<char>(line[++i]));
                        ++column;
                    }
                    break;
            }
            ++i;
        }
        out.append("\r\n");
        flushIfFull();
    }
    // Text from the module or the warning files, escaped.
    void putEscaped(std::string_view s) {
        if (s.find('\n') == std::string_view::npos) {
            appendEscaped(s, buffer_);
            flushIfFull();
            return;
        }
        escaped_.clear();
        appendEscaped(s, escaped_);
        put(escaped_);
    }
    // A cell or a heading: format is "<prefix>%s<suffix>" with the escaped text.
    void putCell(std::string_view prefix, std::string_view text, std::string_view suffix) {
        put(prefix);
        putEscaped(text);
        put(suffix);
    }
    void putNumber(const char* format, long long value) {
        char buffer[64];
        const int n = std::snprintf(buffer, sizeof buffer, format, value);
        if (n > 0) {
            put(std::string_view(
                buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1)));
        }
    }
    bool finish() {
        flush();
        return ok_;
    }

  private:
    static constexpr std::size_t kBlock = std::size_t{1} << 20;

    void flushIfFull() {
        if (buffer_.size() >= kBlock) {
            flush();
        }
    }
    void flush() {
        if (!buffer_.empty()) {
            ok_ = sink_.take(buffer_) && ok_;
            if (buffer_.capacity() < kBlock + 4096) {
                buffer_.reserve(kBlock + 4096);
            }
        }
    }

    ReportSink& sink_;
    std::string buffer_;
    std::string escaped_;
    bool ok_ = true;
};

void writeCodeBlock(ReportText& out, const ReportInputs& in, int list,
                    const std::array<std::string, 4>& blocks) {
    const CodeList& codeList = in.codeLists->lists[static_cast<std::size_t>(list)];
    const ModuleDescriptor* module = in.panes->module(codeList.side);
    CaptionFormatter captions(in.codeLists->tabWidth);
    // 8-bit text shown without conversion takes the one-pass path.
    const int tabWidth = in.codeLists->tabWidth > 0 ? in.codeLists->tabWidth : 8;
    const bool plain = module != nullptr && module->utf16 == 0 && module->codeNo != kCodeUtf8 &&
                       module->codeNo != kCodeEuc && module->codeNo != kCodeJis;
    std::span<const unsigned char> text;
    if (plain) {
        const auto side = static_cast<std::size_t>(codeList.side);
        const auto& bytes = in.panes->moduleText[side].bytes;
        text = std::span<const unsigned char>(bytes).first(std::min<std::size_t>(
            bytes.size(),
            static_cast<std::size_t>(std::max(in.panes->moduleLength[side], std::int32_t{0}))));
    }
    std::string caption;
    LineStatus current = LineStatus::Same;
    for (std::size_t r = 0; r < codeList.rows.size(); ++r) {
        const CodeRow& row = codeList.rows[r];
        const LineStatus status = shownStatus(row.status);
        if (status != current) {
            out.put("</div>");
            out.put(blocks[static_cast<std::size_t>(status)]);
            current = status;
        }
        if (in.warningsShown) {
            long long number = 0;
            if (status != LineStatus::Blank && row.lineIndex >= 0) {
                number = static_cast<long long>(row.lineIndex) +
                         (module != nullptr ? module->lineNumber : 0);
            }
            if (number > 0) {
                out.putNumber("%08lld ", number);
            } else {
                out.put("         ");
            }
        }
        if (plain) {
            const std::uint64_t end = std::uint64_t{row.offset} + row.length;
            if (row.length == 0 || end > text.size()) {
                out.putPlainRow({}, 0, tabWidth);
            } else {
                out.putPlainRow(text.subspan(row.offset, row.length), text.size() - row.offset,
                                tabWidth);
            }
            continue;
        }
        caption.clear();
        captions.appendAnsi(*in.panes, codeList, static_cast<std::int64_t>(r), caption);
        out.putEscaped(caption);
        out.put("\n");
    }
}

void writeWarningTable(ReportText& out, const ReportInputs& in, const WarningList* list) {
    out.put("<table border=\"1\" width=\"380\">\n<tr>\n");
    out.put("<td nowrap>Line No.</td>\n<td nowrap>Code No.</td>\n<td nowrap>Description</td>\n");
    if (in.extra1) {
        out.putCell("<td nowrap>", in.extra1Name, "</td>\n");
    }
    if (in.extra2) {
        out.putCell("<td nowrap>", in.extra2Name, "</td>\n");
    }
    out.put("</tr>\n");
    if (list != nullptr) {
        for (const WarningRow& row : list->rows) {
            out.put("<tr>\n");
            out.putCell("<td>", row.caption, "</td>\n");
            for (int c = 0; c < in.subItemColumns; ++c) {
                const auto index = static_cast<std::size_t>(c);
                out.putCell("<td>", index < row.subItems.size() ? row.subItems[index] : "",
                            "</td>\n");
            }
            out.put("</tr>\n");
        }
    }
    out.put("</table>\n");
}

class StringSink final : public ReportSink {
  public:
    bool write(std::string_view bytes) override {
        text.append(bytes);
        return true;
    }
    std::string text;
};

// Writes the blocks to a file on a thread of its own, so that the next block is formatted
// while the last one is written. Blocks are handed over by swapping buffers: one being filled,
// one waiting, one being written. Without a thread the blocks are written as they come.
class FileSink final : public ReportSink {
  public:
    FileSink(std::FILE* file, const ReportWriterStart& start) : file_(file) {
        try {
            auto work = [this] { writeLoop(); };
            writer_ = start ? start(work) : std::thread(work);
        } catch (const std::system_error&) {
            // No thread: write in the caller's.
        }
    }
    ~FileSink() override { finish(); }
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    bool write(std::string_view bytes) override {
        std::string copy(bytes);
        return take(copy);
    }
    bool take(std::string& block) override {
        if (!writer_.joinable()) {
            const bool ok = writeNow(block);
            block.clear();
            return ok;
        }
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !waiting_; });
        if (failed_) {
            block.clear();
            return false;
        }
        pending_.swap(block);
        waiting_ = true;
        changed_.notify_all();
        block.clear();
        return true;
    }
    // Waits until everything handed over is written; false when any write failed.
    bool finish() {
        if (writer_.joinable()) {
            {
                std::lock_guard lock(mutex_);
                closing_ = true;
            }
            changed_.notify_all();
            writer_.join();
        }
        return !failed_;
    }

  private:
    bool writeNow(const std::string& block) {
        if (std::fwrite(block.data(), 1, block.size(), file_) != block.size()) {
            failed_ = true;
        }
        return !failed_;
    }
    void writeLoop() {
        std::string writing;
        for (;;) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return waiting_ || closing_; });
            if (!waiting_) {
                return;  // closing, and nothing waits
            }
            writing.swap(pending_);
            waiting_ = false;
            const bool skip = failed_;
            lock.unlock();
            changed_.notify_all();
            if (!skip && std::fwrite(writing.data(), 1, writing.size(), file_) != writing.size()) {
                lock.lock();
                failed_ = true;
            }
            writing.clear();
        }
    }

    std::FILE* file_;
    std::thread writer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string pending_;
    bool waiting_ = false;  // pending_ holds a block
    bool closing_ = false;
    bool failed_ = false;
};

}  // namespace

ReportInputs reportInputsFor(const CodeListModels& lists, const ModulePanes& panes,
                             const WarningList& left, const WarningList& right,
                             const CounterSettings& counter, const ViewerSettings& viewer,
                             const ExtraColumnNames& extra, const StepCountRecord& counts) {
    ReportInputs in;
    in.codeLists = &lists;
    in.panes = &panes;
    in.leftWarnings = &left;
    in.rightWarnings = &right;
    in.warningsShown = warningListsVisible(counter);
    in.subItemColumns = warningSubItemCount(counter);
    in.extra1 = counter.csvext1no > 0;
    in.extra2 = counter.csvext2no > 0;
    in.extra1Name = extra.first;
    in.extra2Name = extra.second;
    in.deletedColour = static_cast<std::uint32_t>(viewer.delColor);
    in.addedColour = static_cast<std::uint32_t>(viewer.addColor);
    in.blankColour = static_cast<std::uint32_t>(viewer.spcColor);
    in.counts = counts;
    return in;
}

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    appendEscaped(text, out);
    return out;
}

bool streamHtmlReport(const ReportInputs& in, ReportSink& sink) {
    const std::array<std::string, 4> blocks{
        "<div style=\"background-color:#ffffff\">", statusBlock(in.deletedColour),
        statusBlock(in.addedColour), statusBlock(in.blankColour)};
    ReportText out(sink);
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
    out.putCell("<tr><th bgcolor=\"#ffccff\">", in.codeLists->lists[0].headingAnsi(),
                "</th><th bgcolor=\"#ffccff\">");
    out.putCell("", in.codeLists->lists[1].headingAnsi(), "</th></tr>\n\n");
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
        out.put("<td align=left><font>");
        out.put(label);
        out.put("</font></td>\n");
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
    return out.finish();
}

std::string renderHtmlReport(const ReportInputs& inputs) {
    StringSink sink;
    streamHtmlReport(inputs, sink);
    return std::move(sink.text);
}

int writeReportFile(const std::string& path, const std::function<bool(ReportSink&)>& fill,
                    bool silent, MessageSink& messages, const ReportWriterStart& startWriter) {
    bool ok = false;
    {
        ReplacingFile out(path);
        if (out.handle() != nullptr) {
            bool complete = false;
            {
                // Joins its thread before the file is closed, also when fill throws.
                FileSink sink(out.handle(), startWriter);
                complete = fill(sink);
                complete = sink.finish() && complete;
            }
            ok = out.commit(complete);
        }
    }
    if (ok) {
        return 0;
    }
    if (!silent) {
        messages.showMessage(kSaveFailed);
    }
    return -1;
}

int writeHtmlReport(const std::string& path, const ReportInputs& inputs, bool silent,
                    MessageSink& messages) {
    return writeReportFile(
        path, [&inputs](ReportSink& sink) { return streamHtmlReport(inputs, sink); }, silent,
        messages);
}

std::string safeReportName(std::string_view name) {
    std::string out(name);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (text::isShiftJisLead(c) && i + 1 < out.size() &&
            text::isShiftJisTrail(static_cast<unsigned char>(out[i + 1]))) {
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

int buildReportPath(const ReportPathInputs& in, std::string& path, std::string& usedOutPath) {
    const ModuleDescriptor* module = in.panes->module(kBefore);
    if (module == nullptr) {
        module = in.panes->module(kAfter);
    }
    if (module == nullptr) {
        return -1;
    }
    std::string name = module->moduleName.empty() ? fileNameOf(module->path) : module->moduleName;
    usedOutPath = in.outPath.empty() ? in.programFolder : in.outPath;
    const std::string& base = usedOutPath;
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
