#pragma once
// Runs copies of the built tavelin-count and tavelin from a program folder of their own (with the
// bundled settings and definitions), with private work and lock folders and no display. Relative
// paths resolve in the program folder, which is the current folder of every run.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

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
#ifdef _WIN32
        // A fresh folder under the temporary folder (the program's folder tests use it too).
        static int made = 0;
        const fs::path base = fs::temp_directory_path();
        for (int attempt = 0; attempt < 1000 && path_.empty(); ++attempt) {
            const fs::path p = base / ("tavelin-count-" + std::to_string(++made) + "-" +
                                       std::to_string(std::rand()));
            std::error_code ec;
            if (fs::create_directory(p, ec)) {
                path_ = p.generic_string();
            }
        }
#else
        char tmpl[] = "/tmp/tavelin-count-XXXXXX";
        if (mkdtemp(tmpl) != nullptr) {
            path_ = tmpl;
        }
#endif
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

    const std::string& path() const {
        return path_;
    }
    std::string file(const std::string& name) const {
        return path_ + "/" + name;
    }
    std::string read(const std::string& name) const {
        return readFile(file(name));
    }
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

#ifndef _WIN32
// Runs of the built programs through the shell: POSIX only (see tests/CMakeLists.txt).
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

// A small JSON reader for the tests: objects, arrays, strings (with \uXXXX escapes, surrogate
// pairs joined), numbers, true, false, null. A syntax error leaves `ok` false.
struct Json {
    enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    const Json* get(const std::string& key) const {
        for (const auto& m : members) {
            if (m.first == key) {
                return &m.second;
            }
        }
        return nullptr;
    }
};

class JsonReader {
  public:
    explicit JsonReader(const std::string& s) : s_(s) {}
    bool read(Json& out) {
        ok_ = true;
        value(out);
        space();
        return ok_ && i_ == s_.size();
    }

  private:
    void space() {
        while (i_ < s_.size() &&
               (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t')) {
            ++i_;
        }
    }
    bool take(char c) {
        space();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    void fail() { ok_ = false; }
    static void put(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    unsigned hex4() {
        if (i_ + 4 > s_.size()) {
            fail();
            return 0;
        }
        const unsigned v = static_cast<unsigned>(std::stoul(s_.substr(i_, 4), nullptr, 16));
        i_ += 4;
        return v;
    }
    void string(std::string& out) {
        if (!take('"')) {
            return fail();
        }
        while (ok_ && i_ < s_.size() && s_[i_] != '"') {
            const char c = s_[i_++];
            if (static_cast<unsigned char>(c) < 0x20) {
                return fail();
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i_ >= s_.size()) {
                return fail();
            }
            const char e = s_[i_++];
            const std::string simple = "\"\\/bfnrt";
            const std::string meant = "\"\\/\b\f\n\r\t";
            if (simple.find(e) != std::string::npos) {
                out += meant[simple.find(e)];
            } else if (e == 'u') {
                unsigned cp = hex4();
                if (cp >= 0xD800 && cp < 0xDC00 && s_.compare(i_, 2, "\\u") == 0) {
                    i_ += 2;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (hex4() - 0xDC00);
                }
                put(out, cp);
            } else {
                return fail();
            }
        }
        if (i_ >= s_.size()) {
            return fail();
        }
        ++i_;
    }
    void value(Json& out) {
        space();
        if (i_ >= s_.size()) {
            return fail();
        }
        const char c = s_[i_];
        if (c == '{') {
            ++i_;
            out.type = Json::Type::Object;
            if (take('}')) {
                return;
            }
            do {
                std::pair<std::string, Json> m;
                space();
                string(m.first);
                if (!take(':')) {
                    return fail();
                }
                value(m.second);
                out.members.push_back(std::move(m));
            } while (ok_ && take(','));
            if (!take('}')) {
                fail();
            }
        } else if (c == '[') {
            ++i_;
            out.type = Json::Type::Array;
            if (take(']')) {
                return;
            }
            do {
                out.items.emplace_back();
                value(out.items.back());
            } while (ok_ && take(','));
            if (!take(']')) {
                fail();
            }
        } else if (c == '"') {
            out.type = Json::Type::String;
            string(out.text);
        } else if (s_.compare(i_, 4, "true") == 0 || s_.compare(i_, 5, "false") == 0) {
            out.type = Json::Type::Bool;
            out.boolean = c == 't';
            i_ += out.boolean ? 4 : 5;
        } else if (s_.compare(i_, 4, "null") == 0) {
            i_ += 4;
        } else {
            std::size_t used = 0;
            try {
                out.number = std::stod(s_.substr(i_, 32), &used);
            } catch (...) {
                return fail();
            }
            out.type = Json::Type::Number;
            i_ += used;
        }
    }

    const std::string& s_;
    std::size_t i_ = 0;
    bool ok_ = true;
};

#endif

}  // namespace tavelin::counttest
