// End-to-end runs of the built tavelin-count, checked against the built viewer's unattended
// reports of the same pairs.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <random>
#include <set>

#include "count_runner.h"
#include "datafiles/data_file.h"

namespace tavelin::counttest {
namespace {

// ---------------------------------------------------------------------------------------------
// A random project: modules in several languages and encodings, then a second version with
// files added, deleted, changed, moved and left alone.

struct Language {
    std::string extension;
    std::vector<std::string> lines;
};

const std::vector<Language>& languages() {
    static const std::vector<Language> all = {
        {"c",
         {"int x = 0;", "/* a comment */", "// line comment", "#include <stdio.h>", "#ifdef DEBUG",
          "#endif", "x += 1;", "return x;", "", "   ", "printf(\"%d\\n\", x);",
          "char *s = \"/* not a comment */\";", "}", "{", "if (x > 3) {", "/* open", "close */"}},
        {"py",
         {"x = 1", "# comment", "def f(a):", "    return a + 1", "\"\"\"doc", "string\"\"\"", "",
          "print('#not')", "import os", "    pass", "class A:", "s = 'x'  # tail"}},
        {"java",
         {"int a = 1;", "// c", "/** doc */", "a++;", "}", "public void m() {", "",
          "String s = \"//\";", "return;"}},
        {"sh", {"echo hi", "# comment", "x=1", "", "if [ -n \"$x\" ]; then", "fi", "ls -l"}},
        {"sql", {"SELECT 1;", "-- comment", "INSERT INTO t VALUES (1);", "", "/* c */"}},
    };
    return all;
}

// Japanese text in UTF-8, for the encodings the modules are written in.
const std::vector<std::string> kJapanese = {"// \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
                                            "s = \"\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\";"};

struct Module {
    std::string extension;
    std::vector<std::string> lines;
    int encoding = 0;  // 0 UTF-8 LF, 1 UTF-8 CR LF, 2 Shift-JIS, 3 EUC-JP, 4 UTF-16LE with BOM
};

std::string encode(const Module& m) {
    std::string text;
    const std::string end = m.encoding == 1 ? "\r\n" : "\n";
    for (const std::string& l : m.lines) {
        text += l + end;
    }
    switch (m.encoding) {
        case 2:
        case 3: {
            // Each Japanese UTF-8 sequence replaced by bytes of the code page (fixed pairs).
            std::string out;
            for (std::size_t i = 0; i < text.size();) {
                const auto c = static_cast<unsigned char>(text[i]);
                if (c >= 0xE0 && i + 2 < text.size()) {
                    out += m.encoding == 2 ? "\x82\xA0" : "\xA4\xA2";
                    i += 3;
                } else {
                    out += text[i++];
                }
            }
            return out;
        }
        case 4: {
            std::string out = "\xFF\xFE";
            for (unsigned char c : text) {
                // ASCII only: the Japanese lines become "?" here.
                out += static_cast<char>(c < 0x80 ? c : '?');
                out += '\0';
            }
            return out;
        }
        default:
            return text;
    }
}

Module randomModule(std::mt19937& rng) {
    const auto& langs = languages();
    const Language& lang = langs[rng() % langs.size()];
    Module m;
    m.extension = lang.extension;
    m.encoding = static_cast<int>(rng() % 5);
    const std::size_t n = 3 + rng() % 40;
    for (std::size_t i = 0; i < n; ++i) {
        if (rng() % 12 == 0) {
            m.lines.push_back(kJapanese[rng() % kJapanese.size()]);
        } else {
            m.lines.push_back(lang.lines[rng() % lang.lines.size()] +
                              (rng() % 3 == 0 ? " " + std::to_string(rng() % 50) : ""));
        }
    }
    return m;
}

Module mutate(Module m, std::mt19937& rng) {
    const auto& lang = *std::find_if(languages().begin(), languages().end(),
                                     [&](const Language& l) { return l.extension == m.extension; });
    const int edits = 1 + static_cast<int>(rng() % 6);
    for (int e = 0; e < edits; ++e) {
        const std::size_t at = m.lines.empty() ? 0 : rng() % m.lines.size();
        switch (rng() % 3) {
            case 0:
                if (!m.lines.empty()) {
                    m.lines.erase(m.lines.begin() + static_cast<std::ptrdiff_t>(at));
                }
                break;
            case 1:
                m.lines.insert(m.lines.begin() + static_cast<std::ptrdiff_t>(at),
                               lang.lines[rng() % lang.lines.size()] + " new");
                break;
            default:
                if (!m.lines.empty()) {
                    m.lines[at] += " changed";
                }
                break;
        }
    }
    return m;
}

struct CountRow {
    std::string path;
    std::string beforePath;
    std::string status;
    std::vector<long> counts;
};

std::map<std::string, CountRow> csvRows(const std::string& csv) {
    std::map<std::string, CountRow> rows;
    const auto records = parseCsv(csv);
    for (std::size_t i = 1; i < records.size(); ++i) {
        const auto& r = records[i];
        if (r.size() != 13 || r[3] == "total") {
            continue;
        }
        CountRow row{r[0], r[1], r[3], {}};
        if (!r[5].empty()) {
            for (int k = 5; k < 10; ++k) {
                row.counts.push_back(std::stol(r[static_cast<std::size_t>(k)]));
            }
        }
        rows[r[0]] = row;
    }
    return rows;
}

class CountEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(programs_.ok()); }
    const Folder& dir() const { return programs_.folder(); }
    Programs programs_;
};

TEST_F(CountEndToEnd, EveryCountOfARandomProjectIsTheViewersCount) {
    std::mt19937 rng(20261210);
    std::map<std::string, std::string> before;
    std::map<std::string, std::string> after;
    const int modules = 160;
    for (int i = 0; i < modules; ++i) {
        Module m = randomModule(rng);
        const std::string name =
            "d" + std::to_string(i % 7) + "/m" + std::to_string(i) + "." + m.extension;
        const int fate = static_cast<int>(rng() % 10);
        if (fate == 0) {
            after[name] = encode(m);  // added
        } else if (fate == 1) {
            before[name] = encode(m);  // deleted
        } else if (fate == 2) {
            before[name] = encode(m);
            after["moved/" + name] = encode(m);  // moved
        } else if (fate <= 4) {
            before[name] = after[name] = encode(m);  // unchanged
        } else {
            before[name] = encode(m);
            after[name] = encode(mutate(m, rng));  // changed
        }
    }
    for (const auto& [name, bytes] : before) {
        dir().write("before/" + name, bytes);
    }
    for (const auto& [name, bytes] : after) {
        dir().write("after/" + name, bytes);
    }
    const Run r = programs_.count("--format csv before after");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto rows = csvRows(r.out);
    std::set<std::string> all;
    for (const auto& [n, b] : before) {
        all.insert(n);
    }
    for (const auto& [n, b] : after) {
        all.insert(n);
    }
    EXPECT_EQ(rows.size(), all.size() - static_cast<std::size_t>(std::count_if(
                                            rows.begin(), rows.end(), [](const auto& kv) {
                                                return kv.second.status == "moved";
                                            })));
    std::map<std::string, int> statuses;
    for (const auto& [path, row] : rows) {
        ++statuses[row.status];
        ASSERT_EQ(row.counts.size(), 5U) << path << " " << row.status;
        const std::string a = after.count(path) != 0 ? "after/" + path : "";
        const std::string b = !row.beforePath.empty()   ? "before/" + row.beforePath
                              : before.count(path) != 0 ? "before/" + path
                                                        : "";
        const std::vector<long> viewer = reportCounts(programs_.viewerReport(a, b));
        if (viewer.empty()) {
            // The viewer writes no report when neither side holds a module (empty files).
            EXPECT_EQ(row.counts, std::vector<long>(5, 0)) << path;
            continue;
        }
        EXPECT_EQ(row.counts, viewer) << path << " (" << row.status << ")";
    }
    EXPECT_GT(statuses["added"], 5);
    EXPECT_GT(statuses["deleted"], 5);
    EXPECT_GT(statuses["moved"], 5);
    EXPECT_GT(statuses["unchanged"], 10);
    EXPECT_GT(statuses["changed"], 40);
}

TEST_F(CountEndToEnd, OutputIsTheSameForAnyNumberOfJobsAndReportsAreTheViewers) {
    std::mt19937 rng(7);
    for (int i = 0; i < 40; ++i) {
        const Module m = randomModule(rng);
        const std::string name =
            "p" + std::to_string(i % 3) + "/f" + std::to_string(i) + "." + m.extension;
        dir().write("before/" + name, encode(m));
        if (i % 5 != 0) {
            dir().write("after/" + name, encode(i % 2 == 0 ? mutate(m, rng) : m));
        }
    }
    const Run one = programs_.count("--format json --jobs 1 --reports r1 before after");
    const Run four = programs_.count("--format json -j 4 --reports r4 before after");
    ASSERT_EQ(one.exitCode, 0) << one.err;
    ASSERT_EQ(four.exitCode, 0) << four.err;
    EXPECT_EQ(one.out, four.out);
    EXPECT_EQ(dir().read("r1/index.html"), dir().read("r4/index.html"));
    // Every report is the viewer's own report of the pair, byte for byte.
    const auto rows = csvRows(programs_.count("-f csv --reports r1 before after").out);
    int reports = 0;
    for (const auto& [path, row] : rows) {
        if (row.status != "changed" && row.status != "deleted") {
            continue;
        }
        std::string file = path;
        std::replace(file.begin(), file.end(), '/', '_');
        const std::string ours = dir().read("r1/" + file + ".html");
        const std::string viewer = programs_.viewerReport(
            row.status == "deleted" ? "" : "after/" + path, "before/" + path);
        ASSERT_FALSE(ours.empty()) << path;
        EXPECT_EQ(ours, viewer) << path;
        ++reports;
    }
    EXPECT_GT(reports, 10);
}

}  // namespace
}  // namespace tavelin::counttest
