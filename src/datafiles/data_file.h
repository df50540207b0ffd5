#pragma once
// The detailed data file written by the step counter before it starts the viewer: one binary
// image with the counter settings block, the two module descriptors and the step counts, each
// behind a presence word. Decoded field by field at fixed offsets, little-endian.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "datafiles/counter_settings.h"
#include "datafiles/records.h"

namespace tavelin {

constexpr std::string_view kDataFileName = "TaveDat168.dat";
constexpr std::string_view kDataFileMagic = "TaveDat168r1";  // 12 bytes, no terminator

// Layout of the image.
constexpr std::size_t kDataFileSize = 654928;
constexpr std::size_t kDataFileSettingsOffset = 16;
constexpr std::size_t kDataFileAfterPresenceOffset = 65468;
constexpr std::size_t kDataFileAfterModuleOffset = 359080;
constexpr std::size_t kDataFileBeforePresenceOffset = 360180;
constexpr std::size_t kDataFileBeforeModuleOffset = 653792;
constexpr std::size_t kDataFileStepPresenceOffset = 654892;
constexpr std::size_t kDataFileStepCountOffset = 654896;
constexpr std::size_t kModuleDescriptorSize = 1100;
constexpr std::size_t kStepCountRecordSize = 32;

// Offsets inside one module descriptor.
namespace descriptor_offset {
constexpr std::size_t kPath = 0;
constexpr std::size_t kClassName = 522;
constexpr std::size_t kModuleName = 778;
constexpr std::size_t kSelectedFolderLength = 1034;
constexpr std::size_t kExtensionNumber = 1040;
constexpr std::size_t kTopPosition = 1044;
constexpr std::size_t kEndPosition = 1048;
constexpr std::size_t kBytesFromTop = 1052;
constexpr std::size_t kLineNumber = 1056;
constexpr std::size_t kCompareFlag = 1060;
constexpr std::size_t kOutputFlag = 1061;
constexpr std::size_t kUtf16 = 1062;
constexpr std::size_t kCodeNo = 1063;
constexpr std::size_t kTotalSteps = 1064;
constexpr std::size_t kActualSteps = 1068;
constexpr std::size_t kTotalBytes = 1072;
constexpr std::size_t kActualBytes = 1076;
constexpr std::size_t kCommentBytes = 1080;
constexpr std::size_t kSpaceSteps = 1084;
constexpr std::size_t kNoCountSteps = 1088;
constexpr std::size_t kNoCountBytes = 1092;
constexpr std::size_t kPreprocessorBytes = 1096;
}  // namespace descriptor_offset

// Offsets inside the step-count record.
namespace step_count_offset {
constexpr std::size_t kOutputFlag = 8;
constexpr std::size_t kNewSteps = 12;
constexpr std::size_t kOriginalSteps = 16;
constexpr std::size_t kChangedSteps = 20;
constexpr std::size_t kReusedSteps = 24;
constexpr std::size_t kDeletedSteps = 28;
}  // namespace step_count_offset

// What the viewer takes from a data file. Everything stays at its default (zero, absent) unless
// the magic matched; a module or the step counts are taken only when their presence word is 1.
struct DetailedData {
    bool magicOk = false;
    CounterSettings settings;
    std::array<ModuleDescriptor, kSides> modules;  // side 0 after, side 1 before
    std::array<bool, kSides> modulePresent{false, false};
    StepCountRecord stepCounts;
    bool stepCountsPresent = false;
};

// Result codes of reading a data file.
constexpr int kDataFileOk = 0;
constexpr int kDataFileCannotOpen = -1;
constexpr int kDataFileBadMagic = -2;

// Decodes an image. A shorter input reads as if the missing tail were zero; bytes beyond
// kDataFileSize are ignored. Returns kDataFileOk or kDataFileBadMagic (then `data` is reset to
// its defaults).
int decodeDataFile(std::span<const unsigned char> bytes, DetailedData& data);

// Reads at most kDataFileSize bytes of the file and decodes them. kDataFileCannotOpen leaves
// `data` reset to its defaults, like a bad magic.
int readDataFile(const std::string& path, DetailedData& data);

// One descriptor or step-count record from its bytes (missing bytes read as zero).
ModuleDescriptor decodeModuleDescriptor(std::span<const unsigned char> bytes);
StepCountRecord decodeStepCountRecord(std::span<const unsigned char> bytes);

// Bounds-checked little-endian field access over a binary image: bytes beyond the end of the
// image read as zero.
namespace binary {
std::uint8_t readU8(std::span<const unsigned char> bytes, std::size_t offset);
std::uint16_t readLe16(std::span<const unsigned char> bytes, std::size_t offset);
std::uint32_t readLe32(std::span<const unsigned char> bytes, std::size_t offset);
std::uint64_t readLe64(std::span<const unsigned char> bytes, std::size_t offset);
inline std::int32_t readLeI32(std::span<const unsigned char> bytes, std::size_t offset) {
    return static_cast<std::int32_t>(readLe32(bytes, offset));
}
// A NUL-terminated string in a field of `fieldSize` bytes. A field without a NUL keeps its first
// fieldSize - 1 bytes: a fixed field never holds more than that.
std::string readFixedString(std::span<const unsigned char> bytes, std::size_t offset,
                            std::size_t fieldSize);
}  // namespace binary

}  // namespace tavelin
