#pragma once
// Writes detailed data files: the magic, the counter settings block, the two module descriptors
// and the step counts, each behind its presence word (the layout data_file.h reads).
//
//   DataFileContent c;
//   c.modules[kAfter].path = "/src/a.c";
//   c.presence[kAfter] = 1;              // 1 = present; any other value reads as absent
//   c.settings.delimit = 2;
//   std::vector<unsigned char> image = encodeDataFile(c);   // 654928 bytes
//   writeDataFile(path, c);
//
// Fields are written at their fixed offsets, little-endian; strings are NUL-terminated and cut
// to their field size - 1. Stretches the viewer does not read stay zero.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "datafiles/counter_settings.h"
#include "datafiles/data_file.h"
#include "datafiles/records.h"

namespace tavelin {

struct DataFileContent {
    std::string magic = std::string(kDataFileMagic);  // the first 12 bytes are written
    CounterSettings settings;
    std::array<ModuleDescriptor, kSides> modules;
    std::array<std::int32_t, kSides> presence{0, 0};  // presence words, after and before
    StepCountRecord stepCounts;
    std::int32_t stepCountPresence = 0;
};

// The whole image (kDataFileSize bytes).
std::vector<unsigned char> encodeDataFile(const DataFileContent& content);
// Writes encodeDataFile(content), or its first `size` bytes when size is smaller.
bool writeDataFile(const std::string& path, const DataFileContent& content,
                   std::size_t size = kDataFileSize);

// The counter settings block (kCounterSettingsBlockSize bytes).
std::vector<unsigned char> encodeCounterSettingsBlock(const CounterSettings& settings);
// One descriptor into kModuleDescriptorSize bytes, one step-count record into 32 bytes.
void encodeModuleDescriptor(const ModuleDescriptor& d, std::span<unsigned char> out);
void encodeStepCountRecord(const StepCountRecord& r, std::span<unsigned char> out);

// Low-level helpers (the field must lie inside `out`).
void putLe16(std::span<unsigned char> out, std::size_t offset, std::uint16_t v);
void putLe32(std::span<unsigned char> out, std::size_t offset, std::uint32_t v);
void putLe64(std::span<unsigned char> out, std::size_t offset, std::uint64_t v);
void putFixedString(std::span<unsigned char> out, std::size_t offset, std::size_t fieldSize,
                    const std::string& s);

}  // namespace tavelin
