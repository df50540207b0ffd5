#pragma once
// The comparison's preparation of a module text, done by the source analysis with the program's
// rule environment (region targets from the definition table, macros loaded on demand).

#include <string>

#include "analysis/processing_views.h"
#include "compare/driver.h"

namespace tavelin {

class ProgramPreparation final : public ModulePreparation {
  public:
    ProgramPreparation(ExtensionTable& table, const CounterSettings& settings,
                       std::string programFolder)
        : macros_(table, settings, std::move(programFolder)),
          env_(programRuleEnvironment(table, &macros_)) {}
    ProgramPreparation(const ProgramPreparation&) = delete;
    ProgramPreparation& operator=(const ProgramPreparation&) = delete;

    int prepareSteps(int side, std::vector<unsigned char>& text, std::int32_t& length,
                     const CounterSettings& settings, const ExtensionDefinition* definition,
                     ModuleDescriptor& module, int presence, LineTable& lines,
                     std::vector<unsigned char>* display, std::int32_t* displayLength) override;
    int prepareCurrentState(int side, std::vector<unsigned char>& text, std::int32_t& length,
                            const CounterSettings& settings, ModuleDescriptor& module, int presence,
                            LineTable& lines) override;

    // The environment the processing views use too.
    const RuleEnvironment& environment() const { return env_; }

  private:
    LoaderMacros macros_;
    RuleEnvironment env_;
};

}  // namespace tavelin
