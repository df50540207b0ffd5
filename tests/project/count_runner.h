#pragma once
// Runs copies of the built tavelin-count and tavelin from a program folder of their own (with the
// bundled settings and definitions), with private work and lock folders and no display. Relative
// paths resolve in the program folder, which is the current folder of every run.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tavelin::counttest {

namespace fs = std::filesystem;

class Folder {
  public:
    Folder() {
        char tmpl[] = "/tmp/tavelin-count-XXXXXX";
        if (mkdtemp(tmpl) != nullptr) {
            path_ = tmpl;
        }
    }
    ~Folder() {
        std::error_code ec;
        if (!path_.empty()) {
            // Folders a test made unreadable are opened up again first.
            for (auto it = fs::recursive_directory_iterator(
                     path_, fs::directory_options::skip_permission_denied, ec);
                 !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
                if (it->is_directory(ec) && !it->is_symlink(ec)) {
                    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
                }
            }
            fs::remove_all(path_, ec);
        }
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string read(const std::string& name) const { return readFile(file(name)); }
    void write(const std::string& name, const std::string& bytes) const {
        const fs::path p(file(name));
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }

    static std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

  private:
    std::string path_;
};

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Single-quoted for the shell.
inline std::string quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

class Programs {
  public:
    Programs() {
        std::error_code ec;
        fs::copy_file(TAVELIN_COUNT_BINARY, program_.file("tavelin-count"), ec);
        ok_ = !ec;
        fs::copy_file(TAVELIN_BINARY, program_.file("tavelin"), ec);
        ok_ = ok_ && !ec;
        // The settings and definitions the build put beside the programs.
        const fs::path build = fs::path(TAVELIN_COUNT_BINARY).parent_path();
        for (const auto& e : fs::directory_iterator(build, ec)) {
            const std::string ext = e.path().extension().string();
            if (ext == ".def" || e.path().filename() == "vaelsyst.dat") {
                fs::copy_file(e.path(), program_.file(e.path().filename().string()), ec);
            }
        }
        fs::permissions(program_.path(), fs::perms::all, fs::perm_options::add, ec);
    }

    bool ok() const { return ok_; }
    const Folder& folder() const { return program_; }

    // Runs a program of the folder with `args` (already quoted for the shell). `prefix` goes
    // before the program (another user, env settings).
    RunResult run(const std::string& program, const std::string& args,
                  const std::string& prefix = "") const {
        const std::string command =
            "cd " + quote(program_.path()) +
            " && env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR=" + quote(lock_.path()) +
            " TEMP=" + quote(work_.path()) + " " + prefix + " ./" + program + " " + args + " >" +
            quote(lock_.file("out")) + " 2>" + quote(lock_.file("err")) + " </dev/null";
        const int status = std::system(command.c_str());
        RunResult r;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = lock_.read("out");
        r.err = lock_.read("err");
        return r;
    }
    RunResult count(const std::string& args, const std::string& prefix = "") const {
        return run("tavelin-count", args, prefix);
    }
    // The viewer's unattended step comparison of a pair (an empty path leaves the side out);
    // returns the report's bytes, empty when none was written.
    std::string viewerReport(const std::string& after, const std::string& before) const {
        std::string args;
        if (!after.empty()) {
            args += quote("/a" + after) + " ";
        }
        if (!before.empty()) {
            args += quote("/b" + before) + " ";
        }
        const RunResult r = run("tavelin", args + "/exec /s /ml /nreport");
        if (r.exitCode != 0) {
            return {};
        }
        std::string path = r.out;
        while (!path.empty() && path.back() == '\n') {
            path.pop_back();
        }
        std::string bytes = Folder::readFile(path);
        std::error_code ec;
        fs::remove(path, ec);
        return bytes;
    }

  private:
    Folder program_;
    Folder work_;
    Folder lock_;
    bool ok_ = false;
};

// The five counts at the end of a comparison report: New, Original, Changed, Re-used, Deleted.
inline std::vector<long> reportCounts(const std::string& report) {
    std::vector<long> counts;
    const std::string cell = "<td align=right><font>";
    std::size_t at = report.rfind("Deleted</font>");
    while (at != std::string::npos && counts.size() < 5) {
        at = report.find(cell, at);
        if (at == std::string::npos) {
            break;
        }
        at += cell.size();
        counts.push_back(std::strtol(report.c_str() + at, nullptr, 10));
    }
    return counts;
}

// An RFC 4180 reader: records of fields.
inline std::vector<std::vector<std::string>> parseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    bool quoted = false;
    bool any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
            any = true;
        } else if (c == ',') {
            record.push_back(field);
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        } else if (c == '\n') {
            record.push_back(field);
            records.push_back(record);
            record.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !record.empty()) {
        record.push_back(field);
        records.push_back(record);
    }
    return records;
}

}  // namespace tavelin::counttest
