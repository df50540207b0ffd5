#pragma once
// Row captions, formatted when asked for: NUL units (characters a processing removed) become
// blanks, tabs expand to the tab width with a double-width character taking two columns, CR and
// LF are dropped (each still taking a column), and the text is converted by the module's
// encoding. Two forms: the system code page, byte for byte what the HTML report writes, and
// Unicode for the window, decoded from the module's own encoding so that characters the code
// page lacks are shown. Both put every character in the same column.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "datafiles/module_panes.h"
#include "display/code_lists.h"

namespace tavelin {

class CaptionFormatter {
  public:
    explicit CaptionFormatter(int tabWidth) : tabWidth_(tabWidth > 0 ? tabWidth : 8) {}

    // One line's units (its line end left out) of 8-bit text with the module's codeNo, or of
    // UTF-16 text, appended to `out`.
    void appendAnsi(std::span<const unsigned char> line, int codeNo, std::string& out);
    void appendAnsi(std::span<const char16_t> line, std::string& out);
    void appendUnicode(std::span<const unsigned char> line, int codeNo, std::u16string& out);
    void appendUnicode(std::span<const char16_t> line, std::u16string& out);

    // Row `row` of a list over the panes' texts; nothing for a row the list does not have, a
    // filler or padding row, or a side without text.
    void appendAnsi(const ModulePanes& panes, const CodeList& list, std::int64_t row,
                    std::string& out);
    void appendUnicode(const ModulePanes& panes, const CodeList& list, std::int64_t row,
                       std::u16string& out);

    // The caption as the window paints it: at most `maxColumns` columns (a character above
    // U+00FF taking two), then kCutMark when the line goes on. Only the units the shown part
    // needs are formatted, so a line of millions of characters costs no more than a short one.
    // Returns whether the line was cut.
    bool appendShown(const ModulePanes& panes, const CodeList& list, std::int64_t row,
                     std::size_t maxColumns, std::u16string& out);

  private:
    int tabWidth_;
    std::string bytes_;
    std::string converted_;
    std::string ansi_;
    std::u16string units_;
};

// How many columns of a line the window paints, and the mark that ends a line cut there.
inline constexpr std::size_t kShownColumns = 4000;
inline constexpr std::u16string_view kCutMark = u"\u2026\u00BB";

// Convenience forms for single captions.
std::string captionAnsi(const ModulePanes& panes, const CodeList& list, std::int64_t row,
                        int tabWidth);
std::u16string captionUnicode(const ModulePanes& panes, const CodeList& list, std::int64_t row,
                              int tabWidth);

}  // namespace tavelin
