#include "compare/driver.h"

#include "analysis/analysis_environment.h"
#include "compare/analysis_preparation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace tavelin {
namespace {

// A preparation that leaves the text as it is (every CR LF line counts as a step), records its
// calls, and writes an upper-cased display form when asked for one.
// The driver prepares both sides on two threads: the calls are recorded under a lock and
// compared in side order.
class PassThroughPreparation : public ModulePreparation {
  public:
    int prepareSteps(int side, ModuleText& text, std::int32_t& length, const CounterSettings&,
                     const ExtensionDefinition*, ModuleDescriptor& module, Presence presence,
                     LineTable& lines, ModuleText* display, std::int32_t* displayLength) override {
        record("steps " + std::to_string(side) + " presence " + std::to_string(presence) +
               (display != nullptr ? " display" : ""));
        module.actualSteps = countSteps(text, length, module.utf16 == 1);
        for (std::size_t k = 0; k < lines.size(); ++k) {
            lines[k].lineIndex = static_cast<std::int32_t>(k);
        }
        if (display != nullptr) {
            display->bytes.assign(text.bytes.begin(), text.bytes.begin() + length);
            for (auto& c : display->bytes) {
                c = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c);
            }
            *displayLength = length;
        }
        return 0;
    }
    int prepareCurrentState(int side, ModuleText& text, std::int32_t& length,
                            const CounterSettings&, ModuleDescriptor& module, Presence presence,
                            LineTable&) override {
        record("current " + std::to_string(side) + " presence " + std::to_string(presence));
        module.actualSteps = countSteps(text, length, module.utf16 == 1);
        return 0;
    }
    std::vector<std::string> sortedCalls() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> sorted = calls_;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }

  private:
    void record(std::string call) {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(std::move(call));
    }
    static std::int32_t countSteps(const ModuleText& text, std::int32_t length, bool wide) {
        std::int32_t n = 0;
        for (std::size_t i = 0; i < static_cast<std::size_t>(length); ++i) {
            n += (wide ? text.units[i] == u'\n' : text.bytes[i] == '\n') ? 1 : 0;
        }
        return n;
    }
    std::mutex mutex_;
    std::vector<std::string> calls_;
};

struct Fixture {
    ModulePanes panes;
    CounterSettings settings;
    ExtensionTable extensions;
    TPzConv converter;
    StepCountRecord counts;
    PassThroughPreparation preparation;

    Fixture() {
        panes.lineTableSize = 16;
        for (auto& t : panes.lines) {
            t.assign(16, LineRecord{static_cast<LineStatus>(0xEE), -5});
        }
        counts.newSteps = 99;  // figures from the data file are cleared
    }

    void setText(int side, const std::string& text, std::uint8_t codeNo = 0) {
        const auto s = static_cast<std::size_t>(side);
        panes.present[s] = true;
        panes.hasBuffer[s] = true;
        panes.descriptors[s].codeNo = codeNo;
        panes.descriptors[s].utf16 = 0;
        panes.moduleText[s].clear();
        panes.moduleText[s].bytes.assign(text.begin(), text.end());
        panes.moduleText[s].bytes.push_back(0);
        panes.moduleLength[s] = static_cast<std::int32_t>(text.size());
    }
    void setWideText(int side, const std::u16string& text) {
        const auto s = static_cast<std::size_t>(side);
        panes.present[s] = true;
        panes.descriptors[s].utf16 = 1;
        panes.descriptors[s].codeNo = 0;
        panes.moduleText[s].clear();
        panes.moduleText[s].units.assign(text.begin(), text.end());
        panes.moduleLength[s] = static_cast<std::int32_t>(text.size());
    }

    int run(ComparisonMode mode = ComparisonMode::StepComparison) {
        ComparisonContext context{panes,  settings,    extensions, converter,
                                  counts, preparation, nullptr,    settings.nextlchk};
        return runComparison(mode, context);
    }

    std::string statuses(int side, int lines) const {
        std::string s;
        for (int k = 0; k < lines; ++k) {
            s += static_cast<char>(
                '0' + static_cast<int>(
                          panes.lines[static_cast<std::size_t>(side)][static_cast<std::size_t>(k)]
                              .status));
        }
        return s;
    }
};

std::string lines(std::initializer_list<const char*> list) {
    std::string s;
    for (const char* l : list) {
        s += l;
        s += "\r\n";
    }
    return s;
}

TEST(ComparisonDriver, OnlyTheAfterModuleHasText) {
    Fixture f;
    f.setText(kAfter, lines({"a", "b", "c"}));
    EXPECT_EQ(f.run(), 0);
    EXPECT_EQ(f.counts.newSteps, 3);
    EXPECT_EQ(f.counts.originalSteps + f.counts.changedSteps + f.counts.reusedSteps +
                  f.counts.deletedSteps,
              0);
    EXPECT_EQ(f.statuses(kAfter, 16), std::string(16, '2'));
    EXPECT_EQ(f.preparation.sortedCalls(), std::vector<std::string>{"steps 0 presence 2"});
}

TEST(ComparisonDriver, OnlyTheBeforeModuleHasText) {
    for (int delcflg : {0, 1}) {
        Fixture f;
        f.settings.delcflg = delcflg;
        f.setText(kAfter, "x");  // one character: no text
        f.setText(kBefore, lines({"a", "b"}));
        f.run();
        EXPECT_EQ(f.counts.originalSteps, 2);
        EXPECT_EQ(f.counts.deletedSteps, 2);
        EXPECT_EQ(f.counts.changedSteps, delcflg == 1 ? 2 : 0);
        EXPECT_EQ(f.counts.newSteps, 0);
        EXPECT_EQ(f.statuses(kBefore, 16), std::string(16, '1'));
    }
}

TEST(ComparisonDriver, IdenticalModulesReportReusedEvenWithoutReuse) {
    Fixture f;
    f.setText(kAfter, lines({"a", "b", "c", "d"}));
    f.setText(kBefore, lines({"a", "b", "c", "d"}));
    f.run();
    EXPECT_EQ(f.counts.changedSteps, 0);
    EXPECT_EQ(f.counts.deletedSteps, 0);
    EXPECT_EQ(f.counts.reusedSteps, 4);
    EXPECT_EQ(f.counts.originalSteps, 0);
    EXPECT_EQ(f.counts.newSteps, 0);
    EXPECT_EQ(f.statuses(kAfter, 4), "0000");
    // Every table entry was reset first, lineIndex included.
    EXPECT_EQ(f.panes.lines[kAfter][15].status, LineStatus::Same);
}

TEST(ComparisonDriver, ExtraBeforeLinesAtTheEnd) {
    Fixture f;
    f.setText(kAfter, lines({"a", "b"}));
    f.setText(kBefore, lines({"a", "b", "c", "d"}));
    f.run();
    EXPECT_EQ(f.counts.changedSteps, 0);
    EXPECT_EQ(f.counts.deletedSteps, 2);
    EXPECT_EQ(f.counts.reusedSteps, 2);
    EXPECT_EQ(f.counts.originalSteps, 4);
}

TEST(ComparisonDriver, OneChangedLineWithAndWithoutReuse) {
    Fixture f;
    f.setText(kAfter, lines({"a", "B", "c", "d"}));
    f.setText(kBefore, lines({"a", "b", "c", "d"}));
    f.run();
    EXPECT_EQ(f.counts.changedSteps, 4);
    EXPECT_EQ(f.counts.reusedSteps, 0);
    EXPECT_EQ(f.counts.deletedSteps, 0);
    EXPECT_EQ(f.counts.originalSteps, 4);
    f.settings.bdelcflg = 1;
    f.run();
    EXPECT_EQ(f.counts.deletedSteps, 1);
    f.settings.bdelcflg = 0;
    f.settings.usecflg = 1;
    f.run();
    EXPECT_EQ(f.counts.changedSteps, 1);
    EXPECT_EQ(f.counts.reusedSteps, 3);
    EXPECT_EQ(f.statuses(kAfter, 4), "0200");
    EXPECT_EQ(f.statuses(kBefore, 4), "0100");
}

TEST(ComparisonDriver, OutOfModuleAfterModuleCountsReuse) {
    Fixture f;
    f.settings.moutusec = 1;
    f.setText(kAfter, lines({"a", "B", "c"}));
    f.setText(kBefore, lines({"a", "b", "c"}));
    f.panes.descriptors[kBefore].moduleName = "Out of module";
    f.run();
    EXPECT_EQ(f.counts.reusedSteps, 0);  // the before module's name is not looked at
    f.panes.descriptors[kAfter].moduleName = "Out of module (2)";
    f.run();
    EXPECT_EQ(f.counts.changedSteps, 1);
    EXPECT_EQ(f.counts.reusedSteps, 2);
    f.settings.moutusec = 0;
    f.run();
    EXPECT_EQ(f.counts.reusedSteps, 0);
}

TEST(ComparisonDriver, CaseFoldingFromLanguageOrSettings) {
    Fixture f;
    f.setText(kAfter, lines({"Begin", "x"}));
    f.setText(kBefore, lines({"BEGIN", "x"}));
    f.run();
    EXPECT_NE(f.counts.changedSteps, 0);
    f.settings.striflg = 1;
    f.run();
    EXPECT_EQ(f.counts.changedSteps, 0);
    f.settings.striflg = 0;
    f.extensions.extensionCount = 1;
    f.extensions.definitions[0].stringFlag = 1;
    f.run();
    EXPECT_EQ(f.counts.changedSteps, 0);
}

TEST(ComparisonDriver, AutomaticChoiceKeepsTheTrialWithMostReuse) {
    // Re-used lines per trial (10, 11, 12): 2, 1, 1 here, so "AUTO 1" is rerun and kept.
    Fixture f;
    f.settings.nextlchk = 12;
    f.settings.usecflg = 1;
    f.setText(kAfter, lines({"a", "c", "d", "c"}));
    f.setText(kBefore, lines({"d", "c", "b", "a", "b"}));
    f.run();
    EXPECT_EQ(f.counts.reusedSteps, 2);
    const std::string afterStatuses = f.statuses(kAfter, 4);
    const std::string beforeStatuses = f.statuses(kBefore, 5);
    Fixture direct;
    direct.settings = f.settings;
    direct.settings.nextlchk = 10;
    direct.setText(kAfter, lines({"a", "c", "d", "c"}));
    direct.setText(kBefore, lines({"d", "c", "b", "a", "b"}));
    direct.run();
    EXPECT_EQ(afterStatuses, direct.statuses(kAfter, 4));
    EXPECT_EQ(beforeStatuses, direct.statuses(kBefore, 5));
    EXPECT_EQ(f.counts.changedSteps, direct.counts.changedSteps);
}

TEST(ComparisonDriver, AutomaticChoiceTiesGoToTheLaterTrial) {
    // Re-used 3, 3, 2: the tie between 10 and 11 goes to 11.
    const std::string after = lines({"a", "a", "d", "a", "c", "b"});
    const std::string before = lines({"d", "a", "a", "d"});
    ComparisonTexts texts;
    texts.after8 = {reinterpret_cast<const unsigned char*>(after.data()), after.size()};
    texts.before8 = {reinterpret_cast<const unsigned char*>(before.data()), before.size()};
    ModulePanes panes;
    panes.lineTableSize = 8;
    panes.lines[0].assign(8, {});
    panes.lines[1].assign(8, {});
    MatchOptions o;
    o.useReused = true;
    o.resyncCount = 12;
    std::int32_t chosen = 0;
    EXPECT_EQ(matchWithChoice(texts, o, panes, nullptr, &chosen).reused, 3);
    EXPECT_EQ(chosen, 11);
    // Without re-used steps every trial ties at 0 and the last one is kept.
    o.useReused = false;
    matchWithChoice(texts, o, panes, nullptr, &chosen);
    EXPECT_EQ(chosen, 12);
}

TEST(ComparisonDriver, EncodingsAreComparedInTheSystemCodePage) {
    Fixture f;
    f.settings.usecflg = 1;
    // "日本" in UTF-8 and in Shift-JIS.
    f.setText(kAfter, "x\r\n\xE6\x97\xA5\xE6\x9C\xAC\r\n", 1);
    f.setText(kBefore, "x\r\n\x93\xFA\x96\x7B\r\n", 2);
    f.run();
    EXPECT_EQ(f.counts.changedSteps, 0);
    EXPECT_EQ(f.statuses(kAfter, 2), "00");
    // EUC and JIS are converted to Shift-JIS as well.
    f.setText(kAfter, "x\r\n\xC6\xFC\xCB\xDC\r\n", 3);
    f.run();
    EXPECT_EQ(f.counts.changedSteps, 0);
    f.setText(kAfter, "x\r\n\x1B$BF|K\\\x1B(B\r\n", 4);
    f.run();
    EXPECT_EQ(f.counts.changedSteps, 0);
}

TEST(ComparisonDriver, WideAfterModuleAgainstAnsiBefore) {
    Fixture f;
    f.settings.usecflg = 1;
    f.setWideText(kAfter, u"x\r\n\u65E5\u672C\r\nnew\r\n");
    f.setText(kBefore, "x\r\n\x93\xFA\x96\x7B\r\n", 2);
    f.run();
    EXPECT_EQ(f.counts.changedSteps, 1);
    EXPECT_EQ(f.counts.reusedSteps, 2);
    EXPECT_EQ(f.statuses(kAfter, 3), "002");
}

TEST(ComparisonDriver, DisplayFormReplacesTheTextOnlyForTwoModulesInStepMode) {
    Fixture f;
    f.settings.cmpnoflg = 1;
    f.setText(kAfter, lines({"a", "b"}));
    f.setText(kBefore, lines({"a", "c"}));
    f.run();
    EXPECT_EQ(
        f.preparation.sortedCalls(),
        (std::vector<std::string>{"steps 0 presence 1 display", "steps 1 presence 1 display"}));
    const std::string shown(
        f.panes.moduleText[kAfter].bytes.begin(),
        f.panes.moduleText[kAfter].bytes.begin() + f.panes.moduleLength[kAfter]);
    EXPECT_EQ(shown, "A\r\nB\r\n");

    Fixture g;
    g.settings.cmpnoflg = 1;
    g.setText(kAfter, lines({"a", "b"}));
    g.setText(kBefore, lines({"a", "c"}));
    g.run(ComparisonMode::CurrentState);
    EXPECT_EQ(g.preparation.sortedCalls(),
              (std::vector<std::string>{"current 0 presence 1", "current 1 presence 1"}));
    EXPECT_EQ(g.panes.moduleText[kAfter].bytes[0], 'a');
}

TEST(ComparisonDriver, StepComparisonIgnoresCommentsThroughTheAnalysis) {
    // With the real analysis: comments that differ do not make lines Added in a step comparison;
    // in a current-state comparison they do.
    ModulePanes panes;
    panes.lineTableSize = 16;
    for (auto& t : panes.lines) {
        t.assign(16, LineRecord{});
    }
    CounterSettings settings;
    settings.delimit = 2;
    ExtensionTable extensions;
    extensions.extensionCount = 1;
    DelimitedRule comment;
    comment.strings[0] = "//";
    extensions.definitions[0].commentRules.push_back(comment);
    TPzConv converter;
    StepCountRecord counts;
    RuleEnvironment env;
    env.table = &extensions;
    AnalysisPreparation preparation(env);
    auto load = [&](int side, const std::string& text) {
        const auto s = static_cast<std::size_t>(side);
        panes.present[s] = true;
        panes.moduleText[s].bytes.assign(text.begin(), text.end());
        panes.moduleText[s].bytes.push_back(0);
        panes.moduleLength[s] = static_cast<std::int32_t>(text.size());
    };
    const std::string after = "int a; // new note\nint b;\n";
    const std::string before = "int a; // old note\nint b;\n";
    ComparisonContext context{panes, settings, extensions, converter, counts, preparation, nullptr};
    load(kAfter, after);
    load(kBefore, before);
    runComparison(ComparisonMode::StepComparison, context);
    EXPECT_EQ(counts.changedSteps, 0);
    EXPECT_EQ(counts.reusedSteps, 2);
    load(kAfter, after);
    load(kBefore, before);
    runComparison(ComparisonMode::CurrentState, context);
    EXPECT_EQ(counts.changedSteps, 2);  // the changed line, and the equal line without re-use
    EXPECT_EQ(panes.lines[kAfter][0].status, LineStatus::Added);
}

}  // namespace
}  // namespace tavelin
