#pragma once
// The preprocessor pass: removes directive lines and the branches of conditional blocks that
// their conditions exclude, deciding conditions with the definition's macro list.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "analysis/analysis_environment.h"
#include "analysis/recognisers.h"
#include "analysis/unit_text.h"

namespace tavelin::analysis {

// Whether a macro row of this kind applies to a side (0 after the change, 1 before it).
inline bool macroApplies(int kind, int side) {
    return kind == 0 || (kind == 1 && side == 0) || (kind == 2 && side == 1);
}

// Reads a token the way the C library reads a decimal integer (leading digits, saturated).
template <class U>
inline std::int32_t readDecimal(const UString<U>& token) {
    std::size_t i = 0;
    while (i < token.size() &&
           (val(token[i]) == ' ' || (val(token[i]) >= 9 && val(token[i]) <= 13))) {
        ++i;
    }
    bool negative = false;
    if (i < token.size() && (val(token[i]) == '+' || val(token[i]) == '-')) {
        negative = val(token[i]) == '-';
        ++i;
    }
    std::int64_t v = 0;
    for (; i < token.size() && val(token[i]) >= '0' && val(token[i]) <= '9'; ++i) {
        v = v * 10 + (val(token[i]) - '0');
        if (v > 0x80000000LL) {
            v = 0x80000000LL;
        }
    }
    if (negative) {
        v = -v;
    }
    if (v > INT32_MAX) {
        v = INT32_MAX;
    }
    return static_cast<std::int32_t>(v);
}

enum class OperandMode { Value, Defined };

template <class U>
class Preprocessor {
  public:
    Preprocessor(Scanner<U>& sc, int side, MacroProvider* macros)
        : sc_(sc), b_(sc.data()), n_(sc.size()), side_(side), provider_(macros) {}

    // Makes the pass record, in text order, every comment and non-comment string it steps over.
    void recordComments(std::vector<WalkedComment>* walked) { walked_ = walked; }

    // The pass: returns the units covered by directive blocks.
    std::int32_t run() {
        const CompiledRules<U>& rs = sc_.rules();
        QuietSkip<U> quiet(b_, n_, rs.preprocessorPassSet);
        std::int64_t total = 0;
        std::int32_t i = 0;
        while (i < n_) {
            i = quiet.next(i);
            if (i >= n_) {
                break;
            }
            const unsigned u = val(b_[i]);
            if (rs.directiveSet.test(u)) {
                if (auto d = matchOpening(i, false)) {
                    const std::int32_t k = processBlock(i, *d);
                    total += k;
                    i += k;
                    continue;
                }
            }
            if (rs.commentSet.test(u)) {
                const std::int32_t k = sc_.scanComment(i, CommentMode::Skip);
                if (k > 0) {
                    noteComment(i, k);
                    i += k;
                    continue;
                }
            }
            if (rs.stringSet.test(u)) {
                const std::int32_t k = sc_.scanStringLiteral(i);
                if (k > 0) {
                    i += k;
                    continue;
                }
            }
            ++i;
        }
        return clampCount(total);
    }

    // Value of the expression that starts at p and the units it covers (up to the first CR or
    // LF, or to where a comment starts).
    std::int32_t evaluateCondition(std::int32_t p, std::int32_t& covered) {
        const std::int32_t end = expressionEnd(p);
        covered = end - p;
        Evaluator ev{*this};
        UString<U> token;
        bool tokenEnded = false;
        std::int32_t t = p;
        while (t < end) {
            const int op = operatorAt(t, end);
            if (op >= 0) {
                t += static_cast<std::int32_t>(kOperators[static_cast<std::size_t>(op)].size());
                if (op == kOpDefined) {
                    ev.definedNext = true;
                } else if (op == kOpNot) {
                    ev.negateNext = !ev.negateNext;
                } else {
                    ev.operand(token);
                    token.clear();
                    tokenEnded = false;
                    ev.apply(op);
                }
                continue;
            }
            const unsigned c = val(b_[t]);
            if (c <= 0x20 || c == '(' || c == ')') {
                tokenEnded = true;
            } else {
                if (tokenEnded) {
                    token.clear();
                    tokenEnded = false;
                }
                if (token.size() < 127) {
                    token.push_back(b_[t]);
                }
            }
            ++t;
        }
        if (!token.empty()) {
            ev.operand(token);
            ev.finish();
        }
        return ev.a;
    }

    std::int32_t lookUpOperand(OperandMode mode, const UString<U>& token) {
        for (const auto& m : macros()) {
            if (m.name == token) {
                return mode == OperandMode::Defined ? 1 : m.value;
            }
        }
        return mode == OperandMode::Defined ? 0 : readDecimal<U>(token);
    }

  private:
    struct MacroRow {
        UString<U> name;
        std::int32_t value = 0;
    };
    struct Decided {
        const CompiledDirective<U>* rule = nullptr;
        std::int32_t length = 0;  // the directive's text
        int state = 0;
    };
    struct Level {
        const CompiledDirective<U>* rule = nullptr;
        int state = 0;
        std::int32_t branchStart = 0;
    };

    static constexpr int kOpDefined = 6;
    static constexpr int kOpNot = 13;
    static inline const std::array<std::string_view, 14> kOperators = {
        "!=", "==", "<=", ">=", "<", ">", "defined", "&&", "||", "&", "|", "+", "-", "!"};

    struct Evaluator {
        Preprocessor& pp;
        std::int32_t a = 0;
        std::int32_t b = 0;
        int comparison = -1;  // 0..5
        int arithmetic = -1;  // 7..12
        bool definedNext = false;
        bool negateNext = false;

        void operand(const UString<U>& token) {
            std::int32_t v =
                pp.lookUpOperand(definedNext ? OperandMode::Defined : OperandMode::Value, token);
            if (negateNext) {
                v = (v == 0 || v == 1) ? 1 - v : ~v;
            }
            definedNext = false;
            negateNext = false;
            if (arithmetic >= 0) {
                std::int32_t& side = comparison >= 0 ? b : a;
                side = applyArithmetic(side, arithmetic, v);
                arithmetic = -1;
            } else if (comparison < 0) {
                a = v;
            } else {
                b = v;
            }
        }
        void apply(int op) {
            if (op <= 5) {
                finish();
                comparison = op;
            } else {
                arithmetic = op;
            }
        }
        void finish() {
            if (comparison >= 0) {
                a = compare(a, comparison, b) ? 1 : 0;
                comparison = -1;
            }
        }
        static bool compare(std::int32_t x, int op, std::int32_t y) {
            switch (op) {
                case 0:
                    return x != y;
                case 1:
                    return x == y;
                case 2:
                    return x <= y;
                case 3:
                    return x >= y;
                case 4:
                    return x < y;
                default:
                    return x > y;
            }
        }
        static std::int32_t applyArithmetic(std::int32_t x, int op, std::int32_t y) {
            const auto ux = static_cast<std::uint32_t>(x);
            const auto uy = static_cast<std::uint32_t>(y);
            switch (op) {
                case 7:
                    return (x != 0 && y != 0) ? 1 : 0;
                case 8:
                    return (x != 0 || y != 0) ? 1 : 0;
                case 9:
                    return static_cast<std::int32_t>(ux & uy);
                case 10:
                    return static_cast<std::int32_t>(ux | uy);
                case 11:
                    return static_cast<std::int32_t>(ux + uy);
                default:
                    return static_cast<std::int32_t>(ux - uy);
            }
        }
    };

    void noteComment(std::int32_t at, std::int32_t k) {
        if (walked_ != nullptr) {
            walked_->push_back(WalkedComment{at, sc_.lastCommentClears() ? k : -k});
        }
    }

    const std::vector<MacroRow>& macros() {
        if (!macrosLoaded_) {
            macrosLoaded_ = true;
            if (provider_ != nullptr) {
                const auto& rows = provider_->macrosFor(sc_.rules().extensionNumber);
                const WidenFunction widen = sc_.cache().environment().widen;
                for (const auto& r : rows) {
                    if (macroApplies(r.kind, side_)) {
                        macros_.push_back(MacroRow{toUnits<U>(r.name, widen), r.value});
                    }
                }
            }
        }
        return macros_;
    }

    int operatorAt(std::int32_t t, std::int32_t end) const {
        for (std::size_t k = 0; k < kOperators.size(); ++k) {
            const std::string_view op = kOperators[k];
            if (static_cast<std::int32_t>(op.size()) > end - t) {
                continue;
            }
            bool same = true;
            for (std::size_t j = 0; j < op.size(); ++j) {
                if (val(b_[t + static_cast<std::int32_t>(j)]) !=
                    static_cast<unsigned char>(op[j])) {
                    same = false;
                    break;
                }
            }
            if (same) {
                return static_cast<int>(k);
            }
        }
        return -1;
    }

    std::int32_t expressionEnd(std::int32_t p) const {
        const CompiledRules<U>& rs = sc_.rules();
        for (std::int32_t t = p; t < n_; ++t) {
            const unsigned c = val(b_[t]);
            if (c == kCr || c == kLf) {
                return t;
            }
            if (rs.commentSet.test(c)) {
                for (const auto& r : rs.comments) {
                    if (matchCommentDelimiter<U>(r.fold, b_, n_, t, r.start) > 0) {
                        return t;
                    }
                }
            }
        }
        return n_;
    }

    // A directive word, a separator, a macro name and, after "(", the closing ")", read as one
    // pattern without being put together.
    struct MacroForm {
        const UString<U>& word;
        U separator;
        const UString<U>& name;
        std::size_t size() const {
            return word.size() + 1 + name.size() + (val(separator) == '(' ? 1 : 0);
        }
        U operator[](std::size_t j) const {
            if (j < word.size()) {
                return word[j];
            }
            j -= word.size();
            if (j == 0) {
                return separator;
            }
            --j;
            return j < name.size() ? name[j] : static_cast<U>(')');
        }
    };

    // Match ignoring white space on both sides; returns the text units covered or 0.
    template <class Pattern>
    std::int32_t matchIgnoringSpace(std::int32_t p, const Pattern& pat) const {
        const std::size_t m = pat.size();
        std::int32_t t = p;
        std::size_t j = 0;
        while (j < m && t < n_) {
            const unsigned a = val(b_[t]);
            const unsigned c = val(pat[j]);
            if (a == c) {
                ++t;
                ++j;
            } else if (a <= 0x20) {
                ++t;
            } else if (c <= 0x20) {
                ++j;
            } else {
                return 0;
            }
        }
        while (j < m && val(pat[j]) <= 0x20) {
            ++j;
        }
        return j == m ? t - p : 0;
    }

    // Decides part idx of a rule matched at p with its word covering k units: the units the
    // directive covers and whether its condition holds.
    std::int32_t decidePart(const CompiledDirective<U>& d, int idx, std::int32_t p, std::int32_t k,
                            bool& holds) {
        switch (d.kinds[static_cast<std::size_t>(idx)]) {
            case 1: {
                const UString<U>& word = d.parts[static_cast<std::size_t>(idx)];
                for (const auto& m : macros()) {
                    for (const unsigned sep : {unsigned(' '), unsigned('(')}) {
                        const MacroForm form{word, static_cast<U>(sep), m.name};
                        const std::int32_t len = matchIgnoringSpace(p, form);
                        if (len > 0 && isStandAlone(b_, n_, p, len)) {
                            holds = true;
                            return len;
                        }
                    }
                }
                holds = false;
                return k;
            }
            case 2: {
                std::int32_t covered = 0;
                holds = evaluateCondition(p + k, covered) == 1;
                return k + covered;
            }
            default:
                holds = true;
                return k;
        }
    }

    std::optional<Decided> matchOpening(std::int32_t p, bool insideBlock) {
        for (const auto& d : sc_.rules().directives) {
            if (insideBlock && d.partCount == 0) {
                continue;
            }
            const std::int32_t k = matchFlexibleQuick<U>(false, b_, n_, p, d.parts[0]);
            if (k > 0 && isStandAlone(b_, n_, p, k)) {
                bool holds = false;
                Decided out;
                out.rule = &d;
                out.length = decidePart(d, 0, p, k, holds);
                out.state = holds ? d.polarity : 1 - d.polarity;
                return out;
            }
        }
        return std::nullopt;
    }

    std::int32_t processBlock(std::int32_t start, const Decided& opening) {
        const CompiledRules<U>& rs = sc_.rules();
        std::array<Level, 16> levels;  // entries below depth are set before use
        int depth = 1;
        std::int32_t q = start + opening.length;
        clearRange(b_, start, q);
        levels[0] = Level{opening.rule, opening.state, q};
        std::int32_t operandStart = q;
        bool operand = true;
        auto endOperand = [&](std::int32_t at) {
            if (operand) {
                clearRange(b_, operandStart, at);
                operand = false;
            }
        };
        for (;;) {
            if (q >= n_) {
                endOperand(n_);
                // Every open level whose current branch is removed loses it to the end.
                for (int l = 0; l < depth; ++l) {
                    if (levels[static_cast<std::size_t>(l)].state != 0) {
                        clearRange(b_, levels[static_cast<std::size_t>(l)].branchStart, n_);
                        break;
                    }
                }
                return n_ - start;
            }
            Level& top = levels[static_cast<std::size_t>(depth - 1)];
            const CompiledDirective<U>& t = *top.rule;
            if (!t.bodySet.always) {
                const std::int32_t next =
                    findLowByteIn(b_, q, n_, t.bodySet.bits, t.bodySet.ranges);
                if (next != q) {
                    q = next;
                    continue;  // the units passed need nothing
                }
            }
            const unsigned u = val(b_[q]);
            const int w = lineEndAt(b_, n_, q, sc_.delimit());
            if (t.partCount > 0) {
                if (w > 0) {
                    endOperand(q);
                }
                if (t.continuationSet.test(u)) {
                    bool matched = false;
                    for (int idx = 1; idx <= t.partCount; ++idx) {
                        const auto& part = t.parts[static_cast<std::size_t>(idx)];
                        const std::int32_t k = matchFlexibleQuick<U>(false, b_, n_, q, part);
                        if (k <= 0 || !isStandAlone(b_, n_, q, k)) {
                            continue;
                        }
                        bool holds = false;
                        const std::int32_t len = decidePart(t, idx, q, k, holds);
                        int decided = holds ? t.polarity : 1 - t.polarity;
                        if (t.partCount > 1 && idx >= t.partCount - 1) {
                            decided = top.state == 0 ? 1 : 0;
                        }
                        endOperand(q);
                        if (top.state != 0) {
                            clearRange(b_, top.branchStart, q);
                        }
                        const int next = top.state == 1 ? decided : 2;
                        clearRange(b_, q, q + len);
                        q += len;
                        if (idx == t.partCount) {
                            if (depth == 1) {
                                return q - start;
                            }
                            --depth;
                        } else {
                            top.state = next;
                            top.branchStart = q;
                        }
                        operandStart = q;
                        operand = true;
                        matched = true;
                        break;
                    }
                    if (matched) {
                        continue;
                    }
                }
                if (depth < 16 && rs.directiveSet.test(u)) {
                    if (auto d = matchOpening(q, true)) {
                        const int state = top.state != 0 ? 2 : d->state;
                        endOperand(q);
                        clearRange(b_, q, q + d->length);
                        q += d->length;
                        levels[static_cast<std::size_t>(depth)] = Level{d->rule, state, q};
                        ++depth;
                        operandStart = q;
                        operand = true;
                        continue;
                    }
                }
            } else if (w > 0) {
                endOperand(q);
                return q - start;
            }
            if (rs.commentSet.test(u)) {
                const std::int32_t k = sc_.scanComment(q, CommentMode::Skip);
                if (k > 0) {
                    noteComment(q, k);
                    endOperand(q);
                    q += k;
                    continue;
                }
            }
            if (rs.stringSet.test(u)) {
                const std::int32_t k = sc_.scanStringLiteral(q);
                if (k > 0) {
                    q += k;
                    continue;
                }
            }
            ++q;
        }
    }

    Scanner<U>& sc_;
    U* b_;
    std::int32_t n_;
    int side_;
    MacroProvider* provider_;
    bool macrosLoaded_ = false;
    std::vector<MacroRow> macros_;
    std::vector<WalkedComment>* walked_ = nullptr;
};

// The value of the expression at the start of text (the text after a directive word) for one
// side; covered receives the units the expression covers.
template <class U>
std::int32_t evaluateCondition(int side, std::span<U> text, const ExtensionDefinition* def,
                               const RuleEnvironment& env, std::int32_t& covered) {
    RuleCache<U> cache(def, env);
    Scanner<U> sc(text.data(), static_cast<std::int32_t>(text.size()), PassOptions{}, cache);
    Preprocessor<U> pp(sc, side, env.macros);
    return pp.evaluateCondition(0, covered);
}

// The pass over a span for one side (0 after the change, 1 before it).
template <class U>
std::int32_t deletePreprocessor(int side, std::span<U> text, const ExtensionDefinition* def,
                                const PassOptions& opt, const RuleEnvironment& env) {
    RuleCache<U> cache(def, env);
    Scanner<U> sc(text.data(), static_cast<std::int32_t>(text.size()), opt, cache);
    Preprocessor<U> pp(sc, side, env.macros);
    return pp.run();
}

}  // namespace tavelin::analysis
