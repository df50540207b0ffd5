// Throughput of the whole 8-bit analysis on a large generated C text with the bundled C
// definition, next to `wc -l` and `cloc` on the same file in the same run.
//
//   bench_analysis_throughput [megabytes] [definition file]
//
// Prints MB/s for each. The text is written to a temporary file so that the outside tools read
// the same bytes.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/line_scanner.h"
#include "datafiles/extension_loader.h"

namespace {

std::string generateC(std::size_t bytes) {
    std::mt19937 rng(12345);
    std::ostringstream out;
    const char* idents[] = {"count", "value", "buffer", "index", "result", "node", "length"};
    std::size_t fn = 0;
    while (static_cast<std::size_t>(out.tellp()) < bytes) {
        out << "/*\n * Function " << fn << ": does things with " << idents[rng() % 7] << ".\n */\n";
        out << "#ifdef FEATURE_" << fn % 5 << "\n#include \"feature.h\"\n#endif\n";
        out << "static int function_" << fn << "(int " << idents[rng() % 7] << ", char *"
            << idents[rng() % 7] << ")\n{\n";
        const int lines = 8 + static_cast<int>(rng() % 20);
        for (int i = 0; i < lines; ++i) {
            switch (rng() % 6) {
                case 0:
                    out << "    " << idents[rng() % 7] << " = " << idents[rng() % 7] << " + "
                        << rng() % 1000 << ";  // adjust\n";
                    break;
                case 1:
                    out << "    printf(\"value %d: \\\"%s\\\"\\n\", " << idents[rng() % 7]
                        << ", name);\n";
                    break;
                case 2:
                    out << "    if (" << idents[rng() % 7] << " > 'x') {\n        return -1;\n"
                        << "    }\n";
                    break;
                case 3:
                    out << "\n";
                    break;
                case 4:
                    out << "    for (int i = 0; i < " << rng() % 64 << "; ++i) { total += i; }\n";
                    break;
                default:
                    out << "    /* inline note */ call_" << rng() % 100 << "(&" << idents[rng() % 7]
                        << ");\n";
                    break;
            }
        }
        out << "    return 0;\n}\n\n";
        ++fn;
    }
    return out.str();
}

// data/c.def next to this source file.
std::string bundledDefinition() {
    std::string here = __FILE__;
    const std::size_t slash = here.find_last_of('/');
    here = slash == std::string::npos ? "." : here.substr(0, slash);
    return here + "/../data/c.def";
}

double seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

double timeCommand(const std::string& cmd) {
    const auto t0 = std::chrono::steady_clock::now();
    const int rc = std::system(cmd.c_str());
    const auto t1 = std::chrono::steady_clock::now();
    return rc == 0 ? seconds(t0, t1) : -1.0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tavelin;
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 64;
    const std::string defPath = argc > 2 ? argv[2] : bundledDefinition();

    std::ifstream defFile(defPath, std::ios::binary);
    std::stringstream defBytes;
    defBytes << defFile.rdbuf();
    ExtensionTable table;
    ExtensionDefinition def;
    if (parseExtensionDefinition(defBytes.str(), table, 0, 2, def) != 0) {
        std::cerr << "cannot parse " << defPath << "\n";
        return 1;
    }

    const std::string text = generateC(megabytes * 1000000);
    const std::string path = "/tmp/tavelin_bench_analysis.c";
    std::ofstream(path, std::ios::binary) << text;

    CounterSettings settings;
    settings.delimit = 2;
    settings.noneflg = 1;
    FixedMacros macros({MacroEntry{"FEATURE_1", 1, 0}});
    RuleEnvironment env;
    env.macros = &macros;

    double best = 1e9;
    double bestCpu = 1e9;
    ModuleDescriptor md;
    for (int round = 0; round < 3; ++round) {
        std::vector<unsigned char> buf(text.begin(), text.end());
        buf.resize(buf.size() + 4, 0);
        auto n = static_cast<std::int32_t>(text.size());
        LineTable lines(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 2);
        const std::clock_t c0 = std::clock();
        const auto t0 = std::chrono::steady_clock::now();
        analyseModule(0, buf, n, settings, &def, md, 2, &lines, nullptr, nullptr, env);
        const auto t1 = std::chrono::steady_clock::now();
        const std::clock_t c1 = std::clock();
        best = std::min(best, seconds(t0, t1));
        bestCpu = std::min(bestCpu, static_cast<double>(c1 - c0) / CLOCKS_PER_SEC);
    }
    const double mb = static_cast<double>(text.size()) / 1e6;
    std::printf("text: %.1f MB, %d lines, %d steps, %d comment bytes\n", mb, md.totalSteps,
                md.actualSteps, md.commentBytes);
    std::printf("analyseModule: %8.3f s  %8.1f MB/s (CPU time %.3f s, %.1f MB/s)\n", best,
                mb / best, bestCpu, mb / bestCpu);
    const double wc = timeCommand("wc -l " + path + " > /dev/null");
    if (wc > 0) {
        std::printf("wc -l:         %8.3f s  %8.1f MB/s\n", wc, mb / wc);
    }
    const double cloc = timeCommand("cloc --quiet " + path + " > /dev/null 2>&1");
    if (cloc > 0) {
        std::printf("cloc:          %8.3f s  %8.1f MB/s\n", cloc, mb / cloc);
    } else {
        std::printf("cloc: not available\n");
    }
    std::remove(path.c_str());
    return 0;
}
