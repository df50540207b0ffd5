#pragma once
// Builds settings-type files (keyword syntax) in code for tests: each entry is a key line
// followed by its value line(s), the way the step counter and the viewer write them.
//
//   SettingsFileWriter w;
//   w.integer("[DELIMIT]", 2).text("[EDITOR]", "ed").colour("[DEL_COLOR]", 255);
//   readCounterSettings(settings, w.bytes(), folder);
//
// bytes() gives the text-mode file (CR LF line ends); text() gives it with LF line ends.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::testing {

class SettingsFileWriter {
  public:
    // "%s\n%d\n"
    SettingsFileWriter& integer(std::string_view key, std::int64_t value);
    // "%s\n%s\n"
    SettingsFileWriter& text(std::string_view key, std::string_view value);
    // "%s\n%08X\n"
    SettingsFileWriter& colour(std::string_view key, std::uint32_t value);
    // The key, the count line, then one line per path.
    SettingsFileWriter& fileList(std::string_view key, const std::vector<std::string>& paths);
    // Any line as it stands (comments, bad values, a key without its value).
    SettingsFileWriter& line(std::string_view raw);

    const std::string& text() const { return text_; }
    std::string bytes() const;
    // Writes bytes() to a file; false when it cannot be written.
    bool writeTo(const std::string& path) const;

  private:
    std::string text_;
};

}  // namespace tavelin::testing
