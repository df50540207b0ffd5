#include "output/text_outputs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavelin {
namespace {

using Args = std::vector<std::string>;

Args argsOf(std::string_view templ, std::int32_t line = 120, std::string_view path = "/a/b.c") {
    const EditorCommand c = buildEditorCommand("/usr/bin/editor", templ, line, path);
    EXPECT_TRUE(c.ok) << templ;
    EXPECT_EQ(c.program, "/usr/bin/editor");
    return c.arguments;
}

TEST(EditorCommand, TheLastLineAndPathPlaceholdersOfTheTemplate) {
    EXPECT_EQ(argsOf("-n%d %s"), (Args{"-n120", "/a/b.c"}));
    EXPECT_EQ(argsOf("%s +%d"), (Args{"/a/b.c", "+120"}));
    EXPECT_EQ(argsOf("-n%d"), (Args{"/a/b.c"}));  // no "%s": the path alone
    EXPECT_EQ(argsOf("--open %s"), (Args{"--open", "/a/b.c"}));
    // Only the last of each is replaced; the rest is plain text, never a format.
    EXPECT_EQ(argsOf("%s %s %d:%d"), (Args{"%s", "/a/b.c", "%d:120"}));
    EXPECT_EQ(argsOf("%n%x %s %p"), (Args{"%n%x", "/a/b.c", "%p"}));
    EXPECT_EQ(argsOf("%s%%d"), (Args{"/a/b.c%120"}));
}

TEST(EditorCommand, WordsSplitAsAShellSplitsThemAndPathsStayWhole) {
    // Quotes keep blanks; the path never splits a word, whatever it holds.
    EXPECT_EQ(argsOf("--goto \"line %d\" '%s'", 7, "/x y/it's \"q\";rm -rf.c"),
              (Args{"--goto", "line 7", "/x y/it's \"q\";rm -rf.c"}));
    EXPECT_EQ(argsOf("a\\ b \"c\\\"d\" %s", 1, "p"), (Args{"a b", "c\"d", "p"}));
    EXPECT_EQ(argsOf("  -l%d\t%s  ", 3, "$(touch x)"), (Args{"-l3", "$(touch x)"}));
    EXPECT_EQ(argsOf("\"%s", 1, "p q"), (Args{"p q"}));  // an unclosed quote ends with the text
}

TEST(EditorCommand, IncompleteSettingsAndOverlongParametersStartNothing) {
    EXPECT_FALSE(buildEditorCommand("", "%s", 1, "a.c").ok);
    EXPECT_FALSE(buildEditorCommand("ed", "", 1, "a.c").ok);
    const std::string longPath(650, 'p');
    EXPECT_TRUE(buildEditorCommand("ed", "%s", 1, longPath).ok);         // 650 characters
    EXPECT_FALSE(buildEditorCommand("ed", "-n%d %s", 10, longPath).ok);  // 650 + 4
    EXPECT_TRUE(buildEditorCommand("ed", "-n%d", 10, std::string(652, 'p')).ok);
    EXPECT_FALSE(buildEditorCommand("ed", "-n%d", 10, std::string(653, 'p')).ok);
}

struct Pane {
    ModulePanes panes;
    CodeList list;
    Pane(const std::string& text, std::vector<CodeRow> rows, bool wide = false) {
        panes.present[kAfter] = true;
        panes.hasBuffer[kAfter] = true;
        panes.descriptors[kAfter].lineNumber = 100;
        panes.descriptors[kAfter].utf16 = wide ? 1 : 0;
        if (wide) {
            panes.moduleText[kAfter].units.assign(text.begin(), text.end());
        } else {
            panes.moduleText[kAfter].bytes.assign(text.begin(), text.end());
        }
        panes.moduleLength[kAfter] = static_cast<std::int32_t>(text.size());
        panes.lineTableSize = 10;
        list.side = kAfter;
        list.rows = std::move(rows);
    }
};

TEST(CodeListOutputs, CopyTextSaveBytesAndEditorLines) {
    // "ab  " / filler / "\tc \x01" / padding.
    Pane p(std::string("ab  \n\tc \x01\n", 10), {{0, 4, 0, LineStatus::Same},
                                                 {0, 0, 1, LineStatus::Blank},
                                                 {5, 4, 1, LineStatus::Added},
                                                 {0, 0, -1, LineStatus::Blank}});
    const std::int32_t rows[] = {0, 2, 3};
    // Trailing blanks and control characters go; CR LF follows each caption.
    EXPECT_EQ(copyText(p.panes, p.list, rows, 4), u"ab\r\n    c\r\n\r\n");

    // The save writes the text as it stands, NUL bytes of a processing included.
    p.panes.moduleText[kAfter].bytes[1] = 0;
    EXPECT_EQ(moduleTextBytes(p.panes, kAfter), std::string("a\0  \n\tc \x01\n", 10));
    // A UTF-16 text of 10 characters is 22 bytes: the mark FF FE and the units little-endian.
    Pane w("0123456789", {}, true);
    const std::string bytes = moduleTextBytes(w.panes, kAfter);
    ASSERT_EQ(bytes.size(), 22U);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE"
                                              "0\0",
                                              4));
    w.panes.moduleLength[kAfter] = 0;
    EXPECT_EQ(moduleTextBytes(w.panes, kAfter), "");

    // A text row opens its own line, a filler row the line below it, a padding row nothing.
    EXPECT_EQ(editorLine(p.list, 0, p.panes), 100);
    EXPECT_EQ(editorLine(p.list, 1, p.panes), 101);
    EXPECT_EQ(editorLine(p.list, 3, p.panes), 0);
    EXPECT_EQ(editorLine(p.list, 4, p.panes), 0);
    p.panes.descriptors[kAfter].lineNumber = 0;
    EXPECT_EQ(editorLine(p.list, 0, p.panes), 0);  // line 0 opens nothing
}

}  // namespace
}  // namespace tavelin
