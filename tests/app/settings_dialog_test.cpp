// What the settings dialog's OK stores, the internal data monitor's rows, and where dialogs go.

#include <gtest/gtest.h>

#include "app/data_monitor.h"
#include "app/settings_change.h"
#include "app/window_placement.h"

namespace tavelin {
namespace {

TEST(DisplaySettings, ChangeKindsAndWhatOkStores) {
    ViewerSettings vs;
    const DisplaySettings before = displaySettings(vs);
    // Nothing changed: kind 0, nothing stored.
    EXPECT_EQ(storeDisplaySettings(vs, before, before), DisplayChange::None);

    DisplaySettings after = before;
    after.help1Extension = "html";  // only a help extension
    EXPECT_EQ(displayChange(before, after), DisplayChange::Other);
    after.image = 2;
    after.statusWidth = 500;
    EXPECT_EQ(displayChange(before, after), DisplayChange::Other);
    after.addedColour = 0x123456;  // a colour: the lists are rebuilt
    EXPECT_EQ(displayChange(before, after), DisplayChange::Lists);
    after = before;
    after.listPosition = 1;
    EXPECT_EQ(displayChange(before, after), DisplayChange::Lists);

    // The texts are stored without blanks and control bytes at either end, cut to their fields.
    after.helpPath1 = "  \t/usr/share/help \r\n";
    after.help1Extension = std::string(40, 'e');
    after.helpPath2 = std::string(600, 'p') + " ";
    after.help2Extension = " htm";
    EXPECT_EQ(storeDisplaySettings(vs, before, after), DisplayChange::Lists);
    EXPECT_EQ(vs.helpPath1, "/usr/share/help");
    EXPECT_EQ(vs.help1Ext, std::string(31, 'e'));
    EXPECT_EQ(vs.helpPath2, std::string(521, 'p'));
    EXPECT_EQ(vs.help2Ext, "htm");
    EXPECT_EQ(vs.listChg, 1);
}

TEST(DataMonitor, RowsNumberedWithoutGapsForThePresentModules) {
    Session session;
    session.stepCounts.changedSteps = 7;
    EXPECT_EQ(dataMonitorRows(session).size(), 6U);  // no module: the record alone
    EXPECT_EQ(dataMonitorRows(session)[3].value, "7");

    session.panes.present[kBefore] = true;
    session.panes.descriptors[kBefore].selectedFolderLength = -3;
    session.panes.descriptors[kBefore].codeNo = 200;
    std::vector<MonitorRow> rows = dataMonitorRows(session);
    ASSERT_EQ(rows.size(), 29U);
    EXPECT_EQ(rows[6].number, "7");
    EXPECT_EQ(rows[6].name, "Module information before change");
    EXPECT_EQ(rows[6].value, "");
    EXPECT_EQ(rows[10].name, "Length of selected folder");
    EXPECT_EQ(rows[10].value, "-3");  // the 16-bit field is signed
    EXPECT_EQ(rows[19].name, "Code No.");
    EXPECT_EQ(rows[19].value, "200");  // bytes are unsigned
    EXPECT_EQ(rows[9].name, "Module name");
    EXPECT_EQ(rows[9].value, "");

    session.panes.present[kAfter] = true;
    rows = dataMonitorRows(session);
    ASSERT_EQ(rows.size(), 52U);
    EXPECT_EQ(rows[6].name, "Module information after change");
    EXPECT_EQ(rows[29].name, "Module information before change");
    EXPECT_EQ(rows[51].number, "52");
    EXPECT_EQ(rows[51].name, "Pre-processor number of bytes");
}

TEST(DialogPlacement, EachAxisMovesOnlyWhenItFitsNoMonitor) {
    const MonitorRect screens[] = {{0, 0, 1000, 800}, {1000, 0, 800, 600}};
    // Fits: stays.
    EXPECT_EQ(placeDialog({100, 100, 300, 200}, screens).left, 100);
    EXPECT_EQ(placeDialog({100, 100, 300, 200}, screens).top, 100);
    // Off every screen vertically only: moves vertically to the first screen's centre.
    const MonitorRect low = placeDialog({1200, 900, 300, 200}, screens);
    EXPECT_EQ(low.left, 1200);
    EXPECT_EQ(low.top, 800 / 2 - 200 / 2);
    // A left that fits only the second screen counts; one that fits none is centred.
    EXPECT_EQ(placeDialog({1400, 10, 300, 200}, screens).left, 1400);
    EXPECT_EQ(placeDialog({1700, 10, 300, 201}, screens).left, 1000 / 2 - 300 / 2);
    EXPECT_EQ(placeDialog({-5, 10, 301, 200}, screens).left, 500 - 150);
}

}  // namespace
}  // namespace tavelin
