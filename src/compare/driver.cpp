#include "compare/driver.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/codepage.h"
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
    const std::size_t unitSize = isWide(panes, side) ? 2 : 1;
    const std::size_t held = panes.moduleText[s].size() / unitSize;
    return static_cast<std::int32_t>(
        std::min(static_cast<std::size_t>(panes.moduleLength[s]), held));
}

std::span<const unsigned char> textBytes(const ModulePanes& panes, int side) {
    const auto s = static_cast<std::size_t>(side);
    const std::size_t unitSize = isWide(panes, side) ? 2 : 1;
    return {panes.moduleText[s].data(),
            static_cast<std::size_t>(textUnits(panes, side)) * unitSize};
}

const ExtensionDefinition* definitionOf(const ExtensionTable& table, const ModuleDescriptor* m) {
    return m == nullptr ? nullptr : table.find(m->extensionNumber);
}

std::span<const unsigned char> asBytes(const std::string& s) {
    return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

}  // namespace

MatchOptions comparisonOptions(const CounterSettings& settings, const ModuleDescriptor& after,
                               const ExtensionDefinition* afterDefinition) {
    MatchOptions o;
    o.resyncCount = settings.nextlchk;
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
        case 1:
            return utf8ToAnsi(text);
        case 3:
            return converter.EucToSJis(text);
        case 4:
            return converter.JisToSJis(text);
        default:
            return std::string(text);
    }
}

std::u16string unitsFromLittleEndian(std::span<const unsigned char> bytes) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return units;
}

ComparisonTexts comparisonTexts(const ModulePanes& panes, const TPzConv& converter) {
    ComparisonTexts t;
    t.wide = isWide(panes, kAfter) || isWide(panes, kBefore);
    std::array<std::string*, kSides> narrow{&t.after8, &t.before8};
    std::array<std::u16string*, kSides> wide{&t.after16, &t.before16};
    for (int side = 0; side < kSides; ++side) {
        const auto s = static_cast<std::size_t>(side);
        const std::span<const unsigned char> bytes = textBytes(panes, side);
        if (isWide(panes, side)) {
            *wide[s] = unitsFromLittleEndian(bytes);
            continue;
        }
        const ModuleDescriptor* m = panes.module(side);
        *narrow[s] = comparisonCopy(bytes, m == nullptr ? 0 : m->codeNo, converter);
        if (t.wide) {
            *wide[s] = ansiToUtf16(*narrow[s]);
            narrow[s]->clear();
        }
    }
    return t;
}

MatchResult matchTexts(const ComparisonTexts& texts, const MatchOptions& options,
                       ModulePanes& panes, MatchProgress* progress) {
    if (texts.wide) {
        return matchModules(std::span<const char16_t>(texts.after16),
                            std::span<const char16_t>(texts.before16), options, panes.lines[kAfter],
                            panes.lines[kBefore], progress);
    }
    return matchModules(asBytes(texts.after8), asBytes(texts.before8), options, panes.lines[kAfter],
                        panes.lines[kBefore], progress);
}

MatchResult matchWithChoice(const ComparisonTexts& texts, MatchOptions options, ModulePanes& panes,
                            MatchProgress* progress, std::int32_t* chosen) {
    if (options.resyncCount != 12) {
        if (chosen != nullptr) {
            *chosen = options.resyncCount;
        }
        return matchTexts(texts, options, panes, progress);
    }
    std::int32_t best = 10;
    std::int32_t bestReused = 0;
    MatchResult last;
    for (std::int32_t trial = 10; trial <= 12; ++trial) {
        options.resyncCount = trial;
        last = matchTexts(texts, options, panes, progress);
        if (last.reused >= bestReused) {
            best = trial;
            bestReused = last.reused;
        }
    }
    if (chosen != nullptr) {
        *chosen = best;
    }
    if (best == 12) {
        return last;
    }
    resetStatuses(panes, 0);
    options.resyncCount = best;
    return matchTexts(texts, options, panes, progress);
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

std::string stepCountsText(const StepCountRecord& counts) {
    std::array<char, 128> buf{};
    std::snprintf(
        buf.data(), buf.size(), "%-6s %6d %-6s %6d %-6s %6d %-6s %6d %-6s %6d", "New",
        static_cast<int>(counts.newSteps), "Original", static_cast<int>(counts.originalSteps),
        "Changed", static_cast<int>(counts.changedSteps), "Re-used",
        static_cast<int>(counts.reusedSteps), "Deleted", static_cast<int>(counts.deletedSteps));
    return std::string(buf.data());
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
    resetLineTables(panes, 0);
    const bool bothPresent = panes.module(kAfter) != nullptr && panes.module(kBefore) != nullptr;
    const int presence = bothPresent ? 1 : 2;

    // Preparation, after module first. In a step comparison of two modules, [CMPNOFLG] keeps a
    // display form of each prepared text, which the lists show instead of the compared form.
    std::array<std::vector<unsigned char>, kSides> display;
    std::array<bool, kSides> hasDisplay{false, false};
    std::array<std::int32_t, kSides> displayLength{-1, -1};  // -1: not written
    for (int side = 0; side < kSides; ++side) {
        const auto s = static_cast<std::size_t>(side);
        ModuleDescriptor* module = panes.module(side);
        if (module == nullptr) {
            continue;
        }
        std::int32_t& length = panes.moduleLength[s];
        if (mode == ComparisonMode::StepComparison) {
            const bool wide = module->utf16 == 1;
            if (settings.cmpnoflg == 1 && presence == 1 && length >= 0) {
                const std::size_t size = wide ? 2 * static_cast<std::size_t>(length) + 4
                                              : static_cast<std::size_t>(length);
                display[s].assign(size, 0);
                hasDisplay[s] = true;
            }
            context.preparation.prepareSteps(
                side, panes.moduleText[s], length, settings,
                definitionOf(context.extensions, module), *module, presence, panes.lines[s],
                hasDisplay[s] ? &display[s] : nullptr, hasDisplay[s] ? &displayLength[s] : nullptr);
        } else {
            context.preparation.prepareCurrentState(side, panes.moduleText[s], length, settings,
                                                    *module, presence, panes.lines[s]);
        }
    }

    const std::int32_t afterUnits = textUnits(panes, kAfter);
    const std::int32_t beforeUnits = textUnits(panes, kBefore);
    if (afterUnits < 2 || beforeUnits < 2) {
        if (afterUnits >= 2) {
            counts.newSteps = panes.module(kAfter)->actualSteps;
            resetStatuses(panes, static_cast<std::uint8_t>(LineStatus::Added));
        } else if (beforeUnits >= 2) {
            const std::int32_t steps = panes.module(kBefore)->actualSteps;
            counts.originalSteps = steps;
            counts.deletedSteps = steps;
            resetStatuses(panes, static_cast<std::uint8_t>(LineStatus::Deleted));
            if (settings.delcflg == 1) {
                counts.changedSteps = steps;
            }
        }
    } else {
        const ModuleDescriptor& after = *panes.module(kAfter);
        const ModuleDescriptor& before = *panes.module(kBefore);
        const MatchOptions options =
            comparisonOptions(settings, after, definitionOf(context.extensions, &after));
        const ComparisonTexts texts = comparisonTexts(panes, context.converter);
        const MatchResult result = matchWithChoice(texts, options, panes, context.progress);
        setComparedCounts(counts, result, after.actualSteps, before.actualSteps);
    }

    // The lists show the display forms, whose lines correspond one to one with the compared ones.
    for (int side = 0; side < kSides; ++side) {
        const auto s = static_cast<std::size_t>(side);
        if (!hasDisplay[s] || displayLength[s] < 0) {
            continue;  // no display form was made: the lists show the compared form
        }
        const std::size_t unitSize = panes.module(side)->utf16 == 1 ? 2 : 1;
        const std::size_t units = std::min(static_cast<std::size_t>(std::max(displayLength[s], 0)),
                                           display[s].size() / unitSize);
        std::vector<unsigned char>& text = panes.moduleText[s];
        text.assign(display[s].begin(),
                    display[s].begin() + static_cast<std::ptrdiff_t>(units * unitSize));
        text.resize(text.size() + 2 * unitSize, 0);  // keep a terminating NUL behind the text
        panes.moduleLength[s] = static_cast<std::int32_t>(units);
    }
    return 0;
}

}  // namespace tavelin
