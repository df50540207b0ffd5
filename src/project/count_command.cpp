#include "project/count_command.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "datafiles/data_file_writer.h"
#include "platform/file_read.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "project/count_setup.h"
#include "project/pair_count.h"
#include "project/tree_count.h"

namespace tavelin::project {

const std::string_view kCountUsageText =
    "Usage: tavelin-count [options] BEFORE AFTER\n"
    "       tavelin-count [options] --git REPO REV_BEFORE REV_AFTER\n"
    "       tavelin-count --help | --version\n"
    "\n"
    "Counts the change in steps between two versions of a project, file by file, as the viewer\n"
    "counts one module pair: New, Original, Changed, Re-used and Deleted steps.\n"
    "\n"
    "  --git                two revisions of a git repository instead of two folders\n"
    "  -f, --format FORMAT  text (default on a terminal), csv (default otherwise), json,\n"
    "                       markdown, html\n"
    "  -o, --output FILE    write the results to FILE instead of standard output\n"
    "  --reports DIR        write the comparison report of every changed, added, deleted or\n"
    "                       renamed file into DIR, and DIR/index.html linking them\n"
    "  --include GLOB       count only files matching GLOB (repeatable)\n"
    "  --exclude GLOB       leave out files and folders matching GLOB (repeatable)\n"
    "  --renames            pair unpaired files of the same name in different folders when at\n"
    "                       least half of their steps match\n"
    "  -j, --jobs N         files counted at once (default: one per processor)\n"
    "  --settings DIR       read vaelsyst.dat, the definitions and tavesyst.dat from DIR\n"
    "  --open PATH          write the detailed data file of the pair PATH and open the viewer\n"
    "  --data-file OUT PATH only write the detailed data file of the pair PATH to OUT\n"
    "  --viewer PROGRAM     the viewer --open starts (default: tavelin beside this program)\n"
    "  --no-progress        no progress bar on a terminal\n"
    "\n"
    "A GLOB without \"/\" matches a file name (and, for --exclude, a folder name); with \"/\" the\n"
    "path from the top of the tree. \"*\" and \"?\" stop at \"/\", \"**\" does not.\n"
    "Exit status: 0 every file counted or skipped by rule; 1 some files could not be read (they\n"
    "are listed); 2 usage error or nothing could be done.\n";

namespace {

bool parseJobs(std::string_view text, unsigned& jobs) {
    if (text.empty() || text.size() > 4) {
        return false;
    }
    unsigned v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v == 0) {
        return false;
    }
    jobs = v;
    return true;
}

}  // namespace

bool parseCountArguments(std::span<const std::string> args, CountArguments& out,
                         std::string& error) {
    out = CountArguments{};
    // The options that only set a flag or take one value.
    struct Flag {
        std::string_view name;
        std::string_view shortName;
        bool* into;
    };
    struct Value {
        std::string_view name;
        std::string_view shortName;
        std::string* into;
    };
    const std::array<Flag, 4> flags{{{"--help", "-h", &out.help},
                                     {"--version", "", &out.version},
                                     {"--git", "", &out.git},
                                     {"--renames", "", &out.renames}}};
    const std::array<Value, 5> values{{{"--output", "-o", &out.output},
                                       {"--reports", "", &out.reports},
                                       {"--settings", "", &out.settings},
                                       {"--open", "", &out.open},
                                       {"--viewer", "", &out.viewer}}};
    bool optionsEnd = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnd || a.size() < 2 || a[0] != '-') {
            out.operands.push_back(a);
            continue;
        }
        // "--name=value" as well as "--name value".
        std::string name = a;
        std::optional<std::string> inlineValue;
        if (a.rfind("--", 0) == 0) {
            const std::size_t eq = a.find('=');
            if (eq != std::string::npos) {
                name = a.substr(0, eq);
                inlineValue = a.substr(eq + 1);
            }
        } else if (a.size() > 2 && (a[1] == 'j' || a[1] == 'o' || a[1] == 'f')) {
            // "-j4", "-ocounts.csv", "-fcsv".
            name = a.substr(0, 2);
            inlineValue = a.substr(2);
        }
        auto value = [&](std::string& into) {
            if (inlineValue) {
                into = *inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        auto flag = [&](bool& into) {
            if (inlineValue) {
                error = name + " takes no value";
                return false;
            }
            into = true;
            return true;
        };
        const auto named = [&name](const auto& option) {
            return name == option.name || (!option.shortName.empty() && name == option.shortName);
        };
        if (const auto f = std::find_if(flags.begin(), flags.end(), named); f != flags.end()) {
            if (!flag(*f->into)) {
                return false;
            }
            continue;
        }
        if (const auto o = std::find_if(values.begin(), values.end(), named); o != values.end()) {
            if (!value(*o->into)) {
                return false;
            }
            continue;
        }
        std::string v;
        if (name == "--") {
            optionsEnd = true;
        } else if (name == "--no-progress") {
            bool off = false;
            if (!flag(off)) {
                return false;
            }
            out.progress = false;
        } else if (name == "--format" || name == "-f") {
            if (!value(v)) {
                return false;
            }
            OutputFormat f{};
            if (!parseOutputFormat(v, f)) {
                error = "unknown format \"" + v + "\" (text, csv, json, markdown, html)";
                return false;
            }
            out.format = f;
        } else if (name == "--include") {
            if (!value(v)) {
                return false;
            }
            out.include.push_back(v);
        } else if (name == "--exclude") {
            if (!value(v)) {
                return false;
            }
            out.exclude.push_back(v);
        } else if (name == "--jobs" || name == "-j") {
            if (!value(v)) {
                return false;
            }
            if (!parseJobs(v, out.jobs)) {
                error = "--jobs needs a number from 1 to 9999";
                return false;
            }
        } else if (name == "--data-file") {
            if (!value(out.dataFile)) {
                return false;
            }
            if (!value(out.dataFilePath)) {
                error = "--data-file needs OUT and PATH";
                return false;
            }
        } else {
            error = "unknown option " + name;
            return false;
        }
    }
    if (out.help || out.version) {
        return true;
    }
    const std::size_t want = out.git ? 3 : 2;
    if (out.operands.size() != want) {
        error = out.git ? "--git needs REPO REV_BEFORE REV_AFTER"
                        : "two folders are needed: BEFORE AFTER";
        return false;
    }
    if (!out.open.empty() && !out.dataFile.empty()) {
        error = "--open and --data-file cannot be used together";
        return false;
    }
    return true;
}

namespace {

void message(const CountHost& host, const std::string& text) {
    std::fprintf(host.err, "tavelin-count: %s\n", text.c_str());
}

// The progress bar on a terminal: files done of all, elapsed time; redrawn a few times a second.
class ProgressBar {
  public:
    explicit ProgressBar(std::FILE* err) : err_(err), start_(Clock::now()) {}
    void update(std::size_t done, std::size_t total) {
        const auto now = Clock::now();
        if (done != total && now - last_ < std::chrono::milliseconds(100)) {
            return;
        }
        last_ = now;
        constexpr int kWidth = 30;
        const int filled = total == 0 ? kWidth : static_cast<int>(done * kWidth / total);
        const double seconds = std::chrono::duration<double>(now - start_).count();
        std::fprintf(err_, "\r[%s%s] %zu/%zu files  %.1f s", std::string(filled, '#').c_str(),
                     std::string(kWidth - filled, '.').c_str(), done, total, seconds);
        std::fflush(err_);
        drawn_ = true;
    }
    void clear() {
        if (drawn_) {
            std::fprintf(err_, "\r%*s\r", 70, "");
            std::fflush(err_);
        }
    }

  private:
    using Clock = std::chrono::steady_clock;
    std::FILE* err_;
    Clock::time_point start_;
    Clock::time_point last_{};
    bool drawn_ = false;
};

struct Trees {
    std::unique_ptr<TreeSource> before;
    std::unique_ptr<TreeSource> after;
    std::string beforeName;
    std::string afterName;
};

bool openTrees(const CountArguments& a, Trees& t, std::string& problem) {
    if (a.git) {
        t.before = openGitTree(a.operands[0], a.operands[1], problem);
        if (t.before) {
            t.after = openGitTree(a.operands[0], a.operands[2], problem);
        }
        t.beforeName = a.operands[0] + " " + a.operands[1];
        t.afterName = a.operands[0] + " " + a.operands[2];
    } else {
        t.before = openFolderTree(a.operands[0], problem);
        if (t.before) {
            t.after = openFolderTree(a.operands[1], problem);
        }
        t.beforeName = a.operands[0];
        t.afterName = a.operands[1];
    }
    return t.before && t.after;
}

// The file of a tree on disk for the viewer: the file itself, or a copy of a repository's blob
// under `copies` ("after" or "before" folder, the file's own name).
bool moduleFile(const TreeSource& tree, const TreeEntry& entry,
                const std::vector<unsigned char>& bytes, const std::string& copies,
                const char* side, std::string& path) {
    std::error_code ec;
    const std::string disk = tree.diskPath(entry.path);
    if (!disk.empty()) {
        path = std::filesystem::absolute(disk, ec).string();
        return !ec;
    }
    const std::string folder = joinPath(copies, side);
    std::filesystem::create_directories(folder, ec);
    path = std::filesystem::absolute(joinPath(folder, fileNameOf(entry.path)), ec).string();
    return !ec && writeWholeFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                                        bytes.size()));
}

// --open and --data-file: the detailed data file of one pair of the trees.
int writePairDataFile(const CountSetup& setup, Trees& t, const std::string& path,
                      const std::string& out, const std::string& copies, CountHost& host) {
    PathFilter none;
    const std::vector<TreeEntry> afterList = t.after->list(none);
    const std::vector<TreeEntry> beforeList = t.before->list(none);
    auto find = [&](const std::vector<TreeEntry>& list) -> const TreeEntry* {
        for (const TreeEntry& e : list) {
            if (e.path == path && e.kind == EntryKind::File) {
                return &e;
            }
        }
        return nullptr;
    };
    const std::array<const TreeEntry*, kSides> entries{find(afterList), find(beforeList)};
    const std::array<TreeSource*, kSides> trees{t.after.get(), t.before.get()};
    if (entries[kAfter] == nullptr && entries[kBefore] == nullptr) {
        message(host, path + ": no such file in either tree");
        return kCountUsage;
    }
    std::array<std::vector<unsigned char>, kSides> bytes;
    PairInput in;
    std::array<std::string, kSides> files;
    for (std::size_t s = 0; s < kSides; ++s) {
        if (entries[s] == nullptr) {
            continue;
        }
        std::string problem;
        if (!trees[s]->read(*entries[s], bytes[s], problem)) {
            message(host, path + ": " + problem);
            return kCountUnreadable;
        }
        if (!moduleFile(*trees[s], *entries[s], bytes[s], copies, s == kAfter ? "after" : "before",
                        files[s])) {
            message(host, path + ": the module file for the viewer could not be written");
            return kCountUsage;
        }
        if (files[s].size() > kMaxPath) {
            message(host, files[s] + ": longer than a data file can name");
            return kCountUsage;
        }
        in.names[s] = files[s];
        in.paths[s] = entries[s]->path;
        in.bytes[s] = bytes[s];
    }
    if (definitionForName(setup, path) < 0) {
        message(host, path + ": no language definition for this file");
        return kCountUsage;
    }
    in.sameBytes = entries[kAfter] != nullptr && entries[kBefore] != nullptr &&
                   bytes[kAfter] == bytes[kBefore];
    PairDetail detail;
    const PairCounts c = countPair(setup, in, &detail);
    DataFileContent content;
    content.settings = setup.counter;
    for (std::size_t s = 0; s < kSides; ++s) {
        if (const ModuleDescriptor* m = detail.panes.module(static_cast<int>(s))) {
            content.modules[s] = *m;
            content.presence[s] = 1;
        }
    }
    content.stepCounts = c.counts;
    content.stepCounts.outputFlag = 1;
    content.stepCountPresence = 1;
    if (!writeDataFile(out, content)) {
        message(host, out + ": cannot be written");
        return kCountUsage;
    }
    return kCountOk;
}

// A private folder for the files --open hands to the viewer (they must outlive this process).
std::string openFolder(const CountHost& host) {
    std::error_code ec;
    const std::string base = host.tempFolder.empty()
                                 ? std::filesystem::temp_directory_path(ec).string()
                                 : host.tempFolder;
    for (int n = 0; n < 1000; ++n) {
        const std::string folder = joinPath(
            base,
            "tavelin-count-" +
                std::to_string(static_cast<long long>(
                    std::chrono::steady_clock::now().time_since_epoch().count() % 1000000007)) +
                "-" + std::to_string(n));
        if (std::filesystem::create_directory(folder, ec) && !ec) {
            std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::replace, ec);
            return folder;
        }
    }
    return {};
}

int openInViewer(const CountSetup& setup, Trees& t, const CountArguments& a, CountHost& host) {
    const std::string folder = openFolder(host);
    if (folder.empty()) {
        message(host, "no folder for the data file could be made");
        return kCountUsage;
    }
    const std::string dataFile = joinPath(folder, "TaveDat168.dat");
    const int rc = writePairDataFile(setup, t, a.open, dataFile, joinPath(folder, "modules"), host);
    if (rc != kCountOk) {
        return rc;
    }
    const std::string viewer =
        a.viewer.empty() ? joinPath(host.programFolder, executableName("tavelin")) : a.viewer;
    if (!startDetached(viewer, {"/f" + dataFile, "/exec"})) {
        message(host, viewer + ": the viewer could not be started");
        return kCountUsage;
    }
    return kCountOk;
}

}  // namespace

int runCount(std::span<const std::string> args, CountHost& host) {
    CountArguments a;
    std::string error;
    if (!parseCountArguments(args, a, error)) {
        message(host, error + " (tavelin-count --help shows the usage)");
        return kCountUsage;
    }
    if (a.help) {
        std::fwrite(kCountUsageText.data(), 1, kCountUsageText.size(), host.out);
        return kCountOk;
    }
    if (a.version) {
        std::fputs("tavelin-count 1.68E\n", host.out);
        return kCountOk;
    }
    if (a.git && !gitAvailable()) {
        message(host, "--git is not available: this build has no libgit2");
        return kCountUsage;
    }

    SetupSources sources;
    sources.programFolder = host.programFolder;
    sources.userFolder = host.userFolder;
    sources.programFolderWritable = host.programFolderWritable;
    sources.settingsFolder = a.settings;
    auto setup = std::make_unique<CountSetup>();
    if (loadCountSetup(sources, *setup) != kSetupOk) {
        message(host, "the counter settings (vaelsyst.dat) cannot be read from " +
                          setupFolders(sources).program);
        return kCountUsage;
    }
    if (!setup->definitionsComplete) {
        message(host, "A part of extension information file is invalid.");
    }

    Trees trees;
    std::string problem;
    if (!openTrees(a, trees, problem)) {
        message(host, problem);
        return kCountUsage;
    }
    if (!a.dataFile.empty()) {
        std::error_code ec;
        const std::string copies = a.dataFile + ".modules";
        return writePairDataFile(*setup, trees, a.dataFilePath, a.dataFile, copies, host);
    }
    if (!a.open.empty()) {
        return openInViewer(*setup, trees, a, host);
    }

    CountOptions options;
    for (const std::string& g : a.include) {
        options.filter.include.emplace_back(g);
    }
    for (const std::string& g : a.exclude) {
        options.filter.exclude.emplace_back(g);
    }
    options.renames = a.renames;
    options.jobs = a.jobs;
    if (!a.reports.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(a.reports, ec);
        if (!std::filesystem::is_directory(a.reports, ec)) {
            message(host, a.reports + ": the report folder cannot be made");
            return kCountUsage;
        }
        options.reportFolder = a.reports;
    }
    CountCallbacks callbacks;
    ProgressBar bar(host.err);
    if (host.terminalErr && a.progress) {
        callbacks.onProgress = [&bar](std::size_t done, std::size_t total) {
            bar.update(done, total);
        };
    }
    const TreeCount result = countTrees(*setup, *trees.before, *trees.after, options, callbacks);
    bar.clear();

    const Summary summary = summarise(result.rows);
    ResultHeading heading{trees.beforeName, trees.afterName, !result.cancelled};
    const OutputFormat format = a.format.value_or(
        host.terminalOut && a.output.empty() ? OutputFormat::Text : OutputFormat::Csv);
    const std::string text = formatResults(format, result.rows, summary, heading);
    int status = summary.unreadable > 0 ? kCountUnreadable : kCountOk;
    if (result.reportsFailed > 0) {
        message(host, std::to_string(result.reportsFailed) +
                          " report(s) could not be written into " + options.reportFolder);
        status = kCountUsage;
    }
    if (!options.reportFolder.empty()) {
        const std::string index = joinPath(options.reportFolder, "index.html");
        removeIfLink(index);
        if (!writeWholeFile(index, htmlSummaryPage(result.rows, summary, heading, true))) {
            message(host, index + ": cannot be written");
            status = kCountUsage;
        }
    }
    if (a.output.empty()) {
        std::fwrite(text.data(), 1, text.size(), host.out);
        std::fflush(host.out);
    } else if (!writeWholeFile(a.output, text)) {
        message(host, a.output + ": cannot be written");
        return kCountUsage;
    }
    for (const FileRow& row : result.rows) {
        if (row.status == RowStatus::Failed) {
            message(host, printable(row.path) + ": " + printable(row.reason));
        }
    }
    return status;
}

}  // namespace tavelin::project
