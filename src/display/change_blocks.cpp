#include "display/change_blocks.h"

#include <algorithm>

namespace tavelin {

namespace {

int strength(LineStatus status) {
    switch (status) {
        case LineStatus::Added:
        case LineStatus::Deleted:
            return 2;
        case LineStatus::Blank:
            return 1;
        default:
            return 0;
    }
}

LineStatus stronger(LineStatus held, LineStatus row) {
    return strength(shownStatus(row)) > strength(held) ? shownStatus(row) : held;
}

}  // namespace

std::vector<ChangeBlock> changeBlocks(const CodeListModels& models) {
    const CodeList& left = models.lists[0];
    const CodeList& right = models.lists[1];
    const std::int32_t rows = std::max(left.rowCount(), right.rowCount());
    std::vector<ChangeBlock> blocks;
    bool open = false;
    for (std::int32_t r = 0; r < rows; ++r) {
        const LineStatus l = shownStatus(left.row(r).status);
        const LineStatus rt = shownStatus(right.row(r).status);
        if (l == LineStatus::Same && rt == LineStatus::Same) {
            open = false;
            continue;
        }
        if (!open) {
            blocks.push_back({r, r, LineStatus::Same, LineStatus::Same});
            open = true;
        }
        ChangeBlock& b = blocks.back();
        b.last = r;
        b.left = stronger(b.left, l);
        b.right = stronger(b.right, rt);
    }
    return blocks;
}

std::optional<std::size_t> nextBlock(const std::vector<ChangeBlock>& blocks, std::int32_t row) {
    const auto it =
        std::upper_bound(blocks.begin(), blocks.end(), row,
                         [](std::int32_t r, const ChangeBlock& block) { return r < block.first; });
    if (it == blocks.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(it - blocks.begin());
}

std::optional<std::size_t> previousBlock(const std::vector<ChangeBlock>& blocks, std::int32_t row) {
    const auto it =
        std::lower_bound(blocks.begin(), blocks.end(), row,
                         [](const ChangeBlock& block, std::int32_t r) { return block.first < r; });
    if (it == blocks.begin()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(it - blocks.begin()) - 1;
}

}  // namespace tavelin
