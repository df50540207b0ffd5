#include "platform/replacing_file.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#endif

#include <cerrno>
#include <system_error>

namespace tavelin {

namespace {

// A new file opened for writing, or nothing when a file of that name is there already (errno
// EEXIST) or it cannot be made. The C library of Windows knows no "x" mode of its own.
std::FILE* createNewFile(const std::string& name) {
#ifdef _WIN32
    const int fd =
        _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) {
        _close(fd);
    }
    return file;
#else
    return std::fopen(name.c_str(), "wbx");
#endif
}

}  // namespace

ReplacingFile::ReplacingFile(const std::string& path) : target_(path) {
    std::error_code ec;
    // A link keeps pointing at the file it names: that file is replaced.
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(target_, ec))) {
        const std::filesystem::path resolved = std::filesystem::canonical(target_, ec);
        if (!ec) {
            target_ = resolved.string();
        }
    }
    const std::filesystem::file_status status = std::filesystem::status(target_, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        file_ = std::fopen(target_.c_str(), "wb");
        return;
    }
    replaced_ = std::filesystem::exists(status);
    targetPermissions_ = status.permissions();
    // A name no file has yet, so that nothing else is overwritten or removed.
    for (int k = 0; k < 100 && file_ == nullptr; ++k) {
        std::string name = target_ + (k == 0 ? "" : "." + std::to_string(k)) + ".tmp";
        errno = 0;
        file_ = createNewFile(name);
        if (file_ != nullptr) {
            temporary_ = std::move(name);
        } else if (errno != EEXIST) {
            break;
        }
    }
}

ReplacingFile::~ReplacingFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    if (!temporary_.empty()) {
        std::error_code ec;
        std::filesystem::remove(temporary_, ec);
    }
}

bool ReplacingFile::commit(bool complete) {
    bool ok = complete && std::fflush(file_) == 0;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok && !temporary_.empty()) {
        std::error_code ec;
        if (replaced_) {
            // The new file keeps the access rights of the file it replaces.
            std::filesystem::permissions(temporary_, targetPermissions_, ec);
        }
        std::filesystem::rename(temporary_, target_, ec);
        ok = !ec;
        if (ok) {
            temporary_.clear();
        }
    }
    return ok;
}

}  // namespace tavelin
