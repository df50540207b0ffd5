// Runs the line matcher on arbitrary text pairs with arbitrary options, as bytes and as 16-bit
// units, and checks it against the literal matcher of the tests on small inputs.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "../tests/compare/match_oracle.cpp"
#include "compare/line_matcher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    tavelin::MatchOptions opt;
    opt.resyncCount = static_cast<std::int8_t>(data[0]) % 16;
    opt.delimiter = data[1] & 7;
    opt.ignoreCase = (data[2] & 1) != 0;
    opt.countAllDeleted = (data[2] & 2) != 0;
    opt.countDeletedAsChanged = (data[2] & 4) != 0;
    opt.useReused = (data[2] & 8) != 0;
    const bool wide = (data[2] & 16) != 0;
    const std::size_t tableSize = (data[2] & 32) != 0 ? 4 : size + 2;  // sometimes too small
    const std::span<const unsigned char> rest(data + 4, size - 4);
    const std::size_t cut = rest.size() * data[3] / 255;
    const auto after = rest.subspan(0, cut);
    const auto before = rest.subspan(cut);

    tavelin::LineTable fa(tableSize);
    tavelin::LineTable fb(tableSize);
    tavelin::LineTable oa(tableSize);
    tavelin::LineTable ob(tableSize);
    tavelin::MatchResult fast;
    tavelin::MatchResult slow;
    if (wide) {
        std::vector<char16_t> a(after.size() / 2);
        std::vector<char16_t> b(before.size() / 2);
        for (std::size_t i = 0; i < a.size(); ++i) {
            a[i] = static_cast<char16_t>(after[2 * i] | (after[2 * i + 1] << 8));
        }
        for (std::size_t i = 0; i < b.size(); ++i) {
            b[i] = static_cast<char16_t>(before[2 * i] | (before[2 * i + 1] << 8));
        }
        fast = tavelin::matchModules(std::span<const char16_t>(a), std::span<const char16_t>(b),
                                     opt, fa, fb);
        if (size > 600) {
            return 0;
        }
        slow = tavelin::testing::oracleMatch(std::span<const char16_t>(a),
                                             std::span<const char16_t>(b), opt, oa, ob);
    } else {
        fast = tavelin::matchModules(after, before, opt, fa, fb);
        if (size > 600) {
            return 0;
        }
        slow = tavelin::testing::oracleMatch(after, before, opt, oa, ob);
    }
    for (std::size_t i = 0; i < tableSize; ++i) {
        if (fa[i].status != oa[i].status || fb[i].status != ob[i].status) {
            std::abort();
        }
    }
    if (!(fast == slow)) {
        std::abort();
    }
    return 0;
}
