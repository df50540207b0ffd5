#pragma once
// An extension definition prepared for scanning text of one unit type: its strings converted to
// units, and for every kind of construct the set of units it can start with, so that the passes
// look at a rule only where its first unit stands.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/analysis_environment.h"
#include "analysis/unit_text.h"
#include "datafiles/extension_definition.h"
#include "datafiles/extension_table.h"

namespace tavelin::analysis {

// Units a construct can begin with, by low byte (a superset for UTF-16 units).
struct StartSet {
    std::array<bool, 256> bits{};
    bool always = false;
    ByteRanges ranges;  // bits as ranges for block skips; usable only after seal()

    bool test(unsigned u) const { return always || bits[u & 0xFFu]; }
    void add(unsigned u) { bits[u & 0xFFu] = true; }
    // Prepares the block skip over units outside the set; the set must not change afterwards.
    void seal() { ranges = always ? ByteRanges{} : ByteRanges::of(bits); }
    void merge(const StartSet& o) {
        always = always || o.always;
        for (std::size_t i = 0; i < bits.size(); ++i) {
            bits[i] = bits[i] || o.bits[i];
        }
    }
    // Flexible match: space and TAB stand for each other; with fold, a letter for both cases.
    template <class U>
    void addFlexible(const UString<U>& pat, bool fold, bool emptyMatches) {
        if (pat.empty()) {
            always = always || emptyMatches;
            return;
        }
        const unsigned c = val(pat[0]);
        if (isSpaceOrTab(c)) {
            add(kSpace);
            add(kTab);
            return;
        }
        add(c);
        if (fold && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
            add(c ^ 0x20u);
        }
    }
    template <class U>
    void addExact(const UString<U>& pat) {
        if (pat.empty()) {
            always = true;
        } else {
            add(val(pat[0]));
        }
    }
    template <class U>
    void addWildcard(const UString<U>& pat, bool fold) {
        if (pat.empty()) {
            return;
        }
        const unsigned c = val(pat[0]);
        if (isSpaceOrTab(c) || c == '*') {
            always = true;
            return;
        }
        add(c);
        if (fold && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
            add(c ^ 0x20u);
        }
    }
};

template <class U>
struct CompiledDelimited {
    int endCount = 0;  // 0: line form
    int placement = 0;
    bool fold = false;
    bool deleteLineHead = false;
    std::int32_t column = 1;
    UString<U> start;
    std::vector<UString<U>> ends;
    UString<U> nestOpen;
    UString<U> nestClose;
    StartSet endSet;         // first units of the end strings
    int singleEndUnit = -1;  // the one unit every end string starts with, if there is one
    bool block() const { return endCount > 0; }
};

template <class U>
struct CompiledString {
    UString<U> start;  // cut at "%s" for a pattern rule
    UString<U> rest;   // after "%s"
    bool pattern = false;
    UString<U> end;
    UString<U> escape;
    bool endHasSlot = false;
    UString<U> endBefore;  // end split at "%s"
    UString<U> endAfter;
    // Units inside the literal that need a look with the rule's own end string: the first units
    // of the escape and of the end, CR and LF, and for Shift-JIS text the lead bytes.
    StartSet body;
    StartSet bodySjis;
    // One end unit, at most one escape unit, neither CR nor LF, no pattern: the literal can be
    // walked by the units of body alone (outside Shift-JIS text).
    bool quick = false;
};

template <class U>
struct CompiledRegion {
    bool fold = false;
    UString<U> start;
    UString<U> end;
    std::string extensionName;
    StartSet endSet;
};

template <class U>
struct CompiledDirective {
    int partCount = 0;
    int polarity = 0;
    std::array<int, 9> kinds{};
    std::array<UString<U>, 9> parts;
    StartSet continuationSet;  // first units of parts[1..partCount]
    // Units inside the directive's block that need a look: CR, LF, comment and literal starts
    // and, for a conditional block, its other parts and nested directives.
    StartSet bodySet;
};

template <class U>
struct CompiledRules {
    int extensionNumber = -1;
    bool multiLineStrings = false;
    std::vector<CompiledDelimited<U>> comments;
    std::vector<std::size_t> blockComments;  // indexes of block-form comment rules
    std::vector<CompiledDelimited<U>> noCounts;
    std::vector<std::size_t> blockNoCounts;
    std::vector<CompiledString<U>> strings;
    std::vector<CompiledRegion<U>> regions;
    std::vector<CompiledDirective<U>> directives;
    std::vector<UString<U>> nonComments;
    std::vector<UString<U>> deleteStrings;

    StartSet commentSet;       // non-comment strings and comment starts
    StartSet blockCommentSet;  // starts of block-form comment rules
    StartSet noCountSet;
    StartSet blockNoCountSet;
    StartSet stringSet;
    StartSet regionSet;
    StartSet directiveSet;
    StartSet deleteStringSet;
    // Unions for the passes' fast skip.
    StartSet noCountPassSet;
    StartSet commentPassSet;
    StartSet preprocessorPassSet;
    StartSet listedPassSet;
};

template <class U>
inline UString<U> toUnits(std::string_view s, WidenFunction widen) {
    if constexpr (!kWide<U>) {
        (void)widen;
        return UString<U>(reinterpret_cast<const unsigned char*>(s.data()), s.size());
    } else {
        if (widen != nullptr) {
            const std::u16string w = widen(s);
            return UString<U>(w.begin(), w.end());
        }
        UString<U> out;
        out.reserve(s.size());
        for (const char c : s) {
            out.push_back(static_cast<U>(static_cast<unsigned char>(c)));
        }
        return out;
    }
}

template <class U>
inline CompiledDelimited<U> compileDelimited(const DelimitedRule& r, WidenFunction widen,
                                             bool commentDelimiter) {
    CompiledDelimited<U> c;
    c.endCount = r.endCount < 0 ? 0 : (r.endCount > 8 ? 8 : r.endCount);
    c.placement = r.matchFlags & 3;
    c.fold = (r.matchFlags & 4) != 0;
    c.deleteLineHead = (r.matchFlags & 8) != 0;
    c.column = r.column;
    c.start = toUnits<U>(r.strings[0], widen);
    for (int k = 1; k <= c.endCount; ++k) {
        c.ends.push_back(toUnits<U>(r.strings[static_cast<std::size_t>(k)], widen));
        c.endSet.addFlexible(c.ends.back(), c.fold, commentDelimiter);
    }
    if (!c.fold && !c.ends.empty()) {
        const UString<U>& first = c.ends[0];
        bool same = !first.empty() && !isSpaceOrTab(val(first[0]));
        for (const auto& e : c.ends) {
            same = same && !e.empty() && e[0] == first[0];
        }
        if (same) {
            c.singleEndUnit = static_cast<int>(val(first[0]));
        }
    }
    c.nestOpen = toUnits<U>(r.nestOpen, widen);
    c.nestClose = toUnits<U>(r.nestClose, widen);
    if (!c.nestOpen.empty()) {
        c.endSet.addExact(c.nestOpen);
    }
    if (!c.nestClose.empty()) {
        c.endSet.addExact(c.nestClose);
    }
    return c;
}

template <class U>
inline void splitAtSlot(const UString<U>& s, UString<U>& before, UString<U>& after, bool& has) {
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
        if (val(s[i]) == '%' && val(s[i + 1]) == 's') {
            before = s.substr(0, i);
            after = s.substr(i + 2);
            has = true;
            return;
        }
    }
    before = s;
    after.clear();
    has = false;
}

// A missing definition compiles to a rule set without rules.
template <class U>
inline std::unique_ptr<CompiledRules<U>> compileRules(const ExtensionDefinition* def,
                                                      WidenFunction widen) {
    auto out = std::make_unique<CompiledRules<U>>();
    CompiledRules<U>& c = *out;
    if (def == nullptr) {
        return out;
    }
    c.extensionNumber = def->extensionNumber;
    c.multiLineStrings = def->multiLineStrings != 0;
    for (const auto& r : def->commentRules) {
        c.comments.push_back(compileDelimited<U>(r, widen, true));
        const auto& cr = c.comments.back();
        c.commentSet.addFlexible(cr.start, cr.fold, true);
        if (cr.block()) {
            c.blockComments.push_back(c.comments.size() - 1);
            c.blockCommentSet.addFlexible(cr.start, cr.fold, true);
        }
    }
    for (const auto& r : def->noCountRules) {
        c.noCounts.push_back(compileDelimited<U>(r, widen, false));
        const auto& nr = c.noCounts.back();
        c.noCountSet.addFlexible(nr.start, nr.fold, false);
        if (nr.block()) {
            c.blockNoCounts.push_back(c.noCounts.size() - 1);
            c.blockNoCountSet.addFlexible(nr.start, nr.fold, false);
        }
    }
    for (const auto& r : def->stringRules) {
        CompiledString<U> s;
        const UString<U> start = toUnits<U>(r.start, widen);
        splitAtSlot<U>(start, s.start, s.rest, s.pattern);
        s.end = toUnits<U>(r.end, widen);
        s.escape = toUnits<U>(r.escape, widen);
        splitAtSlot<U>(s.end, s.endBefore, s.endAfter, s.endHasSlot);
        s.body.add(s.escape.empty() ? kCr : val(s.escape[0]));
        if (!s.end.empty()) {
            s.body.add(val(s.end[0]));
        }
        s.body.add(kCr);
        s.body.add(kLf);
        s.bodySjis = s.body;
        for (unsigned u = 0; u < 256; ++u) {
            if (isSjisLead(u)) {
                s.bodySjis.add(u);
            }
        }
        s.body.seal();
        s.bodySjis.seal();
        const auto notLineEnd = [](const UString<U>& x) {
            return val(x[0]) != kCr && val(x[0]) != kLf;
        };
        s.quick = !s.pattern && s.end.size() == 1 && notLineEnd(s.end) && s.escape.size() <= 1 &&
                  (s.escape.empty() || notLineEnd(s.escape));
        c.stringSet.addExact(s.start);
        c.strings.push_back(std::move(s));
    }
    for (const auto& r : def->regionRules) {
        CompiledRegion<U> g;
        g.fold = r.caseInsensitive != 0;
        g.start = toUnits<U>(r.startPattern, widen);
        g.end = toUnits<U>(r.endPattern, widen);
        g.extensionName = r.extensionName;
        g.endSet.addWildcard(g.end, g.fold);
        c.regionSet.addWildcard(g.start, g.fold);
        c.regions.push_back(std::move(g));
    }
    for (const auto& r : def->preprocessorRules) {
        CompiledDirective<U> d;
        d.partCount = (r.partCount < 0 || r.partCount > 8) ? 0 : r.partCount;
        d.polarity = r.polarity != 0 ? 1 : 0;
        for (std::size_t k = 0; k < 9; ++k) {
            const int kind = r.partKinds[k];
            d.kinds[k] = (kind < 0 || kind > 2) ? 0 : kind;
            d.parts[k] = toUnits<U>(r.parts[k], widen);
            if (k >= 1 && static_cast<int>(k) <= d.partCount) {
                d.continuationSet.addFlexible(d.parts[k], false, false);
            }
        }
        c.directiveSet.addFlexible(d.parts[0], false, false);
        c.directives.push_back(std::move(d));
    }
    for (const auto& s : def->nonComments) {
        c.nonComments.push_back(toUnits<U>(s, widen));
        c.commentSet.addFlexible(c.nonComments.back(), false, false);
    }
    for (const auto& s : def->deleteStrings) {
        c.deleteStrings.push_back(toUnits<U>(s, widen));
        c.deleteStringSet.addFlexible(c.deleteStrings.back(), false, false);
    }
    c.noCountPassSet = c.noCountSet;
    c.noCountPassSet.merge(c.commentSet);
    c.noCountPassSet.merge(c.stringSet);
    c.noCountPassSet.merge(c.regionSet);
    c.commentPassSet = c.commentSet;
    c.commentPassSet.merge(c.stringSet);
    c.commentPassSet.merge(c.regionSet);
    c.preprocessorPassSet = c.directiveSet;
    c.preprocessorPassSet.merge(c.commentSet);
    c.preprocessorPassSet.merge(c.stringSet);
    for (auto& d : c.directives) {
        d.bodySet = c.commentSet;
        d.bodySet.merge(c.stringSet);
        d.bodySet.add(kCr);
        d.bodySet.add(kLf);
        if (d.partCount > 0) {
            d.bodySet.merge(d.continuationSet);
            d.bodySet.merge(c.directiveSet);
        }
        d.bodySet.seal();
    }
    c.listedPassSet = c.stringSet;
    c.listedPassSet.merge(c.deleteStringSet);
    c.noCountPassSet.seal();
    c.commentPassSet.seal();
    c.preprocessorPassSet.seal();
    c.listedPassSet.seal();
    return out;
}

// The module's own rules and, compiled when first needed, the rules of the definitions that
// embedded-language regions switch to.
template <class U>
class RuleCache {
  public:
    RuleCache(const ExtensionDefinition* moduleDefinition, const RuleEnvironment& env)
        : env_(env), own_(compileRules<U>(moduleDefinition, env.widen)) {}

    const CompiledRules<U>* own() const { return own_.get(); }
    const RuleEnvironment& environment() const { return env_; }

    // The lowest loaded slot whose name equals the given one, or -1.
    int findExtension(const std::string& name) const {
        const ExtensionTable* t = env_.table;
        if (t == nullptr) {
            return -1;
        }
        const std::int32_t count = t->extensionCount < 0                ? 0
                                   : t->extensionCount > kMaxExtensions ? kMaxExtensions
                                                                        : t->extensionCount;
        for (std::int32_t i = 0; i < count; ++i) {
            if (t->definitions[static_cast<std::size_t>(i)].name == name) {
                return i;
            }
        }
        return -1;
    }

    const CompiledRules<U>* forSlot(int slot) {
        if (slot < 0 || slot >= kMaxExtensions) {
            return own_.get();
        }
        auto& entry = slots_[static_cast<std::size_t>(slot)];
        if (!entry) {
            const ExtensionDefinition* def = env_.table ? env_.table->find(slot) : nullptr;
            entry = compileRules<U>(def, env_.widen);
        }
        return entry.get();
    }

  private:
    RuleEnvironment env_;
    std::unique_ptr<CompiledRules<U>> own_;
    std::array<std::unique_ptr<CompiledRules<U>>, kMaxExtensions> slots_;
};

}  // namespace tavelin::analysis
