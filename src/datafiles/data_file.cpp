#include "datafiles/data_file.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace tavelin {

namespace binary {

std::uint8_t readU8(std::span<const unsigned char> bytes, std::size_t offset) {
    return offset < bytes.size() ? bytes[offset] : 0;
}

std::uint16_t readLe16(std::span<const unsigned char> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(readU8(bytes, offset) | (readU8(bytes, offset + 1) << 8));
}

std::uint32_t readLe32(std::span<const unsigned char> bytes, std::size_t offset) {
    std::uint32_t v = 0;
    for (std::size_t i = 4; i-- > 0;) {
        v = (v << 8) | readU8(bytes, offset + i);
    }
    return v;
}

std::uint64_t readLe64(std::span<const unsigned char> bytes, std::size_t offset) {
    std::uint64_t v = 0;
    for (std::size_t i = 8; i-- > 0;) {
        v = (v << 8) | readU8(bytes, offset + i);
    }
    return v;
}

std::string readFixedString(std::span<const unsigned char> bytes, std::size_t offset,
                            std::size_t fieldSize) {
    std::string out;
    if (fieldSize == 0 || offset >= bytes.size()) {
        return out;
    }
    const std::size_t available = std::min(fieldSize - 1, bytes.size() - offset);
    for (std::size_t i = 0; i < available; ++i) {
        const unsigned char c = bytes[offset + i];
        if (c == 0) {
            break;
        }
        out.push_back(static_cast<char>(c));
    }
    return out;
}

}  // namespace binary

namespace {

// The part of an image that starts at `offset` (empty when the image is shorter).
std::span<const unsigned char> from(std::span<const unsigned char> bytes, std::size_t offset) {
    return offset < bytes.size() ? bytes.subspan(offset) : std::span<const unsigned char>();
}

}  // namespace

ModuleDescriptor decodeModuleDescriptor(std::span<const unsigned char> bytes) {
    using namespace binary;
    namespace o = descriptor_offset;
    if (bytes.size() > kModuleDescriptorSize) {
        bytes = bytes.first(kModuleDescriptorSize);
    }
    ModuleDescriptor d;
    d.path = readFixedString(bytes, o::kPath, ModuleDescriptor::kPathField);
    d.className = readFixedString(bytes, o::kClassName, ModuleDescriptor::kClassNameField);
    d.moduleName = readFixedString(bytes, o::kModuleName, ModuleDescriptor::kModuleNameField);
    d.selectedFolderLength = static_cast<std::int16_t>(readLe16(bytes, o::kSelectedFolderLength));
    d.extensionNumber = readLeI32(bytes, o::kExtensionNumber);
    d.topPosition = readLeI32(bytes, o::kTopPosition);
    d.endPosition = readLeI32(bytes, o::kEndPosition);
    d.bytesFromTop = readLeI32(bytes, o::kBytesFromTop);
    d.lineNumber = readLeI32(bytes, o::kLineNumber);
    d.compareFlag = readU8(bytes, o::kCompareFlag);
    d.outputFlag = readU8(bytes, o::kOutputFlag);
    d.utf16 = readU8(bytes, o::kUtf16);
    d.codeNo = readU8(bytes, o::kCodeNo);
    d.totalSteps = readLeI32(bytes, o::kTotalSteps);
    d.actualSteps = readLeI32(bytes, o::kActualSteps);
    d.totalBytes = readLeI32(bytes, o::kTotalBytes);
    d.actualBytes = readLeI32(bytes, o::kActualBytes);
    d.commentBytes = readLeI32(bytes, o::kCommentBytes);
    d.spaceSteps = readLeI32(bytes, o::kSpaceSteps);
    d.noCountSteps = readLeI32(bytes, o::kNoCountSteps);
    d.noCountBytes = readLeI32(bytes, o::kNoCountBytes);
    d.preprocessorBytes = readLeI32(bytes, o::kPreprocessorBytes);
    return d;
}

StepCountRecord decodeStepCountRecord(std::span<const unsigned char> bytes) {
    using namespace binary;
    namespace o = step_count_offset;
    if (bytes.size() > kStepCountRecordSize) {
        bytes = bytes.first(kStepCountRecordSize);
    }
    StepCountRecord r;
    r.outputFlag = readU8(bytes, o::kOutputFlag);
    r.newSteps = readLeI32(bytes, o::kNewSteps);
    r.originalSteps = readLeI32(bytes, o::kOriginalSteps);
    r.changedSteps = readLeI32(bytes, o::kChangedSteps);
    r.reusedSteps = readLeI32(bytes, o::kReusedSteps);
    r.deletedSteps = readLeI32(bytes, o::kDeletedSteps);
    return r;
}

int decodeDataFile(std::span<const unsigned char> bytes, DetailedData& data) {
    data = DetailedData{};
    if (bytes.size() > kDataFileSize) {
        bytes = bytes.first(kDataFileSize);
    }
    if (bytes.size() < kDataFileMagic.size() ||
        !std::equal(kDataFileMagic.begin(), kDataFileMagic.end(), bytes.begin(),
                    [](char a, unsigned char b) { return static_cast<unsigned char>(a) == b; })) {
        return kDataFileBadMagic;
    }
    data.magicOk = true;
    std::span<const unsigned char> block = from(bytes, kDataFileSettingsOffset);
    if (block.size() > kCounterSettingsBlockSize) {
        block = block.first(kCounterSettingsBlockSize);
    }
    decodeCounterSettingsBlock(block, data.settings);

    // Only the exact value 1 means present.
    if (binary::readLeI32(bytes, kDataFileAfterPresenceOffset) == 1) {
        data.modules[kAfter] = decodeModuleDescriptor(from(bytes, kDataFileAfterModuleOffset));
        data.modulePresent[kAfter] = true;
    }
    if (binary::readLeI32(bytes, kDataFileBeforePresenceOffset) == 1) {
        data.modules[kBefore] = decodeModuleDescriptor(from(bytes, kDataFileBeforeModuleOffset));
        data.modulePresent[kBefore] = true;
    }
    if (binary::readLeI32(bytes, kDataFileStepPresenceOffset) == 1) {
        data.stepCounts = decodeStepCountRecord(from(bytes, kDataFileStepCountOffset));
        data.stepCountsPresent = true;
    }
    return kDataFileOk;
}

int readDataFile(const std::string& path, DetailedData& data) {
    data = DetailedData{};
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return kDataFileCannotOpen;
    }
    // At most one image; a read error leaves what was read (a folder reads as nothing).
    std::vector<unsigned char> image(kDataFileSize);
    std::size_t got = 0;
    while (got < image.size()) {
        const std::size_t n = std::fread(image.data() + got, 1, image.size() - got, f);
        if (n == 0) {
            break;
        }
        got += n;
    }
    std::fclose(f);
    return decodeDataFile(std::span<const unsigned char>(image.data(), got), data);
}

}  // namespace tavelin
