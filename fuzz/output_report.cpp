// The display and the report over arbitrary module text: the first bytes choose the line-end
// mode, the encodings, the tab width and whether the after text is UTF-16; the next ones give
// the line statuses; the rest is split into the two texts. Both lists are walked, every caption
// is formatted in both forms and the report is rendered. The code-page caption of text that is
// not UTF-8 must be the Unicode caption converted back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "display/captions.h"
#include "display/code_lists.h"
#include "output/html_report.h"
#include "platform/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) {
        return 0;
    }
    tavelin::CounterSettings settings;
    settings.delimit = data[0] % 5;
    const int tabWidth = 2 << (data[1] % 3);
    const bool wide = (data[2] & 1) != 0;
    const std::size_t statusCount = data[3] % 64;
    if (size < 8 + statusCount) {
        return 0;
    }
    tavelin::ModulePanes panes;
    const std::uint8_t* statuses = data + 8;
    const std::uint8_t* text = statuses + statusCount;
    const std::size_t textSize = size - 8 - statusCount;
    const std::size_t split = textSize == 0 ? 0 : data[4] % (textSize + 1);
    panes.lineTableSize = static_cast<std::int32_t>(statusCount + 1);
    for (int side = 0; side < tavelin::kSides; ++side) {
        const auto s = static_cast<std::size_t>(side);
        tavelin::ModuleDescriptor& d = panes.descriptors[s];
        d.path = "m.c";
        d.codeNo = static_cast<std::uint8_t>(data[5 + s] % 6);
        d.utf16 = side == tavelin::kAfter && wide ? 1 : 0;
        panes.present[s] = (data[7] >> s & 1) == 0;
        panes.hasBuffer[s] = true;
        const std::uint8_t* from = side == tavelin::kAfter ? text : text + split;
        const std::size_t count = side == tavelin::kAfter ? split : textSize - split;
        tavelin::ModuleText& t = panes.moduleText[s];
        if (d.utf16 == 1) {
            for (std::size_t i = 0; i + 1 < count; i += 2) {
                t.units.push_back(static_cast<char16_t>(from[i] | (from[i + 1] << 8)));
            }
            panes.moduleLength[s] = static_cast<std::int32_t>(t.units.size());
            t.units.push_back(0);
        } else {
            t.bytes.assign(from, from + count);
            panes.moduleLength[s] = static_cast<std::int32_t>(count);
            t.bytes.push_back(0);
        }
        panes.lines[s].resize(statusCount + 1);
        for (std::size_t i = 0; i < statusCount; ++i) {
            panes.lines[s][i] = {static_cast<tavelin::LineStatus>(statuses[i] % 5),
                                 static_cast<std::int32_t>(i)};
        }
    }
    tavelin::CodeListModels models;
    tavelin::refreshLists(models, panes, settings,
                          {data[7] >> 2 & 1, tabWidth, tavelin::ViewState::Comparison}, {});
    tavelin::CaptionFormatter captions(tabWidth);
    for (const tavelin::CodeList& list : models.lists) {
        const tavelin::ModuleDescriptor& d = panes.descriptors[static_cast<std::size_t>(list.side)];
        for (std::int32_t r = 0; r < list.rowCount(); ++r) {
            std::string ansi;
            std::u16string unicode;
            captions.appendAnsi(panes, list, r, ansi);
            captions.appendUnicode(panes, list, r, unicode);
            if (d.utf16 == 0 && d.codeNo != 1 && tavelin::ansiToUtf16(ansi) != unicode) {
                __builtin_trap();
            }
        }
    }
    tavelin::ReportInputs in;
    in.codeLists = &models;
    in.panes = &panes;
    in.warningsShown = (data[7] & 8) != 0;
    (void)tavelin::renderHtmlReport(in);
    return 0;
}
