#include "text/encoding.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "text/text_rules.h"

namespace tavelin {

namespace {

bool inRange(unsigned char b, unsigned lo, unsigned hi) {
    return b >= lo && b <= hi;
}

bool isContinuation(unsigned char b) {
    return inRange(b, 0x80, 0xBF);
}

// True when `seq` starts at `pos` and lies wholly inside `bytes`.
bool startsWith(std::span<const unsigned char> bytes, std::size_t pos, std::string_view seq) {
    if (pos > bytes.size() || bytes.size() - pos < seq.size()) {
        return false;
    }
    for (std::size_t k = 0; k < seq.size(); ++k) {
        if (bytes[pos + k] != static_cast<unsigned char>(seq[k])) {
            return false;
        }
    }
    return true;
}

bool validSide(int side) {
    return side == kAfter || side == kBefore;
}

}  // namespace

EncodingScore scoreUtf8(std::span<const unsigned char> bytes) {
    EncodingScore score;
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = bytes[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        const std::size_t left = n - i;
        if (inRange(b, 0xC0, 0xDF) && left >= 2 && isContinuation(bytes[i + 1])) {
            score.count += 2;
            i += 2;
        } else if (inRange(b, 0xE0, 0xEF) && left >= 3 && isContinuation(bytes[i + 1]) &&
                   isContinuation(bytes[i + 2])) {
            // Also covers the UTF-8 byte-order mark EF BB BF.
            score.count += 3;
            i += 3;
        } else if (inRange(b, 0xF0, 0xF7) && left >= 4 && isContinuation(bytes[i + 1]) &&
                   isContinuation(bytes[i + 2]) && isContinuation(bytes[i + 3])) {
            score.count += 4;
            i += 4;
        } else {
            // A sequence cut off by the end of the examined bytes does not count against UTF-8.
            score.wellFormed = left < 4;
            break;
        }
    }
    return score;
}

EncodingScore scoreShiftJis(std::span<const unsigned char> bytes) {
    EncodingScore score;
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = bytes[i];
        if (b < 0x80 || inRange(b, 0xA1, 0xDF)) {
            ++i;
            continue;
        }
        if (text::isShiftJisLead(b) && i + 1 < n && text::isShiftJisTrail(bytes[i + 1])) {
            score.count += 2;
            i += 2;
            continue;
        }
        score.wellFormed = (i + 1 == n);
        break;
    }
    return score;
}

EncodingScore scoreEuc(std::span<const unsigned char> bytes) {
    EncodingScore score;
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = bytes[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        const std::size_t left = n - i;
        const bool twoByteCode =
            inRange(b, 0xA1, 0xFE) && left >= 2 && inRange(bytes[i + 1], 0xA1, 0xFE);
        const bool halfWidthKana = b == 0x8E && left >= 2 && inRange(bytes[i + 1], 0xA1, 0xDF);
        if (twoByteCode || halfWidthKana) {
            score.count += 2;
            i += 2;
        } else if (b == 0x8F && left >= 3 && inRange(bytes[i + 1], 0xA1, 0xFE) &&
                   inRange(bytes[i + 2], 0xA1, 0xFE)) {
            score.count += 3;
            i += 3;
        } else {
            score.wellFormed = left < 3;
            break;
        }
    }
    return score;
}

DetectedEncoding detectEncoding(std::span<const unsigned char> all) {
    const std::span<const unsigned char> bytes = all.first(std::min(all.size(), kDetectionWindow));
    const std::size_t n = bytes.size();

    // 1. Byte-order mark of UTF-16.
    if (n >= 2) {
        if (bytes[0] == 0xFF && bytes[1] == 0xFE) {
            return {1, kUtf16LittleEndian};
        }
        if (bytes[0] == 0xFE && bytes[1] == 0xFF) {
            return {1, kUtf16BigEndian};
        }
    }

    // 2. Zero bytes up to the second line break: a zero at an even offset is the high byte of a
    // big-endian unit, at an odd offset that of a little-endian one. The last zero decides.
    {
        int breaks = 0;
        bool sawZero = false;
        DetectedEncoding zeroResult;
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned char b = bytes[i];
            if (b == 0) {
                sawZero = true;
                zeroResult = {1, (i % 2 == 0) ? kUtf16BigEndian : kUtf16LittleEndian};
            } else if (b == 0x0D || b == 0x0A) {
                if (++breaks == 2) {
                    break;
                }
            }
        }
        if (sawZero) {
            return zeroResult;
        }
    }

    // 3. JIS escape sequences before the first byte >= 0x80.
    {
        static constexpr std::array<std::string_view, 7> kJisEscapes = {
            "\x1B(B", "\x1B(J", "\x1B(I", "\x1B$@", "\x1B$B", "\x1B$(D", "\x1B&@\x1B$B",
        };
        for (std::size_t i = 0; i < n; ++i) {
            if (bytes[i] >= 0x80) {
                break;
            }
            if (bytes[i] != 0x1B) {
                continue;
            }
            for (std::string_view seq : kJisEscapes) {
                if (startsWith(bytes, i, seq)) {
                    return {0, kCodeJis};
                }
            }
        }
    }

    // 4. Nothing above 7 bits.
    if (std::none_of(bytes.begin(), bytes.end(), [](unsigned char b) { return b >= 0x80; })) {
        return {0, kCodeAnsi};
    }

    // 5. The scorers: the highest count among them wins, a tie gives ANSI.
    const EncodingScore e = scoreEuc(bytes);
    const EncodingScore s = scoreShiftJis(bytes);
    const EncodingScore u = scoreUtf8(bytes);
    if (!e.wellFormed && !s.wellFormed && !u.wellFormed) {
        return {0, kCodeAnsi};
    }
    if (e.count > s.count && e.count > u.count) {
        return {0, kCodeEuc};
    }
    if (s.count > e.count && s.count > u.count) {
        return {0, kCodeShiftJis};
    }
    if (u.count > e.count && u.count > s.count) {
        return {0, kCodeUtf8};
    }
    return {0, kCodeAnsi};
}

int moduleCodeNo(const ModulePanes& panes, int side) {
    if (!validSide(side)) {
        return -1;
    }
    const ModuleDescriptor* m = panes.module(side);
    return m == nullptr ? -1 : m->codeNo;
}

int moduleUtf16(const ModulePanes& panes, int side) {
    if (!validSide(side)) {
        return -1;
    }
    const ModuleDescriptor* m = panes.module(side);
    return m == nullptr ? -1 : m->utf16;
}

void setModuleCodeNo(ModulePanes& panes, int side, int codeNo) {
    if (!validSide(side) || codeNo < 0 || codeNo > 255) {
        return;
    }
    if (ModuleDescriptor* m = panes.module(side)) {
        m->codeNo = static_cast<std::uint8_t>(codeNo);
    }
}

}  // namespace tavelin
