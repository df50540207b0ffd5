#pragma once
// One module pair counted as the viewer's unattended run counts it: the same loading, encoding
// detection, analysis and comparison driver with the same matcher option, from file bytes held
// in memory. A plain function of the setup and the two files: any number of threads may count
// pairs at once over one setup.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "datafiles/module_panes.h"
#include "datafiles/records.h"
#include "display/code_lists.h"
#include "project/count_setup.h"
#include "warnings/warning_list.h"

namespace tavelin::project {

struct PairInput {
    // The names the modules go by (side 0 after, side 1 before): the language is chosen by the
    // file name, and the report heading shows the name. An empty name is an absent module.
    std::array<std::string, kSides> names;
    // The paths the definitions are chosen by, when they differ from the names (a repository's
    // "REV:path" names); empty: the names.
    std::array<std::string, kSides> paths;
    // The whole files' bytes of the present modules.
    std::array<std::span<const unsigned char>, kSides> bytes;
    // Both files hold the same bytes: the matcher is not run when the prepared texts agree.
    bool sameBytes = false;
};

struct PairCounts {
    StepCountRecord counts;
    // The counted steps of each side (the analysis' actual steps); -1 for an absent module.
    std::array<std::int32_t, kSides> steps{-1, -1};
    // The after module's counted lines that the comparison paired with a before line.
    std::int32_t matchedSteps = 0;
    // Whether each named module was opened (false: no definition, or an empty file, which the
    // viewer leaves out of the comparison as it does).
    std::array<bool, kSides> opened{false, false};
    std::array<std::uint8_t, kSides> utf16{0, 0};
    std::array<std::uint8_t, kSides> codeNo{0, 0};
};

// What a comparison leaves for its report: the panes with the compared texts and line tables.
struct PairDetail {
    ModulePanes panes;
};

// Counts one pair. `detail`, when given, keeps the compared panes for a report.
PairCounts countPair(const CountSetup& setup, const PairInput& input, PairDetail* detail = nullptr);

// Writes the viewer's HTML comparison report of a counted pair (the four lists as the unattended
// run shows them, the same bytes). Returns 0, or -1 when the file could not be written.
int writePairReport(const CountSetup& setup, PairDetail& detail, const StepCountRecord& counts,
                    const std::string& path);

}  // namespace tavelin::project
