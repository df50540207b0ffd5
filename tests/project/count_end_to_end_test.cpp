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
    const RunResult r = programs_.count("--format csv before after");
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
    const RunResult one = programs_.count("--format json --jobs 1 --reports r1 before after");
    const RunResult four = programs_.count("--format=json -j4 --reports r4 before after");
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

TEST_F(CountEndToEnd, GitRevisionsGiveTheSameCsvAsTheirFolders) {
    std::mt19937 rng(11);
    std::map<std::string, std::string> v1;
    std::map<std::string, std::string> v2;
    for (int i = 0; i < 30; ++i) {
        const Module m = randomModule(rng);
        const std::string name =
            "src/s" + std::to_string(i % 4) + "/g" + std::to_string(i) + "." + m.extension;
        if (i % 6 != 0) {
            v1[name] = encode(m);
        }
        if (i % 7 != 1) {
            v2[name] = encode(i % 2 == 0 ? mutate(m, rng) : m);
        }
    }
    v1["docs/readme.txt"] = "not counted\n";
    v2["docs/readme.txt"] = "still not counted\n";
    const std::string repo = dir().file("repo");
    auto commit = [&](const std::map<std::string, std::string>& files, const std::string& tag) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(repo, ec)) {
            if (e.path().filename() != ".git") {
                fs::remove_all(e.path(), ec);
            }
        }
        for (const auto& [name, bytes] : files) {
            dir().write("repo/" + name, bytes);
            dir().write(tag + "/" + name, bytes);
        }
        const std::string git =
            "git -C " + quote(repo) + " -c user.name=t -c user.email=t@t -c commit.gpgsign=false ";
        ASSERT_EQ(std::system((git + "add -A >/dev/null && " + git + "commit -qm " + tag + " && " +
                               git + "tag " + tag)
                                  .c_str()),
                  0);
    };
    fs::create_directories(repo);
    ASSERT_EQ(std::system(("git init -q " + quote(repo)).c_str()), 0);
    commit(v1, "v1");
    commit(v2, "v2");
    const RunResult folders = programs_.count("-f csv v1 v2");
    const RunResult git = programs_.count("-f csv --git repo v1 v2");
    ASSERT_EQ(folders.exitCode, 0) << folders.err;
    ASSERT_EQ(git.exitCode, 0) << git.err;
    EXPECT_EQ(git.out, folders.out);
    EXPECT_GT(csvRows(git.out).size(), 25U);
    // A revision that does not exist is a one-line error.
    const RunResult missing = programs_.count("--git repo v1 nosuch");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;
}

// Names that try to break every format: markup, quotes, commas, line ends, bytes that are not
// UTF-8.
const std::vector<std::string> kHostile = {"<script>alert(1)<\\script>.c",
                                           "q\"uote's.c",
                                           "com,ma.c",
                                           "line\nend.c",
                                           "cr\rret.c",
                                           "bad\xff\xfe.c",
                                           "a&amp;b.c",
                                           "pipe|star*_.c",
                                           "..c"};

TEST_F(CountEndToEnd, HostileNamesAreEscapedInEveryFormatAndPage) {
    for (const std::string& name : kHostile) {
        dir().write("before/" + name, "int a;\nint b;\n");
        dir().write("after/" + name, "int a;\nint c;\nint d;\n");
    }
    dir().write("after/<b>new</b>.c", "int n;\n");
    dir().write("before/plain.c", "int a;\nint b;\n");
    dir().write("after/plain.c", "int a;\nint c;\nint d;\n");
    const RunResult csv = programs_.count("-f csv --reports out before after");
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    const auto rows = csvRows(csv.out);
    for (const std::string& name : kHostile) {
        ASSERT_EQ(rows.count(name), 1U) << name;
        EXPECT_EQ(rows.at(name).status, "changed");
        EXPECT_EQ(rows.at(name).counts, rows.at("plain.c").counts) << name;
    }
    // Every report landed inside the folder under a plain name; the index links them.
    std::set<std::string> files;
    for (const auto& e : fs::directory_iterator(dir().file("out"))) {
        const std::string n = e.path().filename().string();
        files.insert(n);
        EXPECT_EQ(n.find_first_not_of(
                      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._~-"),
                  std::string::npos)
            << n;
        EXPECT_NE(n[0], '.');
    }
    EXPECT_EQ(files.size(), kHostile.size() + 3);  // the reports and index.html
    const std::string index = dir().read("out/index.html");
    for (const std::string bad : {"<script>alert", "<b>", "line\nend", "\xff", "q\"uote"}) {
        EXPECT_EQ(index.find(bad), std::string::npos) << bad;
    }
    EXPECT_NE(index.find("&lt;script&gt;alert(1)&lt;\\script&gt;.c"), std::string::npos);
    EXPECT_NE(index.find("a&amp;amp;b.c"), std::string::npos);
    EXPECT_NE(index.find("line\\x0aend.c"), std::string::npos);
    // Each report's heading escapes the name too.
    for (const std::string& f : files) {
        if (f != "index.html") {
            EXPECT_EQ(dir().read("out/" + f).find("<script>"), std::string::npos) << f;
            EXPECT_NE(index.find("href=\"" + f + "\""), std::string::npos) << f;
        }
    }

    const RunResult json = programs_.count("-f json before after");
    ASSERT_EQ(json.exitCode, 0);
    EXPECT_NE(json.out.find("\"path\": \"line\\nend.c\""), std::string::npos);
    EXPECT_NE(json.out.find("\"path\": \"q\\\"uote's.c\""), std::string::npos);
    EXPECT_NE(json.out.find("\"path\": \"\\u003cscript\\u003ealert(1)\\u003c\\\\script\\u003e.c\""),
              std::string::npos);
    EXPECT_NE(json.out.find("\"path\": \"bad\xEF\xBF\xBD\xEF\xBF\xBD.c\""), std::string::npos);
    EXPECT_NE(json.out.find("\"path_hex\": \"626164fffe2e63\""), std::string::npos);
    EXPECT_EQ(json.out.find('\xff'), std::string::npos);
    EXPECT_EQ(json.out.find('\r'), std::string::npos);
    // Parsed back, every name is there: as it is, or through its exact bytes in path_hex.
    Json doc;
    ASSERT_TRUE(JsonReader(json.out).read(doc)) << json.out;
    EXPECT_EQ(doc.get("version")->number, 1);
    std::set<std::string> names;
    for (const Json& f : doc.get("files")->items) {
        std::string name = f.get("path")->text;
        if (const Json* hex = f.get("path_hex")) {
            name.clear();
            for (std::size_t i = 0; i + 1 < hex->text.size(); i += 2) {
                name += static_cast<char>(std::stoi(hex->text.substr(i, 2), nullptr, 16));
            }
        }
        names.insert(name);
    }
    for (const std::string& name : kHostile) {
        EXPECT_EQ(names.count(name), 1U) << name;
    }

    const RunResult md = programs_.count("-f markdown before after");
    ASSERT_EQ(md.exitCode, 0);
    EXPECT_EQ(md.out.find("<script>"), std::string::npos);
    EXPECT_NE(md.out.find("pipe\\|star\\*\\_.c"), std::string::npos);
    EXPECT_EQ(md.out.find("line\nend"), std::string::npos);
    const RunResult text = programs_.count("-f text before after");
    ASSERT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("line\\x0aend.c"), std::string::npos);
    EXPECT_NE(text.out.find("bad\\xff\\xfe.c"), std::string::npos);
    EXPECT_EQ(text.out.find('\r'), std::string::npos);
    const RunResult html = programs_.count("-f html before after");
    ASSERT_EQ(html.exitCode, 0);
    EXPECT_EQ(html.out.find("<script>alert"), std::string::npos);
}

TEST_F(CountEndToEnd, TheDataFileGivesTheViewerTheSameCountsAndOpenStartsIt) {
    dir().write("before/lib/calc.c", "int f(void)\n{\n    return 1; /* one */\n}\n");
    dir().write("after/lib/calc.c",
                "int f(void)\n{\n    int x = 2;\n    return x; /* two */\n}\nint g;\n");
    const RunResult csv = programs_.count("-f csv before after");
    const auto rows = csvRows(csv.out);
    ASSERT_EQ(rows.count("lib/calc.c"), 1U);
    const std::vector<long> expected = rows.at("lib/calc.c").counts;
    ASSERT_EQ(expected.size(), 5U);

    const RunResult written = programs_.count("--data-file pair.dat lib/calc.c before after");
    ASSERT_EQ(written.exitCode, 0) << written.err;
    DetailedData data;
    ASSERT_EQ(readDataFile(dir().file("pair.dat"), data), kDataFileOk);
    EXPECT_TRUE(data.modulePresent[0] && data.modulePresent[1] && data.stepCountsPresent);
    EXPECT_EQ(data.stepCounts.changedSteps, expected[2]);
    EXPECT_EQ(data.modules[0].path, fs::canonical(dir().file("after/lib/calc.c")).string());
    // The viewer in data-file mode recounts the pair from the file's descriptors.
    const RunResult viewer = programs_.run("tavelin", "/fpair.dat /exec /s /ml /ndatafile");
    ASSERT_EQ(viewer.exitCode, 0) << viewer.err;
    std::string report = viewer.out.substr(0, viewer.out.find('\n'));
    EXPECT_EQ(reportCounts(Folder::readFile(report)), expected);

    // --open starts the viewer beside the program with /f and /exec; a stand-in records them.
    const std::string record = dir().file("viewer-args.txt");
    dir().write("stand-in",
                "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > " + quote(record) + "\n");
    ::chmod(dir().file("stand-in").c_str(), 0755);
    const RunResult opened = programs_.count("--open lib/calc.c --viewer ./stand-in before after");
    ASSERT_EQ(opened.exitCode, 0) << opened.err;
    std::string args;
    for (int i = 0; i < 100 && args.empty(); ++i) {
        usleep(50000);
        args = Folder::readFile(record);
    }
    ASSERT_EQ(args.rfind("/f", 0), 0U) << args;
    const std::string dataFile = args.substr(2, args.find('\n') - 2);
    EXPECT_EQ(args.substr(args.find('\n') + 1), "/exec\n");
    ASSERT_EQ(readDataFile(dataFile, data), kDataFileOk);
    EXPECT_EQ(data.stepCounts.newSteps, expected[0]);
    fs::remove_all(fs::path(dataFile).parent_path());
    // A missing viewer or a file in neither tree: status 2 with one line.
    EXPECT_EQ(programs_.count("--open lib/calc.c --viewer ./none before after").exitCode, 2);
    const RunResult none = programs_.count("--open lib/none.c before after");
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_EQ(std::count(none.err.begin(), none.err.end(), '\n'), 1) << none.err;
}

TEST_F(CountEndToEnd, LinksLoopsSpecialFilesAndEmptyTreesNeverStopTheCount) {
    dir().write("before/a.c", "int a;\n");
    dir().write("after/a.c", "int a;\n");
    fs::create_directories(dir().file("after/loop"));
    fs::create_directory_symlink("../loop", dir().file("after/loop/again"));
    fs::create_symlink("a.c", dir().file("after/link.c"));
    ASSERT_EQ(::mkfifo(dir().file("after/pipe.c").c_str(), 0600), 0);
    fs::create_directories(dir().file("before/.git/objects"));
    dir().write("before/.git/objects/x.c", "int hidden;\n");
    const RunResult r = programs_.count("-f csv before after");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto rows = csvRows(r.out);
    EXPECT_EQ(rows.at("a.c").status, "unchanged");
    EXPECT_EQ(rows.at("link.c").status, "skipped");
    EXPECT_EQ(rows.at("loop/again").status, "skipped");
    EXPECT_EQ(rows.at("pipe.c").status, "skipped");
    EXPECT_EQ(rows.count(".git/objects/x.c"), 0U);
    EXPECT_NE(r.out.find("symbolic link"), std::string::npos);
    EXPECT_NE(r.out.find("special file"), std::string::npos);

    // Empty trees, one empty side.
    fs::create_directories(dir().file("e1"));
    fs::create_directories(dir().file("e2"));
    const RunResult empty = programs_.count("-f csv e1 e2");
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(csvRows(empty.out).size(), 0U);
    const RunResult added = programs_.count("-f csv e1 before");
    EXPECT_EQ(added.exitCode, 0);
    EXPECT_EQ(csvRows(added.out).at("a.c").status, "added");
    EXPECT_EQ(csvRows(added.out).at("a.c").counts, (std::vector<long>{1, 0, 0, 0, 0}));
    // Identical trees: all unchanged, no report but the index.
    const RunResult same = programs_.count("-f csv --reports same before before");
    EXPECT_EQ(same.exitCode, 0);
    for (const auto& [path, row] : csvRows(same.out)) {
        EXPECT_EQ(row.status, "unchanged") << path;
    }
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(dir().file("same"))) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1U);
    // A tree that is not a folder, an unknown option: status 2, one line.
    for (const std::string args : {"before nosuch", "--frobnicate before after", "before"}) {
        const RunResult bad = programs_.count(args);
        EXPECT_EQ(bad.exitCode, 2) << args;
        EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1) << bad.err;
    }
    EXPECT_EQ(programs_.count("--help").exitCode, 0);
    EXPECT_EQ(programs_.count("--version").out, "tavelin-count 1.68E\n");
}

TEST_F(CountEndToEnd, RenamesPairFilesOfTheSameNameWhenHalfTheirStepsMatch) {
    const std::string body = "int a;\nint b;\nint c;\nint d;\n";
    dir().write("before/old/util.c", body);
    dir().write("after/new/util.c", body + "int e;\n");
    dir().write("before/old/main.c", "int x;\n");
    dir().write("after/new/main.c", "int y;\nint z;\n");
    const auto plain = csvRows(programs_.count("-f csv before after").out);
    EXPECT_EQ(plain.at("new/util.c").status, "added");
    EXPECT_EQ(plain.at("old/util.c").status, "deleted");
    const RunResult r = programs_.count("-f csv --renames before after");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto rows = csvRows(r.out);
    EXPECT_EQ(rows.at("new/util.c").status, "renamed");
    EXPECT_EQ(rows.at("new/util.c").beforePath, "old/util.c");
    EXPECT_EQ(rows.count("old/util.c"), 0U);
    EXPECT_EQ(rows.at("new/util.c").counts,
              reportCounts(programs_.viewerReport("after/new/util.c", "before/old/util.c")));
    // Nothing in common: still added and deleted.
    EXPECT_EQ(rows.at("new/main.c").status, "added");
    EXPECT_EQ(rows.at("old/main.c").status, "deleted");
}

TEST_F(CountEndToEnd, SettingsComeFromTheProgramFolderOrTheSettingsFolder) {
    dir().write("before/a.c", "int a;\n");
    dir().write("after/a.c", "int b;\n");
    dir().write("after/b.py", "x = 1\n");
    // Only the C definition, with its own copy in the settings folder.
    dir().write("only-c/vaelsyst.dat", "[DELIMIT]\n3\n[USECFLG]\n1\n[EXTFILE]\n1\nc.def\n");
    fs::copy_file(dir().file("c.def"), dir().file("only-c/c.def"));
    const auto rows = csvRows(programs_.count("-f csv --settings only-c before after").out);
    EXPECT_EQ(rows.at("a.c").status, "changed");
    EXPECT_EQ(rows.at("b.py").status, "skipped");
    EXPECT_EQ(csvRows(programs_.count("-f csv before after").out).at("b.py").status, "added");
    // A report that cannot be written (a folder holds its name) is said, with status 2.
    fs::create_directories(dir().file("blocked/a.c.html"));
    const RunResult blocked = programs_.count("-f csv --reports blocked before after");
    EXPECT_EQ(blocked.exitCode, 2);
    EXPECT_NE(blocked.err.find("1 report(s) could not be written"), std::string::npos)
        << blocked.err;
    const RunResult none = programs_.count("--settings nowhere before after");
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.err.find("vaelsyst.dat"), std::string::npos);
}

TEST_F(CountEndToEnd, UnreadableFilesAndFoldersAreListedWithStatusOne) {
    dir().write("before/ok.c", "int a;\n");
    dir().write("after/ok.c", "int b;\n");
    dir().write("after/secret.c", "int s;\n");
    dir().write("after/closed/inner.c", "int i;\n");
    ::chmod(dir().file("after/secret.c").c_str(), 0);
    ::chmod(dir().file("after/closed").c_str(), 0);
    // Permission bits do not stop root: the count then runs as another user.
    std::string prefix;
    if (::geteuid() == 0) {
        if (std::system("command -v setpriv >/dev/null") != 0) {
            GTEST_SKIP() << "running as root without setpriv";
        }
        prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups";
    }
    fs::permissions(dir().path(), fs::perms::all, fs::perm_options::add);
    for (const std::string d : {"before", "after"}) {
        fs::permissions(dir().file(d), fs::perms::all, fs::perm_options::add);
    }
    const RunResult r = programs_.count("-f csv before after", prefix);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    const auto rows = csvRows(r.out);
    EXPECT_EQ(rows.at("ok.c").status, "changed");
    EXPECT_EQ(rows.at("secret.c").status, "unreadable");
    EXPECT_EQ(rows.at("closed").status, "unreadable");
    EXPECT_NE(r.err.find("secret.c"), std::string::npos);
    EXPECT_NE(r.err.find("closed"), std::string::npos);
}

}  // namespace
}  // namespace tavelin::counttest
