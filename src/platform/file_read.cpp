#include "platform/file_read.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavelin {

EntryType entryType(const std::string& path) {
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::symlink_status(path, ec);
    if (ec || !std::filesystem::exists(st)) {
        return EntryType::Missing;
    }
    if (std::filesystem::is_symlink(st)) {
        return EntryType::Link;
    }
    if (std::filesystem::is_directory(st)) {
        return EntryType::Folder;
    }
    if (std::filesystem::is_regular_file(st)) {
        return EntryType::Regular;
    }
    return EntryType::Other;
}

bool writeWholeFile(const std::string& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

void removeIfLink(const std::string& path) {
    if (entryType(path) == EntryType::Link) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
}

#ifdef _WIN32

bool readRegularFile(const std::string& path, std::vector<unsigned char>& bytes,
                     std::string& problem, std::uint64_t maxBytes) {
    bytes.clear();
    if (entryType(path) != EntryType::Regular) {
        problem = "not a regular file";
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        problem = std::strerror(errno);
        return false;
    }
    unsigned char chunk[65536];
    bool ok = true;
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, f);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (bytes.size() > maxBytes) {
            problem = "file too large";
            ok = false;
            break;
        }
        if (got < sizeof chunk) {
            if (std::ferror(f) != 0) {
                problem = "read error";
                ok = false;
            }
            break;
        }
    }
    std::fclose(f);
    if (!ok) {
        bytes.clear();
    }
    return ok;
}

#else

bool readRegularFile(const std::string& path, std::vector<unsigned char>& bytes,
                     std::string& problem, std::uint64_t maxBytes) {
    bytes.clear();
    // O_NOFOLLOW refuses a link; O_NONBLOCK keeps a FIFO that took the file's place from
    // blocking the open (it is refused below as not regular).
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        problem = errno == ELOOP ? "symbolic link" : std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        problem = "not a regular file";
        ::close(fd);
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        problem = "file too large";
        ::close(fd);
        return false;
    }
    bool ok = true;
    try {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                // Shorter than it was: take what there is; an error fails the read.
                if (got < 0) {
                    problem = std::strerror(errno);
                    ok = false;
                }
                bytes.resize(done);
                break;
            }
            done += static_cast<std::size_t>(got);
        }
    } catch (const std::bad_alloc&) {
        problem = "out of memory";
        ok = false;
    }
    ::close(fd);
    if (!ok) {
        bytes.clear();
    }
    return ok;
}

#endif

}  // namespace tavelin
