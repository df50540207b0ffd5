// Throughput of the code page conversions and the upper-case mappings on mixed Japanese and
// ASCII text. Prints MB/s (input bytes) for each; the 16-bit upper-case mapping is set against
// the C library's towupper over the same units.
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cwctype>
#include <string>

#include "platform/codepage.h"

namespace {

template <typename F>
double seconds(F f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    // About 10 MB of UTF-8: source lines with Japanese comments.
    std::string utf8;
    while (utf8.size() < 10u * 1024 * 1024) {
        utf8 +=
            "    int value = compute(a, b);  // \xE5\x80\xA4\xE3\x82\x92\xE8\xA8\x88\xE7\xAE\x97\n";
    }
    const double mb = static_cast<double>(utf8.size()) / (1024.0 * 1024.0);
    std::string ansi;
    std::u16string wide;
    const double tUtf8 = seconds([&] { ansi = tavelin::utf8ToAnsi(utf8); });
    const double tToWide = seconds([&] { wide = tavelin::ansiToUtf16(ansi); });
    std::string back;
    const double tToAnsi = seconds([&] { back = tavelin::utf16ToAnsi(wide); });
    std::printf("utf8ToAnsi   %8.1f MB/s\n", mb / tUtf8);
    std::printf("ansiToUtf16  %8.1f MB/s\n",
                static_cast<double>(ansi.size()) / 1048576.0 / tToWide);
    std::printf("utf16ToAnsi  %8.1f MB/s (round trip %s)\n",
                static_cast<double>(wide.size() * 2) / 1048576.0 / tToAnsi,
                back == ansi ? "exact" : "DIFFERS");

    unsigned long sum = 0;
    const double tUpper = seconds([&] {
        for (int r = 0; r < 5; ++r) {
            for (char16_t u : wide) {
                sum += tavelin::upperUnit(u);
            }
        }
    });
    std::setlocale(LC_CTYPE, "C.UTF-8");
    unsigned long sum2 = 0;
    const double tTowupper = seconds([&] {
        for (int r = 0; r < 5; ++r) {
            for (char16_t u : wide) {
                sum2 += static_cast<unsigned long>(std::towupper(static_cast<wint_t>(u)));
            }
        }
    });
    const double units = 5.0 * static_cast<double>(wide.size()) / 1e6;
    std::printf("upperUnit    %8.1f M units/s\n", units / tUpper);
    std::printf("towupper     %8.1f M units/s (checksum %s)\n", units / tTowupper,
                sum == sum2 ? "equal" : "differs");
    return 0;
}
