#pragma once
// Line-by-line reading of the settings-type text files (keyword files, extension definitions,
// warning CSV files), from bytes already in memory. Files are read as text: a CR directly before
// a LF is dropped on every platform, so files written on Windows read the same everywhere.

#include <cstddef>
#include <string>
#include <string_view>

namespace tavelin {

class LineReader {
  public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {}

    // Reads the next line into `line` without its line end, keeping at most `maxChars` bytes;
    // the rest of a longer line, up to and including its LF, is skipped. The line is cut at its
    // first NUL byte, as a C string would be. Returns false at the end of the input (no line).
    bool next(std::string& line, std::size_t maxChars);

    bool atEnd() const { return pos_ >= bytes_.size(); }

  private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// Reads a whole file as bytes. Returns false when the file cannot be opened or read
// (a folder counts as unreadable).
bool readWholeFile(const std::string& path, std::string& bytes);

// Writes text with LF line ends as a text-mode file: every LF becomes CR LF.
std::string toTextMode(std::string_view text);

}  // namespace tavelin
