// A revision's tree read with libgit2: no checkout, no git process. Without libgit2 in the
// build, opening one says so.

#include <algorithm>
#include <mutex>

#include "project/tree_source.h"

#ifdef TAVELIN_WITH_GIT
#include <git2.h>
#endif

namespace tavelin::project {

#ifdef TAVELIN_WITH_GIT

namespace {

std::string lastGitError(const std::string& what) {
    const git_error* e = git_error_last();
    return what + (e != nullptr && e->message != nullptr ? std::string(": ") + e->message : "");
}

// libgit2 is set up once for the process and stays set up.
void initialiseGit() {
    static std::once_flag once;
    std::call_once(once, [] { git_libgit2_init(); });
}

struct WalkState {
    const PathFilter* filter = nullptr;
    std::vector<TreeEntry>* out = nullptr;
};

int walkEntry(const char* root, const git_tree_entry* entry, void* payload) {
    auto& state = *static_cast<WalkState*>(payload);
    const std::string name = git_tree_entry_name(entry);
    const std::string path = std::string(root) + name;
    const git_filemode_t mode = git_tree_entry_filemode(entry);
    if (mode == GIT_FILEMODE_TREE) {
        // 1 skips the folder's entries.
        return isVersionControlFolder(name) || !state.filter->entersFolder(path) ? 1 : 0;
    }
    if (isVersionControlFolder(name) || !state.filter->takesFile(path)) {
        return 0;
    }
    TreeEntry e;
    e.path = path;
    if (mode == GIT_FILEMODE_BLOB || mode == GIT_FILEMODE_BLOB_EXECUTABLE) {
        e.kind = EntryKind::File;
    } else if (mode == GIT_FILEMODE_LINK) {
        e.kind = EntryKind::Link;
    } else {
        e.kind = EntryKind::Special;
    }
    char hex[GIT_OID_HEXSZ + 1] = {};
    git_oid_tostr(hex, sizeof hex, git_tree_entry_id(entry));
    e.id = hex;
    state.out->push_back(std::move(e));
    return 0;
}

class GitTree final : public TreeSource {
  public:
    GitTree(git_repository* repo, git_tree* tree, std::string revision)
        : repo_(repo), tree_(tree), revision_(std::move(revision)) {}
    ~GitTree() override {
        git_tree_free(tree_);
        git_repository_free(repo_);
    }
    GitTree(const GitTree&) = delete;
    GitTree& operator=(const GitTree&) = delete;

    std::vector<TreeEntry> list(const PathFilter& filter) override {
        std::vector<TreeEntry> out;
        WalkState state{&filter, &out};
        git_tree_walk(tree_, GIT_TREEWALK_PRE, walkEntry, &state);
        std::sort(out.begin(), out.end(),
                  [](const TreeEntry& a, const TreeEntry& b) { return a.path < b.path; });
        return out;
    }

    bool read(const TreeEntry& entry, std::vector<unsigned char>& bytes,
              std::string& problem) const override {
        bytes.clear();
        git_oid oid;
        if (git_oid_fromstr(&oid, entry.id.c_str()) != 0) {
            problem = "no such object";
            return false;
        }
        // One repository handle is shared: its object reads are taken one at a time.
        const std::lock_guard<std::mutex> lock(mutex_);
        git_blob* blob = nullptr;
        if (git_blob_lookup(&blob, repo_, &oid) != 0) {
            problem = lastGitError("cannot read the object");
            return false;
        }
        const auto size = static_cast<std::uint64_t>(git_blob_rawsize(blob));
        bool ok = size <= kMaxTreeFile;
        if (ok) {
            const auto* data = static_cast<const unsigned char*>(git_blob_rawcontent(blob));
            bytes.assign(data, data + size);
        } else {
            problem = "file too large";
        }
        git_blob_free(blob);
        return ok;
    }

    std::string moduleName(const std::string& path) const override {
        return revision_ + ":" + path;
    }
    std::string diskPath(const std::string&) const override { return {}; }

  private:
    git_repository* repo_;
    git_tree* tree_;
    std::string revision_;
    mutable std::mutex mutex_;
};

}  // namespace

bool gitAvailable() {
    return true;
}

std::unique_ptr<TreeSource> openGitTree(const std::string& repository, const std::string& revision,
                                        std::string& problem) {
    initialiseGit();
    git_repository* repo = nullptr;
    if (git_repository_open_ext(&repo, repository.c_str(), GIT_REPOSITORY_OPEN_NO_SEARCH,
                                nullptr) != 0) {
        problem = lastGitError(repository + ": not a git repository");
        return nullptr;
    }
    git_object* object = nullptr;
    if (git_revparse_single(&object, repo, revision.c_str()) != 0) {
        problem = lastGitError(revision + ": unknown revision");
        git_repository_free(repo);
        return nullptr;
    }
    git_object* peeled = nullptr;
    const int rc = git_object_peel(&peeled, object, GIT_OBJECT_TREE);
    git_object_free(object);
    if (rc != 0) {
        problem = lastGitError(revision + ": not a tree");
        git_repository_free(repo);
        return nullptr;
    }
    return std::make_unique<GitTree>(repo, reinterpret_cast<git_tree*>(peeled), revision);
}

#else

bool gitAvailable() {
    return false;
}

std::unique_ptr<TreeSource> openGitTree(const std::string&, const std::string&,
                                        std::string& problem) {
    problem = "--git is not available: this build has no libgit2";
    return nullptr;
}

#endif

}  // namespace tavelin::project
