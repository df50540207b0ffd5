#pragma once
// The rows of the internal data monitor: the step-count record, then every field of each module
// that is present, numbered from 1 without gaps.

#include <string>
#include <vector>

#include "app/session.h"

namespace tavelin {

struct MonitorRow {
    std::string number;  // decimal, from 1
    std::string name;
    std::string value;  // "%d" for numbers (bytes unsigned, the 16-bit field signed), texts as held
};

std::vector<MonitorRow> dataMonitorRows(const Session& session);

}  // namespace tavelin
