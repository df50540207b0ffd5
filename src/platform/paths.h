#pragma once
// Program folder, work folder and path joining.

#include <string>
#include <string_view>

namespace tavelin {

// The platform's path separator.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// folder + separator + name (the folder is held without a trailing separator).
std::string joinPath(std::string_view folder, std::string_view name);

// True when the name holds a folder part (any separator; on Windows also a drive colon).
bool hasDirectoryPart(std::string_view name);

// The folder part of a path without a trailing separator ("" when there is none; on Windows
// "C:" for the drive-relative "C:x.c").
std::string folderOf(std::string_view path);

// The file-name part of a path.
std::string fileNameOf(std::string_view path);

// The folder of the running executable, without a trailing separator (on POSIX with symlinks
// resolved). argv0 is used only when the platform cannot tell the executable's path itself.
std::string programFolder(const char* argv0);

// Whether files can be created in the folder: a probe file is made and removed (so the answer
// is also right for a user whom permission bits do not stop).
bool folderWritable(const std::string& folder);

// The per-user folder of the program's files: $XDG_CONFIG_HOME/tavelin, else $HOME/.config/tavelin
// (empty when neither variable is set).
std::string userConfigFolder(const char* xdgConfigHome, const char* home);

// The per-user folder of this user: as above from the environment on POSIX, %APPDATA%\tavelin on
// Windows (empty when the variables are not set).
std::string userConfigFolder();

// The folder named by the environment variable TEMP (without trailing separators), else (TEMP
// unset or empty) the program folder.
std::string workFolder(const std::string& programFolder);

}  // namespace tavelin
