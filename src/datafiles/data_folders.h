#pragma once
// Where the program's own files are read from. The program folder holds the bundled settings
// and language definitions. When the program folder cannot be written (an installed copy), a
// per-user folder takes the viewer settings, and a "vaelsyst.dat" or definition file placed there
// is read instead of the bundled one of the same name.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/paths.h"

namespace tavelin {

struct DataFolders {
    DataFolders() = default;
    // Only the program folder: everything is read and written there.
    DataFolders(std::string programFolder) : program(std::move(programFolder)) {}  // NOLINT
    DataFolders(std::string programFolder, std::string userFolder)
        : program(std::move(programFolder)), user(std::move(userFolder)) {}

    std::string program;
    std::string user;  // empty: the program folder is writable and serves for everything

    // The folder the viewer settings are read from and written to.
    const std::string& settings() const { return user.empty() ? program : user; }

    // The folder the file `name` is read from: the per-user folder when it holds the file, else
    // the program folder. So the viewer settings of a new user's first start come from the copy
    // bundled in the program folder, and are saved into the per-user folder at exit.
    const std::string& holding(std::string_view name) const {
        if (!user.empty()) {
            std::error_code ec;
            if (std::filesystem::is_regular_file(joinPath(user, name), ec)) {
                return user;
            }
        }
        return program;
    }

    // The path the file `name` is read from (in the folder holding() names).
    std::string find(std::string_view name) const { return joinPath(holding(name), name); }
};

}  // namespace tavelin
