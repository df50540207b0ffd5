#pragma once
// The line scanner: runs every analysis pass over a module's text in a fixed order, leaves the
// compacted text of the counted steps and fills the module's counts.

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/analysis_environment.h"
#include "analysis/line_passes.h"
#include "analysis/preprocessor.h"
#include "analysis/recognisers.h"
#include "datafiles/counter_settings.h"
#include "datafiles/extension_definition.h"
#include "datafiles/module_panes.h"
#include "datafiles/records.h"
#include "text/line_count.h"

namespace tavelin {

namespace analysis {

// Makes the buffer hold at least length + 1 units and clamps length to what it holds.
template <class U>
inline void prepareBuffer(std::vector<U>& text, std::int32_t& length) {
    if (length < 0) {
        length = 0;
    }
    if (static_cast<std::size_t>(length) > text.size()) {
        length = static_cast<std::int32_t>(text.size());
    }
    if (text.size() < static_cast<std::size_t>(length) + 1) {
        text.resize(static_cast<std::size_t>(length) + 1, U(0));
    }
}

// The line ends of the text as loaded. With blankLines, also gives what
// countBlankLines(text, delimit, codeNo, whiteIsBlank) gives (not for JIS text with
// whiteIsBlank).
template <class U>
LoadedLineEnds loadedLineEnds(std::span<const U> text, int delimit,
                              std::int32_t* blankLines = nullptr, int codeNo = 0,
                              bool whiteIsBlank = false) {
    LoadedLineEnds ends;
    const std::int32_t blanks =
        walkLineEnds(text, delimit, codeNo, whiteIsBlank, blankLines != nullptr, &ends);
    if (blankLines != nullptr) {
        *blankLines = blanks;
    }
    return ends;
}

// countLines() of the text whose line ends loadedLineEnds() gave.
template <class U>
std::int32_t countLinesWithEnds(std::span<const U> text, const LoadedLineEnds& ends, int eofflg) {
    std::int64_t lines = ends.count;
    if (eofflg == 1) {
        for (std::size_t i = static_cast<std::size_t>(ends.tail); i < text.size(); ++i) {
            if (val(text[i]) > 0x20) {
                ++lines;
                break;
            }
        }
    }
    return clampCount(lines);
}

// compact() that also gives every remaining line, in table entry order, the number of the
// loaded line on which its first remaining unit stands.
template <class U>
std::int32_t compactMappingLines(std::span<U> text, int delimit, const LoadedLineEnds& loaded,
                                 LineTable& table) {
    std::int32_t lines = 0;
    return compactCountingLines(text, delimit, false, &loaded, &table, 0, lines);
}

// Whether the text ends with a line end (the terminator step's test).
template <class U>
bool endsWithLineEnd(std::span<const U> text, int delimit) {
    const std::size_t n = text.size();
    if (delimit == kDelimitCrLf) {
        return n >= 2 && val(text[n - 2]) == kCr && val(text[n - 1]) == kLf;
    }
    const unsigned lead = lineEndLead(delimit);
    return n > 0 && lead != 0 && val(text[n - 1]) == lead;
}

inline bool whiteCountsAsBlank(const CounterSettings& s, int presence) {
    return (presence == 2 && s.noneflg == 1) ||
           (presence == 1 && (s.cmpnoflg == 1 || s.noneflg == 1));
}

// All passes over units of type U (bytes, or UTF-16 units). lengths count units; the byte
// counts written to the descriptor are doubled for UTF-16.
template <class U>
void analyseUnits(int side, std::vector<U>& text, std::int32_t& length, const CounterSettings& s,
                  const ExtensionDefinition* def, ModuleDescriptor& md, int presence,
                  LineTable* lines, std::vector<U>* display, std::int32_t* displayLength,
                  const RuleEnvironment& env) {
    constexpr std::int64_t unitBytes = kWide<U> ? 2 : 1;
    prepareBuffer(text, length);
    std::int32_t n = length;
    const int d = s.delimit;
    const PassOptions opt{d, s.cmtmlflg, md.codeNo};
    auto span = [&]() { return std::span<U>(text.data(), static_cast<std::size_t>(n)); };
    auto cspan = [&]() { return std::span<const U>(text.data(), static_cast<std::size_t>(n)); };

    removeByteOrderMark(span());
    if (d == kDelimitMixed) {
        normaliseLineEnds(span());
    }
    RuleCache<U> cache(def, env);
    const bool allCount = (def != nullptr && def->allCount == 1) || s.allcount == 1;
    // Unless the passes up to the step counts change the text, the blank lines can be counted
    // in the walk that finds the loaded line ends.
    const bool unchanged = noCountPassIsIdle(*cache.own()) && !allCount;
    const bool whiteIsBlank = whiteCountsAsBlank(s, presence);
    const int blankCode = kWide<U> ? -1 : md.codeNo;
    const bool blanksWithEnds = lines != nullptr && unchanged && !(blankCode == 4 && whiteIsBlank);
    std::int32_t blanks = 0;

    LoadedLineEnds loadedEnds;
    std::int32_t l0 = 0;
    if (lines != nullptr) {
        loadedEnds =
            loadedLineEnds(cspan(), d, blanksWithEnds ? &blanks : nullptr, blankCode, whiteIsBlank);
        l0 = countLinesWithEnds(cspan(), loadedEnds, s.eofflg);
    } else {
        l0 = tavelin::countLines<U>(cspan(), d, s.eofflg);
    }

    std::int64_t noCount = 0;
    {
        Scanner<U> sc(text.data(), n, opt, cache);
        noCount = deleteNoCountAreas(sc);
    }
    if (allCount) {
        if (s.noneflg == 1) {
            Scanner<U> sc(text.data(), n, opt, cache);
            deleteSpaces(sc, SpaceMode::Trailing);
        }
        noCount += removeEmptyLines(span(), d, nullptr);
    }
    md.noCountBytes = clampCount(noCount * unitBytes);
    md.totalBytes = clampCount(std::int64_t{n} * unitBytes - md.noCountBytes);
    const std::int32_t l1 = unchanged ? l0 : tavelin::countLines<U>(cspan(), d, s.eofflg);
    md.totalSteps = l1;
    md.noCountSteps = l0 - l1;
    md.spaceSteps = blanksWithEnds ? blanks : countBlankLines(cspan(), d, md.codeNo, whiteIsBlank);

    if (def != nullptr && def->leadingNumbers == 1) {
        deleteLeadingNumbers(span(), d);
    }
    md.preprocessorBytes = 0;
    const bool deletesComments = (def == nullptr || def->commentCount == 0) && s.cmtcount == 0;
    // When it can, the comment pass takes the comments from the preprocessor's walk instead of
    // walking the text again.
    std::vector<WalkedComment> walked;
    bool commentsWalked = false;
    if (def != nullptr && !def->preprocessorRules.empty() && s.preproct == 0) {
        Scanner<U> sc(text.data(), n, opt, cache);
        Preprocessor<U> pp(sc, side, env.macros);
        commentsWalked = deletesComments && env.reuseCommentWalk && commentWalkReusable(sc.rules());
        if (commentsWalked) {
            pp.recordComments(&walked);
        }
        md.preprocessorBytes = clampCount(std::int64_t{pp.run()} * unitBytes);
    }
    md.commentBytes = 0;
    if (deletesComments) {
        std::int32_t covered = 0;
        if (commentsWalked) {
            covered = deleteWalkedComments(span(), std::span<const WalkedComment>(walked));
            walked = {};
        } else {
            Scanner<U> sc(text.data(), n, opt, cache);
            covered = deleteComments(sc);
        }
        md.commentBytes = clampCount(std::int64_t{covered} * unitBytes);
    }
    {
        Scanner<U> sc(text.data(), n, opt, cache);
        deleteListedStrings(sc);
    }
    if (def != nullptr && def->deleteLeadingBytes > 0) {
        deleteLeadingBytes(span(), d, def->deleteLeadingBytes);
    }

    std::int32_t dn = 0;
    const bool withDisplay = display != nullptr && presence == 1 && s.cmpnoflg == 1;
    if (presence == 1 && s.cmpnoflg == 1) {
        if (withDisplay) {
            display->assign(text.begin(), text.begin() + n);
            display->push_back(U(0));
            dn = n;
            RuleCache<U> dcache(def, env);
            Scanner<U> dsc(display->data(), dn, opt, dcache);
            deleteSpaces(dsc, SpaceMode::Trailing);
        }
        Scanner<U> sc(text.data(), n, opt, cache);
        deleteSpaces(sc, SpaceMode::Full);
    } else if (s.noneflg == 1) {
        Scanner<U> sc(text.data(), n, opt, cache);
        deleteSpaces(sc, SpaceMode::Trailing);
    }
    const bool dropEmptyLines = def == nullptr || def->spaceCount == 0;
    if (withDisplay) {
        const std::span<U> shown(display->data(), static_cast<std::size_t>(dn));
        if (dropEmptyLines) {
            removeEmptyLines(shown, d, nullptr);
        }
        dn = compact(shown);
    }
    n = compactCountingLines(span(), d, dropEmptyLines, lines != nullptr ? &loadedEnds : nullptr,
                             lines, s.eofflg, md.actualSteps);
    md.actualBytes = clampCount(std::int64_t{n} * unitBytes);

    if (!endsWithLineEnd(cspan(), d)) {
        text[static_cast<std::size_t>(n)] = U(0);
        ++n;
        if (withDisplay) {
            if (display->size() < static_cast<std::size_t>(dn) + 1) {
                display->resize(static_cast<std::size_t>(dn) + 1, U(0));
            }
            (*display)[static_cast<std::size_t>(dn)] = U(0);
            ++dn;
        }
    }
    length = n;
    if (withDisplay && displayLength != nullptr) {
        *displayLength = dn;
    }
}

// The current-state variant: no language rule, the line table untouched.
template <class U>
void countUnitsAsIs(std::vector<U>& text, std::int32_t& length, const CounterSettings& s,
                    ModuleDescriptor& md, int presence) {
    constexpr std::int64_t unitBytes = kWide<U> ? 2 : 1;
    prepareBuffer(text, length);
    std::int32_t n = length;
    const int d = s.delimit;
    auto span = [&]() { return std::span<U>(text.data(), static_cast<std::size_t>(n)); };
    auto cspan = [&]() { return std::span<const U>(text.data(), static_cast<std::size_t>(n)); };
    removeByteOrderMark(span());
    if (d == kDelimitMixed) {
        normaliseLineEnds(span());
    }
    md.totalSteps = tavelin::countLines<U>(cspan(), d, s.eofflg);
    md.noCountSteps = 0;
    md.spaceSteps = countBlankLines(cspan(), d, md.codeNo, whiteCountsAsBlank(s, presence));
    md.preprocessorBytes = 0;
    md.commentBytes = 0;
    n = compact(span());
    md.actualBytes = clampCount(std::int64_t{n} * unitBytes);
    md.actualSteps = tavelin::countLines<U>(cspan(), d, s.eofflg);
    if (!endsWithLineEnd(cspan(), d)) {
        text[static_cast<std::size_t>(n)] = U(0);
        ++n;
    }
    length = n;
}

}  // namespace analysis

// The entry points over a pane's text: 8-bit text in text.bytes, or UTF-16 text in text.units
// when the descriptor's utf16 flag is 1 (lengths then count units). Return 0; no pass fails. A
// display-form buffer is used only with presence code 1 and [CMPNOFLG] 1; it receives the same
// kind of text.
int analyseModule(int side, ModuleText& text, std::int32_t& length, const CounterSettings& settings,
                  const ExtensionDefinition* def, ModuleDescriptor& module, int presence,
                  LineTable* lines, ModuleText* display, std::int32_t* displayLength,
                  const RuleEnvironment& env);

int countModuleAsIs(ModuleText& text, std::int32_t& length, const CounterSettings& settings,
                    ModuleDescriptor& module, int presence, LineTable* lines);

// The same over 8-bit text held in a byte buffer, whatever the descriptor's utf16 flag says.
int analyseModule(int side, std::vector<unsigned char>& text, std::int32_t& length,
                  const CounterSettings& settings, const ExtensionDefinition* def,
                  ModuleDescriptor& module, int presence, LineTable* lines,
                  std::vector<unsigned char>* display, std::int32_t* displayLength,
                  const RuleEnvironment& env);
int countModuleAsIs(std::vector<unsigned char>& text, std::int32_t& length,
                    const CounterSettings& settings, ModuleDescriptor& module, int presence,
                    LineTable* lines);

}  // namespace tavelin
