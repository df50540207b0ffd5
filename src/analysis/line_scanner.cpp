#include "analysis/line_scanner.h"

namespace tavelin {

int analyseModule(int side, ModuleText& text, std::int32_t& length, const CounterSettings& settings,
                  const ExtensionDefinition* def, ModuleDescriptor& module, int presence,
                  LineTable* lines, ModuleText* display, std::int32_t* displayLength,
                  const RuleEnvironment& env) {
    if (module.utf16 != 1) {
        analysis::analyseUnits<unsigned char>(
            side, text.bytes, length, settings, def, module, presence, lines,
            display != nullptr ? &display->bytes : nullptr, displayLength, env);
        return 0;
    }
    analysis::analyseUnits<char16_t>(side, text.units, length, settings, def, module, presence,
                                     lines, display != nullptr ? &display->units : nullptr,
                                     displayLength, env);
    return 0;
}

int countModuleAsIs(ModuleText& text, std::int32_t& length, const CounterSettings& settings,
                    ModuleDescriptor& module, int presence, LineTable* lines) {
    (void)lines;  // the current-state variant never touches the line table
    if (module.utf16 != 1) {
        analysis::countUnitsAsIs<unsigned char>(text.bytes, length, settings, module, presence);
    } else {
        analysis::countUnitsAsIs<char16_t>(text.units, length, settings, module, presence);
    }
    return 0;
}

int analyseModule(int side, std::vector<unsigned char>& text, std::int32_t& length,
                  const CounterSettings& settings, const ExtensionDefinition* def,
                  ModuleDescriptor& module, int presence, LineTable* lines,
                  std::vector<unsigned char>* display, std::int32_t* displayLength,
                  const RuleEnvironment& env) {
    analysis::analyseUnits<unsigned char>(side, text, length, settings, def, module, presence,
                                          lines, display, displayLength, env);
    return 0;
}

int countModuleAsIs(std::vector<unsigned char>& text, std::int32_t& length,
                    const CounterSettings& settings, ModuleDescriptor& module, int presence,
                    LineTable* lines) {
    (void)lines;
    analysis::countUnitsAsIs<unsigned char>(text, length, settings, module, presence);
    return 0;
}

}  // namespace tavelin
