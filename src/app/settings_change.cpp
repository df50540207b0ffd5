#include "app/settings_change.h"

#include <string_view>

namespace tavelin {

namespace {

constexpr std::size_t kMaxHelpPath = 521;
constexpr std::size_t kMaxHelpExtension = 31;

std::string trimmedAndCut(std::string_view text, std::size_t limit) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) {
        ++begin;
    }
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) {
        --end;
    }
    return std::string(text.substr(begin, std::min(end - begin, limit)));
}

}  // namespace

DisplaySettings displaySettings(const ViewerSettings& s) {
    DisplaySettings d;
    d.listPosition = s.listChg;
    d.image = s.imageChg;
    d.statusWidth = s.statusRes;
    d.deletedColour = s.delColor;
    d.addedColour = s.addColor;
    d.blankColour = s.spcColor;
    d.helpPath1 = s.helpPath1;
    d.help1Extension = s.help1Ext;
    d.helpPath2 = s.helpPath2;
    d.help2Extension = s.help2Ext;
    return d;
}

DisplayChange displayChange(const DisplaySettings& before, const DisplaySettings& after) {
    if (before.listPosition != after.listPosition || before.deletedColour != after.deletedColour ||
        before.addedColour != after.addedColour || before.blankColour != after.blankColour) {
        return DisplayChange::Lists;
    }
    if (before.image != after.image || before.statusWidth != after.statusWidth ||
        before.helpPath1 != after.helpPath1 || before.help1Extension != after.help1Extension ||
        before.helpPath2 != after.helpPath2 || before.help2Extension != after.help2Extension) {
        return DisplayChange::Other;
    }
    return DisplayChange::None;
}

DisplayChange storeDisplaySettings(ViewerSettings& s, const DisplaySettings& before,
                                   const DisplaySettings& after) {
    const DisplayChange change = displayChange(before, after);
    if (change == DisplayChange::None) {
        return change;
    }
    s.listChg = after.listPosition;
    s.imageChg = after.image;
    s.statusRes = after.statusWidth;
    s.delColor = after.deletedColour;
    s.addColor = after.addedColour;
    s.spcColor = after.blankColour;
    s.helpPath1 = trimmedAndCut(after.helpPath1, kMaxHelpPath);
    s.help1Ext = trimmedAndCut(after.help1Extension, kMaxHelpExtension);
    s.helpPath2 = trimmedAndCut(after.helpPath2, kMaxHelpPath);
    s.help2Ext = trimmedAndCut(after.help2Extension, kMaxHelpExtension);
    return change;
}

}  // namespace tavelin
