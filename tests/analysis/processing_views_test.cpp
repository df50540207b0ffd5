// The processing views over both panes: one pass each, on the buffers as they stand.

#include "analysis/processing_views.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "analysis/line_scanner.h"
#include "scan_fixtures.h"
#include "text/module_loader.h"

namespace tavelin {
namespace {

struct ViewFixture {
    ModulePanes panes;
    CounterSettings settings;
    ExtensionTable table;

    ViewFixture() {
        settings.delimit = 2;
        table.extensionCount = 1;
        table.definitions[0] = test::cLike();
        table.definitions[0].deleteStrings = {"EXEC"};
    }

    void put(int side, const std::string& text, bool utf16 = false) {
        const auto s = static_cast<std::size_t>(side);
        panes.present[s] = true;
        panes.hasBuffer[s] = true;
        panes.descriptors[s].extensionNumber = 0;
        panes.descriptors[s].utf16 = utf16 ? 1 : 0;
        ModuleText& buf = panes.moduleText[s];
        buf.clear();
        for (const char c : text) {
            if (utf16) {
                buf.units.push_back(static_cast<unsigned char>(c));
            } else {
                buf.bytes.push_back(static_cast<unsigned char>(c));
            }
        }
        buf.units.resize(utf16 ? buf.units.size() + 8 : 0, 0);
        buf.bytes.resize(utf16 ? 0 : buf.bytes.size() + 8, 0);
        panes.moduleLength[s] = static_cast<std::int32_t>(text.size());
        const std::size_t size = text.size() + 4;
        panes.lineTableSize = static_cast<std::int32_t>(size);
        for (auto& t : panes.lines) {
            t.resize(size);
        }
    }

    std::optional<ReloadResult> run(int view) {
        return runProcessingView(view, panes, settings, table,
                                 RuleEnvironment{&table, nullptr, nullptr});
    }

    std::string text(int side) const {
        const auto s = static_cast<std::size_t>(side);
        const ModuleText& buf = panes.moduleText[s];
        std::string out;
        const bool wide = panes.descriptors[s].utf16 == 1;
        for (std::int32_t i = 0; i < panes.moduleLength[s]; ++i) {
            const auto index = static_cast<std::size_t>(i);
            const unsigned c = wide ? static_cast<unsigned>(buf.units[index]) : buf.bytes[index];
            out.push_back(c == 0 ? '~' : static_cast<char>(c));
        }
        return out;
    }
};

TEST(ProcessingViews, EachViewAppliesItsPassToBothSides) {
    ViewFixture f;
    f.put(0,
          "\xEF\xBB\xBF"
          "a // x\n");
    f.put(1, "b /* y */\n");
    EXPECT_EQ(f.run(kViewComments), ReloadResult{});
    EXPECT_EQ(f.text(0), "~~~a ~~~~\n");
    EXPECT_EQ(f.text(1), "b ~~~~~~~\n");
    // Running it again changes nothing.
    EXPECT_EQ(f.run(kViewComments), ReloadResult{});
    EXPECT_EQ(f.text(0), "~~~a ~~~~\n");
    // Views add up: a following space view works on the result.
    EXPECT_EQ(f.run(kViewSpaces), ReloadResult{});
    EXPECT_EQ(f.text(1), "b~~~~~~~~\n");

    f.put(0, "EXEC \"EXEC\"\n");
    f.put(1, "#include <a.h>\nx\n");
    f.run(kViewDeleteStrings);
    EXPECT_EQ(f.text(0), "~~~~ \"EXEC\"\n");
    f.run(kViewPreprocessor);
    EXPECT_EQ(f.text(1), "~~~~~~~~~~~~~~\nx\n");
    EXPECT_EQ(f.run(2), std::nullopt);
    EXPECT_EQ(f.run(11), std::nullopt);
}

TEST(ProcessingViews, SwitchedOffPassesAndShortBuffersChangeNothing) {
    ViewFixture f;
    f.put(0, "0010 MOVE A\n");
    f.put(1, "x");
    f.run(kViewNumberValues);
    EXPECT_EQ(f.text(0), "0010 MOVE A\n");
    f.table.definitions[0].leadingNumbers = 1;
    f.table.definitions[0].deleteLeadingBytes = 1;
    f.run(kViewNumberValues);
    EXPECT_EQ(f.text(0), "~~~~~MOVE A\n");
    f.run(kViewLeadingBytes);
    EXPECT_EQ(f.text(1), "x");  // length 1 is left alone
    // A slot outside the table behaves as a definition without rules.
    f.put(0, "a // b\n");
    f.panes.descriptors[0].extensionNumber = 42;
    f.run(kViewComments);
    EXPECT_EQ(f.text(0), "a // b\n");
}

TEST(ProcessingViews, DelimiterDeletionCompactsAndMapsTheLineTable) {
    ViewFixture f;
    f.put(0, "a\n\n\nb\n\nc\n");
    f.put(1, "p\nq\n");
    f.panes.lines[0][1].lineIndex = 77;  // reset first: entry k = k
    f.run(kViewDelimiters);
    EXPECT_EQ(f.text(0), "a\nb\nc\n");
    EXPECT_EQ(f.panes.moduleLength[0], 6);
    EXPECT_EQ(f.panes.lines[0][0].lineIndex, 0);
    EXPECT_EQ(f.panes.lines[0][1].lineIndex, 3);
    EXPECT_EQ(f.panes.lines[0][2].lineIndex, 5);
    EXPECT_EQ(f.text(1), "p\nq\n");
}

TEST(ProcessingViews, SpaceModeDependsOnBothBuffersAndTheSetting) {
    ViewFixture f;
    f.settings.cmpnoflg = 1;
    f.put(0, "a b \n");
    f.put(1, "c d \n");
    f.run(kViewSpaces);
    EXPECT_EQ(f.text(0), "a~b~\n");
    f.put(0, "a b \n");
    f.put(1, "");
    f.run(kViewSpaces);
    EXPECT_EQ(f.text(0), "a b~\n");
}

TEST(ProcessingViews, Utf16PanesUseTheUnitForm) {
    ViewFixture f;
    f.put(0, "a /* b */ c\n", true);
    f.put(1, "d\n");
    f.run(kViewComments);
    EXPECT_EQ(f.text(0), "a ~~~~~~~ c\n");
}

TEST(ProcessingViews, PreprocessingReloadsAndWritesTheCounts) {
    ViewFixture f;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tavelin_views_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "m.c").string();
    std::ofstream(path, std::ios::binary) << "int a; // c\n\n#include <x.h>\nb;\n";
    ASSERT_EQ(openModuleFile(f.panes, 0, path, 0, f.settings), 0);
    // Whatever the buffer held before, the run starts again from the file.
    f.panes.moduleText[0].bytes[0] = 'X';
    EXPECT_EQ(f.run(kViewPreprocessing), ReloadResult{});
    EXPECT_EQ(f.text(0), "int a; \nb;\n");
    EXPECT_EQ(f.panes.descriptors[0].totalSteps, 4);
    EXPECT_EQ(f.panes.descriptors[0].actualSteps, 2);
    EXPECT_EQ(f.panes.lines[0][1].lineIndex, 3);
    // A module that can no longer be read is named with its side.
    std::filesystem::remove_all(dir);
    EXPECT_EQ(f.run(kViewPreprocessing), (ReloadResult{kLoadCannotOpen, kLoadOk}));
}

}  // namespace
}  // namespace tavelin
