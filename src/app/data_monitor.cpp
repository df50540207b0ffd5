#include "app/data_monitor.h"

namespace tavelin {

namespace {

void add(std::vector<MonitorRow>& rows, std::string name, std::string value) {
    rows.push_back({std::to_string(rows.size() + 1), std::move(name), std::move(value)});
}

void addModule(std::vector<MonitorRow>& rows, const char* heading, const ModuleDescriptor& m) {
    add(rows, heading, "");
    add(rows, "Path", m.path);
    add(rows, "Class name", m.className);
    add(rows, "Module name", m.moduleName);
    add(rows, "Length of selected folder", std::to_string(m.selectedFolderLength));
    add(rows, "Extension number", std::to_string(m.extensionNumber));
    add(rows, "Top position of module", std::to_string(m.topPosition));
    add(rows, "End position of module", std::to_string(m.endPosition));
    add(rows, "Number of bytes from top position", std::to_string(m.bytesFromTop));
    add(rows, "Line number", std::to_string(m.lineNumber));
    add(rows, "Compare flag", std::to_string(static_cast<unsigned>(m.compareFlag)));
    add(rows, "Output flag", std::to_string(static_cast<unsigned>(m.outputFlag)));
    add(rows, "UTF-16 flag", std::to_string(static_cast<unsigned>(m.utf16)));
    add(rows, "Code No.", std::to_string(static_cast<unsigned>(m.codeNo)));
    add(rows, "Total number of steps", std::to_string(m.totalSteps));
    add(rows, "Actual number of steps", std::to_string(m.actualSteps));
    add(rows, "Total number of bytes", std::to_string(m.totalBytes));
    add(rows, "Actual number of bytes", std::to_string(m.actualBytes));
    add(rows, "Comment number of bytes", std::to_string(m.commentBytes));
    add(rows, "Space number of steps", std::to_string(m.spaceSteps));
    add(rows, "No count number of steps", std::to_string(m.noCountSteps));
    add(rows, "No count number of bytes", std::to_string(m.noCountBytes));
    add(rows, "Pre-processor number of bytes", std::to_string(m.preprocessorBytes));
}

}  // namespace

std::vector<MonitorRow> dataMonitorRows(const Session& session) {
    std::vector<MonitorRow> rows;
    const StepCountRecord& c = session.stepCounts;
    add(rows, "Output flag", std::to_string(static_cast<unsigned>(c.outputFlag)));
    add(rows, "Number of new steps", std::to_string(c.newSteps));
    add(rows, "Number of original steps", std::to_string(c.originalSteps));
    add(rows, "Number of changed steps", std::to_string(c.changedSteps));
    add(rows, "Number of re-used steps", std::to_string(c.reusedSteps));
    add(rows, "Number of deleted steps", std::to_string(c.deletedSteps));
    if (const ModuleDescriptor* after = session.panes.module(kAfter)) {
        addModule(rows, "Module information after change", *after);
    }
    if (const ModuleDescriptor* before = session.panes.module(kBefore)) {
        addModule(rows, "Module information before change", *before);
    }
    return rows;
}

}  // namespace tavelin
