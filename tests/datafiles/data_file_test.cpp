#include "datafiles/data_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "support/data_file_writer.h"

namespace tavelin {
namespace {

using testing::DataFileContent;
using testing::encodeDataFile;

DataFileContent sampleContent() {
    DataFileContent c;
    c.settings.delimit = 2;
    c.settings.csvapath = "warn.csv";
    c.settings.extFileCount = 1;
    c.settings.extFiles[0].path = "c.def";
    ModuleDescriptor& a = c.modules[kAfter];
    a.path = "/src/after.c";
    a.className = "cls";
    a.moduleName = "main";
    a.selectedFolderLength = -3;
    a.extensionNumber = 4;
    a.topPosition = 100;
    a.endPosition = 1999;
    a.bytesFromTop = 7;
    a.lineNumber = 12;
    a.compareFlag = 1;
    a.outputFlag = 2;
    a.utf16 = 1;
    a.codeNo = 1;
    a.totalSteps = 50;
    a.actualSteps = 40;
    a.totalBytes = 1900;
    a.actualBytes = 1500;
    a.commentBytes = 300;
    a.spaceSteps = 5;
    a.noCountSteps = 3;
    a.noCountBytes = 60;
    a.preprocessorBytes = 40;
    c.modules[kBefore].path = "/src/before.c";
    c.modules[kBefore].totalSteps = -1;
    c.presence = {1, 1};
    c.stepCounts = {9, 1, 2, 3, 4, 5};
    c.stepCountPresence = 1;
    return c;
}

TEST(DataFile, DecodesEveryFieldAtItsOffset) {
    const std::vector<unsigned char> image = encodeDataFile(sampleContent());
    ASSERT_EQ(image.size(), kDataFileSize);
    // Spot checks of the raw layout, independent of the writer's own offsets.
    EXPECT_EQ(std::string(image.begin(), image.begin() + 12), "TaveDat168r1");
    EXPECT_EQ(image[16], 2);             // [DELIMIT] at the start of the settings block
    EXPECT_EQ(image[65468], 1);          // after presence word
    EXPECT_EQ(image[359080], '/');       // after path
    EXPECT_EQ(image[359080 + 1040], 4);  // extension number
    EXPECT_EQ(image[359080 + 1063], 1);  // code number
    EXPECT_EQ(image[360180], 1);         // before presence word
    EXPECT_EQ(image[654892], 1);         // step-count presence word
    EXPECT_EQ(image[654896 + 8], 9);     // output flag
    EXPECT_EQ(image[654896 + 28], 5);    // deleted steps

    DetailedData d;
    ASSERT_EQ(decodeDataFile(image, d), kDataFileOk);
    EXPECT_TRUE(d.magicOk);
    EXPECT_EQ(d.settings.delimit, 2);
    EXPECT_EQ(d.settings.csvapath, "warn.csv");
    EXPECT_EQ(d.settings.extFileCount, 1);
    EXPECT_EQ(d.settings.extFiles[0].path, "c.def");
    ASSERT_TRUE(d.modulePresent[kAfter]);
    ASSERT_TRUE(d.modulePresent[kBefore]);
    const ModuleDescriptor& a = d.modules[kAfter];
    const DataFileContent expected = sampleContent();
    const ModuleDescriptor& e = expected.modules[kAfter];
    EXPECT_EQ(a.path, e.path);
    EXPECT_EQ(a.className, e.className);
    EXPECT_EQ(a.moduleName, e.moduleName);
    EXPECT_EQ(a.selectedFolderLength, -3);
    EXPECT_EQ(a.extensionNumber, 4);
    EXPECT_EQ(a.topPosition, 100);
    EXPECT_EQ(a.endPosition, 1999);
    EXPECT_EQ(a.bytesFromTop, 7);
    EXPECT_EQ(a.lineNumber, 12);
    EXPECT_EQ(a.compareFlag, 1);
    EXPECT_EQ(a.outputFlag, 2);
    EXPECT_EQ(a.utf16, 1);
    EXPECT_EQ(a.codeNo, 1);
    EXPECT_EQ(a.totalSteps, 50);
    EXPECT_EQ(a.actualSteps, 40);
    EXPECT_EQ(a.totalBytes, 1900);
    EXPECT_EQ(a.actualBytes, 1500);
    EXPECT_EQ(a.commentBytes, 300);
    EXPECT_EQ(a.spaceSteps, 5);
    EXPECT_EQ(a.noCountSteps, 3);
    EXPECT_EQ(a.noCountBytes, 60);
    EXPECT_EQ(a.preprocessorBytes, 40);
    EXPECT_EQ(d.modules[kBefore].path, "/src/before.c");
    EXPECT_EQ(d.modules[kBefore].totalSteps, -1);
    ASSERT_TRUE(d.stepCountsPresent);
    EXPECT_EQ(d.stepCounts.outputFlag, 9);
    EXPECT_EQ(d.stepCounts.newSteps, 1);
    EXPECT_EQ(d.stepCounts.originalSteps, 2);
    EXPECT_EQ(d.stepCounts.changedSteps, 3);
    EXPECT_EQ(d.stepCounts.reusedSteps, 4);
    EXPECT_EQ(d.stepCounts.deletedSteps, 5);
}

TEST(DataFile, PresenceMeansExactlyOne) {
    DataFileContent c = sampleContent();
    c.presence = {1, 0};
    c.stepCountPresence = 1;
    DetailedData d;
    ASSERT_EQ(decodeDataFile(encodeDataFile(c), d), kDataFileOk);
    EXPECT_TRUE(d.modulePresent[kAfter]);
    EXPECT_FALSE(d.modulePresent[kBefore]);
    EXPECT_EQ(d.modules[kBefore].path, "");  // the record behind an absent word is ignored
    EXPECT_TRUE(d.stepCountsPresent);

    c.presence = {2, 0x101};
    c.stepCountPresence = -1;
    ASSERT_EQ(decodeDataFile(encodeDataFile(c), d), kDataFileOk);
    EXPECT_FALSE(d.modulePresent[kAfter]);
    EXPECT_FALSE(d.modulePresent[kBefore]);
    EXPECT_FALSE(d.stepCountsPresent);
    EXPECT_EQ(d.stepCounts.newSteps, 0);
}

TEST(DataFile, MagicAndSizes) {
    std::vector<unsigned char> image = encodeDataFile(sampleContent());
    DetailedData d;

    // Empty, shorter than the magic, exactly the magic.
    EXPECT_EQ(decodeDataFile({}, d), kDataFileBadMagic);
    EXPECT_EQ(decodeDataFile(std::span(image).first(11), d), kDataFileBadMagic);
    EXPECT_FALSE(d.magicOk);
    EXPECT_EQ(decodeDataFile(std::span(image).first(12), d), kDataFileOk);
    EXPECT_FALSE(d.modulePresent[kAfter]);
    EXPECT_EQ(d.settings.delimit, 0);

    // The file ends inside the after descriptor: its missing tail reads as zero, and the
    // presence words after it read as absent.
    EXPECT_EQ(decodeDataFile(std::span(image).first(359080 + 1046), d), kDataFileOk);
    ASSERT_TRUE(d.modulePresent[kAfter]);
    EXPECT_EQ(d.modules[kAfter].path, "/src/after.c");
    EXPECT_EQ(d.modules[kAfter].topPosition, 100);  // its upper two bytes were zero anyway
    EXPECT_EQ(d.modules[kAfter].endPosition, 0);
    EXPECT_EQ(d.modules[kAfter].lineNumber, 0);
    EXPECT_FALSE(d.modulePresent[kBefore]);
    EXPECT_FALSE(d.stepCountsPresent);

    // A longer file: the excess is ignored.
    image.resize(kDataFileSize + 5000, 0xFF);
    EXPECT_EQ(decodeDataFile(image, d), kDataFileOk);
    EXPECT_EQ(d.stepCounts.deletedSteps, 5);

    // A changed magic byte rejects everything.
    image[11] = '2';
    EXPECT_EQ(decodeDataFile(image, d), kDataFileBadMagic);
    EXPECT_FALSE(d.modulePresent[kAfter]);
    EXPECT_FALSE(d.stepCountsPresent);
    EXPECT_EQ(d.settings.delimit, 0);
    EXPECT_EQ(d.settings.csvapath, "");
}

TEST(DataFile, StringFieldsWithoutTerminator) {
    DataFileContent c = sampleContent();
    std::vector<unsigned char> image = encodeDataFile(c);
    std::fill_n(image.begin() + 359080, 1034, 'x');  // path, class and module name, no NUL
    DetailedData d;
    ASSERT_EQ(decodeDataFile(image, d), kDataFileOk);
    EXPECT_EQ(d.modules[kAfter].path, std::string(521, 'x'));
    EXPECT_EQ(d.modules[kAfter].className, std::string(255, 'x'));
    EXPECT_EQ(d.modules[kAfter].moduleName, std::string(255, 'x'));
}

TEST(DataFile, ReadsAtMostOneImageFromTheFile) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tavelin_data_file_" +
                      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "TaveDat168.dat").string();
    DetailedData d;
    EXPECT_EQ(readDataFile(path, d), kDataFileCannotOpen);
#ifdef _WIN32
    EXPECT_EQ(readDataFile(dir.string(), d), kDataFileCannotOpen);  // Windows opens no folder
#else
    EXPECT_EQ(readDataFile(dir.string(), d), kDataFileBadMagic);  // a folder reads as nothing
#endif

    ASSERT_TRUE(testing::writeDataFile(path, sampleContent()));
    {
        std::FILE* f = std::fopen(path.c_str(), "ab");
        ASSERT_NE(f, nullptr);
        std::fputs("excess bytes", f);
        std::fclose(f);
    }
    ASSERT_EQ(readDataFile(path, d), kDataFileOk);
    EXPECT_EQ(d.stepCounts.deletedSteps, 5);
    EXPECT_EQ(d.modules[kBefore].path, "/src/before.c");

    // A short file: the presence words in the missing part read as absent.
    ASSERT_TRUE(testing::writeDataFile(path, sampleContent(), 360180));
    ASSERT_EQ(readDataFile(path, d), kDataFileOk);
    EXPECT_TRUE(d.modulePresent[kAfter]);
    EXPECT_FALSE(d.modulePresent[kBefore]);
    EXPECT_FALSE(d.stepCountsPresent);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tavelin
