#pragma once
// Fixture files for the controller and end-to-end tests: a small C language definition, two
// versions of a C file, warning files and settings, all made in code.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/counter_settings.h"
#include "support/data_file_writer.h"
#include "support/extension_writer.h"
#include "support/settings_writer.h"
#include "temp_folder.h"

namespace tavelin::apptest {

// The C rules: line and block comments, two string forms, #ifdef blocks decided by the macro
// list (USE_CACHE defined), #include and #define as one-line directives.
inline test::ExtensionWriter cDefinition() {
    test::ExtensionWriter c("c");
    c.lineComment("//")
        .blockComment("/*", "*/")
        .stringRule("\"", "\"", "\\")
        .stringRule("'", "'", "\\")
        .prepro({"#ifdef", "#else", "#endif"}, {1, 0, 0})
        .prepro({"#include"})
        .prepro({"#define"})
        .macro("USE_CACHE", 1);
    return c;
}

// The version after the change: a changed comment, a changed condition, an inserted
// preprocessor block, a changed call; the report function of the old version is gone.
inline constexpr std::string_view kAfterC =
    "/* inventory.c: stock counting */\n"  // 1
    "#include <stdio.h>\n"
    "\n"
    "#define LIMIT 10\n"
    "\n"  // 5
    "static int count_items(const int *items, int n)\n"
    "{\n"
    "\tint total = 0;\t/* running total */\n"
    "\tfor (int i = 0; i < n; ++i) {\n"
    "\t\tif (items[i] > LIMIT && items[i] < 1000) {\n"  // 10
    "\t\t\ttotal += items[i];\n"
    "\t\t}\n"
    "\t}\n"
    "\treturn total;\n"
    "}\n"  // 15
    "\n"
    "#ifdef USE_CACHE\n"
    "static int cache[16];\n"
    "#else\n"
    "static int *cache = NULL;\n"  // 20
    "#endif\n"
    "\n"
    "int main(void)\n"
    "{\n"
    "\tint items[] = {1, 20, 30};\n"  // 25
    "\tprintf(\"%d <items>\\n\", count_items(items, 3));\n"
    "\treturn 0;\n"
    "}\n";

inline constexpr std::string_view kBeforeC =
    "/* inventory.c: stock counting\n"  // 1
    " * first version */\n"
    "#include <stdio.h>\n"
    "\n"
    "#define LIMIT 10\n"  // 5
    "\n"
    "static int count_items(const int *items, int n)\n"
    "{\n"
    "\tint total = 0;\n"
    "\tfor (int i = 0; i < n; ++i) {\n"  // 10
    "\t\tif (items[i] > LIMIT) {\n"
    "\t\t\ttotal += items[i];\n"
    "\t\t}\n"
    "\t}\n"
    "\treturn total;\n"  // 15
    "}\n"
    "\n"
    "static void report(int total)\n"
    "{\n"
    "\tprintf(\"total %d\\n\", total);\n"  // 20
    "}\n"
    "\n"
    "int main(void)\n"
    "{\n"
    "\tint items[] = {1, 20, 30};\n"  // 25
    "\treport(count_items(items, 3));\n"
    "\treturn 0;\n"
    "}\n";

// Byte offsets of the start of a 1-based line and of the last byte of another.
inline std::int32_t lineStart(std::string_view text, int line) {
    std::size_t pos = 0;
    for (int l = 1; l < line && pos != std::string_view::npos; ++l) {
        pos = text.find('\n', pos);
        pos = pos == std::string_view::npos ? pos : pos + 1;
    }
    return pos == std::string_view::npos ? -1 : static_cast<std::int32_t>(pos);
}
inline std::int32_t lineEnd(std::string_view text, int line) {
    return lineStart(text, line + 1) - 1;
}

// Warning files: a header line, then file, line, code, message and severity.
inline constexpr std::string_view kWarningHeader = "File,Line,Code,Message,Severity";
inline constexpr std::string_view kAfterWarnings =
    "File,Line,Code,Message,Severity\n"
    "after.c,10,W101,Comparison with a magic number,low\n"
    "AFTER.C,26,W205,printf format <check> & argument,medium\n"
    "other.c,10,W101,Another file,low\n";
inline constexpr std::string_view kBeforeWarnings =
    "File,Line,Code,Message,Severity\n"
    "before.c,20,W310,Function could be inline,low\n"
    "before.c,11,W101,Comparison with a magic number,low\n";

// The counter settings both modes share: mixed line ends, comments and directives removed, the
// automatic choice of the confirmation lines, the C definition in the program folder.
inline CounterSettings baseCounterSettings() {
    CounterSettings s;
    s.delimit = 3;
    s.noneflg = 1;
    s.eofflg = 1;
    s.nextlchk = 12;
    s.preproct = 0;
    s.extFileCount = 1;
    s.extFiles[0].path = "c.def";
    return s;
}

// The warning columns of the files above; the files themselves are named by the caller.
inline void withWarningColumns(CounterSettings& s) {
    s.csvhdstr = std::string(kWarningHeader);
    s.csvpatno = 1;
    s.csvlinno = 2;
    s.csvdatno = 3;
    s.csvdscno = 4;
    s.csvext1no = 5;
}

// "vaelsyst.dat" text for the settings above (stand-alone mode reads it).
inline testing::SettingsFileWriter counterSettingsFile(const CounterSettings& s) {
    testing::SettingsFileWriter w;
    w.integer("[DELIMIT]", s.delimit)
        .integer("[NONEFLG]", s.noneflg)
        .integer("[EOFFLG]", s.eofflg)
        .integer("[NEXTLCHK]", s.nextlchk)
        .integer("[PREPROCT]", s.preproct)
        .integer("[CSVPATNO]", s.csvpatno)
        .integer("[CSVLINNO]", s.csvlinno)
        .integer("[CSVDATNO]", s.csvdatno)
        .integer("[CSVDSCNO]", s.csvdscno)
        .integer("[CSVEXT1NO]", s.csvext1no);
    if (!s.csvhdstr.empty()) {
        w.text("[CSVHDSTR]", s.csvhdstr);
    }
    if (!s.csvapath.empty()) {
        w.text("[CSVAPATH]", s.csvapath);
    }
    if (!s.csvbpath.empty()) {
        w.text("[CSVBPATH]", s.csvbpath);
    }
    if (!s.outpath.empty()) {
        w.text("[OUTPATH]", s.outpath);
    }
    std::vector<std::string> files;
    for (std::int32_t i = 0; i < s.extFileCount; ++i) {
        files.push_back(s.extFiles[static_cast<std::size_t>(i)].path);
    }
    w.fileList("[EXTFILE]", files);
    return w;
}

// A program folder with the C definition, "vaelsyst.dat" from `s` and both module files.
inline void writeStandAloneFolder(const TempFolder& folder, const CounterSettings& s) {
    cDefinition().writeTo(folder.file("c.def"));
    counterSettingsFile(s).writeTo(folder.file("vaelsyst.dat"));
    folder.write("after.c", std::string(kAfterC));
    folder.write("before.c", std::string(kBeforeC));
}

// A data file "data.dat" in the folder that describes its after.c and before.c whole, with the
// base counter settings (the folder must hold them: writeStandAloneFolder).
inline bool writeDataFileFolder(const TempFolder& folder) {
    testing::DataFileContent content;
    content.settings = baseCounterSettings();
    const std::string_view texts[2] = {kAfterC, kBeforeC};
    const char* names[2] = {"after.c", "before.c"};
    for (std::size_t s = 0; s < 2; ++s) {
        ModuleDescriptor& d = content.modules[s];
        d.path = folder.file(names[s]);
        d.endPosition = static_cast<std::int32_t>(texts[s].size()) - 1;
        d.lineNumber = 1;
        d.totalSteps = 28;
        content.presence[s] = 1;
    }
    return testing::writeDataFile(folder.file("data.dat"), content);
}

}  // namespace tavelin::apptest
