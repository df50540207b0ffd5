#pragma once
// Reading whole files of a tree that is walked without following links, and writing whole files.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin {

// What a directory entry is, without following a symbolic link.
enum class EntryType : std::uint8_t { Regular, Folder, Link, Other, Missing };

// The type of the entry at `path` itself (a link is a link, whatever it points to).
EntryType entryType(const std::string& path);

// Reads the regular file at `path` whole into `bytes`. A link, a folder or any other special
// file is refused (the entry may have changed since the walk saw it), as is a file larger than
// `maxBytes`. Returns true, or false with a short reason in `problem` ("permission denied").
bool readRegularFile(const std::string& path, std::vector<unsigned char>& bytes,
                     std::string& problem, std::uint64_t maxBytes);

// Writes `bytes` as the whole file at `path` (created or emptied first); false when the file
// cannot be opened or not every byte is written.
bool writeWholeFile(const std::string& path, std::string_view bytes);

// Removes `path` when it is a symbolic link, so that what is written there next replaces the
// link instead of writing through it.
void removeIfLink(const std::string& path);

}  // namespace tavelin
