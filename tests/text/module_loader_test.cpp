#include "text/module_loader.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "text/encoding.h"
#include "text/line_tables.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;

std::span<const unsigned char> bytesOf(std::string_view s) {
    return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

std::string textOf(const std::vector<unsigned char>& buffer, std::size_t n) {
    return std::string(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
}

std::u16string unitsOf(const ModuleText& text, std::size_t n) {
    return std::u16string(
        text.units.begin(),
        text.units.begin() + static_cast<std::ptrdiff_t>(std::min(n, text.units.size())));
}

bool allZero(const std::vector<unsigned char>& buffer) {
    for (unsigned char b : buffer) {
        if (b != 0) {
            return false;
        }
    }
    return true;
}

ModuleDescriptor range(std::int32_t top, std::int32_t end) {
    ModuleDescriptor d;
    d.topPosition = top;
    d.endPosition = end;
    return d;
}

class RecordingSink : public MessageSink {
  public:
    void showMessage(std::string_view text) override { messages.emplace_back(text); }
    std::vector<std::string> messages;
};

// A private folder for the files of one test, removed afterwards.
class LoaderFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = fs::temp_directory_path() / ("tavelin_text_" + std::to_string(rd()));
        fs::create_directories(dir_);
        settings_.delimit = 0;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string write(const std::string& name, std::string_view content) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary)
            .write(content.data(), static_cast<std::streamsize>(content.size()));
        return p.string();
    }
    std::string readBack(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    ModuleDescriptor fileRange(const std::string& path, std::int32_t top, std::int32_t end) {
        ModuleDescriptor d = range(top, end);
        d.path = path;
        return d;
    }

    fs::path dir_;
    CounterSettings settings_;
    ModulePanes panes_;
};

TEST(LoadFromBytes, CutsTheStretchAndAppendsTheTerminatorOfTheMode) {
    std::vector<unsigned char> buf;
    ASSERT_EQ(loadModuleTextFromBytes(bytesOf("0123456789"), range(2, 4), 0, buf), kLoadOk);
    EXPECT_EQ(textOf(buf, 6), std::string("234\r\n\0", 6));
    EXPECT_EQ(buf.size(), 3 + kTextSlack);
    ASSERT_EQ(loadModuleTextFromBytes(bytesOf("0123456789"), range(2, 4), 1, buf), kLoadOk);
    EXPECT_EQ(textOf(buf, 5), std::string("234\r\0", 5));
    ASSERT_EQ(loadModuleTextFromBytes(bytesOf("0123456789"), range(0, 9), 3, buf), kLoadOk);
    EXPECT_EQ(textOf(buf, 12), std::string("0123456789\n\0", 12));
    ASSERT_EQ(loadModuleTextFromBytes(bytesOf("0123456789"), range(2, 4), 9, buf), kLoadOk);
    EXPECT_EQ(textOf(buf, 4), std::string("234\0", 4));  // unknown mode: nothing appended
    // A stretch that ends with CR or LF gets nothing, whatever the mode.
    ASSERT_EQ(loadModuleTextFromBytes(bytesOf("ab\ncd"), range(0, 2), 0, buf), kLoadOk);
    EXPECT_EQ(textOf(buf, 4), std::string("ab\n\0", 4));
    ASSERT_EQ(loadModuleTextFromBytes(bytesOf("ab\rcd"), range(0, 2), 2, buf), kLoadOk);
    EXPECT_EQ(textOf(buf, 4), std::string("ab\r\0", 4));
}

TEST(LoadFromBytes, BadRangesFailWithEmptyTextAndNoOversizedBuffer) {
    const std::string file = "abcdef";
    std::vector<unsigned char> buf(100, 'x');  // stale bytes that must not survive
    EXPECT_EQ(loadModuleTextFromBytes(bytesOf(file), range(0, 0), 0, buf), kLoadEmptyModule);
    EXPECT_TRUE(allZero(buf));
    EXPECT_EQ(loadModuleTextFromBytes(bytesOf(file), range(3, 2), 0, buf), kLoadEmptyModule);
    EXPECT_EQ(loadModuleTextFromBytes(bytesOf(file), range(0, -5), 0, buf), kLoadEmptyModule);
    EXPECT_EQ(loadModuleTextFromBytes(bytesOf(file), range(INT32_MAX, INT32_MIN), 0, buf),
              kLoadEmptyModule);

    buf.assign(100, 'x');
    EXPECT_EQ(loadModuleTextFromBytes(bytesOf(file), range(2, 6), 0, buf), kLoadIncomplete);
    EXPECT_TRUE(allZero(buf));
    EXPECT_EQ(loadModuleTextFromBytes(bytesOf(file), range(6, 8), 0, buf), kLoadIncomplete);
    EXPECT_EQ(loadModuleTextFromBytes(bytesOf(file), range(-3, 2), 0, buf), kLoadIncomplete);
    EXPECT_EQ(loadModuleTextFromBytes(bytesOf(file), range(INT32_MIN, INT32_MAX), 0, buf),
              kLoadIncomplete);
    // A huge claimed end is refused without allocating its size.
    EXPECT_EQ(loadModuleTextFromBytes(bytesOf(file), range(1, INT32_MAX), 0, buf), kLoadIncomplete);
    EXPECT_LT(buf.capacity(), 1000u);
    // A one-byte module at offset 0 describes "empty"; elsewhere it is fine.
    EXPECT_EQ(loadModuleTextFromBytes(bytesOf("a"), range(0, 0), 0, buf), kLoadEmptyModule);
    EXPECT_EQ(loadModuleTextFromBytes(bytesOf(file), range(5, 5), 2, buf), kLoadOk);
    EXPECT_EQ(textOf(buf, 3), std::string("f\n\0", 3));
}

TEST_F(LoaderFiles, ReadStepFromFileChecksTheFile) {
    std::vector<unsigned char> buf(50, 'x');
    const std::string path = write("m.c", "line1\r\nline2");
    ASSERT_EQ(loadModuleText(fileRange(path, 7, 11), settings_, buf), kLoadOk);
    EXPECT_EQ(textOf(buf, 8), std::string("line2\r\n\0", 8));
    EXPECT_EQ(readBack(path), "line1\r\nline2");  // never written back

    buf.assign(50, 'x');
    EXPECT_EQ(loadModuleText(fileRange((dir_ / "missing.c").string(), 0, 3), settings_, buf),
              kLoadCannotOpen);
    EXPECT_TRUE(allZero(buf));
    EXPECT_EQ(loadModuleText(fileRange(dir_.string(), 0, 3), settings_, buf), kLoadCannotOpen);
    // The file shrank since the descriptor was written.
    buf.assign(50, 'x');
    EXPECT_EQ(loadModuleText(fileRange(path, 0, 20), settings_, buf), kLoadIncomplete);
    EXPECT_TRUE(allZero(buf));
    EXPECT_EQ(loadModuleText(fileRange(path, 0, INT32_MAX), settings_, buf), kLoadIncomplete);
    EXPECT_LT(buf.capacity(), 1000u);
    // It grew: the stretch is still there.
    EXPECT_EQ(loadModuleText(fileRange(path, 0, 4), settings_, buf), kLoadOk);
    EXPECT_EQ(textOf(buf, 7), std::string("line1\r\n", 7));
}

TEST_F(LoaderFiles, ReloadSetsLengthsAndCombinesResults) {
    const std::string a = write("a.c", "x = 1;\r\ny = 2;\r\n");
    panes_.present = {true, true};
    panes_.descriptors[kAfter] = fileRange(a, 0, 15);
    panes_.descriptors[kBefore] = fileRange(a, 8, 40);  // beyond the end
    ASSERT_EQ(allocateTextBuffers(panes_), 0);
    ASSERT_EQ(allocateLineRecords(panes_), 0);
    EXPECT_EQ(reloadBothModules(panes_, settings_), (ReloadResult{kLoadOk, kLoadIncomplete}));
    EXPECT_EQ(panes_.moduleLength[kAfter], 16);
    EXPECT_EQ(panes_.moduleLength[kBefore], 0);  // a failed read never claims bytes
    EXPECT_TRUE(allZero(panes_.moduleText[kBefore].bytes));

    panes_.descriptors[kAfter].path = (dir_ / "gone.c").string();
    panes_.descriptors[kBefore] = range(0, 0);
    EXPECT_EQ(reloadBothModules(panes_, settings_),
              (ReloadResult{kLoadCannotOpen, kLoadEmptyModule}));
    EXPECT_EQ(panes_.moduleLength[kAfter], 0);

    // Panes without a module or without a buffer count as success.
    ModulePanes empty;
    EXPECT_TRUE(reloadBothModules(empty, settings_).ok());
}

TEST_F(LoaderFiles, BigEndianUtf16IsSwappedOnEveryLoad) {
    // FE FF, "a" CR LF "b" in big-endian units.
    const std::string be("\xFE\xFF\0a\0\r\0\n\0b", 10);
    const std::string path = write("u.c", be);
    panes_.present[kAfter] = true;
    ModuleDescriptor& d = panes_.descriptors[kAfter];
    d = fileRange(path, 0, 9);
    d.utf16 = 1;
    d.codeNo = 1;
    ASSERT_EQ(allocateTextBuffers(panes_), 0);
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(reloadBothModules(panes_, settings_).ok());
        EXPECT_EQ(panes_.moduleLength[kAfter], 5);
        EXPECT_EQ(unitsOf(panes_.moduleText[kAfter], 5),
                  u"\xFEFF"
                  u"a\r\nb")
            << "pass " << pass;
        EXPECT_TRUE(panes_.moduleText[kAfter].bytes.empty());
    }
    // Little-endian text is read as it is.
    d.codeNo = 0;
    ASSERT_TRUE(reloadBothModules(panes_, settings_).ok());
    EXPECT_EQ(unitsOf(panes_.moduleText[kAfter], 5), u"\xFFFE\x6100\x0D00\x0A00\x6200");
}

TEST_F(LoaderFiles, OpenedFileGetsWholeFileDescriptorAndCounts) {
    const std::string path = write("main.c", "int a;\r\nint b;");
    panes_.descriptors[kBefore].className = "kept";
    ASSERT_EQ(openBeforeFile(panes_, path, 7, settings_), kLoadOk);
    const ModuleDescriptor& d = panes_.descriptors[kBefore];
    EXPECT_TRUE(panes_.present[kBefore]);
    EXPECT_EQ(d.path, path);
    EXPECT_EQ(d.extensionNumber, 7);
    EXPECT_EQ(d.topPosition, 0);
    EXPECT_EQ(d.endPosition, 13);
    EXPECT_EQ(d.lineNumber, 1);
    EXPECT_EQ(d.compareFlag, 1);
    EXPECT_EQ(d.outputFlag, 1);
    EXPECT_EQ(d.className, "kept");
    EXPECT_EQ(d.utf16, 0);
    EXPECT_EQ(d.codeNo, kCodeAnsi);
    // One byte more than the file: the CR of the appended CR LF, which is no line end alone.
    EXPECT_EQ(panes_.moduleLength[kBefore], 15);
    EXPECT_EQ(d.totalSteps, 1);
    EXPECT_EQ(d.noCountSteps, 0);
    EXPECT_EQ(textOf(panes_.moduleText[kBefore].bytes, 17),
              std::string("int a;\r\nint b;\r\n\0", 17));
    EXPECT_EQ(readBack(path), "int a;\r\nint b;");

    settings_.eofflg = 1;
    ASSERT_EQ(openBeforeFile(panes_, path, 7, settings_), kLoadOk);
    EXPECT_EQ(panes_.descriptors[kBefore].totalSteps, 2);
    settings_.delimit = 2;
    const std::string lf = write("lf.c", "a\nb");
    ASSERT_EQ(openAfterFile(panes_, lf, 0, settings_), kLoadOk);
    EXPECT_EQ(panes_.descriptors[kAfter].totalSteps, 2);  // "a\nb\n" counted over 4 bytes
}

TEST_F(LoaderFiles, FileEndingWithLineBreakIsJudgedByItsOwnBytes) {
    settings_.delimit = 2;
    const std::string path = write("one.c", "abc\n");
    ASSERT_EQ(openAfterFile(panes_, path, 0, settings_), kLoadOk);
    // The NUL after the text sits at an even offset before a second line break; it is not part
    // of the file and must not make the file UTF-16.
    EXPECT_EQ(panes_.descriptors[kAfter].utf16, 0);
    EXPECT_EQ(panes_.descriptors[kAfter].codeNo, kCodeAnsi);
    EXPECT_EQ(panes_.moduleLength[kAfter], 5);
    EXPECT_EQ(panes_.descriptors[kAfter].totalSteps, 1);

    const std::string sjis = write("sj.c", "\x82\xA0\n");
    ASSERT_EQ(openAfterFile(panes_, sjis, 0, settings_), kLoadOk);
    EXPECT_EQ(panes_.descriptors[kAfter].utf16, 0);
    EXPECT_EQ(panes_.descriptors[kAfter].codeNo, kCodeShiftJis);
}

TEST_F(LoaderFiles, OpenedUtf16FileCountsUnits) {
    // Big-endian with a mark: "a" LF "b" LF.
    const std::string path = write("w.c", std::string("\xFE\xFF\0a\0\n\0b\0\n", 10));
    settings_.delimit = 2;
    ASSERT_EQ(openAfterFile(panes_, path, 0, settings_), kLoadOk);
    const ModuleDescriptor& d = panes_.descriptors[kAfter];
    EXPECT_EQ(d.utf16, 1);
    EXPECT_EQ(d.codeNo, 1);
    EXPECT_EQ(panes_.moduleLength[kAfter], 5);  // (10 + 1) / 2 units
    EXPECT_EQ(d.totalSteps, 2);
    EXPECT_EQ(unitsOf(panes_.moduleText[kAfter], 5),
              u"\xFEFF"
              u"a\nb\n");
    // The reload that follows the open swaps the fresh bytes once more, no more.
    ASSERT_EQ(allocateTextBuffers(panes_), 0);
    ASSERT_TRUE(reloadBothModules(panes_, settings_).ok());
    EXPECT_EQ(unitsOf(panes_.moduleText[kAfter], 5),
              u"\xFEFF"
              u"a\nb\n");
    EXPECT_EQ(panes_.moduleLength[kAfter], 5);
}

// A reload reads a file opened by hand afresh and counts its lines again: the count must be the
// open's, for every line-end mode, either byte order and with or without a last line break.
TEST_F(LoaderFiles, AReloadCountsTheLinesOfAWholeFileAsItsOpenDid) {
    const std::vector<std::string> texts = {std::string("\xFF\xFE"
                                                        "a\0\n\0b\0\n\0",
                                                        10),
                                            std::string("\xFF\xFE"
                                                        "a\0\r\0\n\0b\0",
                                                        10),
                                            std::string("\xFE\xFF\0a\0\n\0b", 8),
                                            std::string("\xFE\xFF\0a\0\r\0\n", 8),
                                            "a\nb\n",
                                            "a\r\nb"};
    for (std::size_t t = 0; t < texts.size(); ++t) {
        const std::string path = write("w" + std::to_string(t) + ".c", texts[t]);
        for (std::int32_t delimit = 0; delimit <= 3; ++delimit) {
            for (std::int32_t eofflg = 0; eofflg <= 1; ++eofflg) {
                settings_.delimit = delimit;
                settings_.eofflg = eofflg;
                ModulePanes panes;
                ASSERT_EQ(openAfterFile(panes, path, 0, settings_), kLoadOk);
                const std::int32_t opened = panes.descriptors[kAfter].totalSteps;
                ASSERT_EQ(allocateTextBuffers(panes), 0);
                ASSERT_TRUE(reloadBothModules(panes, settings_).ok());
                EXPECT_EQ(panes.descriptors[kAfter].totalSteps, opened)
                    << "text " << t << ", line ends " << delimit << ", end flag " << eofflg;
            }
        }
    }
}

TEST_F(LoaderFiles, UnopenableFilesLeaveThePaneEmpty) {
    const std::string good = write("good.c", "ok\r\n");
    const std::vector<std::string> bad = {write("zero.c", ""), write("one.c", "x"),
                                          (dir_ / "missing.c").string(), dir_.string(),
                                          std::string(600, 'p')};
    for (const std::string& path : bad) {
        ASSERT_EQ(openAfterFile(panes_, good, 0, settings_), kLoadOk);
        EXPECT_NE(openAfterFile(panes_, path, 0, settings_), kLoadOk) << path;
        EXPECT_FALSE(panes_.present[kAfter]);
        EXPECT_EQ(panes_.moduleLength[kAfter], 0);
        EXPECT_FALSE(panes_.hasBuffer[kAfter]);
        EXPECT_TRUE(reloadBothModules(panes_, settings_).ok());
    }
}

TEST_F(LoaderFiles, FilesOfTwoGibibytesAreRefusedUnread) {
    // Sparse files: nothing is written to disk, and nothing may be read.
    for (std::uintmax_t size : {std::uintmax_t{1} << 31, (std::uintmax_t{1} << 31) - 1}) {
        const std::string path = write("big.c", "");
        std::error_code ec;
        fs::resize_file(path, size, ec);
        if (ec) {
            GTEST_SKIP() << "cannot make a sparse file here";
        }
        EXPECT_EQ(openAfterFile(panes_, path, 0, settings_), kLoadCannotOpen);
        EXPECT_FALSE(panes_.present[kAfter]);
        fs::remove(path);
    }
}

TEST_F(LoaderFiles, OpenFileIntoPaneFindsExtensionAndReports) {
    ExtensionTable table;
    table.extensionCount = 3;
    table.definitions[0].name = "cob";
    table.definitions[1].name = "c";
    table.definitions[1].excludedFiles = {"", "test"};
    table.definitions[2].name = "C";  // never reached: the first equal name wins
    EXPECT_EQ(findExtensionForFile("/x/MAIN.C", table), 1);
    EXPECT_EQ(findExtensionForFile("/x/prog.CoB", table), 0);
    EXPECT_EQ(findExtensionForFile("/x/readme", table), -1);
    EXPECT_EQ(findExtensionForFile("/x/file.", table), -1);
    // A name without an extension is looked up whole; one with an extension never is.
    EXPECT_EQ(findExtensionForFile("/x/COB", table), 0);
    EXPECT_EQ(findExtensionForFile("/x/cob.", table), -1);
    EXPECT_EQ(findExtensionForFile("/x/cob.txt", table), -1);
    EXPECT_EQ(findExtensionForFile("/x/.cob", table), 0);  // a leading dot starts the extension
    EXPECT_EQ(findExtensionForFile("/x.c/readme", table), -1);  // the dot of a folder
    EXPECT_EQ(findExtensionForFile("/x/a.cc", table), -1);      // whole-name comparison
    EXPECT_EQ(findExtensionForFile("/x/mytest_a.c", table), -1);
    EXPECT_EQ(findExtensionForFile("/x/TEST.c", table), -1);
    EXPECT_EQ(findExtensionForFile("/tests/a.c", table), 1);  // patterns look at the name only
    table.extensionCount = 1;
    EXPECT_EQ(findExtensionForFile("/x/MAIN.C", table), -1);  // beyond the loaded definitions
    table.extensionCount = 5000;
    EXPECT_EQ(findExtensionForFile("/x/none.zz", table), -1);
    table.extensionCount = 3;

    std::vector<std::string> calls;
    OpenFileHooks hooks{[&] { calls.push_back("enter"); }, [&] { calls.push_back("opened"); },
                        [&] { calls.push_back("leave"); }};
    RecordingSink sink;
    EXPECT_EQ(
        openFileIntoPane(panes_, kAfter, write("readme", "x\r\n"), table, settings_, sink, hooks),
        kLoadNoExtension);
    EXPECT_EQ(openFileIntoPane(panes_, kAfter, write("mytest_a.c", "x\r\n"), table, settings_, sink,
                               hooks),
              kLoadNoExtension);
    EXPECT_TRUE(calls.empty());
    // The sentence, then the path and why.
    EXPECT_EQ(sink.messages,
              (std::vector<std::string>{
                  std::string(kMsgNoExtensionInfo) + "\n" + (dir_ / "readme").string() +
                      ": the name has no extension and no definition is named \"readme\"",
                  std::string(kMsgNoExtensionInfo) + "\n" + (dir_ / "mytest_a.c").string() +
                      ": the definition for \"c\" excludes names containing \"test\""}));

    sink.messages.clear();
    EXPECT_EQ(openFileIntoPane(panes_, kAfter, write("one.c", "x"), table, settings_, sink, hooks),
              kLoadEmptyModule);
    EXPECT_EQ(sink.messages, std::vector<std::string>{std::string(kMsgCannotOpen) + "\n" +
                                                      (dir_ / "one.c").string() +
                                                      ": the file holds a single byte"});
    EXPECT_EQ(calls, (std::vector<std::string>{"enter", "leave"}));

    sink.messages.clear();
    calls.clear();
    EXPECT_EQ(openFileIntoPane(panes_, kBefore, write("MAIN.C", "int a;\r\n"), table, settings_,
                               sink, hooks),
              kLoadOk);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(calls, (std::vector<std::string>{"enter", "opened", "leave"}));
    EXPECT_EQ(panes_.descriptors[kBefore].extensionNumber, 1);
    // Without hooks it works the same.
    EXPECT_EQ(openFileIntoPane(panes_, kAfter, write("b.c", "b\r\n"), table, settings_, sink),
              kLoadOk);
}

TEST_F(LoaderFiles, BothCommandLineFilesOpenAtOnceWithTheMessagesInOrder) {
    ExtensionTable table;
    table.extensionCount = 1;
    table.definitions[0].name = "c";
    std::vector<std::string> calls;
    OpenFileHooks hooks{[&] { calls.push_back("enter"); }, [&] { calls.push_back("opened"); },
                        [&] { calls.push_back("leave"); }};
    RecordingSink sink;
    auto results = openFilesIntoPanes(panes_, {write("readme", "x\n"), write("b.c", "int b;\n")},
                                      table, settings_, sink, hooks);
    EXPECT_EQ(results, (std::array<int, kSides>{kLoadNoExtension, kLoadOk}));
    ASSERT_EQ(sink.messages.size(), 1U);
    EXPECT_EQ(sink.messages[0].rfind(std::string(kMsgNoExtensionInfo) + "\n", 0), 0U);
    EXPECT_EQ(calls, (std::vector<std::string>{"enter", "opened", "leave"}));
    EXPECT_FALSE(panes_.present[kAfter]);
    EXPECT_TRUE(panes_.present[kBefore]);

    // An unreadable after file is reported before a before file without a definition; an empty
    // path leaves its side as it was.
    sink.messages.clear();
    results = openFilesIntoPanes(panes_, {(dir_ / "missing.c").string(), "b.txt"}, table, settings_,
                                 sink, {});
    EXPECT_EQ(results, (std::array<int, kSides>{kLoadCannotOpen, kLoadNoExtension}));
    EXPECT_EQ(sink.messages, (std::vector<std::string>{
                                 std::string(kMsgCannotOpen) + "\n" +
                                     (dir_ / "missing.c").string() + ": No such file or directory",
                                 std::string(kMsgNoExtensionInfo) +
                                     "\nb.txt: no definition for the extension \"txt\""}));
    sink.messages.clear();
    results = openFilesIntoPanes(panes_, {"", ""}, table, settings_, sink, hooks);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_TRUE(panes_.present[kBefore]);
}

// The stand-alone edition opens a file that no definition fits with the plain-text rules; a file
// its definition excludes stays refused.
TEST_F(LoaderFiles, PlainTextRulesForFilesNoDefinitionFits) {
    ExtensionTable table;
    table.extensionCount = 1;
    table.definitions[0].name = "c";
    table.definitions[0].excludedFiles = {"test"};
    OpenFileHooks hooks;
    hooks.plainTextFallback = true;
    RecordingSink sink;
    EXPECT_EQ(openFileIntoPane(panes_, kAfter, write("LICENSE", "MIT\r\n\r\nx\r\n"), table,
                               settings_, sink, hooks),
              kLoadOk);
    EXPECT_EQ(panes_.descriptors[kAfter].extensionNumber, kPlainTextRules);
    EXPECT_EQ(table.find(kPlainTextRules), nullptr);
    const auto results =
        openFilesIntoPanes(panes_, {write("notes.xyz", "a\r\n"), write("test_b.c", "b\r\n")}, table,
                           settings_, sink, hooks);
    EXPECT_EQ(results, (std::array<int, kSides>{kLoadOk, kLoadNoExtension}));
    EXPECT_EQ(panes_.descriptors[kAfter].extensionNumber, kPlainTextRules);
    ASSERT_EQ(sink.messages.size(), 1U);
    EXPECT_NE(sink.messages[0].find("excludes names containing \"test\""), std::string::npos);
    EXPECT_FALSE(panes_.present[kBefore]);
}

// The second line of "The file can not be opened." says what is wrong with the path.
TEST_F(LoaderFiles, OpenFailuresNameThePathAndTheReason) {
    auto reasonFor = [&](const std::string& path) {
        const int code = openAfterFile(panes_, path, 0, settings_);
        EXPECT_NE(code, kLoadOk) << path;
        const std::string message = openFailureMessage(path, code);
        EXPECT_EQ(message.rfind(std::string(kMsgCannotOpen) + "\n" + path + ": ", 0), 0U);
        return message.substr(kMsgCannotOpen.size() + 1 + path.size() + 2);
    };
    EXPECT_EQ(reasonFor((dir_ / "gone.c").string()), "No such file or directory");
    EXPECT_EQ(reasonFor((dir_ / "gone" / "a.c").string()), "No such file or directory");
    EXPECT_EQ(reasonFor(dir_.string()), "Is a directory");
    EXPECT_EQ(reasonFor(write("empty.c", "")), "the file is empty");
    EXPECT_EQ(reasonFor(write("one.c", "x")), "the file holds a single byte");
    EXPECT_EQ(reasonFor(std::string(600, 'a') + ".c"), "the path is longer than 521 characters");
#ifndef _WIN32
    EXPECT_EQ(reasonFor("/dev/null"), "not a regular file");
    if (::geteuid() != 0) {
        const std::string locked = write("locked.c", "int a;\n");
        fs::permissions(locked, fs::perms::none);
        EXPECT_EQ(reasonFor(locked), "Permission denied");
    }
#endif
}

// Keeping the texts an open has just read must leave the panes exactly as reading the files
// again would: texts, lengths and line tables, for every line-end mode, 8-bit and UTF-16.
TEST_F(LoaderFiles, TextsJustReadAreKeptExactlyAsAReloadWouldReadThem) {
    ExtensionTable table;
    table.extensionCount = 1;
    table.definitions[0].name = "c";
    const std::string pieces[] = {"a",        "\r", "\n",    "\r\n", std::string(1, '\0'),
                                  "\x81\x40", "\t", "int x;"};
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        settings_.delimit = round % 4;
        std::array<std::string, kSides> contents;
        for (std::string& c : contents) {
            c = round % 5 == 0 ? std::string("\xEF\xBB\xBF") : std::string();
            const auto n = 2 + random() % 40;
            for (std::size_t i = 0; i < n; ++i) {
                c += pieces[random() % std::size(pieces)];
            }
        }
        if (round % 7 == 3) {
            contents[kBefore] = std::string("\xFF\xFE", 2) +
                                std::string("a\0\r\0\n\0b\0\n\0c\0", 12) +
                                (round % 2 == 0 ? "x" : "");  // UTF-16, odd length too
        }
        const std::array<std::string, kSides> paths{write("a.c", contents[kAfter]),
                                                    write("b.c", contents[kBefore])};
        RecordingSink sink;
        ModulePanes kept;
        ModulePanes reread;
        openFilesIntoPanes(kept, paths, table, settings_, sink);
        openFilesIntoPanes(reread, paths, table, settings_, sink);
        const TextsRead justRead{kept.present[kAfter], kept.present[kBefore]};
        ASSERT_EQ(allocateTextBuffers(kept, justRead), 0);
        ASSERT_EQ(allocateLineRecords(kept), 0);
        ASSERT_EQ(allocateTextBuffers(reread), 0);
        ASSERT_EQ(allocateLineRecords(reread), 0);
        EXPECT_EQ(reloadBothModules(kept, settings_, justRead),
                  reloadBothModules(reread, settings_));
        for (std::size_t s = 0; s < kSides; ++s) {
            SCOPED_TRACE("round " + std::to_string(round) + " side " + std::to_string(s));
            EXPECT_EQ(kept.present[s], reread.present[s]);
            EXPECT_EQ(kept.hasBuffer[s], reread.hasBuffer[s]);
            EXPECT_EQ(kept.moduleLength[s], reread.moduleLength[s]);
            EXPECT_EQ(kept.moduleText[s].bytes, reread.moduleText[s].bytes);
            EXPECT_EQ(kept.moduleText[s].units, reread.moduleText[s].units);
            ASSERT_EQ(kept.lines[s].size(), reread.lines[s].size());
            for (std::size_t i = 0; i < kept.lines[s].size(); ++i) {
                ASSERT_EQ(kept.lines[s][i].status, reread.lines[s][i].status);
                ASSERT_EQ(kept.lines[s][i].lineIndex, reread.lines[s][i].lineIndex);
            }
        }
        EXPECT_EQ(kept.lineTableSize, reread.lineTableSize);
    }
}

TEST_F(LoaderFiles, LineTablesHoldEveryLineOfTheTexts) {
    std::string many;
    for (int i = 0; i < 50; ++i) {
        many += "x\r\n";
    }
    const std::string path = write("many.c", many);
    panes_.present[kAfter] = true;
    ModuleDescriptor& d = panes_.descriptors[kAfter];
    d = fileRange(path, 0, static_cast<std::int32_t>(many.size()) - 1);
    d.totalSteps = 3;  // the data file promises far fewer lines than there are
    ASSERT_EQ(allocateTextBuffers(panes_), 0);
    ASSERT_EQ(allocateLineRecords(panes_), 0);
    ASSERT_TRUE(reloadBothModules(panes_, settings_).ok());
    EXPECT_EQ(panes_.lineTableSize, 1 + 51);  // 50 lines and a possible unterminated one
    for (const LineTable& t : panes_.lines) {
        EXPECT_GE(t.size(), static_cast<std::size_t>(panes_.lineTableSize));
    }
    EXPECT_EQ(panes_.lines[kAfter][50].lineIndex, 50);  // the grown part is reset too

    // UTF-16 text is counted in units: CR and LF bytes of a CR LF pair are not adjacent there.
    std::string wide;
    for (int i = 0; i < 30; ++i) {
        wide += std::string("x\0\r\0\n\0", 6);
    }
    panes_.present[kBefore] = true;
    ModuleDescriptor& w = panes_.descriptors[kBefore];
    w = fileRange(write("wide.c", wide), 0, static_cast<std::int32_t>(wide.size()) - 1);
    w.utf16 = 1;
    ASSERT_EQ(allocateTextBuffers(panes_), 0);
    ASSERT_TRUE(reloadBothModules(panes_, settings_).ok());
    EXPECT_EQ(panes_.lineTableSize, 1 + 51 + 31);
    panes_.present[kBefore] = false;

    // A count beyond what the bytes can hold does not make the tables huge.
    d.totalSteps = INT32_MAX;
    d.noCountSteps = INT32_MAX;
    ASSERT_EQ(allocateLineRecords(panes_), 0);
    EXPECT_LE(panes_.lineTableSize, 2 * static_cast<std::int32_t>(many.size()) + 10);
    d.path = (dir_ / "missing.c").string();
    panes_.moduleText[kAfter].clear();
    ASSERT_EQ(allocateLineRecords(panes_), 0);
    EXPECT_LE(panes_.lineTableSize, 10);
    // A plausible count is honoured even before the text is read.
    d.path = path;
    d.totalSteps = 40;
    d.noCountSteps = 2;
    ASSERT_EQ(allocateLineRecords(panes_), 0);
    EXPECT_EQ(panes_.lineTableSize, 43);
}

TEST_F(LoaderFiles, ClearingOnePaneKeepsTheOtherAndShrinksTables) {
    std::string lines;
    for (int i = 0; i < 20; ++i) {
        lines += "y\r\n";
    }
    ASSERT_EQ(openAfterFile(panes_, write("a.c", lines), 0, settings_), kLoadOk);
    ASSERT_EQ(openBeforeFile(panes_, write("b.c", "z\r\n"), 0, settings_), kLoadOk);
    const std::int32_t both = panes_.lineTableSize;
    EXPECT_GE(both, 1 + 20 + 1);
    ASSERT_EQ(clearPane(panes_, kAfter), 0);
    EXPECT_FALSE(panes_.present[kAfter]);
    EXPECT_TRUE(panes_.descriptors[kAfter].path.empty());
    EXPECT_FALSE(panes_.hasBuffer[kAfter]);
    EXPECT_TRUE(panes_.present[kBefore]);
    EXPECT_LT(panes_.lineTableSize, both);
    EXPECT_EQ(panes_.lines[kAfter].size(), static_cast<std::size_t>(panes_.lineTableSize));
    ASSERT_TRUE(reloadBothModules(panes_, settings_).ok());
    EXPECT_EQ(panes_.moduleLength[kBefore], 3);
    EXPECT_EQ(panes_.moduleLength[kAfter], 0);
}

TEST(LineTableResets, SameResetsIndexesOtherValuesOnlyStatuses) {
    ModulePanes panes;
    panes.lineTableSize = 3;
    for (std::size_t s = 0; s < 2; ++s) {
        panes.lines[s].assign(4, LineRecord{LineStatus::Added, 9});
    }
    resetLineTables(panes, LineStatus::Deleted);
    EXPECT_EQ(panes.lines[1][2].status, LineStatus::Deleted);
    EXPECT_EQ(panes.lines[1][2].lineIndex, 9);

    resetStatuses(panes, LineStatus::Same);
    EXPECT_EQ(panes.lines[0][1].status, LineStatus::Same);
    EXPECT_EQ(panes.lines[0][1].lineIndex, 9);

    resetLineTables(panes, LineStatus::Same);
    EXPECT_EQ(panes.lines[1][2].lineIndex, 2);
    EXPECT_EQ(panes.lines[1][3].lineIndex, 9);  // beyond lineTableSize: untouched

    // A lineTableSize larger than the tables never walks past them.
    panes.lineTableSize = 100;
    resetLineTables(panes, LineStatus::Same);
    EXPECT_EQ(panes.lines[0][3].lineIndex, 3);
}

}  // namespace
}  // namespace tavelin
