#pragma once
// The code converter: EUC and 7-bit JIS text to Shift-JIS, for comparison and display.
// Conversions never fail: bytes that fit no rule are copied unchanged.

#include <string>
#include <string_view>

namespace tavelin {

// One JIS X 0208 code (two 7-bit bytes) to its Shift-JIS pair; empty when c1 is outside
// 0x21..0x7E. Arithmetic on c2 wraps at 8 bits.
std::string jisPairToShiftJis(unsigned char c1, unsigned char c2);

// A byte that can be either byte of a two-byte EUC code (0xA1..0xFE).
constexpr bool isEucByte(unsigned char c) {
    return c >= 0xA1 && c <= 0xFE;
}
// A half-width katakana byte (0xA1..0xDF).
constexpr bool isHalfWidthKana(unsigned char c) {
    return c >= 0xA1 && c <= 0xDF;
}

// 7-bit JIS (ESC $ B opens a two-byte run, ESC ( B or ESC ( J closes it) to Shift-JIS.
std::string jisToShiftJis(std::string_view text);
// EUC to Shift-JIS; 8E followed by a half-width katakana byte gives that byte alone.
std::string eucToShiftJis(std::string_view text);

enum class TJisByteCodeType { btAscii, btRoman };
enum class TJisKanaConvType { ktNone, ktZenWithDaku, ktZenSepaDaku };

// The converter component with its published properties. The properties only matter for the
// Shift-JIS to JIS direction, which the viewer does not use.
class TPzConv {
  public:
    TJisByteCodeType JisByteCodeType = TJisByteCodeType::btAscii;
    TJisKanaConvType JisKanaConvType = TJisKanaConvType::ktZenWithDaku;

    std::string JisToSJis(std::string_view text) const { return jisToShiftJis(text); }
    std::string EucToSJis(std::string_view text) const { return eucToShiftJis(text); }
    std::string Jis_SJis(unsigned char c1, unsigned char c2) const {
        return jisPairToShiftJis(c1, c2);
    }
    bool IsEuc(unsigned char c) const { return isEucByte(c); }
    bool IsHanKana(unsigned char c) const { return isHalfWidthKana(c); }
};

}  // namespace tavelin
