#pragma once
// A whole file written so that the file it replaces stays as it was until the new one is
// complete: the bytes go to a new temporary file next to the target, which commit() puts in the
// target's place. A link at the target keeps pointing at the file it names, and that file is
// replaced; a target that is not a regular file (a device, a pipe) is written in place. When
// the object goes, the file is closed and a temporary file that was not put in place is removed.

#include <cstdio>
#include <filesystem>
#include <string>

namespace tavelin {

class ReplacingFile {
  public:
    explicit ReplacingFile(const std::string& path);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // The file to write into; null when none could be made.
    std::FILE* handle() const { return file_; }

    // Flushes and closes the file and, when it is complete and that succeeded, puts it in the
    // target's place. Whether the target now holds the complete file.
    bool commit(bool complete);

  private:
    std::string target_;
    std::string temporary_;  // empty: writing to the target itself, or in place
    bool replaced_ = false;  // a regular file is at the target
    std::filesystem::perms targetPermissions_ = std::filesystem::perms::unknown;
    std::FILE* file_ = nullptr;
};

}  // namespace tavelin
