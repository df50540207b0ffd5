// Timing of the line matcher.
//
//   bench_compare_matcher AFTER BEFORE [repeats]
//       matches the two files with every option of interest and prints the best wall time of
//       each (option "1", "AUTO 1", "AUTO 2", "AUTO 3" and the automatic best-of-three run);
//   bench_compare_matcher --disjoint LINES
//       matches two generated texts of LINES lines with no line in common, with all 13 options;
//   bench_compare_matcher --shared-blank LINES
//       as --disjoint, but both texts have an empty line every tenth line.
//
// bench/compare_matcher.sh builds a large pair from local text and times GNU diff beside it.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "compare/line_matcher.h"

namespace {

using tavelin::LineTable;
using tavelin::MatchOptions;
using tavelin::MatchResult;

std::string readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::span<const unsigned char> bytes(const std::string& s) {
    return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

std::size_t countLines(const std::string& s) {
    return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n')) + 2;
}

struct Timing {
    double seconds = 1e30;
    MatchResult result;
};

template <class Fn>
Timing best(int repeats, Fn&& fn) {
    Timing t;
    for (int r = 0; r < repeats; ++r) {
        const auto start = std::chrono::steady_clock::now();
        t.result = fn();
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
        t.seconds = std::min(t.seconds, d.count());
    }
    return t;
}

void print(const char* label, const Timing& t, double base) {
    std::printf("%-28s %8.3f s  x%5.2f   changed %d reused %d deleted %d\n", label, t.seconds,
                base > 0 ? t.seconds / base : 1.0, t.result.changed, t.result.reused,
                t.result.deleted);
}

int pairBench(const char* afterPath, const char* beforePath, int repeats) {
    const std::string after = readFile(afterPath);
    const std::string before = readFile(beforePath);
    LineTable ta(countLines(after));
    LineTable tb(countLines(before));
    std::printf("after %zu bytes, before %zu bytes (LF lines)\n", after.size(), before.size());
    auto run = [&](std::int32_t resync) {
        MatchOptions o;
        o.delimiter = 2;
        o.useReused = true;
        o.resyncCount = resync;
        return best(repeats,
                    [&] { return tavelin::matchModules(bytes(after), bytes(before), o, ta, tb); });
    };
    const Timing one = run(0);
    print("option \"1\"", one, one.seconds);
    print("option \"10\"", run(9), one.seconds);
    print("AUTO 1 (10)", run(10), one.seconds);
    print("AUTO 2 (11)", run(11), one.seconds);
    print("AUTO 3 check alone (12)", run(12), one.seconds);
    // The automatic choice runs 10, 11 and 12 and reruns the best when it is not the last.
    const Timing automatic = best(repeats, [&] {
        MatchOptions o;
        o.delimiter = 2;
        o.useReused = true;
        MatchResult bestResult;
        std::int32_t bestValue = 10;
        for (std::int32_t v = 10; v <= 12; ++v) {
            o.resyncCount = v;
            const MatchResult r = tavelin::matchModules(bytes(after), bytes(before), o, ta, tb);
            if (v == 10 || r.reused >= bestResult.reused) {
                bestResult = r;
                bestValue = v;
            }
        }
        if (bestValue != 12) {
            o.resyncCount = bestValue;
            bestResult = tavelin::matchModules(bytes(after), bytes(before), o, ta, tb);
        }
        return bestResult;
    });
    print("AUTO 3 best of three", automatic, one.seconds);

    // The wide-character matcher on the same lines widened to 16-bit units.
    const std::u16string after16(after.begin(), after.end());
    const std::u16string before16(before.begin(), before.end());
    const Timing wide = best(repeats, [&] {
        MatchOptions o;
        o.delimiter = 2;
        o.useReused = true;
        return tavelin::matchModules(std::span<const char16_t>(after16),
                                     std::span<const char16_t>(before16), o, ta, tb);
    });
    print("option \"1\", 16-bit units", wide, one.seconds);
    return 0;
}

// Two texts with nothing in common but a shared empty line every tenth line: every empty line
// becomes a candidate that the count check rejects, so the single region costs one candidate
// check per pair of empty lines in its window.
int sharedBlankBench(int lines) {
    std::string after;
    std::string before;
    for (int i = 0; i < lines; ++i) {
        after += i % 10 == 0 ? std::string("\r\n") : "after " + std::to_string(i) + "\r\n";
        before += i % 10 == 0 ? std::string("\r\n") : "before " + std::to_string(i) + "\r\n";
    }
    LineTable ta(static_cast<std::size_t>(lines) + 2);
    LineTable tb(static_cast<std::size_t>(lines) + 2);
    std::printf("two texts of %d lines sharing only empty lines\n", lines);
    for (std::int32_t v : {0, 1, 9, 10, 11, 12}) {
        MatchOptions o;
        o.resyncCount = v;
        const Timing t =
            best(1, [&] { return tavelin::matchModules(bytes(after), bytes(before), o, ta, tb); });
        const std::string label = "option index " + std::to_string(v);
        print(label.c_str(), t, 0);
    }
    return 0;
}

int disjointBench(int lines) {
    std::string after;
    std::string before;
    for (int i = 0; i < lines; ++i) {
        after += "after line " + std::to_string(i) + " of the new text\r\n";
        before += "before line " + std::to_string(i) + " of the old text\r\n";
    }
    LineTable ta(static_cast<std::size_t>(lines) + 2);
    LineTable tb(static_cast<std::size_t>(lines) + 2);
    std::printf("two texts of %d lines with no line in common\n", lines);
    double worst = 0;
    for (std::int32_t v = 0; v <= 12; ++v) {
        MatchOptions o;
        o.resyncCount = v;
        const Timing t =
            best(1, [&] { return tavelin::matchModules(bytes(after), bytes(before), o, ta, tb); });
        const std::string label = "option index " + std::to_string(v);
        print(label.c_str(), t, 0);
        worst = std::max(worst, t.seconds);
    }
    std::printf("slowest %.3f s\n", worst);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--shared-blank") == 0) {
        return sharedBlankBench(std::atoi(argv[2]));
    }
    if (argc >= 3 && std::strcmp(argv[1], "--disjoint") == 0) {
        return disjointBench(std::atoi(argv[2]));
    }
    if (argc >= 3) {
        return pairBench(argv[1], argv[2], argc >= 4 ? std::max(1, std::atoi(argv[3])) : 1);
    }
    std::fprintf(stderr, "usage: %s AFTER BEFORE [repeats] | --disjoint LINES\n", argv[0]);
    return 2;
}
