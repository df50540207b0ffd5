// Warning CSV reader over arbitrary bytes: the first bytes choose the column layout and whether a
// header line is expected; the rest is the file. The loaded rows are then sorted by each column.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "warnings/warning_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 7) {
        return 0;
    }
    tavelin::CounterSettings settings;
    settings.csvpatno = data[0] % 12 - 1;
    settings.csvlinno = data[1] % 12 - 1;
    settings.csvdatno = data[2] % 12 - 1;
    settings.csvdscno = data[3] % 12 - 1;
    settings.csvext1no = data[4] % 12 - 1;
    settings.csvext2no = data[5] % 12 - 1;
    const bool header = (data[6] & 1) != 0;
    std::string_view bytes(reinterpret_cast<const char*>(data + 7), size - 7);
    if (header) {
        const std::size_t lf = bytes.find('\n');
        settings.csvhdstr = std::string(bytes.substr(0, lf == std::string_view::npos ? 40 : lf));
        settings.csvhdstr = settings.csvhdstr.substr(0, 511);
    }
    tavelin::ModuleDescriptor module;
    module.path = "a.c";
    module.lineNumber = static_cast<std::int32_t>(data[6] >> 1) - 8;
    module.totalSteps = 40;

    tavelin::WarningList list;
    tavelin::prepareWarningList(list, tavelin::loadExtraColumnNames(settings), settings);
    tavelin::loadWarningsFromBytes(list, bytes, &module, settings);
    for (int column = 0; column < static_cast<int>(list.columns.size()); ++column) {
        tavelin::sortWarningList(list, column);
    }
    for (const tavelin::WarningRow& row : list.rows) {
        if (!row.subItems.empty()) {
            (void)tavelin::buildWarningHelpTarget("http://h", "html", row.subItems[0]);
        }
    }
    return 0;
}
