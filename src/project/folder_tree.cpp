#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/file_read.h"
#include "platform/paths.h"
#include "project/tree_source.h"

namespace tavelin::project {

bool isVersionControlFolder(std::string_view name) {
    return name == ".git" || name == ".svn" || name == ".hg";
}

namespace {

namespace fs = std::filesystem;

std::string joinRelative(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

class FolderTree final : public TreeSource {
  public:
    explicit FolderTree(std::string top) : top_(std::move(top)) {}

    std::vector<TreeEntry> list(const PathFilter& filter) override {
        std::vector<TreeEntry> out;
        // Folders still to list, by relative path; no recursion, so any depth is safe. Links are
        // never entered, so no walk can loop.
        std::vector<std::string> pending{std::string()};
        while (!pending.empty()) {
            const std::string folder = std::move(pending.back());
            pending.pop_back();
            std::error_code ec;
            fs::directory_iterator it(native(folder), ec);
            const fs::directory_iterator end;
            while (!ec && it != end) {
                const fs::directory_entry& e = *it;
                const std::string name = e.path().filename().string();
                const std::string rel = joinRelative(folder, name);
                std::error_code sec;
                const fs::file_status st = e.symlink_status(sec);
                if (sec) {
                    out.push_back({rel, EntryKind::FolderError, sec.message(), {}});
                } else if (fs::is_directory(st)) {
                    if (!isVersionControlFolder(name) && filter.entersFolder(rel)) {
                        pending.push_back(rel);
                    }
                } else if (filter.takesFile(rel) && !isVersionControlFolder(name)) {
                    EntryKind kind = EntryKind::Special;
                    if (fs::is_symlink(st)) {
                        kind = EntryKind::Link;
                    } else if (fs::is_regular_file(st)) {
                        kind = EntryKind::File;
                    }
                    out.push_back({rel, kind, {}, {}});
                }
                it.increment(ec);
            }
            if (ec) {
                out.push_back({folder.empty() ? std::string(".") : folder,
                               EntryKind::FolderError,
                               ec.message(),
                               {}});
            }
        }
        std::sort(out.begin(), out.end(),
                  [](const TreeEntry& a, const TreeEntry& b) { return a.path < b.path; });
        return out;
    }

    bool read(const TreeEntry& entry, std::vector<unsigned char>& bytes,
              std::string& problem) const override {
        return readRegularFile(native(entry.path), bytes, problem, kMaxTreeFile);
    }

    std::string moduleName(const std::string& path) const override { return joinPath(top_, path); }
    std::string diskPath(const std::string& path) const override { return native(path); }

  private:
    std::string native(const std::string& rel) const {
        if (rel.empty()) {
            return top_;
        }
        std::string path = joinPath(top_, rel);
#ifdef _WIN32
        std::replace(path.begin(), path.end(), '/', '\\');
#endif
        return path;
    }

    std::string top_;
};

}  // namespace

std::unique_ptr<TreeSource> openFolderTree(const std::string& top, std::string& problem) {
    std::error_code ec;
    // The folder named by the user may itself be a link: that one is followed.
    if (!fs::is_directory(top, ec)) {
        problem = top + ": not a folder";
        return nullptr;
    }
    fs::directory_iterator probe(top, ec);
    if (ec) {
        problem = top + ": " + ec.message();
        return nullptr;
    }
    std::string held = top;
    while (held.size() > 1 && (held.back() == '/' || held.back() == kPathSeparator)) {
        held.pop_back();
    }
    return std::make_unique<FolderTree>(held);
}

}  // namespace tavelin::project
