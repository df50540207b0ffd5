#pragma once

#include <cstdint>
#include <string>

namespace tavelin {

// The last-write time of a file as a Windows FILETIME value (100 ns ticks since 1601-01-01 UTC).
// Returns false, leaving `fileTime` untouched, when the file cannot be opened.
bool lastWriteFileTime(const std::string& path, std::uint64_t& fileTime);

}  // namespace tavelin
