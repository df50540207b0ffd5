#include "compare/analysis_preparation.h"

#include "analysis/line_scanner.h"

namespace tavelin {

int AnalysisPreparation::prepareSteps(int side, ModuleText& text, std::int32_t& length,
                                      const CounterSettings& settings,
                                      const ExtensionDefinition* definition,
                                      ModuleDescriptor& module, Presence presence, LineTable& lines,
                                      ModuleText* display, std::int32_t* displayLength) {
    return analyseModule(side, text, length, settings, definition, module, presence, &lines,
                         display, displayLength, env_);
}

int AnalysisPreparation::prepareCurrentState(int, ModuleText& text, std::int32_t& length,
                                             const CounterSettings& settings,
                                             ModuleDescriptor& module, Presence presence,
                                             LineTable& lines) {
    return countModuleAsIs(text, length, settings, module, presence, &lines);
}

}  // namespace tavelin
