#include "display/find_text.h"

#include <array>
#include <cstring>
#include <span>
#include <vector>

#include "display/captions.h"
#include "platform/codepage.h"
#include "text/encoding.h"
#include "text/text_rules.h"

namespace tavelin {

namespace {

bool wordUnit(char32_t u) {
    return u >= 0x80 || u == '_' || (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') ||
           (u >= 'A' && u <= 'Z');
}

// UTF-16 units to UTF-8.
std::string toUtf8(std::u16string_view units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// The needle in one module's form.
struct Needle {
    enum class Form { Bytes, Units, Captions, None } form = Form::None;
    bool shiftJis = false;  // bytes walked a character at a time (a trail byte starts nothing)
    std::string bytes;
    std::u16string units;
};

Needle needleFor(const ModuleDescriptor& module, std::u16string_view text) {
    Needle n;
    if (module.utf16 != 0) {
        n.form = Needle::Form::Units;
        n.units.assign(text);
        return n;
    }
    if (module.codeNo == kCodeUtf8) {
        n.form = Needle::Form::Bytes;
        n.bytes = toUtf8(text);
        return n;
    }
    // The code page form; a character it lacks can be in no text of this module.
    std::string ansi = utf16ToAnsi(text);
    const std::u16string back = ansiToUtf16(ansi);
    if (back != text) {
        return n;
    }
    n.bytes = std::move(ansi);
    n.shiftJis = true;
    // EUC and JIS texts are searched in their Shift-JIS captions.
    n.form = module.codeNo == kCodeEuc || module.codeNo == kCodeJis ? Needle::Form::Captions
                                                                    : Needle::Form::Bytes;
    return n;
}

template <typename Unit>
Unit fold(Unit u, bool matchCase) {
    if (matchCase) {
        return u;
    }
    if constexpr (sizeof(Unit) == 1) {
        return upperByte(u);
    } else {
        return upperUnit(u);
    }
}

// Whether `line` holds `needle` at a character start; for Shift-JIS a double-byte character is
// compared exactly and stepped over whole.
template <typename Unit>
bool holds(std::span<const Unit> line, std::basic_string_view<Unit> needle, bool shiftJis,
           const FindOptions& options) {
    const std::size_t n = line.size();
    const std::size_t m = needle.size();
    if (m == 0 || m > n) {
        return false;
    }
    std::size_t i = 0;
    while (i + m <= n) {
        bool equal = true;
        for (std::size_t j = 0; j < m && equal;) {
            const bool pair =
                shiftJis && text::isShiftJisLead(static_cast<unsigned>(needle[j])) && j + 1 < m;
            if (pair) {
                equal = line[i + j] == needle[j] && line[i + j + 1] == needle[j + 1];
                j += 2;
            } else {
                equal = fold(line[i + j], options.matchCase) == fold(needle[j], options.matchCase);
                j += 1;
            }
        }
        if (equal && options.wholeWord) {
            const bool before = i > 0 && wordUnit(static_cast<char32_t>(line[i - 1]));
            const bool after = i + m < n && wordUnit(static_cast<char32_t>(line[i + m]));
            equal = !before && !after;
        }
        if (equal) {
            return true;
        }
        const bool lead = shiftJis && text::isShiftJisLead(static_cast<unsigned>(line[i]));
        i += lead && i + 1 < n ? 2 : 1;
    }
    return false;
}

// Where in the needle the byte search anchors: the first single-byte character that is neither
// a letter nor a blank (rarer in source text, and one memchr finds both cases of it), else the
// start.
std::size_t anchorOf(std::basic_string_view<unsigned char> needle, bool shiftJis) {
    for (std::size_t j = 0; j < needle.size();) {
        const unsigned char b = needle[j];
        if (shiftJis && text::isShiftJisLead(b) && j + 1 < needle.size()) {
            j += 2;
            continue;
        }
        const bool letter = (b | 0x20) >= 'a' && (b | 0x20) <= 'z';
        if (b < 0x80 && !letter && b != ' ' && b != '\t') {
            return j;
        }
        ++j;
    }
    return 0;
}

// The byte form of `holds`, the common case: candidates found with memchr on one byte of the
// needle (both cases of it when letter case does not count), each checked in full at a character
// start.
bool holdsBytes(std::span<const unsigned char> line, std::basic_string_view<unsigned char> needle,
                std::size_t anchor, bool shiftJis, const FindOptions& options) {
    const std::size_t n = line.size();
    const std::size_t m = needle.size();
    if (m == 0 || m > n) {
        return false;
    }
    const unsigned char key = needle[anchor];
    const bool letter = !options.matchCase && ((key | 0x20) >= 'a' && (key | 0x20) <= 'z');
    const unsigned char other = letter ? static_cast<unsigned char>(key ^ 0x20) : key;
    const unsigned char* base = line.data();
    const std::size_t last = n - m;  // the last start a match can have
    std::size_t boundary = 0;        // a character start at or before every candidate looked at
    std::size_t from = 0;            // the first start still to look at
    while (from <= last) {
        const std::size_t span = last - from + 1;
        const auto* p =
            static_cast<const unsigned char*>(std::memchr(base + from + anchor, key, span));
        if (letter) {
            const auto* q =
                static_cast<const unsigned char*>(std::memchr(base + from + anchor, other, span));
            if (q != nullptr && (p == nullptr || q < p)) {
                p = q;
            }
        }
        if (p == nullptr) {
            return false;
        }
        const auto at = static_cast<std::size_t>(p - base) - anchor;
        from = at + 1;
        if (shiftJis) {
            // Walk to the candidate a character at a time: a trail byte starts nothing.
            while (boundary < at) {
                boundary += text::isShiftJisLead(base[boundary]) && boundary + 1 < n ? 2 : 1;
            }
            if (boundary != at) {
                continue;
            }
        }
        if (holds<unsigned char>(line.subspan(at, m), needle, shiftJis,
                                 FindOptions{options.matchCase, false}) &&
            (!options.wholeWord ||
             ((at == 0 || !wordUnit(base[at - 1])) && (at + m == n || !wordUnit(base[at + m]))))) {
            return true;
        }
    }
    return false;
}

template <typename Unit>
std::span<const Unit> rowText(const std::vector<Unit>& text, std::int32_t length,
                              const CodeRow& row) {
    const std::uint64_t end = static_cast<std::uint64_t>(row.offset) + row.length;
    const std::uint64_t held = std::min<std::uint64_t>(text.size(), length > 0 ? length : 0);
    if (row.length == 0 || end > held) {
        return {};
    }
    return std::span<const Unit>(text).subspan(row.offset, row.length);
}

class ListSearch {
  public:
    ListSearch(const ModulePanes& panes, const CodeList& list, std::u16string_view text,
               const FindOptions& options)
        : panes_(panes), list_(list), options_(options) {
        const ModuleDescriptor* module = panes.module(list.side);
        if (module != nullptr) {
            needle_ = needleFor(*module, text);
            anchor_ = anchorOf(bytesOf(needle_.bytes), needle_.shiftJis);
        }
    }

    bool holds(std::int32_t row) {
        if (needle_.form == Needle::Form::None || row < 0 || row >= list_.rowCount()) {
            return false;
        }
        const auto s = static_cast<std::size_t>(list_.side);
        const CodeRow& r = list_.rows[static_cast<std::size_t>(row)];
        switch (needle_.form) {
            case Needle::Form::Units:
                return tavelin::holds<char16_t>(
                    rowText(panes_.moduleText[s].units, panes_.moduleLength[s], r),
                    std::u16string_view(needle_.units), false, options_);
            case Needle::Form::Bytes:
                return holdsBytes(rowText(panes_.moduleText[s].bytes, panes_.moduleLength[s], r),
                                  bytesOf(needle_.bytes), anchor_, needle_.shiftJis, options_);
            case Needle::Form::Captions: {
                caption_.clear();
                formatter_.appendAnsi(panes_, list_, row, caption_);
                return tavelin::holds<unsigned char>(
                    std::span<const unsigned char>(
                        reinterpret_cast<const unsigned char*>(caption_.data()), caption_.size()),
                    bytesOf(needle_.bytes), true, options_);
            }
            case Needle::Form::None:
                break;
        }
        return false;
    }

  private:
    static std::basic_string_view<unsigned char> bytesOf(const std::string& s) {
        return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
    }

    const ModulePanes& panes_;
    const CodeList& list_;
    FindOptions options_;
    Needle needle_;
    std::size_t anchor_ = 0;
    CaptionFormatter formatter_{8};
    std::string caption_;
};

}  // namespace

bool rowHolds(const ModulePanes& panes, const CodeList& list, std::int32_t row,
              std::u16string_view needle, const FindOptions& options) {
    return ListSearch(panes, list, needle, options).holds(row);
}

std::optional<FindResult> findInLists(const ModulePanes& panes, const CodeListModels& models,
                                      std::u16string_view needle, const FindOptions& options,
                                      FindPlace from, bool forward) {
    if (needle.empty()) {
        return std::nullopt;
    }
    std::array<ListSearch, 2> lists{ListSearch(panes, models.lists[0], needle, options),
                                    ListSearch(panes, models.lists[1], needle, options)};
    const std::int64_t rows = std::max(models.lists[0].rowCount(), models.lists[1].rowCount());
    if (rows == 0) {
        return std::nullopt;
    }
    // Places in order: row * 2 + list; one round from the place after (before) `from`.
    const std::int64_t places = rows * 2;
    std::int64_t start = from.row < 0 ? (forward ? -1 : places)
                                      : static_cast<std::int64_t>(from.row) * 2 + (from.list & 1);
    for (std::int64_t step = 1; step <= places; ++step) {
        std::int64_t at = forward ? start + step : start - step;
        const bool wrapped = at < 0 || at >= places;
        at = ((at % places) + places) % places;
        const auto row = static_cast<std::int32_t>(at / 2);
        const int list = static_cast<int>(at % 2);
        if (lists[static_cast<std::size_t>(list)].holds(row)) {
            return FindResult{{list, row}, wrapped};
        }
    }
    return std::nullopt;
}

}  // namespace tavelin
