#pragma once
// A fresh folder under /tmp (on Windows under %TEMP%), removed with everything in it when the
// object goes.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>

#include "support/environment.h"

namespace tavelin::apptest {

class TempFolder {
  public:
    TempFolder() {
#ifdef _WIN32
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty() && !base.empty(); ++attempt) {
            const std::filesystem::path p = base / ("tavelin-app-" + std::to_string(random()));
            if (std::filesystem::create_directory(p, ec)) {
                path_ = p.string();
            }
        }
#else
        char tmpl[] = "/tmp/tavelin-app-XXXXXX";
        if (mkdtemp(tmpl) != nullptr) {
            path_ = tmpl;
        }
#endif
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, ec);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const {
        return path_;
    }
    std::string file(const std::string& name) const {
        return path_ + "/" + name;
    }
    bool exists(const std::string& name) const {
        return std::filesystem::exists(file(name));
    }
    std::string read(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(file(name), std::ios::binary) << bytes;
    }

  private:
    std::string path_;
};

// Points the single-instance lock at a folder of its own while the object lives, so that tests
// running at the same time never meet each other's lock; restores the environment afterwards.
// On Windows the lock is a named mutex of the session, which no variable moves: there the app
// tests run in one process, one after another (tests/CMakeLists.txt).
class PrivateInstanceLock {
  public:
    PrivateInstanceLock() {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) {
            old_ = old;
        }
        setenv("XDG_RUNTIME_DIR", folder_.path().c_str(), 1);
    }
    ~PrivateInstanceLock() {
        if (old_) {
            setenv("XDG_RUNTIME_DIR", old_->c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
    }
    PrivateInstanceLock(const PrivateInstanceLock&) = delete;
    PrivateInstanceLock& operator=(const PrivateInstanceLock&) = delete;

  private:
    TempFolder folder_;
    std::optional<std::string> old_;
};

}  // namespace tavelin::apptest
