#include "datafiles/viewer_settings.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "datafiles/keyword_file.h"
#include "datafiles/line_reader.h"
#include "platform/paths.h"

namespace tavelin {

namespace {

using V = ViewerSettings;
using Row = KeywordRow<ViewerSettings>;

// Table order is the search order.
constexpr std::array<Row, 24> kRows{{
    integerRow<V>("[TAB_NO]", 2, 0, 2, &V::tabNo),
    integerRow<V>("[LIST_WIDTH]", 0, 0, 32767, &V::listWidth),
    integerRow<V>("[FORM_TOP]", 0, -32768, 32767, &V::formTop),
    integerRow<V>("[FORM_LEFT]", 0, -32768, 32767, &V::formLeft),
    integerRow<V>("[FORM_HEIGHT]", 485, 485, 32767, &V::formHeight),
    integerRow<V>("[FORM_WIDTH]", 778, 778, 32767, &V::formWidth),
    integerRow<V>("[EXEC_KIND]", 0, 0, 10, &V::execKind),
    colourRow<V>("[DEL_COLOR]", kDefaultDeletedColour, 0, 16777215, &V::delColor),
    colourRow<V>("[ADD_COLOR]", kDefaultAddedColour, 0, 16777215, &V::addColor),
    colourRow<V>("[SPC_COLOR]", kDefaultBlankColour, 0, 16777215, &V::spcColor),
    integerRow<V>("[LIST_CHG]", 0, 0, 1, &V::listChg),
    integerRow<V>("[IMAGE_CHG]", 0, 0, 2, &V::imageChg),
    integerRow<V>("[STATUS_RES]", 400, 0, 500, &V::statusRes),
    stringRow<V>("[FONT_NAME]", 64, &V::fontName),
    integerRow<V>("[FONT_SIZE]", 9, 1, 72, &V::fontSize),
    integerRow<V>("[FONT_CHAR]", 0, 0, 255, &V::fontChar),
    integerRow<V>("[DEBUG_MODE]", 0, 0, 1, &V::debugMode),
    stringRow<V>("[HELP_PATH1]", 522, &V::helpPath1),
    stringRow<V>("[HELP_PATH2]", 522, &V::helpPath2),
    stringRow<V>("[HELP1_EXT]", 32, &V::help1Ext),
    stringRow<V>("[HELP2_EXT]", 32, &V::help2Ext),
    integerRow<V>("[WARN_HEIGHT]", 74, 74, 32767, &V::warnHeight),
    integerRow<V>("[HIGHLIGHT]", 1, 0, 1, &V::highlightChars),
    integerRow<V>("[LINE_NUMBERS]", 1, 0, 1, &V::lineNumbers),
}};

void putInteger(std::string& out, std::string_view key, std::int32_t value) {
    out.append(key);
    out.push_back('\n');
    out.append(std::to_string(value));
    out.push_back('\n');
}

// A value never spans lines: a line break inside it would turn its tail into a line of its own
// (possibly a key) when the file is read back.
void putString(std::string& out, std::string_view key, std::string_view value) {
    out.append(key);
    out.push_back('\n');
    out.append(value.substr(0, value.find_first_of("\r\n")));
    out.push_back('\n');
}

void putColour(std::string& out, std::string_view key, std::int32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(value));
    out.append(key);
    out.push_back('\n');
    out.append(buf);
    out.push_back('\n');
}

}  // namespace

std::span<const KeywordRow<ViewerSettings>> viewerSettingsTable() {
    return kRows;
}

int readViewerSettings(ViewerSettings& settings, std::string_view bytes) {
    parseKeywordFile<ViewerSettings>(bytes, std::span<const Row>(kRows), settings, nullptr);
    return 0;
}

int readViewerSettingsFile(ViewerSettings& settings, const std::string& programFolder) {
    std::string bytes;
    if (!readWholeFile(joinPath(programFolder, kViewerSettingsFileName), bytes)) {
        return -1;
    }
    return readViewerSettings(settings, bytes);
}

std::string formatViewerSettings(const ViewerSettings& s) {
    std::string out;
    putInteger(out, "[TAB_NO]", s.tabNo);
    putInteger(out, "[LIST_WIDTH]", s.listWidth);
    putInteger(out, "[FORM_TOP]", s.formTop);
    putInteger(out, "[FORM_LEFT]", s.formLeft);
    putInteger(out, "[FORM_HEIGHT]", s.formHeight);
    putInteger(out, "[FORM_WIDTH]", s.formWidth);
    putInteger(out, "[EXEC_KIND]", s.execKind);
    putInteger(out, "[LIST_CHG]", s.listChg);
    putInteger(out, "[IMAGE_CHG]", s.imageChg);
    putInteger(out, "[STATUS_RES]", s.statusRes);
    putString(out, "[FONT_NAME]", s.fontName);
    putInteger(out, "[FONT_SIZE]", s.fontSize);
    putInteger(out, "[FONT_CHAR]", s.fontChar);
    putInteger(out, "[WARN_HEIGHT]", s.warnHeight);
    if (s.delColor != kDefaultDeletedColour) {
        putColour(out, "[DEL_COLOR]", s.delColor);
    }
    if (s.addColor != kDefaultAddedColour) {
        putColour(out, "[ADD_COLOR]", s.addColor);
    }
    if (s.spcColor != kDefaultBlankColour) {
        putColour(out, "[SPC_COLOR]", s.spcColor);
    }
    const std::array<std::pair<std::string_view, const std::string*>, 4> help{{
        {"[HELP_PATH1]", &s.helpPath1},
        {"[HELP_PATH2]", &s.helpPath2},
        {"[HELP1_EXT]", &s.help1Ext},
        {"[HELP2_EXT]", &s.help2Ext},
    }};
    for (const auto& [key, value] : help) {
        if (!value->empty()) {
            putString(out, key, *value);
        }
    }
    if (s.debugMode == 1) {
        putInteger(out, "[DEBUG_MODE]", s.debugMode);
    }
    if (s.highlightChars != 1) {
        putInteger(out, "[HIGHLIGHT]", s.highlightChars);
    }
    if (s.lineNumbers != 1) {
        putInteger(out, "[LINE_NUMBERS]", s.lineNumbers);
    }
    return out;
}

int replaceFileContents(const std::string& path, std::string_view bytes) {
    const std::string temp = path + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (f == nullptr) {
        return kViewerSettingsCannotCreate;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::ferror(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(temp, path, ec);
        ok = !ec;
    }
    if (!ok) {
        std::filesystem::remove(temp, ec);
        return kViewerSettingsWriteFailed;
    }
    return kViewerSettingsSaved;
}

int writeViewerSettings(const ViewerSettings& settings, const std::string& programFolder) {
    return replaceFileContents(joinPath(programFolder, kViewerSettingsFileName),
                               toTextMode(formatViewerSettings(settings)));
}

}  // namespace tavelin
