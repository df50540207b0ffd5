#pragma once
// Finding a text in the two code lists, row by row in list order (the left list's row before the
// right list's), in the module texts themselves: the text looked for is put into each module's
// encoding once and each row's units are searched where they lie, so that a million rows take a
// pass over the texts and no caption is formatted. Without letter case, ASCII letters (and in
// UTF-16 text the letters the upper-case table knows) match either case.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "datafiles/module_panes.h"
#include "display/code_lists.h"

namespace tavelin {

struct FindOptions {
    bool matchCase = false;
    // The match may neither follow nor be followed by a letter, digit or underscore (or by a
    // character outside ASCII).
    bool wholeWord = false;
};

struct FindPlace {
    int list = 0;           // 0 left, 1 right
    std::int32_t row = -1;  // -1: before the first row (forward) or after the last (backward)
};

struct FindResult {
    FindPlace place;
    bool wrapped = false;  // found only by going round past the end (or the start)
};

// The next (or previous) row after `from` that holds `needle`, going round once; nothing when no
// row holds it or the needle is empty.
std::optional<FindResult> findInLists(const ModulePanes& panes, const CodeListModels& models,
                                      std::u16string_view needle, const FindOptions& options,
                                      FindPlace from, bool forward);

// Whether one row holds the needle.
bool rowHolds(const ModulePanes& panes, const CodeList& list, std::int32_t row,
              std::u16string_view needle, const FindOptions& options);

}  // namespace tavelin
