#include "datafiles/counter_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>

#include "datafiles/data_file.h"
#include "datafiles/keyword_file.h"
#include "support/data_file_writer.h"
#include "support/settings_writer.h"

namespace tavelin {
namespace {

using testing::SettingsFileWriter;

int read(CounterSettings& s, const SettingsFileWriter& w, const std::string& folder = "/prog") {
    return readCounterSettings(s, w.bytes(), folder, nullptr);
}

TEST(CounterSettingsTable, LayoutFitsTheBlockWithoutOverlaps) {
    auto rows = counterSettingsTable();
    ASSERT_EQ(rows.size(), 70u);
    std::set<std::string_view> keys;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> spans;
    for (const auto& row : rows) {
        EXPECT_TRUE(keys.insert(row.key).second) << row.key;
        EXPECT_LE(row.key.size(), kMaxKeyLength);
        std::uint32_t size = row.fieldSize;
        if (row.handler == KeyHandler::FileList) {
            size = static_cast<std::uint32_t>(4 + kExtFileEntrySize * kMaxExtFiles);
        }
        EXPECT_LE(row.blockOffset + size, kCounterSettingsBlockSize) << row.key;
        spans.emplace_back(row.blockOffset, row.blockOffset + size);
    }
    std::sort(spans.begin(), spans.end());
    for (std::size_t i = 1; i < spans.size(); ++i) {
        EXPECT_LE(spans[i - 1].second, spans[i].first) << "overlap at " << spans[i].first;
    }
}

TEST(CounterSettingsFile, ResetsBeforeParsingAndReportsKnownKeys) {
    CounterSettings s;
    s.webflg = 1;
    s.pathcnt = 9;
    s.csvext2no = 3;
    s.editor = "old";
    s.outpath = "old";
    s.delimit = 2;  // not reset: kept when the file lacks it
    s.foldclr = 1;
    SettingsFileWriter none;
    none.line("just a comment").line("[delimit]").line(" [DELIMIT]").line("3");
    EXPECT_EQ(read(s, none, "/prog/folder"), -1);
    EXPECT_EQ(s.webflg, -1);
    EXPECT_EQ(s.pathcnt, 0);
    EXPECT_EQ(s.csvext2no, 0);
    EXPECT_EQ(s.editor, "");
    EXPECT_EQ(s.outpath, "");
    EXPECT_EQ(s.extpath, "/prog/folder");
    EXPECT_EQ(s.delimit, 2);
    EXPECT_EQ(s.foldclr, 1);

    SettingsFileWriter one;
    one.integer("[DELIMIT]", 3);
    EXPECT_EQ(read(s, one), 0);
    EXPECT_EQ(s.delimit, 3);
    // The program folder is cut to what its field holds.
    read(s, one, std::string(600, 'f'));
    EXPECT_EQ(s.extpath.size(), kMaxPath);
}

TEST(CounterSettingsFile, InvalidValuesGiveTheRowDefaults) {
    CounterSettings s;
    SettingsFileWriter w;
    w.integer("[DELIMIT]", 7)
        .integer("[FOLDCLR]", 2)
        .integer("[MDCUTFLG]", -1)
        .integer("[MDCUTMAX]", 1000000)
        .integer("[NEXTLCHK]", 13)
        .integer("[CSVPATNO]", 10)
        .text("[CSVHDSTR]", std::string(600, 'h'))
        .text("[EDITOPT]", std::string(127, 'o'))
        .text("[CSVEXT1NAM]", std::string(64, 'n'))
        .text("[OUTPATH]", std::string(521, 'p'));
    ASSERT_EQ(read(s, w), 0);
    EXPECT_EQ(s.delimit, 0);
    EXPECT_EQ(s.foldclr, 1);
    EXPECT_EQ(s.mdcutflg, 1);
    EXPECT_EQ(s.mdcutmax, 1000000);
    EXPECT_EQ(s.nextlchk, 0);
    EXPECT_EQ(s.csvpatno, 10);
    EXPECT_EQ(s.csvhdstr, "");
    EXPECT_EQ(s.editopt.size(), 127u);
    EXPECT_EQ(s.csvext1nam, "");
    EXPECT_EQ(s.outpath.size(), 521u);
}

TEST(CounterSettingsFile, ExtFileList) {
    CounterSettings s;
    SettingsFileWriter three;
    three.line("[EXTFILE]").line("3").line("c.def").line("java.def");
    ASSERT_EQ(read(s, three), 0);
    EXPECT_EQ(s.extFileCount, 2);
    EXPECT_EQ(s.extFiles[1].path, "java.def");

    // 101 entries: count 0, no path read, the following lines parsed as keys.
    s = CounterSettings{};
    SettingsFileWriter many;
    many.line("[EXTFILE]").line("101").integer("[DELIMIT]", 2);
    for (int i = 0; i < 101; ++i) {
        many.line("x" + std::to_string(i) + ".def");
    }
    ASSERT_EQ(read(s, many), 0);
    EXPECT_EQ(s.extFileCount, 0);
    EXPECT_EQ(s.extFiles[0].path, "");
    EXPECT_EQ(s.delimit, 2);

    // All 100 entries fit.
    s = CounterSettings{};
    std::vector<std::string> paths;
    for (int i = 0; i < 100; ++i) {
        paths.push_back("p" + std::to_string(i));
    }
    SettingsFileWriter full;
    full.fileList("[EXTFILE]", paths);
    read(s, full);
    EXPECT_EQ(s.extFileCount, 100);
    EXPECT_EQ(s.extFiles[99].path, "p99");
}

TEST(CounterSettingsFile, ExtFileTimesComeFromTheFileSystem) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tavelin_counter_settings_" +
                      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(dir);
    const std::string def = (dir / "c.def").string();
    SettingsFileWriter w;
    w.line("x").writeTo(def);
    SettingsFileWriter list;
    list.fileList("[EXTFILE]", {def, (dir / "missing.def").string()});
    ASSERT_TRUE(list.writeTo((dir / "vaelsyst.dat").string()));

    CounterSettings s;
    s.extFiles[1].fileTime = 77;
    ASSERT_EQ(readCounterSettingsFile(s, dir.string()), 0);
    EXPECT_EQ(s.extFileCount, 2);
    EXPECT_GT(s.extFiles[0].fileTime, 116444736000000000ULL);  // after 1970
    EXPECT_EQ(s.extFiles[1].fileTime, 77u);
    EXPECT_EQ(s.extpath, dir.string());

    // A missing file changes nothing, not even the reset values.
    CounterSettings untouched;
    untouched.webflg = 1;
    EXPECT_EQ(readCounterSettingsFile(untouched, (dir / "nowhere").string()), -1);
    EXPECT_EQ(untouched.webflg, 1);
    std::filesystem::remove_all(dir);
}

TEST(CounterSettingsBlock, ValuesAtTheirOffsets) {
    std::vector<unsigned char> block(kCounterSettingsBlockSize, 0);
    testing::putLe32(block, 0, 3);    // [DELIMIT]
    testing::putLe32(block, 16, 1);   // [DLNONFLG]
    testing::putLe32(block, 68, 12);  // [NEXTLCHK]
    testing::putLe32(block, 120, 1);  // [BDELCFLG]
    testing::putLe32(block, 124, 2);  // [EXTFILE] count
    testing::putFixedString(block, 128 + 532, 524, "second.def");
    testing::putLe64(block, 128 + 532 + 524, 0x0102030405060708ULL);
    testing::putFixedString(block, 53328, 522, "editor.exe");
    testing::putFixedString(block, 54372, 128, "-n");
    testing::putFixedString(block, 62596, 512, "header");
    testing::putLe32(block, 64164, 1);  // [STRIFLG]
    testing::putFixedString(block, 64172, 522, "extpath");
    testing::putLe32(block, 64764, 10);  // [CSVEXT2NO]
    testing::putFixedString(block, 64800, 522, "out");
    testing::putFixedString(block, 65386, 64, "caption2");

    CounterSettings s;
    decodeCounterSettingsBlock(block, s);
    EXPECT_EQ(s.delimit, 3);
    EXPECT_EQ(s.dlnonflg, 1);
    EXPECT_EQ(s.nextlchk, 12);
    EXPECT_EQ(s.bdelcflg, 1);
    EXPECT_EQ(s.extFileCount, 2);
    EXPECT_EQ(s.extFiles[1].path, "second.def");
    EXPECT_EQ(s.extFiles[1].fileTime, 0x0102030405060708ULL);
    EXPECT_EQ(s.editor, "editor.exe");
    EXPECT_EQ(s.editopt, "-n");
    EXPECT_EQ(s.csvhdstr, "header");
    EXPECT_EQ(s.striflg, 1);
    EXPECT_EQ(s.extpath, "extpath");
    EXPECT_EQ(s.csvext2no, 10);
    EXPECT_EQ(s.outpath, "out");
    EXPECT_EQ(s.csvext2nam, "caption2");
    EXPECT_EQ(s.csvext1nam, "");
}

TEST(CounterSettingsBlock, UntrustedCountsRangesAndStrings) {
    std::vector<unsigned char> block(kCounterSettingsBlockSize, 0xAB);  // no NUL anywhere
    testing::putLe32(block, 124, 5000);
    testing::putLe32(block, 0, 0xFFFFFFFF);  // [DELIMIT] -1
    testing::putLe32(block, 68, 13);         // [NEXTLCHK] beyond the selector
    testing::putLe32(block, 72, 5);          // [MDCUTFLG] invalid -> 1
    CounterSettings s;
    decodeCounterSettingsBlock(block, s);
    EXPECT_EQ(s.extFileCount, 100);
    EXPECT_EQ(s.delimit, 0);
    EXPECT_EQ(s.nextlchk, 0);
    EXPECT_EQ(s.mdcutflg, 1);
    // A field without a NUL keeps field size - 1 bytes and never reads the next field.
    EXPECT_EQ(s.editor, std::string(521, '\xAB'));
    EXPECT_EQ(s.editopt.size(), 127u);
    EXPECT_EQ(s.csvhdstr.size(), 511u);
    EXPECT_EQ(s.csvext2nam.size(), 63u);
    EXPECT_EQ(s.extFiles[99].path.size(), 523u);

    testing::putLe32(block, 124, 0x80000000);
    decodeCounterSettingsBlock(block, s);
    EXPECT_EQ(s.extFileCount, 0);

    // A short block reads its missing tail as zero.
    std::vector<unsigned char> shortBlock(10, 0);
    shortBlock[0] = 2;
    decodeCounterSettingsBlock(shortBlock, s);
    EXPECT_EQ(s.delimit, 2);
    EXPECT_EQ(s.extFileCount, 0);
    EXPECT_EQ(s.csvext2nam, "");
}

TEST(CounterSettingsBlock, RoundTripThroughTheFileAndTheBlock) {
    // Every key set to a distinct valid value through the text file, then encoded and decoded.
    SettingsFileWriter w;
    int n = 0;
    for (const auto& row : counterSettingsTable()) {
        ++n;
        if (row.handler == KeyHandler::Integer) {
            w.integer(row.key, n % (row.value.maximum + 1));
        } else if (row.handler == KeyHandler::String) {
            w.text(row.key, "v" + std::to_string(n));
        } else {
            w.fileList(row.key, {"a.def", "b.def"});
        }
    }
    CounterSettings fromFile;
    ASSERT_EQ(read(fromFile, w), 0);
    CounterSettings fromBlock;
    decodeCounterSettingsBlock(testing::encodeCounterSettingsBlock(fromFile), fromBlock);
    n = 0;
    for (const auto& row : counterSettingsTable()) {
        ++n;
        if (row.handler == KeyHandler::Integer) {
            EXPECT_EQ(fromBlock.*(row.target.integer), n % (row.value.maximum + 1)) << row.key;
        } else if (row.handler == KeyHandler::String) {
            EXPECT_EQ(fromBlock.*(row.target.text), "v" + std::to_string(n)) << row.key;
        }
    }
    EXPECT_EQ(fromBlock.extFileCount, 2);
    EXPECT_EQ(fromBlock.extFiles[1].path, "b.def");
}

}  // namespace
}  // namespace tavelin
