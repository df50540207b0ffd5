// Counts the steps of source files the way a Preprocessing run does, for comparing the bundled
// language definitions with other line counters.
//
// Usage: bench_languages_accuracy <program folder> [--text] < file-list
// The program folder holds "vaelsyst.dat" and the definition files it lists. Every input line
// is a path; every output line is "<actualSteps>\t<path>", or "-\t<path>\t<reason>" for a file
// that is not counted (no definition for its extension, unreadable, UTF-16 or binary). With
// --text the counted text of each file follows its line, to see what the rules left.

#include <cstdint>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/analysis_environment.h"
#include "analysis/line_scanner.h"
#include "datafiles/counter_settings.h"
#include "datafiles/extension_loader.h"
#include "datafiles/extension_table.h"
#include "datafiles/records.h"

namespace {

using namespace tavelin;

bool readAll(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

std::string lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

// The definition slot for a path's extension, compared without regard to case, or -1.
int slotFor(const ExtensionTable& table, const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot + 1 == path.size()) {
        return -1;
    }
    const std::string ext = lower(path.substr(dot + 1));
    for (int i = 0; i < table.extensionCount; ++i) {
        if (lower(table.definitions[static_cast<std::size_t>(i)].name) == ext) {
            return i;
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || (argc == 3 && std::string(argv[2]) != "--text")) {
        std::cerr << "usage: " << argv[0] << " <program folder> [--text] < file-list\n";
        return 2;
    }
    const bool showText = argc == 3;
    const std::string folder = argv[1];
    CounterSettings settings;
    std::string settingsBytes;
    if (!readAll(folder + "/vaelsyst.dat", settingsBytes) ||
        readCounterSettings(settings, settingsBytes, folder) != 0) {
        std::cerr << "cannot read " << folder << "/vaelsyst.dat\n";
        return 1;
    }
    static ExtensionTable table;  // large: keep it off the stack
    if (loadExtensionDefinitions(table, settings, folder) != 0) {
        std::cerr << "warning: a definition file failed to load\n";
    }
    FixedMacros noMacros;
    RuleEnvironment env;
    env.table = &table;
    env.macros = &noMacros;

    std::string path;
    while (std::getline(std::cin, path)) {
        if (path.empty()) {
            continue;
        }
        const int slot = slotFor(table, path);
        std::string bytes;
        if (slot < 0) {
            std::cout << "-\t" << path << "\tno definition\n";
            continue;
        }
        if (!readAll(path, bytes)) {
            std::cout << "-\t" << path << "\tunreadable\n";
            continue;
        }
        if (bytes.find('\0') != std::string::npos) {
            std::cout << "-\t" << path << "\tbinary or UTF-16\n";
            continue;
        }
        // As a file opened by hand: a missing final line end is supplied in memory.
        if (bytes.empty() || (bytes.back() != '\n' && bytes.back() != '\r')) {
            bytes.push_back('\n');
        }
        std::vector<unsigned char> text(bytes.begin(), bytes.end());
        auto length = static_cast<std::int32_t>(text.size());
        text.resize(text.size() + 10, 0);
        ModuleDescriptor module;
        module.extensionNumber = static_cast<std::int16_t>(slot);
        module.codeNo = 1;  // the files measured are UTF-8 or ASCII
        const ExtensionDefinition* def = table.find(slot);
        analyseModule(0, text, length, settings, def, module, 2, nullptr, nullptr, nullptr, env);
        std::cout << module.actualSteps << '\t' << path << '\n';
        if (showText) {
            std::cout.write(reinterpret_cast<const char*>(text.data()), length);
            std::cout << "\n";
        }
    }
    return 0;
}
