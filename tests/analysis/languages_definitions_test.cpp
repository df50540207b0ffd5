// The shipped program folder: the default system settings and every bundled language definition
// must load as they are, name the extension they are for, and hold rules that can never match
// everywhere or point at a language that is not there.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "datafiles/counter_settings.h"
#include "datafiles/extension_loader.h"
#include "datafiles/extension_table.h"

namespace tavelin {
namespace {

const std::string kDataFolder = std::string(TAVELIN_SOURCE_DIR) + "/data";

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The shipped settings and the table loaded from them, shared by every test of this file.
struct Shipped {
    CounterSettings settings;
    ExtensionTable table;
    int settingsResult = 0;
    int loadResult = 0;
};

const Shipped& shipped() {
    static const std::unique_ptr<Shipped> s = [] {
        auto r = std::make_unique<Shipped>();
        r->settingsResult =
            readCounterSettings(r->settings, readFile(kDataFolder + "/vaelsyst.dat"), kDataFolder);
        r->loadResult = loadExtensionDefinitions(r->table, r->settings, kDataFolder);
        return r;
    }();
    return *s;
}

const ExtensionDefinition& byName(const std::string& name) {
    const Shipped& s = shipped();
    const int slot = findExtension(s.table, name);
    EXPECT_GE(slot, 0) << name;
    return s.table.definitions[static_cast<std::size_t>(std::max(slot, 0))];
}

// Everything of a definition that the analysis reads, except its name and slot, as text: two
// definitions of one language family must give the same text.
std::string ruleText(const ExtensionDefinition& d) {
    std::ostringstream o;
    auto rules = [&o](const char* what, const std::vector<DelimitedRule>& rs) {
        for (const DelimitedRule& r : rs) {
            o << what << ' ' << r.endCount << ',' << r.matchFlags << ',' << r.column << ','
              << r.nestOpen << ',' << r.nestClose;
            for (int i = 0; i <= r.endCount; ++i) {
                o << '|' << r.strings[static_cast<std::size_t>(i)];
            }
            o << '\n';
        }
    };
    o << "flags " << d.leadingNumbers << d.allCount << d.commentCount << d.spaceCount << ' '
      << d.deleteLeadingBytes << ' ' << d.stringFlag << d.multiLineStrings << ' ' << d.macroCount
      << '\n';
    rules("comment", d.commentRules);
    rules("nocount", d.noCountRules);
    for (const StringRule& r : d.stringRules) {
        o << "string " << r.start << '|' << r.end << '|' << r.escape << '\n';
    }
    for (const RegionRule& r : d.regionRules) {
        o << "region " << r.caseInsensitive << '|' << r.startPattern << '|' << r.endPattern << '|'
          << r.extensionName << '\n';
    }
    for (const PreprocessorRule& r : d.preprocessorRules) {
        o << "prepro " << r.partCount << ',' << r.polarity;
        for (int i = 0; i <= r.partCount; ++i) {
            o << '|' << r.partKinds[static_cast<std::size_t>(i)] << ':'
              << r.parts[static_cast<std::size_t>(i)];
        }
        o << '\n';
    }
    for (const std::string& s : d.nonComments) {
        o << "nocomment " << s << '\n';
    }
    for (const std::string& s : d.deleteStrings) {
        o << "delstr " << s << '\n';
    }
    return o.str();
}

TEST(ShippedSettings, StandAloneDefaults) {
    const Shipped& s = shipped();
    ASSERT_EQ(s.settingsResult, 0);
    const CounterSettings& c = s.settings;
    EXPECT_EQ(c.delimit, 3);   // CR LF, LF and lone CR files all split into lines
    EXPECT_EQ(c.noneflg, 1);   // white-space-only lines are blank
    EXPECT_EQ(c.eofflg, 1);    // a last line without a line end counts
    EXPECT_EQ(c.preproct, 1);  // directive lines are steps
    EXPECT_EQ(c.cmtcount, 0);
    EXPECT_EQ(c.cmtmlflg, 0);
    EXPECT_EQ(c.allcount, 0);
    EXPECT_EQ(c.cmpnoflg, 0);
    EXPECT_EQ(c.nextlchk, 12);
    // Keys that the file leaves out keep the values a fresh start gives them.
    EXPECT_EQ(c.foldclr, 0);
    EXPECT_TRUE(c.editor.empty());
    EXPECT_TRUE(c.outpath.empty());
}

// A comment line between a key and its value would be read as the value and silently give the
// key's default: every key line of the file must be followed by a value, not by a comment.
TEST(ShippedSettings, NoCommentBetweenKeyAndValue) {
    std::istringstream in(readFile(kDataFolder + "/vaelsyst.dat"));
    std::string line;
    std::string previous;
    int keys = 0;
    while (std::getline(in, line)) {
        if (!previous.empty() && previous.front() == '[' && previous.back() == ']') {
            ++keys;
            EXPECT_FALSE(line.empty() || line.front() == '#') << previous << " has no value";
        }
        previous = line;
    }
    EXPECT_GT(keys, 10);
}

TEST(ShippedDefinitions, EveryListedFileLoadsUnderItsOwnName) {
    const Shipped& s = shipped();
    ASSERT_EQ(s.loadResult, 0);
    ASSERT_GT(s.table.extensionCount, 0);
    ASSERT_LE(s.table.extensionCount, kMaxExtensions);
    EXPECT_EQ(s.settings.extFileCount, s.table.extensionCount);

    std::set<std::string> names;
    for (int i = 0; i < s.table.extensionCount; ++i) {
        const ExtensionDefinition& d = s.table.definitions[static_cast<std::size_t>(i)];
        const std::string& file = s.settings.extFiles[static_cast<std::size_t>(i)].path;
        // Bare names resolve to the program folder; the file is named after its extension.
        EXPECT_EQ(file.find('/'), std::string::npos) << file;
        EXPECT_EQ(file, d.name + ".def");
        EXPECT_EQ(d.extensionNumber, i);
        EXPECT_TRUE(std::none_of(d.name.begin(), d.name.end(), [](unsigned char ch) {
            return ch >= 'A' && ch <= 'Z';
        })) << d.name;
        EXPECT_TRUE(names.insert(d.name).second) << "duplicate " << d.name;
    }
}

TEST(ShippedDefinitions, EveryShippedFileIsListed) {
    const Shipped& s = shipped();
    std::set<std::string> listed;
    for (int i = 0; i < s.settings.extFileCount; ++i) {
        listed.insert(s.settings.extFiles[static_cast<std::size_t>(i)].path);
    }
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kDataFolder)) {
        if (entry.path().extension() == ".def") {
            ++files;
            EXPECT_TRUE(listed.count(entry.path().filename().string())) << entry.path();
        }
    }
    EXPECT_EQ(files, s.settings.extFileCount);
}

TEST(ShippedDefinitions, RequiredExtensionsArePresent) {
    const Shipped& s = shipped();
    for (const char* ext :
         {"c",    "h",   "cpp", "cc",   "cxx", "hpp",   "hh",   "hxx",  "java",     "cs",
          "js",   "mjs", "cjs", "ts",   "tsx", "py",    "sh",   "bash", "pl",       "pm",
          "rb",   "php", "go",  "rs",   "kt",  "swift", "sql",  "cbl",  "cob",      "cpy",
          "f",    "f90", "vb",  "bas",  "pas", "lua",   "htm",  "html", "css",      "xml",
          "yaml", "yml", "txt", "json", "md",  "ini",   "toml", "csv",  "makefile", "dockerfile"}) {
        EXPECT_GE(findExtension(s.table, ext), 0) << ext;
    }
}

// Rules that would match at every position (an empty start) or never end (an empty end of a
// block form) are mistakes of the file, typically a wrong count line that shifted every line.
TEST(ShippedDefinitions, RulesAreWellFormed) {
    const Shipped& s = shipped();
    for (int i = 0; i < s.table.extensionCount; ++i) {
        const ExtensionDefinition& d = s.table.definitions[static_cast<std::size_t>(i)];
        SCOPED_TRACE(d.name);
        // Only the formats without comments have no comment rules.
        EXPECT_EQ(d.commentRules.empty(), d.name == "txt" || d.name == "csv");
        for (const DelimitedRule& r : d.commentRules) {
            EXPECT_FALSE(r.strings[0].empty());
            for (int e = 1; e <= r.endCount; ++e) {
                EXPECT_FALSE(r.strings[static_cast<std::size_t>(e)].empty());
            }
            EXPECT_EQ(r.nestOpen.empty(), r.nestClose.empty());
        }
        for (const StringRule& r : d.stringRules) {
            EXPECT_FALSE(r.start.empty());
            // A literal that ends at once is a fixed token of three bytes or more (a here-string
            // "<<<", a character literal '"'); any other literal needs its end.
            EXPECT_TRUE(!r.end.empty() ||
                        (r.start.size() >= 3 && r.start.find("%s") == std::string::npos))
                << r.start;
        }
        for (const PreprocessorRule& r : d.preprocessorRules) {
            for (int p = 0; p <= r.partCount; ++p) {
                EXPECT_EQ(r.parts[static_cast<std::size_t>(p)].front(), '#');
            }
        }
        for (const std::string& n : d.nonComments) {
            EXPECT_GE(n.size(), 2u) << n;
        }
        for (const RegionRule& r : d.regionRules) {
            EXPECT_GE(findExtension(s.table, r.extensionName), 0) << r.extensionName;
            EXPECT_NE(r.startPattern.back(), '*') << "a pattern ending in * never matches";
        }
        EXPECT_EQ(d.macroCount, 0);
    }
}

// The files of one language differ only in their name.
TEST(ShippedDefinitions, LanguageFamiliesShareTheirRules) {
    const std::vector<std::vector<std::string>> families = {
        {"c", "h", "cpp", "cc", "cxx", "hpp", "hh", "hxx", "inl"},
        {"js", "mjs", "cjs", "jsx", "ts", "tsx", "mts", "cts"},
        {"py", "pyw", "pyi"},
        {"sh", "bash", "ksh", "zsh"},
        {"pl", "pm"},
        {"kt", "kts"},
        {"cbl", "cob", "cpy"},
        {"f", "for", "f77"},
        {"f90", "f95", "f03"},
        {"vb", "bas"},
        {"pas", "dpr"},
        {"htm", "html", "xhtml"},
        {"xml", "xsd", "xsl", "xslt", "svg"},
        {"yaml", "yml"},
        {"mk", "mak", "makefile"},
        {"txt", "csv"},
    };
    for (const auto& family : families) {
        const std::string first = ruleText(byName(family.front()));
        for (const std::string& member : family) {
            EXPECT_EQ(ruleText(byName(member)), first) << member << " vs " << family.front();
        }
    }
}

// Values whose exact bytes matter and that a text editor or a wrong count would change
// unnoticed: the blank that ends a here-document word, empty ends, columns and flag values.
TEST(ShippedDefinitions, DelicateValuesSurviveLoading) {
    const ExtensionDefinition& sh = byName("sh");
    ASSERT_GE(sh.stringRules.size(), 2u);
    EXPECT_EQ(sh.stringRules[0].start, "<<<");
    EXPECT_EQ(sh.stringRules[0].end, "");
    ASSERT_EQ(sh.stringRules.size(), 7u);
    EXPECT_EQ(sh.stringRules[2].start, "<<-%s ");
    EXPECT_EQ(sh.stringRules[2].end, "\t%s");
    EXPECT_EQ(sh.stringRules[4].start, "<<%s ");
    EXPECT_EQ(sh.stringRules[4].end, "%s");
    EXPECT_EQ(sh.stringRules[4].escape, "");
    EXPECT_EQ(sh.nonComments.size(), 64u);

    const ExtensionDefinition& cob = byName("cbl");
    EXPECT_EQ(cob.deleteLeadingBytes, 6);
    ASSERT_EQ(cob.commentRules.size(), 3u);
    EXPECT_EQ(cob.commentRules[0].matchFlags, 10);
    EXPECT_EQ(cob.commentRules[0].column, 7);

    const ExtensionDefinition& c = byName("c");
    ASSERT_EQ(c.preprocessorRules.size(), 20u);
    EXPECT_EQ(c.preprocessorRules[2].parts[0], "#ifndef");
    EXPECT_EQ(c.preprocessorRules[2].polarity, 1);
    EXPECT_EQ(c.preprocessorRules[2].partCount, 3);
    EXPECT_EQ(c.preprocessorRules[2].parts[3], "#endif");

    const ExtensionDefinition& pl = byName("pl");
    ASSERT_GE(pl.commentRules.size(), 3u);
    EXPECT_EQ(pl.commentRules[0].strings[0], "__END_");
    EXPECT_EQ(pl.commentRules[0].nestOpen, "_");
    EXPECT_EQ(pl.commentRules[2].strings[1], "=cut");

    const ExtensionDefinition& html = byName("html");
    ASSERT_EQ(html.regionRules.size(), 2u);
    EXPECT_EQ(html.regionRules[0].extensionName, "js");
    EXPECT_EQ(html.regionRules[1].extensionName, "css");
    EXPECT_EQ(html.regionRules[0].caseInsensitive, 1);

    EXPECT_EQ(byName("rs").commentRules[1].nestOpen, "/*");
    EXPECT_EQ(byName("pl").nonComments.size(), 64u);
    EXPECT_EQ(byName("vb").commentRules[1].matchFlags, 5);
}

}  // namespace
}  // namespace tavelin
