#pragma once
// Encoding detection for module files opened by hand, and the per-pane encoding accessors.

#include <cstddef>
#include <cstdint>
#include <span>

#include "datafiles/module_panes.h"

namespace tavelin {

// Encodings of 8-bit text (codeNo when utf16 is 0).
enum CodeNo : std::uint8_t {
    kCodeAnsi = 0,
    kCodeUtf8 = 1,
    kCodeShiftJis = 2,
    kCodeEuc = 3,
    kCodeJis = 4,
};
// Byte orders of UTF-16 text (codeNo when utf16 is 1).
constexpr std::uint8_t kUtf16LittleEndian = 0;
constexpr std::uint8_t kUtf16BigEndian = 1;

// Detection looks at no more than this many bytes from the start.
constexpr std::size_t kDetectionWindow = 30000;

struct DetectedEncoding {
    std::uint8_t utf16 = 0;
    std::uint8_t codeNo = 0;
    bool operator==(const DetectedEncoding&) const = default;
};

// Result of one multi-byte scorer: bytes counted in well-formed sequences, and whether the
// walk ended without meeting a malformed sequence (a cut-off sequence at the very end is
// tolerated as the scorer allows).
struct EncodingScore {
    std::size_t count = 0;
    bool wellFormed = true;
};

EncodingScore scoreUtf8(std::span<const unsigned char> bytes);
EncodingScore scoreShiftJis(std::span<const unsigned char> bytes);
EncodingScore scoreEuc(std::span<const unsigned char> bytes);

// Judges the encoding of `bytes` (only the first kDetectionWindow bytes count): byte-order mark,
// zero bytes before the second line break, JIS escape sequences before the first byte >= 0x80,
// pure 7-bit text, then the three scorers.
DetectedEncoding detectEncoding(std::span<const unsigned char> bytes);

// The pane's codeNo and utf16 flag, or -1 when the pane holds no module.
int moduleCodeNo(const ModulePanes& panes, int side);
int moduleUtf16(const ModulePanes& panes, int side);
// Sets the pane's codeNo; ignored for an empty pane or a value outside 0..255.
void setModuleCodeNo(ModulePanes& panes, int side, int codeNo);

}  // namespace tavelin
