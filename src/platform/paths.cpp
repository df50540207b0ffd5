#include "platform/paths.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <atomic>
#include <string>
#else
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
    const std::size_t p = path.find_last_of("\\/");
    // A drive-relative path ("C:x.c") has its folder part before the file name too.
    if (p == std::string_view::npos && path.size() >= 2 && path[1] == ':') {
        return 1;
    }
    return p;
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
    // The drive's colon belongs to the folder ("C:" is the current folder of drive C).
    return std::string(path.substr(0, path[p] == ':' ? p + 1 : p));
}

std::string fileNameOf(std::string_view path) {
    const std::size_t p = lastSeparator(path);
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string programFolder(const char* argv0) {
    std::error_code ec;
#ifdef _WIN32
    std::string exe(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD n = GetModuleFileNameA(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
        if (n == 0) {
            break;
        }
        if (n < exe.size()) {
            exe.resize(n);
            return folderOf(exe);
        }
        exe.resize(exe.size() * 2);  // cut short: a longer buffer
    }
#else
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
    // A probe of this process's own that the system removes when it is closed; CREATE_NEW never
    // opens a file someone else made.
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string probe =
            joinPath(folder, ".tavelin-probe-" + std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(serial.fetch_add(1)));
        HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return false;
        }
    }
    return false;
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

std::string userConfigFolder() {
#ifdef _WIN32
    const char* appData = std::getenv("APPDATA");
    return appData != nullptr && *appData != '\0' ? joinPath(appData, "tavelin") : std::string();
#else
    return userConfigFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
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
