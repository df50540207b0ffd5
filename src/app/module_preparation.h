#pragma once
// The program's rule environment (region targets from the definition table, macros loaded on
// demand) and the comparison's preparation through the source analysis that uses it.

#include <string>

#include "analysis/processing_views.h"
#include "compare/analysis_preparation.h"

namespace tavelin {

class ProgramPreparation {
  public:
    ProgramPreparation(ExtensionTable& table, const CounterSettings& settings, DataFolders folders)
        : macros_(table, settings, std::move(folders)),
          env_(programRuleEnvironment(table, &macros_)),
          preparation_(env_, macros_) {}
    ProgramPreparation(const ProgramPreparation&) = delete;
    ProgramPreparation& operator=(const ProgramPreparation&) = delete;

    // What the comparison driver calls to prepare each module.
    ModulePreparation& modules() { return preparation_; }
    // The environment the processing views use too.
    const RuleEnvironment& environment() const { return env_; }

  private:
    // Re-reads the macro lists for every comparison, before the two sides run concurrently.
    class Preparation final : public ModulePreparation {
      public:
        Preparation(const RuleEnvironment& env, LoaderMacros& macros)
            : analysis_(env), macros_(macros) {}
        int prepareSteps(int side, ModuleText& text, std::int32_t& length,
                         const CounterSettings& settings, const ExtensionDefinition* definition,
                         ModuleDescriptor& module, Presence presence, LineTable& lines,
                         ModuleText* display, std::int32_t* displayLength) override {
            return analysis_.prepareSteps(side, text, length, settings, definition, module,
                                          presence, lines, display, displayLength);
        }
        int prepareCurrentState(int side, ModuleText& text, std::int32_t& length,
                                const CounterSettings& settings, ModuleDescriptor& module,
                                Presence presence, LineTable& lines) override {
            return analysis_.prepareCurrentState(side, text, length, settings, module, presence,
                                                 lines);
        }
        void beforeConcurrentUse(std::span<const ExtensionDefinition* const>) override {
            macros_.forget();
        }

      private:
        AnalysisPreparation analysis_;
        LoaderMacros& macros_;
    };

    LoaderMacros macros_;
    RuleEnvironment env_;
    Preparation preparation_;
};

}  // namespace tavelin
