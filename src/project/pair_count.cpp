#include "project/pair_count.h"

#include "analysis/processing_views.h"
#include "compare/analysis_preparation.h"
#include "compare/driver.h"
#include "output/html_report.h"
#include "platform/messages.h"
#include "text/module_loader.h"
#include "text/pz_conv.h"

namespace tavelin::project {

PairCounts countPair(const CountSetup& setup, const PairInput& input, PairDetail* detail) {
    PairDetail local;
    ModulePanes& panes = detail != nullptr ? detail->panes : local.panes;
    panes = ModulePanes{};
    const CounterSettings& settings = setup.counter;

    // The open of a file named on the command line, from the bytes held.
    TextsRead justRead{false, false};
    HeldFiles held;
    for (int side = 0; side < kSides; ++side) {
        const auto s = static_cast<std::size_t>(side);
        if (input.names[s].empty()) {
            continue;
        }
        held[s] = input.bytes[s];
        const int index =
            definitionForName(setup, input.paths[s].empty() ? input.names[s] : input.paths[s]);
        if (index < 0) {
            continue;
        }
        justRead[s] = openModuleFile(panes, side, input.names[s], index, settings, false,
                                     input.bytes[s]) == kLoadOk;
    }
    // The first activation's buffers and tables, the reload, the step comparison.
    allocateTextBuffers(panes, justRead);
    allocateLineRecords(panes);
    reloadBothModules(panes, settings, justRead, held);

    // The analysis environment: region targets from the table, the preloaded macro lists (never
    // changed by a lookup), definition strings widened through the system code page.
    const RuleEnvironment env =
        programRuleEnvironment(setup.extensions, const_cast<PreloadedMacros*>(&setup.macros));
    AnalysisPreparation preparation(env);
    const TPzConv converter;
    PairCounts out;
    ComparisonContext context{panes,       settings, setup.extensions,   converter,      out.counts,
                              preparation, nullptr,  setup.resyncChoice, input.sameBytes};
    runComparison(ComparisonMode::StepComparison, context);

    for (int side = 0; side < kSides; ++side) {
        const auto s = static_cast<std::size_t>(side);
        const ModuleDescriptor* m = panes.module(side);
        out.opened[s] = m != nullptr;
        if (m != nullptr) {
            out.steps[s] = m->actualSteps;
            out.utf16[s] = m->utf16;
            out.codeNo[s] = m->codeNo;
        }
    }
    if (out.steps[kAfter] > 0 && out.steps[kBefore] >= 0) {
        const LineTable& lines = panes.lines[kAfter];
        const auto n =
            std::min<std::size_t>(lines.size(), static_cast<std::size_t>(out.steps[kAfter]));
        for (std::size_t i = 0; i < n; ++i) {
            out.matchedSteps += shownStatus(lines[i].status) == LineStatus::Same ? 1 : 0;
        }
    }
    return out;
}

int writePairReport(const CountSetup& setup, PairDetail& detail, const StepCountRecord& counts,
                    const std::string& path) {
    const CounterSettings& cs = setup.counter;
    const ViewerSettings& vs = setup.viewer;
    // The lists as the first activation leaves them after the automatic step comparison.
    CodeListModels lists;
    lists.tabWidth = setup.tabWidth;
    DisplayOptions options;
    options.listPosition = vs.listPosition();
    options.tabWidth = setup.tabWidth;
    options.viewState = ViewState::Comparison;
    refreshLists(lists, detail.panes, cs, options, counts);
    const ExtraColumnNames extra = loadExtraColumnNames(cs);
    WarningList left;
    WarningList right;
    prepareWarningList(left, extra, cs);
    prepareWarningList(right, extra, cs);
    loadWarningLists(left, right, detail.panes.module(kAfter), detail.panes.module(kBefore), cs,
                     vs.listPosition());
    const ReportInputs in =
        reportInputsFor(lists, detail.panes, left, right, cs, vs, extra, counts);
    SilentMessages quiet;
    return writeHtmlReport(path, in, true, quiet);
}

}  // namespace tavelin::project
