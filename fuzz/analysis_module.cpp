// Runs the whole analysis over arbitrary text with an arbitrary extension definition file, as
// 8-bit text and as UTF-16 units, with arbitrary settings.
//
// Input: 4 setting bytes, then the definition file, then "\n@@\n", then the module text.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "analysis/line_scanner.h"
#include "datafiles/extension_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavelin;
    if (size < 4) {
        return 0;
    }
    const std::string_view all(reinterpret_cast<const char*>(data) + 4, size - 4);
    const std::size_t cut = all.find("\n@@\n");
    const std::string_view defBytes = cut == std::string_view::npos ? all : all.substr(0, cut);
    const std::string_view text =
        cut == std::string_view::npos ? std::string_view{} : all.substr(cut + 4);

    CounterSettings s;
    s.delimit = data[0] % 5;
    s.cmtmlflg = data[0] >> 3 & 1;
    s.noneflg = data[0] >> 4 & 1;
    s.cmpnoflg = data[0] >> 5 & 1;
    s.eofflg = data[0] >> 6 & 1;
    s.allcount = data[0] >> 7 & 1;
    s.preproct = data[1] & 1;
    s.cmtcount = data[1] >> 1 & 1;
    const int presence = 1 + (data[1] >> 2 & 1);
    const int side = data[1] >> 3 & 1;

    static ExtensionTable table;  // large: keep it off the stack
    table = ExtensionTable{};
    ExtensionDefinition def;
    if (parseExtensionDefinition(defBytes, table, 0, s.delimit, def) != 0) {
        def = ExtensionDefinition{};
    }
    // Two slots, so that regions can switch into a definition and into itself.
    table.extensionCount = 2;
    table.definitions[0] = def;
    table.definitions[1] = def;
    table.definitions[1].name = "x";
    std::vector<MacroEntry> macros;
    readMacroList(defBytes, macros);
    FixedMacros provider(macros);
    RuleEnvironment env{&table, &provider, nullptr};

    ModuleDescriptor md;
    md.codeNo = data[2] % 5;
    const std::size_t tableSize = data[3];

    // 8-bit.
    {
        std::vector<unsigned char> buf(text.begin(), text.end());
        auto n = static_cast<std::int32_t>(buf.size());
        LineTable lines(tableSize);
        std::vector<unsigned char> display;
        std::int32_t dn = 0;
        analyseModule(side, buf, n, s, &def, md, presence, &lines, &display, &dn, env);
        if (n < 0 || static_cast<std::size_t>(n) > text.size() + 1 || lines.size() != tableSize) {
            __builtin_trap();
        }
    }
    // UTF-16 units (each byte widened).
    {
        std::vector<char16_t> buf(text.begin(), text.end());
        for (std::size_t i = 0; i + 1 < buf.size(); i += 7) {
            buf[i] = static_cast<char16_t>(buf[i] | (buf[i + 1] << 8));
        }
        auto n = static_cast<std::int32_t>(buf.size());
        LineTable lines(tableSize);
        std::vector<char16_t> display;
        std::int32_t dn = 0;
        analysis::analyseUnits<char16_t>(side, buf, n, s, &def, md, presence, &lines, &display, &dn,
                                         env);
        if (n < 0 || static_cast<std::size_t>(n) > text.size() + 1) {
            __builtin_trap();
        }
    }
    return 0;
}
