#pragma once
// The program's rule environment (region targets from the definition table, macros loaded on
// demand) and the comparison's preparation through the source analysis that uses it.

#include <string>

#include "analysis/processing_views.h"
#include "compare/analysis_preparation.h"

namespace tavelin {

class ProgramPreparation {
  public:
    ProgramPreparation(ExtensionTable& table, const CounterSettings& settings,
                       std::string programFolder)
        : macros_(table, settings, std::move(programFolder)),
          env_(programRuleEnvironment(table, &macros_)),
          preparation_(env_) {}
    ProgramPreparation(const ProgramPreparation&) = delete;
    ProgramPreparation& operator=(const ProgramPreparation&) = delete;

    // What the comparison driver calls to prepare each module.
    ModulePreparation& modules() { return preparation_; }
    // The environment the processing views use too.
    const RuleEnvironment& environment() const { return env_; }

  private:
    LoaderMacros macros_;
    RuleEnvironment env_;
    AnalysisPreparation preparation_;
};

}  // namespace tavelin
