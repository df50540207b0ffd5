#pragma once
// The viewer's own settings ("tavesyst.dat" in the program folder): tab width, window and list
// geometry, the last processing kind, colours, font and help files. Read once at start-up in the
// keyword file syntax, written once at exit.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tavelin {

template <class Record>
struct KeywordRow;  // datafiles/keyword_file.h

constexpr std::string_view kViewerSettingsFileName = "tavesyst.dat";

// Colours are Windows colour values, 0x00BBGGRR.
constexpr std::int32_t kDefaultDeletedColour = 255;  // red
constexpr std::int32_t kDefaultAddedColour = 65280;  // green
constexpr std::int32_t kDefaultBlankColour = 65535;  // yellow
constexpr std::size_t kMaxFontName = 63;

// The member initialisers are the start-up defaults: the values in force for every key the file
// does not set, or when it cannot be read.
struct ViewerSettings {
    std::int32_t tabNo = 2;                         // [TAB_NO] 0 -> 2 columns, 1 -> 4, 2 -> 8
    std::int32_t listWidth = 800;                   // [LIST_WIDTH] 0: left to the lists
    std::int32_t formTop = 0;                       // [FORM_TOP]
    std::int32_t formLeft = 0;                      // [FORM_LEFT]
    std::int32_t formHeight = 485;                  // [FORM_HEIGHT]
    std::int32_t formWidth = 778;                   // [FORM_WIDTH]
    std::int32_t execKind = 0;                      // [EXEC_KIND] processing selector index
    std::int32_t delColor = kDefaultDeletedColour;  // [DEL_COLOR]
    std::int32_t addColor = kDefaultAddedColour;    // [ADD_COLOR]
    std::int32_t spcColor = kDefaultBlankColour;    // [SPC_COLOR]
    std::int32_t listChg = 0;                       // [LIST_CHG] 1: the lists swap sides
    std::int32_t imageChg = 0;             // [IMAGE_CHG] 0 logo with character, 1 without, 2 none
    std::int32_t statusRes = 400;          // [STATUS_RES] width of the step-count panel
    std::string fontName = "Courier New";  // [FONT_NAME] < 64
    std::int32_t fontSize = 9;             // [FONT_SIZE] points
    std::int32_t fontChar = 128;           // [FONT_CHAR] character set
    std::int32_t debugMode = 0;            // [DEBUG_MODE] 1: offer the internal data monitor
    std::string helpPath1;                 // [HELP_PATH1] < 522
    std::string helpPath2;                 // [HELP_PATH2] < 522
    std::string help1Ext;                  // [HELP1_EXT] < 32
    std::string help2Ext;                  // [HELP2_EXT] < 32
    std::int32_t warnHeight = 74;          // [WARN_HEIGHT] height of the warning lists
    // The window's own additions, written only when they differ from these defaults (a reader
    // that does not know a key skips it and its value line).
    std::int32_t highlightChars = 1;  // [HIGHLIGHT] 1: changed characters in a stronger shade
    std::int32_t lineNumbers = 1;     // [LINE_NUMBERS] 1: a line-number gutter in the code lists

    // Tab width in columns for the tab choice (2, 4 or 8; 8 for any other choice).
    int tabWidth() const { return tabWidthForChoice(tabNo); }
    static int tabWidthForChoice(std::int32_t choice) {
        return choice == 0 ? 2 : (choice == 1 ? 4 : 8);
    }
    // Sets the tab choice and returns the tab width that goes with it.
    int setTabChoice(std::int32_t choice) {
        tabNo = choice;
        return tabWidth();
    }

    struct WindowRect {
        std::int32_t top = 0;
        std::int32_t left = 0;
        std::int32_t height = 0;
        std::int32_t width = 0;
    };
    WindowRect windowRect() const { return {formTop, formLeft, formHeight, formWidth}; }
    void setWindowRect(const WindowRect& r) {
        formTop = r.top;
        formLeft = r.left;
        formHeight = r.height;
        formWidth = r.width;
    }

    // Keeps at most 63 characters of the name.
    void setFont(std::string_view name, std::int32_t size, std::int32_t charSet) {
        fontName.assign(name.substr(0, kMaxFontName));
        fontSize = size;
        fontChar = charSet;
    }

    // 0: after change in the left lists; 1: the sides are swapped.
    std::int32_t listPosition() const { return listChg; }
};

// Result codes of writing the settings.
constexpr int kViewerSettingsSaved = 0;
constexpr int kViewerSettingsCannotCreate = -1;  // no message
constexpr int kViewerSettingsWriteFailed = -2;   // "Unable to save system data ..." unless /s

// Reads settings from the bytes of a settings file; keys the file lacks keep their values.
// Returns 0 whether or not any key was found.
int readViewerSettings(ViewerSettings& settings, std::string_view bytes);

// Reads "tavesyst.dat" from the program folder. Returns -1, changing nothing, when it cannot be
// read, else 0.
int readViewerSettingsFile(ViewerSettings& settings, const std::string& programFolder);

// The file's text with LF line ends: the entries in their fixed order, with the colours written
// only when they differ from the defaults, the help entries only when not empty and
// [DEBUG_MODE] only when it is 1.
std::string formatViewerSettings(const ViewerSettings& settings);

// Writes "tavesyst.dat" into the program folder with CR LF line ends. The text goes to a
// temporary file in the same folder first and replaces the old file only after every write, the
// flush and the close succeeded, so a failed save keeps the previous settings. Returns
// kViewerSettingsSaved, kViewerSettingsCannotCreate when the temporary file cannot be created,
// or kViewerSettingsWriteFailed when writing or replacing failed.
int writeViewerSettings(const ViewerSettings& settings, const std::string& programFolder);

// Replaces the file at `path` with `bytes` through a temporary file next to it (same codes as
// writeViewerSettings). The bytes are written as they are.
int replaceFileContents(const std::string& path, std::string_view bytes);

// The 22 keys of the shared format and the window's two additions, in table order (the search
// order).
std::span<const KeywordRow<ViewerSettings>> viewerSettingsTable();

}  // namespace tavelin
