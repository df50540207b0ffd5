#include "datafiles/line_reader.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tavelin {

bool LineReader::next(std::string& line, std::size_t maxChars) {
    line.clear();
    if (pos_ >= bytes_.size()) {
        return false;
    }
    const std::size_t lf = bytes_.find('\n', pos_);
    const std::size_t end = lf == std::string_view::npos ? bytes_.size() : lf;
    std::string_view raw = bytes_.substr(pos_, end - pos_);
    pos_ = lf == std::string_view::npos ? bytes_.size() : lf + 1;
    // Text mode: CR LF arrives as LF.
    if (lf != std::string_view::npos && !raw.empty() && raw.back() == '\r') {
        raw.remove_suffix(1);
    }
    const std::size_t nul = raw.find('\0');
    if (nul != std::string_view::npos) {
        raw = raw.substr(0, nul);
    }
    if (raw.size() > maxChars) {
        raw = raw.substr(0, maxChars);
    }
    line.assign(raw);
    return true;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string data;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        data.append(buf, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        return false;
    }
    bytes = std::move(data);
    return true;
}

std::string toTextMode(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') {
            out.push_back('\r');
        }
        out.push_back(c);
    }
    return out;
}

}  // namespace tavelin
