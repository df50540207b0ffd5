#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "datafiles/extension_loader.h"
#include "support/extension_writer.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;

// A program folder of its own per test, removed afterwards.
class ExtensionFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device rd;
        folder_ = fs::temp_directory_path() / ("tavelin_ext_" + std::to_string(rd()));
        fs::create_directories(folder_);
        program = folder_.string();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    // Writes a definition file into the program folder and lists it in the settings.
    void list(const std::string& fileName, const test::ExtensionWriter& w) {
        ASSERT_TRUE(w.writeTo(program + "/" + fileName));
        listName(fileName);
    }
    void listName(const std::string& fileName) {
        settings.extFiles[static_cast<std::size_t>(settings.extFileCount)].path = fileName;
        ++settings.extFileCount;
    }
    void writeRaw(const std::string& fileName, const std::string& text) {
        std::ofstream(program + "/" + fileName, std::ios::binary) << text;
    }

    fs::path folder_;
    std::string program;
    ExtensionTable table;
    CounterSettings settings;
};

TEST_F(ExtensionFiles, LoadsTheListInOrderAndCompactsAfterFailures) {
    list("c.ext", test::ExtensionWriter("C").lineComment("//").macro("A", 1));
    list("bad.ext", test::ExtensionWriter("C"));  // duplicate name
    listName("missing.ext");
    list("js.ext", test::ExtensionWriter("JS").blockComment("/*", "*/"));
    table.macroTable.push_back(MacroEntry{"OLD", 1, 0});
    table.macroTableOwner = 5;
    table.definitions[50].name = "stale";

    EXPECT_NE(loadExtensionDefinitions(table, settings, program), 0);
    EXPECT_EQ(table.extensionCount, 2);
    EXPECT_EQ(settings.extFileCount, 2);
    EXPECT_EQ(table.definitions[0],
              test::ExtensionWriter("C").lineComment("//").macro("A", 1).expected(0));
    EXPECT_EQ(table.definitions[1].name, "JS");
    EXPECT_EQ(table.definitions[1].extensionNumber, 1);
    EXPECT_EQ(table.definitions[2], ExtensionDefinition{});  // the failed file's slot is clear
    EXPECT_EQ(table.definitions[50], ExtensionDefinition{});
    EXPECT_EQ(settings.extFiles[0].path, "c.ext");
    EXPECT_EQ(settings.extFiles[1].path, "js.ext");
    EXPECT_NE(settings.extFiles[1].fileTime, 0u);  // the time moved up with its row
    EXPECT_TRUE(settings.extFiles[2].path.empty());
    EXPECT_TRUE(settings.extFiles[3].path.empty());
    EXPECT_TRUE(table.macroTable.empty());
    EXPECT_EQ(table.macroTableOwner, -1);

    // Loading again from the compacted list succeeds completely.
    EXPECT_EQ(loadExtensionDefinitions(table, settings, program), 0);
    EXPECT_EQ(table.extensionCount, 2);
}

TEST_F(ExtensionFiles, ListedPathsAndFileTimes) {
    fs::create_directories(folder_ / "sub");
    ASSERT_TRUE(test::ExtensionWriter("SUB").writeTo(program + "/sub/x.ext"));
    listName(program + "/sub/x.ext");  // a folder part: used as it is
    list("y.ext", test::ExtensionWriter("Y"));
    listName("");
    EXPECT_NE(loadExtensionDefinitions(table, settings, program), 0);
    EXPECT_EQ(table.extensionCount, 2);
    EXPECT_EQ(table.definitions[0].name, "SUB");
    EXPECT_EQ(table.definitions[1].name, "Y");
    EXPECT_NE(settings.extFiles[0].fileTime, 0u);
    EXPECT_NE(settings.extFiles[1].fileTime, 0u);

    // A count out of range reads no row past the list.
    settings.extFileCount = 1000;
    EXPECT_EQ(loadExtensionDefinitions(table, settings, program), 1);  // the empty rows fail
    EXPECT_EQ(table.extensionCount, 2);
    settings.extFileCount = -5;
    EXPECT_EQ(loadExtensionDefinitions(table, settings, program), 0);
    EXPECT_EQ(table.extensionCount, 0);
    EXPECT_EQ(settings.extFileCount, 0);
}

TEST_F(ExtensionFiles, LoadOneFileSlotsAndResults) {
    ASSERT_TRUE(test::ExtensionWriter("A").writeTo(program + "/a.ext"));
    ASSERT_TRUE(test::ExtensionWriter("B").writeTo(program + "/b.ext"));
    writeRaw("broken.ext", "[EXTNAME]\nBROKEN\n[DELSTR]\n3\nx\n");

    EXPECT_EQ(loadExtensionDefinition(table, settings, program, "a.ext", 100), -200);
    EXPECT_EQ(loadExtensionDefinition(table, settings, program, "a.ext", -2), -200);

    // Appending writes the list row and grows both counts.
    EXPECT_EQ(loadExtensionDefinition(table, settings, program, "a.ext", -1), 0);
    EXPECT_EQ(loadExtensionDefinition(table, settings, program, "b.ext", -1), 0);
    EXPECT_EQ(table.extensionCount, 2);
    EXPECT_EQ(settings.extFileCount, 2);
    EXPECT_EQ(settings.extFiles[1].path, "b.ext");
    EXPECT_EQ(table.definitions[1].extensionNumber, 1);
    EXPECT_EQ(loadExtensionDefinition(table, settings, program, "a.ext", -1), -1);  // duplicate
    EXPECT_EQ(table.extensionCount, 2);

    // A file that cannot be opened leaves the slot as it was; a failing one clears it.
    EXPECT_EQ(loadExtensionDefinition(table, settings, program, "none.ext", 1), -1);
    EXPECT_EQ(table.definitions[1].name, "B");
    EXPECT_EQ(loadExtensionDefinition(table, settings, program, "broken.ext", 1), -1);
    EXPECT_EQ(table.definitions[1], ExtensionDefinition{});
    // An explicit slot does not change the counts or the list.
    EXPECT_EQ(loadExtensionDefinition(table, settings, program, "b.ext", 1), 0);
    EXPECT_EQ(table.extensionCount, 2);
    EXPECT_EQ(settings.extFiles[1].path, "b.ext");

    // A path too long for a list row is not appended.
    EXPECT_EQ(loadExtensionDefinition(table, settings, program, std::string(600, 'p'), -1), -1);
    EXPECT_EQ(table.extensionCount, 2);

    table.extensionCount = kMaxExtensions;
    EXPECT_EQ(loadExtensionDefinition(table, settings, program, "a.ext", -1), -200);
}

TEST(ExtensionTableLookup, FindExtension) {
    ExtensionTable table;
    table.definitions[0].name = "C";
    table.definitions[1].name = "JS";
    table.definitions[2].name = "JS";
    table.definitions[3].name = "PY";
    table.extensionCount = 3;
    EXPECT_EQ(findExtension(table, "C"), 0);
    EXPECT_EQ(findExtension(table, "JS"), 1);
    EXPECT_EQ(findExtension(table, "js"), -1);
    EXPECT_EQ(findExtension(table, "PY"), -1);  // not a loaded slot
    EXPECT_EQ(findExtension(table, "JS "), -1);
    table.extensionCount = 1000;  // never looks past the table
    EXPECT_EQ(findExtension(table, "nothing"), -1);
}

TEST_F(ExtensionFiles, MacrosAreReadOnDemandPerSlot) {
    list("c.ext", test::ExtensionWriter("C").macro("DEBUG", 1).macro("WIN", 0, 1));
    list("p.ext", test::ExtensionWriter("P").macro("FPC", 3, 2));
    list("none.ext", test::ExtensionWriter("N"));
    ASSERT_EQ(loadExtensionDefinitions(table, settings, program), 0);
    EXPECT_EQ(table.definitions[0].macroCount, 2);

    ensureMacros(table, settings, program, 0);
    EXPECT_EQ(table.macroTableOwner, 0);
    EXPECT_EQ(table.macroTable, (std::vector<MacroEntry>{{"DEBUG", 1, 0}, {"WIN", 0, 1}}));

    // The same slot again does not read the file again.
    fs::remove(folder_ / "c.ext");
    ensureMacros(table, settings, program, 0);
    EXPECT_EQ(table.macroTable.size(), 2u);

    ensureMacros(table, settings, program, 1);
    EXPECT_EQ(table.macroTableOwner, 1);
    EXPECT_EQ(table.macroTable, (std::vector<MacroEntry>{{"FPC", 3, 2}}));

    ensureMacros(table, settings, program, 2);
    EXPECT_EQ(table.macroTableOwner, 2);
    EXPECT_TRUE(table.macroTable.empty());
}

TEST_F(ExtensionFiles, NoMacrosOfAnotherLanguageAreLeftBehind) {
    list("c.ext", test::ExtensionWriter("C").macro("DEBUG", 1));
    list("p.ext", test::ExtensionWriter("P").macro("FPC", 3));
    ASSERT_EQ(loadExtensionDefinitions(table, settings, program), 0);
    ensureMacros(table, settings, program, 0);
    ASSERT_EQ(table.macroTable.size(), 1u);

    // A slot outside the loaded table: no macros at all.
    for (int slot : {2, 99, 100, -1, -7}) {
        ensureMacros(table, settings, program, 0);
        ensureMacros(table, settings, program, slot);
        EXPECT_TRUE(table.macroTable.empty()) << slot;
        EXPECT_EQ(table.macroTableOwner, -1) << slot;
    }

    // A file that can no longer be opened: no macros, and a later call tries again.
    ensureMacros(table, settings, program, 0);
    fs::rename(folder_ / "p.ext", folder_ / "p.moved");
    ensureMacros(table, settings, program, 1);
    EXPECT_TRUE(table.macroTable.empty());
    EXPECT_EQ(table.macroTableOwner, -1);
    fs::rename(folder_ / "p.moved", folder_ / "p.ext");
    ensureMacros(table, settings, program, 1);
    EXPECT_EQ(table.macroTableOwner, 1);
    EXPECT_EQ(table.macroTable, (std::vector<MacroEntry>{{"FPC", 3, 0}}));
}

TEST_F(ExtensionFiles, MacroCountFollowsTheEntriesRead) {
    // The file changed after loading: its list is now shorter than its count line says.
    list("c.ext", test::ExtensionWriter("C").macro("A").macro("B").macro("C"));
    ASSERT_EQ(loadExtensionDefinitions(table, settings, program), 0);
    EXPECT_EQ(table.definitions[0].macroCount, 3);
    writeRaw("c.ext", "[EXTNAME]\nC\n[MACRO]\n3\nA\n");
    ensureMacros(table, settings, program, 0);
    EXPECT_EQ(table.macroTable.size(), 1u);
    EXPECT_EQ(table.definitions[0].macroCount, 1);
}

}  // namespace
}  // namespace tavelin
