#include "analysis/line_scanner.h"

namespace tavelin {

std::vector<char16_t> unitsFromBytes(const std::vector<unsigned char>& bytes) {
    std::vector<char16_t> units(bytes.size() / 2);
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return units;
}

void unitsToBytes(const std::vector<char16_t>& units, std::vector<unsigned char>& bytes) {
    if (bytes.size() < units.size() * 2) {
        bytes.resize(units.size() * 2);
    }
    for (std::size_t i = 0; i < units.size(); ++i) {
        bytes[2 * i] = static_cast<unsigned char>(units[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<unsigned char>(units[i] >> 8);
    }
}

int analyseModule(int side, std::vector<unsigned char>& text, std::int32_t& length,
                  const CounterSettings& settings, const ExtensionDefinition* def,
                  ModuleDescriptor& module, int presence, LineTable* lines,
                  std::vector<unsigned char>* display, std::int32_t* displayLength,
                  const RuleEnvironment& env) {
    if (module.utf16 != 1) {
        analysis::analyseUnits<unsigned char>(side, text, length, settings, def, module, presence,
                                              lines, display, displayLength, env);
        return 0;
    }
    std::vector<char16_t> units = unitsFromBytes(text);
    std::vector<char16_t> displayUnits;
    analysis::analyseUnits<char16_t>(side, units, length, settings, def, module, presence, lines,
                                     display != nullptr ? &displayUnits : nullptr, displayLength,
                                     env);
    unitsToBytes(units, text);
    if (display != nullptr) {
        display->clear();
        unitsToBytes(displayUnits, *display);
    }
    return 0;
}

int countModuleAsIs(std::vector<unsigned char>& text, std::int32_t& length,
                    const CounterSettings& settings, ModuleDescriptor& module, int presence,
                    LineTable* lines) {
    (void)lines;  // the current-state variant never touches the line table
    if (module.utf16 != 1) {
        analysis::countUnitsAsIs<unsigned char>(text, length, settings, module, presence);
        return 0;
    }
    std::vector<char16_t> units = unitsFromBytes(text);
    analysis::countUnitsAsIs<char16_t>(units, length, settings, module, presence);
    unitsToBytes(units, text);
    return 0;
}

}  // namespace tavelin
