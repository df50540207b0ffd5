#include "platform/paths.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <stdlib.h>
#include <unistd.h>
#endif

namespace tavelin {

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    out.push_back(kPathSeparator);
    out.append(name);
    return out;
}

bool hasDirectoryPart(std::string_view name) {
#ifdef _WIN32
    return name.find_first_of("\\/:") != std::string_view::npos;
#else
    return name.find('/') != std::string_view::npos;
#endif
}

namespace {
std::size_t lastSeparator(std::string_view path) {
#ifdef _WIN32
    return path.find_last_of("\\/");
#else
    return path.find_last_of('/');
#endif
}
}  // namespace

std::string folderOf(std::string_view path) {
    const std::size_t p = lastSeparator(path);
    if (p == std::string_view::npos) {
        return {};
    }
    return std::string(path.substr(0, p));
}

std::string fileNameOf(std::string_view path) {
    const std::size_t p = lastSeparator(path);
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string programFolder(const char* argv0) {
    std::error_code ec;
#ifndef _WIN32
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && !exe.empty()) {
        return exe.parent_path().string();
    }
#endif
    if (argv0 != nullptr && *argv0 != '\0') {
        std::filesystem::path p = std::filesystem::weakly_canonical(argv0, ec);
        if (!ec) {
            return p.parent_path().string();
        }
    }
    return std::filesystem::current_path(ec).string();
}

std::string workFolder(const std::string& programFolderPath) {
    const char* temp = std::getenv("TEMP");
    // An empty TEMP names no folder: joined to a file name it would point at the root.
    if (temp == nullptr || *temp == '\0') {
        return programFolderPath;
    }
    std::string folder = temp;
    // Held without a trailing separator, like the program folder (a root stays as it is).
    while (folder.size() > 1 && (folder.back() == kPathSeparator || folder.back() == '/')) {
        folder.pop_back();
    }
    return folder;
}

bool folderWritable(const std::string& folder) {
#ifdef _WIN32
    const std::string probe = joinPath(folder, ".tavelin-probe");
    std::FILE* f = std::fopen(probe.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    std::fclose(f);
    std::remove(probe.c_str());
    return true;
#else
    std::string probe = joinPath(folder, ".tavelin-probe-XXXXXX");
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
#endif
}

std::string userConfigFolder(const char* xdgConfigHome, const char* home) {
    if (xdgConfigHome != nullptr && *xdgConfigHome == '/') {
        return joinPath(xdgConfigHome, "tavelin");
    }
    if (home != nullptr && *home != '\0') {
        return joinPath(joinPath(home, ".config"), "tavelin");
    }
    return {};
}

}  // namespace tavelin
