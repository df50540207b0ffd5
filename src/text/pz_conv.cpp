#include "text/pz_conv.h"

#include <cstddef>

namespace tavelin {

namespace {

constexpr unsigned char kEsc = 0x1B;

bool escapeAt(std::string_view text, std::size_t i, char a, char b) {
    return i + 2 < text.size() && static_cast<unsigned char>(text[i]) == kEsc && text[i + 1] == a &&
           text[i + 2] == b;
}

}  // namespace

std::string jisPairToShiftJis(unsigned char c1, unsigned char c2) {
    if (c1 <= 0x20 || c1 > 0x7E) {
        return {};
    }
    if (c1 % 2 == 1) {
        // Odd rows: the cell moves to 0x40..0x9E, skipping 0x7F.
        c2 = static_cast<unsigned char>(c2 + (c2 >= 0x60 ? 0x20 : 0x1F));
    } else {
        c2 = static_cast<unsigned char>(c2 + 0x7E);
    }
    const unsigned lead = ((c1 + 1u) >> 1) + (c1 <= 0x5E ? 0x70u : 0xB0u);
    std::string out;
    out.push_back(static_cast<char>(lead));
    out.push_back(static_cast<char>(c2));
    return out;
}

std::string jisToShiftJis(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool twoByte = false;
    std::size_t i = 0;
    while (i < text.size()) {
        if (escapeAt(text, i, '$', 'B')) {
            twoByte = true;
            i += 3;
        } else if (escapeAt(text, i, '(', 'B') || escapeAt(text, i, '(', 'J')) {
            twoByte = false;
            i += 3;
        } else if (twoByte) {
            // A lone last byte of a two-byte run has no partner and is dropped.
            if (i + 1 < text.size()) {
                out += jisPairToShiftJis(static_cast<unsigned char>(text[i]),
                                         static_cast<unsigned char>(text[i + 1]));
            }
            i += 2;
        } else {
            out.push_back(text[i]);
            ++i;
        }
    }
    return out;
}

std::string eucToShiftJis(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool hasNext = i + 1 < text.size();
        const auto next = hasNext ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (isEucByte(c) && hasNext) {
            out += jisPairToShiftJis(static_cast<unsigned char>(c - 0x80),
                                     static_cast<unsigned char>(next - 0x80));
            i += 2;
        } else if (c == 0x8E && hasNext && isHalfWidthKana(next)) {
            out.push_back(static_cast<char>(next));
            i += 2;
        } else {
            // Includes a lead byte cut off by the end of the text.
            out.push_back(static_cast<char>(c));
            ++i;
        }
    }
    return out;
}

}  // namespace tavelin
