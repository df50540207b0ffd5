#include "output/html_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/messages.h"

namespace tavelin {
namespace {

struct RecordingSink : MessageSink {
    std::vector<std::string> messages;
    void showMessage(std::string_view text) override { messages.emplace_back(text); }
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
};

TEST(HtmlReport, Escaping) {
    EXPECT_EQ(escapeHtml("if (a<b && c>d)"), "if (a&lt;b &amp;&amp; c&gt;d)");
    // The second byte of a double-byte character is not examined, even when it is '<'.
    EXPECT_EQ(escapeHtml("\x81<x"), "\x81<x");
    EXPECT_EQ(escapeHtml("\xE0"), "\xE0");
    EXPECT_EQ(escapeHtml("\"'"), "\"'");
}

TEST(HtmlReport, StatusBlocksAndLineNumbers) {
    Fixture f;
    f.panes.present[kAfter] = true;
    f.panes.descriptors[kAfter].lineNumber = 100;
    f.lists.lists[0].captions = {"x", "y", "", ""};
    f.panes.rows[kAfter] = {{0, 7}, {1, 8}, {3, 9}, {3, -1}};
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
    f.panes.present[kAfter] = true;
    f.lists.lists[0].captions = {"z"};
    f.panes.rows[kAfter] = {{9, 0}};
    html = renderHtmlReport(f.in);
    EXPECT_NE(html.find("#ffffff\">z\r\n</div></pre>"), std::string::npos);
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
    }
}

TEST(ReportPath, NamesFoldersAndLengthLimit) {
    ModulePanes panes;
    std::string outPath;
    ReportPathInputs in{&panes, &outPath, "/prog", "", ""};
    std::string path;
    EXPECT_EQ(buildReportPath(in, path), -1);  // no module

    panes.present[kAfter] = true;
    panes.descriptors[kAfter].moduleName = "main";
    ASSERT_EQ(buildReportPath(in, path), 0);
    EXPECT_EQ(path, "/prog/main.html");
    EXPECT_EQ(outPath, "/prog");

    panes.present[kBefore] = true;  // the before module names the report
    panes.descriptors[kBefore].path = "/src/x.c";
    ASSERT_EQ(buildReportPath(in, path), 0);
    EXPECT_EQ(path, "/prog/x.c.html");

    in.reportFolder = "sub";
    in.reportName = "nm";
    ASSERT_EQ(buildReportPath(in, path), 0);
    EXPECT_EQ(path, "/prog/sub/nm.html");

    // base + name + 6 + folder + its separator must stay within 521.
    outPath = std::string(521 - 6 - 2 - 3 - 1, 'f');
    EXPECT_EQ(buildReportPath(in, path), 0);
    outPath.push_back('f');
    EXPECT_EQ(buildReportPath(in, path), -1);
}

TEST(ReportPath, ModuleNamesCannotLeaveTheFolder) {
    EXPECT_EQ(safeReportName("../../etc/x"), "______etc_x");
    EXPECT_EQ(safeReportName("a:b*c?d"), "a_b_c_d");
    EXPECT_EQ(safeReportName("\x95\x5C"), "\x95\x5C");  // a double-byte character stays whole
    EXPECT_EQ(safeReportName("v1.2"), "v1.2");
}

}  // namespace
}  // namespace tavelin
