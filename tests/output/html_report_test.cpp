#include "output/html_report.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <span>
#include <stdexcept>
#include <system_error>

#include "display/captions.h"
#include "platform/messages.h"
#include "platform/paths.h"

namespace tavelin {
namespace {

struct RecordingSink : MessageSink {
    std::vector<std::string> messages;
    void showMessage(std::string_view text) override { messages.emplace_back(text); }
};

struct Row {
    LineStatus status;
    std::int32_t lineIndex;
    std::string text;  // empty for filler and padding rows
};

struct Fixture {
    ModulePanes panes;
    CodeListModels lists;
    WarningList left, right;
    ReportInputs in;
    Fixture() {
        lists.lists[0].side = kAfter;
        lists.lists[1].side = kBefore;
        in.codeLists = &lists;
        in.panes = &panes;
        in.leftWarnings = &left;
        in.rightWarnings = &right;
    }
    // The rows of a list over a module text made of their lines (ANSI, one LF after each).
    void setRows(int list, const std::vector<Row>& rows) {
        CodeList& l = lists.lists[static_cast<std::size_t>(list)];
        const auto side = static_cast<std::size_t>(l.side);
        panes.present[side] = true;
        panes.hasBuffer[side] = true;
        std::vector<unsigned char>& text = panes.moduleText[side].bytes;
        text.clear();
        l.rows.clear();
        for (const Row& r : rows) {
            l.rows.push_back(CodeRow{static_cast<std::uint32_t>(text.size()),
                                     static_cast<std::uint32_t>(r.text.size()), r.lineIndex,
                                     r.status});
            text.insert(text.end(), r.text.begin(), r.text.end());
            text.push_back('\n');
        }
        panes.moduleLength[side] = static_cast<std::int32_t>(text.size());
        text.push_back(0);
    }
};

TEST(HtmlReport, Escaping) {
    EXPECT_EQ(escapeHtml("if (a<b && c>d)"), "if (a&lt;b &amp;&amp; c&gt;d)");
    // A double-byte character is copied whole: its trail byte is never taken for '\\' or '|'.
    EXPECT_EQ(escapeHtml("\x81\x5C\x95\x7C<"), "\x81\x5C\x95\x7C&lt;");
    EXPECT_EQ(escapeHtml("\xE0"), "\xE0");
    EXPECT_EQ(escapeHtml("\"'"), "\"'");
    // '<', '>' and '&' are never trail bytes: after a lead byte they are escaped like anywhere.
    EXPECT_EQ(escapeHtml("x\x81<img src=x onerror=alert(1)>"),
              "x\x81&lt;img src=x onerror=alert(1)&gt;");
    EXPECT_EQ(escapeHtml("\x9F&\xEF>\xFC<\xF0&"), "\x9F&amp;\xEF&gt;\xFC&lt;\xF0&amp;");
    EXPECT_EQ(escapeHtml("a\x81"), "a\x81");  // a lead byte at the end stays alone
}

// No text the report writes can open an element: code rows (also at their end), headings,
// warning cells and extra column names.
TEST(HtmlReport, LeadBytesCannotSmuggleMarkupIntoAnyPartOfTheReport) {
    Fixture f;
    f.in.warningsShown = true;
    f.in.extra1 = true;
    f.in.extra1Name = "\x81<b>";
    f.in.subItemColumns = 3;
    f.setRows(0, {{LineStatus::Same, 0, "x\x81<img src=x onerror=alert(1)>"},
                  {LineStatus::Added, 1, "tail\x81"},
                  {LineStatus::Same, 2, "\x81&amp;"}});
    f.panes.descriptors[kAfter].lineNumber = 1;
    f.lists.lists[1].title = "Before change";
    f.lists.lists[1].hasModule = true;
    f.lists.lists[1].encoding = "ANSI";
    f.lists.lists[1].path = "\x81<script>.c";
    f.left.rows.push_back({"1\x81<i>", {"W\x81<u>", "\x82>", "\xE0&"}});
    const std::string html = renderHtmlReport(f.in);
    EXPECT_EQ(html.find("<img"), std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_EQ(html.find("<i>"), std::string::npos);
    EXPECT_EQ(html.find("<u>"), std::string::npos);
    EXPECT_NE(html.find("00000001 x\x81&lt;img src=x onerror=alert(1)&gt;\r\n"), std::string::npos);
    EXPECT_NE(html.find("00000002 tail\x81\r\n"), std::string::npos);
    EXPECT_NE(html.find("00000003 \x81&amp;amp;\r\n"), std::string::npos);
#ifdef _WIN32
    // A path is in the machine's ANSI code page: elsewhere than on a Japanese system the byte
    // is a character of its own, which code page 932 lacks.
    EXPECT_NE(
        html.find(GetACP() == 932 ? "[\x81&lt;script&gt;.c]</th>" : "[?&lt;script&gt;.c]</th>"),
        std::string::npos);
#else
    EXPECT_NE(html.find("[\x81&lt;script&gt;.c]</th>"), std::string::npos);
#endif
    EXPECT_NE(html.find("<td nowrap>\x81&lt;b&gt;</td>"), std::string::npos);
    EXPECT_NE(html.find("<td>\x82&gt;</td>\r\n<td>\xE0&amp;</td>"), std::string::npos);
}

TEST(HtmlReport, StatusBlocksAndLineNumbers) {
    Fixture f;
    f.panes.present[kAfter] = true;
    f.panes.descriptors[kAfter].lineNumber = 100;
    f.setRows(0, {{LineStatus::Same, 7, "x"},
                  {LineStatus::Deleted, 8, "y"},
                  {LineStatus::Blank, 9, ""},
                  {LineStatus::Blank, -1, ""}});
    f.in.deletedColour = 0xAB0000FF;  // the top byte is dropped
    std::string html = renderHtmlReport(f.in);
    EXPECT_NE(html.find("\r\n"), std::string::npos);
    EXPECT_EQ(html.find("\n\n"), std::string::npos);  // every LF is preceded by CR
    // Warnings hidden: no numbers and no warning tables, but the count table.
    EXPECT_NE(html.find("#ffffff\">x\r\n</div><div style=\"background-color:#ff0000\">y\r\n"),
              std::string::npos);
    EXPECT_EQ(html.find("Line No."), std::string::npos);
    EXPECT_NE(html.find("<td align=left><font>Re-used</font></td>"), std::string::npos);

    f.in.warningsShown = true;
    html = renderHtmlReport(f.in);
    EXPECT_NE(html.find(">00000107 x\r\n"), std::string::npos);
    EXPECT_NE(html.find("00000108 y\r\n</div><div style=\"background-color:#ffff00\">         \r\n "
                        "        \r\n"),
              std::string::npos);
    EXPECT_NE(html.find("<td nowrap>Line No.</td>"), std::string::npos);
}

TEST(HtmlReport, EmptyListsAndStatusesAboveThree) {
    Fixture f;
    std::string html = renderHtmlReport(f.in);
    EXPECT_NE(html.find("<pre style=\"background-color:#ffffff\">\r\n<div "
                        "style=\"background-color:#ffffff\"></div></pre>"),
              std::string::npos);
    f.setRows(0, {{static_cast<LineStatus>(9), 0, "z"}});
    html = renderHtmlReport(f.in);
    EXPECT_NE(html.find("#ffffff\">z\r\n</div></pre>"), std::string::npos);
}

// The report writes 8-bit rows in one pass; what it writes must be the escaped caption, byte for
// byte, whatever the row holds: tabs at every column, NUL, CR, LF, markup and lead bytes anywhere.
TEST(HtmlReport, PlainRowsAreTheEscapedCaptions) {
    const std::string alphabet =
        std::string("\t\r\n<>&a ~\x7f\x80\x81\x9f\xa0\xe0\xfc\xfd\xff@\\") + '\0';
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        Fixture f;
        f.lists.tabWidth = static_cast<int>(random() % 10);  // 0 means the default
        std::vector<Row> rows;
        std::string expected;
        CaptionFormatter captions(f.lists.tabWidth);
        for (int r = 0; r < 6; ++r) {
            std::string text;
            const auto length = random() % 50;  // also past a 16-byte stride
            for (std::size_t i = 0; i < length; ++i) {
                text.push_back(alphabet[random() % alphabet.size()]);
            }
            rows.push_back({LineStatus::Same, r, text});
            std::string caption;
            captions.appendAnsi(
                std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()), 0,
                caption);
            expected += escapeHtml(caption) + "\r\n";
        }
        f.setRows(0, rows);
        const std::string html = renderHtmlReport(f.in);
        EXPECT_NE(html.find("#ffffff\">" + expected + "</div></pre>"), std::string::npos)
            << "round " << round;
    }
}

TEST(HtmlReport, WarningTablesEscapeEverythingIncludingColumnNames) {
    Fixture f;
    f.in.warningsShown = true;
    f.in.extra1 = true;
    f.in.extra1Name = "<sev>";
    f.in.subItemColumns = 3;
    f.left.rows.push_back({"12", {"W1", "a&b"}});  // a missing sub-item is written empty
    const std::string html = renderHtmlReport(f.in);
    EXPECT_NE(html.find("<td nowrap>&lt;sev&gt;</td>"), std::string::npos);
    EXPECT_NE(
        html.find("<tr>\r\n<td>12</td>\r\n<td>W1</td>\r\n<td>a&amp;b</td>\r\n<td></td>\r\n</tr>"),
        std::string::npos);
}

TEST(HtmlReport, FailedWriteReportsAndLeavesNoFile) {
    Fixture f;
    RecordingSink sink;
    const std::string missing =
        (std::filesystem::temp_directory_path() / "no-such-folder-xyz" / "r.html").string();
    EXPECT_EQ(writeHtmlReport(missing, f.in, false, sink), -1);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0],
              "Data cannot be preserved, because the capacity of the disk is insufficient.");
    EXPECT_EQ(writeHtmlReport(missing, f.in, true, sink), -1);
    EXPECT_EQ(sink.messages.size(), 1u);
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(writeHtmlReport("/dev/full", f.in, true, sink), -1);
        EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));  // written, never removed
    }
}

// A folder of its own for the report files of one test, removed afterwards.
struct ReportFolder {
    std::filesystem::path path;
    explicit ReportFolder(const std::string& name)
        : path(std::filesystem::temp_directory_path() /
               ("tavelin-" + name + "-" +
                std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()))) {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ReportFolder() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
    // The names of the files in the folder.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(path)) {
            out.push_back(e.path().filename().string());
        }
        std::sort(out.begin(), out.end());
        return out;
    }
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

#ifndef _WIN32
std::size_t openHandles() {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                      std::filesystem::directory_iterator()));
}
#endif

// Streams four blocks of a megabyte, then fails (returns false) or throws.
struct FailingReport {
    enum class End { Complete, Refused, Throws } end = End::Complete;
    bool operator()(ReportSink& sink) const {
        for (char c : {'a', 'b', 'c', 'd'}) {
            std::string block(1u << 20, c);
            if (!sink.take(block)) {
                return false;
            }
        }
        if (end == End::Throws) {
            throw std::runtime_error("formatting failed");
        }
        return end == End::Complete;
    }
};

#ifndef _WIN32
// A report of many blocks whose writes start failing part way (the file may grow no further):
// the failure is reported, no partial report is left and the report saved before stays. POSIX
// alone: Windows has no file size limit to make the writes fail.
TEST(HtmlReport, WriteFailingPartWayIsReported) {
    Fixture f;
    f.setRows(0, std::vector<Row>(60000, Row{LineStatus::Same, 0, std::string(80, 'x')}));
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("tavelin-partial-" + std::to_string(::getpid()) + ".html"))
                                 .string();
    std::ofstream(path) << "earlier report";
    RecordingSink sink;
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1500000;  // past the first block, short of the report
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = writeHtmlReport(path, f.in, false, sink);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(readFile(path), "earlier report");
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    // The same report is written whole without the limit.
    EXPECT_EQ(writeHtmlReport(path, f.in, false, sink), 0);
    EXPECT_GT(std::filesystem::file_size(path), 4800000u);
    std::filesystem::remove(path);
}
#endif

// A save that fails after part of the report was written keeps the report saved before: the new
// bytes went to a temporary file that is removed, and the failure is reported.
TEST(ReportFile, AFailedSaveKeepsTheEarlierReportAndLeavesNoTemporaryFile) {
    ReportFolder folder("report-kept");
    const std::string path = folder.file("r.html");
    Fixture f;
    RecordingSink sink;
    ASSERT_EQ(writeHtmlReport(path, f.in, false, sink), 0);
    const std::string good = readFile(path);
    ASSERT_EQ(good, renderHtmlReport(f.in));

    EXPECT_EQ(writeReportFile(path, FailingReport{FailingReport::End::Refused}, false, sink), -1);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(readFile(path), good);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"r.html"});

    // A file that happens to have the temporary file's name is neither written nor removed.
    std::ofstream(path + ".tmp") << "mine";
    EXPECT_EQ(writeReportFile(path, FailingReport{}, true, sink), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 4u << 20);
    EXPECT_EQ(readFile(path + ".tmp"), "mine");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"r.html", "r.html.tmp"}));
}

#ifndef _WIN32
// An exception while the report is formatted is passed on with the file closed and removed.
TEST(ReportFile, AnExceptionLeavesNoOpenHandleAndNoFile) {
    ReportFolder folder("report-throw");
    const std::string fresh = folder.file("new.html");
    const std::string kept = folder.file("kept.html");
    std::ofstream(kept) << "earlier report";
    RecordingSink sink;
    const std::size_t handles = openHandles();
    for (const std::string& path : {fresh, kept}) {
        EXPECT_THROW(writeReportFile(path, FailingReport{FailingReport::End::Throws}, false, sink),
                     std::runtime_error);
        // Nor when the blocks are written on the caller's thread.
        EXPECT_THROW(writeReportFile(path, FailingReport{FailingReport::End::Throws}, false, sink,
                                     [](std::function<void()>) -> std::thread {
                                         throw std::system_error(std::make_error_code(
                                             std::errc::resource_unavailable_try_again));
                                     }),
                     std::runtime_error);
    }
    EXPECT_EQ(openHandles(), handles);
    EXPECT_EQ(readFile(kept), "earlier report");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"kept.html"});
    EXPECT_TRUE(sink.messages.empty());
}
#endif

// Without a writer thread the blocks are written on the caller's: the same report, whole.
TEST(ReportFile, AWriterThreadThatCannotStartWritesOnTheCallersThread) {
    ReportFolder folder("report-nothread");
    Fixture f;
    f.setRows(0, std::vector<Row>(30000, Row{LineStatus::Same, 0, std::string(80, 'x')}));
    RecordingSink sink;
    int starts = 0;
    const std::string path = folder.file("r.html");
    const int result = writeReportFile(
        path, [&f](ReportSink& s) { return streamHtmlReport(f.in, s); }, false, sink,
        [&starts](std::function<void()>) -> std::thread {
            ++starts;
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(starts, 1);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(readFile(path), renderHtmlReport(f.in));
}

#ifndef _WIN32
// A link keeps pointing at the report it names, which gets the new one; a device is written and
// stays a device.
TEST(ReportFile, LinksAndDevicesStayWhatTheyAre) {
    ReportFolder folder("report-link");
    const std::string real = folder.file("real.html");
    const std::string link = folder.file("link.html");
    std::ofstream(real) << "earlier report";
    std::filesystem::permissions(
        real, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::create_symlink(real, link);
    Fixture f;
    RecordingSink sink;
    ASSERT_EQ(writeHtmlReport(link, f.in, false, sink), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(real), renderHtmlReport(f.in));
    // The new report keeps the access rights of the one it replaced.
    EXPECT_EQ(std::filesystem::status(real).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"link.html", "real.html"}));

    ASSERT_TRUE(std::filesystem::is_character_file("/dev/null"));
    EXPECT_EQ(writeHtmlReport("/dev/null", f.in, false, sink), 0);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
    EXPECT_TRUE(sink.messages.empty());
}
#endif

TEST(ReportPath, NamesFoldersAndLengthLimit) {
    ModulePanes panes;
    ReportPathInputs in{&panes, "", "/prog", "", ""};
    std::string path;
    std::string used = "untouched";
    EXPECT_EQ(buildReportPath(in, path, used), -1);  // no module
    EXPECT_EQ(used, "untouched");
    const std::string sep(1, kPathSeparator);

    panes.present[kAfter] = true;
    panes.descriptors[kAfter].moduleName = "main";
    ASSERT_EQ(buildReportPath(in, path, used), 0);
    EXPECT_EQ(path, "/prog" + sep + "main.html");
    EXPECT_EQ(used, "/prog");  // an empty [OUTPATH] takes the program folder

    panes.present[kBefore] = true;  // the before module names the report
    panes.descriptors[kBefore].path = "/src/x.c";
    in.outPath = "/out";
    ASSERT_EQ(buildReportPath(in, path, used), 0);
    EXPECT_EQ(path, "/out" + sep + "x.c.html");
    EXPECT_EQ(used, "/out");

    in.reportFolder = "sub";
    in.reportName = "nm";
    ASSERT_EQ(buildReportPath(in, path, used), 0);
    EXPECT_EQ(path, "/out" + sep + "sub" + sep + "nm.html");

    // base + name + 6 + folder + its separator must stay within 521.
    in.outPath = std::string(521 - 6 - 2 - 3 - 1, 'f');
    EXPECT_EQ(buildReportPath(in, path, used), 0);
    in.outPath.push_back('f');
    EXPECT_EQ(buildReportPath(in, path, used), -1);
}

TEST(ReportPath, ModuleNamesCannotLeaveTheFolder) {
    EXPECT_EQ(safeReportName("../../etc/x"), "______etc_x");
    EXPECT_EQ(safeReportName("a:b*c?d"), "a_b_c_d");
    EXPECT_EQ(safeReportName("\x95\x5C"), "\x95\x5C");  // a double-byte character stays whole
    // A lead byte without a trail byte after it hides nothing: what follows is examined.
    EXPECT_EQ(safeReportName("\x81/etc\x9F:x\xE0..\xFC?"), "\x81_etc\x9F_x\xE0__\xFC_");
    EXPECT_EQ(safeReportName("a\x81"), "a\x81");
    EXPECT_EQ(safeReportName("v1.2"), "v1.2");
}

}  // namespace
}  // namespace tavelin
