#include "display/captions.h"

#include <string_view>

#include "platform/codepage.h"
#include "text/encoding.h"
#include "text/pz_conv.h"

namespace tavelin {

namespace {

constexpr unsigned kTab = 0x09;
constexpr unsigned kCr = 0x0D;
constexpr unsigned kLf = 0x0A;

// Units that are not copied as they are: NUL, TAB, LF, CR.
constexpr bool isSpecialUnit(unsigned u) {
    return u == 0 || u == kTab || u == kLf || u == kCr;
}

// Expands one line into `out`: NUL becomes a blank, a TAB blanks up to the next multiple of the
// tab width, CR and LF are dropped but take a column; `width(unit)` is the columns any other
// unit takes.
template <typename Unit, typename Out, typename Width>
void expand(std::span<const Unit> line, int tabWidth, Out& out, Width width) {
    int column = 0;
    if constexpr (sizeof(Unit) == 1 && sizeof(typename Out::value_type) == 1) {
        // Bytes of one column each: copy the runs between special bytes whole.
        const std::size_t n = line.size();
        std::size_t i = 0;
        while (i < n) {
            std::size_t run = i;
            while (run < n && !isSpecialUnit(line[run])) {
                ++run;
            }
            if (run > i) {
                out.append(reinterpret_cast<const char*>(line.data() + i), run - i);
                column += static_cast<int>(run - i);
                i = run;
                continue;
            }
            const unsigned u = line[i++];
            if (u == kTab) {
                const int blanks = tabWidth - column % tabWidth;
                out.append(static_cast<std::size_t>(blanks), ' ');
                column += blanks;
            } else if (u == kCr || u == kLf) {
                column += 1;
            } else {
                out.push_back(' ');
                column += 1;
            }
        }
        (void)width;
        return;
    }
    for (const Unit unit : line) {
        const auto u = static_cast<unsigned>(unit);
        if (u == kTab) {
            const int blanks = tabWidth - column % tabWidth;
            out.append(static_cast<std::size_t>(blanks),
                       static_cast<typename Out::value_type>(' '));
            column += blanks;
        } else if (u == kCr || u == kLf) {
            column += 1;
        } else {
            out.push_back(static_cast<typename Out::value_type>(u == 0 ? ' ' : u));
            column += width(unit);
        }
    }
}

// The line with its NUL bytes made blanks, as the encoding conversions take it.
void blanked(std::span<const unsigned char> line, std::string& out) {
    out.assign(reinterpret_cast<const char*>(line.data()), line.size());
    for (char& c : out) {
        if (c == '\0') {
            c = ' ';
        }
    }
}

std::span<const unsigned char> asBytes(std::string_view s) {
    return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

bool isHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

}  // namespace

void CaptionFormatter::appendAnsi(std::span<const unsigned char> line, int codeNo,
                                  std::string& out) {
    auto one = [](unsigned char) { return 1; };
    switch (codeNo) {
        case kCodeUtf8:
            blanked(line, bytes_);
            converted_.clear();
            appendUtf8AsAnsi(bytes_, converted_);
            expand(asBytes(converted_), tabWidth_, out, one);
            return;
        case kCodeEuc:
            blanked(line, bytes_);
            converted_ = eucToShiftJis(bytes_);
            expand(asBytes(converted_), tabWidth_, out, one);
            return;
        case kCodeJis:
            blanked(line, bytes_);
            converted_ = jisToShiftJis(bytes_);
            expand(asBytes(converted_), tabWidth_, out, one);
            return;
        default:
            expand(line, tabWidth_, out, one);
            return;
    }
}

void CaptionFormatter::appendAnsi(std::span<const char16_t> line, std::string& out) {
    units_.clear();
    expand(line, tabWidth_, units_, [](char16_t u) { return u > 255 ? 2 : 1; });
    appendUtf16AsAnsi(units_, out);
}

void CaptionFormatter::appendUnicode(std::span<const unsigned char> line, int codeNo,
                                     std::u16string& out) {
    if (codeNo != kCodeUtf8) {
        // The code page form already puts every byte in its column: decode it.
        ansi_.clear();
        appendAnsi(line, codeNo, ansi_);
        appendAnsiAsUtf16(ansi_, out);
        return;
    }
    // UTF-8: decode first, so that characters the code page lacks survive; each character takes
    // the columns its code-page form takes (a surrogate pair and an ill-formed byte one '?').
    blanked(line, bytes_);
    units_ = utf8ToUtf16(bytes_);
    int column = 0;
    const std::size_t n = units_.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t u = units_[i];
        if (u == kTab) {
            const int blanks = tabWidth_ - column % tabWidth_;
            out.append(static_cast<std::size_t>(blanks), u' ');
            column += blanks;
        } else if (u == kCr || u == kLf) {
            column += 1;
        } else if (isHighSurrogate(u) && i + 1 < n && isLowSurrogate(units_[i + 1])) {
            out.push_back(u);
            out.push_back(units_[++i]);
            column += 1;
        } else {
            out.push_back(u);
            column += ansiWidth(u);
        }
    }
}

void CaptionFormatter::appendUnicode(std::span<const char16_t> line, std::u16string& out) {
    expand(line, tabWidth_, out, [](char16_t u) { return u > 255 ? 2 : 1; });
}

namespace {

// The units a row shows, or nothing.
template <typename Unit>
std::span<const Unit> rowUnits(const std::vector<Unit>& text, std::int32_t length,
                               const CodeRow& row) {
    const auto end = static_cast<std::uint64_t>(row.offset) + row.length;
    const std::uint64_t held = std::min<std::uint64_t>(text.size(), length > 0 ? length : 0);
    if (row.length == 0 || end > held) {
        return {};
    }
    return std::span<const Unit>(text).subspan(row.offset, row.length);
}

}  // namespace

void CaptionFormatter::appendAnsi(const ModulePanes& panes, const CodeList& list, std::int64_t row,
                                  std::string& out) {
    const ModuleDescriptor* module = panes.module(list.side);
    if (module == nullptr || row < 0 || row >= list.rowCount()) {
        return;
    }
    const auto s = static_cast<std::size_t>(list.side);
    const CodeRow& r = list.rows[static_cast<std::size_t>(row)];
    if (module->utf16 != 0) {
        appendAnsi(rowUnits(panes.moduleText[s].units, panes.moduleLength[s], r), out);
    } else {
        appendAnsi(rowUnits(panes.moduleText[s].bytes, panes.moduleLength[s], r), module->codeNo,
                   out);
    }
}

void CaptionFormatter::appendUnicode(const ModulePanes& panes, const CodeList& list,
                                     std::int64_t row, std::u16string& out) {
    const ModuleDescriptor* module = panes.module(list.side);
    if (module == nullptr || row < 0 || row >= list.rowCount()) {
        return;
    }
    const auto s = static_cast<std::size_t>(list.side);
    const CodeRow& r = list.rows[static_cast<std::size_t>(row)];
    if (module->utf16 != 0) {
        appendUnicode(rowUnits(panes.moduleText[s].units, panes.moduleLength[s], r), out);
    } else {
        appendUnicode(rowUnits(panes.moduleText[s].bytes, panes.moduleLength[s], r), module->codeNo,
                      out);
    }
}

bool CaptionFormatter::appendShown(const ModulePanes& panes, const CodeList& list, std::int64_t row,
                                   std::size_t maxColumns, std::u16string& out) {
    const ModuleDescriptor* module = panes.module(list.side);
    if (module == nullptr || row < 0 || row >= list.rowCount()) {
        return false;
    }
    // Every unit of the text takes a column or is part of a character of at most four units that
    // takes one, so this many units hold more than the columns shown.
    const std::size_t enough = 4 * maxColumns + 16;
    const auto s = static_cast<std::size_t>(list.side);
    const CodeRow& r = list.rows[static_cast<std::size_t>(row)];
    const std::size_t start = out.size();
    bool more = false;
    if (module->utf16 != 0) {
        std::span<const char16_t> units =
            rowUnits(panes.moduleText[s].units, panes.moduleLength[s], r);
        more = units.size() > enough;
        appendUnicode(units.first(std::min(units.size(), enough)), out);
    } else {
        std::span<const unsigned char> bytes =
            rowUnits(panes.moduleText[s].bytes, panes.moduleLength[s], r);
        more = bytes.size() > enough;
        appendUnicode(bytes.first(std::min(bytes.size(), enough)), module->codeNo, out);
    }
    // Cut at the column limit, never inside a surrogate pair.
    std::size_t columns = 0;
    for (std::size_t i = start; i < out.size(); ++i) {
        const char16_t u = out[i];
        const bool lowHalf = u >= 0xDC00 && u <= 0xDFFF;
        if (!lowHalf) {
            columns += u > 0xFF && !(u >= 0xD800 && u <= 0xDBFF) ? 2 : 1;
        }
        if (columns > maxColumns && !lowHalf) {
            out.resize(i);
            out.append(kCutMark);
            return true;
        }
    }
    if (more) {
        out.append(kCutMark);
    }
    return more;
}

std::string captionAnsi(const ModulePanes& panes, const CodeList& list, std::int64_t row,
                        int tabWidth) {
    std::string out;
    CaptionFormatter(tabWidth).appendAnsi(panes, list, row, out);
    return out;
}

std::u16string captionUnicode(const ModulePanes& panes, const CodeList& list, std::int64_t row,
                              int tabWidth) {
    std::u16string out;
    CaptionFormatter(tabWidth).appendUnicode(panes, list, row, out);
    return out;
}

}  // namespace tavelin
