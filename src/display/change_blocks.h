#pragma once
// Change blocks of a comparison: runs of consecutive rows where either list's row is not Same.
// They drive the block-by-block jumps and the overview strip beside the lists; found in one pass
// over the rows when the lists are rebuilt.

#include <cstdint>
#include <optional>
#include <vector>

#include "display/code_lists.h"

namespace tavelin {

struct ChangeBlock {
    std::int32_t first = 0;  // first row of the block
    std::int32_t last = 0;   // last row of the block
    // What each list (0 left, 1 right) holds in the block: the strongest status of its rows
    // (Added or Deleted before Blank before Same).
    LineStatus left = LineStatus::Same;
    LineStatus right = LineStatus::Same;
};

// The blocks of both lists, in row order. Rows past a list's end count as Same; statuses above
// Blank are drawn like Same and do not make a block.
std::vector<ChangeBlock> changeBlocks(const CodeListModels& models);

// The index of the first block that starts after `row`, or of the last one that starts before
// it; nothing when there is none.
std::optional<std::size_t> nextBlock(const std::vector<ChangeBlock>& blocks, std::int32_t row);
std::optional<std::size_t> previousBlock(const std::vector<ChangeBlock>& blocks, std::int32_t row);

}  // namespace tavelin
