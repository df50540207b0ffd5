// Arbitrary bytes as a detailed data file: as they are, behind the magic, and placed into the
// records of a full image whose presence words are set, so every decoder is reached.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "datafiles/data_file.h"

namespace {

void place(std::vector<unsigned char>& image, std::size_t offset, std::size_t room,
           std::span<const unsigned char> input) {
    const std::size_t n = std::min({room, input.size(), image.size() - offset});
    std::copy_n(input.begin(), n, image.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavelin;
    const std::span<const unsigned char> input(data, size);
    DetailedData decoded;
    decodeDataFile(input, decoded);

    std::vector<unsigned char> withMagic(kDataFileMagic.begin(), kDataFileMagic.end());
    withMagic.insert(withMagic.end(), data, data + size);
    decodeDataFile(withMagic, decoded);

    static std::vector<unsigned char> image(kDataFileSize);
    std::fill(image.begin(), image.end(), 0);
    std::copy(kDataFileMagic.begin(), kDataFileMagic.end(), image.begin());
    for (std::size_t word : {kDataFileAfterPresenceOffset, kDataFileBeforePresenceOffset,
                             kDataFileStepPresenceOffset}) {
        image[word] = 1;
    }
    place(image, kDataFileAfterModuleOffset, kModuleDescriptorSize, input);
    place(image, kDataFileBeforeModuleOffset, kModuleDescriptorSize, input);
    place(image, kDataFileStepCountOffset, kStepCountRecordSize, input);
    // Cut the image by up to 1 KiB so the records also run into the end of the file.
    const std::size_t cut = size == 0 ? 0 : data[0] * 4u;
    decodeDataFile(std::span<const unsigned char>(image).first(image.size() - cut), decoded);
    return 0;
}
