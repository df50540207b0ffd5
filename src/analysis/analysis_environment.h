#pragma once
// What the analysis passes take besides the text: the settings they read and the outside
// services they consult (the definition table for embedded-language regions, the macro lists,
// and the conversion of definition strings to UTF-16).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/extension_definition.h"
#include "datafiles/extension_table.h"

namespace tavelin {

// Settings a single pass reads.
struct PassOptions {
    int delimit = 0;   // [DELIMIT]
    int cmtmlflg = 0;  // [CMTMLFLG]: 1 allows nested comments (16 levels), 0 one level
    int codeNo = 0;    // 8-bit text only: 0 ANSI, 1 UTF-8, 2 Shift-JIS, 3 EUC-JP, 4 JIS
};

// Gives the [MACRO] list of a definition slot. The program wires it to the loader's on-demand
// macro table; tests give lists directly.
class MacroProvider {
  public:
    virtual ~MacroProvider() = default;
    // The macro rows of the slot, in file order. Called before every lookup; the returned list
    // stays valid until the next call.
    virtual const std::vector<MacroEntry>& macrosFor(int slot) = 0;
};

// A provider that always hands out the same list (tests, benchmarks).
class FixedMacros final : public MacroProvider {
  public:
    FixedMacros() = default;
    explicit FixedMacros(std::vector<MacroEntry> rows) : rows_(std::move(rows)) {}
    const std::vector<MacroEntry>& macrosFor(int) override { return rows_; }
    std::vector<MacroEntry>& rows() { return rows_; }

  private:
    std::vector<MacroEntry> rows_;
};

// System code page bytes to UTF-16 units. Without one, bytes are widened one by one, which is
// exact for ASCII.
using WidenFunction = std::u16string (*)(std::string_view);

struct RuleEnvironment {
    const ExtensionTable* table = nullptr;  // region targets; none: regions never switch
    MacroProvider* macros = nullptr;        // none: no macro is defined
    WidenFunction widen = nullptr;
    // Lets the comment pass take the comments from the preprocessor's walk where that gives the
    // same result; tests turn it off to compare both ways.
    bool reuseCommentWalk = true;
    // Lets the white-space pass take the units a block at a time where the rules allow it; tests
    // turn it off to compare with the walk from token to token.
    bool spaceBlocks = true;
};

}  // namespace tavelin
