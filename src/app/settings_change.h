#pragma once
// What the system settings dialog edits, and how its OK decides what changed and stores it.

#include <cstdint>
#include <string>

#include "datafiles/viewer_settings.h"

namespace tavelin {

// The values of the dialog: list position, logo image, status width, the three line colours
// (0x00BBGGRR) and the two help locations with their extensions.
struct DisplaySettings {
    std::int32_t listPosition = 0;
    std::int32_t image = 0;
    std::int32_t statusWidth = 400;
    std::int32_t deletedColour = kDefaultDeletedColour;
    std::int32_t addedColour = kDefaultAddedColour;
    std::int32_t blankColour = kDefaultBlankColour;
    std::string helpPath1;
    std::string help1Extension;
    std::string helpPath2;
    std::string help2Extension;

    bool operator==(const DisplaySettings&) const = default;
};

// What must be redone after the dialog: nothing (0); the code lists shown anew, because the list
// position or a colour changed (1); only the rest (2).
enum class DisplayChange : int { None = 0, Lists = 1, Other = 2 };

DisplaySettings displaySettings(const ViewerSettings& settings);

// The change from `before` (the values when the dialog was shown) to `after` (the controls).
DisplayChange displayChange(const DisplaySettings& before, const DisplaySettings& after);

// OK: when anything changed, stores every value; the four texts without the bytes at or below
// 0x20 at either end and cut to what their fields hold (521 and 31 characters). Returns the
// change.
DisplayChange storeDisplaySettings(ViewerSettings& settings, const DisplaySettings& before,
                                   const DisplaySettings& after);

}  // namespace tavelin
