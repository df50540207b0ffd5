// Arbitrary bytes as an extension definition file and as a macro list.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "datafiles/extension_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    static tavelin::ExtensionTable table = [] {
        tavelin::ExtensionTable t;
        t.definitions[0].name = "C";
        t.definitions[1].name = "JS";
        t.extensionCount = 2;
        return t;
    }();
    tavelin::ExtensionDefinition def;
    const int delimit = size > 0 ? data[0] % 5 : 0;
    tavelin::parseExtensionDefinition(bytes, table, 2, delimit, def);
    std::vector<tavelin::MacroEntry> macros;
    tavelin::readMacroList(bytes, macros);
    return 0;
}
