// The bundled language definitions at work: small sources that hold the tricky cases of each
// language go through the full analysis with the shipped settings, and both the step count and
// the text left for comparison are checked.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/analysis_environment.h"
#include "analysis/line_scanner.h"
#include "datafiles/counter_settings.h"
#include "datafiles/extension_loader.h"
#include "datafiles/extension_table.h"
#include "datafiles/records.h"

namespace tavelin {
namespace {

const std::string kDataFolder = std::string(TAVELIN_SOURCE_DIR) + "/data";

struct Shipped {
    CounterSettings settings;
    ExtensionTable table;
};

const Shipped& shipped() {
    static const std::unique_ptr<Shipped> s = [] {
        auto r = std::make_unique<Shipped>();
        std::ifstream in(kDataFolder + "/vaelsyst.dat", std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        readCounterSettings(r->settings, bytes.str(), kDataFolder);
        loadExtensionDefinitions(r->table, r->settings, kDataFolder);
        return r;
    }();
    return *s;
}

struct Counted {
    std::int32_t steps = 0;
    std::string text;  // what is left for the comparison, line ends included
};

// Runs the analysis as a Preprocessing run does, with the shipped settings changed by `adjust`.
template <class Adjust>
Counted analyse(const std::string& extension, const std::string& source, Adjust adjust) {
    const Shipped& s = shipped();
    CounterSettings settings = s.settings;
    adjust(settings);
    const int slot = findExtension(s.table, extension);
    EXPECT_GE(slot, 0) << extension;
    std::vector<unsigned char> text(source.begin(), source.end());
    auto length = static_cast<std::int32_t>(text.size());
    text.resize(text.size() + 10, 0);
    ModuleDescriptor module;
    module.extensionNumber = slot;
    module.codeNo = 1;
    FixedMacros noMacros;
    RuleEnvironment env;
    env.table = &s.table;
    env.macros = &noMacros;
    analyseModule(0, text, length, settings, s.table.find(slot), module, 2, nullptr, nullptr,
                  nullptr, env);
    Counted c;
    c.steps = module.actualSteps;
    c.text.assign(text.begin(), text.begin() + length);
    while (!c.text.empty() && c.text.back() == '\0') {
        c.text.pop_back();
    }
    return c;
}

Counted analyse(const std::string& extension, const std::string& source) {
    return analyse(extension, source, [](CounterSettings&) {});
}

TEST(CLanguage, CommentMarkersInLiteralsStay) {
    const Counted c = analyse("c",
                              "char *s = \"/* not */ // not\"; // gone\n"
                              "char q = '\"'; /* gone */ int a;\n"
                              "   // only a comment\n"
                              "int b; /* starts\n"
                              "   ends */ int c;\n");
    EXPECT_EQ(c.text,
              "char *s = \"/* not */ // not\";\n"
              "char q = '\"';  int a;\n"
              "int b;  int c;\n");
    EXPECT_EQ(c.steps, 3);
}

TEST(CLanguage, DirectivesCountUnlessThePreprocessorPassIsOn) {
    const std::string source =
        "#include <stdio.h> /* why */\n"
        "#ifndef GUARD_H\n"
        "# ifdef FEATURE\n"
        "int feature;\n"
        "# else\n"
        "int fallback;\n"
        "# endif\n"
        "#if 0\n"
        "dead code\n"
        "#endif\n"
        "#endif\n";
    EXPECT_EQ(analyse("h", source).steps, 11);

    // With the pass on and no macros: the guard keeps its body, FEATURE is undefined, #if 0 goes,
    // the comment after the directive is left to the comment pass.
    const Counted on = analyse("h", source, [](CounterSettings& s) { s.preproct = 0; });
    EXPECT_EQ(on.text, "int fallback;\n");
    EXPECT_EQ(on.steps, 1);
}

TEST(CppLanguage, SharesTheCRules) {
    const Counted c = analyse("hpp", "auto s = \"//\"; // x\n/* a */\n");
    EXPECT_EQ(c.text, "auto s = \"//\";\n");
}

TEST(PythonLanguage, DocstringsAreCommentsAndHashesInStringsAreNot) {
    const Counted c = analyse("py",
                              "#!/usr/bin/env python3\n"
                              "# a comment\n"
                              "\"\"\"Module docstring.\n"
                              "\n"
                              "More text with # and ''' inside.\n"
                              "\"\"\"\n"
                              "def f():\n"
                              "    '''One line.'''\n"
                              "    x = \"# not a comment\"  # a comment\n"
                              "    return 'it\\'s'\n");
    EXPECT_EQ(c.text,
              "#!/usr/bin/env python3\n"
              "def f():\n"
              "    x = \"# not a comment\"\n"
              "    return 'it\\'s'\n");
    EXPECT_EQ(c.steps, 4);
}

TEST(ShellLanguage, HereDocumentsAndParameterExpansions) {
    const Counted c = analyse("sh",
                              "#!/bin/sh\n"
                              "# a comment\n"
                              "cat <<EOF >out.txt\n"
                              "# part of the document\n"
                              "EOF\n"
                              "echo $# ${#list} ${name#x} ${path##*/} # gone\n"
                              "grep x <<< \"$v\" # gone\n"
                              "echo 'a # b' \"c # d\"\n");
    EXPECT_EQ(c.text,
              "#!/bin/sh\n"
              "cat <<EOF >out.txt\n"
              "# part of the document\n"
              "EOF\n"
              "echo $# ${#list} ${name#x} ${path##*/}\n"
              "grep x <<< \"$v\"\n"
              "echo 'a # b' \"c # d\"\n");
    EXPECT_EQ(c.steps, 7);
}

TEST(ShellLanguage, QuotedHereDocumentWordAndCrLfLines) {
    const Counted c = analyse("bash", "cat <<'END'\r\n# data\r\nEND\r\n# gone\r\nls\r\n");
    EXPECT_EQ(c.text, "cat <<'END'\r\n# data\r\nEND\r\nls\r\n");
    EXPECT_EQ(c.steps, 4);
}

TEST(ShellLanguage, IndentedAndEscapedHereDocumentWords) {
    const Counted c = analyse("sh",
                              "f() {\n"
                              "\tcat <<-EOF\n"
                              "\t# data\n"
                              "\tEOF\n"
                              "\t# gone\n"
                              "\tcat <<\\END\n"
                              "# data\n"
                              "END\n"
                              "}\n");
    EXPECT_EQ(c.text,
              "f() {\n"
              "\tcat <<-EOF\n"
              "\t# data\n"
              "\tEOF\n"
              "\tcat <<\\END\n"
              "# data\n"
              "END\n"
              "}\n");
}

TEST(PerlLanguage, PodDataSectionAndHashDelimiters) {
    const Counted c = analyse("pm",
                              "my $n = $#list; # gone\n"
                              "$s =~ s#a#b#g;\n"
                              "=head1 NAME\n"
                              "\n"
                              "code = 1 in POD\n"
                              "\n"
                              "=cut\n"
                              "print <<\"EOT\";\n"
                              "# text\n"
                              "EOT\n"
                              "1;\n"
                              "__END__\n"
                              "=head1 MORE\n"
                              "anything\n");
    EXPECT_EQ(c.text,
              "my $n = $#list;\n"
              "$s =~ s#a#b#g;\n"
              "print <<\"EOT\";\n"
              "# text\n"
              "EOT\n"
              "1;\n");
    EXPECT_EQ(c.steps, 6);
}

TEST(RubyLanguage, BlockCommentsAtLineStartOnly) {
    const Counted c = analyse("rb",
                              "=begin\n"
                              "doc\n"
                              "=end\n"
                              "x = \"#{y}\" # gone\n"
                              "  =begin is not at the line start\n");
    EXPECT_EQ(c.text, "x = \"#{y}\"\n  =begin is not at the line start\n");
}

TEST(RustLanguage, NestingFollowsTheGlobalSwitch) {
    const std::string source = "/* a /* b */ c */ let q = '\"'; // x\n";
    EXPECT_EQ(analyse("rs", source).text, " c */ let q = '\"';\n");
    const Counted nested = analyse("rs", source, [](CounterSettings& s) { s.cmtmlflg = 1; });
    EXPECT_EQ(nested.text, " let q = '\"';\n");
}

TEST(JavaScriptFamily, RegexSlashesTemplatesAndStrings) {
    const Counted c = analyse("js",
                              "var r = /\\/*/; // gone\n"
                              "var t = `// kept ${a}`; /* gone */\n"
                              "var s = '/* kept */';\n");
    EXPECT_EQ(c.text,
              "var r = /\\/*/;\n"
              "var t = `// kept ${a}`;\n"
              "var s = '/* kept */';\n");
    EXPECT_EQ(analyse("tsx", "let a: string = \"//\"; // c\n").text, "let a: string = \"//\";\n");
}

TEST(CSharpLanguage, VerbatimStringsEndAtASingleQuote) {
    const Counted c =
        analyse("cs", "var p = @\"C:\\\"; // gone\nvar q = @\"say \"\"hi\"\"\"; // x\n");
    EXPECT_EQ(c.text, "var p = @\"C:\\\";\nvar q = @\"say \"\"hi\"\"\";\n");
}

TEST(GoLanguage, RawStrings) {
    EXPECT_EQ(analyse("go", "s := `// kept` // gone\n").text, "s := `// kept`\n");
}

TEST(CobolLanguage, SequenceAreaAndIndicatorColumn) {
    const Counted c = analyse("cbl",
                              "000100 IDENTIFICATION DIVISION.\n"
                              "000200* a comment line\n"
                              "000300/ a page eject comment\n"
                              "000400 PROGRAM-ID. HELLO. *> trailing\n"
                              "000500     DISPLAY \"*> kept\".\n"
                              "*      column 1 is the sequence area, not a comment\n");
    EXPECT_EQ(c.text,
              " IDENTIFICATION DIVISION.\n"
              " PROGRAM-ID. HELLO.\n"
              "     DISPLAY \"*> kept\".\n"
              " column 1 is the sequence area, not a comment\n");
    EXPECT_EQ(c.steps, 4);
}

TEST(FortranLanguage, FixedAndFreeForm) {
    const std::string fixed =
        "C comment\n"
        "c comment\n"
        "* comment\n"
        "      X = 1 ! gone\n"
        "      Y = '!'\n";
    EXPECT_EQ(analyse("f", fixed).text, "      X = 1\n      Y = '!'\n");
    // In free form a line may begin with any letter.
    EXPECT_EQ(analyse("f90", "call s() ! gone\n! comment\n").text, "call s()\n");
}

TEST(VisualBasicLanguage, QuoteAndRem) {
    const Counted c = analyse("vb",
                              "Dim s = \"it's\" ' gone\n"
                              "REM gone\n"
                              "rem gone\n"
                              "Remark = 1\n");
    EXPECT_EQ(c.text, "Dim s = \"it's\"\nRemark = 1\n");
}

TEST(PascalLanguage, DirectivesAreCode) {
    const Counted c = analyse("pas", "{$mode objfpc} { gone } x := 'a{'; (* gone *) // gone\n");
    EXPECT_EQ(c.text, "{$mode objfpc}  x := 'a{';\n");
}

TEST(LuaLanguage, LongCommentsAndStrings) {
    const Counted c = analyse("lua",
                              "--[[ long\n"
                              "comment ]] x = 1 -- gone\n"
                              "s = \"--\" .. [[--]]\n"
                              "--[==[ ]] still comment ]==]\n");
    EXPECT_EQ(c.text, " x = 1\ns = \"--\" .. [[--]]\n");
    EXPECT_EQ(c.steps, 2);
}

TEST(SqlLanguage, DashesInStrings) {
    EXPECT_EQ(analyse("sql", "SELECT '--', 'it''s' -- gone\n/* gone */\n").text,
              "SELECT '--', 'it''s'\n");
}

TEST(HtmlLanguage, ScriptAndStyleUseTheirOwnRules) {
    const Counted c = analyse("html",
                              "<p><a href=\"http://x/\">a</a></p>\n"
                              "<!-- gone -->\n"
                              "<SCRIPT type=\"text/javascript\">\n"
                              "// gone\n"
                              "var a = \"<!-- kept -->\"; /* gone */\n"
                              "</SCRIPT>\n"
                              "<style>\n"
                              "/* gone */\n"
                              "p { color: red; }\n"
                              "</style>\n"
                              "<p>// kept</p>\n");
    EXPECT_EQ(c.text,
              "<p><a href=\"http://x/\">a</a></p>\n"
              "<SCRIPT type=\"text/javascript\">\n"
              "var a = \"<!-- kept -->\";\n"
              "</SCRIPT>\n"
              "<style>\n"
              "p { color: red; }\n"
              "</style>\n"
              "<p>// kept</p>\n");
    EXPECT_EQ(c.steps, 8);
}

TEST(YamlLanguage, HashInsideValues) {
    EXPECT_EQ(analyse("yml", "url: http://h/#x # gone\nkey: a#b\n# gone\ns: '#'\n").text,
              "url: http://h/#x\nkey: a#b\ns: '#'\n");
}

// The text and configuration formats: what each keeps for the comparison.
TEST(TextFormats, CommentsGoAndValuesStay) {
    // INI and Dockerfile comments stand in column 1; later a ";" or "#" belongs to the value.
    EXPECT_EQ(analyse("ini", "; gone\n#gone\nk=a;b ; kept\n c=#fff\n").text,
              "k=a;b ; kept\n c=#fff\n");
    EXPECT_EQ(analyse("dockerfile", "# syntax=x\nRUN echo \"#1\" # kept\n#gone\n").text,
              "RUN echo \"#1\" # kept\n");
    // TOML: "#" anywhere outside its four string forms.
    EXPECT_EQ(
        analyse("toml", "a = \"#\" # gone\nb = '#'#gone\nc = \"\"\"#\"\"\"\nd = '''#'''\n").text,
        "a = \"#\"\nb = '#'\nc = \"\"\"#\"\"\"\nd = '''#'''\n");
    // JSON with comments: markers inside strings stay.
    EXPECT_EQ(analyse("json", "{\"u\": \"http://x/*y*/\", // gone\n/* gone */\"v\": 1}\n").text,
              "{\"u\": \"http://x/*y*/\",\n\"v\": 1}\n");
    EXPECT_EQ(analyse("md", "# Title\n<!-- gone\ngone -->\ntext <!-- gone -->\n").text,
              "# Title\ntext\n");
    EXPECT_EQ(analyse("makefile", "A = \\# kept\n# gone\n").text, "A = \\# kept\n");
    // Plain text and CSV: only blank lines go.
    EXPECT_EQ(analyse("txt", "# a\n\n  \n// b\n").text, "# a\n// b\n");
    EXPECT_EQ(analyse("csv", "a,\"# b\"\n\n").steps, 1);
}

TEST(PhpLanguage, HereDocumentsAndAttributes) {
    const Counted c = analyse("php",
                              "<?php\n"
                              "#[Attr]\n"
                              "$a = <<<EOT\n"
                              "# kept\n"
                              "EOT;\n"
                              "# gone\n"
                              "$b = '//'; // gone\n");
    EXPECT_EQ(c.text, "<?php\n#[Attr]\n$a = <<<EOT\n# kept\nEOT;\n$b = '//';\n");
}

}  // namespace
}  // namespace tavelin
