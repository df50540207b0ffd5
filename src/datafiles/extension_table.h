#pragma once
// The table of loaded extension definitions and the macro table that holds the [MACRO] list of
// one extension at a time.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "datafiles/extension_definition.h"

namespace tavelin {

// The extension number of a module that no definition fits, opened in the stand-alone edition
// with the plain-text rules: no comments, no literals, every line that holds more than white
// space is a step. No slot has this number, so the analysis finds no rules for it.
inline constexpr std::int32_t kPlainTextRules = -1;

struct ExtensionTable {
    // Slots 0..extensionCount-1 hold the loaded definitions, in [EXTFILE] list order.
    std::array<ExtensionDefinition, kMaxExtensions> definitions;
    std::int32_t extensionCount = 0;

    // The [MACRO] list of the extension macroTableOwner (-1: none).
    std::vector<MacroEntry> macroTable;
    std::int16_t macroTableOwner = -1;

    // The definition of a slot, or nullptr when the slot is outside the loaded table. Callers
    // treat nullptr as a definition without rules.
    const ExtensionDefinition* find(std::int32_t slot) const {
        if (slot < 0 || slot >= extensionCount || slot >= kMaxExtensions) {
            return nullptr;
        }
        return &definitions[static_cast<std::size_t>(slot)];
    }
};

}  // namespace tavelin
