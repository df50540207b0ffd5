#pragma once
// The driver's preparation through the source analysis: the step-count analysis for a step
// comparison, the light current-state preparation otherwise.

#include "analysis/analysis_environment.h"
#include "compare/driver.h"

namespace tavelin {

class AnalysisPreparation final : public ModulePreparation {
  public:
    // env: the definition table, macro lists and widening the analysis consults; kept by
    // reference for the preparation's lifetime. Its macro provider must allow calls from two
    // threads at once.
    explicit AnalysisPreparation(const RuleEnvironment& env) : env_(env) {}

    int prepareSteps(int side, ModuleText& text, std::int32_t& length,
                     const CounterSettings& settings, const ExtensionDefinition* definition,
                     ModuleDescriptor& module, Presence presence, LineTable& lines,
                     ModuleText* display, std::int32_t* displayLength) override;
    int prepareCurrentState(int side, ModuleText& text, std::int32_t& length,
                            const CounterSettings& settings, ModuleDescriptor& module,
                            Presence presence, LineTable& lines) override;

  private:
    const RuleEnvironment& env_;
};

}  // namespace tavelin
