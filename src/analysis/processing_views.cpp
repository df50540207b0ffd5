#include "analysis/processing_views.h"

#include <span>

#include "analysis/line_scanner.h"
#include "datafiles/extension_loader.h"
#include "platform/codepage.h"
#include "text/line_tables.h"
#include "text/module_loader.h"

namespace tavelin {

namespace {

using analysis::SpaceMode;

template <class U>
void applyView(int index, int side, std::vector<U>& text, std::int32_t& length,
               const CounterSettings& s, const ExtensionDefinition* def, int codeNo,
               SpaceMode spaceMode, LineTable& lines, const RuleEnvironment& env) {
    analysis::prepareBuffer(text, length);
    const std::span<U> span(text.data(), static_cast<std::size_t>(length));
    const PassOptions opt{s.delimit, s.cmtmlflg, codeNo};
    analysis::removeByteOrderMark(span);
    if (s.delimit == text::kDelimitMixed) {
        analysis::normaliseLineEnds(span);
    }
    switch (index) {
        case kViewNoCountAreas:
            analysis::deleteNoCountAreas(span, def, opt, env);
            break;
        case kViewDelimiters:
            analysis::removeEmptyLines(span, s.delimit, &lines);
            length = analysis::compact(span);
            break;
        case kViewNumberValues:
            if (def != nullptr && def->leadingNumbers == 1) {
                analysis::deleteLeadingNumbers(span, s.delimit);
            }
            break;
        case kViewComments:
            analysis::deleteComments(span, def, opt, env);
            break;
        case kViewSpaces:
            analysis::deleteSpaces(span, def, opt, spaceMode, env);
            break;
        case kViewPreprocessor:
            analysis::deletePreprocessor(side, span, def, opt, env);
            break;
        case kViewDeleteStrings:
            analysis::deleteListedStrings(span, def, opt, env);
            break;
        case kViewLeadingBytes:
            if (def != nullptr && def->deleteLeadingBytes > 0) {
                analysis::deleteLeadingBytes(span, s.delimit, def->deleteLeadingBytes);
            }
            break;
        default:
            break;
    }
}

std::int32_t unitsHeld(const ModulePanes& panes, int side) {
    const auto sd = static_cast<std::size_t>(side);
    if (!panes.hasBuffer[sd]) {
        return 0;
    }
    return panes.moduleLength[sd];
}

}  // namespace

std::optional<ReloadResult> runProcessingView(int index, ModulePanes& panes,
                                              const CounterSettings& settings,
                                              const ExtensionTable& table,
                                              const RuleEnvironment& env) {
    const bool known =
        index == kViewPreprocessing || (index >= kViewNoCountAreas && index <= kViewLeadingBytes);
    if (!known) {
        return std::nullopt;
    }
    ReloadResult result;
    if (index == kViewPreprocessing) {
        result = reloadBothModules(panes, settings);
    }
    resetLineTables(panes, LineStatus::Same);
    const SpaceMode spaceMode =
        (unitsHeld(panes, 0) > 1 && unitsHeld(panes, 1) > 1 && settings.cmpnoflg == 1)
            ? SpaceMode::Full
            : SpaceMode::Trailing;
    for (int side = 0; side < kSides; ++side) {
        const auto sd = static_cast<std::size_t>(side);
        ModuleDescriptor& md = panes.descriptors[sd];
        const ExtensionDefinition* def = table.find(md.extensionNumber);
        ModuleText& text = panes.moduleText[sd];
        std::int32_t& length = panes.moduleLength[sd];
        if (index == kViewPreprocessing) {
            if (panes.present[sd] && panes.hasBuffer[sd]) {
                analyseModule(side, text, length, settings, def, md, 2, &panes.lines[sd], nullptr,
                              nullptr, env);
            }
            continue;
        }
        if (unitsHeld(panes, side) <= 1) {
            continue;
        }
        if (md.utf16 == 1) {
            applyView<char16_t>(index, side, text.units, length, settings, def, md.codeNo,
                                spaceMode, panes.lines[sd], env);
        } else {
            applyView<unsigned char>(index, side, text.bytes, length, settings, def, md.codeNo,
                                     spaceMode, panes.lines[sd], env);
        }
    }
    return result;
}

const std::vector<MacroEntry>& LoaderMacros::macrosFor(int slot) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto kept = lists_.find(slot);
    if (kept != lists_.end()) {
        return kept->second;
    }
    ensureMacros(table_, settings_, folders_, slot);
    std::vector<MacroEntry>& list = lists_[slot];
    if (table_.macroTableOwner == slot && slot >= 0) {
        list = table_.macroTable;
    }
    return list;
}

void LoaderMacros::forget() {
    const std::lock_guard<std::mutex> lock(mutex_);
    lists_.clear();
}

RuleEnvironment programRuleEnvironment(const ExtensionTable& table, MacroProvider* macros) {
    RuleEnvironment env;
    env.table = &table;
    env.macros = macros;
    env.widen = &ansiToUtf16;
    return env;
}

}  // namespace tavelin
