#include "support/settings_writer.h"

#include <cstdio>

#include "datafiles/line_reader.h"

namespace tavelin::testing {

SettingsFileWriter& SettingsFileWriter::integer(std::string_view key, std::int64_t value) {
    return line(key).line(std::to_string(value));
}

SettingsFileWriter& SettingsFileWriter::text(std::string_view key, std::string_view value) {
    return line(key).line(value);
}

SettingsFileWriter& SettingsFileWriter::colour(std::string_view key, std::uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(value));
    return line(key).line(buf);
}

SettingsFileWriter& SettingsFileWriter::fileList(std::string_view key,
                                                 const std::vector<std::string>& paths) {
    line(key).line(std::to_string(paths.size()));
    for (const std::string& p : paths) {
        line(p);
    }
    return *this;
}

SettingsFileWriter& SettingsFileWriter::line(std::string_view raw) {
    text_.append(raw);
    text_.push_back('\n');
    return *this;
}

std::string SettingsFileWriter::bytes() const {
    return toTextMode(text_);
}

bool SettingsFileWriter::writeTo(const std::string& path) const {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const std::string b = bytes();
    bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

}  // namespace tavelin::testing
