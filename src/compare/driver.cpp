#include "compare/driver.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/codepage.h"
#include "platform/parallel.h"
#include "text/encoding.h"
#include "text/line_tables.h"

namespace tavelin {

namespace {

constexpr std::string_view kOutOfModule = "Out of module";

bool isWide(const ModulePanes& panes, int side) {
    const ModuleDescriptor* m = panes.module(side);
    return m != nullptr && m->utf16 == 1;
}

// The pane's text length in units, never more than its buffer holds; 0 for an absent module.
std::int32_t textUnits(const ModulePanes& panes, int side) {
    const auto s = static_cast<std::size_t>(side);
    if (panes.module(side) == nullptr || panes.moduleLength[s] <= 0) {
        return 0;
    }
    const std::size_t held =
        isWide(panes, side) ? panes.moduleText[s].units.size() : panes.moduleText[s].bytes.size();
    return static_cast<std::int32_t>(
        std::min(static_cast<std::size_t>(panes.moduleLength[s]), held));
}

const ExtensionDefinition* definitionOf(const ExtensionTable& table, const ModuleDescriptor* m) {
    return m == nullptr ? nullptr : table.find(m->extensionNumber);
}

std::span<const unsigned char> asBytes(const std::string& s) {
    return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

// Spreads the progress of the automatic choice's trials over one percentage: trial k of n
// reports k * 100 / n plus its own share.
class TrialProgress final : public MatchProgress {
  public:
    TrialProgress(MatchProgress* target, int trial, int trials)
        : target_(target), trial_(trial), trials_(trials) {}
    void onProgress(int percent) override {
        if (target_ == nullptr) {
            return;
        }
        target_->onProgress(percent < 0 ? percent : (trial_ * 100 + percent) / trials_);
    }

  private:
    MatchProgress* target_;
    int trial_;
    int trials_;
};

// Whether both prepared texts hold the same units in the same encoding (macros that apply to one
// side only can make the preparations of equal files differ).
bool samePreparedTexts(const ModulePanes& panes, std::int32_t afterUnits,
                       std::int32_t beforeUnits) {
    const ModuleDescriptor& a = *panes.module(kAfter);
    const ModuleDescriptor& b = *panes.module(kBefore);
    if (afterUnits != beforeUnits || a.utf16 != b.utf16 || a.codeNo != b.codeNo) {
        return false;
    }
    const auto n = static_cast<std::size_t>(afterUnits);
    const ModuleText& x = panes.moduleText[kAfter];
    const ModuleText& y = panes.moduleText[kBefore];
    return a.utf16 == 1 ? std::equal(x.units.begin(), x.units.begin() + n, y.units.begin())
                        : std::equal(x.bytes.begin(), x.bytes.begin() + n, y.bytes.begin());
}

}  // namespace

MatchOptions comparisonOptions(const CounterSettings& settings, std::int32_t resyncChoice,
                               const ModuleDescriptor& after,
                               const ExtensionDefinition* afterDefinition) {
    MatchOptions o;
    o.resyncCount = resyncChoice;
    o.delimiter = settings.delimit;
    o.countDeletedAsChanged = settings.delcflg == 1;
    o.countAllDeleted = settings.bdelcflg == 1;
    o.useReused = settings.usecflg == 1;
    if (settings.moutusec == 1 &&
        after.moduleName.compare(0, kOutOfModule.size(), kOutOfModule) == 0) {
        o.useReused = true;
    }
    o.ignoreCase =
        settings.striflg == 1 || (afterDefinition != nullptr && afterDefinition->stringFlag == 1);
    return o;
}

std::string comparisonCopy(std::span<const unsigned char> prepared, std::uint8_t codeNo,
                           const TPzConv& converter) {
    const std::string_view text(reinterpret_cast<const char*>(prepared.data()), prepared.size());
    switch (codeNo) {
        case kCodeUtf8:
            return utf8ToAnsi(text);
        case kCodeEuc:
            return converter.EucToSJis(text);
        case kCodeJis:
            return converter.JisToSJis(text);
        default:
            return std::string(text);
    }
}

void comparisonTexts(const ModulePanes& panes, const TPzConv& converter, ComparisonTexts& t) {
    t.wide = isWide(panes, kAfter) || isWide(panes, kBefore);
    std::array<std::span<const unsigned char>*, kSides> narrow{&t.after8, &t.before8};
    std::array<std::span<const char16_t>*, kSides> wide{&t.after16, &t.before16};
    for (int side = 0; side < kSides; ++side) {
        const auto s = static_cast<std::size_t>(side);
        const auto units = static_cast<std::size_t>(textUnits(panes, side));
        if (isWide(panes, side)) {
            *wide[s] = std::span<const char16_t>(panes.moduleText[s].units).first(units);
            continue;
        }
        const std::span<const unsigned char> bytes =
            std::span<const unsigned char>(panes.moduleText[s].bytes).first(units);
        const ModuleDescriptor* m = panes.module(side);
        const std::uint8_t codeNo = m == nullptr ? 0 : m->codeNo;
        // ANSI and Shift-JIS text is compared as it stands.
        const bool asIs = codeNo != kCodeUtf8 && codeNo != kCodeEuc && codeNo != kCodeJis;
        if (!t.wide) {
            if (asIs) {
                *narrow[s] = bytes;
            } else {
                t.converted8[s] = comparisonCopy(bytes, codeNo, converter);
                *narrow[s] = asBytes(t.converted8[s]);
            }
            continue;
        }
        t.converted16[s] = asIs ? ansiToUtf16(std::string_view(
                                      reinterpret_cast<const char*>(bytes.data()), bytes.size()))
                                : ansiToUtf16(comparisonCopy(bytes, codeNo, converter));
        *wide[s] = std::span<const char16_t>(t.converted16[s]);
    }
}

namespace {

std::unique_ptr<PreparedMatch> prepareMatch(const ComparisonTexts& texts,
                                            const MatchOptions& options) {
    if (texts.wide) {
        return std::make_unique<PreparedMatch>(texts.after16, texts.before16, options);
    }
    return std::make_unique<PreparedMatch>(texts.after8, texts.before8, options);
}

}  // namespace

MatchResult matchWithChoice(const ComparisonTexts& texts, MatchOptions options, ModulePanes& panes,
                            MatchProgress* progress, std::int32_t* chosen) {
    const std::unique_ptr<PreparedMatch> match = prepareMatch(texts, options);
    LineTable& afterLines = panes.lines[kAfter];
    LineTable& beforeLines = panes.lines[kBefore];
    if (options.resyncCount != kResyncAuto3) {
        if (chosen != nullptr) {
            *chosen = options.resyncCount;
        }
        return match->run(options.resyncCount, afterLines, beforeLines, progress);
    }
    std::int32_t best = kResyncAuto1;
    std::int32_t bestReused = 0;
    MatchResult last;
    for (std::int32_t trial = kResyncAuto1; trial <= kResyncAuto3; ++trial) {
        TrialProgress trialProgress(progress, trial - kResyncAuto1, 3);
        last = match->run(trial, afterLines, beforeLines, &trialProgress);
        if (last.reused >= bestReused) {
            best = trial;
            bestReused = last.reused;
        }
    }
    if (chosen != nullptr) {
        *chosen = best;
    }
    if (best == kResyncAuto3) {
        return last;
    }
    resetStatuses(panes, LineStatus::Same);
    return match->run(best, afterLines, beforeLines, progress);
}

void setComparedCounts(StepCountRecord& counts, const MatchResult& result,
                       std::int32_t afterActualSteps, std::int32_t beforeActualSteps) {
    counts.newSteps = 0;
    counts.changedSteps = result.changed;
    counts.deletedSteps = result.deleted;
    if (result.changed != 0) {
        counts.reusedSteps = result.reused;
        counts.originalSteps = beforeActualSteps;
    } else {
        counts.reusedSteps = afterActualSteps;
        counts.originalSteps = afterActualSteps != beforeActualSteps ? beforeActualSteps : 0;
    }
}

int runComparison(ComparisonMode mode, ComparisonContext& context) {
    ModulePanes& panes = context.panes;
    const CounterSettings& settings = context.settings;
    StepCountRecord& counts = context.counts;
    counts.newSteps = 0;
    counts.originalSteps = 0;
    counts.changedSteps = 0;
    counts.reusedSteps = 0;
    counts.deletedSteps = 0;
    resetLineTables(panes, LineStatus::Same);
    const bool bothPresent = panes.module(kAfter) != nullptr && panes.module(kBefore) != nullptr;
    const Presence presence = bothPresent ? kBothPresent : kOnePresent;

    // Preparation of both sides at once. In a step comparison of two modules, [CMPNOFLG] keeps a
    // display form of each prepared text, which the lists show instead of the compared form.
    std::array<ModuleText, kSides> display;
    std::array<bool, kSides> hasDisplay{false, false};
    std::array<std::int32_t, kSides> displayLength{-1, -1};  // -1: not written
    const std::array<const ExtensionDefinition*, kSides> definitions{
        definitionOf(context.extensions, panes.module(kAfter)),
        definitionOf(context.extensions, panes.module(kBefore))};
    auto prepare = [&](int side) {
        const auto s = static_cast<std::size_t>(side);
        ModuleDescriptor* module = panes.module(side);
        if (module == nullptr) {
            return;
        }
        std::int32_t& length = panes.moduleLength[s];
        if (mode == ComparisonMode::StepComparison) {
            hasDisplay[s] = settings.cmpnoflg == 1 && presence == kBothPresent && length >= 0;
            context.preparation.prepareSteps(side, panes.moduleText[s], length, settings,
                                             definitions[s], *module, presence, panes.lines[s],
                                             hasDisplay[s] ? &display[s] : nullptr,
                                             hasDisplay[s] ? &displayLength[s] : nullptr);
        } else {
            context.preparation.prepareCurrentState(side, panes.moduleText[s], length, settings,
                                                    *module, presence, panes.lines[s]);
        }
    };
    if (bothPresent) {
        context.preparation.beforeConcurrentUse(definitions);
        forBothSides(prepare);
    } else {
        prepare(kAfter);
        prepare(kBefore);
    }

    const std::int32_t afterUnits = textUnits(panes, kAfter);
    const std::int32_t beforeUnits = textUnits(panes, kBefore);
    if (afterUnits < 2 || beforeUnits < 2) {
        if (afterUnits >= 2) {
            counts.newSteps = panes.module(kAfter)->actualSteps;
            resetStatuses(panes, LineStatus::Added);
        } else if (beforeUnits >= 2) {
            const std::int32_t steps = panes.module(kBefore)->actualSteps;
            counts.originalSteps = steps;
            counts.deletedSteps = steps;
            resetStatuses(panes, LineStatus::Deleted);
            if (settings.delcflg == 1) {
                counts.changedSteps = steps;
            }
        }
    } else {
        const ModuleDescriptor& after = *panes.module(kAfter);
        const ModuleDescriptor& before = *panes.module(kBefore);
        if (context.sameTexts && mode == ComparisonMode::StepComparison &&
            samePreparedTexts(panes, afterUnits, beforeUnits)) {
            // Every line pairs with itself: nothing changed, nothing deleted, statuses Same.
            setComparedCounts(counts, MatchResult{}, after.actualSteps, before.actualSteps);
        } else {
            const MatchOptions options =
                comparisonOptions(settings, context.resyncChoice, after, definitions[kAfter]);
            ComparisonTexts texts;
            comparisonTexts(panes, context.converter, texts);
            const MatchResult result = matchWithChoice(texts, options, panes, context.progress);
            setComparedCounts(counts, result, after.actualSteps, before.actualSteps);
        }
    }

    // The lists show the display forms, whose lines correspond one to one with the compared ones.
    for (int side = 0; side < kSides; ++side) {
        const auto s = static_cast<std::size_t>(side);
        if (!hasDisplay[s] || displayLength[s] < 0) {
            continue;  // no display form was made: the lists show the compared form
        }
        const auto want = static_cast<std::size_t>(std::max(displayLength[s], 0));
        ModuleText& text = panes.moduleText[s];
        // Keep a terminating NUL behind the text.
        auto take = [want](auto& from, auto& to) {
            const std::size_t units = std::min(want, from.size());
            from.resize(units);
            from.resize(units + 2, 0);
            to = std::move(from);
            return units;
        };
        const std::size_t units = panes.module(side)->utf16 == 1
                                      ? take(display[s].units, text.units)
                                      : take(display[s].bytes, text.bytes);
        panes.moduleLength[s] = static_cast<std::int32_t>(units);
    }
    return 0;
}

}  // namespace tavelin
