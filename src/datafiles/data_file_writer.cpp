#include "datafiles/data_file_writer.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "datafiles/keyword_file.h"
#include "platform/file_read.h"

namespace tavelin {

namespace {

void require(std::span<unsigned char> out, std::size_t offset, std::size_t size) {
    if (offset > out.size() || size > out.size() - offset) {
        throw std::out_of_range("field outside the buffer");
    }
}

}  // namespace

void putLe16(std::span<unsigned char> out, std::size_t offset, std::uint16_t v) {
    require(out, offset, 2);
    out[offset] = static_cast<unsigned char>(v);
    out[offset + 1] = static_cast<unsigned char>(v >> 8);
}

void putLe32(std::span<unsigned char> out, std::size_t offset, std::uint32_t v) {
    require(out, offset, 4);
    for (std::size_t i = 0; i < 4; ++i) {
        out[offset + i] = static_cast<unsigned char>(v >> (8 * i));
    }
}

void putLe64(std::span<unsigned char> out, std::size_t offset, std::uint64_t v) {
    require(out, offset, 8);
    for (std::size_t i = 0; i < 8; ++i) {
        out[offset + i] = static_cast<unsigned char>(v >> (8 * i));
    }
}

void putFixedString(std::span<unsigned char> out, std::size_t offset, std::size_t fieldSize,
                    const std::string& s) {
    require(out, offset, fieldSize);
    std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(offset), fieldSize, 0);
    const std::size_t n = std::min(s.size(), fieldSize == 0 ? 0 : fieldSize - 1);
    std::memcpy(out.data() + offset, s.data(), n);
}

std::vector<unsigned char> encodeCounterSettingsBlock(const CounterSettings& settings) {
    std::vector<unsigned char> block(kCounterSettingsBlockSize, 0);
    for (const KeywordRow<CounterSettings>& row : counterSettingsTable()) {
        switch (row.handler) {
            case KeyHandler::Integer:
            case KeyHandler::Colour:
                putLe32(block, row.blockOffset,
                        static_cast<std::uint32_t>(settings.*(row.target.integer)));
                break;
            case KeyHandler::String:
                putFixedString(block, row.blockOffset, row.fieldSize, settings.*(row.target.text));
                break;
            case KeyHandler::FileList: {
                putLe32(block, row.blockOffset,
                        static_cast<std::uint32_t>(settings.*(row.target.integer)));
                const auto& entries = settings.*(row.target.files);
                for (std::size_t i = 0; i < entries.size(); ++i) {
                    const std::size_t at = kExtFileEntriesOffset + kExtFileEntrySize * i;
                    putFixedString(block, at, kExtFilePathField, entries[i].path);
                    putLe64(block, at + kExtFilePathField, entries[i].fileTime);
                }
                break;
            }
        }
    }
    return block;
}

void encodeModuleDescriptor(const ModuleDescriptor& d, std::span<unsigned char> out) {
    namespace o = descriptor_offset;
    require(out, 0, kModuleDescriptorSize);
    putFixedString(out, o::kPath, ModuleDescriptor::kPathField, d.path);
    putFixedString(out, o::kClassName, ModuleDescriptor::kClassNameField, d.className);
    putFixedString(out, o::kModuleName, ModuleDescriptor::kModuleNameField, d.moduleName);
    putLe16(out, o::kSelectedFolderLength, static_cast<std::uint16_t>(d.selectedFolderLength));
    putLe32(out, o::kExtensionNumber, static_cast<std::uint32_t>(d.extensionNumber));
    putLe32(out, o::kTopPosition, static_cast<std::uint32_t>(d.topPosition));
    putLe32(out, o::kEndPosition, static_cast<std::uint32_t>(d.endPosition));
    putLe32(out, o::kBytesFromTop, static_cast<std::uint32_t>(d.bytesFromTop));
    putLe32(out, o::kLineNumber, static_cast<std::uint32_t>(d.lineNumber));
    out[o::kCompareFlag] = d.compareFlag;
    out[o::kOutputFlag] = d.outputFlag;
    out[o::kUtf16] = d.utf16;
    out[o::kCodeNo] = d.codeNo;
    putLe32(out, o::kTotalSteps, static_cast<std::uint32_t>(d.totalSteps));
    putLe32(out, o::kActualSteps, static_cast<std::uint32_t>(d.actualSteps));
    putLe32(out, o::kTotalBytes, static_cast<std::uint32_t>(d.totalBytes));
    putLe32(out, o::kActualBytes, static_cast<std::uint32_t>(d.actualBytes));
    putLe32(out, o::kCommentBytes, static_cast<std::uint32_t>(d.commentBytes));
    putLe32(out, o::kSpaceSteps, static_cast<std::uint32_t>(d.spaceSteps));
    putLe32(out, o::kNoCountSteps, static_cast<std::uint32_t>(d.noCountSteps));
    putLe32(out, o::kNoCountBytes, static_cast<std::uint32_t>(d.noCountBytes));
    putLe32(out, o::kPreprocessorBytes, static_cast<std::uint32_t>(d.preprocessorBytes));
}

void encodeStepCountRecord(const StepCountRecord& r, std::span<unsigned char> out) {
    namespace o = step_count_offset;
    require(out, 0, kStepCountRecordSize);
    out[o::kOutputFlag] = r.outputFlag;
    putLe32(out, o::kNewSteps, static_cast<std::uint32_t>(r.newSteps));
    putLe32(out, o::kOriginalSteps, static_cast<std::uint32_t>(r.originalSteps));
    putLe32(out, o::kChangedSteps, static_cast<std::uint32_t>(r.changedSteps));
    putLe32(out, o::kReusedSteps, static_cast<std::uint32_t>(r.reusedSteps));
    putLe32(out, o::kDeletedSteps, static_cast<std::uint32_t>(r.deletedSteps));
}

std::vector<unsigned char> encodeDataFile(const DataFileContent& c) {
    std::vector<unsigned char> image(kDataFileSize, 0);
    std::span<unsigned char> out(image);
    std::memcpy(image.data(), c.magic.data(), std::min<std::size_t>(c.magic.size(), 12));
    const std::vector<unsigned char> block = encodeCounterSettingsBlock(c.settings);
    std::copy(block.begin(), block.end(), image.begin() + kDataFileSettingsOffset);
    putLe32(out, kDataFileAfterPresenceOffset, static_cast<std::uint32_t>(c.presence[kAfter]));
    encodeModuleDescriptor(c.modules[kAfter], out.subspan(kDataFileAfterModuleOffset));
    putLe32(out, kDataFileBeforePresenceOffset, static_cast<std::uint32_t>(c.presence[kBefore]));
    encodeModuleDescriptor(c.modules[kBefore], out.subspan(kDataFileBeforeModuleOffset));
    putLe32(out, kDataFileStepPresenceOffset, static_cast<std::uint32_t>(c.stepCountPresence));
    encodeStepCountRecord(c.stepCounts, out.subspan(kDataFileStepCountOffset));
    return image;
}

bool writeDataFile(const std::string& path, const DataFileContent& content, std::size_t size) {
    const std::vector<unsigned char> image = encodeDataFile(content);
    size = std::min(size, image.size());
    return writeWholeFile(path,
                          std::string_view(reinterpret_cast<const char*>(image.data()), size));
}

}  // namespace tavelin
