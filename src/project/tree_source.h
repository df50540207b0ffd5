#pragma once
// The two trees a project count walks: a folder on disk, or a revision of a git repository read
// straight from its object database. Paths inside a tree are relative, with "/" between names,
// byte for byte as the file system or the repository holds them (not necessarily UTF-8).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "project/glob.h"

namespace tavelin::project {

enum class EntryKind : std::uint8_t {
    File,         // a regular file (a blob)
    Link,         // a symbolic link: never followed
    Special,      // a device, FIFO or socket; a submodule in a repository
    FolderError,  // a folder that could not be listed
};

struct TreeEntry {
    std::string path;
    EntryKind kind = EntryKind::File;
    std::string problem;  // FolderError: why
    std::string id;       // repository: the blob's id (equal ids hold equal bytes)
};

// Folders of version control that are never counted.
bool isVersionControlFolder(std::string_view name);

// The largest file read (what a module's 32-bit positions can address).
constexpr std::uint64_t kMaxTreeFile = 0x7FFFFFFELL;

class TreeSource {
  public:
    virtual ~TreeSource() = default;
    // Every entry below the top, sorted by path. Folders the filter excludes and the folders of
    // version control are not entered; files the filter does not take are left out.
    virtual std::vector<TreeEntry> list(const PathFilter& filter) = 0;
    // Reads a file of the list whole. Safe to call from several threads at once. False, with a
    // short reason in `problem`, when it cannot be read.
    virtual bool read(const TreeEntry& entry, std::vector<unsigned char>& bytes,
                      std::string& problem) const = 0;
    // The name a file goes by as a module (report headings, data files): the folder's path
    // joined with the relative path, or "REV:path" for a repository.
    virtual std::string moduleName(const std::string& path) const = 0;
    // The file on disk, when the tree is a folder; empty for a repository.
    virtual std::string diskPath(const std::string& path) const = 0;
};

// A folder. Returns nullptr with `problem` set when `top` is not a folder that can be listed.
std::unique_ptr<TreeSource> openFolderTree(const std::string& top, std::string& problem);

// Whether this build reads git repositories.
bool gitAvailable();

// A revision's tree of the repository at `repository` (its work tree or its .git folder).
// Returns nullptr with `problem` set when the repository or the revision cannot be read.
std::unique_ptr<TreeSource> openGitTree(const std::string& repository, const std::string& revision,
                                        std::string& problem);

}  // namespace tavelin::project
